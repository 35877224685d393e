#include "app/systemmenu.h"

#include <QEvent>
#include <QMdiSubWindow>
#include <QMenu>
#include <QStyle>

void TLazySystemMenus::attach(QMdiSubWindow* window)
{
    window->setSystemMenu(nullptr);
    window->installEventFilter(this);
}

void TLazySystemMenus::ensureMenu(QMdiSubWindow* window)
{
    if (window->systemMenu())
        return;
    auto* menu = new QMenu(window);
    QStyle* style = window->style();
    QAction* restore = menu->addAction(style->standardIcon(QStyle::SP_TitleBarNormalButton), QStringLiteral("&Wiederherstellen"),
                                       window, &QMdiSubWindow::showNormal);
    QAction* minimize = menu->addAction(style->standardIcon(QStyle::SP_TitleBarMinButton), QStringLiteral("Mi&nimieren"),
                                        window, &QMdiSubWindow::showMinimized);
    QAction* maximize = menu->addAction(style->standardIcon(QStyle::SP_TitleBarMaxButton), QStringLiteral("Ma&ximieren"),
                                        window, &QMdiSubWindow::showMaximized);
    menu->addSeparator();
    // Deferred: the window may go while its own menu still handles the click.
    QAction* close = menu->addAction(style->standardIcon(QStyle::SP_TitleBarCloseButton), QStringLiteral("&Schließen"));
    QObject::connect(close, &QAction::triggered, window, &QWidget::close, Qt::QueuedConnection);
    // Only what the window's state allows is offered.
    QObject::connect(menu, &QMenu::aboutToShow, window, [window, restore, minimize, maximize] {
        restore->setEnabled(window->isMinimized() || window->isMaximized());
        minimize->setEnabled(!window->isMinimized());
        maximize->setEnabled(!window->isMaximized());
    });
    window->setSystemMenu(menu);
}

bool TLazySystemMenus::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::ContextMenu:
    case QEvent::KeyPress:
    case QEvent::ShortcutOverride:
        if (auto* window = qobject_cast<QMdiSubWindow*>(watched))
            ensureMenu(window);
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
