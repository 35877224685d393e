#pragma once

#include "platform/service.h"

#include <QDateTime>

namespace platform {

// The system clock, replaceable in tests.
class ClockService : public Service<ClockService> {
public:
    virtual QDateTime now() const = 0;  // local time
};

class SystemClock : public ClockService {
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

}  // namespace platform

#include <QObject>
#include <functional>

namespace platform {

// Deferred work on the user-interface thread, replaceable in tests (which run what is due
// themselves, without waiting on the clock).
class TimerService : public Service<TimerService> {
public:
    // Runs callback once, ms milliseconds from now, unless context is gone by then.
    virtual void singleShot(int ms, QObject* context, std::function<void()> callback) = 0;
};

class QtTimerService : public TimerService {
public:
    void singleShot(int ms, QObject* context, std::function<void()> callback) override;
};

}  // namespace platform
