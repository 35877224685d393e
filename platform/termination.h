#pragma once

#include <functional>

namespace platform {

// Runs handler in the event loop of the user-interface thread when the process receives
// SIGTERM, SIGHUP or SIGINT (a logout, a closed terminal, Ctrl+C). The signal itself only
// wakes the loop; everything else runs outside the signal handler.
void watchTerminationSignals(std::function<void(int signal)> handler);

// Ends the process at once with the exit code, running no destructors and no handlers;
// the kernel closes its files and releases its locks.
[[noreturn]] void endProcessNow(int code);

}  // namespace platform
