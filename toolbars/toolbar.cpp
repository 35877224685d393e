#include "toolbars/toolbar.h"

#include "toolbars/toolbarsep.h"

#include <QChildEvent>
#include <QEvent>

TCustomToolbar::TCustomToolbar(QWidget* owner)
    : TCustomToolWindow(owner)
{
}

void TCustomToolbar::addControl(QWidget* control)
{
    if (!control)
        return;
    const bool hiddenByOwner = control->testAttribute(Qt::WA_WState_ExplicitShowHide) && control->isHidden();
    if (control->parentWidget() != this)
        control->setParent(this);
    controls_.removeAll(control);
    controls_.append(control);
    if (!hiddenByOwner)
        control->show();
    control->installEventFilter(this);
    updatePlaceLayout();
}

QList<QWidget*> TCustomToolbar::controls() const
{
    QList<QWidget*> result;
    for (const QPointer<QWidget>& control : controls_) {
        if (control)
            result.append(control);
    }
    return result;
}

void TCustomToolbar::setFloatWrapWidth(int width)
{
    width = std::max(0, width);
    if (floatWrapWidth_ == width)
        return;
    floatWrapWidth_ = width;
    if (isFloating())
        updatePlaceLayout();
}

ToolbarContentLayout TCustomToolbar::computeLayout(TToolWindowPlace place) const
{
    QList<ToolbarControlInfo> infos;
    for (QWidget* control : controls()) {
        ToolbarControlInfo info;
        info.size = control->sizeHint().expandedTo(control->minimumSize()).boundedTo(control->maximumSize());
        info.separator = qobject_cast<TToolbarSep*>(control) != nullptr;
        info.hidden = control->isHidden();
        infos.append(info);
    }
    return LayoutToolbarControls(infos, place, floatWrapWidth_);
}

int TCustomToolbar::dockedThickness() const
{
    return computeLayout(place() == TToolWindowPlace::Vertical ? TToolWindowPlace::Vertical
                                                                : TToolWindowPlace::Horizontal)
        .thickness;
}

QSize TCustomToolbar::contentSize(TToolWindowPlace place) const
{
    return computeLayout(place).size;
}

void TCustomToolbar::layoutContents(TToolWindowPlace place, QPoint origin)
{
    const ToolbarContentLayout layout = computeLayout(place);
    const QList<QWidget*> list = controls();
    for (int i = 0; i < list.size() && i < layout.rects.size(); ++i) {
        if (list[i]->isHidden())
            continue;
        const QRect r = layout.rects[i];
        list[i]->setGeometry(r.isEmpty() ? QRect(origin, QSize(0, 0)) : r.translated(origin));
    }
}

void TCustomToolbar::resizeFloating(int width)
{
    const QMargins m = chromeMargins(TToolWindowPlace::Floating);
    // No narrower than the widest control, so that every line holds at least one.
    int widest = 1;
    for (QWidget* control : controls())
        widest = std::max(widest, control->sizeHint().expandedTo(control->minimumSize()).boundedTo(control->maximumSize()).width());
    setFloatWrapWidth(std::max(widest, width - m.left() - m.right()));
}

void TCustomToolbar::readPositionData(const TPositionReader& reader)
{
    setFloatWrapWidth(reader.readInteger(QStringLiteral("FloatRightX"), 0));
}

void TCustomToolbar::writePositionData(const TPositionWriter& writer) const
{
    writer.writeInteger(QStringLiteral("FloatRightX"), floatWrapWidth_);
}

bool TCustomToolbar::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::ShowToParent || event->type() == QEvent::HideToParent) {
        for (const QPointer<QWidget>& control : controls_) {
            if (control == watched) {
                updatePlaceLayout();
                break;
            }
        }
    }
    return TCustomToolWindow::eventFilter(watched, event);
}

void TCustomToolbar::childEvent(QChildEvent* event)
{
    TCustomToolWindow::childEvent(event);
    if (event->type() == QEvent::ChildRemoved) {
        // A control that was deleted or moved elsewhere leaves the toolbar.
        const qsizetype before = controls_.size();
        controls_.removeIf([this](const QPointer<QWidget>& c) { return !c || c->parentWidget() != this; });
        if (controls_.size() != before)
            updatePlaceLayout();
    }
}

TToolbar::TToolbar(QWidget* owner)
    : TCustomToolbar(owner)
{
}
