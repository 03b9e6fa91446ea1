#include "cli/ReadNamed.h"

#include "exif/ExifReader.h"

#include <new>

ReadStatus ReadNamedFile(const std::string& path, FileBytes& out, plat::SysFile* keep,
                         bool patch) {
    out.clear();
    plat::SysFile own;
    plat::SysFile& f = keep != nullptr ? *keep : own;
    switch (f.Open(path, patch)) {
    case plat::OpenResult::Ok: break;
    case plat::OpenResult::Missing: return ReadStatus::Missing;
    case plat::OpenResult::NotRegular: return ReadStatus::NotRegular;
    case plat::OpenResult::Failed: return ReadStatus::Failed;
    }
    const int64_t size = f.Size();
    if (size < 0) return ReadStatus::Failed;
    if (size > kMaxFileLen) return ReadStatus::TooLarge;
    try {
        out.resize(static_cast<size_t>(size));
    } catch (const std::bad_alloc&) {
        return ReadStatus::Failed;
    }
    if (!f.ReadAt(0, out.data(), size)) {
        out.clear();
        return ReadStatus::Failed;
    }
    return ReadStatus::Ok;
}

ReadStatus OpenNamedFile(const std::string& path, NamedFile& out) {
    switch (out.file.Open(path, false)) {
    case plat::OpenResult::Ok: break;
    case plat::OpenResult::Missing: return ReadStatus::Missing;
    case plat::OpenResult::NotRegular: return ReadStatus::NotRegular;
    case plat::OpenResult::Failed: return ReadStatus::Failed;
    }
    const int64_t size = out.file.Size();
    if (size < 0) return ReadStatus::Failed;
    if (size > kMaxFileLen) return ReadStatus::TooLarge;
    FileBytes& buf = out.buffer.bytes;
    try {
        buf.resize(static_cast<size_t>(size));
    } catch (const std::bad_alloc&) {
        return ReadStatus::Failed;
    }
    const plat::SysFile& f = out.file;
    out.bytes.Reset(buf.data(), size,
                    [&f](int64_t pos, uint8_t* dst, int64_t n) { return f.ReadAt(pos, dst, n); });
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

const char* ReadStatusText(ReadStatus s) {
    switch (s) {
    case ReadStatus::Ok: return "read";
    case ReadStatus::Missing: return "no such file";
    case ReadStatus::NotRegular: return "not a regular file";
    case ReadStatus::TooLarge: return "too large (2 GiB or more)";
    case ReadStatus::Failed: return "cannot be read";
    }
    return "cannot be read";
}
