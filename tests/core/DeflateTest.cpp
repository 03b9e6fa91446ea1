// Compressed metadata written back at its length: every length with room
// for the content, across the stored blocks' 64 KiB limit, inflates
// to the content followed by pad bytes only.
#include "locate/payload/Deflate.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

TEST(Deflate, AnyLengthThatFitsInflatesToTheContentAndPadding) {
    const std::string text = "<x:xmpmeta><rdf:Description exif:GPSLatitude='                '/></x:xmpmeta>";
    const std::vector<uint8_t> content(text.begin(), text.end());
    for (Deflated form : {Deflated::Zlib, Deflated::Raw}) {
        int fitted = 0;
        for (int64_t len : {1, 8, 40, 50, 55, 60, 61, 62, 63, 64, 70, 90, 200, 65535, 65540, 65546, 131100, 300000}) {
            std::vector<uint8_t> out, back;
            if (!DeflateToLength(content, form, len, ' ', out)) {
                EXPECT_LT(len, 80) << "a length with room for the content was refused";
                continue;
            }
            ++fitted;
            ASSERT_EQ(static_cast<int64_t>(out.size()), len);
            ASSERT_TRUE(Inflate(out.data(), len, form, 1 << 20, back)) << len;
            ASSERT_GE(back.size(), content.size());
            EXPECT_TRUE(std::equal(content.begin(), content.end(), back.begin())) << len;
            EXPECT_TRUE(std::all_of(back.begin() + static_cast<long>(content.size()), back.end(),
                                    [](uint8_t b) { return b == ' '; })) << len;
        }
        EXPECT_GE(fitted, 10);
    }
    // A stream cut short, or one that inflates past the limit, is refused.
    std::vector<uint8_t> out, back;
    ASSERT_TRUE(DeflateToLength(content, Deflated::Zlib, 200, ' ', out));
    EXPECT_FALSE(Inflate(out.data(), 150, Deflated::Zlib, 1 << 20, back));
    EXPECT_FALSE(Inflate(out.data(), 200, Deflated::Zlib, 50, back));
}
