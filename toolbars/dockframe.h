#pragma once

#include "toolbars/dock.h"

#include <QWidget>

class QHBoxLayout;
class QVBoxLayout;

// Lays out the four docks of a form around its central content: `DockTop` along the top,
// then the widgets added below it (the tab strip), then `DockLeft`, the central widget and
// `DockRight` side by side, and `DockBottom` along the bottom. When a dock changes its
// thickness the content moves accordingly.
class TDockFrame : public QWidget {
    Q_OBJECT
public:
    // Creates the docks `DockTop`, `DockBottom`, `DockLeft` and `DockRight`, in this
    // order, owned by `owner` (the form).
    explicit TDockFrame(QWidget* owner, QWidget* parent = nullptr);

    TDock* dock(TDockPosition position) const;
    TDock* dockTop() const { return top_; }
    TDock* dockBottom() const { return bottom_; }
    TDock* dockLeft() const { return left_; }
    TDock* dockRight() const { return right_; }

    // A widget across the whole width below DockTop (and below those added before).
    void addTopWidget(QWidget* widget);
    // The content between the side docks; it takes all the room left.
    void setCentralWidget(QWidget* widget);
    QWidget* centralWidget() const { return central_; }

private:
    TDock* top_;
    TDock* bottom_;
    TDock* left_;
    TDock* right_;
    QVBoxLayout* column_;
    QHBoxLayout* middle_;
    QWidget* central_ = nullptr;
    int topWidgets_ = 0;
};
