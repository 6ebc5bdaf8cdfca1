#include "core/large_memory.h"

#include <cstdint>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace classification {

void adviseLargeMemory(void* data, std::size_t bytes) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    if (!data || bytes < largeMemoryBytes) return;
    constexpr std::uintptr_t huge = std::uintptr_t(2) << 20;
    const auto first = (reinterpret_cast<std::uintptr_t>(data) + huge - 1) & ~(huge - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(data) + bytes) & ~(huge - 1);
    // Only advice: a kernel without huge pages answers with an error and the
    // memory stays as it is.
    if (end > first) madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
#else
    (void)data;
    (void)bytes;
#endif
}

} // namespace classification
