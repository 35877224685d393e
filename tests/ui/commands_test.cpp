#include "tests/ui/framefixture.h"

#include "app/frametoolbars.h"

#include "dialogs/settingsdialog.h"
#include "dialogs/toolsgrid.h"
#include "platform/process.h"
#include "tests/support/guards.h"

#include <QCheckBox>
#include <QClipboard>
#include <QDialog>
#include <QMenu>
#include <QScrollBar>
#include <QTableWidget>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>

#include <sys/stat.h>

using platform::MsgResult;

TEST_F(FrameTest, SaveButtonFollowsTheActiveWindow)
{
    TMainChildForm* modified = openFile("a.txt", "a");
    type(modified, "X");
    TMainChildForm* clean = openFile("b.txt", "b");
    QApplication::processEvents();
    // Switching to the clean window disables the frame's button only.
    EXPECT_FALSE(frame->Button_Speichern->isEnabled());
    EXPECT_TRUE(modified->MainMenu_Datei_Speichern->isEnabled());
    EXPECT_FALSE(clean->MainMenu_Datei_Speichern->isEnabled());
    frame->pageCtrl()->setCurrentIndex(frame->tabIndexOf(modified->tag()));
    frame->PageCtrlChange();
    QApplication::processEvents();
    EXPECT_EQ(frame->activeDocument(), modified);
    EXPECT_TRUE(frame->Button_Speichern->isEnabled());
}

TEST_F(FrameTest, StatusPanels)
{
    TMainChildForm* child = openFile("zeilen.txt", "0123456789\r\n0123456789\r\n0123456789\r\nabcde\r\n\r\n\r\nsieben\r\n");
    EXPECT_EQ(panel(child, 0), QString("0 Zeichen markiert."));
    EXPECT_EQ(panel(child, 3), QString("1:1"));
    EXPECT_EQ(panel(child, 4), QString("0%"));
    // Three lines of ten characters with their two breaks: 32.
    child->RichEdit->setSelectionStart(0);
    child->RichEdit->setSelectionLength(32);
    QApplication::processEvents();
    EXPECT_EQ(panel(child, 0), QString("32 Zeichen markiert."));
    child->RichEdit->setSelectionStart(38);  // line 4, after five characters
    QApplication::processEvents();
    EXPECT_EQ(panel(child, 3), QString("6:4"));
    child->RichEdit->setCaretLine(6);
    child->RichEdit->setCaretColumn(0);
    QApplication::processEvents();
    EXPECT_EQ(panel(child, 3), QString("1:7"));
    // A forward selection from an earlier line keeps the old text.
    child->RichEdit->setSelectionStart(5);
    child->RichEdit->setSelectionLength(20);
    QApplication::processEvents();
    const QString before = panel(child, 3);
    child->ShowCaretPosition();
    EXPECT_EQ(panel(child, 3), before);
}

TEST_F(FrameTest, InsertKeyFlipsThePanel)
{
    TMainChildForm* child = newDocument();
    EXPECT_EQ(panel(child, 2), QString("Einfg."));
    QTest::keyClick(child->RichEdit, Qt::Key_Insert);
    EXPECT_EQ(panel(child, 2), QString("Überschr."));
    QTest::keyClick(child->RichEdit, Qt::Key_Insert, Qt::ControlModifier);
    QTest::keyClick(child->RichEdit, Qt::Key_Insert, Qt::ShiftModifier);
    EXPECT_EQ(panel(child, 2), QString("Überschr."));
    QTest::keyClick(child->RichEdit, Qt::Key_Insert);
    EXPECT_EQ(panel(child, 2), QString("Einfg."));
}

