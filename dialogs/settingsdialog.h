#pragma once

#include "dialogs/dialogfilling.h"
#include "dialogs/settingsframe.h"
#include "dialogs/toolsgridrules.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QTabWidget;
class TToolsGrid;

// The modal dialog "Einstellungen konfigurieren": the settings record, the filters of
// the frame's open and save dialogs, and the external tools. "&Übernehmen" writes every
// setting to the settings file, applies them to the running program and closes;
// "&Abbrechen" closes without storing anything. The frame creates one per use and shows
// it with exec().
class TEinstellungenForm : public QDialog {
    Q_OBJECT
public:
    explicit TEinstellungenForm(ISettingsDialogFrame& frame, QWidget* parent = nullptr);
    ~TEinstellungenForm() override;

    // Fills the controls from the settings, the frame's filters and its Tools menu. Runs
    // when the dialog is first shown; later calls do nothing.
    void OnActivate();
    // Enables "&Übernehmen".
    void OnChange();
    // Stores and applies everything; the button then closes the dialog with Accepted.
    void Button_Uebernehmen_OnClick();

    void ToolsGrid_OnSelectCell(int col, int row);
    void ToolsGrid_OnSetEditText(int col, int row, const QString& value);
    void ButtonHinzufuegen_OnClick();
    void ButtonEntfernen_OnClick();
    void ButtonVerschieben_OnClick(QObject* sender);

    // The table's rules (rows counted with the header as row 0).
    ToolsGridRules& toolsRules() { return rules_; }

    QTabWidget* PageControl;
    QPushButton* Button_Uebernehmen;
    QPushButton* Button_Abbrechen;
    QCheckBox* CheckBoxInstanz;
    QLabel* Label1;
    QComboBox* ComboBox_FilterOeffnen;
    QLabel* Label2;
    QComboBox* ComboBox_FilterSpeichern;
    QCheckBox* CheckBox_ShowMarkleiste;
    QCheckBox* CheckBox_AutoUrl;
    QCheckBox* CheckBox_StartWithNew;
    QCheckBox* CheckBox_ReadOnlyFilesNurLesen;
    QCheckBox* CheckBox_AutoSaveSettings;
    QCheckBox* CheckBox_AutoLoadSaveOpenFiles;
    TToolsGrid* ToolsGrid;
    QPushButton* ButtonHinzufuegen;
    QPushButton* ButtonEntfernen;
    QPushButton* ButtonOben;
    QPushButton* ButtonUnten;
    QPushButton* ButtonLinks;
    QPushButton* ButtonRechts;

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void fill();
    void applySettings();
    void rebuildTools();
    // Ctrl+Tab and Ctrl+Shift+Tab: the next or previous page; in the tools grid, whose Tab
    // keys move between cells, they leave the grid for the next or previous control.
    void switchPageOrLeaveGrid(bool forward);

    ISettingsDialogFrame& frame_;
    ToolsGridRules rules_;
    TDialogFilling filling_;
};

// The German message for tools whose names the section "Tools" cannot hold; empty when
// every tool can be stored.
QString skippedToolsMessage(const QList<ToolsGridRules::NumberedTool>& skipped);
