// Document windows reached as a user reaches them: through the real menus, tabs, keys and
// the mouse, where faults of window lifetime and activation live.
#include "tests/ui/framefixture.h"

#include "app/windowplacement.h"
#include "document/finddialog.h"

#include <QCheckBox>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QWheelEvent>

using platform::MsgResult;

namespace {

QPoint tabCenter(QTabBar* tabs, int index) { return tabs->tabRect(index).center(); }

// Counts the objects destroyed while a menu still handled their click: a window that goes
// with its own menu inside that menu's click is a use-after-free in the menu's code.
struct DestroyedInClick {
    int count = 0;
    void watch(QObject* object)
    {
        QObject::connect(object, &QObject::destroyed, [this] {
            if (inMenuClick)
                ++count;
        });
    }
};

}  // namespace

TEST_F(FrameTest, CloseAllFromTheWindowsOwnMenuThreeTimes)
{
    DestroyedInClick early;
    for (int round = 0; round < 3; ++round) {
        QList<TMainChildForm*> children;
        for (int i = 0; i < 3; ++i) {
            TMainChildForm* child = newDocument();
            type(child, "x");
            children << child;
            early.watch(child);
            early.watch(child->subWindow());
        }
        fakes.messages.answers = {MsgResult::No, MsgResult::No, MsgResult::No};
        const int before = shownCount();
        TMainChildForm* active = frame->activeDocument();
        clickMenuItem(active->MainMenu_Datei, active->MainMenu_Datei_AlleSchliessen);
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QApplication::processEvents();
        EXPECT_EQ(shownCount() - before, 3) << "round " << round;
        EXPECT_EQ(frame->documentCount(), 0);
        EXPECT_EQ(frame->pageCtrl()->count(), 0);
        EXPECT_TRUE(frame->mdiArea()->subWindowList().isEmpty());
    }
    EXPECT_EQ(early.count, 0) << "windows destroyed while their own menu handled the click";
    // The frame goes on: F2 makes a window that takes typing.
    QTest::keyClick(frame.get(), Qt::Key_F2);
    QApplication::processEvents();
    ASSERT_EQ(frame->documentCount(), 1);
    type(frame->activeDocument(), "weiter");
    EXPECT_EQ(frame->activeDocument()->RichEdit->Lines().LineText(0), QByteArray("weiter"));
}

TEST_F(FrameTest, CloseAndQuitItemsRunOnceTheMenuIsDone)
{
    // Sch&ließen from the window's own menu: the window goes, its menu survived the click.
    TMainChildForm* first = newDocument();
    newDocument();
    TMainChildForm* second = frame->activeDocument();
    QPointer<TMainChildForm> watch(second);
    DestroyedInClick early;
    early.watch(second);
    clickMenuItem(second->MainMenu_Datei, second->MainMenu_Datei_Schliessen);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(watch.isNull());
    EXPECT_EQ(early.count, 0);
    ASSERT_EQ(frame->documents(), (QList<TMainChildForm*>{first}));
    // F10 through the frame's key dispatch closes the last one.
    first->RichEdit->setFocus();
    QTest::keyClick(first->RichEdit, Qt::Key_F10);
    QApplication::processEvents();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(frame->documentCount(), 0);
    EXPECT_FALSE(frame->pageCtrl()->isVisible());
}

