// The companion's file services on Win32. Paths are UTF-8 (the command
// line's UTF-16 converted) and reach the system as UTF-16 again, so any
// file name works. An open file is a C runtime descriptor over the handle,
// as in File.cpp.
#include "platform/SysFile.h"

#include "platform/win/Wide.h"
#include "platform/win/WriteSome.h"

#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cstdio>

namespace plat {
namespace {

HANDLE Handle(int fd) { return reinterpret_cast<HANDLE>(_get_osfhandle(fd)); }

bool Wide(const std::string& utf8, std::wstring& out) {
    return !utf8.empty() && Utf8ToWide(utf8, out) && out.find(L'\0') == std::wstring::npos;
}

bool IsSep(char c) { return c == '\\' || c == '/'; }

// 100-nanosecond ticks from 1601 to 1970.
constexpr int64_t kEpochTicks = 116444736000000000;

// Whoever else has the file open may read, write, rename or delete it
// meanwhile, as on POSIX.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

bool Info(int fd, BY_HANDLE_FILE_INFORMATION& info) {
    return fd >= 0 && GetFileInformationByHandle(Handle(fd), &info);
}

}  // namespace

OpenResult SysFile::Open(const std::string& path, bool patch) {
    Close();
    std::wstring w;
    if (path.empty()) return OpenResult::Missing;
    if (!Wide(path, w)) return OpenResult::Failed;
    const DWORD access = GENERIC_READ | (patch ? GENERIC_WRITE : 0);
    HANDLE h = CreateFileW(w.c_str(), access, kShareAll, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD err = GetLastError();
        if (err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND) return OpenResult::Missing;
        const DWORD attr = GetFileAttributesW(w.c_str());
        if (attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY) != 0)
            return OpenResult::NotRegular;
        return OpenResult::Failed;
    }
    // A device ("NUL", "CON") or a pipe is not a file to read whole.
    if (GetFileType(h) != FILE_TYPE_DISK) {
        CloseHandle(h);
        return OpenResult::NotRegular;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(h, &info) ||
        (patch && (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0)) {
        CloseHandle(h);
        return OpenResult::Failed;
    }
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_BINARY | (patch ? 0 : _O_RDONLY));
    if (fd < 0) {
        CloseHandle(h);
        return OpenResult::Failed;
    }
    m_fd = fd;
    m_sizeAtOpen = int64_t{info.nFileSizeHigh} << 32 | info.nFileSizeLow;
    m_writeTimeAtOpen = int64_t{info.ftLastWriteTime.dwHighDateTime} << 32 | info.ftLastWriteTime.dwLowDateTime;
    m_modTimeAtOpen = (m_writeTimeAtOpen - kEpochTicks) * 100;
    return OpenResult::Ok;
}

int64_t SysFile::Size() const {
    LARGE_INTEGER size{};
    if (m_fd < 0 || !GetFileSizeEx(Handle(m_fd), &size)) return -1;
    return size.QuadPart;
}

FileId SysFile::Id() const {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!Info(m_fd, info)) return {};
    return {info.dwVolumeSerialNumber,
            uint64_t{info.nFileIndexHigh} << 32 | info.nFileIndexLow};
}

int64_t SysFile::ModTime() const {
    FILETIME ft{};
    if (m_fd < 0 || !GetFileTime(Handle(m_fd), nullptr, nullptr, &ft)) return -1;
    const int64_t ticks = int64_t{ft.dwHighDateTime} << 32 | ft.dwLowDateTime;
    return (ticks - kEpochTicks) * 100;
}

bool SysFile::SetModTime(int64_t ns) {
    if (m_fd < 0 || ns < 0) return false;
    const int64_t ticks = ns / 100 + kEpochTicks;
    FILETIME ft{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    // The creation and access times stay as they are.
    return SetFileTime(Handle(m_fd), nullptr, nullptr, &ft);
}

// With the daylight-saving rule of the file's own date, as localtime does.
bool SysFile::WriteTimeAtOpen(LocalTime& out) const {
    FILETIME ft{};
    ft.dwHighDateTime = static_cast<DWORD>(m_writeTimeAtOpen >> 32);
    ft.dwLowDateTime = static_cast<DWORD>(m_writeTimeAtOpen);
    SYSTEMTIME utc{}, local{};
    if (m_fd < 0 || !FileTimeToSystemTime(&ft, &utc) ||
        !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local))
        return false;
    out = {local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond};
    return true;
}

