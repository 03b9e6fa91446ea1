#include "cli/ReadNamed.h"

#include "exif/ExifReader.h"

#include <new>

namespace {

// Opens a regular file and sizes `buf` to hold it (nothing read yet);
// with `paged`, a file over kWholeBufferMaxLen is left to the caller.
ReadStatus OpenSized(const std::string& path, plat::SysFile& f, FileBytes& buf, bool patch,
                     int64_t maxLen, bool paged) {
    buf.clear();
    switch (f.Open(path, patch)) {
    case plat::OpenResult::Ok: break;
    case plat::OpenResult::Missing: return ReadStatus::Missing;
    case plat::OpenResult::NotRegular: return ReadStatus::NotRegular;
    case plat::OpenResult::Failed: return ReadStatus::Failed;
    }
    const int64_t size = f.SizeAtOpen();
    if (size < 0) return ReadStatus::Failed;
    if (size > maxLen) return ReadStatus::TooLarge;
    if (paged && size > kWholeBufferMaxLen) return ReadStatus::Ok;
    try {
        buf.resize(static_cast<size_t>(size));
    } catch (const std::bad_alloc&) {
        return ReadStatus::Failed;
    }
    return ReadStatus::Ok;
}

}  // namespace

ReadStatus OpenNamedFile(const std::string& path, NamedFile& out, int64_t maxLen, bool patch) {
    FileBytes& buf = out.buffer.bytes;
    // Only the companion's own walks take a file too large for the window,
    // in pages; the window's analysis needs its file whole.
    const bool paged = maxLen > kWindowMaxLen;
    const ReadStatus st = OpenSized(path, out.file, buf, patch, maxLen, paged);
    if (st != ReadStatus::Ok) return st;
    const plat::SysFile& f = out.file;
    const auto read = [&f](int64_t pos, uint8_t* dst, int64_t n) { return f.ReadAt(pos, dst, n); };
    const int64_t size = f.SizeAtOpen();
    if (!paged || size <= kWholeBufferMaxLen) {
        out.bytes.Reset(buf.data(), static_cast<int64_t>(buf.size()), read);
        return ReadStatus::Ok;
    }
    // Too large to hold: pages a few at a time.
    plat::PagedSpace& pages = out.pages;
    if (!pages.Reserve(size)) return ReadStatus::Failed;
    // Larger blocks than a whole buffer's: the bookkeeping is one entry
    // per block of a file that may be far larger than memory.
    constexpr int kPagedBlockShift = 14;  // 16 KiB, read two at a time at first
    out.bytes.Reset(pages.Data(), size, read, kPagedBlockShift, 2);
    out.bytes.SetBudget(
        kPagedBudget, [&pages](int64_t pos, int64_t n) { return pages.Commit(pos, n); },
        [&pages](int64_t pos, int64_t n) { pages.Drop(pos, n); });
    return ReadStatus::Ok;
}

FileBytes SpareBuffers::Take() {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_free.empty()) return {};
    FileBytes b = std::move(m_free.back());
    m_free.pop_back();
    return b;
}

void SpareBuffers::Give(FileBytes&& b) {
    b.clear();
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_free.size() < 32 && b.capacity() > 0) m_free.push_back(std::move(b));
}

SpareBuffers& BatchBuffers() {
    static SpareBuffers buffers;
    return buffers;
}

const char* ReadStatusText(ReadStatus s, int64_t maxLen) {
    switch (s) {
    case ReadStatus::Ok: return "read";
    case ReadStatus::Missing: return "no such file";
    case ReadStatus::NotRegular: return "not a regular file";
    case ReadStatus::TooLarge: return maxLen > kWindowMaxLen ? "too large (1 TiB or more)" : "too large (2 GiB or more)";
    case ReadStatus::Failed: return "cannot be read";
    }
    return "cannot be read";
}
