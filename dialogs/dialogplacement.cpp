#include "dialogs/dialogplacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

void centreOnScreen(QWidget& dialog)
{
    QWidget* owner = dialog.parentWidget() ? dialog.parentWidget()->window() : nullptr;
    QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    // The title bar and borders are not known before the dialog is shown; the owner's
    // are the best guess, since the window manager draws both alike.
    QSize outer = dialog.size();
    if (owner && owner->isVisible()) {
        const QRect inner = owner->geometry();
        const QRect frame = owner->frameGeometry();
        outer += QSize(frame.width() - inner.width(), frame.height() - inner.height());
    }
    const QRect area = screen->availableGeometry();
    dialog.move(area.left() + (area.width() - outer.width()) / 2, area.top() + (area.height() - outer.height()) / 2);
}
