#include "app/Settings.h"

#include "app/DataPaths.h"
#include "platform/File.h"

#include <cstring>

SettingsBlock g_Settings;

namespace {

bool OpenSettingsFile(plat::File& f) {
    return g_szSettingsPath[0] != '\0' &&
           f.OpenReadWriteCreate(g_szSettingsPath, plat::Share::Exclusive);
}

// Entries without a NUL are emptied; then the used entries are moved first.
void CleanRecentList() {
    for (auto& entry : g_Settings.m_RecentFileList)
        if (std::memchr(entry, '\0', kRecentEntrySize) == nullptr) entry[0] = '\0';
    int used = 0;
    for (int i = 0; i < kRecentCount; ++i) {
        if (IsRecentEmpty(i)) continue;
        if (i != used) {
            std::memcpy(g_Settings.m_RecentFileList[used], g_Settings.m_RecentFileList[i],
                        kRecentEntrySize);
            g_Settings.m_RecentFileList[i][0] = '\0';
        }
        ++used;
    }
}

bool EqualIgnoringAsciiCase(const char* a, const char* b) {
    for (;; ++a, ++b) {
        char ca = *a, cb = *b;
        if (ca >= 'A' && ca <= 'Z') ca = static_cast<char>(ca - 'A' + 'a');
        if (cb >= 'A' && cb <= 'Z') cb = static_cast<char>(cb - 'A' + 'a');
        if (ca != cb) return false;
        if (ca == '\0') return true;
    }
}

}  // namespace

bool IsRecentEmpty(int i) { return g_Settings.m_RecentFileList[i][0] == '\0'; }
const char* RecentEntry(int i) { return g_Settings.m_RecentFileList[i]; }

bool LoadSettings() {
    plat::File f;
    if (!OpenSettingsFile(f)) return false;
    if (f.Size() < kSettingsSize || !f.Seek(0)) return false;
    uint8_t block[kSettingsSize];
    const int64_t got = f.Read(block, kSettingsSize);
    return got >= 0 && AcceptSettings(block, static_cast<size_t>(got));
}

bool AcceptSettings(const uint8_t* data, size_t len) {
    if (len < static_cast<size_t>(kSettingsSize)) return false;
    std::memcpy(&g_Settings, data, kSettingsSize);
    CleanRecentList();
    return true;
}

void ResetSettings() {
    std::memset(&g_Settings, 0, sizeof g_Settings);
    const int32_t six[6] = {2, 2, 6, 14, 13, 8};
    for (int i = 0; i < 6; ++i)
        for (int b = 0; b < 4; ++b)
            g_Settings.m_nReservedSix[i][b] = static_cast<uint8_t>(six[i] >> (8 * b));
}

bool SaveSettings() {
    plat::File f;
    if (!OpenSettingsFile(f)) return false;
    if (f.Seek(0)) f.Write(&g_Settings, kSettingsSize);
    return true;
}

void StartSettings() {
    BuildDataPaths();
    if (LoadSettings()) {
        RemoveMissingRecentFiles();
    } else {
        ResetSettings();
        SaveSettings();
    }
}

void RemoveMissingRecentFiles() {
    int n = 0;
    while (n < kRecentCount && !IsRecentEmpty(n)) ++n;
    int kept = 0;
    for (int i = 0; i < n; ++i) {
        if (!plat::FileExists(RecentEntry(i))) continue;
        if (i != kept)
            std::memcpy(g_Settings.m_RecentFileList[kept], g_Settings.m_RecentFileList[i],
                        kRecentEntrySize);
        ++kept;
    }
    for (int i = kept; i < n; ++i) g_Settings.m_RecentFileList[i][0] = '\0';
}

void PushRecentFile(const char* given) {
    size_t len = std::strlen(given);
    if (len == 0 || len >= kRecentEntrySize) return;
    // The path may be one of the list's own entries, which the shift below
    // overwrites: it is copied first.
    char path[kRecentEntrySize];
    std::memcpy(path, given, len + 1);
    int from = kRecentCount - 1;
    for (int i = 0; i < kRecentCount; ++i) {
        if (EqualIgnoringAsciiCase(RecentEntry(i), path)) { from = i; break; }
    }
    std::memmove(g_Settings.m_RecentFileList[1], g_Settings.m_RecentFileList[0],
                 static_cast<size_t>(from) * kRecentEntrySize);
    std::memcpy(g_Settings.m_RecentFileList[0], path, len + 1);
}

void MoveRecentToFront(int i) {
    if (i <= 0 || i >= kRecentCount) return;
    char copy[kRecentEntrySize];
    std::memcpy(copy, g_Settings.m_RecentFileList[i], kRecentEntrySize);
    std::memmove(g_Settings.m_RecentFileList[1], g_Settings.m_RecentFileList[0],
                 static_cast<size_t>(i) * kRecentEntrySize);
    std::memcpy(g_Settings.m_RecentFileList[0], copy, kRecentEntrySize);
}
