#include "dialogs/aboutbox.h"
#include "dialogs/settingsdialog.h"
#include "dialogs/statisticsdialog.h"
#include "dialogs/toolsgrid.h"
#include "platform/atomicfile.h"
#include "platform/iniprofile.h"
#include "settings/globals.h"
#include "tests/dialogs/printers.h"
#include "tests/support/fakeframe.h"
#include "tests/support/fakes.h"
#include "tests/support/guards.h"
#include "tests/support/tempdir.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTest>
#include <QApplication>
#include <gtest/gtest.h>

#include <cerrno>

namespace {

class SettingsDialog : public ::testing::Test {
protected:
    TestDir dir;
    FakeServices services;
    FakeFrame frame;
    QString ini;

    void SetUp() override
    {
        Globals::ResetSettings();
        ini = dir.file("VARNX.ini");
        Globals::Settings().IniFileName = ini;
    }
    void TearDown() override { Globals::ResetSettings(); }

    void writeIni(const QByteArray& content) { dir.write("VARNX.ini", content); }
    QByteArray iniText() const { return TestDir::read(ini); }

    // The tools as the next start of the program reads them from the file.
    QList<ToolEntry> toolsAfterRestart()
    {
        Globals::ResetSettings();
        FakeFrame restarted;
        {
            const CwdGuard cwd(dir.path());
            Globals::LoadSettings(restarted, dir.path() + "/");
        }
        Globals::Settings().IniFileName = ini;
        return restarted.tools;
    }
};

// The open in-place editor of the grid, after starting to edit cell (col, row) (rows
// counted with the header as row 0).
QLineEdit* currentEditor(TEinstellungenForm& form)
{
    return qobject_cast<QLineEdit*>(form.ToolsGrid->indexWidget(form.ToolsGrid->currentIndex()));
}

QLineEdit* editCell(TEinstellungenForm& form, int col, int row)
{
    form.ToolsGrid->setCurrentCell(row - 1, col);
    form.ToolsGrid->editItem(form.ToolsGrid->item(row - 1, col));
    return currentEditor(form);
}

// Ends the editing as the focus leaving the cell does.
void finishEditing(TEinstellungenForm& form)
{
    if (QLineEdit* editor = currentEditor(form)) {
        QMetaObject::invokeMethod(form.ToolsGrid->itemDelegate(), "commitData", Q_ARG(QWidget*, editor));
        QMetaObject::invokeMethod(form.ToolsGrid->itemDelegate(), "closeEditor", Q_ARG(QWidget*, editor),
                                  Q_ARG(QAbstractItemDelegate::EndEditHint, QAbstractItemDelegate::NoHint));
    }
}

void showActive(QWidget& form)
{
    form.show();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
}

}  // namespace

