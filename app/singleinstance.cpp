#include "app/singleinstance.h"

#include "platform/displayplatform.h"
#include "settings/globals.h"

#include <QWidget>

#include <cstdio>

namespace {

std::function<void(const platform::InstanceRequest&)>& requestHandler()
{
    static std::function<void(const platform::InstanceRequest&)> handler;
    return handler;
}

}  // namespace

QString NoAnswerMessage()
{
    return QStringLiteral("varnotex: Das laufende Programm antwortet nicht innerhalb von 2 Sekunden; "
                          "dieser Start läuft als eigenes Programm.");
}

bool CheckSingleInstance(const QStringList& commandLine)
{
    if (!Globals::Settings().SingleInstance)
        return false;
    platform::InstanceGuardService& guard = platform::InstanceGuardService::current();
    switch (guard.acquireLock()) {
    case platform::InstanceLock::Acquired:
        guard.listen([](const platform::InstanceRequest& request) {
            if (requestHandler())
                requestHandler()(request);
        });
        return false;
    case platform::InstanceLock::HeldByOther:
        if (guard.forward(platform::requestOfThisStart(commandLine)))
            return true;
        std::fputs((NoAnswerMessage() + QLatin1Char('\n')).toLocal8Bit().constData(), stderr);
        std::fflush(stderr);
        return false;
    case platform::InstanceLock::Unavailable:
        break;
    }
    return false;
}

void SetRequestHandler(std::function<void(const platform::InstanceRequest&)> handler)
{
    requestHandler() = std::move(handler);
}

void RestoreAndRaise(QWidget* window, const QByteArray& activationToken)
{
    if (!window)
        return;
    if (window->isMinimized())
        window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->show();
    window->raise();
    platform::activateWithToken(window, activationToken);
}
