// What a new user meets first: windows opened beside a maximised one, and the keys of the
// menus in a window that has just opened.

#include "tests/ui/framefixture.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QMenuBar>

namespace {

QMdiArea* clientArea(TMainForm& frame) { return frame.findChild<QMdiArea*>(QStringLiteral("ClientArea")); }

// The item of the frame's merged menu bar with that object name, in the menu of that title.
QAction* barItem(TMainForm& frame, const QString& menuTitle, const QString& itemName, QMenu** menuOut)
{
    for (QAction* top : frame.menuBar()->actions()) {
        if (!top->menu() || top->menu()->title() != menuTitle)
            continue;
        for (QAction* item : top->menu()->actions())
            if (item->objectName() == itemName) {
                *menuOut = top->menu();
                return item;
            }
    }
    return nullptr;
}

// Keys go where a user's keys go: to the widget with the keyboard focus.
void press(Qt::Key key, Qt::KeyboardModifiers modifiers = {})
{
    QWidget* focus = QApplication::focusWidget();
    ASSERT_NE(focus, nullptr);
    QTest::keyClick(focus, key, modifiers);
    QApplication::processEvents();
}

}  // namespace

// F2, the menu's "&Neu" and "&Öffnen" beside a maximised window: each new window is
// maximised in its own frame, the frame's caption names the active document, typing goes
// into it, and restoring gives it its designed size with every status panel.
TEST_F(FrameTest, WindowsOpenedBesideAMaximisedOneAreMaximisedToo)
{
    QMdiArea* area = clientArea(*frame);
    ASSERT_NE(area, nullptr);
    TMainChildForm* first = openFile("erste.txt", "eins");
    first->subWindow()->showMaximized();
    QApplication::processEvents();
    ASSERT_TRUE(first->subWindow()->isMaximized());

    first->RichEdit->setFocus();
    press(Qt::Key_F2);
    TMainChildForm* second = frame->activeDocument();
    ASSERT_NE(second, first);
    EXPECT_TRUE(second->subWindow()->isMaximized());
    EXPECT_EQ(second->subWindow()->geometry(), area->viewport()->rect());
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("Varnotex V1 - [<Unbenannt>]"));
    EXPECT_EQ(area->activeSubWindow(), second->subWindow());
    EXPECT_EQ(QApplication::focusWidget(), second->RichEdit);
    press(Qt::Key_X);
    EXPECT_EQ(second->RichEdit->Lines().LineText(0), QByteArray("x"));
    EXPECT_EQ(first->RichEdit->Lines().LineText(0), QByteArray("eins"));

    // "&Öffnen" through the real menu.
    const QString third = dir.write("dritte.txt", "drei");
    fakes.dialogs.openAnswers = {third};
    QMenu* menu = nullptr;
    QAction* open = barItem(*frame, "&Datei", "MainMenu_Datei_Oeffnen", &menu);
    ASSERT_NE(open, nullptr);
    clickMenuItem(menu, open);
    TMainChildForm* opened = frame->activeDocument();
    ASSERT_EQ(opened->caption(), third);
    EXPECT_TRUE(opened->subWindow()->isMaximized());
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("Varnotex V1 - [%1]").arg(third));
    // Only the active window covers the client area; each keeps its own status bar.
    for (TMainChildForm* child : {first, second})
        EXPECT_FALSE(child->subWindow()->isVisible() && child->subWindow()->geometry() == area->viewport()->rect() &&
                     !child->subWindow()->isMaximized());

    // Restoring gives the window its designed client area and a first panel that shows.
    opened->subWindow()->showNormal();
    QApplication::processEvents();
    EXPECT_FALSE(opened->subWindow()->isMaximized());
    EXPECT_EQ(opened->size(), QSize(477, 290));
    EXPECT_GT(opened->StatusBar->panelWidth(0), 100);
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("Varnotex V1"));
    EXPECT_EQ(opened->subWindow()->windowTitle(), third);
}

// Strg+R, F5 to F8 in a window whose context menu was never opened: each acts at once,
// also in the window that became the active one again.
TEST_F(FrameTest, ContextMenuKeysWorkFromTheFirstMoment)
{
    TMainChildForm* child = newDocument();
    ASSERT_EQ(QApplication::focusWidget(), child->RichEdit);
    QTest::keyClicks(child->RichEdit, "abc");
    QApplication::processEvents();
    press(Qt::Key_R, Qt::ControlModifier);  // "&Rückgängig"
    EXPECT_EQ(child->RichEdit->Lines().LineText(0), QByteArray());

    QApplication::clipboard()->setText("eingefügt");
    press(Qt::Key_F7);  // "&Einfügen"
    EXPECT_EQ(child->RichEdit->decodeText(child->RichEdit->Lines().LineText(0)), QStringLiteral("eingefügt"));

    // A second window, then back to the first: the keys follow the active window.
    TMainChildForm* other = newDocument();
    ASSERT_NE(other, child);
    press(Qt::Key_F7);
    EXPECT_EQ(other->RichEdit->decodeText(other->RichEdit->Lines().LineText(0)), QStringLiteral("eingefügt"));
    frame->MainMenu_Fenster_Naechstes_OnClick();
    QApplication::processEvents();
    ASSERT_EQ(frame->activeDocument(), child);
    ASSERT_EQ(QApplication::focusWidget(), child->RichEdit);
    child->RichEdit->SelectWholeText();
    QApplication::processEvents();
    QApplication::clipboard()->setText("vorher");
    press(Qt::Key_F6);  // "&Kopieren"
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("eingefügt"));
    press(Qt::Key_F5);  // "&Ausschneiden"
    EXPECT_EQ(child->RichEdit->Lines().LineText(0), QByteArray());
    press(Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(child->RichEdit->decodeText(child->RichEdit->Lines().LineText(0)), QStringLiteral("eingefügt"));
    child->RichEdit->SelectWholeText();
    QApplication::processEvents();
    press(Qt::Key_F8);  // "&Löschen"
    EXPECT_EQ(child->RichEdit->Lines().LineText(0), QByteArray());
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("eingefügt"));
    EXPECT_EQ(other->RichEdit->decodeText(other->RichEdit->Lines().LineText(0)), QStringLiteral("eingefügt"));
}

