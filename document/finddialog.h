#pragma once

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;

// The modeless find dialog of a document window: searches downwards only, with a
// match-case box. It keeps its text and choice for the life of the window.
class TFindDialog : public QDialog {
    Q_OBJECT
public:
    explicit TFindDialog(QWidget* parent);

    QString findText() const;
    void setFindText(const QString& text);
    bool matchCase() const;
    void setMatchCase(bool on);
    // Shows the dialog, or brings it forward when it is open already.
    void execute();
    void closeDialog() { hide(); }

signals:
    void OnFind();

private:
    QLineEdit* edit_;
    QCheckBox* matchCase_;
    QPushButton* findNext_;
};
