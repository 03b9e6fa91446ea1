// The text conversions at their edges, the same on every system: bytes
// that are not CP932, characters it lacks, and characters the tables map
// one way only.
#include "platform/Text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Narrow literals compile to CP932; UTF-8 texts are u8 literals.
std::string U8(const char8_t* s) { return reinterpret_cast<const char*>(s); }

}  // namespace

TEST(Text, Cp932ToUtf8ReplacesOnlyWhatItCannotDecode) {
    struct Case {
        const char* cp932;
        const char8_t* utf8;
        const char* why;
    };
    // An undecodable byte becomes U+FFFD alone; the next is read afresh.
    const Case cases[] = {
        {"表示", u8"表示", "trail bytes 0x5C are part of their character"},
        {"\x5C\x7E", u8"\\~", "single bytes 0x5C and 0x7E stay ASCII"},
        {"\x80\xA0\xFD\xFE\xFF", u8"\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD", "bytes CP932 does not define"},
        {"A\x81", u8"A\uFFFD", "a lead byte at the end"},
        {"\x81\x20" "B", u8"\uFFFD B", "a lead byte before a byte that cannot follow it"},
        {"\x85\x40", u8"\uFFFD@", "an unassigned double-byte code"},
        {"ｱｲ", u8"ｱｲ", "half-width katakana"},
        {"～", u8"\uFF5E", "the wave dash of the Windows table"},
    };
    for (const Case& c : cases) EXPECT_EQ(plat::Cp932ToUtf8(c.cp932), U8(c.utf8)) << c.why;
}

TEST(Text, Utf8ToCp932TakesOnlyTextThatReadsBackUnchanged) {
    struct Case {
        std::string utf8;
        bool taken;
        const char* why;
    };
    const Case cases[] = {
        {U8(u8"表示\\ソフト.jpg"), true, "Japanese with a separator"},
        {U8(u8"\uFF5E\uFF0D"), true, "the Windows table's wave dash and minus"},
        {U8(u8"caf\u00E9"), false, "no CP932 form (and no look-alike is taken)"},
        {U8(u8"\u00A5"), false, "the yen sign would become 0x5C, a backslash"},
        {U8(u8"\u2014"), false, "the em dash would come back as U+2015"},
        {U8(u8"\U0001F4F7"), false, "beyond the BMP"},
        {"\xC3", false, "not UTF-8: a cut sequence"},
        {"\xED\xA0\x80", false, "not UTF-8: a surrogate"},
    };
    for (const Case& c : cases) {
        std::string out = "unchanged";
        EXPECT_EQ(plat::Utf8ToCp932(c.utf8, out), c.taken) << c.why;
        if (c.taken) EXPECT_EQ(plat::Cp932ToUtf8(out), c.utf8) << c.why;
        else EXPECT_EQ(out, "unchanged") << c.why;
    }
}
