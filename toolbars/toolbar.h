#pragma once

#include "toolbars/toolbarcontentlayout.h"
#include "toolbars/toolwindow.h"

#include <QList>
#include <QPointer>

// A tool window holding a row of controls (buttons and separators). Docked on a top or
// bottom dock they run from left to right, on a left or right dock from top to bottom;
// floating they run from left to right and wrap at the float wrap width. Its docked
// thickness is 8, raised to the largest control that is not a separator.
class TCustomToolbar : public TCustomToolWindow {
    Q_OBJECT
public:
    explicit TCustomToolbar(QWidget* owner);

    // Puts a control at the end of the toolbar (the toolbar becomes its parent).
    void addControl(QWidget* control);
    QList<QWidget*> controls() const;

    // Width at which the buttons of the floating toolbar wrap into another line; 0: never.
    int floatWrapWidth() const { return floatWrapWidth_; }
    void setFloatWrapWidth(int width);

    int dockedThickness() const override;
    void resizeFloating(int width) override;
    void readPositionData(const TPositionReader& reader) override;
    void writePositionData(const TPositionWriter& writer) const override;

protected:
    QSize contentSize(TToolWindowPlace place) const override;
    void layoutContents(TToolWindowPlace place, QPoint origin) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void childEvent(QChildEvent* event) override;

private:
    ToolbarContentLayout computeLayout(TToolWindowPlace place) const;

    QList<QPointer<QWidget>> controls_;
    int floatWrapWidth_ = 0;
};

// The toolbar the frame uses.
class TToolbar : public TCustomToolbar {
    Q_OBJECT
public:
    explicit TToolbar(QWidget* owner);
};