TEST_F(SettingsDialog, LayoutCaptionsAndStartState)
{
    TEinstellungenForm form(frame);
    EXPECT_TRUE(services.cursor.isBusy());  // until the filling
    form.show();
    EXPECT_FALSE(services.cursor.isBusy());
    EXPECT_EQ(form.windowTitle(), "Einstellungen konfigurieren");
    EXPECT_EQ(form.size(), QSize(417, 249));
    EXPECT_EQ(form.PageControl->geometry(), QRect(0, 1, 417, 208));
    ASSERT_EQ(form.PageControl->count(), 4);
    EXPECT_EQ(form.PageControl->tabText(0), "Allgemein");
    EXPECT_EQ(form.PageControl->tabText(3), "Tools");
    EXPECT_EQ(form.PageControl->currentIndex(), 0);
    EXPECT_EQ(form.CheckBoxInstanz->text(), "Nur eine Instanz zulassen (Merfaches Starten verhindern)");
    EXPECT_EQ(form.Label1->text(), "Datei \"Öffnen\" Filter:");
    EXPECT_EQ(form.Label2->text(), "Datei \"Speichern unter...\" Filter:");
    EXPECT_EQ(form.CheckBox_ReadOnlyFilesNurLesen->text(),
              "Schreibgeschützte Dateien mit \"Nur lesen zulassen\" öffnen");
    EXPECT_EQ(form.CheckBox_AutoSaveSettings->text(), "Einstellungen beim beenden automatisch speichern");
    EXPECT_EQ(form.ComboBox_FilterSpeichern->geometry(), QRect(8, 100, 393, 21));
    EXPECT_EQ(form.Button_Uebernehmen->text(), "&Übernehmen");
    EXPECT_EQ(form.Button_Uebernehmen->geometry(), QRect(8, 218, 196, 25));
    EXPECT_EQ(form.Button_Abbrechen->geometry(), QRect(213, 218, 196, 25));
    EXPECT_FALSE(form.Button_Uebernehmen->isEnabled());
    EXPECT_EQ(form.focusWidget(), form.Button_Abbrechen);
    EXPECT_EQ(form.ToolsGrid->geometry(), QRect(8, 8, 393, 129));
    EXPECT_EQ(form.ToolsGrid->columnWidth(0), 150);
    EXPECT_EQ(form.ButtonRechts->geometry(), QRect(352, 145, 50, 24));
    EXPECT_EQ(form.ButtonEntfernen->toolTip(), "Letzte Zeilen entfernen");

    // The Tab key visits the controls in this order.
    const QList<QWidget*> expected{form.CheckBoxInstanz, form.ComboBox_FilterOeffnen,
                                   form.ComboBox_FilterSpeichern, form.CheckBox_ShowMarkleiste,
                                   form.CheckBox_AutoUrl, form.CheckBox_StartWithNew,
                                   form.CheckBox_ReadOnlyFilesNurLesen, form.CheckBox_AutoSaveSettings,
                                   form.CheckBox_AutoLoadSaveOpenFiles, form.ToolsGrid, form.ButtonHinzufuegen,
                                   form.ButtonEntfernen, form.ButtonOben, form.ButtonUnten, form.ButtonLinks,
                                   form.ButtonRechts, form.Button_Uebernehmen, form.Button_Abbrechen};
    QList<QWidget*> chain;
    QWidget* w = form.CheckBoxInstanz;
    do {
        if (expected.contains(w) && !chain.contains(w))
            chain.append(w);
        w = w->nextInFocusChain();
    } while (w != form.CheckBoxInstanz);
    EXPECT_EQ(chain, expected);
}

TEST_F(SettingsDialog, FillingShowsSettingsAndLeavesApplyDisabled)
{
    auto& s = Globals::Settings();
    s.SingleInstance = true;
    s.ShowMarkbar = false;
    s.AutoUrlDetection = false;
    s.StartWithNewDoc = true;
    s.OpenAsReadOnlyIfIsReadOnly = true;
    s.AutoSaveSettings = false;
    s.AutoSaveOpenFiles = true;
    frame.saveFilter = "Alles|*";
    frame.tools = {{"Editor", "/usr/bin/ed"}, {"-", "x"}, {"&Liste", "ls -l"}};
    TEinstellungenForm form(frame);
    form.show();
    EXPECT_TRUE(form.CheckBoxInstanz->isChecked());
    EXPECT_FALSE(form.CheckBox_ShowMarkleiste->isChecked());
    EXPECT_FALSE(form.CheckBox_AutoUrl->isChecked());
    EXPECT_TRUE(form.CheckBox_StartWithNew->isChecked());
    EXPECT_TRUE(form.CheckBox_ReadOnlyFilesNurLesen->isChecked());
    EXPECT_FALSE(form.CheckBox_AutoSaveSettings->isChecked());
    EXPECT_TRUE(form.CheckBox_AutoLoadSaveOpenFiles->isChecked());
    EXPECT_EQ(form.ComboBox_FilterOeffnen->currentText(), kDefaultFilter);
    ASSERT_EQ(form.ComboBox_FilterSpeichern->count(), 1);
    EXPECT_EQ(form.ComboBox_FilterSpeichern->itemText(0), "Alles|*");
    EXPECT_EQ(form.ComboBox_FilterSpeichern->currentText(), "Alles|*");
    // A filter longer than its box shows its start.
    for (QComboBox* box : {form.ComboBox_FilterOeffnen, form.ComboBox_FilterSpeichern}) {
        ASSERT_NE(box->lineEdit(), nullptr);
        EXPECT_EQ(box->lineEdit()->cursorPosition(), 0);
    }
    EXPECT_FALSE(form.Button_Uebernehmen->isEnabled());

    // The grid: header, three tools in menu order, one empty row.
    EXPECT_EQ(form.ToolsGrid->model()->headerData(0, Qt::Horizontal).toString(), "Name/Beschreibung");
    EXPECT_EQ(form.ToolsGrid->model()->headerData(1, Qt::Horizontal).toString(), "Befehl");
    ASSERT_EQ(form.ToolsGrid->rowCount(), 4);
    EXPECT_EQ(form.ToolsGrid->item(0, 0)->text(), "Editor");
    EXPECT_EQ(form.ToolsGrid->item(1, 0)->text(), "-");
    EXPECT_EQ(form.ToolsGrid->item(2, 1)->text(), "ls -l");
    EXPECT_EQ(form.ToolsGrid->item(3, 0)->text(), "");
    EXPECT_EQ(form.ToolsGrid->item(3, 1)->text(), "");
    EXPECT_FALSE(toolsEditState().toolsChanged);
}

