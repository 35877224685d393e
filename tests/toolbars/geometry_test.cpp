#include "toolbars/docktarget.h"
#include "toolbars/screenplacement.h"
#include "toolbars/toolbarcontentlayout.h"

#include <gtest/gtest.h>

namespace {

DockDropZone zone(TDockPosition position, QRect outer, QList<int> rows)
{
    DockDropZone z;
    z.position = position;
    z.outerRect = outer;
    z.clientRect = outer.adjusted(1, 1, -1, -1);
    z.rowSpans = rows;
    return z;
}

// A frame at (100, 100), 600 x 400: a two-row top dock, empty bottom and left docks and a
// one-column right dock.
QList<DockDropZone> frameZones()
{
    return {zone(TDockPosition::dpTop, QRect(100, 100, 600, 54), {26, 26}),
            zone(TDockPosition::dpBottom, QRect(100, 500, 600, 0), {}),
            zone(TDockPosition::dpLeft, QRect(100, 154, 0, 346), {}),
            zone(TDockPosition::dpRight, QRect(671, 154, 29, 346), {27})};
}

}  // namespace

TEST(DockDrop, RowsAndPositionsOfTheDockUnderTheCursor)
{
    const QList<DockDropZone> zones = frameZones();
    // In the second row of the top dock, held 5 pixels behind the toolbar's start.
    DockDrop d = FindDockDrop(zones, QPoint(300, 130), 5, false);
    EXPECT_EQ(d.dock, 0);
    EXPECT_EQ(d.row, 1);
    EXPECT_FALSE(d.newRow);
    EXPECT_EQ(d.pos, 300 - 101 - 5);
    // Below the last row, within the catch margin: a new row at the end.
    d = FindDockDrop(zones, QPoint(300, 154 + 5), 5, false);
    EXPECT_EQ(d.dock, 0);
    EXPECT_EQ(d.row, 2);
    // Before the start of the dock the position is 0.
    d = FindDockDrop(zones, QPoint(103, 110), 20, false);
    EXPECT_EQ(d.pos, 0);
    EXPECT_EQ(d.row, 0);
}

TEST(DockDrop, EmptyDocksCatchAlongTheirInnerEdge)
{
    const QList<DockDropZone> zones = frameZones();
    DockDrop d = FindDockDrop(zones, QPoint(250, 500 - 6), 5, false);
    EXPECT_EQ(d.dock, 1);
    EXPECT_EQ(d.row, 0);
    EXPECT_EQ(d.pos, 250 - 101 - 5);
    d = FindDockDrop(zones, QPoint(108, 300), 5, false);
    EXPECT_EQ(d.dock, 2);
    EXPECT_EQ(d.pos, 300 - 155 - 5);
    // Beyond the margin the toolbar floats; so it does with Ctrl held.
    EXPECT_EQ(FindDockDrop(zones, QPoint(250, 500 - 20), 5, false).dock, -1);
    EXPECT_EQ(FindDockDrop(zones, QPoint(300, 130), 5, true).dock, -1);
    EXPECT_EQ(FindDockDrop(zones, QPoint(50, 50), 5, false).dock, -1);
}

TEST(DockDrop, InnerSideOfARightDockStartsANewFirstColumn)
{
    const QList<DockDropZone> zones = frameZones();
    DockDrop d = FindDockDrop(zones, QPoint(665, 300), 5, false);
    EXPECT_EQ(d.dock, 3);
    EXPECT_EQ(d.row, 0);
    EXPECT_TRUE(d.newRow);
    d = FindDockDrop(zones, QPoint(680, 300), 5, false);
    EXPECT_EQ(d.dock, 3);
    EXPECT_FALSE(d.newRow);
    EXPECT_EQ(d.pos, 300 - 155 - 5);
}

