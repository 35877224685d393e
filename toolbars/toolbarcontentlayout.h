#pragma once

#include "toolbars/dockposition.h"

#include <QList>
#include <QRect>
#include <QSize>

// How a toolbar lines up its controls, free of any widget.

struct ToolbarControlInfo {
    QSize size;               // the control's own size
    bool separator = false;   // a separator takes kToolbarSeparatorSize along the line
    bool hidden = false;      // a hidden control takes no room
};

struct ToolbarContentLayout {
    QList<QRect> rects;   // per control, relative to the content's top-left; empty when not shown
    QSize size;           // the content's size
    int thickness = 8;    // the docked thickness: 8, raised to the largest control across
};

constexpr int kToolbarSeparatorSize = 6;

// Docked on a top or bottom dock the controls run from left to right, on a left or right
// dock from top to bottom. Floating, they run from left to right and wrap into a further
// line where the next control would end beyond `wrapWidth` (0: no limit); a separator that
// would begin a line is left out.
ToolbarContentLayout LayoutToolbarControls(const QList<ToolbarControlInfo>& controls, TToolWindowPlace place,
                                           int wrapWidth);