TEST_F(SettingsDialog, EnterOnControlsPressesApplyOnlyWhenEnabled)
{
    TEinstellungenForm form(frame);
    showActive(form);
    form.CheckBox_AutoUrl->setFocus();
    QTest::keyClick(form.CheckBox_AutoUrl, Qt::Key_Return);
    form.ComboBox_FilterOeffnen->setFocus();
    QTest::keyClick(form.ComboBox_FilterOeffnen->lineEdit(), Qt::Key_Return);
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.ComboBox_FilterOeffnen->count(), 1);  // Enter adds no list entry
    EXPECT_FALSE(QFile::exists(ini));

    // The box shows the filter's start; End goes to its end to add a row.
    QTest::keyClick(form.ComboBox_FilterOeffnen->lineEdit(), Qt::Key_End);
    QTest::keyClicks(form.ComboBox_FilterOeffnen->lineEdit(), "|*.log");
    EXPECT_TRUE(form.Button_Uebernehmen->isEnabled());
    QTest::keyClick(form.ComboBox_FilterOeffnen->lineEdit(), Qt::Key_Return);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(frame.openFilter, kDefaultFilter + "|*.log");
    EXPECT_TRUE(iniText().contains(("Filter=" + kDefaultFilter + "|*.log").toUtf8()));
}

TEST_F(SettingsDialog, ApplyWritesEveryKeyInOrderAndLeavesToolsAlone)
{
    platform::MemoryIniProfileService memory;
    platform::ScopedService<platform::IniProfileService> useMemory(&memory);
    memory.files[ini] = "[Tools]\r\nEditor=/usr/bin/ed\r\n";
    frame.tools = {{"Editor", "/usr/bin/ed"}};
    qsizetype writesBeforeViewApplied = -1;
    frame.onApplyView = [&] { writesBeforeViewApplied = memory.calls.size(); };

    TEinstellungenForm form(frame);
    form.show();
    form.CheckBox_StartWithNew->click();
    form.CheckBox_StartWithNew->click();
    EXPECT_TRUE(form.Button_Uebernehmen->isEnabled());  // changing back keeps it enabled
    form.Button_Uebernehmen->click();
    EXPECT_FALSE(form.isVisible());

    const QString filter = kDefaultFilter;
    EXPECT_EQ(memory.calls, (QStringList{"write MainWindow/SingleInstance=0", "write Open/Filter=" + filter,
                                         "write Save/Filter=" + filter, "write View/ShowMarkbar=1",
                                         "write View/AutoUrlDetection=1", "write View/StartWithNewDoc=0",
                                         "write View/OpenAsReadOnlyIfIsReadOnly=0",
                                         "write Save/AutoSaveSettings=1", "write Save/AutoSaveOpenFiles=0"}));
    EXPECT_EQ(writesBeforeViewApplied, 5);
    EXPECT_EQ(frame.clearCalls, 0);
    EXPECT_EQ(frame.tools, (QList<ToolEntry>{{"Editor", "/usr/bin/ed"}}));
    EXPECT_TRUE(memory.files[ini].startsWith("[Tools]\r\nEditor=/usr/bin/ed\r\n"));
}

