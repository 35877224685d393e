#pragma once

#include <QList>
#include <QRect>

// The row arrangement of a dock, free of any widget: the dock hands in one record per
// visible docked tool window, in the order of its docked list, and gets back the new
// order, the rows and positions rewritten, every window's place and its own thickness.
//
// Rows run along the dock: across a top or bottom dock from left to right, down a left
// or right dock from top to bottom. Row 0 lies at the dock's top (or left) edge.

struct DockRowItem {
    int row = 0;             // DockRow
    int pos = -1;            // DockPos: offset along the row; -1 means not set
    int length = 0;          // the window's own size along the row
    int thickness = 8;       // what the window needs across the row
    bool fullSize = false;   // spans the dock and has its row to itself
    QRect place;             // result: the window's rectangle in the dock's client area
};

struct DockRowParams {
    bool vertical = false;        // a left or right dock
    bool limitToOneRow = false;   // every window goes into row 0
    bool fixAlign = false;        // an empty dock keeps 1 pixel instead of 0
    int clientLength = 0;         // the dock's inner length (client width or height)
    int border = 0;               // the dock's non-client size across (both sides together)
};

struct DockRowArrangement {
    QList<int> order;      // indices into the items, in the docked list's new order
    QList<int> rowSizes;   // thickness of each row, without the 4 pixels of spacing
    int thickness = 0;     // the dock's new outer thickness
};

// Extra pixels each row takes across beyond its thickness.
constexpr int kDockRowSpacing = 4;
// The least thickness of a row.
constexpr int kDockRowMinThickness = 8;

// Arranges the windows of one dock: sorts them by row and position, closes up empty rows,
// gives a full-size window a row of its own, keeps the windows of a row from
// overlapping, slides a row that runs past the far edge back, and places every window.
DockRowArrangement ArrangeDockRows(QList<DockRowItem>& items, const DockRowParams& params);
