// Reading a file named on the command line: the name as the system gives
// it, regular files only, never blocking, bounded in size.
#pragma once
#include "locate/LazyBytes.h"
#include "exif/ExifReader.h"
#include "platform/Memory.h"
#include "platform/SysFile.h"

#include <cstdint>
#include <cstddef>
#include <mutex>
#include <new>
#include <string>
#include <utility>
#include <vector>

// Bytes of a file, in memory that starts on a page boundary: the system
// copies a file's bytes into such memory several times faster than into
// memory a few bytes off it. Growing the buffer does not fill it with zeros
// first, since the read overwrites every byte anyway.
template <typename T>
class FileBytesAllocator {
public:
    using value_type = T;
    static constexpr std::align_val_t kPage{4096};

    FileBytesAllocator() = default;
    template <typename U>
    FileBytesAllocator(const FileBytesAllocator<U>&) noexcept {}

    T* allocate(size_t n) { return static_cast<T*>(::operator new(n * sizeof(T), kPage)); }
    void deallocate(T* p, size_t) noexcept { ::operator delete(p, kPage); }

    template <typename U>
    void construct(U* p) noexcept {
        ::new (static_cast<void*>(p)) U;
    }
    template <typename U, typename... Args>
    void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }

    template <typename U>
    bool operator==(const FileBytesAllocator<U>&) const noexcept { return true; }
};
using FileBytes = std::vector<uint8_t, FileBytesAllocator<uint8_t>>;

// Buffers handed from one file to the next across the threads of a batch,
// so that a batch does not ask the system for fresh (zero-filled) memory
// for every file. (Not thread_local buffers: a MinGW build crashed freeing
// one as its worker thread ended.)
class SpareBuffers {
public:
    FileBytes Take();
    void Give(FileBytes&& b);

private:
    std::mutex m_mutex;
    std::vector<FileBytes> m_free;
};

// The one set of spare buffers of this program.
SpareBuffers& BatchBuffers();

// A buffer borrowed from BatchBuffers() for as long as it lives.
struct BorrowedBytes {
    FileBytes bytes = BatchBuffers().Take();
    BorrowedBytes() = default;
    ~BorrowedBytes() { BatchBuffers().Give(std::move(bytes)); }
    BorrowedBytes(const BorrowedBytes&) = delete;
    BorrowedBytes& operator=(const BorrowedBytes&) = delete;
};

enum class ReadStatus { Ok, Missing, NotRegular, TooLarge, Failed };

// The largest file the window reads, and the largest the companion's check
// and strip take apart.
constexpr int64_t kWindowMaxLen = kMaxFileLen;
constexpr int64_t kCompanionMaxLen = int64_t{1} << 40;  // 1 TiB
// A larger file is read into pages, at most kPagedBudget held at once, so
// that what a strip (which reads everything) holds is not sized to the file.
constexpr int64_t kWholeBufferMaxLen = int64_t{32} << 20;
constexpr int64_t kPagedBudget = int64_t{32} << 20;

// A file named on the command line, open, whose bytes come into a borrowed
// buffer (or, when large, into pages) as the walks ask for them (see
// LazyBytes).
struct NamedFile {
    plat::SysFile file;
    BorrowedBytes buffer;
    plat::PagedSpace pages;
    LazyBytes bytes;
};

// Opens `path` for reading as the walks go (and for writing with `patch`);
// nothing is read yet. A file over `maxLen` bytes is refused.
ReadStatus OpenNamedFile(const std::string& path, NamedFile& out, int64_t maxLen = kWindowMaxLen,
                         bool patch = false);

// Why a read failed, in English: "no such file", "not a regular file", ...
// (`maxLen`: the limit the file was read against).
const char* ReadStatusText(ReadStatus s, int64_t maxLen = kWindowMaxLen);
