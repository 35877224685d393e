#include "toolbars/dockrowlayout.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

DockRowItem item(int row, int pos, int length, int thickness = 22, bool fullSize = false)
{
    DockRowItem i;
    i.row = row;
    i.pos = pos;
    i.length = length;
    i.thickness = thickness;
    i.fullSize = fullSize;
    return i;
}

DockRowParams horizontal(int clientLength, int border = 2)
{
    DockRowParams p;
    p.clientLength = clientLength;
    p.border = border;
    return p;
}

}  // namespace

TEST(DockRowLayout, SixToolbarsAtTheirDesignPositionsStayPut)
{
    // The six toolbars of the frame, each as long as the gap to the next.
    const int pos[] = {0, 111, 268, 379, 438, 503};
    const int len[] = {111, 157, 111, 59, 65, 82};
    QList<DockRowItem> items;
    for (int i = 0; i < 6; ++i)
        items.append(item(0, pos[i], len[i]));
    const DockRowArrangement a = ArrangeDockRows(items, horizontal(798));
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(items[i].row, 0);
        EXPECT_EQ(items[i].pos, pos[i]);
        EXPECT_EQ(items[i].place, QRect(pos[i], 0, len[i], 26));
    }
    EXPECT_EQ(a.rowSizes, QList<int>{22});
    EXPECT_EQ(a.thickness, 22 + 4 + 2);
    EXPECT_EQ(a.order, (QList<int>{0, 1, 2, 3, 4, 5}));
}

TEST(DockRowLayout, OverlapIsPushedToTheEndOfThePreviousWindow)
{
    QList<DockRowItem> items{item(0, 0, 100), item(0, 10, 50)};
    ArrangeDockRows(items, horizontal(500));
    EXPECT_EQ(items[0].pos, 0);
    EXPECT_EQ(items[1].pos, 100);

    // An unset position (-1) takes the running end; the docked-list order does not matter.
    QList<DockRowItem> unset{item(0, -1, 40), item(0, 0, 30)};
    const DockRowArrangement a = ArrangeDockRows(unset, horizontal(500));
    EXPECT_EQ(a.order, (QList<int>{0, 1}));
    EXPECT_EQ(unset[0].pos, 0);
    EXPECT_EQ(unset[1].pos, 40);

    QList<DockRowItem> reversed{item(0, 200, 40), item(0, 50, 30)};
    const DockRowArrangement b = ArrangeDockRows(reversed, horizontal(500));
    EXPECT_EQ(b.order, (QList<int>{1, 0}));
    EXPECT_EQ(reversed[0].pos, 200);
    EXPECT_EQ(reversed[1].pos, 50);
}

TEST(DockRowLayout, EmptyRowsAreClosedUp)
{
    QList<DockRowItem> items{item(3, 0, 50), item(0, 0, 50)};
    const DockRowArrangement a = ArrangeDockRows(items, horizontal(500));
    EXPECT_EQ(items[1].row, 0);
    EXPECT_EQ(items[0].row, 1);
    EXPECT_EQ(a.rowSizes.size(), 2);
    EXPECT_EQ(items[0].place.top(), 26);
    EXPECT_EQ(a.thickness, 2 * 26 + 2);

    // Several gaps in a row of numbers, and a row number near the 32-bit limit.
    QList<DockRowItem> gaps{item(5, 0, 10), item(2, 0, 10), item(0, 0, 10),
                            item(std::numeric_limits<int>::max(), 0, 10)};
    ArrangeDockRows(gaps, horizontal(500));
    EXPECT_EQ(gaps[2].row, 0);
    EXPECT_EQ(gaps[1].row, 1);
    EXPECT_EQ(gaps[0].row, 2);
    EXPECT_EQ(gaps[3].row, 3);

    // A negative row (from a damaged settings file) counts as row 0 and is still placed.
    QList<DockRowItem> negative{item(-4, 0, 10), item(1, 0, 10)};
    ArrangeDockRows(negative, horizontal(500));
    EXPECT_EQ(negative[0].row, 0);
    EXPECT_EQ(negative[1].row, 1);
    EXPECT_EQ(negative[0].place, QRect(0, 0, 10, 26));
}

