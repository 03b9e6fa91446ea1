// The tag-name table built from CSV text, then a few look-ups.
#include "exif/TagNameTable.h"
#include "fuzz/FuzzCheck.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    SilenceMessages();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > static_cast<size_t>(kMaxTagFileSize)) return 0;
    TagNameTable t;
    BuildTagNameTable(reinterpret_cast<const char*>(data), static_cast<int64_t>(size), t);
    FUZZ_CHECK(t.m_nTagCount >= 0 && t.m_nTagCount <= static_cast<int64_t>(size) / 2);
    for (int32_t i = 0; i < t.m_nTagCount; ++i) FUZZ_CHECK(Terminated(t.m_pTagTable[i].m_szName));

    // Find answers the first row holding the tag, or null.
    const TagNameRow* rows = t.m_pTagTable.get();
    for (int32_t tag : {0x010F, 0x0110, 0x0132, 0x8825, 0, -1}) {
        int32_t first = 0;
        while (first < t.m_nTagCount && rows[first].m_nTag != tag) ++first;
        const char* expected = first < t.m_nTagCount ? rows[first].m_szName : nullptr;
        FUZZ_CHECK(t.Find(tag) == expected);
    }

    // Rebuilding replaces what the table held.
    BuildTagNameTable("0x1,A\r\n", 7, t);
    FUZZ_CHECK(t.m_nTagCount == 1 && t.Find(1) != nullptr && std::strcmp(t.Find(1), "A") == 0);
    return 0;
}
