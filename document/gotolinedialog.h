#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;

// The small modal dialog "Gehe zu Zeile": a line number from 1 to the text's last line.
// OK with a number out of range tells the user and keeps the dialog open.
class TGotoLineDialog : public QDialog {
    Q_OBJECT
public:
    TGotoLineDialog(int lineCount, int currentLine, QWidget* parent);

    // The line chosen (from 1) once the dialog was accepted.
    int line() const { return line_; }
    // The number in the field, or 0 when it holds none; and whether it is a line of the text.
    static int parseLine(const QString& text);
    static bool inRange(int line, int lineCount) { return line >= 1 && line <= lineCount; }

    QLineEdit* Edit_Zeile = nullptr;

    void accept() override;

private:
    int lineCount_;
    int line_ = 0;
};