TEST_F(SettingsDialog, ApplyTakesCheckBoxesIntoRecordAndOpenWindows)
{
    TEinstellungenForm form(frame);
    form.show();
    form.CheckBoxInstanz->click();
    form.CheckBox_AutoUrl->click();
    form.CheckBox_AutoLoadSaveOpenFiles->click();
    form.ComboBox_FilterSpeichern->setEditText("");
    form.Button_Uebernehmen->click();
    const auto& s = Globals::Settings();
    EXPECT_TRUE(s.SingleInstance);
    EXPECT_FALSE(s.AutoUrlDetection);
    EXPECT_TRUE(s.ShowMarkbar);
    EXPECT_TRUE(s.AutoSaveOpenFiles);
    EXPECT_EQ(frame.viewSettings, (QList<std::pair<bool, bool>>{{true, false}}));
    EXPECT_EQ(frame.saveFilter, "");
    const QByteArray text = iniText();
    EXPECT_TRUE(text.contains("[MainWindow]\r\nSingleInstance=1\r\n"));
    EXPECT_TRUE(text.contains("AutoUrlDetection=0\r\n"));
    EXPECT_TRUE(text.contains("[Save]\r\nFilter=\r\n"));
    EXPECT_TRUE(text.contains("AutoSaveOpenFiles=1"));
    EXPECT_FALSE(text.contains("[Tools]"));
}

TEST_F(SettingsDialog, RemovingTwiceWithTwoTools)
{
    writeIni("[Tools]\r\nEditor=/usr/bin/ed\r\nListe=ls -l\r\n");
    frame.tools = {{"Editor", "/usr/bin/ed"}, {"Liste", "ls -l"}};
    frame.toolsMenuVisible = true;
    TEinstellungenForm form(frame);
    form.show();
    form.ToolsGrid->setCurrentCell(0, 1);  // another row selected: the last row goes
    form.ButtonEntfernen->click();
    EXPECT_EQ(form.ToolsGrid->rowCount(), 2);
    EXPECT_FALSE(form.Button_Uebernehmen->isEnabled());
    form.ButtonEntfernen->click();
    EXPECT_EQ(form.ToolsGrid->rowCount(), 1);
    EXPECT_TRUE(form.Button_Uebernehmen->isEnabled());
    form.ButtonEntfernen->click();
    EXPECT_EQ(form.ToolsGrid->rowCount(), 1);
    form.Button_Uebernehmen->click();

    const QList<ToolEntry> expected{{"Editor", "/usr/bin/ed"}};
    EXPECT_EQ(frame.tools, expected);
    EXPECT_TRUE(frame.toolsMenuVisible);
    EXPECT_FALSE(iniText().contains("Liste"));
    EXPECT_EQ(toolsAfterRestart(), expected);
}

TEST_F(SettingsDialog, NoCompleteRowLeavesEmptyToolsAndHiddenMenu)
{
    writeIni("[Tools]\r\nEditor=/usr/bin/ed\r\n");
    frame.tools = {{"Editor", "/usr/bin/ed"}};
    frame.toolsMenuVisible = true;
    TEinstellungenForm form(frame);
    form.show();
    QLineEdit* editor = editCell(form, 1, 1);
    ASSERT_NE(editor, nullptr);
    editor->selectAll();
    QTest::keyClick(editor, Qt::Key_Delete);  // the name stays, the command is gone
    EXPECT_TRUE(form.Button_Uebernehmen->isEnabled());
    form.Button_Uebernehmen->click();
    EXPECT_TRUE(frame.tools.isEmpty());
    EXPECT_FALSE(frame.toolsMenuVisible);
    EXPECT_EQ(frame.clearCalls, 1);
    EXPECT_FALSE(iniText().contains("Editor"));
    EXPECT_TRUE(toolsAfterRestart().isEmpty());

    // The next opening no longer shows the incomplete row.
    TEinstellungenForm again(frame);
    again.show();
    EXPECT_EQ(again.ToolsGrid->rowCount(), 1);
    EXPECT_EQ(again.ToolsGrid->item(0, 0)->text(), "");
}