bool SysFile::ReadAt(int64_t pos, void* buf, int64_t n) const {
    if (m_fd < 0 || pos < 0 || n < 0) return false;
    auto* p = static_cast<char*>(buf);
    int64_t done = 0;
    while (done < n) {
        const auto chunk = static_cast<DWORD>(std::min<int64_t>(n - done, 1 << 30));
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(pos + done);
        at.OffsetHigh = static_cast<DWORD>((pos + done) >> 32);
        DWORD got = 0;
        if (!ReadFile(Handle(m_fd), p + done, chunk, &got, &at) || got == 0) return false;
        done += got;
    }
    return true;
}

bool SysFile::WriteAt(int64_t pos, const void* buf, int64_t n) {
    if (m_fd < 0 || pos < 0 || n < 0) return false;
    LARGE_INTEGER to{};
    to.QuadPart = pos;
    return SetFilePointerEx(Handle(m_fd), to, nullptr, FILE_BEGIN) && WriteAll(Handle(m_fd), buf, n);
}

bool SysFile::Truncate(int64_t len) { return m_fd >= 0 && len >= 0 && _chsize_s(m_fd, len) == 0; }

bool SysFile::Flush() { return m_fd >= 0 && FlushFileBuffers(Handle(m_fd)); }

void SysFile::Close() {
    if (m_fd >= 0) _close(m_fd);
    m_fd = -1;
}

