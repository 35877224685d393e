#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>

// Where a new document window goes inside the frame's client area: one step below and
// right of the previous new window, back in the top-left corner when it would not fit
// whole there. A client area smaller than the preferred size shrinks the window, so that
// its status bar and scroll bars stay in sight. previous is null for the first window.
QRect newWindowGeometry(const QRect& area, const QPoint* previous, const QSize& preferred, int step);

// Positions for the icons of minimised windows: rows from the bottom edge of the area,
// left to right, a new row above when the next icon would pass the right edge. No icon
// leaves the area while it has room for one.
QList<QPoint> iconPositions(const QRect& area, const QList<QSize>& iconSizes);