TEST(DockRowLayout, FullSizeWindowTakesARowOfItsOwn)
{
    QList<DockRowItem> items{item(0, 0, 80), item(0, 120, 200, 30, true), item(1, 0, 60)};
    const DockRowArrangement a = ArrangeDockRows(items, horizontal(600));
    EXPECT_EQ(items[1].row, 0);
    EXPECT_EQ(items[1].pos, 0);
    EXPECT_EQ(items[1].place, QRect(0, 0, 600, 34));
    EXPECT_EQ(items[0].row, 1);
    EXPECT_EQ(items[2].row, 2);
    EXPECT_EQ(a.rowSizes, (QList<int>{30, 22, 22}));
    EXPECT_EQ(items[0].place, QRect(0, 34, 80, 26));
    EXPECT_EQ(items[2].place, QRect(0, 60, 60, 26));

    // Alone in its row it keeps the row and spans the dock, also in a vertical dock.
    QList<DockRowItem> alone{item(0, 40, 100, 23, true)};
    DockRowParams vertical = horizontal(300);
    vertical.vertical = true;
    ArrangeDockRows(alone, vertical);
    EXPECT_EQ(alone[0].pos, 0);
    EXPECT_EQ(alone[0].place, QRect(0, 0, 27, 300));
}

TEST(DockRowLayout, OverrunningRowSlidesBackAndClampsAtZero)
{
    // The last window ends 30 pixels beyond a 400-pixel dock: the whole row moves back.
    QList<DockRowItem> items{item(0, 100, 50), item(0, 200, 50), item(0, 380, 50)};
    ArrangeDockRows(items, horizontal(400));
    EXPECT_EQ(items[0].pos, 70);
    EXPECT_EQ(items[1].pos, 170);
    EXPECT_EQ(items[2].pos, 350);
    EXPECT_EQ(items[2].place.right() + 1, 400);

    // Moving back 30 would put the first window at -10: it starts at 0 and the next one
    // no earlier than its end.
    QList<DockRowItem> tight{item(0, 20, 100), item(0, 130, 300)};
    ArrangeDockRows(tight, horizontal(400));
    EXPECT_EQ(tight[0].pos, 0);
    EXPECT_EQ(tight[1].pos, 100);

    // A row longer than the dock starts at 0 and runs past the far edge.
    QList<DockRowItem> longRow{item(0, 0, 300), item(0, 300, 300)};
    ArrangeDockRows(longRow, horizontal(400));
    EXPECT_EQ(longRow[0].pos, 0);
    EXPECT_EQ(longRow[1].pos, 300);

    // Only the overrunning row moves; a position near the 32-bit limit does not wrap round.
    QList<DockRowItem> twoRows{item(0, 10, 50), item(1, std::numeric_limits<int>::max(), 50)};
    ArrangeDockRows(twoRows, horizontal(400));
    EXPECT_EQ(twoRows[0].pos, 10);
    EXPECT_EQ(twoRows[1].pos, 350);
}

TEST(DockRowLayout, EmptyDockShrinksToNothingOrOnePixel)
{
    QList<DockRowItem> none;
    DockRowParams p = horizontal(300);
    EXPECT_EQ(ArrangeDockRows(none, p).thickness, 0);
    p.fixAlign = true;
    EXPECT_EQ(ArrangeDockRows(none, p).thickness, 1);
    EXPECT_TRUE(ArrangeDockRows(none, p).rowSizes.isEmpty());
}

TEST(DockRowLayout, LimitToOneRowLinesEverythingUp)
{
    QList<DockRowItem> items{item(2, 0, 40), item(0, 0, 30), item(1, 10, 20)};
    DockRowParams p = horizontal(500);
    p.limitToOneRow = true;
    const DockRowArrangement a = ArrangeDockRows(items, p);
    for (const DockRowItem& i : items)
        EXPECT_EQ(i.row, 0);
    // The sort by the old rows decides the order along the single row.
    EXPECT_EQ(items[1].pos, 0);
    EXPECT_EQ(items[2].pos, 30);
    EXPECT_EQ(items[0].pos, 50);
    EXPECT_EQ(a.rowSizes.size(), 1);
}

TEST(DockRowLayout, VerticalDockStacksAlongItsHeight)
{
    // Two columns in a left dock; the thickest window decides each column's width.
    QList<DockRowItem> items{item(0, 0, 100, 23), item(0, 50, 80, 23), item(1, 0, 60, 30)};
    DockRowParams p = horizontal(500);
    p.vertical = true;
    const DockRowArrangement a = ArrangeDockRows(items, p);
    EXPECT_EQ(items[0].place, QRect(0, 0, 27, 100));
    EXPECT_EQ(items[1].place, QRect(0, 100, 27, 80));
    EXPECT_EQ(items[2].place, QRect(27, 0, 34, 60));
    EXPECT_EQ(a.thickness, 27 + 34 + 2);

    // A window thinner than 8 still gets a row of 8.
    QList<DockRowItem> thin{item(0, 0, 20, 3)};
    EXPECT_EQ(ArrangeDockRows(thin, p).rowSizes, QList<int>{8});
}
