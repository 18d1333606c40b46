#include "util/HugePages.h"

#include <cstdint>
#include <sys/mman.h>

namespace torvel {

void AdviseHugePages(void* start, size_t bytes) {
    constexpr uintptr_t kHuge = uintptr_t(2) << 20;
    const uintptr_t from = (reinterpret_cast<uintptr_t>(start) + kHuge - 1) & ~(kHuge - 1);
    const uintptr_t to = (reinterpret_cast<uintptr_t>(start) + bytes) & ~(kHuge - 1);
    if (to > from)
        ::madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
}

} // namespace torvel
