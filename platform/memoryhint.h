#pragma once

#include <cstddef>

namespace platform {

// Tells the system that a large block of memory is about to be filled from start to end,
// so that it backs it with large pages where it can (fewer page faults when a big file
// is loaded). Harmless where that is not supported.
void adviseLargeBuffer(void* data, std::size_t size);

// Backs every page of a freshly allocated block with memory now, in one call where the
// system offers it, so that filling it later takes no page faults. Without that call the
// pages are touched one by one.
void prefaultBuffer(void* data, std::size_t size);

}  // namespace platform
