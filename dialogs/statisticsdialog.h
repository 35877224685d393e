#pragma once

#include "dialogs/dialogfilling.h"
#include "dialogs/statistics.h"

#include <QDialog>

class QLabel;
class QPushButton;

// The modal dialog "Statistik" of one document window: the facts of its file on disk and
// the counts of its text. The document window creates one per use and shows it with exec().
class TStatistikForm : public QDialog {
    Q_OBJECT
public:
    explicit TStatistikForm(const IStatisticsDocument& document, QWidget* parent = nullptr);
    ~TStatistikForm() override;

    // Fills every label: the file facts first, then (after a repaint) the counts. Runs once,
    // soon after the dialog is first shown; later calls do nothing.
    void OnActivate();

    QLabel* Label_Dateiname;
    QLabel* Label_DateiGroesse;
    QLabel* Label_DateiAttribute;
    QLabel* Label_Erstellungszeit;
    QLabel* Label_ZuletztGespeichert;
    QLabel* Label_LetzterZugriff;
    QLabel* Label_Zeilenanzahl;
    QLabel* Label_Wortanzahl;
    QLabel* Label_AnzahlLeerzeichen;
    QLabel* Label_Zeichenanzahl;
    QPushButton* Button_Ok;

    // The file-name text of a document without a file on disk.
    static QString unsavedText() { return QStringLiteral("Ungespeichert, keine zugehörige Textdatei vorhanden..."); }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void fill();
    void setValue(QLabel* label, const QString& text);

    const IStatisticsDocument& document_;
    TDialogFilling filling_;
    int valueLeft_ = 120;  // the left edge of the value labels
};
