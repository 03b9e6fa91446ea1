#include "platform/Memory.h"

#include <new>

#if defined(_WIN32)
#include <windows.h>
#else
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

PagedSpace::~PagedSpace() { Free(); }

void PagedSpace::Free() {
    if (m_data == nullptr) return;
#if defined(_WIN32)
    VirtualFree(m_data, 0, MEM_RELEASE);
#else
    munmap(m_data, static_cast<size_t>(m_len));
#endif
    m_data = nullptr;
    m_len = 0;
}

bool PagedSpace::Reserve(int64_t n) {
    Free();
    if (n <= 0 || static_cast<uint64_t>(n) > SIZE_MAX) return false;
#if defined(_WIN32)
    void* p = VirtualAlloc(nullptr, static_cast<size_t>(n), MEM_RESERVE, PAGE_READWRITE);
    if (p == nullptr) return false;
#else
    // Pages are made when first written and count against no reserve.
    void* p = mmap(nullptr, static_cast<size_t>(n), PROT_READ | PROT_WRITE,
                   MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (p == MAP_FAILED) return false;
#endif
    m_data = static_cast<uint8_t*>(p);
    m_len = n;
    return true;
}

bool PagedSpace::Commit(int64_t pos, int64_t n) {
    if (m_data == nullptr || pos < 0 || n < 0 || pos > m_len - n) return false;
#if defined(_WIN32)
    return n == 0 || VirtualAlloc(m_data + pos, static_cast<size_t>(n), MEM_COMMIT, PAGE_READWRITE) != nullptr;
#else
    return true;
#endif
}

void PagedSpace::Drop(int64_t pos, int64_t n) {
    if (m_data == nullptr || pos < 0 || n <= 0 || pos > m_len - n) return;
#if defined(_WIN32)
    VirtualFree(m_data + pos, static_cast<size_t>(n), MEM_DECOMMIT);
#else
    madvise(m_data + pos, static_cast<size_t>(n), MADV_DONTNEED);
#endif
}

}  // namespace plat