TEST_F(FrameTest, ReadOnlySwitch)
{
    TMainChildForm* child = openFile("a.txt", "Hallo Welt");
    child->RichEdit->SelectWholeText();
    QApplication::processEvents();
    EXPECT_TRUE(child->MainMenu_Bearbeiten_Kopieren->isEnabled());
    child->MainMenu_Bearbeiten_NurLesenZulassen_OnClick();
    EXPECT_TRUE(child->RichEdit->ReadOnly());
    EXPECT_TRUE(child->MainMenu_Bearbeiten_NurLesenZulassen->isChecked());
    for (QAction* a : {child->MainMenu_Bearbeiten_Kopieren, child->MainMenu_Bearbeiten_Einfuegen,
                       child->MainMenu_Bearbeiten_Ausschneiden, child->MainMenu_Markierung_InGrobuchstabenUmwandeln,
                       frame->Button_Kopieren, frame->Button_Einfuegen})
        EXPECT_FALSE(a->isEnabled()) << a->objectName().toStdString();
    // The context menu still offers copy for a selection.
    child->PopupMenu_OnPopup();
    EXPECT_TRUE(child->PopupMenu_Kopieren->isEnabled());
    // Ctrl+A selects everything in a read-only document.
    child->RichEdit->setSelectionStart(0);
    QTest::keyClick(child->RichEdit, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(child->RichEdit->SelectionLength(), 10);
    // Typing does nothing.
    type(child, "x");
    EXPECT_EQ(child->RichEdit->Lines().LineText(0), QByteArray("Hallo Welt"));

    child->MainMenu_Bearbeiten_NurLesenZulassen_OnClick();
    EXPECT_FALSE(child->RichEdit->ReadOnly());
    EXPECT_TRUE(child->MainMenu_Bearbeiten_Einfuegen->isEnabled());
    EXPECT_TRUE(frame->Button_Einfuegen->isEnabled());
    EXPECT_TRUE(child->MainMenu_Bearbeiten_Kopieren->isEnabled());
}

TEST_F(FrameTest, WordWrapSwitchesTheHorizontalScrollBar)
{
    TMainChildForm* child = openFile("a.txt", QByteArray(500, 'w'));
    EXPECT_EQ(child->RichEdit->ScrollBars(), ssBoth);
    child->MainMenu_Bearbeiten_ZeilenUmbrechen_OnClick();
    EXPECT_TRUE(child->RichEdit->WordWrap());
    EXPECT_EQ(child->RichEdit->ScrollBars(), ssVertical);
    EXPECT_TRUE(child->MainMenu_Bearbeiten_ZeilenUmbrechen->isChecked());
    child->MainMenu_Bearbeiten_ZeilenUmbrechen_OnClick();
    EXPECT_FALSE(child->RichEdit->WordWrap());
    EXPECT_EQ(child->RichEdit->ScrollBars(), ssBoth);
    EXPECT_EQ(child->RichEdit->Lines().LineText(0), QByteArray(500, 'w'));
}

TEST_F(FrameTest, CaseConversionKeepsTheRangeSelected)
{
    TMainChildForm* child = openFile("a.txt", "x Gr\xF6\xDF" "e stra\xDF" "e y");
    child->RichEdit->setSelectionStart(2);
    child->RichEdit->setSelectionLength(12);
    QApplication::processEvents();
    const QString count = panel(child, 0);
    child->MainMenu_Markierung_InGrobuchstabenUmwandeln_OnClick();
    QApplication::processEvents();
    // Umlauts change case too; ß stays.
    EXPECT_EQ(child->RichEdit->Lines().LineText(0), QByteArray("x GR\xD6\xDF" "E STRA\xDF" "E y"));
    EXPECT_EQ(child->RichEdit->SelectionStart(), 2);
    EXPECT_EQ(child->RichEdit->SelectionLength(), 12);
    EXPECT_EQ(panel(child, 0), count);
    // One undo step brings the old text back.
    child->MainMenu_Bearbeiten_Rueckgaengig_OnClick();
    EXPECT_EQ(child->RichEdit->Lines().LineText(0), QByteArray("x Gr\xF6\xDF" "e stra\xDF" "e y"));
}

TEST_F(FrameTest, DateAndFileNameInsertKeepTheCaretLine)
{
    TMainChildForm* child = openFile("a.txt", "1\r\n2\r\n3\r\n4\r\nfuenf\r\nsechs\r\n");
    child->RichEdit->setCaretLine(4);
    child->RichEdit->setCaretColumn(2);
    fakes.clock.time = QDateTime(QDate(2026, 12, 8), QTime(14, 5, 33));
    const LocaleGuard german(QLocale(QLocale::German, QLocale::Germany));
    child->MainMenu_Bearbeiten_DatumUhrzeitEinfuegen_OnClick();
    TTextEditorLines& lines = child->RichEdit->Lines();
    EXPECT_EQ(lines.LineText(4), QByteArray("08.12.2026 14:05:33"));
    EXPECT_EQ(lines.LineText(5), QByteArray("fuenf"));
    EXPECT_EQ(child->RichEdit->CaretLine(), 5);
    EXPECT_EQ(child->RichEdit->CaretColumn(), 0);

    TMainChildForm* untitled = newDocument();
    untitled->MainMenu_Bearbeiten_DateinameEinfuegen_OnClick();
    EXPECT_EQ(untitled->RichEdit->Lines().LineText(0), QByteArray("<Unbenannt>"));
}

TEST_F(FrameTest, ForwardingButtonsRunTheWindowsCommands)
{
    TMainChildForm* child = openFile("a.txt", "abc def");
    child->RichEdit->setSelectionStart(0);
    child->RichEdit->setSelectionLength(3);
    QApplication::processEvents();
    frame->Button_Kopieren->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), QString("abc"));
    frame->Button_Grossbuchstaben->trigger();
    EXPECT_EQ(child->RichEdit->Lines().LineText(0), QByteArray("ABC def"));
    frame->Button_Kleinbuchstaben->trigger();
    EXPECT_EQ(child->RichEdit->Lines().LineText(0), QByteArray("abc def"));
    frame->Button_Rueckgaengig->trigger();
    EXPECT_EQ(child->RichEdit->Lines().LineText(0), QByteArray("ABC def"));
    frame->Button_Wiederherstellen->trigger();
    EXPECT_EQ(child->RichEdit->Lines().LineText(0), QByteArray("abc def"));
    frame->Button_AllesMarkieren->trigger();
    EXPECT_EQ(child->RichEdit->SelectionLength(), 7);
    frame->Button_NichtsMarkieren->trigger();
    EXPECT_EQ(child->RichEdit->SelectionLength(), 0);
    child->RichEdit->setSelectionStart(3);
    child->RichEdit->setSelectionLength(4);
    frame->Button_Ausschneiden->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), QString(" def"));
    frame->Button_Einfuegen->trigger();
    frame->Button_Einfuegen->trigger();
    EXPECT_EQ(child->RichEdit->Lines().LineText(0), QByteArray("abc def def"));
    child->RichEdit->setSelectionStart(0);
    child->RichEdit->setSelectionLength(4);
    frame->Button_Loeschen->trigger();
    EXPECT_EQ(child->RichEdit->Lines().LineText(0), QByteArray("def def"));
    EXPECT_EQ(QApplication::clipboard()->text(), QString(" def"));
    frame->Button_Speichern->trigger();
    EXPECT_EQ(TestDir::read(dir.file("a.txt")), QByteArray("def def"));
    child->FindDialog()->setFindText("def");
    frame->Button_Weitersuchen->trigger();
    EXPECT_EQ(child->RichEdit->SelectionStart(), 0);
    frame->Button_Suchen->trigger();
    EXPECT_TRUE(child->FindDialog()->isVisible());
    child->FindDialog()->hide();
}

