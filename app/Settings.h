// The settings record kept in SetteiQRV.bin beside the executable: a raw
// 9,116-byte block whose first field is the list of the ten most recently
// used files. Every byte outside that list is carried through unchanged.
#pragma once
#include <cstddef>
#include <cstdint>
#include <type_traits>

constexpr int kRecentCount = 10;
constexpr int kRecentEntrySize = 256;
constexpr int kSettingsSize = 9116;

struct SettingsBlock {
    char m_RecentFileList[kRecentCount][kRecentEntrySize];  // entry 0 most recent
    uint8_t m_Reserved1[2296];
    uint8_t m_nReservedInt[4];       // little-endian int32, never interpreted
    uint8_t m_Reserved2[416];
    uint8_t m_nReservedSix[6][4];    // little-endian int32 x 6: 2, 2, 6, 14, 13, 8
    uint8_t m_Reserved3[552];
    char m_szReservedText[5][256];
    uint8_t m_Reserved4[1984];
};
static_assert(sizeof(SettingsBlock) == kSettingsSize);
static_assert(offsetof(SettingsBlock, m_nReservedSix) == 5276);
static_assert(offsetof(SettingsBlock, m_szReservedText) == 5852);
static_assert(std::is_trivially_copyable_v<SettingsBlock>);

extern SettingsBlock g_Settings;

// Fills g_Settings from g_szSettingsPath (created empty when missing, opened
// exclusively for this one read). False when it cannot be opened or holds
// fewer than 9,116 bytes. A list entry with no NUL in its 256 bytes is
// taken as empty, and the list is packed (used entries first).
bool LoadSettings();
// The same from bytes already read: false when fewer than 9,116 bytes.
// Bytes beyond the record are ignored.
bool AcceptSettings(const uint8_t* data, size_t len);
void ResetSettings();
// Writes the 9,116 bytes at the start of the file (its tail stays). False
// when the file cannot be opened.
bool SaveSettings();

// Start-up: the data paths, then the settings file read (and the entries
// whose files are gone dropped), or the defaults made and written when it
// cannot be read. Failures stay silent.
void StartSettings();

// Drops the entries (before the first empty one) whose files are gone.
void RemoveMissingRecentFiles();
// Puts `path` first; an entry equal to it ignoring ASCII letter case moves
// up instead of being duplicated. A path of 256 bytes or more cannot be an
// entry: the list is left as it is.
void PushRecentFile(const char* path);
// Moves entry i to the front, the entries before it one place down.
void MoveRecentToFront(int i);

bool IsRecentEmpty(int i);
const char* RecentEntry(int i);