TEST_F(FrameTest, InsertsAreOneUndoStepAndLeaveReadOnlyTextAlone)
{
    TMainChildForm* child = openFile("a.txt", "eins\r\n");
    fakes.clock.time = QDateTime(QDate(2026, 12, 8), QTime(14, 5, 33));
    child->RichEdit->setCaretLine(1);
    type(child, "zwei");
    child->MainMenu_Bearbeiten_DateinameEinfuegen_OnClick();
    TTextEditorLines& lines = child->RichEdit->Lines();
    EXPECT_EQ(QString::fromLatin1(lines.LineText(1)), dir.file("a.txt"));
    // Ctrl+D through the keyboard, then Ctrl+Z twice: the date line, then the file name.
    QTest::keyClick(child->RichEdit, Qt::Key_D, Qt::ControlModifier);
    QApplication::processEvents();
    EXPECT_EQ(lines.LineCount(), 4);
    QTest::keyClick(child->RichEdit, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(lines.LineCount(), 3);
    EXPECT_EQ(QString::fromLatin1(lines.LineText(1)), dir.file("a.txt"));
    QTest::keyClick(child->RichEdit, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(lines.LineText(1), QByteArray("zwei"));
    // The typing before the inserts is still undoable.
    QTest::keyClick(child->RichEdit, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(lines.LineText(1), QByteArray(""));

    // Read-only: both commands stay enabled and change nothing.
    child->RichEdit->setTextModified(false);
    child->MainMenu_Bearbeiten_NurLesenZulassen_OnClick();
    const QByteArray before = lines.Text();
    EXPECT_TRUE(child->MainMenu_Bearbeiten_DatumUhrzeitEinfuegen->isEnabled());
    QTest::keyClick(child->RichEdit, Qt::Key_D, Qt::ControlModifier);
    child->MainMenu_Bearbeiten_DateinameEinfuegen->trigger();
    QApplication::processEvents();
    EXPECT_EQ(lines.Text(), before);
    EXPECT_FALSE(child->RichEdit->TextModified());
}

TEST_F(FrameTest, ButtonsShowTheDocumentChosenByTabWindowListOrNext)
{
    TMainChildForm* edited = openFile("a.txt", "a");
    type(edited, "123");
    TMainChildForm* fresh = openFile("b.txt", "b");
    ASSERT_EQ(frame->activeDocument(), fresh);
    EXPECT_FALSE(frame->Button_Speichern->isEnabled());
    EXPECT_FALSE(frame->Button_Rueckgaengig->isEnabled());

    // A left click on a tab.
    QTabBar* tabs = frame->pageCtrl();
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabCenter(tabs, frame->tabIndexOf(edited->tag())));
    QApplication::processEvents();
    EXPECT_EQ(frame->activeDocument(), edited);
    EXPECT_TRUE(frame->Button_Speichern->isEnabled());
    EXPECT_TRUE(frame->Button_Rueckgaengig->isEnabled());

    // "&Nächstes" with Shift+F8.
    QTest::keyClick(edited->RichEdit, Qt::Key_F8, Qt::ShiftModifier);
    QApplication::processEvents();
    EXPECT_EQ(frame->activeDocument(), fresh);
    EXPECT_FALSE(frame->Button_Speichern->isEnabled());
    EXPECT_FALSE(frame->Button_Rueckgaengig->isEnabled());
    EXPECT_EQ(tabs->currentIndex(), frame->tabIndexOf(fresh->tag()));

    // An entry of the window list, chosen in the open menu.
    frame->MainMenu_Fenster->popup(QPoint(10, 10));
    QApplication::processEvents();
    QAction* entry = nullptr;
    for (QAction* action : frame->MainMenu_Fenster->actions())
        if (action->isCheckable() && action->text().endsWith(dir.file("a.txt")))
            entry = action;
    ASSERT_TRUE(entry);
    QTest::mouseClick(frame->MainMenu_Fenster, Qt::LeftButton, {}, frame->MainMenu_Fenster->actionGeometry(entry).center());
    QApplication::processEvents();
    EXPECT_EQ(frame->activeDocument(), edited);
    EXPECT_TRUE(frame->Button_Rueckgaengig->isEnabled());
    EXPECT_TRUE(frame->Button_Speichern->isEnabled());
    // The list, opened again, checks the active window only.
    emit frame->MainMenu_Fenster->aboutToShow();
    QStringList checked;
    for (QAction* action : frame->MainMenu_Fenster->actions())
        if (action->isChecked())
            checked << action->text();
    EXPECT_EQ(checked, QStringList{"&1 " + dir.file("a.txt")});
}

TEST_F(FrameTest, TabStripFollowsWheelAndKeysButNotRightOrMiddleClicks)
{
    TMainChildForm* a = newDocument();
    TMainChildForm* b = newDocument();
    TMainChildForm* c = newDocument();
    QTabBar* tabs = frame->pageCtrl();
    ASSERT_EQ(frame->activeDocument(), c);

    QTest::mouseClick(tabs, Qt::RightButton, {}, tabCenter(tabs, 0));
    QTest::mouseClick(tabs, Qt::MiddleButton, {}, tabCenter(tabs, 0));
    QApplication::processEvents();
    EXPECT_EQ(frame->activeDocument(), c);
    EXPECT_EQ(tabs->currentIndex(), 2);

    // The wheel moves the selection one tab; the window follows.
    QWheelEvent up(QPointF(tabCenter(tabs, 1)), QPointF(tabs->mapToGlobal(tabCenter(tabs, 1))), QPoint(), QPoint(0, 120),
                   Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(tabs, &up);
    QApplication::processEvents();
    EXPECT_EQ(tabs->currentIndex(), 1);
    EXPECT_EQ(frame->activeDocument(), b);
    EXPECT_TRUE(b->RichEdit->hasFocus());

    // A change of the current tab by the keyboard does the same.
    tabs->setFocusPolicy(Qt::StrongFocus);
    tabs->setFocus();
    QTest::keyClick(tabs, Qt::Key_Left);
    QApplication::processEvents();
    EXPECT_EQ(frame->activeDocument(), a);
}

TEST_F(FrameTest, AmpersandInAFileNameShowsInItsTab)
{
    openFile("Müller & Söhne.txt", "x");
    QTabBar* tabs = frame->pageCtrl();
    // Drawn text: "&&" shows one "&" and underlines nothing.
    EXPECT_EQ(tabs->tabText(0), QString("Müller && Söhne.txt"));
    TMainChildForm* untitled = newDocument();
    fakes.dialogs.saveAnswers.push_back(dir.file("R&D.txt"));
    untitled->MainMenu_Datei_SpeichernUnter_OnClick();
    EXPECT_EQ(tabs->tabText(frame->tabIndexOf(untitled->tag())), QString("R&&D.txt"));
}

TEST_F(FrameTest, NewWindowsStayInsideTheClientArea)
{
    frame->resize(587, 369);
    QApplication::processEvents();
    const QRect area = frame->mdiArea()->viewport()->rect();
    for (int i = 0; i < 12; ++i) {
        TMainChildForm* child = newDocument();
        const QRect box = child->subWindow()->geometry();
        EXPECT_TRUE(area.contains(box)) << "window " << i;
        if (i == 0) {
            // At the designed frame size the first window shows its status bar and scroll bars.
            EXPECT_TRUE(child->StatusBar->isVisible());
            const QRect inside = child->rect();
            EXPECT_TRUE(inside.contains(child->StatusBar->geometry()));
            EXPECT_TRUE(child->RichEdit->verticalScrollBar()->isVisible());
            EXPECT_TRUE(child->RichEdit->horizontalScrollBar()->isVisible());
        }
    }
    // In a large frame the windows cascade, then wrap back to the top-left corner.
    frame->resize(1200, 900);
    QApplication::processEvents();
    const QRect big = frame->mdiArea()->viewport()->rect();
    QList<QPoint> corners;
    for (int i = 0; i < 40; ++i) {
        const QRect box = newDocument()->subWindow()->geometry();
        EXPECT_TRUE(big.contains(box)) << "window " << i;
        corners << box.topLeft();
    }
    EXPECT_GT(corners[1].x(), corners[0].x());
    EXPECT_GE(corners.count(big.topLeft()), 1);
}

TEST(WindowPlacement, CascadeWrapsAndShrinks)
{
    const QRect area(0, 0, 600, 400);
    const QSize preferred(485, 350);
    QRect r = newWindowGeometry(area, nullptr, preferred, 25);
    EXPECT_EQ(r, QRect(0, 0, 485, 350));
    QPoint at = r.topLeft();
    r = newWindowGeometry(area, &at, preferred, 25);
    EXPECT_EQ(r, QRect(25, 25, 485, 350));
    at = r.topLeft();
    r = newWindowGeometry(area, &at, preferred, 25);
    EXPECT_EQ(r.topLeft(), QPoint(50, 50));  // 50 + 350 just fits
    at = r.topLeft();
    r = newWindowGeometry(area, &at, preferred, 25);
    EXPECT_EQ(r.topLeft(), QPoint(0, 0));  // 75 + 350 would pass the bottom
    // A small area shrinks the window to fit.
    r = newWindowGeometry(QRect(0, 0, 300, 200), nullptr, preferred, 25);
    EXPECT_EQ(r, QRect(0, 0, 300, 200));
}

TEST(WindowPlacement, IconsStayInsideTheArea)
{
    const QRect area(0, 0, 400, 100);
    const QList<QPoint> at = iconPositions(area, QList<QSize>(7, QSize(160, 30)));
    // Two icons a row, rows from the bottom up; the fourth row would pass the top edge.
    EXPECT_EQ(at[0], QPoint(0, 70));
    EXPECT_EQ(at[1], QPoint(160, 70));
    EXPECT_EQ(at[2], QPoint(0, 40));
    EXPECT_EQ(at[4], QPoint(0, 10));
    EXPECT_EQ(at[6], QPoint(0, 0));
    for (const QPoint& p : at)
        EXPECT_TRUE(area.contains(QRect(p, QSize(160, 30)))) << p.x() << "," << p.y();
    // An icon wider than the area still starts at its left edge.
    EXPECT_EQ(iconPositions(QRect(0, 0, 100, 100), {QSize(160, 30)}).first(), QPoint(0, 70));
}

TEST_F(FrameTest, SearchHitFromTheDialogThenEscapeGivesTheEditorTheKeyboard)
{
    TMainChildForm* child = openFile("a.txt", "eins zwei drei\r\nvier zwei\r\n");
    child->MainMenu_Suchen_Suchen_OnClick();
    QApplication::processEvents();
    TFindDialog* dialog = child->FindDialog();
    ASSERT_TRUE(dialog->isVisible());
    dialog->activateWindow();
    QApplication::processEvents();
    dialog->setFindText("ZWEI");
    auto* matchCase = dialog->findChild<QCheckBox*>();
    ASSERT_TRUE(matchCase);
    // The dialog's own check box and button, clicked.
    QTest::mouseClick(matchCase, Qt::LeftButton, {}, QPoint(5, matchCase->height() / 2));
    EXPECT_TRUE(dialog->matchCase());
    QTest::mouseClick(matchCase, Qt::LeftButton, {}, QPoint(5, matchCase->height() / 2));
    EXPECT_FALSE(dialog->matchCase());
    auto* findNext = dialog->findChild<QPushButton*>("FindNext");
    ASSERT_TRUE(findNext);
    QTest::mouseClick(findNext, Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_EQ(child->RichEdit->SelectionStart(), 5);
    EXPECT_EQ(child->RichEdit->SelectionLength(), 4);
    // The dialog keeps the keyboard for the next search; Escape gives it to the editor.
    EXPECT_TRUE(dialog->isAncestorOf(QApplication::focusWidget()));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == frame.get(); }));
    EXPECT_EQ(QApplication::focusWidget(), child->RichEdit);
    // Typing goes into the editor and replaces the hit.
    QTest::keyClicks(QApplication::focusWidget(), "2");
    EXPECT_EQ(child->RichEdit->Lines().LineText(0), QByteArray("eins 2 drei"));
}

TEST_F(FrameTest, ThreeHundredWindowsCycleListAndCloseAll)
{
    const int n = 300;
    for (int i = 0; i < n; ++i)
        newDocument();
    ASSERT_EQ(frame->documentCount(), n);
    // "&Nächstes" visits every window once, in stack order, and comes back to the first.
    const QList<TMainChildForm*> stack = frame->documents();
    QList<TMainChildForm*> visited;
    for (int i = 0; i < n; ++i) {
        visited << frame->activeDocument();
        frame->MainMenu_Fenster_Naechstes->trigger();
    }
    EXPECT_EQ(visited, stack);
    EXPECT_EQ(frame->activeDocument(), stack.first());
    // The window list names every window, the active one checked.
    emit frame->MainMenu_Fenster->aboutToShow();
    int entries = 0;
    QStringList checked;
    for (QAction* action : frame->MainMenu_Fenster->actions()) {
        if (!action->isCheckable())
            continue;
        ++entries;
        if (action->isChecked())
            checked << action->text();
    }
    EXPECT_EQ(entries, n);
    EXPECT_EQ(checked, QStringList{QString("%1 <Unbenannt>").arg(frame->tabIndexOf(frame->activeDocument()->tag()) + 1)});
    // Alle schließen closes them all.
    TMainChildForm* active = frame->activeDocument();
    active->MainMenu_Datei_AlleSchliessen->trigger();
    QApplication::processEvents();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(frame->documentCount(), 0);
    EXPECT_EQ(frame->pageCtrl()->count(), 0);
}