TEST_F(FrameTest, ShortcutDispatchFollowsMenuOrder)
{
    TMainChildForm* child = openFile("a.txt", "kopier mich");
    // F3 is carried by "Öffnen" before "Speichern": it always opens.
    QTest::keyClick(child->RichEdit, Qt::Key_F3);
    EXPECT_EQ(fakes.dialogs.openRequests.size(), 1);

    // F6 is the context menu's "Kopieren": it copies at once, though that menu never
    // opened, and not without a selection.
    QApplication::clipboard()->setText("vorher");
    child->RichEdit->setSelectionStart(0);
    QTest::keyClick(child->RichEdit, Qt::Key_F6);
    EXPECT_EQ(QApplication::clipboard()->text(), QString("vorher"));
    child->RichEdit->SelectWholeText();
    QApplication::processEvents();
    QTest::keyClick(child->RichEdit, Qt::Key_F6);
    EXPECT_EQ(QApplication::clipboard()->text(), QString("kopier mich"));

    // Keys no menu carries stay the editor's own.
    child->RichEdit->setSelectionStart(0);
    QTest::keyClick(child->RichEdit, Qt::Key_End);
    EXPECT_EQ(child->RichEdit->SelectionStart(), 11);

    // Shift+F1 toggles the toolbar "Datei"; the about box stays closed.
    EXPECT_TRUE(frame->toolbars()->isToolbarVisible("Toolbar_Datei"));
    QTest::keyClick(child->RichEdit, Qt::Key_F1, Qt::ShiftModifier);
    EXPECT_FALSE(frame->toolbars()->isToolbarVisible("Toolbar_Datei"));
    EXPECT_FALSE(frame->MainMenu_Optionen_ToolbarDateiEinblenden->isChecked());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    QTest::keyClick(child->RichEdit, Qt::Key_F1, Qt::ShiftModifier);
    EXPECT_TRUE(frame->toolbars()->isToolbarVisible("Toolbar_Datei"));
    EXPECT_TRUE(frame->MainMenu_Optionen_ToolbarDateiEinblenden->isChecked());
}

