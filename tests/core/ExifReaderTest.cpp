// The Exif reader on inputs built in code: where it looks for "Exif" and the
// TIFF header, how many IFD entries it processes, how it fills each entry,
// which texts it takes, and what it records at the edge of the content.
#include "exif/ExifReader.h"
#include "tests/seams/TestSeams.h"
#include "tests/support/ExifTestUtil.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <filesystem>
#include <string>

using namespace testjpeg;

namespace {

// Zero bytes put before the SOI so that "Exif" lands at `exifPos`.
Bytes ZerosBefore(int exifPos) { return Bytes(static_cast<size_t>(exifPos - 6), 0); }

// `n` SHORT entries with tags 0x0100, 0x0101, ...
ExifBuilder WithShortEntries(int n, Order o = Order::II) {
    ExifBuilder b(o);
    for (int i = 0; i < n; ++i) b.Ifd0(static_cast<uint16_t>(0x0100 + i), kShort, 1, 0);
    return b;
}

// Sets the value/offset field of the entry at `entryPos`.
void PatchValue(Bytes& f, int entryPos, uint32_t value, Order o = Order::II) {
    Put32(f, static_cast<size_t>(entryPos + 8), value, o);
}

}  // namespace

// ---- finding the Exif signature and the TIFF header ----

TEST(ExifScan, LittleEndianExifAtSixGivesTiffAtTwelve) {
    bool ok = false;
    ExifAnalysis a = Analyze(ExifBuilder(Order::II).Build(), {}, &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(a.m_bLoaded, 1);
    EXPECT_EQ(a.m_bExif, 1);
    EXPECT_EQ(a.m_nTiffPos, 12);
    EXPECT_EQ(a.m_nByteOrder, 2);
    EXPECT_EQ(a.m_nIfd0Offset, 8);
    EXPECT_EQ(a.m_nIfd0Pos, 20);
}

TEST(ExifScan, BigEndianHeaderGivesByteOrderOne) {
    ExifAnalysis a = Analyze(ExifBuilder(Order::MM).Ifd0Text(271, "Canon").Build());
    EXPECT_EQ(a.m_nByteOrder, 1);
    EXPECT_STREQ(a.m_szMaker, "Canon");
}

TEST(ExifScan, ExifStartingAt199IsFoundAndAt200IsNot) {
    // At 199 the TIFF header follows at 205, past the window: Exif, no order.
    bool ok = true;
    ExifAnalysis at199 = Analyze(ExifBuilder().Prefix(ZerosBefore(199)).Build(), {}, &ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(at199.m_bExif, 1);
    EXPECT_EQ(at199.m_nByteOrder, 0);

    ExifAnalysis at200 = Analyze(ExifBuilder().Prefix(ZerosBefore(200)).Build(), {}, &ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(at200.m_bLoaded, 1);
    EXPECT_EQ(at200.m_bExif, 0);
}

TEST(ExifScan, TiffHeaderStartingAt199IsFoundAndAt200IsNot) {
    ExifAnalysis at199 = Analyze(ExifBuilder().Prefix(ZerosBefore(193)).Build());
    EXPECT_EQ(at199.m_nTiffPos, 199);
    EXPECT_EQ(at199.m_nByteOrder, 2);

    bool ok = true;
    ExifAnalysis at200 = Analyze(ExifBuilder().Prefix(ZerosBefore(194)).Build(), {}, &ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(at200.m_bExif, 1);
    EXPECT_EQ(at200.m_nByteOrder, 0);
    EXPECT_EQ(at200.m_nTiffPos, 0);
}

TEST(ExifScan, WithoutExifOnlyLoadedIsSet) {
    // A JFIF segment followed by a TIFF header but no "Exif".
    Bytes f = {0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F', 0, 'I', 'I', 0x2A, 0, 8, 0, 0, 0};
    bool ok = true;
    ExifAnalysis a = Analyze(f, {}, &ok);
    EXPECT_FALSE(ok);
    ExifAnalysis expected{};
    expected.m_bLoaded = 1;
    EXPECT_EQ(std::memcmp(&a, &expected, sizeof a), 0);
}

TEST(ExifScan, EmptyContentIsLoadedWithoutExif) {
    ExifAnalysis a = Analyze(Bytes{});
    EXPECT_EQ(a.m_bLoaded, 1);
    EXPECT_EQ(a.m_bExif, 0);
}

// ---- how many entries are processed ----

TEST(ExifIfdCount, Ifd0Declaring30Processes30AndDeclaring31Processes20) {
    ExifAnalysis a30 = Analyze(WithShortEntries(31).Ifd0DeclaredCount(30).Build());
    EXPECT_EQ(a30.m_nIfd0Count, 30);
    EXPECT_EQ(a30.m_nIfd0Done, 30);
    EXPECT_EQ(a30.m_Ifd0[29].m_nTag, 0x0100 + 29);

    ExifAnalysis a31 = Analyze(WithShortEntries(31).Build());
    EXPECT_EQ(a31.m_nIfd0Count, 31);
    EXPECT_EQ(a31.m_nIfd0Done, 20);
    EXPECT_EQ(a31.m_Ifd0[19].m_nTag, 0x0100 + 19);
    EXPECT_EQ(a31.m_Ifd0[20].m_nTag, 0);
    EXPECT_EQ(InvariantFailure(a31), "");
}

TEST(ExifIfdCount, GpsIfdDeclaring31Processes30) {
    ExifBuilder b;
    for (int i = 0; i < 31; ++i) b.Gps(static_cast<uint16_t>(100 + i), kShort, 1, 0);
    ExifAnalysis a = Analyze(b.Build());
    EXPECT_EQ(a.m_nGpsState, kGpsData);
    EXPECT_EQ(a.m_nGpsCount, 31);
    EXPECT_EQ(a.m_nGpsDone, 30);
    EXPECT_EQ(a.m_Gps[29].m_nTag, 129);
}

TEST(ExifIfdCount, Ifd0WithNoEntriesIsStillWalked) {
    bool ok = false;
    ExifAnalysis a = Analyze(ExifBuilder().Build(), {}, &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(a.m_nIfd0Count, 0);
    EXPECT_EQ(a.m_nIfd0Done, 0);
}

// ---- the fields of one entry ----

TEST(ExifEntry, HoldsPositionRawBytesAndFieldsInFileOrder) {
    Bytes f = ExifBuilder(Order::MM).Ifd0(0x0112, kShort, 1, 0x00060000).Build();
    ExifAnalysis a = Analyze(f);
    const IfdEntry& e = a.m_Ifd0[0];
    EXPECT_EQ(e.m_nEntryPos, EntryPos(20, 0));
    EXPECT_EQ(std::memcmp(RawBytes(e), &f[22], 12), 0);
    EXPECT_EQ(e.m_nTag, 0x0112);
    EXPECT_EQ(e.m_nType, kShort);
    EXPECT_EQ(e.m_nCount, 1);
}

TEST(ExifEntry, InlineShortIsReadAsOne32BitNumberInTheFileByteOrder) {
    // Big-endian: the SHORT 6 is stored as 00 06 00 00.
    ExifAnalysis mm = Analyze(ExifBuilder(Order::MM).Ifd0(0x0112, kShort, 1, 0x00060000).Build());
    EXPECT_EQ(mm.m_Ifd0[0].m_nValue, 0x00060000);
    // Little-endian: stored as 06 00 00 00.
    ExifAnalysis ii = Analyze(ExifBuilder(Order::II).Ifd0(0x0112, kShort, 1, 6).Build());
    EXPECT_EQ(ii.m_Ifd0[0].m_nValue, 6);
}

TEST(ExifEntry, SizeIsCountTimesUnitAndOffsetFlagFollowsSizeOrLong) {
    struct Case { uint16_t type; uint32_t count; int32_t size, offset; };
    const Case cases[] = {
        {kByte, 4, 4, 0},  {kByte, 5, 5, 1},      {kAscii, 4, 4, 0},  {kShort, 2, 4, 0},
        {kShort, 3, 6, 1}, {kLong, 1, 4, 1},      {kLong, 0, 0, 1},   {kRational, 1, 8, 1},
        {6, 4, 4, 0},      {kUndefined, 5, 5, 1}, {8, 2, 4, 0},       {9, 1, 4, 0},
        {9, 2, 8, 1},      {10, 1, 8, 1},         {11, 4, 4, 0},      {12, 5, 5, 1},
        {0, 4, 4, 0},      {99, 5, 5, 1},
    };
    ExifBuilder b;
    for (const Case& c : cases) b.Ifd0(0x0100, c.type, c.count, 0x40);
    ExifAnalysis a = Analyze(b.Build());
    ASSERT_EQ(a.m_nIfd0Done, static_cast<int>(std::size(cases)));
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE("type " + std::to_string(cases[i].type) + " count " +
                     std::to_string(cases[i].count));
        EXPECT_EQ(a.m_Ifd0[i].m_nSize, cases[i].size);
        EXPECT_EQ(a.m_Ifd0[i].m_bOffset, cases[i].offset);
        EXPECT_EQ(a.m_Ifd0[i].m_nValuePos, 12 + 0x40);
    }
}

TEST(ExifEntry, NameComesFromTheFirstTableRowWithThatTag) {
    TagNameTable tags = TableFromCsv("Tag,Name\r\n0x010F,Make\r\n0x010F,Other\r\n0x0002,Table\r\n");
    ExifAnalysis a = Analyze(ExifBuilder()
                                 .Ifd0Text(271, "Canon")
                                 .Ifd0(0x9999, kShort, 1, 0)
                                 .GpsRationals(2, {{35, 1}})
                                 .Build(),
                             tags);
    EXPECT_STREQ(a.m_Ifd0[0].m_szName, "Make");
    EXPECT_STREQ(a.m_Ifd0[1].m_szName, "");
    // GPS entries are named by the GPS decoding, not by the table.
    EXPECT_STREQ(a.m_Gps[0].m_szName, "緯度");
}

// ---- Make, Model and DateTime ----

TEST(ExifTexts, MakeModelAndDateTimeAreTakenFromAsciiValues) {
    ExifAnalysis a = Analyze(ExifBuilder(Order::MM)
                                 .Ifd0Text(271, "NIKON")
                                 .Ifd0Text(272, "E995")
                                 .Ifd0Text(306, "2002:08:29 17:31:40")
                                 .Build());
    EXPECT_STREQ(a.m_szMaker, "NIKON");
    EXPECT_STREQ(a.m_szModel, "E995");
    EXPECT_STREQ(a.m_szDateTime, "2002:08:29 17:31:40");
}

TEST(ExifTexts, MakeOfCountFiveIsTakenAndCountFourIsNot) {
    EXPECT_STREQ(Analyze(ExifBuilder().Ifd0Text(271, "Sony").Build()).m_szMaker, "Sony");
    // "LGE" + NUL lies inline in the value field: not taken.
    EXPECT_STREQ(Analyze(ExifBuilder().Ifd0Text(271, "LGE").Build()).m_szMaker, "");
    // Count 4 is not taken even when the field points at a readable text.
    Bytes sony = {'S', 'o', 'n', 'y', 0};
    EXPECT_STREQ(Analyze(ExifBuilder().Ifd0Data(271, kAscii, 4, sony).Build()).m_szMaker, "");
    EXPECT_STREQ(Analyze(ExifBuilder().Ifd0Data(271, kAscii, 5, sony).Build()).m_szMaker, "Sony");
}

TEST(ExifTexts, MakeOfAnotherTypeIsNotTaken) {
    Bytes canon = {'C', 'a', 'n', 'o', 'n', 0};
    ExifAnalysis a = Analyze(ExifBuilder().Ifd0Data(271, kUndefined, 6, canon).Build());
    EXPECT_STREQ(a.m_szMaker, "");
}

TEST(ExifTexts, LaterMakeOverwritesAnEarlierOneButAnUnusableOneDoesNot) {
    EXPECT_STREQ(
        Analyze(ExifBuilder().Ifd0Text(271, "First").Ifd0Text(271, "Second").Build()).m_szMaker,
        "Second");
    EXPECT_STREQ(
        Analyze(ExifBuilder().Ifd0Text(271, "First").Ifd0Text(271, "Abc").Build()).m_szMaker,
        "First");
}

TEST(ExifTexts, LongTextsAreCutToTheirFields) {
    ExifAnalysis a = Analyze(ExifBuilder()
                                 .Ifd0Text(271, std::string(40, 'M'))
                                 .Ifd0Text(272, std::string(31, 'm'))
                                 .Ifd0Text(306, "2024:01:02 03:04:05 and more")
                                 .Build());
    EXPECT_EQ(std::string(a.m_szMaker), std::string(31, 'M'));
    EXPECT_EQ(std::string(a.m_szModel), std::string(31, 'm'));
    EXPECT_EQ(std::string(a.m_szDateTime), "2024:01:02 03:04:05 and");
}

TEST(ExifTexts, CutNeverSplitsADoubleByteCharacter) {
    // 30 bytes + a 2-byte character = 32 bytes: the character does not fit
    // the 31 bytes and is left out whole; 29 + 2 = 31 fits exactly.
    ExifAnalysis a = Analyze(ExifBuilder()
                                 .Ifd0Text(271, std::string(30, 'M') + "あ")
                                 .Ifd0Text(272, std::string(29, 'm') + "あ")
                                 .Build());
    EXPECT_EQ(std::string(a.m_szMaker), std::string(30, 'M'));
    EXPECT_EQ(std::string(a.m_szModel), std::string(29, 'm') + "あ");
}

// ---- the GPS pointer ----

TEST(ExifGpsState, NoGpsPointerGivesStateZero) {
    EXPECT_EQ(Analyze(ExifBuilder().Ifd0Text(271, "Canon").Build()).m_nGpsState, kGpsNone);
}

TEST(ExifGpsState, PointerWithCountZeroGivesNineWithoutReadingTheIfd) {
    ExifBuilder b;
    b.GpsRef(1, 'N').GpsRationals(2, {{35, 1}}).WithGpsPointer(0);
    ExifAnalysis a = Analyze(b.Build());
    EXPECT_EQ(a.m_nGpsState, kGpsEmpty);
    EXPECT_EQ(a.m_nGpsPos, 0);
    EXPECT_EQ(a.m_nGpsDone, 0);
    EXPECT_EQ(a.m_cLatRef, 0);
}

TEST(ExifGpsState, GpsIfdWithNoEntriesGivesNine) {
    ExifBuilder b;
    b.WithGpsPointer();
    ExifAnalysis a = Analyze(b.Build());
    EXPECT_EQ(a.m_nGpsState, kGpsEmpty);
    EXPECT_EQ(a.m_nGpsPos, b.FilePosOfGpsIfd());
    EXPECT_EQ(a.m_nGpsCount, 0);
    EXPECT_EQ(a.m_nGpsDone, 0);
}

TEST(ExifGpsState, VersionOnlyGpsIfdGivesOneWithTextsOfZeros) {
    ExifAnalysis a = Analyze(ExifBuilder().Gps(0, kByte, 4, 0x02020000).Build());
    EXPECT_EQ(a.m_nGpsState, kGpsData);
    EXPECT_EQ(a.m_nGpsDone, 1);
    EXPECT_STREQ(a.m_Gps[0].m_szName, "");
    EXPECT_STREQ(a.m_szLat, "   0度  0分  0.00秒");
    EXPECT_STREQ(a.m_szLon, "   0度  0分  0.00秒");
}

// ---- at the edge of the content ----

TEST(ExifBounds, TiffHeaderIsFoundOnlyWithAllEightBytesInside) {
    // "II*\0" and only three bytes of the 0th-IFD offset.
    Bytes f = {0xFF, 0xD8, 0xFF, 0xE1, 0, 16, 'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 0x2A, 0, 8, 0, 0};
    bool ok = true;
    ExifAnalysis a = Analyze(f, {}, &ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(a.m_nByteOrder, 0);

    f.push_back(0);  // now whole; the 0th IFD's count at 20 is not inside
    a = Analyze(f, {}, &ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(a.m_nByteOrder, 2);
    EXPECT_EQ(a.m_nIfd0Pos, 20);
    EXPECT_EQ(a.m_nIfd0Count, 0);
}

TEST(ExifBounds, IfdRunningPastTheEndStopsAtTheFirstEntryNotWhollyInside) {
    Bytes f = WithShortEntries(5).Build();
    f.resize(static_cast<size_t>(EntryPos(20, 3) + 11));  // entry 3 lacks its last byte
    bool ok = false;
    ExifAnalysis a = Analyze(f, {}, &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(a.m_nIfd0Count, 5);
    EXPECT_EQ(a.m_nIfd0Done, 3);
    EXPECT_EQ(InvariantFailure(a), "");
}

TEST(ExifBounds, GpsIfdRunningPastTheEndKeepsTheDeclaredCount) {
    ExifBuilder b;
    b.GpsRef(1, 'S').GpsRef(3, 'W').Gps(5, kByte, 1, 0);
    Bytes f = b.Build();
    f.resize(static_cast<size_t>(EntryPos(b.FilePosOfGpsIfd(), 2) + 6));
    ExifAnalysis a = Analyze(f);
    EXPECT_EQ(a.m_nGpsState, kGpsData);
    EXPECT_EQ(a.m_nGpsCount, 3);
    EXPECT_EQ(a.m_nGpsDone, 2);
    EXPECT_STREQ(a.m_szLat, "南緯   0度  0分  0.00秒");
}

TEST(ExifBounds, TextAtTheEndWithoutNulIsCutAtTheEnd) {
    Bytes f = ExifBuilder().Ifd0(271, kAscii, 20, 0).Build();
    PatchValue(f, EntryPos(20, 0), static_cast<uint32_t>(f.size() - 12));
    for (char c : std::string("Nikon")) f.push_back(static_cast<uint8_t>(c));
    EXPECT_STREQ(Analyze(f).m_szMaker, "Nikon");
}

TEST(ExifBounds, TextWhosePositionIsOutsideIsNotCaptured) {
    Bytes f = ExifBuilder().Ifd0(271, kAscii, 20, 0).Build();
    PatchValue(f, EntryPos(20, 0), static_cast<uint32_t>(f.size() - 12));  // at the end
    ExifAnalysis a = Analyze(f);
    EXPECT_STREQ(a.m_szMaker, "");
    EXPECT_EQ(a.m_Ifd0[0].m_nValuePos, static_cast<int32_t>(f.size()));
}

TEST(ExifBounds, RationalNotWhollyInsideIsNotCapturedNorThoseAfterIt) {
    ExifBuilder b;
    b.GpsRef(1, 'N').GpsRationals(2, {{35, 1}, {31, 1}, {45, 1}});
    Bytes f = b.Build();
    int lat = b.FilePosOfValues();
    f.resize(static_cast<size_t>(lat + 8 + 7));  // minutes lack their last byte
    ExifAnalysis a = Analyze(f);
    EXPECT_EQ(a.m_nLatPos, lat);
    EXPECT_EQ(a.m_bLatDeg, 1);
    EXPECT_EQ(a.m_nLatDegNum, 35);
    EXPECT_EQ(a.m_bLatMin, 0);
    EXPECT_EQ(a.m_nLatMinNum, 0);
    EXPECT_EQ(a.m_bLatSec, 0);
    EXPECT_STREQ(a.m_szLat, "北緯  35度  0分  0.00秒");
}

TEST(ExifBounds, Ifd0PositionBeyondInt32MaxIsMinusOneAndNeverRead) {
    // Read as a signed number 0xFFFFFFF8 would be -8: the IFD at file offset
    // 4, inside the APP1 header. Added as unsigned it is beyond INT32_MAX.
    struct Case { uint32_t offset; int32_t pos; };
    const Case cases[] = {{0xFFFFFFF8u, -1}, {0x7FFFFFF4u, -1}, {0x7FFFFFF3u, INT32_MAX}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.offset);
        Bytes f = WithShortEntries(2).Build();
        Put32(f, 16, c.offset, Order::II);
        bool ok = true;
        ExifAnalysis a = Analyze(f, {}, &ok);
        EXPECT_FALSE(ok);
        EXPECT_EQ(a.m_nIfd0Offset, static_cast<int32_t>(c.offset));
        EXPECT_EQ(a.m_nIfd0Pos, c.pos);
        EXPECT_EQ(a.m_nIfd0Count, 0);
        EXPECT_EQ(a.m_nIfd0Done, 0);
    }
}

TEST(ExifBounds, ValuePositionBeyondInt32MaxIsMinusOneAndNeverRead) {
    ExifBuilder b;
    b.Ifd0(271, kAscii, 6, 0xFFFFFFFF).WithGpsPointer();
    Bytes f = b.Build();
    // 12 + 0xFFFFFFF4 wraps to 0 in 32 bits: the GPS count would be read
    // from the SOI. It must stay outside.
    PatchValue(f, EntryPos(20, 1), 0xFFFFFFF4u);
    ExifAnalysis a = Analyze(f);
    EXPECT_EQ(a.m_Ifd0[0].m_nValuePos, -1);
    EXPECT_STREQ(a.m_szMaker, "");
    EXPECT_EQ(a.m_Ifd0[1].m_nValuePos, -1);
    EXPECT_EQ(a.m_nGpsState, kGpsEmpty);
    EXPECT_EQ(a.m_nGpsPos, -1);
    EXPECT_EQ(a.m_nGpsCount, 0);
}

TEST(ExifBounds, HugeCountsNeitherOverflowNorLoop) {
    ExifBuilder b;
    b.Ifd0(282, kRational, 0xFFFFFFFF, 0x40)
        .GpsData(2, kRational, 0x7FFFFFFF, RationalBytes({{35, 1}, {31, 1}, {45, 1}}, Order::II))
        .GpsData(4, kRational, 0xFFFFFFFF, RationalBytes({{139, 1}}, Order::II));
    ExifAnalysis a = Analyze(b.Build());
    EXPECT_EQ(a.m_Ifd0[0].m_nCount, -1);
    EXPECT_EQ(a.m_Ifd0[0].m_nSize, INT32_MAX);  // saturated, not wrapped
    EXPECT_EQ(a.m_Ifd0[0].m_bOffset, 1);
    EXPECT_EQ(a.m_nGpsDone, 2);
    EXPECT_EQ(a.m_bLatSec, 1);
    EXPECT_EQ(a.m_nLatSecNum, 45);
    EXPECT_EQ(InvariantFailure(a), "");
}

// ---- reading a file ----

namespace {
std::string TempPath(const std::string& name) {
    return (std::filesystem::path(::testing::TempDir()) / name).string();
}
}  // namespace

TEST(ExifFile, ReadCurrentFileReadsTheWholeFileAndAnalysesIt) {
    Bytes f = ExifBuilder().Ifd0Text(271, "Canon").Build();
    std::string path = TempPath("tamlix_read.jpg");
    ASSERT_TRUE(WriteFileBytes(path, f));
    ExifAnalysis a{};
    FileContent content;
    EXPECT_EQ(ReadCurrentFile(path.c_str(), a, content, TagNameTable{}), ReadResult::Analysed);
    ASSERT_EQ(content.m_nFileLen, static_cast<int32_t>(f.size()));
    EXPECT_EQ(std::memcmp(content.m_pFileData.get(), f.data(), f.size()), 0);
    EXPECT_STREQ(a.m_szMaker, "Canon");
}

TEST(ExifFile, ReadCurrentFileTellsWhatItFoundWithoutAMessage) {
    Bytes noHeader = ExifBuilder().Build();
    noHeader[12] = 'X';  // "II*\0" of the TIFF header at 12 becomes "XI*\0"
    Bytes ifd0Outside = ExifBuilder().Build();
    Put32(ifd0Outside, 16, 0xFFFF, Order::II);  // the 0th-IFD offset
    const struct {
        const char* what;
        Bytes bytes;
        ReadResult expected;
    } cases[] = {
        {"no Exif", Bytes{0xFF, 0xD8, 0xFF, 0xD9}, ReadResult::NoExif},
        {"Exif without a TIFF header", noHeader, ReadResult::NoTiffHeader},
        {"0th IFD beyond the end", ifd0Outside, ReadResult::Ifd0Outside},
        {"0th IFD walked", ExifBuilder().Build(), ReadResult::Analysed},
    };
    const std::string path = TempPath("tamlix_result.jpg");
    plat::ScriptedMessages messages;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(WriteFileBytes(path, c.bytes));
        ExifAnalysis a{};
        FileContent content;
        EXPECT_EQ(ReadCurrentFile(path.c_str(), a, content, TagNameTable{}), c.expected);
        EXPECT_EQ(a.m_bLoaded, 1);
    }
    EXPECT_EQ(messages.Count(), 0u);
}

TEST(ExifFile, MissingFileShowsTheMessageClearsTheRecordAndKeepsTheContent) {
    std::string good = TempPath("tamlix_good.jpg");
    ASSERT_TRUE(WriteFileBytes(good, ExifBuilder().Ifd0Text(271, "Canon").WithGpsPointer().Build()));
    ExifAnalysis a{};
    FileContent content;
    ASSERT_EQ(ReadCurrentFile(good.c_str(), a, content, TagNameTable{}), ReadResult::Analysed);
    const uint8_t* before = content.m_pFileData.get();
    int32_t lenBefore = content.m_nFileLen;

    plat::ScriptedMessages messages;
    std::string missing = TempPath("tamlix_no_such_file.jpg");
    EXPECT_EQ(ReadCurrentFile(missing.c_str(), a, content, TagNameTable{}), ReadResult::CannotRead);
    ASSERT_EQ(messages.Count(), 1u);
    EXPECT_EQ(messages.Last().text, "Path=" + missing);
    EXPECT_EQ(messages.Last().caption, "ファイルオープンに失敗しました");
    EXPECT_EQ(messages.Last().buttons, plat::MsgButtons::Ok);
    static const ExifAnalysis kCleared{};
    EXPECT_EQ(std::memcmp(&a, &kCleared, sizeof a), 0);
    EXPECT_EQ(content.m_pFileData.get(), before);
    EXPECT_EQ(content.m_nFileLen, lenBefore);
}

TEST(ExifFile, FileTooLargeForItsOffsetsIsRefusedBeforeReading) {
    // A sparse file of INT32_MAX bytes: its content buffer (length + 1) and
    // its offsets would not fit 32 bits. Nothing of it is read.
    std::string big = TempPath("tamlix_big.jpg");
    ASSERT_TRUE(WriteFileBytes(big, ExifBuilder().Build()));
    std::filesystem::resize_file(big, INT32_MAX);
    ExifAnalysis a{};
    a.m_bLoaded = 1;
    FileContent content;
    plat::ScriptedMessages messages;
    EXPECT_EQ(ReadCurrentFile(big.c_str(), a, content, TagNameTable{}), ReadResult::CannotRead);
    std::filesystem::remove(big);
    ASSERT_EQ(messages.Count(), 1u);
    EXPECT_EQ(messages.Last().text.rfind("Path=" + big, 0), 0u);
    EXPECT_EQ(messages.Last().caption, "ファイルオープンに失敗しました");
    EXPECT_EQ(a.m_bLoaded, 0);
    EXPECT_EQ(content.m_pFileData, nullptr);
    EXPECT_EQ(content.m_nFileLen, 0);
}

TEST(ExifFile, FindFileNameGivesTheNamePartOrMinusOneOrZero) {
    std::string path = TempPath("tamlix_name.jpg");
    ASSERT_TRUE(WriteFileBytes(path, Bytes{0xFF, 0xD8}));
    char out[256];
    EXPECT_EQ(FindFileName(out, path.c_str()), 1);
    EXPECT_STREQ(out, "tamlix_name.jpg");

    std::strcpy(out, "kept");
    EXPECT_EQ(FindFileName(out, TempPath("tamlix_absent.jpg").c_str()), -1);
    EXPECT_STREQ(out, "kept");
    std::string long256 = "/" + std::string(255, 'a');
    EXPECT_EQ(FindFileName(out, long256.c_str()), -1);
    EXPECT_STREQ(out, "kept");

    EXPECT_EQ(FindFileName(out, ""), 0);
    EXPECT_STREQ(out, "");
    std::strcpy(out, "kept");
    std::string long257 = "/" + std::string(256, 'a');
    EXPECT_EQ(FindFileName(out, long257.c_str()), 0);
    EXPECT_STREQ(out, "");
}
