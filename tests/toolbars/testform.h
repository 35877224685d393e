#pragma once

#include "app/mainform.h"
#include "toolbars/dockframe.h"
#include "toolbars/toolbar.h"
#include "tests/support/fakes.h"

#include <QWidget>
#include <memory>

// The program's own frame, built as the program builds it (app/frametoolbars.cpp): the four
// docks around the client area, the tab strip below DockTop and the six toolbars at their
// design places in DockTop with the frame's buttons and separators.
class TestForm {
public:
    explicit TestForm(bool show = true, QPoint at = QPoint(40, 30), QSize size = QSize(700, 460));
    ~TestForm();

    QWidget* form() const;
    TDockFrame* frame() const { return frame_; }
    QWidget* central() const { return central_; }
    TDock* top() const { return frame_->dockTop(); }
    TDock* bottom() const { return frame_->dockBottom(); }
    TDock* left() const { return frame_->dockLeft(); }
    TDock* right() const { return frame_->dockRight(); }
    TToolbar* toolbar(const QString& caption) const;   // by caption, e.g. "Suchen"
    const QList<TToolbar*>& toolbars() const { return toolbars_; }

    // Lets the layouts and the docks settle after a change.
    static void settle();

private:
    FakeServices fakes_;
    std::unique_ptr<TMainForm> form_;
    TDockFrame* frame_;
    QWidget* central_;
    QList<TToolbar*> toolbars_;
};

// Presses on `widget` at `grab`, moves in steps to the screen point `to` and lets go there.
void dragWidget(QWidget* widget, QPoint grab, QPoint to, Qt::KeyboardModifiers modifiers = {});

// Design positions of the six toolbars in DockTop, and their lengths.
extern const int kDesignPos[6];
extern const int kDesignLength[6];