// Read-only: undo and redo change nothing, by key, context menu, window menu or button.
TEST_F(FrameTest, UndoAndRedoChangeNothingInReadOnly)
{
    TMainChildForm* child = newDocument();
    QTest::keyClicks(child->RichEdit, "abc");
    QApplication::processEvents();
    child->MainMenu_Bearbeiten_NurLesenZulassen_OnClick();
    ASSERT_TRUE(child->RichEdit->ReadOnly());
    press(Qt::Key_R, Qt::ControlModifier);
    child->PopupMenu_OnPopup();
    ASSERT_TRUE(child->PopupMenu_Rueckgaengig->isEnabled());  // the context menu still offers it
    child->PopupMenu_Rueckgaengig->trigger();
    child->MainMenu_Bearbeiten_Rueckgaengig_OnClick();
    frame->Button_Rueckgaengig->setEnabled(true);
    frame->Button_Rueckgaengig->trigger();
    QApplication::processEvents();
    EXPECT_EQ(child->RichEdit->Lines().LineText(0), QByteArray("abc"));

    child->MainMenu_Bearbeiten_NurLesenZulassen_OnClick();
    child->MainMenu_Bearbeiten_Rueckgaengig_OnClick();
    EXPECT_EQ(child->RichEdit->Lines().LineText(0), QByteArray());
    child->MainMenu_Bearbeiten_NurLesenZulassen_OnClick();
    press(Qt::Key_W, Qt::ControlModifier);
    frame->Button_Wiederherstellen->setEnabled(true);
    frame->Button_Wiederherstellen->trigger();
    child->MainMenu_Bearbeiten_Wiederherstellen_OnClick();
    EXPECT_EQ(child->RichEdit->Lines().LineText(0), QByteArray());
}

// A long path in a window's title bar is shortened in the middle: the file name stays in
// sight. Maximised, the frame's title carries the whole path.
TEST_F(FrameTest, LongPathsAreShortenedInTheMiddleOfTheTitleBar)
{
    const QString folder = dir.file(QString(60, QLatin1Char('o')) + "/" + QString(60, QLatin1Char('p')));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString path = folder + "/Brief an Müller.txt";
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("Hallo");
    file.close();
    frame->OpenDocument(path);
    QApplication::processEvents();
    TMainChildForm* child = frame->activeDocument();
    ASSERT_EQ(child->caption(), path);
    const QString shown = child->subWindow()->windowTitle();
    EXPECT_NE(shown, path);
    EXPECT_TRUE(shown.endsWith(QStringLiteral("Müller.txt"))) << shown.toStdString();
    EXPECT_TRUE(shown.startsWith(path.left(8))) << shown.toStdString();
    EXPECT_TRUE(shown.contains(QChar(0x2026))) << shown.toStdString();
    child->subWindow()->showMaximized();
    QApplication::processEvents();
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("Varnotex V1 - [%1]").arg(path));
    child->subWindow()->showNormal();
    QApplication::processEvents();
    EXPECT_EQ(child->subWindow()->windowTitle(), shown);
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("Varnotex V1"));
    // The window list and the tab keep their whole texts.
    EXPECT_EQ(frame->pageCtrl()->tabText(frame->pageCtrl()->currentIndex()), QStringLiteral("Brief an Müller.txt"));
}

// Super+Insert switches the editor between inserting and overwriting exactly as it
// switches the status panel: typing after it overwrites.
TEST_F(FrameTest, SuperInsertSwitchesEditorAndPanelAlike)
{
    TMainChildForm* child = newDocument();
    QTest::keyClicks(child->RichEdit, "abc");
    QTest::keyClick(child->RichEdit, Qt::Key_Home);
    QTest::keyClick(child->RichEdit, Qt::Key_Insert, Qt::MetaModifier);
    EXPECT_EQ(panel(child, 2), QStringLiteral("Überschr."));
    EXPECT_FALSE(child->RichEdit->InsertMode());
    QTest::keyClicks(child->RichEdit, "X");
    EXPECT_EQ(child->RichEdit->Lines().LineText(0), QByteArray("Xbc"));
    QTest::keyClick(child->RichEdit, Qt::Key_Insert, Qt::MetaModifier);
    EXPECT_EQ(panel(child, 2), QStringLiteral("Einfg."));
    EXPECT_TRUE(child->RichEdit->InsertMode());
}

// An Alt combination that matches no menu types nothing; AltGr (Ctrl+Alt) still types.
TEST_F(FrameTest, AltKeysThatMatchNoMenuTypeNothing)
{
    TMainChildForm* child = newDocument();
    QTest::keyClick(child->RichEdit, Qt::Key_Q, Qt::AltModifier);
    QTest::keyClick(child->RichEdit, Qt::Key_N, Qt::AltModifier);
    QApplication::processEvents();
    EXPECT_EQ(child->RichEdit->Lines().LineText(0), QByteArray());
    QTest::keyClick(child->RichEdit, Qt::Key_At, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(child->RichEdit->Lines().LineText(0), QByteArray("@"));
}
