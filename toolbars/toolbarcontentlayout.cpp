#include "toolbars/toolbarcontentlayout.h"

#include <algorithm>

ToolbarContentLayout LayoutToolbarControls(const QList<ToolbarControlInfo>& controls, TToolWindowPlace place,
                                           int wrapWidth)
{
    ToolbarContentLayout layout;
    const bool vertical = place == TToolWindowPlace::Vertical;
    // Docked thickness: separators do not count, nor do hidden controls.
    for (const ToolbarControlInfo& c : controls) {
        if (!c.separator && !c.hidden)
            layout.thickness = std::max(layout.thickness, vertical ? c.size.width() : c.size.height());
    }
    const int t = layout.thickness;

    if (place != TToolWindowPlace::Floating) {
        int along = 0;
        for (const ToolbarControlInfo& c : controls) {
            if (c.hidden) {
                layout.rects.append(QRect());
                continue;
            }
            QRect r;
            if (vertical)
                r = c.separator ? QRect(0, along, t, kToolbarSeparatorSize) : QRect(QPoint(0, along), c.size);
            else
                r = c.separator ? QRect(along, 0, kToolbarSeparatorSize, t) : QRect(QPoint(along, 0), c.size);
            layout.rects.append(r);
            along += vertical ? r.height() : r.width();
        }
        layout.size = vertical ? QSize(t, along) : QSize(along, t);
        return layout;
    }

    int x = 0;
    int y = 0;
    int lineHeight = 0;
    int width = 0;
    for (const ToolbarControlInfo& c : controls) {
        if (c.hidden) {
            layout.rects.append(QRect());
            continue;
        }
        const QSize size = c.separator ? QSize(kToolbarSeparatorSize, t) : c.size;
        if (wrapWidth > 0 && x > 0 && x + size.width() > wrapWidth) {
            y += lineHeight;
            x = 0;
            lineHeight = 0;
        }
        if (c.separator && x == 0) {
            layout.rects.append(QRect());
            continue;
        }
        layout.rects.append(QRect(QPoint(x, y), size));
        x += size.width();
        width = std::max(width, x);
        lineHeight = std::max(lineHeight, size.height());
    }
    layout.size = QSize(width, y + lineHeight);
    return layout;
}