TEST_F(SettingsDialog, TypedToolsReachMenuAndFileInGridOrder)
{
    TEinstellungenForm form(frame);
    form.show();
    EXPECT_EQ(form.ToolsGrid->rowCount(), 1);
    form.ButtonHinzufuegen->click();
    form.ButtonHinzufuegen->click();
    form.ButtonHinzufuegen->click();
    EXPECT_EQ(form.ToolsGrid->rowCount(), 4);
    EXPECT_FALSE(form.Button_Uebernehmen->isEnabled());

    const QList<std::tuple<int, int, QString>> typing{
        {0, 1, "Zeige"}, {1, 1, "cat -n"}, {0, 2, "Nur Name"}, {1, 3, "nur Befehl"}, {0, 4, "Zweite"},
        {1, 4, "wc -l"}};
    for (const auto& [col, row, text] : typing) {
        QLineEdit* editor = editCell(form, col, row);
        ASSERT_NE(editor, nullptr);
        QTest::keyClicks(editor, text);
        EXPECT_EQ(form.toolsRules().cell(col, row), text);  // handed over while typing
        finishEditing(form);
    }
    EXPECT_TRUE(form.Button_Uebernehmen->isEnabled());
    form.Button_Uebernehmen->click();
    const QList<ToolEntry> expected{{"Zeige", "cat -n"}, {"Zweite", "wc -l"}};
    EXPECT_EQ(frame.tools, expected);
    EXPECT_TRUE(frame.toolsMenuVisible);
    EXPECT_TRUE(iniText().contains("[Tools]\r\nZeige=cat -n\r\nZweite=wc -l\r\n"));
    EXPECT_EQ(toolsAfterRestart(), expected);
}

TEST_F(SettingsDialog, DuplicateNamesGiveTwoItemsButOneKey)
{
    TEinstellungenForm form(frame);
    form.show();
    form.ButtonHinzufuegen->click();
    for (const auto& [col, row, text] : QList<std::tuple<int, int, QString>>{
             {0, 1, "Liste"}, {1, 1, "ls"}, {0, 2, "Liste"}, {1, 2, "ls -la"}}) {
        QTest::keyClicks(editCell(form, col, row), text);
        finishEditing(form);
    }
    form.Button_Uebernehmen->click();
    EXPECT_EQ(frame.tools, (QList<ToolEntry>{{"Liste", "ls"}, {"Liste", "ls -la"}}));
    EXPECT_EQ(iniText().count("Liste="), 1);
    EXPECT_EQ(toolsAfterRestart(), (QList<ToolEntry>{{"Liste", "ls -la"}}));
}

