#include "toolbars/toolwindow.h"

#include "toolbars/dock.h"
#include "toolbars/docktarget.h"
#include "toolbars/floatingwindow.h"
#include "toolbars/screenplacement.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QRubberBand>

namespace {

QList<TCustomToolWindow*>& toolWindowRegistry()
{
    static QList<TCustomToolWindow*> windows;
    return windows;
}

QRect globalRect(const QWidget* widget, const QRect& local)
{
    return QRect(widget->mapToGlobal(local.topLeft()), local.size());
}

}  // namespace

struct TCustomToolWindow::DragState {
    QPoint pressGlobal;
    QPoint grabOffset;
    bool fromFloating = false;
    bool started = false;
    std::unique_ptr<QRubberBand> outline;
};

TCustomToolWindow::TCustomToolWindow(QWidget* owner)
    : QWidget(owner), owner_(owner)
{
    toolWindowRegistry().append(this);
    // Not shown anywhere until it is docked or floats.
    QWidget::setVisible(false);
    setAutoFillBackground(true);
    if (owner)
        owner->installEventFilter(this);
}

TCustomToolWindow::~TCustomToolWindow()
{
    drag_.reset();
    toolWindowRegistry().removeAll(this);
    if (dock_) {
        TDock* dock = dock_;
        dock_ = nullptr;
        dock->forget(this);
    }
    if (floatWin_)
        floatWin_->deleteLater();
}

QList<TCustomToolWindow*> TCustomToolWindow::ownedBy(const QWidget* owner)
{
    QList<TCustomToolWindow*> result;
    for (TCustomToolWindow* window : toolWindowRegistry()) {
        if (window->owner_ == owner)
            result.append(window);
    }
    return result;
}

QList<TCustomToolWindow*> TCustomToolWindow::allToolWindows()
{
    return toolWindowRegistry();
}

void TCustomToolWindow::setVisible(bool visible)
{
    if (internal_) {
        QWidget::setVisible(visible);
        return;
    }
    if (visible_ == visible)
        return;
    visible_ = visible;
    applyVisibility();
}

void TCustomToolWindow::applyVisibility()
{
    internal_ = true;
    QWidget::setVisible(dock_ ? visible_ : floating_);
    internal_ = false;
    if (floating_ && floatWin_)
        floatWin_->setVisible(visible_ && ownerShown());
    if (dock_)
        dock_->updateMembership(this, visible_);
}

void TCustomToolWindow::setCaption(const QString& caption)
{
    caption_ = caption;
    setWindowTitle(caption);
    if (floatWin_) {
        floatWin_->setWindowTitle(caption);
        floatWin_->fitToContents();
        floatWin_->update();
    }
}

void TCustomToolWindow::setFullSize(bool on)
{
    if (fullSize_ == on)
        return;
    fullSize_ = on;
    if (dock_)
        dock_->arrange();
}

TToolWindowPlace TCustomToolWindow::place() const
{
    if (dock_)
        return dock_->isVertical() ? TToolWindowPlace::Vertical : TToolWindowPlace::Horizontal;
    return TToolWindowPlace::Floating;
}

void TCustomToolWindow::reparent(QWidget* parent)
{
    internal_ = true;
    setParent(parent);
    internal_ = false;
}

bool TCustomToolWindow::ownerShown() const
{
    return !owner_ || owner_->isVisible();
}

TFloatingToolWindow* TCustomToolWindow::ensureFloatingWindow()
{
    if (!floatWin_) {
        floatWin_ = new TFloatingToolWindow(this, owner_ ? owner_->window() : nullptr);
        floatWin_->setWindowTitle(caption_);
        floatWin_->move(floatingPos_);
    }
    return floatWin_;
}

void TCustomToolWindow::setDockedTo(TDock* dock)
{
    if (dock) {
        if (dock_ == dock)
            return;
        TDock* old = dock_;
        reparent(dock);
        dock_ = dock;
        lastDock_ = dock;
        floating_ = false;
        if (floatWin_)
            floatWin_->hide();
        placing_ = true;
        updatePlaceLayout();
        placing_ = false;
        internal_ = true;
        QWidget::setVisible(visible_);
        internal_ = false;
        if (old)
            old->updateMembership(this, false);
        dock->updateMembership(this, true);
    } else {
        if (floating_)
            return;
        TDock* old = dock_;
        TFloatingToolWindow* window = ensureFloatingWindow();
        dock_ = nullptr;
        floating_ = true;
        reparent(window);
        move(window->contentOrigin());
        updatePlaceLayout();
        window->move(floatingPos_);
        internal_ = true;
        QWidget::setVisible(true);
        internal_ = false;
        window->setVisible(visible_ && ownerShown());
        if (old)
            old->updateMembership(this, false);
    }
    emit placeChanged();
}

