// The settings record taken from a file's bytes, then the list operations
// the window runs on it.
#include "app/Settings.h"
#include "fuzz/FuzzCheck.h"

#include <cstring>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    SilenceMessages();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!AcceptSettings(data, size)) {
        FUZZ_CHECK(size < static_cast<size_t>(kSettingsSize));
        return 0;
    }
    // Every entry is terminated and the used ones come first.
    bool seenEmpty = false;
    for (int i = 0; i < kRecentCount; ++i) {
        FUZZ_CHECK(std::memchr(RecentEntry(i), '\0', kRecentEntrySize) != nullptr);
        if (IsRecentEmpty(i)) seenEmpty = true;
        else FUZZ_CHECK(!seenEmpty);
    }
    // Bytes outside the list are carried unchanged.
    const auto* block = reinterpret_cast<const uint8_t*>(&g_Settings);
    const size_t list = sizeof g_Settings.m_RecentFileList;
    FUZZ_CHECK(std::memcmp(block + list, data + list, kSettingsSize - list) == 0);

    PushRecentFile(RecentEntry(kRecentCount - 1));
    PushRecentFile("/tmp/a.jpg");
    MoveRecentToFront(3);
    for (int i = 0; i < kRecentCount; ++i)
        FUZZ_CHECK(std::memchr(RecentEntry(i), '\0', kRecentEntrySize) != nullptr);
    return 0;
}
