#include "document/gotolinedialog.h"

#include "platform/messagebox.h"

#include <QBoxLayout>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

TGotoLineDialog::TGotoLineDialog(int lineCount, int currentLine, QWidget* parent)
    : QDialog(parent), lineCount_(std::max(1, lineCount))
{
    setObjectName(QStringLiteral("GotoLineDialog"));
    setWindowTitle(QStringLiteral("Gehe zu Zeile"));
    auto* label = new QLabel(QStringLiteral("&Zeile (1–%1):").arg(lineCount_), this);
    Edit_Zeile = new QLineEdit(QString::number(currentLine), this);
    Edit_Zeile->setObjectName(QStringLiteral("Edit_Zeile"));
    label->setBuddy(Edit_Zeile);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Abbrechen"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(Edit_Zeile);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &TGotoLineDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TGotoLineDialog::reject);
    Edit_Zeile->selectAll();
    Edit_Zeile->setFocus(Qt::OtherFocusReason);
}

int TGotoLineDialog::parseLine(const QString& text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok ? value : 0;
}

void TGotoLineDialog::accept()
{
    const int value = parseLine(Edit_Zeile->text());
    if (!inRange(value, lineCount_)) {
        platform::MessageBoxService::current().show(
            QStringLiteral("Fehler: Gehe zu Zeile"),
            QStringLiteral("Die Zeile \"%1\" gibt es nicht.\rBitte eine Zahl von 1 bis %2 eingeben.")
                .arg(Edit_Zeile->text().trimmed())
                .arg(lineCount_),
            platform::MsgIcon::Error, platform::MsgButtons::Ok);
        Edit_Zeile->selectAll();
        Edit_Zeile->setFocus(Qt::OtherFocusReason);
        return;
    }
    line_ = value;
    QDialog::accept();
}
