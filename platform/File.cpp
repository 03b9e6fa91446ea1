#include "platform/File.h"

#include "platform/Text.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>

namespace plat {
namespace {

// CP932 path -> file system path; false when the text is not CP932.
bool FsPath(const char* path, std::string& out) {
    if (path == nullptr || *path == '\0') return false;
    out = Cp932ToUtf8(path);
    return out.find("\xEF\xBF\xBD") == std::string::npos;
}

int OpenFd(const char* path, int flags, Share share) {
    std::string fs;
    if (!FsPath(path, fs)) return -1;
    int fd;
    do { fd = ::open(fs.c_str(), flags | O_CLOEXEC, 0644); } while (fd < 0 && errno == EINTR);
    if (fd < 0) return -1;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) { ::close(fd); return -1; }
    // A file without any write permission counts as read-only even for a
    // user (root) whom the system would let write it.
    bool writing = (flags & (O_WRONLY | O_RDWR)) != 0;
    if (writing && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) { ::close(fd); return -1; }
    if (share == Share::Exclusive && ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

bool File::OpenRead(const char* path, Share share) {
    Close();
    m_fd = OpenFd(path, O_RDONLY, share);
    return m_fd >= 0;
}

bool File::OpenRegularRead(const char* path) {
    Close();
    // Non-blocking, or opening a FIFO would wait for a writer.
    m_fd = OpenFd(path, O_RDONLY | O_NONBLOCK | O_NOCTTY, Share::DenyNone);
    struct stat st {};
    if (m_fd >= 0 && (::fstat(m_fd, &st) != 0 || !S_ISREG(st.st_mode))) Close();
    if (m_fd >= 0) ::fcntl(m_fd, F_SETFL, ::fcntl(m_fd, F_GETFL) & ~O_NONBLOCK);
    return m_fd >= 0;
}

bool File::OpenReadWriteCreate(const char* path, Share share) {
    Close();
    m_fd = OpenFd(path, O_RDWR | O_CREAT, share);
    return m_fd >= 0;
}

bool File::CreateNew(const char* path) {
    Close();
    m_fd = OpenFd(path, O_WRONLY | O_CREAT | O_EXCL, Share::DenyNone);
    return m_fd >= 0;
}

int64_t File::Size() const {
    struct stat st {};
    if (m_fd < 0 || ::fstat(m_fd, &st) != 0) return -1;
    return static_cast<int64_t>(st.st_size);
}

bool File::Seek(int64_t pos) {
    return m_fd >= 0 && pos >= 0 && ::lseek(m_fd, static_cast<off_t>(pos), SEEK_SET) == pos;
}

int64_t File::Read(void* buf, int64_t n) {
    if (m_fd < 0 || n < 0) return -1;
    int64_t done = 0;
    auto* p = static_cast<char*>(buf);
    while (done < n) {
        size_t chunk = static_cast<size_t>(std::min<int64_t>(n - done, 1 << 30));
        ssize_t r = ::read(m_fd, p + done, chunk);
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) return -1;
        if (r == 0) break;
        done += r;
    }
    return done;
}

bool File::Write(const void* buf, int64_t n) {
    if (m_fd < 0 || n < 0) return false;
    int64_t done = 0;
    const auto* p = static_cast<const char*>(buf);
    while (done < n) {
        size_t chunk = static_cast<size_t>(std::min<int64_t>(n - done, 1 << 30));
        ssize_t r = ::write(m_fd, p + done, chunk);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) return false;
        done += r;
    }
    return true;
}

bool File::Flush() { return m_fd >= 0 && ::fsync(m_fd) == 0; }

void File::Close() {
    if (m_fd >= 0) ::close(m_fd);  // also releases a lock taken at open
    m_fd = -1;
}

bool FileExists(const char* path) {
    std::string fs;
    struct stat st {};
    return FsPath(path, fs) && ::stat(fs.c_str(), &st) == 0;
}

bool IsDirectory(const char* path) {
    std::string fs;
    struct stat st {};
    return FsPath(path, fs) && ::stat(fs.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool RemoveFile(const char* path) {
    std::string fs;
    return FsPath(path, fs) && ::unlink(fs.c_str()) == 0;
}

bool RenameOver(const char* from, const char* to) {
    std::string a, b;
    return FsPath(from, a) && FsPath(to, b) && ::rename(a.c_str(), b.c_str()) == 0;
}

bool CopyPermissions(const char* from, const char* to) {
    std::string a, b;
    struct stat st {};
    return FsPath(from, a) && FsPath(to, b) && ::stat(a.c_str(), &st) == 0 &&
           ::chmod(b.c_str(), st.st_mode & 07777) == 0;
}

bool LastWriteTime(const char* path, LocalTime& out) {
    std::string fs;
    struct stat st {};
    if (!FsPath(path, fs) || ::stat(fs.c_str(), &st) != 0) return false;
    struct tm tmv {};
    time_t t = st.st_mtime;
    if (::localtime_r(&t, &tmv) == nullptr) return false;
    out = {tmv.tm_year + 1900, tmv.tm_mon + 1, tmv.tm_mday, tmv.tm_hour, tmv.tm_min, tmv.tm_sec};
    return true;
}

}  // namespace plat
