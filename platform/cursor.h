#pragma once

#include "platform/service.h"

namespace platform {

// The screen-wide cursor: the hourglass during long steps.
class CursorService : public Service<CursorService> {
public:
    virtual void setBusy() = 0;    // the whole screen shows the hourglass
    virtual void setNormal() = 0;  // back to the normal cursor
    virtual bool isBusy() const = 0;
};

class QtCursorService : public CursorService {
public:
    void setBusy() override;
    void setNormal() override;
    bool isBusy() const override { return busy_; }

private:
    bool busy_ = false;
};

// Shows the hourglass for its lifetime and restores the normal cursor on every exit path.
class BusyCursor {
public:
    BusyCursor() { CursorService::current().setBusy(); }
    ~BusyCursor() { CursorService::current().setNormal(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

}  // namespace platform
