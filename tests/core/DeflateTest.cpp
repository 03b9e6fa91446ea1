// Compressed metadata written back at its length: every length with room
// for the content, across the stored blocks' 64 KiB limit, inflates
// to the content followed by pad bytes only.
#include "locate/payload/Deflate.h"

#include <brotli/encode.h>
#include <gtest/gtest.h>
#include <zlib.h>

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

// A stripped content hardly compresses better than the one its writer
// compressed: the stream must fit with a few bytes to spare, also where
// the content is too large to try levels and strategies (as ImageMagick's
// hex Exif profiles are). Brotli pads with a metadata block decoders skip.
TEST(Deflate, ALargeContentFitsAStreamAFewBytesLongerThanItsWritersOwn) {
    std::string text;
    uint32_t x = 12345;
    while (text.size() < 40000) {
        x = x * 1103515245 + 12345;
        text += "0123456789abcdef"[x >> 28];
        if (text.size() % 73 == 72) text += '\n';
    }
    const std::vector<uint8_t> content(text.begin(), text.end());
    std::vector<uint8_t> writers(compressBound(static_cast<uLong>(content.size())));
    uLongf n = writers.size();
    ASSERT_EQ(compress2(writers.data(), &n, content.data(), static_cast<uLong>(content.size()), 9), Z_OK);
    std::vector<uint8_t> out, back;
    ASSERT_TRUE(DeflateToLength(content, Deflated::Zlib, static_cast<int64_t>(n) + 6, '\n', out));
    ASSERT_TRUE(Inflate(out.data(), static_cast<int64_t>(out.size()), Deflated::Zlib, 1 << 20, back));
    EXPECT_TRUE(std::equal(content.begin(), content.end(), back.begin()));

    size_t b = BrotliEncoderMaxCompressedSize(content.size());
    std::vector<uint8_t> brotli(b);
    ASSERT_TRUE(BrotliEncoderCompress(9, BROTLI_DEFAULT_WINDOW, BROTLI_MODE_GENERIC, content.size(), content.data(), &b,
                                      brotli.data()));
    for (int64_t more : {8, 9, 10, 100, 70000}) {
        ASSERT_TRUE(DeflateToLength(content, Deflated::Brotli, static_cast<int64_t>(b) + more, 0, out)) << more;
        ASSERT_EQ(static_cast<int64_t>(out.size()), static_cast<int64_t>(b) + more);
        ASSERT_TRUE(Inflate(out.data(), static_cast<int64_t>(out.size()), Deflated::Brotli, 1 << 20, back)) << more;
        EXPECT_EQ(back, content) << more;
        EXPECT_FALSE(Inflate(out.data(), static_cast<int64_t>(out.size()) - 1, Deflated::Brotli, 1 << 20, back));
    }
}
