#include "platform/SysFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>
#include <ctime>

namespace plat {

OpenResult SysFile::Open(const std::string& path, bool patch) {
    Close();
    if (path.empty()) return OpenResult::Missing;
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer.
    const int flags = (patch ? O_RDWR : O_RDONLY) | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;
    int fd;
    do { fd = ::open(path.c_str(), flags); } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR) return OpenResult::Missing;
        if (errno == EISDIR || errno == ENXIO) return OpenResult::NotRegular;
        return OpenResult::Failed;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        ::close(fd);
        return OpenResult::Failed;
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        return OpenResult::NotRegular;
    }
    m_fd = fd;
    m_sizeAtOpen = static_cast<int64_t>(st.st_size);
    m_writeTimeAtOpen = static_cast<int64_t>(st.st_mtime);
    m_modTimeAtOpen = int64_t{st.st_mtim.tv_sec} * 1000000000 + st.st_mtim.tv_nsec;
    return OpenResult::Ok;
}

int64_t SysFile::Size() const {
    struct stat st {};
    if (m_fd < 0 || ::fstat(m_fd, &st) != 0) return -1;
    return static_cast<int64_t>(st.st_size);
}

FileId SysFile::Id() const {
    struct stat st {};
    if (m_fd < 0 || ::fstat(m_fd, &st) != 0) return {};
    return {static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
}

int64_t SysFile::ModTime() const {
    struct stat st {};
    if (m_fd < 0 || ::fstat(m_fd, &st) != 0) return -1;
    return int64_t{st.st_mtim.tv_sec} * 1000000000 + st.st_mtim.tv_nsec;
}

bool SysFile::SetModTime(int64_t ns) {
    if (m_fd < 0 || ns < 0) return false;
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;  // the access time as it is
    times[1].tv_sec = static_cast<time_t>(ns / 1000000000);
    times[1].tv_nsec = static_cast<long>(ns % 1000000000);
    return ::futimens(m_fd, times) == 0;
}

bool SysFile::WriteTimeAtOpen(LocalTime& out) const {
    if (m_fd < 0) return false;
    struct tm tmv {};
    const time_t t = static_cast<time_t>(m_writeTimeAtOpen);
    if (::localtime_r(&t, &tmv) == nullptr) return false;
    out = {tmv.tm_year + 1900, tmv.tm_mon + 1, tmv.tm_mday, tmv.tm_hour, tmv.tm_min, tmv.tm_sec};
    return true;
}

namespace {

// Reads or writes exactly n bytes at pos, across interrupted and partial
// calls; false on an error or the file's end.
bool AllAt(int fd, char* buf, int64_t n, int64_t pos, bool write) {
    if (fd < 0 || pos < 0 || n < 0) return false;
    for (int64_t done = 0; done < n;) {
        const size_t chunk = static_cast<size_t>(std::min<int64_t>(n - done, 1 << 30));
        const off_t at = static_cast<off_t>(pos + done);
        const ssize_t r = write ? ::pwrite(fd, buf + done, chunk, at) : ::pread(fd, buf + done, chunk, at);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) return false;
        done += r;
    }
    return true;
}

}  // namespace

bool SysFile::ReadAt(int64_t pos, void* buf, int64_t n) const {
    return AllAt(m_fd, static_cast<char*>(buf), n, pos, false);
}

bool SysFile::WriteAt(int64_t pos, const void* buf, int64_t n) {
    return AllAt(m_fd, const_cast<char*>(static_cast<const char*>(buf)), n, pos, true);
}

bool SysFile::Truncate(int64_t len) { return m_fd >= 0 && len >= 0 && ::ftruncate(m_fd, len) == 0; }

bool SysFile::Flush() { return m_fd >= 0 && ::fsync(m_fd) == 0; }

void SysFile::Close() {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
}

bool SysFileIdOf(const std::string& path, FileId& out) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0) return false;
    out = {static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
    return true;
}

