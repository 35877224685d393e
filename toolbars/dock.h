#pragma once

#include "toolbars/dockposition.h"
#include "toolbars/toolwindow.h"

#include <QList>
#include <QPointer>
#include <QWidget>

// A docking area along one edge of the frame. It lays out the visible tool windows docked
// in it in rows (see dockrowlayout.h), sizes itself to the total thickness of its rows and
// is drawn with a boundary line on all four sides. It lives in a layout (TDockFrame), so
// that its change of thickness moves the frame's other content.
class TDock : public QWidget {
    Q_OBJECT
public:
    // `owner` is the form the dock belongs to; the layout persistence finds docks by it.
    TDock(TDockPosition position, QWidget* owner);
    ~TDock() override;

    // The docks of a form, in the order they were created.
    static QList<TDock*> ownedBy(const QWidget* owner);
    QWidget* owner() const { return owner_; }

    TDockPosition Position() const { return position_; }
    void setPosition(TDockPosition position);
    bool isVertical() const { return IsVerticalDock(position_); }
    bool LimitToOneRow() const { return limitToOneRow_; }
    void setLimitToOneRow(bool on);
    bool FixAlign() const { return fixAlign_; }
    void setFixAlign(bool on);
    bool AllowDrag() const { return allowDrag_; }
    void setAllowDrag(bool on) { allowDrag_ = on; }

    // Arranging is deferred while an update is open and done when the last one ends.
    void beginUpdate();
    void endUpdate();
    bool isUpdating() const { return updateCounter_ > 0; }

    // Lays out the docked tool windows in rows and resizes the dock. Deferred while an
    // update is open or while the dock is not shown (its length is not known then).
    void arrange();
    bool isArrangePending() const { return arrangePending_; }

    // Tells the dock that a tool window was docked here or shown (inserting), or left or
    // was hidden (removing).
    void updateMembership(TCustomToolWindow* window, bool inserting);

    // The visible tool windows docked here, in the order of the last arrangement.
    const QList<TCustomToolWindow*>& dockedList() const { return docked_; }
    // The thickness of each row, without its 4 pixels of spacing.
    const QList<int>& rowSizes() const { return rowSizes_; }
    // The dock's thickness after the last arrangement.
    int thickness() const { return thickness_; }
    // The area inside the boundary lines, in the dock's coordinates.
    QRect clientArea() const;

    // Size of the boundary lines on each side.
    static constexpr int kBoundLine = 1;

signals:
    void OnInsertRemoveBar(TDock* dock, bool inserting, TCustomToolWindow* bar);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    friend class TCustomToolWindow;
    void applyThickness(int thickness);
    void applySizePolicy();
    void forget(TCustomToolWindow* window);
    // Puts a docked window first in the docked list, so that it goes before a window with
    // the same row and position at the next arrangement.
    void putFirst(TCustomToolWindow* window);

    TDockPosition position_;
    QPointer<QWidget> owner_;
    bool limitToOneRow_ = false;
    bool fixAlign_ = false;
    bool allowDrag_ = true;
    int updateCounter_ = 0;
    bool arrangePending_ = false;
    int thickness_ = 0;
    QList<TCustomToolWindow*> docked_;
    QList<int> rowSizes_;
};