TEST_F(SettingsDialog, SelectingWithoutChangeEnablesNothingButCaseChangeDoes)
{
    writeIni("[Tools]\r\nEditor=/usr/bin/ed\r\n");
    frame.tools = {{"Editor", "/usr/bin/ed"}};
    TEinstellungenForm form(frame);
    form.show();
    form.ToolsGrid->setCurrentCell(0, 1);
    form.ToolsGrid->setCurrentCell(0, 0);
    QLineEdit* editor = editCell(form, 0, 1);
    ASSERT_NE(editor, nullptr);
    finishEditing(form);
    EXPECT_FALSE(form.Button_Uebernehmen->isEnabled());

    editor = editCell(form, 0, 1);
    QTest::keyClick(editor, Qt::Key_Home);
    QTest::keyClick(editor, Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyClicks(editor, "e");
    EXPECT_TRUE(form.Button_Uebernehmen->isEnabled());
    EXPECT_TRUE(toolsEditState().toolsChanged);
    finishEditing(form);
    form.Button_Uebernehmen->click();
    EXPECT_EQ(frame.tools, (QList<ToolEntry>{{"editor", "/usr/bin/ed"}}));
    EXPECT_TRUE(iniText().contains("[Tools]\r\neditor=/usr/bin/ed\r\n"));
}

TEST_F(SettingsDialog, MoveButtonsOnTheGrid)
{
    TEinstellungenForm form(frame);
    form.show();
    form.ButtonOben->click();
    form.ButtonUnten->click();
    form.ButtonEntfernen->click();
    EXPECT_FALSE(form.Button_Uebernehmen->isEnabled());
    form.ButtonRechts->click();  // two empty cells swap
    EXPECT_EQ(form.ToolsGrid->currentColumn(), 1);
    EXPECT_EQ(form.ToolsGrid->currentRow(), 0);
    EXPECT_TRUE(form.Button_Uebernehmen->isEnabled());
}

TEST_F(SettingsDialog, MovedCellsAreApplied)
{
    frame.tools = {{"Editor", "/usr/bin/ed"}, {"Liste", "ls -l"}};
    TEinstellungenForm form(frame);
    form.show();
    form.ToolsGrid->setCurrentCell(1, 0);  // "Liste"
    form.ButtonOben->click();
    EXPECT_EQ(form.ToolsGrid->currentRow(), 0);
    form.ButtonRechts->click();
    form.ButtonLinks->click();
    form.ButtonUnten->click();
    form.ButtonUnten->click();  // into the empty row: both rows lose their names' pairs
    EXPECT_EQ(form.ToolsGrid->item(2, 0)->text(), "Liste");
    form.Button_Uebernehmen->click();
    EXPECT_EQ(frame.tools, (QList<ToolEntry>{{"Editor", "/usr/bin/ed"}}));
}

TEST_F(SettingsDialog, EnterInGridEditsUntilApplyIsEnabled)
{
    frame.tools = {{"Editor", "/usr/bin/ed"}};
    TEinstellungenForm form(frame);
    form.show();
    form.PageControl->setCurrentIndex(3);
    form.ToolsGrid->setCurrentCell(0, 1);
    QTest::keyClick(form.ToolsGrid, Qt::Key_Return);  // starts editing
    EXPECT_TRUE(form.ToolsGrid->isEditing());
    QLineEdit* editor = currentEditor(form);
    ASSERT_NE(editor, nullptr);
    QTest::keyClick(editor, Qt::Key_Return);  // ends editing
    QCoreApplication::processEvents();
    EXPECT_FALSE(form.ToolsGrid->isEditing());
    EXPECT_TRUE(form.isVisible());

    QTest::keyClick(form.ToolsGrid, Qt::Key_Return);
    editor = currentEditor(form);
    ASSERT_NE(editor, nullptr);
    QTest::keyClick(editor, Qt::Key_End);
    QTest::keyClicks(editor, " -p");
    QTest::keyClick(editor, Qt::Key_Return);  // now presses "&Übernehmen"
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(frame.tools, (QList<ToolEntry>{{"Editor", "/usr/bin/ed -p"}}));
}

TEST_F(SettingsDialog, TypingInsideACellKeepsTheCaret)
{
    frame.tools = {{"Editor", "/usr/bin/ed"}};
    TEinstellungenForm form(frame);
    showActive(form);
    form.PageControl->setCurrentIndex(3);
    form.ToolsGrid->setFocus();
    form.ToolsGrid->setCurrentCell(0, 0);
    QTest::keyClick(form.ToolsGrid, Qt::Key_Return);  // starts editing "Editor"
    QLineEdit* editor = currentEditor(form);
    ASSERT_NE(editor, nullptr);
    QTest::keyClick(editor, Qt::Key_Home);
    QTest::keyClick(editor, Qt::Key_Right);
    QTest::keyClick(editor, Qt::Key_Right);
    QTest::keyClicks(editor, "xyz");  // every key is handed over at once
    EXPECT_EQ(editor->text(), "Edxyzitor");
    EXPECT_EQ(editor->cursorPosition(), 5);
    EXPECT_EQ(form.toolsRules().cell(0, 1), "Edxyzitor");
    QTest::keyClick(editor, Qt::Key_Backspace);
    EXPECT_EQ(editor->text(), "Edxyitor");
    EXPECT_EQ(editor->cursorPosition(), 4);
    EXPECT_EQ(form.ToolsGrid->item(0, 0)->text(), "Edxyitor");
}

TEST_F(SettingsDialog, EscPressesAbbrechenAlsoWhileACellIsEdited)
{
    frame.tools = {{"Editor", "/usr/bin/ed"}};
    {
        TEinstellungenForm form(frame);
        showActive(form);
        form.PageControl->setCurrentIndex(3);
        form.ToolsGrid->setFocus();
        form.ToolsGrid->setCurrentCell(0, 1);
        QTest::keyClick(form.ToolsGrid, Qt::Key_Return);
        QLineEdit* editor = currentEditor(form);
        ASSERT_NE(editor, nullptr);
        QTest::keyClicks(editor, " -x");
        ASSERT_TRUE(form.Button_Uebernehmen->isEnabled());
        bool cancelled = false;
        QObject::connect(form.Button_Abbrechen, &QPushButton::clicked, [&] { cancelled = true; });
        QTest::keyClick(editor, Qt::Key_Escape);
        EXPECT_TRUE(cancelled);
        EXPECT_FALSE(form.isVisible());
        EXPECT_EQ(form.result(), QDialog::Rejected);
    }
    {
        // On the grid itself, not editing.
        TEinstellungenForm form(frame);
        showActive(form);
        form.PageControl->setCurrentIndex(3);
        form.ToolsGrid->setFocus();
        QTest::keyClick(form.ToolsGrid, Qt::Key_Escape);
        EXPECT_FALSE(form.isVisible());
        EXPECT_EQ(form.result(), QDialog::Rejected);
    }
    EXPECT_EQ(frame.tools, (QList<ToolEntry>{{"Editor", "/usr/bin/ed"}}));
    EXPECT_FALSE(QFile::exists(ini));
}

TEST_F(SettingsDialog, CtrlTabSwitchesPagesAndLeavesTheGrid)
{
    frame.tools = {{"Editor", "/usr/bin/ed"}};
    TEinstellungenForm form(frame);
    showActive(form);
    auto ctrlTab = [] { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ControlModifier); };
    auto ctrlShiftTab = [] {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    };
    ASSERT_EQ(QApplication::focusWidget(), form.Button_Abbrechen);
    ctrlTab();
    EXPECT_EQ(form.PageControl->currentIndex(), 1);
    ctrlShiftTab();
    ctrlShiftTab();
    EXPECT_EQ(form.PageControl->currentIndex(), 3);  // wraps round
    ctrlTab();
    EXPECT_EQ(form.PageControl->currentIndex(), 0);

    // From a control on a page, the focus goes along to the new page.
    form.CheckBoxInstanz->setFocus();
    ctrlShiftTab();
    EXPECT_EQ(form.PageControl->currentIndex(), 3);
    EXPECT_EQ(QApplication::focusWidget(), form.ToolsGrid);

    // In the grid Tab moves between cells; Ctrl+Tab leaves it, also from a cell editor,
    // and keeps what was typed.
    QTest::keyClick(form.ToolsGrid, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), form.ToolsGrid);
    EXPECT_EQ(form.ToolsGrid->currentColumn(), 1);
    QTest::keyClick(form.ToolsGrid, Qt::Key_Return);
    QLineEdit* editor = currentEditor(form);
    ASSERT_NE(editor, nullptr);
    QTest::keyClick(editor, Qt::Key_End);
    QTest::keyClicks(editor, " -p");
    ctrlTab();
    EXPECT_EQ(QApplication::focusWidget(), form.ButtonHinzufuegen);
    EXPECT_EQ(form.PageControl->currentIndex(), 3);
    QApplication::processEvents();
    EXPECT_FALSE(form.ToolsGrid->isEditing());
    EXPECT_EQ(form.ToolsGrid->item(0, 1)->text(), "/usr/bin/ed -p");

    // Backwards out of the grid: the nearest control that can take the focus.
    form.ToolsGrid->setFocus();
    ctrlShiftTab();
    EXPECT_EQ(QApplication::focusWidget(), form.Button_Abbrechen);
    EXPECT_EQ(form.PageControl->currentIndex(), 3);
    ctrlTab();
    EXPECT_EQ(form.PageControl->currentIndex(), 0);
    EXPECT_TRUE(form.isVisible());
}

