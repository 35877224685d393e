#pragma once

#include "document/textreplace.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;

// The modeless replace dialog of a document window. It keeps its texts and choices for
// the life of the window; the window does the searching.
class TReplaceDialog : public QDialog {
    Q_OBJECT
public:
    explicit TReplaceDialog(QWidget* parent);

    QString findText() const;
    void setFindText(const QString& text);
    QString replaceText() const;
    void setReplaceText(const QString& text);
    ReplaceOptions options() const;
    void setOptions(const ReplaceOptions& options);
    // Shows the dialog, or brings it forward, with the keyboard in "Suchen nach".
    void execute();

    QLineEdit* Edit_SuchenNach = nullptr;
    QLineEdit* Edit_ErsetzenDurch = nullptr;
    QCheckBox* CheckBox_GrossKlein = nullptr;
    QCheckBox* CheckBox_GanzeWoerter = nullptr;
    QCheckBox* CheckBox_RegulaererAusdruck = nullptr;
    QPushButton* Button_Weitersuchen = nullptr;
    QPushButton* Button_Ersetzen = nullptr;
    QPushButton* Button_AlleErsetzen = nullptr;
    QPushButton* Button_Schliessen = nullptr;

signals:
    void OnFind();
    void OnReplace();
    void OnReplaceAll();
};
