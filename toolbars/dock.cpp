#include "toolbars/dock.h"

#include "toolbars/dockrowlayout.h"
#include "toolbars/toolwindow.h"

#include <QPainter>
#include <QResizeEvent>

namespace {

QList<TDock*>& dockRegistry()
{
    static QList<TDock*> docks;
    return docks;
}

}  // namespace

TDock::TDock(TDockPosition position, QWidget* owner)
    : QWidget(owner), position_(position), owner_(owner)
{
    dockRegistry().append(this);
    setAttribute(Qt::WA_StyledBackground, false);
    applySizePolicy();
    applyThickness(0);
    arrangePending_ = true;
}

TDock::~TDock()
{
    dockRegistry().removeAll(this);
    // The tool windows still docked here go down with the dock; they must not call back.
    for (TCustomToolWindow* window : TCustomToolWindow::allToolWindows()) {
        if (window->dock_ == this)
            window->dock_ = nullptr;
    }
    docked_.clear();
}

QList<TDock*> TDock::ownedBy(const QWidget* owner)
{
    QList<TDock*> result;
    for (TDock* dock : dockRegistry()) {
        if (dock->owner_ == owner)
            result.append(dock);
    }
    return result;
}

void TDock::setPosition(TDockPosition position)
{
    if (position_ == position)
        return;
    const bool wasVertical = isVertical();
    position_ = position;
    applySizePolicy();
    if (wasVertical != isVertical()) {
        for (TCustomToolWindow* window : TCustomToolWindow::allToolWindows()) {
            if (window->dock_ == this)
                window->updatePlaceLayout();
        }
    }
    arrange();
}

void TDock::setLimitToOneRow(bool on)
{
    limitToOneRow_ = on;
    arrange();
}

void TDock::setFixAlign(bool on)
{
    fixAlign_ = on;
    arrange();
}

void TDock::beginUpdate()
{
    ++updateCounter_;
}

void TDock::endUpdate()
{
    if (updateCounter_ > 0)
        --updateCounter_;
    if (updateCounter_ == 0 && arrangePending_)
        arrange();
}

QRect TDock::clientArea() const
{
    return QRect(kBoundLine, kBoundLine, std::max(0, width() - 2 * kBoundLine),
                 std::max(0, height() - 2 * kBoundLine));
}

void TDock::arrange()
{
    if (updateCounter_ > 0 || !isVisible()) {
        arrangePending_ = true;
        return;
    }
    ++updateCounter_;
    struct Done {
        TDock* dock;
        ~Done()
        {
            --dock->updateCounter_;
            dock->arrangePending_ = false;
        }
    } done{this};
    raise();

    const bool vertical = isVertical();
    QList<DockRowItem> items;
    for (TCustomToolWindow* window : docked_) {
        DockRowItem item;
        item.row = window->DockRow();
        item.pos = window->DockPos();
        item.length = vertical ? window->height() : window->width();
        item.thickness = window->dockedThickness();
        item.fullSize = window->FullSize();
        items.append(item);
    }
    DockRowParams params;
    params.vertical = vertical;
    params.limitToOneRow = limitToOneRow_;
    params.fixAlign = fixAlign_;
    params.clientLength = vertical ? clientArea().height() : clientArea().width();
    params.border = 2 * kBoundLine;
    const DockRowArrangement arrangement = ArrangeDockRows(items, params);

    QList<TCustomToolWindow*> ordered;
    for (int index : arrangement.order) {
        TCustomToolWindow* window = docked_[index];
        const DockRowItem& item = items[index];
        window->dockRow_ = item.row;
        window->dockPos_ = item.pos;
        window->placing_ = true;
        window->setGeometry(item.place.translated(kBoundLine, kBoundLine));
        window->placing_ = false;
        ordered.append(window);
    }
    docked_ = ordered;
    rowSizes_ = arrangement.rowSizes;
    applyThickness(arrangement.thickness);
}

void TDock::updateMembership(TCustomToolWindow* window, bool inserting)
{
    bool changed = false;
    if (inserting) {
        docked_.removeAll(window);
        if (window->Visible()) {
            docked_.append(window);
            changed = true;
        }
    } else {
        changed = docked_.removeAll(window) > 0;
    }
    if (!changed)
        return;
    arrange();
    emit OnInsertRemoveBar(this, inserting, window);
}

void TDock::forget(TCustomToolWindow* window)
{
    if (docked_.removeAll(window) > 0)
        arrange();
}

void TDock::putFirst(TCustomToolWindow* window)
{
    if (docked_.removeAll(window) > 0)
        docked_.prepend(window);
}

void TDock::applyThickness(int thickness)
{
    thickness_ = thickness;
    if (isVertical()) {
        setMinimumHeight(0);
        setMaximumHeight(QWIDGETSIZE_MAX);
        setFixedWidth(thickness);
    } else {
        setMinimumWidth(0);
        setMaximumWidth(QWIDGETSIZE_MAX);
        setFixedHeight(thickness);
    }
}

void TDock::applySizePolicy()
{
    if (isVertical())
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Ignored);
    else
        setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    applyThickness(thickness_);
}

void TDock::paintEvent(QPaintEvent*)
{
    if (width() <= 0 || height() <= 0)
        return;
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void TDock::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const bool lengthChanged = isVertical() ? event->size().height() != event->oldSize().height()
                                            : event->size().width() != event->oldSize().width();
    if (lengthChanged || arrangePending_)
        arrange();
}

void TDock::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    arrange();
}
