// File services on Win32. Paths are CP932 and reach the system as UTF-16
// converted by code page 932, so Japanese names work whatever the system's
// own code page. An open file is a C runtime descriptor over the Win32
// handle, which keeps File's layout the same on every system.
#include "platform/File.h"

#include "platform/win/Wide.h"
#include "platform/win/WriteSome.h"

#include <windows.h>
#include <io.h>
#include <fcntl.h>

#include <algorithm>

namespace plat {
namespace {

// CP932 path -> UTF-16; false when the text is not CP932.
bool WidePath(const char* path, std::wstring& out) {
    if (path == nullptr || *path == '\0') return false;
    bool valid = false;
    out = Cp932ToWide(path, &valid);
    return valid;
}

HANDLE Handle(int fd) { return reinterpret_cast<HANDLE>(_get_osfhandle(fd)); }

// The program's two share modes: deny none lets others read and write
// meanwhile; exclusive lets nobody else open the file at all.
DWORD ShareFlags(Share share) {
    return share == Share::DenyNone ? FILE_SHARE_READ | FILE_SHARE_WRITE : 0;
}

// Opens a regular file (not a folder, device or pipe) as a descriptor.
// Opening never waits, whatever the name leads to.
int OpenFd(const char* path, DWORD access, DWORD disposition, DWORD share) {
    std::wstring w;
    if (!WidePath(path, w)) return -1;
    HANDLE h = CreateFileW(w.c_str(), access, share, nullptr, disposition,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return -1;
    // A read-only file is refused for writing even where the system would
    // let this user write it (an administrator, or root under Wine).
    BY_HANDLE_FILE_INFORMATION info{};
    const bool writing = (access & GENERIC_WRITE) != 0;
    if (GetFileType(h) != FILE_TYPE_DISK || !GetFileInformationByHandle(h, &info) ||
        (writing && (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0)) {
        CloseHandle(h);
        return -1;
    }
    const int flags = _O_BINARY | (access == GENERIC_READ ? _O_RDONLY : 0);
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), flags);
    if (fd < 0) CloseHandle(h);
    return fd;
}

constexpr DWORD kChunk = DWORD{1} << 30;

}  // namespace

bool WriteAll(void* handle, const void* buf, int64_t n) {
    const auto* p = static_cast<const char*>(buf);
    int64_t done = 0;
    while (done < n) {
        uint32_t put = 0;
        const auto chunk = static_cast<uint32_t>(std::min<int64_t>(n - done, kChunk));
        if (!WriteSome(handle, p + done, chunk, &put) || put == 0) return false;
        done += put;
    }
    return true;
}

bool File::OpenRead(const char* path, Share share) {
    Close();
    m_fd = OpenFd(path, GENERIC_READ, OPEN_EXISTING, ShareFlags(share));
    return m_fd >= 0;
}

bool File::OpenRegularRead(const char* path) {
    Close();
    m_fd = OpenFd(path, GENERIC_READ, OPEN_EXISTING,
                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
    return m_fd >= 0;
}

bool File::OpenReadWriteCreate(const char* path, Share share) {
    Close();
    m_fd = OpenFd(path, GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS, ShareFlags(share));
    return m_fd >= 0;
}

bool File::CreateNew(const char* path) {
    Close();
    m_fd = OpenFd(path, GENERIC_WRITE, CREATE_NEW, ShareFlags(Share::DenyNone));
    return m_fd >= 0;
}

int64_t File::Size() const {
    LARGE_INTEGER size{};
    if (m_fd < 0 || !GetFileSizeEx(Handle(m_fd), &size)) return -1;
    return size.QuadPart;
}

bool File::Seek(int64_t pos) {
    if (m_fd < 0 || pos < 0) return false;
    LARGE_INTEGER to{}, now{};
    to.QuadPart = pos;
    return SetFilePointerEx(Handle(m_fd), to, &now, FILE_BEGIN) && now.QuadPart == pos;
}

int64_t File::Read(void* buf, int64_t n) {
    if (m_fd < 0 || n < 0) return -1;
    int64_t done = 0;
    auto* p = static_cast<char*>(buf);
    while (done < n) {
        const auto chunk = static_cast<DWORD>(std::min<int64_t>(n - done, kChunk));
        DWORD got = 0;
        if (!ReadFile(Handle(m_fd), p + done, chunk, &got, nullptr)) return -1;
        if (got == 0) break;
        done += got;
    }
    return done;
}

bool File::Write(const void* buf, int64_t n) {
    return m_fd >= 0 && n >= 0 && WriteAll(Handle(m_fd), buf, n);
}

bool File::Flush() { return m_fd >= 0 && FlushFileBuffers(Handle(m_fd)); }

void File::Close() {
    if (m_fd >= 0) _close(m_fd);  // closes the handle too
    m_fd = -1;
}

namespace {
DWORD Attributes(const char* path) {
    std::wstring w;
    return WidePath(path, w) ? GetFileAttributesW(w.c_str()) : INVALID_FILE_ATTRIBUTES;
}
}  // namespace

bool FileExists(const char* path) { return Attributes(path) != INVALID_FILE_ATTRIBUTES; }

bool IsDirectory(const char* path) {
    const DWORD a = Attributes(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool RemoveFile(const char* path) {
    std::wstring w;
    return WidePath(path, w) && DeleteFileW(w.c_str());
}

// The data of `from` is already flushed by the caller; the rename itself
// is written through before this returns.
bool RenameOver(const char* from, const char* to) {
    std::wstring a, b;
    return WidePath(from, a) && WidePath(to, b) &&
           MoveFileExW(a.c_str(), b.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

// Windows keeps no permission bits; what a file carries of its own are its
// attributes (read-only, hidden, system, archive, not indexed). Access
// lists come from the folder, which the two files share.
bool CopyPermissions(const char* from, const char* to) {
    constexpr DWORD kKept = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                            FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                            FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    const DWORD a = Attributes(from);
    std::wstring w;
    if (a == INVALID_FILE_ATTRIBUTES || !WidePath(to, w)) return false;
    const DWORD kept = a & kKept;
    return SetFileAttributesW(w.c_str(), kept != 0 ? kept : FILE_ATTRIBUTE_NORMAL);
}

// Converted with the daylight-saving rule of the file's own date, as the
// POSIX build's localtime does, not with today's.
bool LastWriteTime(const char* path, LocalTime& out) {
    std::wstring w;
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!WidePath(path, w) || !GetFileAttributesExW(w.c_str(), GetFileExInfoStandard, &data))
        return false;
    SYSTEMTIME utc{}, local{};
    if (!FileTimeToSystemTime(&data.ftLastWriteTime, &utc) ||
        !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local))
        return false;
    out = {local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond};
    return true;
}

}  // namespace plat
