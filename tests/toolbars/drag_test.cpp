#include "testform.h"

#include "toolbars/floatingwindow.h"

#include <QTest>
#include <gtest/gtest.h>

namespace {

const QPoint kGrip(5, 10);  // on the grip of a docked horizontal toolbar

QPoint dockPoint(TDock* dock, QPoint inClient)
{
    return dock->mapToGlobal(dock->clientArea().topLeft() + inClient);
}

}  // namespace

TEST(DragToolbars, SuchenMovesToDockBottom)
{
    TestForm f;
    TToolbar* suchen = f.toolbar("Suchen");
    // The bottom dock is empty and 0 pixels high: it catches the cursor just above it.
    const QPoint target = f.bottom()->mapToGlobal(QPoint(200, -5));
    dragWidget(suchen, kGrip, target);
    EXPECT_EQ(suchen->DockedTo(), f.bottom());
    EXPECT_EQ(suchen->DockRow(), 0);
    EXPECT_EQ(suchen->DockPos(), 200 - 1 - kGrip.x());
    EXPECT_EQ(f.bottom()->height(), 28);
    EXPECT_EQ(f.bottom()->dockedList(), QList<TCustomToolWindow*>{suchen});
    EXPECT_FALSE(f.top()->dockedList().contains(suchen));
    // The top dock keeps its other toolbars where they were.
    EXPECT_EQ(f.toolbar("Optionen")->DockPos(), 438);
    EXPECT_EQ(f.top()->height(), 28);
    // The central area lost 28 pixels at the bottom.
    EXPECT_EQ(f.central()->geometry().bottom() + 1, f.bottom()->geometry().top());
}

TEST(DragToolbars, MovingWithinARowAndToANewRow)
{
    TestForm f;
    TToolbar* fenster = f.toolbar("Fenster");
    // Further along the same row.
    dragWidget(fenster, kGrip, dockPoint(f.top(), QPoint(600 + kGrip.x(), 10)));
    EXPECT_EQ(fenster->DockedTo(), f.top());
    EXPECT_EQ(fenster->DockRow(), 0);
    EXPECT_EQ(fenster->DockPos(), 600);

    // Just below the last row of DockTop: a second row.
    dragWidget(fenster, kGrip, dockPoint(f.top(), QPoint(50 + kGrip.x(), 26 + 6)));
    EXPECT_EQ(fenster->DockRow(), 1);
    EXPECT_EQ(fenster->DockPos(), 50);
    EXPECT_EQ(f.top()->height(), 2 * 26 + 2);
    EXPECT_EQ(fenster->geometry().topLeft(), QPoint(1 + 50, 1 + 26));

    // Into the first row, onto Datei: it goes after the toolbar it lands behind.
    dragWidget(fenster, kGrip, dockPoint(f.top(), QPoint(20 + kGrip.x(), 10)));
    EXPECT_EQ(fenster->DockRow(), 0);
    EXPECT_EQ(f.top()->height(), 28);
    EXPECT_EQ(fenster->DockPos(), 111);
    EXPECT_EQ(f.toolbar("Bearbeiten")->DockPos(), 111 + 82);

    // Dropped at the start of the row, it goes first and Datei moves behind it.
    dragWidget(fenster, kGrip, dockPoint(f.top(), QPoint(kGrip.x(), 10)));
    EXPECT_EQ(fenster->DockPos(), 0);
    EXPECT_EQ(f.toolbar("Datei")->DockPos(), 82);
    EXPECT_EQ(f.top()->dockedList().first(), fenster);

    // A short move is no drag: nothing changes.
    const QPoint before = fenster->pos();
    dragWidget(fenster, kGrip, fenster->mapToGlobal(kGrip + QPoint(1, 0)));
    EXPECT_EQ(fenster->pos(), before);
}

TEST(DragToolbars, SuchenFloatsWhenDroppedOffTheDocks)
{
    TestForm f;
    TToolbar* suchen = f.toolbar("Suchen");
    const QPoint target = f.central()->mapToGlobal(f.central()->rect().center());
    dragWidget(suchen, kGrip, target);
    ASSERT_TRUE(suchen->isFloating());
    EXPECT_EQ(suchen->DockedTo(), nullptr);
    TFloatingToolWindow* window = suchen->floatingWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), "Suchen");
    // The cursor holds the title bar where it held the grip.
    EXPECT_EQ(target - window->pos(), QPoint(kGrip.x(), TFloatingToolWindow::kFrame + window->titleHeight() / 2));
    EXPECT_EQ(suchen->floatingPosition(), window->pos());
    EXPECT_FALSE(f.top()->dockedList().contains(suchen));

    // Dragging the title moves the floating window.
    const QPoint title(20, TFloatingToolWindow::kFrame + 2);
    dragWidget(window, title, target + QPoint(30, 40));
    EXPECT_TRUE(suchen->isFloating());
    EXPECT_EQ(window->pos() + title, target + QPoint(30, 40));

    // With Ctrl held, a drop over a dock still floats.
    dragWidget(window, title, dockPoint(f.top(), QPoint(300, 10)), Qt::ControlModifier);
    EXPECT_TRUE(suchen->isFloating());
    EXPECT_EQ(window->pos() + title, dockPoint(f.top(), QPoint(300, 10)));

    // Dragging the title onto DockLeft docks it there, with its buttons stacked.
    dragWidget(window, title, dockPoint(f.left(), QPoint(3, 100)));
    EXPECT_EQ(suchen->DockedTo(), f.left());
    EXPECT_EQ(suchen->place(), TToolWindowPlace::Vertical);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(f.left()->width(), 29);
    EXPECT_EQ(suchen->DockPos(), 100 - TCustomToolWindow::kBorder - TCustomToolWindow::kGripSize / 2);
}

