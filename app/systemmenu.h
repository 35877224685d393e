#pragma once

#include <QObject>

class QMdiSubWindow;

// The menu behind a document window's title-bar icon, made only when the user first
// reaches for it: with hundreds of windows open, a ready menu for each would cost more
// than all their texts. It restores, minimises, maximises and closes its window.
class TLazySystemMenus : public QObject {
    Q_OBJECT
public:
    explicit TLazySystemMenus(QObject* parent) : QObject(parent) {}

    // The window starts without a menu; this object makes one when it is needed.
    void attach(QMdiSubWindow* window);
    // The menu of a window, made now if it has none yet.
    static void ensureMenu(QMdiSubWindow* window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
