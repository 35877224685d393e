#include "app/windowplacement.h"

#include <algorithm>

QRect newWindowGeometry(const QRect& area, const QPoint* previous, const QSize& preferred, int step)
{
    const QSize size(std::max(1, std::min(preferred.width(), area.width())),
                     std::max(1, std::min(preferred.height(), area.height())));
    QPoint at = previous ? *previous + QPoint(step, step) : area.topLeft();
    if (at.x() < area.left() || at.y() < area.top() || at.x() + size.width() > area.left() + area.width() ||
        at.y() + size.height() > area.top() + area.height())
        at = area.topLeft();
    return QRect(at, size);
}

QList<QPoint> iconPositions(const QRect& area, const QList<QSize>& iconSizes)
{
    QList<QPoint> positions;
    int x = area.left();
    int rowBottom = area.top() + area.height();
    int rowHeight = 0;
    for (const QSize& size : iconSizes) {
        if (x > area.left() && x + size.width() > area.left() + area.width()) {
            x = area.left();
            rowBottom -= rowHeight;
            rowHeight = 0;
        }
        rowHeight = std::max(rowHeight, size.height());
        // Rows beyond the top edge stay in the top row, where they can still be reached.
        const int y = std::max(area.top(), rowBottom - size.height());
        positions.append(QPoint(x, y));
        x += size.width();
    }
    return positions;
}
