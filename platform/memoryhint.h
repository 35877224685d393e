#pragma once

#include <cstddef>

namespace platform {

// Tells the system that a large block of memory is about to be filled from start to end,
// so that it backs it with large pages where it can (fewer page faults when a big file
// is loaded). Harmless where that is not supported.
void adviseLargeBuffer(void* data, std::size_t size);

}  // namespace platform