TEST(DragToolbars, EscapeCancelsADrag)
{
    TestForm f;
    TToolbar* suchen = f.toolbar("Suchen");
    QTest::mousePress(suchen, Qt::LeftButton, {}, kGrip);
    QTest::mouseMove(suchen, suchen->mapFromGlobal(f.bottom()->mapToGlobal(QPoint(100, -3))));
    EXPECT_TRUE(suchen->isDragging());
    QTest::keyClick(f.form(), Qt::Key_Escape);
    EXPECT_FALSE(suchen->isDragging());
    QTest::mouseRelease(suchen, Qt::LeftButton, {}, suchen->mapFromGlobal(f.bottom()->mapToGlobal(QPoint(100, -3))));
    EXPECT_EQ(suchen->DockedTo(), f.top());
    EXPECT_EQ(suchen->DockPos(), 379);
}

TEST(DragToolbars, DoubleClicksFloatAndDockBack)
{
    TestForm f;
    TToolbar* optionen = f.toolbar("Optionen");
    optionen->setDockedTo(f.right());
    TestForm::settle();
    const int row = optionen->DockRow();
    const int pos = optionen->DockPos();
    const QPoint docked = optionen->mapToGlobal(QPoint(0, 0));

    // Never floated before: it floats where it was docked.
    QTest::mouseDClick(optionen, Qt::LeftButton, {}, QPoint(10, 5));
    TestForm::settle();
    ASSERT_TRUE(optionen->isFloating());
    TFloatingToolWindow* window = optionen->floatingWindow();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->pos() + window->contentOrigin(), docked);
    EXPECT_EQ(f.right()->width(), 0);

    // A double-click on the title docks it back where it was.
    window->move(window->pos() + QPoint(60, 20));
    QTest::mouseDClick(window, Qt::LeftButton, {}, QPoint(15, TFloatingToolWindow::kFrame + 2));
    TestForm::settle();
    EXPECT_EQ(optionen->DockedTo(), f.right());
    EXPECT_EQ(optionen->DockRow(), row);
    EXPECT_EQ(optionen->DockPos(), pos);
    EXPECT_EQ(f.right()->width(), 29);

    // Floating again, it goes back to where it floated last.
    const QPoint last = optionen->floatingPosition();
    QTest::mouseDClick(optionen, Qt::LeftButton, {}, QPoint(10, 5));
    EXPECT_TRUE(optionen->isFloating());
    EXPECT_EQ(optionen->floatingWindow()->pos(), last);
}

TEST(DragToolbars, DraggingTheRightEdgeWrapsAFloatingToolbar)
{
    TestForm f;
    TToolbar* bearbeiten = f.toolbar("Bearbeiten");
    bearbeiten->setFloatingPosition(QPoint(100, 200));
    bearbeiten->setDockedTo(nullptr);
    TFloatingToolWindow* window = bearbeiten->floatingWindow();
    const int oneLine = window->width();
    const QPoint edge(window->width() - 2, window->height() - 6);
    QTest::mousePress(window, Qt::LeftButton, {}, edge);
    QTest::mouseMove(window, edge - QPoint(80, 0));
    QTest::mouseRelease(window, Qt::LeftButton, {}, edge - QPoint(80, 0));
    // 144 pixels of buttons and a separator, narrowed by 80: two buttons (and the
    // separator after them) per line, in three lines.
    EXPECT_EQ(bearbeiten->floatWrapWidth(), 144 - 80);
    EXPECT_EQ(bearbeiten->size(), QSize(2 * 23 + 6 + 2, 3 * 22 + 2));
    EXPECT_EQ(window->size(), window->sizeAround(bearbeiten->size()));
    EXPECT_LT(window->width(), oneLine);
    EXPECT_EQ(window->pos(), QPoint(100, 200));
}
