#include "platform/clock.h"

namespace platform {

template <>
ClockService& Service<ClockService>::defaultInstance()
{
    static SystemClock service;
    return service;
}

}  // namespace platform

#include <QTimer>

namespace platform {

template <>
TimerService& Service<TimerService>::defaultInstance()
{
    static QtTimerService service;
    return service;
}

void QtTimerService::singleShot(int ms, QObject* context, std::function<void()> callback)
{
    QTimer::singleShot(ms, context, std::move(callback));
}

}  // namespace platform
