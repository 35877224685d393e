#include "toolbars/screenplacement.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <limits>

namespace {

qint64 distanceSquared(const QRect& a, const QRect& b)
{
    // Gap between the rectangles along each axis, 0 where they overlap.
    const qint64 dx = std::max<qint64>({0, qint64(b.left()) - (qint64(a.left()) + a.width()),
                                        qint64(a.left()) - (qint64(b.left()) + b.width())});
    const qint64 dy = std::max<qint64>({0, qint64(b.top()) - (qint64(a.top()) + a.height()),
                                        qint64(a.top()) - (qint64(b.top()) + b.height())});
    return dx * dx + dy * dy;
}

}  // namespace

QRect NearestWorkArea(const QRect& window, const QList<ScreenArea>& screens)
{
    if (screens.isEmpty())
        return window;
    int best = 0;
    qint64 bestOverlap = -1;
    qint64 bestDistance = std::numeric_limits<qint64>::max();
    for (int i = 0; i < screens.size(); ++i) {
        const QRect common = screens[i].geometry.intersected(window);
        const qint64 overlap = common.isEmpty() ? 0 : qint64(common.width()) * common.height();
        const qint64 distance = distanceSquared(window, screens[i].geometry);
        if (overlap > bestOverlap || (overlap == 0 && bestOverlap == 0 && distance < bestDistance)) {
            best = i;
            bestOverlap = overlap;
            bestDistance = distance;
        }
    }
    return screens[best].workArea.isValid() ? screens[best].workArea : screens[best].geometry;
}

QRect KeepRectInWorkArea(const QRect& window, const QRect& workArea)
{
    if (window.intersects(workArea))
        return window;
    // Edges as exclusive coordinates, in 64 bits so that far-off positions do not wrap.
    qint64 left = window.left();
    qint64 top = window.top();
    const qint64 width = window.width();
    const qint64 height = window.height();
    const qint64 areaRight = qint64(workArea.left()) + workArea.width();
    const qint64 areaBottom = qint64(workArea.top()) + workArea.height();
    if (left + width > areaRight)
        left -= left + width - areaRight;
    if (top + height > areaBottom)
        top -= top + height - areaBottom;
    if (left < workArea.left())
        left = workArea.left();
    if (top < workArea.top())
        top = workArea.top();
    return QRect(int(left), int(top), int(width), int(height));
}

QRect KeepRectOnScreen(const QRect& window)
{
    QList<ScreenArea> screens;
    for (QScreen* screen : QGuiApplication::screens())
        screens.append({screen->geometry(), screen->availableGeometry()});
    return KeepRectInWorkArea(window, NearestWorkArea(window, screens));
}
