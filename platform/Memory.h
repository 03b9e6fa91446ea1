// Large picture buffers. Touching fresh memory page by page is costly on
// some systems (a 24-megapixel picture is 18,000 small pages); such buffers
// ask for large pages where the system offers them.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>

namespace plat {

// An uninitialised buffer of n bytes, or null when it cannot be allocated.
std::unique_ptr<uint8_t[]> NewLargeBuffer(size_t n);

// Address space for the bytes of a file too large to hold: its pages take
// memory only while they hold bytes, and give it back when dropped, so a
// reader that keeps a few of them at a time may walk a file of any size
// with pointers into one range.
class PagedSpace {
public:
    PagedSpace() = default;
    ~PagedSpace();
    PagedSpace(const PagedSpace&) = delete;
    PagedSpace& operator=(const PagedSpace&) = delete;

    // Reserves n bytes (nothing committed yet); false when it cannot.
    bool Reserve(int64_t n);
    uint8_t* Data() const { return m_data; }
    int64_t Length() const { return m_len; }
    // Makes [pos, pos+n) writable before bytes go there.
    bool Commit(int64_t pos, int64_t n);
    // Gives the memory of [pos, pos+n) back; its bytes are lost. Both ends
    // must lie on page boundaries (or the end of the space).
    void Drop(int64_t pos, int64_t n);

private:
    void Free();

    uint8_t* m_data = nullptr;
    int64_t m_len = 0;
};

}  // namespace plat
