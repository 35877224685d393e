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
