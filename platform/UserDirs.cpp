#include "platform/UserDirs.h"

#include "platform/Text.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>

namespace plat {
namespace {

bool IsAbsolute(const char* p) { return p != nullptr && p[0] == '/'; }

bool IsFolder(const std::string& fs) {
    struct stat st {};
    return ::stat(fs.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

bool CanCreateFileIn(const char* dir) {
    if (dir == nullptr || *dir == '\0') return false;
    const std::string fs = Cp932ToUtf8(dir);
    // Write and search permission for the effective user (and a file
    // system mounted for writing).
    return IsFolder(fs) && ::faccessat(AT_FDCWD, fs.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

bool UserSettingsFolder(std::string& out) {
    std::string base;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); IsAbsolute(xdg)) {
        base = xdg;
    } else {
        const char* home = std::getenv("HOME");
        if (!IsAbsolute(home)) {
            const passwd* pw = ::getpwuid(::geteuid());
            home = pw != nullptr ? pw->pw_dir : nullptr;
        }
        if (!IsAbsolute(home)) return false;
        base = std::string(home) + "/.config";
    }
    while (base.size() > 1 && base.back() == '/') base.pop_back();
    return Utf8ToCp932(base + "/tamlix", out);
}

bool CreateFolders(const std::string& dir) {
    const std::string fs = Cp932ToUtf8(dir);
    if (fs.empty() || fs[0] != '/') return false;
    for (size_t at = 1; at <= fs.size(); ++at) {
        if (at != fs.size() && fs[at] != '/') continue;
        const std::string part = fs.substr(0, at);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
    return IsFolder(fs);
}

}  // namespace plat
