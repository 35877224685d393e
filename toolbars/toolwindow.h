#pragma once

#include "toolbars/dockposition.h"

#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>

class TDock;
class TFloatingToolWindow;

// The callbacks through which a tool window reads and writes its values in its section of
// the settings file.
struct TPositionReader {
    std::function<int(const QString& key, int defaultValue)> readInteger;
    std::function<QString(const QString& key, const QString& defaultValue)> readString;
};
struct TPositionWriter {
    std::function<void(const QString& key, int value)> writeInteger;
    std::function<void(const QString& key, const QString& value)> writeString;
};

// A window that docks in the rows of a TDock or floats in a small window of its own
// (TFloatingToolWindow) titled with its caption. It can be dragged by its grip (the start
// of a docked window) or by the title of its floating window: within its row, to another
// row or dock, or off every dock to float. A double-click on the grip floats it, one on the
// floating window's title docks it back where it was.
class TCustomToolWindow : public QWidget {
    Q_OBJECT
public:
    // `owner` is the form the window belongs to; the layout persistence finds it by it.
    explicit TCustomToolWindow(QWidget* owner);
    ~TCustomToolWindow() override;

    // The tool windows of a form, in the order they were created.
    static QList<TCustomToolWindow*> ownedBy(const QWidget* owner);
    static QList<TCustomToolWindow*> allToolWindows();
    QWidget* owner() const { return owner_; }

    // Whether the user shows the window: a docked window takes its room in the dock only
    // while visible, a floating one shows its floating window only while visible.
    bool Visible() const { return visible_; }
    void setVisible(bool visible) override;

    QString Caption() const { return caption_; }
    void setCaption(const QString& caption);

    int DockRow() const { return dockRow_; }
    void setDockRow(int row) { dockRow_ = row; }
    int DockPos() const { return dockPos_; }
    void setDockPos(int pos) { dockPos_ = pos; }
    bool FullSize() const { return fullSize_; }
    void setFullSize(bool on);

    // The dock the window is docked in; nullptr while it floats (or was never placed).
    TDock* DockedTo() const { return dock_; }
    // Docks the window in `dock` at its DockRow and DockPos; nullptr makes it float at its
    // floating position.
    void setDockedTo(TDock* dock);
    bool isFloating() const { return floating_; }
    TToolWindowPlace place() const;

    // Top-left corner of the floating window on the screen; kept while docked.
    QPoint floatingPosition() const { return floatingPos_; }
    void setFloatingPosition(QPoint position);
    // Moves the floating window onto the nearest screen when it lies off every screen.
    void keepFloatingOnScreen();
    TFloatingToolWindow* floatingWindow() const;

    // Docks a floating window back where it was last docked (the first dock of the form
    // that allows dragging when it never was); floats a docked one.
    void dockBack();
    void floatAway();

    // What the window needs across a dock's row.
    virtual int dockedThickness() const;
    // Recomputes the window's size and contents for its place (top/bottom dock, left/right
    // dock, floating); a docked window whose size changes has its dock rearranged.
    void updatePlaceLayout();

    // The user drags the right edge of the floating window so that the tool window would
    // be `width` pixels wide; a toolbar wraps its buttons there. A bare one keeps its size.
    virtual void resizeFloating(int width);

    // Per-class values of the layout persistence; the base class has none.
    virtual void readPositionData(const TPositionReader& reader);
    virtual void writePositionData(const TPositionWriter& writer) const;

    // Dragging, fed with screen positions by the window's own mouse events and by its
    // floating window's title. `grabOffset` is the cursor's offset in the grabbed frame
    // (the docked window, or the floating window).
    void beginDragTracking(QPoint globalPos, QPoint grabOffset);
    void dragTo(QPoint globalPos, Qt::KeyboardModifiers modifiers);
    void endDrag(QPoint globalPos, Qt::KeyboardModifiers modifiers);
    void cancelDrag();
    bool isDragging() const;

    // Size of the frame around a docked window's contents, and of its grip.
    static constexpr int kBorder = 2;
    static constexpr int kGripSize = 9;

signals:
    void placeChanged();

protected:
    // The size of the window's contents in a place, and their layout there.
    virtual QSize contentSize(TToolWindowPlace place) const;
    virtual void layoutContents(TToolWindowPlace place, QPoint origin);
    // The margins around the contents in a place (grip included).
    QMargins chromeMargins(TToolWindowPlace place) const;
    QSize naturalSize(TToolWindowPlace place) const;

    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class TDock;
    friend class TFloatingToolWindow;
    struct DragState;

    void reparent(QWidget* parent);
    void applyVisibility();
    void floatingWindowMoved(QPoint position);
    bool ownerShown() const;
    TFloatingToolWindow* ensureFloatingWindow();
    int grabAlong() const;
    void updateDragOutline(QPoint globalPos, Qt::KeyboardModifiers modifiers);

    QPointer<QWidget> owner_;
    TDock* dock_ = nullptr;
    QPointer<TDock> lastDock_;
    bool floating_ = false;
    bool visible_ = true;
    QString caption_;
    int dockRow_ = 0;
    int dockPos_ = -1;
    bool fullSize_ = false;
    QPoint floatingPos_;
    bool hasFloatingPos_ = false;  // set once it floated or was given a position
    QPointer<TFloatingToolWindow> floatWin_;
    bool placing_ = false;     // the dock is setting the window's geometry
    bool internal_ = false;    // the window itself changes its parent or visibility
    std::unique_ptr<DragState> drag_;
};
