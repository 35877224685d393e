#include "document/finddialog.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TFindDialog::TFindDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FindDialog"));
    setWindowTitle(QStringLiteral("Suchen"));
    setModal(false);
    auto* label = new QLabel(QStringLiteral("Suchen &nach:"), this);
    edit_ = new QLineEdit(this);
    edit_->setObjectName(QStringLiteral("FindText"));
    label->setBuddy(edit_);
    matchCase_ = new QCheckBox(QStringLiteral("&Groß-/Kleinschreibung"), this);
    matchCase_->setObjectName(QStringLiteral("MatchCase"));
    findNext_ = new QPushButton(QStringLiteral("&Weitersuchen"), this);
    findNext_->setObjectName(QStringLiteral("FindNext"));
    findNext_->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Abbrechen"), this);
    cancel->setObjectName(QStringLiteral("Cancel"));

    auto* left = new QVBoxLayout;
    auto* row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(edit_, 1);
    left->addLayout(row);
    left->addWidget(matchCase_);
    left->addStretch(1);
    auto* right = new QVBoxLayout;
    right->addWidget(findNext_);
    right->addWidget(cancel);
    right->addStretch(1);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addLayout(right);

    findNext_->setEnabled(false);
    connect(edit_, &QLineEdit::textChanged, this, [this](const QString& text) { findNext_->setEnabled(!text.isEmpty()); });
    connect(findNext_, &QPushButton::clicked, this, &TFindDialog::OnFind);
    connect(cancel, &QPushButton::clicked, this, &TFindDialog::reject);
}

QString TFindDialog::findText() const { return edit_->text(); }
void TFindDialog::setFindText(const QString& text) { edit_->setText(text); }
bool TFindDialog::matchCase() const { return matchCase_->isChecked(); }
void TFindDialog::setMatchCase(bool on) { matchCase_->setChecked(on); }

void TFindDialog::execute()
{
    show();
    raise();
    activateWindow();
    edit_->setFocus();
    edit_->selectAll();
}