// F9, the dialog's own controls clicked, "Übernehmen": the real frame's Tools menu gets the
// typed tool, which then starts from that menu, and the open window loses its selection bar.
TEST_F(FrameTest, SettingsAppliedWithF9ReachTheToolsMenuAndTheOpenWindows)
{
    platform::RecordingProcessService processes;
    const platform::ScopedService<platform::ProcessService> installed(&processes);
    const QString tool = dir.write("werkzeug.sh", "#!/bin/sh\n");
    ::chmod(QFile::encodeName(tool).constData(), 0755);
    TMainChildForm* child = openFile("a.txt", "x");
    ASSERT_TRUE(child->RichEdit->ShowSelectionBar());
    ASSERT_FALSE(frame->MainMenu_Tools->menuAction()->isVisible());

    QString title;
    QTimer::singleShot(0, [&] {
        auto* form = qobject_cast<TEinstellungenForm*>(QApplication::activeModalWidget());
        ASSERT_NE(form, nullptr);
        title = form->windowTitle();
        // The tabs clicked by their captions' places.
        QTabBar* tabs = form->PageControl->tabBar();
        auto clickTab = [&](const QString& caption) {
            for (int i = 0; i < tabs->count(); ++i)
                if (tabs->tabText(i) == caption)
                    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(i).center());
            QApplication::processEvents();
        };
        clickTab("Tools");
        ASSERT_TRUE(form->ToolsGrid->isVisible());
        // Each cell of the first row: a double click, the text, Return.
        QTableWidget* grid = form->ToolsGrid;
        for (const auto& [column, text] : {std::pair{0, QString("Zeige")}, std::pair{1, tool}}) {
            const QRect cell = grid->visualRect(grid->model()->index(0, column));
            QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
            QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
            QApplication::processEvents();
            QTest::keyClicks(QApplication::focusWidget(), text);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QApplication::processEvents();
        }
        clickTab("Darstellung");
        QCheckBox* bar = form->CheckBox_ShowMarkleiste;
        ASSERT_TRUE(bar->isVisible());
        QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(5, bar->height() / 2));
        ASSERT_TRUE(form->Button_Uebernehmen->isEnabled());
        QTest::mouseClick(form->Button_Uebernehmen, Qt::LeftButton);
        if (form->isVisible())
            form->close();
    });
    QTest::keyClick(child->RichEdit, Qt::Key_F9);
    QApplication::processEvents();
    EXPECT_EQ(title, QString("Einstellungen konfigurieren"));
    EXPECT_FALSE(child->RichEdit->ShowSelectionBar());
    ASSERT_TRUE(frame->MainMenu_Tools->menuAction()->isVisible());
    ASSERT_EQ(frame->toolItems().size(), 1);
    EXPECT_EQ(frame->toolItems()[0]->text(), QString("Zeige"));
    EXPECT_TRUE(TestDir::read(dir.file("VARNX.ini")).contains("[Tools]\r\nZeige=" + tool.toUtf8() + "\r\n"));

    clickMenuItem(frame->MainMenu_Tools, frame->toolItems()[0]);
    ASSERT_EQ(processes.started.size(), 1);
    EXPECT_EQ(processes.started[0].program, tool);
    EXPECT_EQ(processes.started[0].arguments, QStringList{dir.file("a.txt")});
}
