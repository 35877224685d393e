#pragma once

#include "toolbars/dockposition.h"

#include <QList>
#include <QPoint>
#include <QRect>

// Where a dragged tool window lands, worked out from the cursor alone so that it can be
// tested without windows. All rectangles and points are in screen coordinates.

// A dock as the drag sees it.
struct DockDropZone {
    TDockPosition position = TDockPosition::dpTop;
    QRect outerRect;          // the dock's whole rectangle (may be 0 pixels thick)
    QRect clientRect;         // inside its boundary lines
    QList<int> rowSpans;      // each row's thickness across, spacing included, row 0 first
};

struct DockDrop {
    int dock = -1;            // index into the zones; -1: the window floats
    int row = 0;              // the row it goes to
    bool newRow = false;      // the rows from `row` on move one further to make room
    int pos = 0;              // its DockPos
};

// How far beyond its inner edge a dock catches a dragged window, so that an empty dock
// (0 pixels thick) can still be hit.
constexpr int kDockCatchMargin = 12;

// The rectangle inside which a dock catches the cursor.
QRect DockCatchRect(const DockDropZone& zone);

// Finds the dock under the cursor (the first that catches it, in the order given) and the
// row and position there. `grabAlong` is how far along its row the cursor holds the
// window; `noDocking` forces floating (the user holds Ctrl).
DockDrop FindDockDrop(const QList<DockDropZone>& zones, QPoint cursor, int grabAlong, bool noDocking);
