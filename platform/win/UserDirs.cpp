// The user's settings folder on Windows: %APPDATA%\Tamlix.
#include "platform/UserDirs.h"

#include "platform/win/Wide.h"

#include <windows.h>
#include <shlobj.h>

#include <cstdlib>

namespace plat {
namespace {

bool IsAbsolute(const std::wstring& p) {
    return (p.size() >= 3 && p[1] == L':' && (p[2] == L'\\' || p[2] == L'/')) ||
           p.rfind(L"\\\\", 0) == 0;
}

bool IsFolder(const std::wstring& w) {
    const DWORD a = GetFileAttributesW(w.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

// Whether a file can be created is known by creating one: access lists,
// not attributes, decide it on Windows.
bool CanCreateFileIn(const char* dir) {
    if (dir == nullptr || *dir == '\0') return false;
    bool valid = false;
    std::wstring w = Cp932ToWide(dir, &valid);
    if (!valid || !IsFolder(w)) return false;
    if (w.back() != L'\\' && w.back() != L'/') w += L'\\';
    w += L".tamlix-probe-" + std::to_wstring(GetCurrentProcessId()) + L".tmp";
    HANDLE h = CreateFileW(w.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_HIDDEN,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    CloseHandle(h);
    DeleteFileW(w.c_str());
    return true;
}

bool UserSettingsFolder(std::string& out) {
    std::wstring base;
    if (const wchar_t* env = _wgetenv(L"APPDATA"); env != nullptr) base = env;
    if (!IsAbsolute(base)) {
        wchar_t* known = nullptr;
        if (SHGetKnownFolderPath(FOLDERID_RoamingAppData, 0, nullptr, &known) == S_OK)
            base = known;
        CoTaskMemFree(known);
    }
    if (!IsAbsolute(base)) return false;
    while (base.size() > 3 && (base.back() == L'\\' || base.back() == L'/')) base.pop_back();
    return WideToCp932(base + L"\\Tamlix", out);
}

// The folders of a user's profile are the user's own by their access
// lists; a new folder inherits them.
bool CreateFolders(const std::string& dir) {
    bool valid = false;
    const std::wstring w = Cp932ToWide(dir, &valid);
    if (!valid || !IsAbsolute(w)) return false;
    // Past the drive ("C:\") or the share ("\\server\share\").
    size_t at = 3;
    if (w.rfind(L"\\\\", 0) == 0) {
        at = w.find_first_of(L"\\/", 2);
        at = at == std::wstring::npos ? w.size() : w.find_first_of(L"\\/", at + 1);
        if (at == std::wstring::npos) at = w.size();
    }
    for (; at <= w.size(); ++at) {
        if (at != w.size() && w[at] != L'\\' && w[at] != L'/') continue;
        const std::wstring part = w.substr(0, at);
        if (!IsFolder(part) && !CreateDirectoryW(part.c_str(), nullptr) &&
            GetLastError() != ERROR_ALREADY_EXISTS)
            return false;
    }
    return IsFolder(w);
}

}  // namespace plat
