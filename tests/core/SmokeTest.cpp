#include "exif/ExifReader.h"
#include "tests/support/JpegBuilder.h"

#include <gtest/gtest.h>

using namespace testjpeg;

TEST(ExifSmoke, LittleEndianExifAtSixGivesTiffAtTwelve) {
    Bytes f = ExifBuilder(Order::II).Ifd0Text(271, "Canon").Build();
    ExifAnalysis a{};
    TagNameTable tags;
    EXPECT_TRUE(AnalyzeExif(a, f.data(), static_cast<int32_t>(f.size()), tags));
    EXPECT_EQ(a.m_nTiffPos, 12);
    EXPECT_EQ(a.m_nByteOrder, 2);
    EXPECT_STREQ(a.m_szMaker, "Canon");
}
