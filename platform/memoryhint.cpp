#include "platform/memoryhint.h"

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

}  // namespace platform
