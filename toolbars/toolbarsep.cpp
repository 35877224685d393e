#include "toolbars/toolbarsep.h"

#include "toolbars/toolbarcontentlayout.h"

#include <QPainter>

TToolbarSep::TToolbarSep(QWidget* parent)
    : QWidget(parent)
{
}

QSize TToolbarSep::sizeHint() const
{
    return QSize(kToolbarSeparatorSize, kToolbarSeparatorSize);
}

void TToolbarSep::paintEvent(QPaintEvent*)
{
    if (width() <= 0 || height() <= 0)
        return;
    QPainter painter(this);
    const QColor dark = palette().color(QPalette::Dark);
    const QColor light = palette().color(QPalette::Light);
    if (height() >= width()) {
        const int x = width() / 2 - 1;
        painter.setPen(dark);
        painter.drawLine(x, 0, x, height() - 1);
        painter.setPen(light);
        painter.drawLine(x + 1, 0, x + 1, height() - 1);
    } else {
        const int y = height() / 2 - 1;
        painter.setPen(dark);
        painter.drawLine(0, y, width() - 1, y);
        painter.setPen(light);
        painter.drawLine(0, y + 1, width() - 1, y + 1);
    }
}