bool SysFileIdOf(const std::string& path, FileId& out) {
    std::wstring w;
    if (!Wide(path, w)) return false;
    // No access asked: only the identity is read, of a folder too.
    HANDLE h = CreateFileW(w.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool ok = GetFileInformationByHandle(h, &info);
    CloseHandle(h);
    if (ok)
        out = {info.dwVolumeSerialNumber, uint64_t{info.nFileIndexHigh} << 32 | info.nFileIndexLow};
    return ok;
}

bool SysIsDirectory(const std::string& path) {
    std::wstring w;
    if (!Wide(path, w)) return false;
    const DWORD a = GetFileAttributesW(w.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool SysResolveLinks(const std::string& path, std::string& out) {
    std::wstring w;
    if (!Wide(path, w)) return false;
    HANDLE h = CreateFileW(w.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    std::wstring real(MAX_PATH, L'\0');
    DWORD n = GetFinalPathNameByHandleW(h, real.data(), static_cast<DWORD>(real.size()), 0);
    if (n >= real.size()) {
        real.resize(n + 1);
        n = GetFinalPathNameByHandleW(h, real.data(), static_cast<DWORD>(real.size()), 0);
    }
    CloseHandle(h);
    if (n == 0 || n >= real.size()) return false;
    real.resize(n);
    // The answer starts "\\?\C:\..." or "\\?\UNC\server\...".
    if (real.rfind(L"\\\\?\\UNC\\", 0) == 0) real = L"\\\\" + real.substr(8);
    else if (real.rfind(L"\\\\?\\", 0) == 0) real = real.substr(4);
    out = WideToUtf8(real);
    return !out.empty();
}

std::string SysBaseName(const std::string& path) {
    std::string p = path;
    while (p.size() > 1 && IsSep(p.back())) p.pop_back();
    size_t start = p.size() >= 2 && p[1] == ':' ? 2 : 0;
    for (size_t i = start; i < p.size(); ++i)
        if (IsSep(p[i])) start = i + 1;
    return p.substr(start);
}

std::string SysJoin(const std::string& dir, const std::string& name) {
    if (dir.empty()) return name;
    return IsSep(dir.back()) || (dir.size() == 2 && dir[1] == ':') ? dir + name : dir + "\\" + name;
}

namespace {

std::string FolderOf(const std::string& path) {
    const std::string base = SysBaseName(path);
    std::string dir = path.substr(0, path.size() - base.size());
    if (dir.empty()) return ".";
    // Keep the separator of a root ("C:\", "\").
    if (dir.size() > 1 && IsSep(dir.back()) && dir != "\\" && !(dir.size() == 3 && dir[1] == ':'))
        dir.pop_back();
    return dir;
}

}  // namespace

// Each file is flushed before its rename whatever `flush` asks: Windows
// flushes a whole volume only for an administrator, so a batch cannot be
// flushed at its end (SysSyncFileSystem).
bool SysNewFile::Write(const std::string& target, const uint8_t* data, int64_t len, bool flush) {
    if (len > 0 && data == nullptr) return false;
    return WriteFrom(target, len, [data](int64_t pos, int64_t, std::vector<uint8_t>&) { return data + pos; }, flush);
}

bool SysNewFile::WriteFrom(const std::string& target, int64_t len, const PieceFn& piece, bool) {
    Drop();
    std::wstring wTarget;
    if (!Wide(target, wTarget) || len < 0) return false;
    const DWORD old = GetFileAttributesW(wTarget.c_str());
    if (old != INVALID_FILE_ATTRIBUTES && (old & FILE_ATTRIBUTE_DIRECTORY) != 0) return false;
    const std::string dir = FolderOf(target), base = SysBaseName(target);
    std::wstring wTmp;
    HANDLE h = INVALID_HANDLE_VALUE;
    for (int i = 0; i < 100 && h == INVALID_HANDLE_VALUE; ++i) {
        char suffix[48];
        std::snprintf(suffix, sizeof suffix, ".tamlix-%lu-%d.tmp", GetCurrentProcessId(), i);
        m_tmp = SysJoin(dir, "." + base + suffix);
        if (!Wide(m_tmp, wTmp)) break;
        h = CreateFileW(wTmp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                        nullptr);
        if (h == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) break;
    }
    if (h == INVALID_HANDLE_VALUE) {
        m_tmp.clear();
        return false;
    }
    m_target = target;
    BY_HANDLE_FILE_INFORMATION info{};
    bool ok = GetFileInformationByHandle(h, &info);
    m_id = {info.dwVolumeSerialNumber, uint64_t{info.nFileIndexHigh} << 32 | info.nFileIndexLow};
    constexpr int64_t kPiece = int64_t{8} << 20;
    std::vector<uint8_t> scratch;
    for (int64_t at = 0; ok && at < len; at += kPiece) {
        const int64_t n = std::min(kPiece, len - at);
        const uint8_t* p = piece(at, n, scratch);
        ok = p != nullptr && WriteAll(h, p, n);
    }
    ok = ok && FlushFileBuffers(h);
    ok = CloseHandle(h) && ok;
    // What an existing target carries of its own: its attributes.
    constexpr DWORD kKept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                            FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    if (ok && old != INVALID_FILE_ATTRIBUTES && (old & kKept) != 0)
        ok = SetFileAttributesW(wTmp.c_str(), old & kKept);
    if (!ok) Drop();
    return ok;
}

// Windows has no call that copies one open file into another inside the
// system while keeping the checks made here; the caller writes the photo
// from memory instead.
bool SysNewFile::Copy(const std::string&, const SysFile&, int64_t, const std::vector<BytePatch>&,
                      int64_t, int64_t, bool) {
    Drop();
    return false;
}

bool SysNewFile::Place() {
    std::wstring wTmp, wTarget;
    if (m_tmp.empty() || !Wide(m_tmp, wTmp) || !Wide(m_target, wTarget)) {
        Drop();
        return false;
    }
    const bool ok = MoveFileExW(wTmp.c_str(), wTarget.c_str(),
                                MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!ok) Drop();
    m_tmp.clear();
    return ok;
}

void SysNewFile::Drop() {
    std::wstring wTmp;
    if (!m_tmp.empty() && Wide(m_tmp, wTmp)) DeleteFileW(wTmp.c_str());
    m_tmp.clear();
    m_target.clear();
    m_id = {};
}

std::FILE* SysOpenStream(const std::string& path) {
    std::wstring w;
    return Wide(path, w) ? _wfopen(w.c_str(), L"rb") : nullptr;
}

bool SysSyncFileSystem(const std::string& path) { return SysIsDirectory(path); }

}  // namespace plat
