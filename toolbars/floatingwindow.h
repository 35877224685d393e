#pragma once

#include <QPointer>
#include <QWidget>

class TCustomToolWindow;

// The small window a floating tool window lives in: a frame and a title bar with the
// tool window's caption, no close button. Dragging the title moves the tool window (and
// docks it when it is dropped on a dock); a double-click on the title docks it back.
// Dragging the left or right edge of a floating toolbar changes where its buttons wrap.
class TFloatingToolWindow : public QWidget {
    Q_OBJECT
public:
    TFloatingToolWindow(TCustomToolWindow* toolWindow, QWidget* owner);
    ~TFloatingToolWindow() override;

    TCustomToolWindow* toolWindow() const { return toolWindow_; }
    // Where the tool window sits inside, and the window's size around a content size (at
    // least as wide as the caption).
    QPoint contentOrigin() const;
    QSize sizeAround(QSize content) const;
    int titleHeight() const;
    // Resizes the window to the tool window's current size.
    void fitToContents();

    static constexpr int kFrame = 3;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    enum class EdgeDrag { None, Right };
    EdgeDrag edgeAt(QPoint pos) const;

    QPointer<TCustomToolWindow> toolWindow_;
    EdgeDrag edge_ = EdgeDrag::None;
    int edgeStartX_ = 0;
    int edgeStartWidth_ = 0;
    int edgeStartLeft_ = 0;
};
