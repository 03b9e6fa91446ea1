#include "platform/Memory.h"

#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace plat {

std::unique_ptr<uint8_t[]> NewLargeBuffer(size_t n) {
    std::unique_ptr<uint8_t[]> p(new (std::nothrow) uint8_t[n]);
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    // Only the whole 2 MiB pages inside the buffer can be large pages.
    constexpr uintptr_t kHuge = uintptr_t{2} << 20;
    if (p && n >= 2 * kHuge) {
        const auto begin = reinterpret_cast<uintptr_t>(p.get());
        const uintptr_t first = (begin + kHuge - 1) & ~(kHuge - 1);
        const uintptr_t last = (begin + n) & ~(kHuge - 1);
        if (last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
    }
#endif
    return p;
}

}  // namespace plat
