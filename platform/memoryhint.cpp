#include "platform/memoryhint.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <sys/mman.h>
#include <unistd.h>

namespace platform {

void adviseLargeBuffer(void* data, std::size_t size)
{
#ifdef MADV_HUGEPAGE
    constexpr std::size_t kMinimum = 4u << 20;
    if (!data || size < kMinimum)
        return;
    const auto page = std::uintptr_t(::sysconf(_SC_PAGESIZE));
    const auto begin = (reinterpret_cast<std::uintptr_t>(data) + page - 1) & ~(page - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(data) + size) & ~(page - 1);
    if (end > begin)
        (void)::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
    (void)data;
    (void)size;
#endif
}

void prefaultBuffer(void* data, std::size_t size)
{
    if (!data || size == 0)
        return;
    const auto page = std::uintptr_t(::sysconf(_SC_PAGESIZE));
    const auto first = reinterpret_cast<std::uintptr_t>(data);
    const auto begin = first & ~(page - 1);
    const auto end = (first + size + page - 1) & ~(page - 1);
#ifndef MADV_POPULATE_WRITE
    constexpr int MADV_POPULATE_WRITE = 23;
#endif
    // In pieces of 8 MB: when large pages come slowly (the system first has to gather
    // free memory for them), the rest of the block takes small pages, which come at a
    // steady pace.
    constexpr std::uintptr_t kPiece = 8u << 20;
    constexpr auto kSlowPiece = std::chrono::microseconds(2500);  // large pages fill 8 MB in well under 1 ms
    bool small = false;
    for (std::uintptr_t at = begin; at < end;) {
        const std::uintptr_t to = std::min(end, at + kPiece);
        const auto started = std::chrono::steady_clock::now();
        if (::madvise(reinterpret_cast<void*>(at), to - at, MADV_POPULATE_WRITE) != 0)
            break;
        at = to;
#ifdef MADV_NOHUGEPAGE
        if (!small && at < end && std::chrono::steady_clock::now() - started > kSlowPiece) {
            small = true;
            (void)::madvise(reinterpret_cast<void*>(at), end - at, MADV_NOHUGEPAGE);
        }
#endif
        if (at == end)
            return;
    }
    // Without that call: touch every page.
    volatile char* bytes = static_cast<char*>(data);
    for (std::uintptr_t p = std::max(first, begin + page) - first; p < size; p += page)
        bytes[p] = 0;
    bytes[0] = 0;
}

}  // namespace platform
