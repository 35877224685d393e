#include "app/singleinstance.h"

#include "platform/instanceguard.h"
#include "settings/globals.h"

#include <QWidget>

namespace {

std::function<void()>& raiseHandler()
{
    static std::function<void()> handler;
    return handler;
}

}  // namespace

bool CheckSingleInstance()
{
    if (!Globals::Settings().SingleInstance)
        return false;
    platform::InstanceGuardService& guard = platform::InstanceGuardService::current();
    switch (guard.acquireLock()) {
    case platform::InstanceLock::Acquired:
        guard.listen([] {
            if (raiseHandler())
                raiseHandler()();
        });
        return false;
    case platform::InstanceLock::HeldByOther:
        // Whether or not the other instance could be reached, this start ends.
        guard.requestRaise();
        return true;
    case platform::InstanceLock::Unavailable:
        break;
    }
    return false;
}

void SetRaiseHandler(std::function<void()> handler) { raiseHandler() = std::move(handler); }

void RestoreAndRaise(QWidget* window)
{
    if (!window)
        return;
    if (window->isMinimized())
        window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->show();
    window->raise();
    window->activateWindow();
}
