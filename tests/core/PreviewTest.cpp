#include "cli/AnalyzeArg.h"
#include "cli/ReadNamed.h"
#include "exif/TagNameTable.h"
#include "preview/JpegSize.h"
#include "preview/PreviewBmp.h"
#include "preview/PreviewScale.h"
#include "preview/vornik2/Vornik2.h"
#include "tests/support/JpegBuilder.h"
#include "tests/support/JpegEncode.h"
#include "tests/support/TestOs.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

using namespace testjpeg;

namespace {

std::vector<uint8_t> Convert1(int bits, uint8_t r, uint8_t g, uint8_t b) {
    const uint8_t bgr[3] = {b, g, r};
    std::vector<uint8_t> out(static_cast<size_t>(DisplayStride(bits, 1)), 0xEE);
    ConvertPixels(out.data(), bgr, 1, 1, DisplayStride(bits, 1), bits);
    return out;
}

// A picture whose every pixel tells its own position: red = x, green = y.
std::vector<uint8_t> PositionPicture(int w, int h) {
    std::vector<uint8_t> px(static_cast<size_t>(w) * h * 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = &px[(static_cast<size_t>(y) * w + x) * 3];
            p[0] = static_cast<uint8_t>(x);
            p[1] = static_cast<uint8_t>(y);
            p[2] = 7;
        }
    return px;
}

class TempFiles : public testing::Test {
protected:
    void SetUp() override {
        m_dir = testos::NewTempDir("tamlix-preview");
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }
    std::string Write(const std::string& name, const Bytes& b) {
        const std::string p = (m_dir / name).string();
        EXPECT_TRUE(WriteFileBytes(p, b));
        return p;
    }
    std::filesystem::path m_dir;
};

}  // namespace

TEST(DisplayConversion, SixteenBitsPackRedGreenBlueLowByteFirst) {
    EXPECT_EQ(Convert1(16, 255, 0, 0), (std::vector<uint8_t>{0x00, 0xF8}));
    EXPECT_EQ(Convert1(16, 255, 255, 255), (std::vector<uint8_t>{0xFF, 0xFF}));
    EXPECT_EQ(Convert1(16, 8, 4, 8), (std::vector<uint8_t>{0x21, 0x08}));
}

TEST(DisplayConversion, RowStridesAndTheFourthByte) {
    EXPECT_EQ(DisplayStride(24, 5), 16);
    EXPECT_EQ(DisplayStride(24, 4), 12);
    EXPECT_EQ(DisplayStride(16, 5), 10);
    EXPECT_EQ(DisplayStride(32, 5), 20);
    EXPECT_EQ(Convert1(32, 10, 20, 30), (std::vector<uint8_t>{30, 20, 10, 0}));
    // Other depths are drawn through the 32-bit layout, never left unset.
    EXPECT_EQ(DisplayStride(8, 5), 20);
    EXPECT_EQ(Convert1(8, 10, 20, 30), (std::vector<uint8_t>{30, 20, 10, 0}));
    // 24 bits: pixels copied as they are, the pad byte not written.
    const uint8_t bgr[15] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
    std::vector<uint8_t> out(16, 0xEE);
    ConvertPixels(out.data(), bgr, 5, 1, 16, 24);
    EXPECT_EQ(out[14], 15);
    EXPECT_EQ(out[15], 0xEE);
}

TEST(Fitting, PicturesOfEveryShapeFitTheBox) {
    struct Case { int w, h, boxW, boxH, outW, outH; const char* what; } cases[] = {
        {240, 60, 200, 150, 200, 50, "wider: fills the width"},
        {60, 240, 200, 150, 37, 150, "taller: fills the height"},
        {10, 10, 200, 150, 150, 150, "smaller: enlarged"},
        {240, 180, 200, 150, 200, 150, "same aspect: fills the box"},
        {3, 7, 196, 150, 64, 150, "odd sizes truncate"},
    };
    for (const Case& c : cases) {
        const std::vector<uint8_t> pic = PositionPicture(c.w, c.h);
        const double s = FitScale(c.boxW, c.boxH, c.w, c.h);
        int32_t ow = 0, oh = 0;
        auto out = ResampleToBgr(pic.data(), c.w, c.h, s, ow, oh);
        ASSERT_NE(out, nullptr) << c.what;
        EXPECT_EQ(ow, c.outW) << c.what;
        EXPECT_EQ(oh, c.outH) << c.what;
        // The first pixel is the source's first; the last lies within two
        // source steps of the source's last (the scaled size is truncated).
        // Bytes come out blue, green, red.
        EXPECT_EQ(out[0], 7) << c.what;
        EXPECT_EQ(out[1], 0) << c.what;
        EXPECT_EQ(out[2], 0) << c.what;
        const uint8_t* last = &out[(static_cast<size_t>(oh) * ow - 1) * 3];
        const double step = 2 / s;
        EXPECT_LE(last[2], c.w - 1) << c.what;
        EXPECT_GE(last[2], c.w - 1 - step) << c.what;
        EXPECT_LE(last[1], c.h - 1) << c.what;
        EXPECT_GE(last[1], c.h - 1 - step) << c.what;
    }
}