void TCustomToolWindow::setFloatingPosition(QPoint position)
{
    floatingPos_ = position;
    hasFloatingPos_ = true;
    if (floatWin_)
        floatWin_->move(position);
}

void TCustomToolWindow::floatingWindowMoved(QPoint position)
{
    if (floating_) {
        floatingPos_ = position;
        hasFloatingPos_ = true;
    }
}

void TCustomToolWindow::keepFloatingOnScreen()
{
    const QSize size = floatWin_ ? floatWin_->size() : naturalSize(TToolWindowPlace::Floating);
    const QRect kept = KeepRectOnScreen(QRect(floatingPos_, size));
    if (kept.topLeft() != floatingPos_)
        setFloatingPosition(kept.topLeft());
}

void TCustomToolWindow::dockBack()
{
    TDock* target = lastDock_;
    if (target && !target->AllowDrag())
        target = nullptr;
    if (!target) {
        for (TDock* dock : TDock::ownedBy(owner_)) {
            if (dock->AllowDrag()) {
                target = dock;
                break;
            }
        }
    }
    if (target)
        setDockedTo(target);
}

void TCustomToolWindow::floatAway()
{
    if (floating_)
        return;
    if (!hasFloatingPos_ && dock_ && isVisible()) {
        // Never floated: float where the docked window is now, as if its title had been pulled off it.
        TFloatingToolWindow* window = ensureFloatingWindow();
        floatingPos_ = mapToGlobal(QPoint(0, 0)) - window->contentOrigin();
    }
    setDockedTo(nullptr);
    keepFloatingOnScreen();
}

int TCustomToolWindow::dockedThickness() const
{
    return 8;
}

QSize TCustomToolWindow::contentSize(TToolWindowPlace place) const
{
    switch (place) {
    case TToolWindowPlace::Horizontal:
        return QSize(0, dockedThickness());
    case TToolWindowPlace::Vertical:
        return QSize(dockedThickness(), 0);
    case TToolWindowPlace::Floating:
        break;
    }
    return QSize(0, 0);
}

void TCustomToolWindow::layoutContents(TToolWindowPlace, QPoint)
{
    // A bare tool window has no contents of its own to lay out.
}

QMargins TCustomToolWindow::chromeMargins(TToolWindowPlace place) const
{
    switch (place) {
    case TToolWindowPlace::Horizontal:
        return QMargins(kBorder + kGripSize, kBorder, kBorder, kBorder);
    case TToolWindowPlace::Vertical:
        return QMargins(kBorder, kBorder + kGripSize, kBorder, kBorder);
    case TToolWindowPlace::Floating:
        break;
    }
    return QMargins(1, 1, 1, 1);
}

QSize TCustomToolWindow::naturalSize(TToolWindowPlace place) const
{
    const QMargins m = chromeMargins(place);
    const QSize content = contentSize(place);
    return QSize(m.left() + content.width() + m.right(), m.top() + content.height() + m.bottom());
}

void TCustomToolWindow::updatePlaceLayout()
{
    const TToolWindowPlace p = place();
    const QMargins m = chromeMargins(p);
    layoutContents(p, QPoint(m.left(), m.top()));
    resize(naturalSize(p));
    if (floating_) {
        if (floatWin_)
            floatWin_->fitToContents();
    } else if (dock_ && !placing_) {
        dock_->arrange();
    }
    update();
}

void TCustomToolWindow::resizeFloating(int)
{
    // A bare tool window has nothing to wrap.
}

void TCustomToolWindow::readPositionData(const TPositionReader&)
{
    // The base tool window keeps nothing beyond the common values.
}

void TCustomToolWindow::writePositionData(const TPositionWriter&) const
{
    // The base tool window keeps nothing beyond the common values.
}

