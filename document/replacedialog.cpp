#include "document/replacedialog.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TReplaceDialog::TReplaceDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("ReplaceDialog"));
    setWindowTitle(QStringLiteral("Ersetzen"));
    setModal(false);

    auto* findLabel = new QLabel(QStringLiteral("&Suchen nach:"), this);
    Edit_SuchenNach = new QLineEdit(this);
    Edit_SuchenNach->setObjectName(QStringLiteral("Edit_SuchenNach"));
    findLabel->setBuddy(Edit_SuchenNach);
    auto* replaceLabel = new QLabel(QStringLiteral("Ersetzen &durch:"), this);
    Edit_ErsetzenDurch = new QLineEdit(this);
    Edit_ErsetzenDurch->setObjectName(QStringLiteral("Edit_ErsetzenDurch"));
    replaceLabel->setBuddy(Edit_ErsetzenDurch);
    CheckBox_GrossKlein = new QCheckBox(QStringLiteral("Groß-/&Kleinschreibung beachten"), this);
    CheckBox_GrossKlein->setObjectName(QStringLiteral("CheckBox_GrossKlein"));
    CheckBox_GanzeWoerter = new QCheckBox(QStringLiteral("Nur &ganze Wörter"), this);
    CheckBox_GanzeWoerter->setObjectName(QStringLiteral("CheckBox_GanzeWoerter"));
    CheckBox_RegulaererAusdruck = new QCheckBox(QStringLiteral("&Regulärer Ausdruck"), this);
    CheckBox_RegulaererAusdruck->setObjectName(QStringLiteral("CheckBox_RegulaererAusdruck"));

    auto makeButton = [this](const char* name, const QString& caption) {
        auto* button = new QPushButton(caption, this);
        button->setObjectName(QString::fromLatin1(name));
        button->setAutoDefault(false);
        return button;
    };
    Button_Weitersuchen = makeButton("Button_Weitersuchen", QStringLiteral("&Weitersuchen"));
    Button_Weitersuchen->setDefault(true);
    Button_Ersetzen = makeButton("Button_Ersetzen", QStringLiteral("&Ersetzen"));
    Button_AlleErsetzen = makeButton("Button_AlleErsetzen", QStringLiteral("&Alle ersetzen"));
    Button_Schliessen = makeButton("Button_Schliessen", QStringLiteral("Schließen"));

    auto* fields = new QGridLayout;
    fields->addWidget(findLabel, 0, 0);
    fields->addWidget(Edit_SuchenNach, 0, 1);
    fields->addWidget(replaceLabel, 1, 0);
    fields->addWidget(Edit_ErsetzenDurch, 1, 1);
    auto* left = new QVBoxLayout;
    left->addLayout(fields);
    left->addWidget(CheckBox_GrossKlein);
    left->addWidget(CheckBox_GanzeWoerter);
    left->addWidget(CheckBox_RegulaererAusdruck);
    left->addStretch(1);
    auto* right = new QVBoxLayout;
    right->addWidget(Button_Weitersuchen);
    right->addWidget(Button_Ersetzen);
    right->addWidget(Button_AlleErsetzen);
    right->addWidget(Button_Schliessen);
    right->addStretch(1);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addLayout(right);
    setMinimumWidth(460);

    auto updateButtons = [this] {
        const bool any = !Edit_SuchenNach->text().isEmpty();
        Button_Weitersuchen->setEnabled(any);
        Button_Ersetzen->setEnabled(any);
        Button_AlleErsetzen->setEnabled(any);
    };
    updateButtons();
    connect(Edit_SuchenNach, &QLineEdit::textChanged, this, updateButtons);
    connect(Button_Weitersuchen, &QPushButton::clicked, this, &TReplaceDialog::OnFind);
    connect(Button_Ersetzen, &QPushButton::clicked, this, &TReplaceDialog::OnReplace);
    connect(Button_AlleErsetzen, &QPushButton::clicked, this, &TReplaceDialog::OnReplaceAll);
    connect(Button_Schliessen, &QPushButton::clicked, this, &TReplaceDialog::hide);
}

QString TReplaceDialog::findText() const { return Edit_SuchenNach->text(); }
void TReplaceDialog::setFindText(const QString& text) { Edit_SuchenNach->setText(text); }
QString TReplaceDialog::replaceText() const { return Edit_ErsetzenDurch->text(); }
void TReplaceDialog::setReplaceText(const QString& text) { Edit_ErsetzenDurch->setText(text); }

ReplaceOptions TReplaceDialog::options() const
{
    return ReplaceOptions{CheckBox_GrossKlein->isChecked(), CheckBox_GanzeWoerter->isChecked(),
                          CheckBox_RegulaererAusdruck->isChecked()};
}

void TReplaceDialog::setOptions(const ReplaceOptions& options)
{
    CheckBox_GrossKlein->setChecked(options.matchCase);
    CheckBox_GanzeWoerter->setChecked(options.wholeWords);
    CheckBox_RegulaererAusdruck->setChecked(options.regex);
}

void TReplaceDialog::execute()
{
    show();
    raise();
    activateWindow();
    Edit_SuchenNach->setFocus(Qt::OtherFocusReason);
    Edit_SuchenNach->selectAll();
}
