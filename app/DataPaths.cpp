#include "app/DataPaths.h"

#include "platform/File.h"
#include "platform/Path.h"
#include "platform/UserDirs.h"

#include <cstring>
#include <string>

char g_szModuleDir[256];
char g_szSettingsPath[260];
char g_szTagTablePath[260];

void BuildDataPaths() {
    std::string exe;
    if (!plat::ExecutablePath(exe)) exe.clear();
    BuildDataPathsFrom(exe);
    if (g_szModuleDir[0] != '\0' && !plat::CanCreateFileIn(g_szModuleDir))
        UseUserSettingsFolder();
}

void UseUserSettingsFolder() {
    std::string dir;
    if (!plat::UserSettingsFolder(dir)) return;
    const std::string settings = dir + plat::kPathSep + "SetteiQRV.bin";
    if (settings.size() >= sizeof g_szSettingsPath || !plat::CreateFolders(dir)) return;
    std::memcpy(g_szSettingsPath, settings.c_str(), settings.size() + 1);
}

void BuildDataPathsFrom(const std::string& exe) {
    g_szModuleDir[0] = g_szSettingsPath[0] = g_szTagTablePath[0] = '\0';
    const plat::PathParts parts = plat::SplitPath(exe);
    if (parts.dir.empty()) return;  // not a full path
    // The folder ends with its separator; g_szModuleDir goes without it,
    // except for the root folder, which is nothing without it. (The last
    // byte alone cannot tell: in CP932 it may end a character like "表".)
    const std::string prefix = parts.drive + parts.dir;
    const std::string dir = parts.dir.size() > 1 ? prefix.substr(0, prefix.size() - 1) : prefix;
    const std::string settings = prefix + "SetteiQRV.bin";
    const std::string tags = TagTablePathFor(exe);
    if (dir.size() >= sizeof g_szModuleDir || settings.size() >= sizeof g_szSettingsPath ||
        tags.size() >= sizeof g_szTagTablePath)
        return;
    std::memcpy(g_szModuleDir, dir.c_str(), dir.size() + 1);
    std::memcpy(g_szSettingsPath, settings.c_str(), settings.size() + 1);
    std::memcpy(g_szTagTablePath, tags.c_str(), tags.size() + 1);
}

std::string TagTablePathFor(const std::string& exePath) {
    const plat::PathParts parts = plat::SplitPath(exePath);
    return parts.drive + parts.dir + "JpegTIFFTag.csv";
}