bool SysIsDirectory(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool SysResolveLinks(const std::string& path, std::string& out) {
    if (path.empty()) return false;
    char* real = ::realpath(path.c_str(), nullptr);
    if (real == nullptr) return false;
    out = real;
    std::free(real);
    return true;
}

std::string SysBaseName(const std::string& path) {
    std::string p = path;
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    const size_t slash = p.rfind('/');
    return slash == std::string::npos ? p : p.substr(slash + 1);
}

std::string SysJoin(const std::string& dir, const std::string& name) {
    if (dir.empty()) return name;
    return dir.back() == '/' ? dir + name : dir + "/" + name;
}

namespace {

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// A new temporary file beside `target`, its name in `tmp` and its state in
// `made`; -1 (and `tmp` untouched) when none can be made. An existing
// target's permissions are given to it.
int CreateTempBeside(const std::string& target, std::string& tmp, struct stat& made) {
    struct stat old {};
    const bool exists = ::stat(target.c_str(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode)) return -1;
    static const int pid = static_cast<int>(::getpid());
    const std::string dir = FolderOf(target), base = SysBaseName(target);
    for (int i = 0; i < 100; ++i) {
        char suffix[48];
        std::snprintf(suffix, sizeof suffix, ".tamlix-%d-%d.tmp", pid, i);
        const std::string name = SysJoin(dir, "." + base + suffix);
        const int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0 && errno == EEXIST) continue;
        if (fd < 0) return -1;
        if ((exists && ::fchmod(fd, old.st_mode & 07777) != 0) || ::fstat(fd, &made) != 0) {
            ::close(fd);
            ::unlink(name.c_str());
            return -1;
        }
        tmp = name;
        return fd;
    }
    return -1;
}

// Flushes the temporary file when asked and closes it; true when all went well.
bool CloseTemp(int fd, bool ok, bool flush) {
    ok = ok && (!flush || ::fsync(fd) == 0);
    return ::close(fd) == 0 && ok;
}

FileId IdOf(const struct stat& st) {
    return {static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
}

// True when the open file still has the length and time it had when read.
bool Unchanged(int fd, int64_t len, int64_t modTime) {
    struct stat st {};
    return ::fstat(fd, &st) == 0 && static_cast<int64_t>(st.st_size) == len &&
           int64_t{st.st_mtim.tv_sec} * 1000000000 + st.st_mtim.tv_nsec == modTime;
}

}  // namespace

bool SysNewFile::Write(const std::string& target, const uint8_t* data, int64_t len, bool flush) {
    if (len > 0 && data == nullptr) return false;
    return WriteFrom(target, len, [data](int64_t pos, int64_t, std::vector<uint8_t>&) { return data + pos; }, flush);
}

bool SysNewFile::WriteFrom(const std::string& target, int64_t len, const PieceFn& piece, bool flush) {
    Drop();
    if (target.empty() || len < 0) return false;
    struct stat st {};
    const int fd = CreateTempBeside(target, m_tmp, st);
    if (fd < 0) return false;
    m_target = target;
    m_id = IdOf(st);
    constexpr int64_t kPiece = int64_t{8} << 20;
    std::vector<uint8_t> scratch;
    bool wrote = true;
    for (int64_t at = 0; wrote && at < len; at += kPiece) {
        const int64_t n = std::min(kPiece, len - at);
        const uint8_t* p = piece(at, n, scratch);
        wrote = p != nullptr && AllAt(fd, const_cast<char*>(reinterpret_cast<const char*>(p)), n, at, true);
    }
    const bool ok = CloseTemp(fd, wrote, flush);
    if (!ok) Drop();
    return ok;
}

namespace {

// Has the system copy the n bytes at pos of one file to the same place in another.
bool CopyRange(int from, int to, int64_t pos, int64_t n) {
    loff_t in = pos, out = pos;
    for (const int64_t end = pos + n; in < end;) {
        const ssize_t r = ::copy_file_range(from, &in, to, &out,
                                            static_cast<size_t>(std::min<int64_t>(end - in, 1 << 30)), 0);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) return false;
    }
    return true;
}

// The file blocks the patches fall in, joined where they touch.
std::vector<ByteRange> PatchedBlocks(const std::vector<BytePatch>& patches, int64_t block, int64_t len) {
    std::vector<ByteRange> out;
    for (const BytePatch& p : patches) {
        const int64_t from = p.pos / block * block;
        const int64_t to = std::min(len, (p.pos + p.len + block - 1) / block * block);
        out.push_back({from, to - from});
    }
    return JoinRanges(std::move(out));
}

}  // namespace

bool SysNewFile::Copy(const std::string& target, const SysFile& source, int64_t modTime,
                      const std::vector<BytePatch>& patches, int64_t len, int64_t copyLen, bool flush) {
    Drop();
    if (target.empty() || len < 0 || copyLen < 0 || copyLen > len || source.m_fd < 0) return false;
    for (const BytePatch& p : patches)
        if (p.pos < 0 || p.len < 0 || p.pos > copyLen - p.len) return false;
    struct stat st {};
    const int fd = CreateTempBeside(target, m_tmp, st);
    if (fd < 0) return false;
    m_target = target;
    m_id = IdOf(st);
    // The system copies the bytes without passing them through this program
    // and shares the blocks where the file system can. The blocks to patch
    // are read, patched and written from here instead: writing into a
    // shared block would make the file system copy it first.
    bool ok = true;
    const int64_t block = st.st_blksize >= 512 && st.st_blksize <= (1 << 20) ? st.st_blksize : 4096;
    int64_t at = 0;
    std::vector<uint8_t> buf;
    for (const ByteRange& b : PatchedBlocks(patches, block, copyLen)) {
        ok = ok && CopyRange(source.m_fd, fd, at, b.pos - at);
        buf.resize(static_cast<size_t>(b.len));
        ok = ok && AllAt(source.m_fd, reinterpret_cast<char*>(buf.data()), b.len, b.pos, false);
        // Each patch goes over the bytes that were read and analysed.
        ok = ok && LayPatches(buf.data(), b.pos, b.len, patches);
        ok = ok && AllAt(fd, reinterpret_cast<char*>(buf.data()), b.len, b.pos, true);
        at = b.pos + b.len;
        if (!ok) break;
    }
    ok = ok && CopyRange(source.m_fd, fd, at, copyLen - at);
    // What was copied is what was read: the same length and time after it
    // as when it was read.
    ok = CloseTemp(fd, ok && Unchanged(source.m_fd, len, modTime), flush);
    if (!ok) Drop();
    return ok;
}

bool SysNewFile::Place() {
    if (m_tmp.empty()) return false;
    const bool ok = ::rename(m_tmp.c_str(), m_target.c_str()) == 0;
    if (!ok) Drop();
    m_tmp.clear();
    return ok;
}

void SysNewFile::Drop() {
    if (!m_tmp.empty()) ::unlink(m_tmp.c_str());
    m_tmp.clear();
    m_target.clear();
    m_id = {};
}

std::FILE* SysOpenStream(const std::string& path) { return std::fopen(path.c_str(), "rb"); }

bool SysSyncFileSystem(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    const bool ok = ::syncfs(fd) == 0;
    ::close(fd);
    return ok;
}

}  // namespace plat