TEST_F(SettingsDialog, DialogsOpenCentredOnTheScreenWithAFixedBorder)
{
    QWidget owner;
    owner.setGeometry(10, 10, 300, 200);
    owner.show();
    const QPoint middle = owner.screen()->availableGeometry().center();
    auto expectCentred = [&](QDialog& dialog) {
        // A fixed border: title and close box only, the window manager told so.
        const Qt::WindowFlags flags = dialog.windowFlags();
        EXPECT_TRUE(flags.testFlag(Qt::CustomizeWindowHint) && flags.testFlag(Qt::WindowCloseButtonHint));
        EXPECT_FALSE(flags.testFlag(Qt::WindowMinimizeButtonHint) || flags.testFlag(Qt::WindowMaximizeButtonHint));
        dialog.show();
        QApplication::processEvents();
        const QPoint centre = dialog.frameGeometry().center();
        EXPECT_LE((centre - middle).manhattanLength(), 2) << dialog.windowTitle().toStdString();
        dialog.close();
    };
    TEinstellungenForm settings(frame, &owner);
    expectCentred(settings);
    TInfosForm about(&owner);
    expectCentred(about);
    struct Empty : IStatisticsDocument {
        QString caption() const override { return QStringLiteral("<Unbenannt>"); }
        qint64 lineCount() const override { return 0; }
        QByteArray lineText(qint64) const override { return {}; }
    } document;
    TStatistikForm statistics(document, &owner);
    expectCentred(statistics);
}