void TCustomToolWindow::paintEvent(QPaintEvent*)
{
    if (!dock_)
        return;
    QPainter painter(this);
    const QColor light = palette().color(QPalette::Light);
    const QColor dark = palette().color(QPalette::Dark);
    const QRect r = rect().adjusted(0, 0, -1, -1);
    // A raised frame around the whole window.
    painter.setPen(light);
    painter.drawLine(r.topLeft(), r.topRight());
    painter.drawLine(r.topLeft(), r.bottomLeft());
    painter.setPen(dark);
    painter.drawLine(r.bottomLeft(), r.bottomRight());
    painter.drawLine(r.topRight(), r.bottomRight());
    // The grip: two raised bars across the window at its start.
    const bool vertical = place() == TToolWindowPlace::Vertical;
    for (int bar = 0; bar < 2; ++bar) {
        const int at = kBorder + 1 + bar * 4;
        QRect g = vertical ? QRect(kBorder + 1, at, width() - 2 * kBorder - 3, 2)
                           : QRect(at, kBorder + 1, 2, height() - 2 * kBorder - 3);
        painter.setPen(light);
        painter.drawLine(g.topLeft(), vertical ? g.topRight() : g.bottomLeft());
        painter.setPen(dark);
        painter.drawLine(vertical ? g.bottomLeft() : g.topRight(), g.bottomRight());
    }
}

// ---- Dragging ----

void TCustomToolWindow::beginDragTracking(QPoint globalPos, QPoint grabOffset)
{
    cancelDrag();
    drag_ = std::make_unique<DragState>();
    drag_->pressGlobal = globalPos;
    drag_->grabOffset = grabOffset;
    drag_->fromFloating = floating_;
}

bool TCustomToolWindow::isDragging() const
{
    return drag_ && drag_->started;
}

int TCustomToolWindow::grabAlong() const
{
    if (!drag_ || drag_->fromFloating)
        return kBorder + kGripSize / 2;
    return place() == TToolWindowPlace::Vertical ? drag_->grabOffset.y() : drag_->grabOffset.x();
}

namespace {

struct DropChoice {
    DockDrop drop;
    QList<TDock*> docks;
    QList<DockDropZone> zones;
};

DropChoice chooseDrop(const QWidget* owner, QPoint cursor, int grabAlong, bool noDocking)
{
    DropChoice choice;
    for (TDock* dock : TDock::ownedBy(owner)) {
        if (!dock->AllowDrag() || !dock->isVisible())
            continue;
        DockDropZone zone;
        zone.position = dock->Position();
        zone.outerRect = globalRect(dock, dock->rect());
        zone.clientRect = globalRect(dock, dock->clientArea());
        for (int size : dock->rowSizes())
            zone.rowSpans.append(size + 4);
        choice.docks.append(dock);
        choice.zones.append(zone);
    }
    choice.drop = FindDockDrop(choice.zones, cursor, grabAlong, noDocking);
    return choice;
}

}  // namespace

void TCustomToolWindow::dragTo(QPoint globalPos, Qt::KeyboardModifiers modifiers)
{
    if (!drag_)
        return;
    if (!drag_->started) {
        if ((globalPos - drag_->pressGlobal).manhattanLength() < QApplication::startDragDistance())
            return;
        drag_->started = true;
        drag_->outline = std::make_unique<QRubberBand>(QRubberBand::Rectangle);
        qApp->installEventFilter(this);
    }
    updateDragOutline(globalPos, modifiers);
}