TEST(Fitting, ReducingByHalfTakesEveryOtherPixelCentred) {
    const std::vector<uint8_t> pic = PositionPicture(8, 2);
    int32_t ow = 0, oh = 0;
    auto out = ResampleToBgr(pic.data(), 8, 2, 0.5, ow, oh);
    ASSERT_EQ(ow, 4);
    ASSERT_EQ(oh, 1);
    // sx = trunc((x - 2 + 1.75) / 0.5): 0 (clamped from -0.5), 1, 3, 5.
    const int expected[4] = {0, 1, 3, 5};
    for (int x = 0; x < 4; ++x) EXPECT_EQ(out[x * 3 + 2], expected[x]) << x;
}

TEST_F(TempFiles, LibraryConvertsEveryKindOfJpegToRgb) {
    const std::vector<uint8_t> orange = SolidRgb(24, 16, 240, 120, 20);
    for (JpegKind kind : {JpegKind::Rgb, JpegKind::Gray, JpegKind::Cmyk, JpegKind::Progressive}) {
        const std::string path = Write("k.jpg", EncodeJpeg(orange, 24, 16, kind));
        CPreviewBmp bmp;
        ASSERT_TRUE(bmp.LoadJpeg(path.c_str())) << static_cast<int>(kind);
        EXPECT_EQ(bmp.m_nBmpWidth, 24);
        EXPECT_EQ(bmp.m_nBmpHeight, 16);
        const uint8_t* p = &bmp.m_pBmpRGB[(8 * 24 + 12) * 3];
        if (kind == JpegKind::Gray) {
            EXPECT_NEAR(p[0], p[1], 2);
            EXPECT_NEAR(p[1], p[2], 2);
        } else {
            EXPECT_NEAR(p[0], 240, 6) << static_cast<int>(kind);
            EXPECT_NEAR(p[1], 120, 6) << static_cast<int>(kind);
            EXPECT_NEAR(p[2], 20, 6) << static_cast<int>(kind);
        }
    }
}

TEST_F(TempFiles, InformationRecordCarriesTheSizeLittleEndian) {
    const std::string path = Write("a.jpg", EncodeJpeg(SolidRgb(300, 2, 0, 0, 0), 300, 2, JpegKind::Rgb));
    uint8_t info[VORNIK2_INFO_SIZE];
    ASSERT_GE(jpegJpegToBmpDFCnvToBuf(path.c_str(), 1, info), 0);
    EXPECT_EQ(info[16], 300 & 0xFF);
    EXPECT_EQ(info[17], 300 >> 8);
    EXPECT_EQ(info[20], 2);
    // A fetch of another size fails; the right one succeeds once.
    std::vector<uint8_t> buf(300 * 2 * 3);
    EXPECT_LT(jpegConvertedBmpBufGet(buf.data(), 2, 300), 0);
    EXPECT_GE(jpegConvertedBmpBufGet(buf.data(), 300, 2), 0);
    EXPECT_LT(jpegConvertedBmpBufGet(buf.data(), 300, 2), 0);
}

TEST_F(TempFiles, TruncatedJpegShowsWhatDecodesHeaderOnlyFails) {
    // A half-copied file: the top decodes; the decoder fills the rest grey.
    Bytes jpeg = EncodeJpeg(PositionPicture(256, 256), 256, 256, JpegKind::Rgb);
    ASSERT_GT(jpeg.size(), 4000u);
    Bytes half(jpeg.begin(), jpeg.begin() + static_cast<long>(jpeg.size() / 2));
    CPreviewBmp bmp;
    ASSERT_TRUE(bmp.LoadJpeg(Write("half.jpg", half).c_str()));
    EXPECT_EQ(bmp.m_nBmpWidth, 256);
    EXPECT_NEAR(bmp.m_pBmpRGB[2], 7, 6);  // the top row decoded
    const uint8_t* bottom = &bmp.m_pBmpRGB[(255 * 256 + 128) * 3];
    EXPECT_EQ(bottom[0], bottom[1]);  // the picture itself has green = row = 255 there
    EXPECT_EQ(bottom[1], bottom[2]);

    // Only the SOI and the tables: no frame, no size.
    Bytes tables{0xFF, 0xD8, 0xFF, 0xD9};
    CPreviewBmp empty;
    EXPECT_FALSE(empty.LoadJpeg(Write("tables.jpg", tables).c_str()));
    EXPECT_EQ(empty.m_nBmpWidth, 0);
}

