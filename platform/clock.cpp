#include "platform/clock.h"

namespace platform {

template <>
ClockService& Service<ClockService>::defaultInstance()
{
    static SystemClock service;
    return service;
}

}  // namespace platform