void TCustomToolWindow::updateDragOutline(QPoint globalPos, Qt::KeyboardModifiers modifiers)
{
    const DropChoice choice = chooseDrop(owner_, globalPos, grabAlong(), modifiers & Qt::ControlModifier);
    QRect outline;
    if (choice.drop.dock >= 0) {
        const DockDropZone& zone = choice.zones[choice.drop.dock];
        const bool vertical = IsVerticalDock(zone.position);
        const QSize natural = naturalSize(vertical ? TToolWindowPlace::Vertical : TToolWindowPlace::Horizontal);
        int acrossStart = 0;
        for (int r = 0; r < choice.drop.row && r < zone.rowSpans.size(); ++r)
            acrossStart += zone.rowSpans[r];
        const int across = choice.drop.row < zone.rowSpans.size() && !choice.drop.newRow
                               ? zone.rowSpans[choice.drop.row]
                               : (vertical ? natural.width() : natural.height());
        if (vertical)
            outline = QRect(zone.clientRect.left() + acrossStart, zone.clientRect.top() + choice.drop.pos, across,
                            natural.height());
        else
            outline = QRect(zone.clientRect.left() + choice.drop.pos, zone.clientRect.top() + acrossStart,
                            natural.width(), across);
    } else {
        TFloatingToolWindow* window = ensureFloatingWindow();
        const QSize size = window->sizeAround(naturalSize(TToolWindowPlace::Floating));
        const QPoint grab = drag_->fromFloating
                                ? drag_->grabOffset
                                : QPoint(std::min(grabAlong(), size.width() - 1), TFloatingToolWindow::kFrame + window->titleHeight() / 2);
        outline = QRect(globalPos - grab, size);
    }
    drag_->outline->setGeometry(outline);
    drag_->outline->show();
}

void TCustomToolWindow::endDrag(QPoint globalPos, Qt::KeyboardModifiers modifiers)
{
    if (!drag_)
        return;
    if (!drag_->started) {
        cancelDrag();
        return;
    }
    const DropChoice choice = chooseDrop(owner_, globalPos, grabAlong(), modifiers & Qt::ControlModifier);
    QPoint floatGrab = drag_->grabOffset;
    if (!drag_->fromFloating) {
        TFloatingToolWindow* window = ensureFloatingWindow();
        const QSize size = window->sizeAround(naturalSize(TToolWindowPlace::Floating));
        floatGrab = QPoint(std::min(grabAlong(), size.width() - 1), TFloatingToolWindow::kFrame + window->titleHeight() / 2);
    }
    cancelDrag();

    if (choice.drop.dock >= 0) {
        TDock* dock = choice.docks[choice.drop.dock];
        dock->beginUpdate();
        if (choice.drop.newRow) {
            for (TCustomToolWindow* window : toolWindowRegistry()) {
                if (window != this && window->dock_ == dock && window->dockRow_ >= choice.drop.row)
                    ++window->dockRow_;
            }
        }
        dockRow_ = choice.drop.row;
        dockPos_ = choice.drop.pos;
        setDockedTo(dock);
        // Dropped where another window starts, it goes before that one.
        dock->putFirst(this);
        dock->arrange();
        dock->endUpdate();
    } else {
        setFloatingPosition(globalPos - floatGrab);
        setDockedTo(nullptr);
    }
}

void TCustomToolWindow::cancelDrag()
{
    if (!drag_)
        return;
    if (drag_->started)
        qApp->removeEventFilter(this);
    drag_.reset();
}

void TCustomToolWindow::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    const QPoint global = event->globalPosition().toPoint();
    const QPoint grab = floating_ && floatWin_ ? floatWin_->mapFromGlobal(global) : event->position().toPoint();
    beginDragTracking(global, grab);
    event->accept();
}

void TCustomToolWindow::mouseMoveEvent(QMouseEvent* event)
{
    if (drag_)
        dragTo(event->globalPosition().toPoint(), event->modifiers());
    event->accept();
}

void TCustomToolWindow::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && drag_)
        endDrag(event->globalPosition().toPoint(), event->modifiers());
    event->accept();
}

void TCustomToolWindow::mouseDoubleClickEvent(QMouseEvent* event)
{
    cancelDrag();
    if (event->button() == Qt::LeftButton && dock_)
        floatAway();
    event->accept();
}

bool TCustomToolWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (drag_ && drag_->started && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        cancelDrag();
        return true;
    }
    if (watched == owner_ && floating_ && floatWin_) {
        if (event->type() == QEvent::Show) {
            // Shown once the owner's own window is up, and above it: a floating toolbar
            // restored at start-up must not end up behind the frame.
            QMetaObject::invokeMethod(
                this,
                [this] {
                    if (floating_ && floatWin_ && visible_ && ownerShown()) {
                        floatWin_->show();
                        floatWin_->raise();
                    }
                },
                Qt::QueuedConnection);
        } else if (event->type() == QEvent::Hide) {
            floatWin_->hide();
        }
    }
    return QWidget::eventFilter(watched, event);
}

TFloatingToolWindow* TCustomToolWindow::floatingWindow() const
{
    return floatWin_;
}