namespace {

// A progressive 8 x 8 picture whose first scan holds no valid code (a
// warning) and is followed by a marker shorter than its own length field
// (an error): the decoder stops before writing any row, yet reports the
// warning only. `components`: 3 is YCbCr, 4 CMYK.
Bytes StoppedAfterAWarning(int count) {
    const auto components = static_cast<uint8_t>(count);
    Bytes b{0xFF, 0xD8, 0xFF, 0xDB, 0x00, 0x43, 0x00};
    b.insert(b.end(), 64, 1);
    const uint8_t sofLength = static_cast<uint8_t>(8 + 3 * components);
    b.insert(b.end(), {0xFF, 0xC2, 0x00, sofLength, 8, 0, 8, 0, 8, components});
    for (uint8_t c = 1; c <= components; ++c) b.insert(b.end(), {c, 0x11, 0});
    b.insert(b.end(), {0xFF, 0xC4, 0x00, 0x14, 0x00, 1});  // one DC code, "0"
    b.insert(b.end(), 16, 0);
    const uint8_t sosLength = static_cast<uint8_t>(6 + 2 * components);
    b.insert(b.end(), {0xFF, 0xDA, 0x00, sosLength, components});
    for (uint8_t c = 1; c <= components; ++c) b.insert(b.end(), {c, 0x00});
    b.insert(b.end(), {0, 0, 0, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0xC4, 0x00, 0x01, 0xFF, 0xD9});
    return b;
}

}  // namespace

TEST_F(TempFiles, RowsTheDecoderNeverWritesAreGreyNotMemory) {
    for (int components : {3, 4}) {
        SCOPED_TRACE(components);
        CPreviewBmp bmp;
        ASSERT_TRUE(bmp.LoadJpeg(Write("stopped.jpg", StoppedAfterAWarning(components)).c_str()));
        ASSERT_EQ(bmp.m_nBmpWidth, 8);
        ASSERT_EQ(bmp.m_nBmpHeight, 8);
        for (int i = 0; i < 8 * 8 * 3; ++i) ASSERT_EQ(bmp.m_pBmpRGB[i], 0x80) << i;
    }
}

TEST_F(TempFiles, RejectedFileLeavesTheHolderAsItWas) {
    CPreviewBmp bmp;
    ASSERT_TRUE(bmp.LoadJpeg(Write("ok.jpg", EncodeJpeg(SolidRgb(10, 20, 1, 2, 3), 10, 20, JpegKind::Rgb)).c_str()));
    const uint8_t* before = bmp.m_pBmpRGB.get();
    EXPECT_FALSE(bmp.LoadJpeg(Write("bad.jpg", Bytes(1000, 0x41)).c_str()));
    EXPECT_FALSE(bmp.LoadJpeg((m_dir / "missing.jpg").string().c_str()));
    // An Exif block with no picture behind it.
    EXPECT_FALSE(bmp.LoadJpeg(Write("exif.jpg", ExifBuilder().Ifd0Text(271, "Make").Build()).c_str()));
    EXPECT_EQ(bmp.m_nBmpWidth, 10);
    EXPECT_EQ(bmp.m_nBmpHeight, 20);
    EXPECT_EQ(bmp.m_pBmpRGB.get(), before);
}

// A camera photo with two stray bytes before a marker: the decoder warns
// while reading the header and again while decoding, and every viewer
// shows the picture all the same.
TEST(CorpusPreview, DecoderWarningsStillGiveThePictureAtItsFrameSize) {
    const std::string path = std::string(TAMLIX_CORPUS_DIR) + "/gps/zero_coords_make_456.jpg";
    CPreviewBmp bmp;
    ASSERT_TRUE(bmp.LoadJpeg(path.c_str()));
    EXPECT_EQ(bmp.m_nBmpWidth, 2048);
    EXPECT_EQ(bmp.m_nBmpHeight, 1536);
    // A picture, not a grey fill: the rows differ from one another.
    const size_t row = 2048 * 3;
    EXPECT_NE(std::memcmp(&bmp.m_pBmpRGB[100 * row], &bmp.m_pBmpRGB[1400 * row], row), 0);
}

// The companion takes the picture size from the header alone, and gives
// every photo the size the preview shows (0 x 0 where it shows none):
// also after a warning, and reading only the start of the file.
TEST(CorpusPreview, TheCompanionGivesTheSizeThePreviewShows) {
    int warned = 0;
    for (const auto& e : std::filesystem::recursive_directory_iterator(TAMLIX_CORPUS_DIR)) {
        if (e.path().extension() != ".jpg") continue;
        const std::string path = e.path().string();
        SCOPED_TRACE(path);
        CPreviewBmp bmp;
        const bool shown = bmp.LoadJpeg(path.c_str());
        ExifAnalysis a{};
        NamedFile file;
        std::string err;
        ASSERT_TRUE(AnalyzeArgument(path, TagNameTable{}, a, file, err));
        EXPECT_EQ(a.m_nWidth, shown ? bmp.m_nBmpWidth : 0);
        EXPECT_EQ(a.m_nHeight, shown ? bmp.m_nBmpHeight : 0);
        int32_t w = 0, h = 0;
        bool warning = false;
        const Bytes bytes = ReadFileBytes(path);
        ReadJpegSize(bytes.data(), static_cast<int64_t>(bytes.size()), w, h, &warning);
        warned += warning;
    }
    EXPECT_GE(warned, 2);  // the stray-byte photos are among them
}
