#pragma once

#include "platform/cursor.h"
#include "platform/errors.h"

#include <functional>
#include <optional>

// A dialog's filling: the hourglass from the dialog's making until its filling has run
// once; an error of the filling is reported once the hourglass has gone.
class TDialogFilling {
public:
    bool done() const { return done_; }
    // Runs fill the first time only.
    void run(const std::function<void()>& fill)
    {
        if (done_)
            return;
        done_ = true;
        const std::exception_ptr error = platform::runCatching(fill);
        busyCursor_.reset();
        platform::showErrorReport(error);
    }

private:
    std::optional<platform::BusyCursor> busyCursor_{std::in_place};
    bool done_ = false;
};
