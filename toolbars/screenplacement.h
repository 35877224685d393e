#pragma once

#include <QList>
#include <QRect>

// Keeping a floating tool window on the screen.

struct ScreenArea {
    QRect geometry;       // the whole screen
    QRect workArea;       // what windows may use (without panels)
};

// The work area of the screen nearest to the window: the one it overlaps most, else the
// one closest to it. Without any screen, the window's own rectangle.
QRect NearestWorkArea(const QRect& window, const QList<ScreenArea>& screens);

// A window that overlaps the work area stays where it is. Otherwise it is moved, keeping
// its size: left by what its right edge lies beyond the area, up by what its bottom lies
// below it, then right by what its left edge lies before the area and down by what its top
// lies above it.
QRect KeepRectInWorkArea(const QRect& window, const QRect& workArea);

// The same for the screens of this display.
QRect KeepRectOnScreen(const QRect& window);