TEST_F(SettingsDialog, RefusedWriteIsReportedAndDialogCloses)
{
    writeIni("[View]\r\nShowMarkbar=1\r\n");
    platform::setWriteFaultHook([](const QString&) { return EACCES; });
    TEinstellungenForm form(frame);
    form.show();
    form.CheckBoxInstanz->click();
    services.messages.answers = {platform::MsgResult::Ok};
    form.Button_Uebernehmen->click();
    platform::setWriteFaultHook({});
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.result(), QDialog::Accepted);
    ASSERT_EQ(services.messages.shown.size(), 1);
    const ShownMessage& m = services.messages.shown[0];
    EXPECT_EQ(m.caption, "VARNX");
    EXPECT_EQ(m.text, "nach " + ini + " kann nicht geschrieben werden.");
    EXPECT_EQ(m.icon, platform::MsgIcon::Error);
    EXPECT_EQ(m.buttons, platform::MsgButtons::Ok);
    // The first step took effect before its write failed; nothing later ran.
    EXPECT_TRUE(Globals::Settings().SingleInstance);
    EXPECT_TRUE(frame.viewSettings.isEmpty());
    EXPECT_EQ(iniText(), QByteArray("[View]\r\nShowMarkbar=1\r\n"));
}

TEST_F(SettingsDialog, NamesThatCannotBeKeysAreLeftOutAndReported)
{
    frame.tools = {{"Gut", "echo 1"}, {"a=b", "echo 2"}, {";Notiz", "echo 3"}, {"Auch gut", "x = y"},
                   {"   ", "echo leer"}, {"\"Zitat\"", "echo z"}, {"\" \"", "echo q"}};
    TEinstellungenForm form(frame);
    form.show();
    form.ButtonEntfernen->click();
    form.ButtonHinzufuegen->click();  // any change of the tools
    form.ToolsGrid->setCurrentCell(0, 0);
    form.ButtonRechts->click();
    form.ButtonLinks->click();
    services.messages.answers = {platform::MsgResult::Ok};
    form.Button_Uebernehmen->click();

    // A name of blanks only is a tool like any other and comes back after a restart with
    // its blanks; a name in quotes of its own keeps them, even when there are only blanks
    // between them.
    const QList<ToolEntry> expected{{"Gut", "echo 1"},     {"Auch gut", "x = y"},     {"   ", "echo leer"},
                                    {"\"Zitat\"", "echo z"}, {"\" \"", "echo q"}};
    EXPECT_EQ(frame.tools, expected);
    EXPECT_TRUE(iniText().contains("\r\n\"   \"=echo leer\r\n\"Zitat\"=echo z\r\n\"\" \"\"=echo q\r\n"))
        << iniText().toStdString();
    EXPECT_EQ(toolsAfterRestart(), expected);
    ASSERT_EQ(services.messages.shown.size(), 1);
    const ShownMessage& m = services.messages.shown[0];
    EXPECT_TRUE(m.caption.startsWith("Fehler:"));
    EXPECT_EQ(m.icon, platform::MsgIcon::Error);
    EXPECT_TRUE(m.text.startsWith("Folgende Tools wurden nicht übernommen:\rZeile 2: \"a=b\"\rZeile 3: \";Notiz\"\r"))
        << m.text.toStdString();
}

TEST(SettingsDialogMessages, SkippedToolsText)
{
    EXPECT_EQ(skippedToolsMessage({}), "");
    const QString one = skippedToolsMessage({{4, {"x=y", "cmd"}}});
    EXPECT_TRUE(one.startsWith("Folgendes Tool wurde nicht übernommen:\rZeile 4: \"x=y\"\r"));
    EXPECT_FALSE(one.contains('\n'));
}
