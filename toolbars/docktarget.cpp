#include "toolbars/docktarget.h"

#include <algorithm>

QRect DockCatchRect(const DockDropZone& zone)
{
    const QRect r = zone.outerRect;
    const int w = std::max(0, r.width());
    const int h = std::max(0, r.height());
    switch (zone.position) {
    case TDockPosition::dpTop:
        return QRect(r.left(), r.top(), w, h + kDockCatchMargin);
    case TDockPosition::dpBottom:
        return QRect(r.left(), r.top() - kDockCatchMargin, w, h + kDockCatchMargin);
    case TDockPosition::dpLeft:
        return QRect(r.left(), r.top(), w + kDockCatchMargin, h);
    case TDockPosition::dpRight:
        return QRect(r.left() - kDockCatchMargin, r.top(), w + kDockCatchMargin, h);
    }
    return r;
}

DockDrop FindDockDrop(const QList<DockDropZone>& zones, QPoint cursor, int grabAlong, bool noDocking)
{
    DockDrop drop;
    if (noDocking)
        return drop;
    for (int i = 0; i < zones.size(); ++i) {
        const DockDropZone& zone = zones[i];
        if (!DockCatchRect(zone).contains(cursor))
            continue;
        const bool vertical = IsVerticalDock(zone.position);
        const int across = vertical ? cursor.x() - zone.clientRect.left() : cursor.y() - zone.clientRect.top();
        const int along = vertical ? cursor.y() - zone.clientRect.top() : cursor.x() - zone.clientRect.left();
        drop.dock = i;
        drop.pos = std::max(0, along - grabAlong);
        if (zone.rowSpans.isEmpty()) {
            drop.row = 0;
        } else if (across < 0) {
            // On the inner side of a bottom or right dock: a new row before the others.
            drop.row = 0;
            drop.newRow = true;
        } else {
            int start = 0;
            drop.row = zone.rowSpans.size();  // past the last row: a new row at the end
            for (int r = 0; r < zone.rowSpans.size(); ++r) {
                if (across < start + zone.rowSpans[r]) {
                    drop.row = r;
                    break;
                }
                start += zone.rowSpans[r];
            }
        }
        return drop;
    }
    return drop;
}