TEST(ScreenPlacement, WindowsOffTheWorkAreaAreMovedBackKeepingTheirSize)
{
    const QRect area(0, 0, 800, 570);
    // Overlapping by one pixel: left alone.
    EXPECT_EQ(KeepRectInWorkArea(QRect(799, 569, 60, 40), area), QRect(799, 569, 60, 40));
    // Beyond the right and bottom edges: moved so that it ends at them.
    EXPECT_EQ(KeepRectInWorkArea(QRect(900, 700, 60, 40), area), QRect(740, 530, 60, 40));
    // Before the left and above the top edge.
    EXPECT_EQ(KeepRectInWorkArea(QRect(-200, -90, 60, 40), area), QRect(0, 0, 60, 40));
    // Wider than the area: its left edge wins.
    EXPECT_EQ(KeepRectInWorkArea(QRect(1000, 100, 900, 40), QRect(0, 0, 800, 570)), QRect(0, 100, 900, 40));
    // Far away, near the 32-bit limit.
    EXPECT_EQ(KeepRectInWorkArea(QRect(2147480000, 10, 60, 40), area), QRect(740, 10, 60, 40));
}

TEST(ScreenPlacement, NearestScreenGivesTheWorkArea)
{
    const QList<ScreenArea> screens = {{QRect(0, 0, 1000, 800), QRect(0, 30, 1000, 770)},
                                       {QRect(1000, 0, 1200, 900), QRect(1000, 0, 1150, 900)}};
    // Overlapping both: the one it overlaps most.
    EXPECT_EQ(NearestWorkArea(QRect(980, 100, 60, 40), screens), screens[1].workArea);
    EXPECT_EQ(NearestWorkArea(QRect(950, 100, 60, 40), screens), screens[0].workArea);
    // Off both: the closest.
    EXPECT_EQ(NearestWorkArea(QRect(2500, 100, 60, 40), screens), screens[1].workArea);
    EXPECT_EQ(NearestWorkArea(QRect(-500, 2000, 60, 40), screens), screens[0].workArea);
    EXPECT_EQ(KeepRectInWorkArea(QRect(2500, 100, 60, 40), NearestWorkArea(QRect(2500, 100, 60, 40), screens)),
              QRect(2090, 100, 60, 40));
}

TEST(ToolbarContent, ControlsLineUpByPlace)
{
    const QList<ToolbarControlInfo> controls = {{QSize(23, 22)}, {QSize(6, 6), true}, {QSize(23, 22)},
                                                {QSize(40, 30), false, true}, {QSize(23, 22)}};
    ToolbarContentLayout h = LayoutToolbarControls(controls, TToolWindowPlace::Horizontal, 0);
    EXPECT_EQ(h.thickness, 22);
    EXPECT_EQ(h.size, QSize(23 + 6 + 23 + 23, 22));
    EXPECT_EQ(h.rects[1], QRect(23, 0, 6, 22));
    EXPECT_TRUE(h.rects[3].isNull());
    EXPECT_EQ(h.rects[4], QRect(52, 0, 23, 22));

    ToolbarContentLayout v = LayoutToolbarControls(controls, TToolWindowPlace::Vertical, 0);
    EXPECT_EQ(v.thickness, 23);
    EXPECT_EQ(v.size, QSize(23, 22 + 6 + 22 + 22));
    EXPECT_EQ(v.rects[1], QRect(0, 22, 23, 6));

    // Floating with a wrap width of 50: "button, separator" then the next button wraps,
    // and the separator would not begin a line.
    ToolbarContentLayout f = LayoutToolbarControls(controls, TToolWindowPlace::Floating, 50);
    EXPECT_EQ(f.rects[0], QRect(0, 0, 23, 22));
    EXPECT_EQ(f.rects[1], QRect(23, 0, 6, 22));
    EXPECT_EQ(f.rects[2], QRect(0, 22, 23, 22));
    EXPECT_EQ(f.rects[4], QRect(23, 22, 23, 22));
    EXPECT_EQ(f.size, QSize(46, 44));
    const QList<ToolbarControlInfo> sepAtWrap = {{QSize(23, 22)}, {QSize(23, 22)}, {QSize(6, 6), true}, {QSize(23, 22)}};
    ToolbarContentLayout w = LayoutToolbarControls(sepAtWrap, TToolWindowPlace::Floating, 46);
    EXPECT_TRUE(w.rects[2].isEmpty());
    EXPECT_EQ(w.rects[3], QRect(0, 22, 23, 22));
    // Without a limit everything stays in one line; an empty toolbar is 8 thick.
    EXPECT_EQ(LayoutToolbarControls(controls, TToolWindowPlace::Floating, 0).size, QSize(75, 22));
    EXPECT_EQ(LayoutToolbarControls({}, TToolWindowPlace::Horizontal, 0).thickness, 8);
}
