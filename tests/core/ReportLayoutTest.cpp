// The detail report's layout with fixed cell metrics: column width 8 and
// line height 16, so a header-row step is 24 and a table-row step 20.
#include "report/ReportLayout.h"
#include "tests/support/ExifTestUtil.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

using namespace testjpeg;

namespace {

constexpr int kCw = 8, kLh = 16;

std::vector<ReportItem> Layout(const ExifAnalysis& a, const char* name = "a.jpg") {
    return LayoutReport(a, name, kCw, kLh, {0, 0});
}

// The first item whose text begins with `prefix`; a null-text item when none.
ReportItem Find(const std::vector<ReportItem>& items, const std::string& prefix, int from = 0) {
    for (size_t i = static_cast<size_t>(from); i < items.size(); ++i)
        if (items[i].text.compare(0, prefix.size(), prefix) == 0) return items[i];
    return {-1, -1, "<none>"};
}

int IndexOf(const std::vector<ReportItem>& items, const std::string& prefix) {
    for (size_t i = 0; i < items.size(); ++i)
        if (items[i].text.compare(0, prefix.size(), prefix) == 0) return static_cast<int>(i);
    return -1;
}

std::vector<ReportItem> AtY(const std::vector<ReportItem>& items, int y) {
    std::vector<ReportItem> row;
    for (const ReportItem& it : items)
        if (it.y == y) row.push_back(it);
    return row;
}

const std::string kRule(105, '-');

IfdEntry Entry(int pos, int tag, int type, int count, int value, bool offset, int valuePos,
               std::vector<uint8_t> raw, const char* name = "") {
    IfdEntry e{};
    e.m_nEntryPos = pos;
    e.m_nTag = tag;
    e.m_nType = type;
    e.m_nCount = count;
    e.m_nValue = value;
    e.m_bOffset = offset ? 1 : 0;
    e.m_nValuePos = valuePos;
    std::memcpy(e.m_Raw, raw.data(), 12);
    std::snprintf(e.m_szName, sizeof e.m_szName, "%s", name);
    return e;
}

// A record with a GPS data section: latitude with seconds, longitude without.
ExifAnalysis WithGpsData() {
    ExifAnalysis a{};
    a.m_nTiffPos = 12;
    a.m_nByteOrder = 2;
    a.m_nGpsState = kGpsData;
    a.m_nGpsCount = a.m_nGpsDone = 2;
    a.m_Gps[0] = Entry(0x60, 1, 2, 2, 0, false, -1, {1, 0, 2, 0, 2, 0, 0, 0, 'N', 0, 0, 0});
    a.m_Gps[1] = Entry(0x6C, 2, 5, 3, 0x40, true, 0x4C,
                       {2, 0, 5, 0, 3, 0, 0, 0, 0x40, 0, 0, 0});
    a.m_nLatRefPos = 0x6A;
    a.m_cLatRef = 'N';
    std::snprintf(a.m_szLat, sizeof a.m_szLat, "%s", "N 35-39-5.00");
    a.m_nLatPos = 0x4C;
    a.m_bLatDeg = a.m_bLatMin = a.m_bLatSec = 1;
    a.m_nLatDegNum = 35, a.m_nLatDegDen = 1;
    a.m_nLatMinNum = 39, a.m_nLatMinDen = 1;
    a.m_nLatSecNum = 500, a.m_nLatSecDen = 100;
    a.m_nLonRefPos = 0x82;
    a.m_cLonRef = 'E';
    std::snprintf(a.m_szLon, sizeof a.m_szLon, "%s", "E 139-44.5");
    a.m_nLonPos = 0x64;
    a.m_bLonDeg = a.m_bLonMin = 1;
    a.m_nLonDegNum = 139, a.m_nLonDegDen = 1;
    a.m_nLonMinNum = 4450, a.m_nLonMinDen = 100;
    return a;
}

}  // namespace

// ---- header block ----

TEST(ReportHeader, TitleAndHeaderLinesSitAtTheirColumnsAndAdvances) {
    ExifAnalysis a{};
    a.m_nTiffPos = 0x0C;
    a.m_nByteOrder = 2;
    a.m_nWidth = 640, a.m_nHeight = 480;
    std::strcpy(a.m_szMaker, "Canon");
    std::strcpy(a.m_szModel, "EOS");
    std::strcpy(a.m_szDateTime, "2020:01:02 03:04:05");
    std::strcpy(a.m_szFileTime, "2021/05/06 07:08:09");
    auto items = Layout(a, "写真.jpg");
    ASSERT_GE(items.size(), 5u);
    EXPECT_EQ(items[0].text, "Geoskim : 写真.jpg");
    EXPECT_EQ(items[0].x, 14 * kCw);
    EXPECT_EQ(items[0].y, 2 * kLh);
    const std::pair<const char*, int> lines[] = {
        {"TIFF Head : adr=000C h [リトルエンディアン]", 4 * kLh},
        {"W x H     : 640 x 480 ﾄﾞｯﾄ", 5 * kLh},
        {"撮影機器  : Canon / EOS", 6 * kLh},
        {"撮影日時  : 2020:01:02 03:04:05 (DF更新: 2021/05/06 07:08:09)", 7 * kLh},
    };
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(items[1 + i].text, lines[i].first);
        EXPECT_EQ(items[1 + i].x, 30 * kCw);
        EXPECT_EQ(items[1 + i].y, lines[i].second);
    }
}

TEST(ReportHeader, ByteOrderTextAndMissingValues) {
    ExifAnalysis a{};
    a.m_nTiffPos = 0x1E;
    a.m_nByteOrder = 1;
    EXPECT_EQ(Layout(a)[1].text, "TIFF Head : adr=001E h [ビッグエンディアン]");
    a.m_nByteOrder = 0;
    EXPECT_EQ(Layout(a)[1].text, "TIFF Head : adr=001E h [不明]");
    // No TIFF header: the bracket says so whatever the byte order.
    a.m_nTiffPos = 0;
    a.m_nByteOrder = 2;
    auto items = Layout(a);
    EXPECT_EQ(items[1].text, "TIFF Head : adr=0000 h [EXIF 情報なし]");
    // Empty maker and model show "-", empty dates stay empty.
    EXPECT_EQ(items[3].text, "撮影機器  : - / -");
    EXPECT_EQ(items[4].text, "撮影日時  :  (DF更新: )");
}

TEST(ReportHeader, OverlongTitleIsCutAtACharacterBoundary) {
    // "Geoskim : " is 10 bytes; 244 x "a" brings it to 254, so the double-byte
    // character that follows would end at byte 256 and must go whole.
    std::string name(244, 'a');
    name += "写写写";
    auto items = Layout(ExifAnalysis{}, name.c_str());
    EXPECT_EQ(items[0].text, "Geoskim : " + std::string(244, 'a'));
    EXPECT_LE(items[0].text.size(), kReportItemMax);
    // One byte less and the character fits exactly.
    name.erase(0, 1);
    EXPECT_EQ(Layout(ExifAnalysis{}, name.c_str())[0].text.size(), 255u);
}

TEST(ReportHeader, ControlBytesInTextsShowAsQuestionMarksAndNoItemBreaksItsLine) {
    ExifAnalysis a{};
    std::snprintf(a.m_szMaker, sizeof a.m_szMaker, "%s", "Ca\tnon");
    auto items = Layout(a, "a\nb\x7F.jpg");
    EXPECT_EQ(items[0].text, "Geoskim : a?b?.jpg");
    EXPECT_EQ(Find(items, "撮影機器").text, "撮影機器  : Ca?non / -");
    const std::string text = ReportAsText(a, "a\nb.jpg");
    EXPECT_EQ(text.substr(0, text.find('\n', 2) + 1), "\n\n              Geoskim : a?b.jpg\n");
}

// ---- the two tables ----

TEST(ReportTables, FileWithoutExifDrawsTheWholeFrameWithoutRows) {
    auto items = Layout(ExifAnalysis{});
    // 5 header lines, then per table heading, rule, 6 heads, rule, rule.
    ASSERT_EQ(items.size(), 5u + 2 * 10u);
    EXPECT_EQ(items[5].text, "●0th IFD エントリ表（エントリ数 = 0  Adr = 0000 h)");
    EXPECT_EQ(items[5].y, 9 * kLh);
    EXPECT_EQ(items[5].x, 2 * kCw);
    EXPECT_EQ(items[6].text, kRule);
    EXPECT_EQ(items[6].y, 10 * kLh);
    // Column heads one header-row step lower, at their columns.
    const std::vector<ReportItem> heads = AtY(items, 10 * kLh + 24);
    const std::pair<const char*, int> expect[] = {{"Adr", 4},       {"ﾀｸﾞ", 10}, {"ﾀｲﾌﾟ", 45},
                                                   {"ｶｳﾝﾀ", 51},     {"ｵﾌｾｯﾄ 実Adr", 56},
                                                   {"生データ", 74}};
    ASSERT_EQ(heads.size(), 6u);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(heads[i].text, expect[i].first);
        EXPECT_EQ(heads[i].x, expect[i].second * kCw);
    }
    EXPECT_EQ(items[13].text, kRule);
    EXPECT_EQ(items[13].y, 10 * kLh + 24 + kLh);
    // Without rows the closing rule follows one line lower.
    EXPECT_EQ(items[14].text, kRule);
    EXPECT_EQ(items[14].y, items[13].y + kLh);
    // GPS heading two lines lower; its count head stands at column 50.
    EXPECT_EQ(items[15].text, "●GPS エントリ表（エントリ数 = 0  Adr = 0000 h)");
    EXPECT_EQ(items[15].y, items[14].y + 2 * kLh);
    EXPECT_EQ(Find(items, "ｶｳﾝﾀ", 16).x, 50 * kCw);
    // The report ends with the GPS table's closing rule.
    EXPECT_EQ(items.back().text, kRule);
}

TEST(ReportTables, HeadingsTakeTheLongFormOnlyWhenCountsDiffer) {
    ExifAnalysis a{};
    a.m_nIfd0Count = a.m_nIfd0Done = 12;
    a.m_nIfd0Pos = 0x14;
    a.m_nGpsCount = 40, a.m_nGpsDone = 30;
    a.m_nGpsPos = 0x1A2;
    auto items = Layout(a);
    EXPECT_EQ(Find(items, "●0th").text, "●0th IFD エントリ表（エントリ数 = 12  Adr = 0014 h)");
    EXPECT_EQ(Find(items, "●GPS").text,
              "●GPS エントリ表（エントリ数 = 定義数 40 実処理数 30  Adr = 01A2 h)");
    a.m_nIfd0Count = 300, a.m_nIfd0Done = 20;
    a.m_nGpsCount = a.m_nGpsDone = 30;
    items = Layout(a);
    EXPECT_EQ(Find(items, "●0th").text,
              "●0th IFD エントリ表（エントリ数 = 定義数 300 実処理数 20  Ad r= 0014 h)");
    EXPECT_EQ(Find(items, "●GPS").text, "●GPS エントリ表（エントリ数 = 30  Adr = 01A2 h)");
    // As many rows as were processed.
    EXPECT_EQ(AtY(items, 10 * kLh + 24 + kLh + 20 * 20).size(), 5u);
    EXPECT_EQ(AtY(items, 10 * kLh + 24 + kLh + 21 * 20).size(), 0u);
}

TEST(ReportTables, RowsShowOffsetColumnsOnlyForValuesElsewhere) {
    ExifAnalysis a{};
    a.m_nIfd0Count = a.m_nIfd0Done = 2;
    a.m_Ifd0[0] = Entry(0x16, 0x0112, 3, 1, 1, false, -1,
                        {0x12, 0x01, 0x03, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00},
                        "Orientation");
    a.m_Ifd0[1] = Entry(0x22, 0x010F, 2, 6, 0x9A, true, 0xA6,
                        {0x0F, 0x01, 0x02, 0x00, 0x06, 0x00, 0x00, 0x00, 0x9A, 0x00, 0x00, 0x00},
                        "Make");
    auto items = Layout(a);
    const int firstRow = 10 * kLh + 24 + kLh + 20;
    auto row = AtY(items, firstRow);
    ASSERT_EQ(row.size(), 5u);
    const std::pair<const char*, int> inside[] = {
        {"0016", 4}, {"0112 Orientation", 10}, {" 3", 46}, {"    1", 50},
        {"12 01 03 00 01 00 00 00 01 00 00 00", 70}};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(row[i].text, inside[i].first);
        EXPECT_EQ(row[i].x, inside[i].second * kCw);
    }
    row = AtY(items, firstRow + 20);
    ASSERT_EQ(row.size(), 7u);
    EXPECT_EQ(row[1].text, "010F Make");
    EXPECT_EQ(row[4].text, "009A");
    EXPECT_EQ(row[4].x, 57 * kCw);
    EXPECT_EQ(row[5].text, "00A6");
    EXPECT_EQ(row[5].x, 63 * kCw);
    EXPECT_EQ(row[6].text, "0F 01 02 00 06 00 00 00 9A 00 00 00");
    // The closing rule one line below the last row.
    EXPECT_EQ(AtY(items, firstRow + 20 + kLh)[0].text, kRule);
}

TEST(ReportTables, UnknownTagShowsTheNumberAndAnEmptyName) {
    ExifAnalysis a{};
    a.m_nIfd0Count = a.m_nIfd0Done = 1;
    a.m_Ifd0[0] = Entry(0x16, 0xABCD, 7, 0x7FFFFFFF, 0, false, -1, std::vector<uint8_t>(12, 0));
    a.m_Ifd0[0].m_nCount = -1;  // 0xFFFFFFFF in the file
    auto row = AtY(Layout(a), 10 * kLh + 24 + kLh + 20);
    EXPECT_EQ(row[1].text, "ABCD ");
    EXPECT_EQ(row[3].text, "4294967295");
}

TEST(ReportTables, GpsRowsCarryLabelsForTheirTags) {
    ExifAnalysis a{};
    const int tags[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 31};
    a.m_nGpsCount = a.m_nGpsDone = 10;
    for (int i = 0; i < 10; ++i)
        a.m_Gps[i] = Entry(0x100 + 12 * i, tags[i], 2, 2, 0, false, -1, std::vector<uint8_t>(12, 0));
    auto items = Layout(a);
    const int gpsHead = IndexOf(items, "●GPS");
    ASSERT_GT(gpsHead, 0);
    const int firstRow = items[gpsHead].y + kLh + 24 + kLh + 20;
    const char* labels[] = {nullptr, "北緯(N) or 南緯(S)", "緯度", "東経(E) or 西経(W)",
                            "経度", nullptr, nullptr, "GPS時間", nullptr, nullptr};
    for (int i = 0; i < 10; ++i) {
        auto row = AtY(items, firstRow + 20 * i);
        char tag[8];
        std::snprintf(tag, sizeof tag, "%04X", tags[i]);
        ASSERT_GE(row.size(), 2u) << i;
        EXPECT_EQ(row[1].text, tag);
        if (labels[i] == nullptr) {
            EXPECT_NE(row[2].x, 18 * kCw) << "tag " << tags[i] << " has no label";
        } else {
            EXPECT_EQ(row[2].text, labels[i]);
            EXPECT_EQ(row[2].x, 18 * kCw);
        }
    }
}

// ---- GPS data section ----

TEST(ReportGpsSection, LatitudeWithSecondsLongitudeWithout) {
    const ExifAnalysis a = WithGpsData();
    auto items = Layout(a);
    const int head = IndexOf(items, "●GPS データ");
    ASSERT_GT(head, 0);
    // Two lines below the GPS table's closing rule.
    EXPECT_EQ(items[head - 1].text, kRule);
    EXPECT_EQ(items[head].y, items[head - 1].y + 2 * kLh);
    const int y0 = items[head].y;
    const struct { const char* text; int col; int lines; } expect[] = {
        {"1) 北緯 or 南緯", 2, 2},
        {"Adr -- 006A h", 6, 3},
        {"Chr -- N (4E h)", 6, 4},
        {"2) 緯度 [ N 35-39-5.00 ]", 2, 6},
        {"Adr -- 004C h", 6, 7},
        {"Deg -- 0023 h/0001 h = 35/1", 6, 8},
        {"Min -- 0027 h/0001 h = 39/1", 6, 9},
        {"Sec -- 01F4 h/0064 h = 500/100", 6, 10},
        {"3) 東経 or 西経", 2, 12},
        {"Adr -- 0082 h", 6, 13},
        {"Chr -- E (45 h)", 6, 14},
        {"4) 経度 [ E 139-44.5 ]", 2, 16},
        {"Adr -- 0064 h", 6, 17},
        {"Deg -- 008B h/0001 h = 139/1", 6, 18},
        {"Min -- 1162 h/0064 h = 4450/100", 6, 19},
    };
    ASSERT_EQ(items.size(), static_cast<size_t>(head) + 1 + 15);
    for (int i = 0; i < 15; ++i) {
        const ReportItem& it = items[static_cast<size_t>(head) + 1 + i];
        EXPECT_EQ(it.text, expect[i].text);
        EXPECT_EQ(it.x, expect[i].col * kCw) << expect[i].text;
        EXPECT_EQ(it.y, y0 + expect[i].lines * kLh) << expect[i].text;
    }
}

TEST(ReportGpsSection, DegreeAndMinuteLinesDoNotDependOnTheirFlags) {
    ExifAnalysis a = WithGpsData();
    a.m_bLatDeg = a.m_bLatMin = 0;
    a.m_nLatSecNum = 0;
    a.m_bLatSec = 0;
    auto items = Layout(a);
    EXPECT_EQ(Find(items, "Deg").text, "Deg -- 0023 h/0001 h = 35/1");
    EXPECT_EQ(Find(items, "Sec").text, "<none>");
    // Without seconds, the longitude heading comes two lines below Min.
    const ReportItem min = Find(items, "Min");
    EXPECT_EQ(Find(items, "3)").y, min.y + 2 * kLh);
}

TEST(ReportGpsSection, ReferenceBytesShowTwoHexDigitsAndNoNul) {
    ExifAnalysis a = WithGpsData();
    a.m_cLatRef = static_cast<char>(0xB1);  // half-width katakana "ｱ"
    a.m_cLonRef = 0;
    auto items = Layout(a);
    const int lat = IndexOf(items, "Chr");
    ASSERT_GT(lat, 0);
    EXPECT_EQ(items[lat].text, "Chr -- ｱ (B1 h)");
    const ReportItem lon = Find(items, "Chr", lat + 1);
    EXPECT_EQ(lon.text, "Chr --   (00 h)");
    EXPECT_EQ(lon.text.find('\0'), std::string::npos);
}

TEST(ReportGpsSection, LargeRationalPartsStayUnsigned) {
    ExifAnalysis a = WithGpsData();
    a.m_nLatDegNum = static_cast<int32_t>(0xB2D05E00u);  // 3,000,000,000
    a.m_nLatDegDen = 1000000;
    EXPECT_EQ(Find(Layout(a), "Deg").text, "Deg -- B2D05E00 h/F4240 h = 3000000000/1000000");
}

TEST(ReportGpsSection, StatesZeroAndNineEndAtTheClosingRule) {
    for (int32_t state : {kGpsNone, kGpsEmpty}) {
        ExifAnalysis a = WithGpsData();
        a.m_nGpsState = state;
        auto items = Layout(a);
        EXPECT_EQ(items.back().text, kRule) << state;
        EXPECT_EQ(IndexOf(items, "●GPS データ"), -1) << state;
    }
}

// ---- tag names ----

TEST(CutTagName, KeepsTwentyEightBytesUnlessADoubleByteCharacterStraddlesThem) {
    EXPECT_STREQ(CutTagName(""), "");
    EXPECT_STREQ(CutTagName("ImageDescription"), "ImageDescription");
    const std::string exact(28, 'x');
    EXPECT_EQ(CutTagName(exact.c_str()), exact);
    // 40 bytes: 27 single bytes, then double-byte characters from byte 28.
    const std::string straddle = std::string(27, 'a') + "漢字漢字漢字x";
    ASSERT_EQ(straddle.size(), 40u);
    EXPECT_EQ(CutTagName(straddle.c_str()), std::string(27, 'a'));
    // 40 bytes: 28th byte is a single-byte character.
    const std::string single = std::string(28, 'b') + "漢字漢字漢字";
    ASSERT_EQ(single.size(), 40u);
    EXPECT_EQ(CutTagName(single.c_str()), std::string(28, 'b'));
    // A double-byte character ending on byte 28 is kept whole.
    const std::string ends = std::string(26, 'c') + "漢" + std::string(12, 'd');
    EXPECT_EQ(CutTagName(ends.c_str()), std::string(26, 'c') + "漢");
}

TEST(CutTagName, LongNameInTheTableIsCut) {
    ExifAnalysis a{};
    a.m_nIfd0Count = a.m_nIfd0Done = 1;
    const std::string name = std::string(27, 'a') + "漢字漢字漢字x";
    a.m_Ifd0[0] = Entry(0x16, 0x9999, 2, 1, 0, false, -1, std::vector<uint8_t>(12, 0),
                        name.c_str());
    EXPECT_EQ(AtY(Layout(a), 10 * kLh + 24 + kLh + 20)[1].text, "9999 " + std::string(27, 'a'));
}

// ---- origin and scrolling ----

TEST(ReportOrigin, ScrollShiftsEveryItemByWholeCellsAndNothingElse) {
    const ExifAnalysis a = WithGpsData();
    const auto plain = LayoutReport(a, "a.jpg", kCw, kLh, MakeReportOrigin(0, 0, 0, 0, kCw, kLh));
    const auto scrolled =
        LayoutReport(a, "a.jpg", kCw, kLh, MakeReportOrigin(0, 0, 5, 3, kCw, kLh));
    ASSERT_EQ(plain.size(), scrolled.size());
    for (size_t i = 0; i < plain.size(); ++i) {
        EXPECT_EQ(scrolled[i].text, plain[i].text);
        EXPECT_EQ(scrolled[i].x, plain[i].x - 5 * kCw);
        EXPECT_EQ(scrolled[i].y, plain[i].y - 3 * kLh);
    }
    // The print origin: 8 columns right and 2 lines down, scroll ignored.
    const ReportOrigin print = MakeReportOrigin(2, 8, 0, 0, 10, 20);
    EXPECT_EQ(print.x0, 80);
    EXPECT_EQ(print.y0, 40);
}

// ---- a real analysis ----

TEST(ReportFromAnalysis, RowsRepeatTheEntryBytesOfTheFile) {
    ExifBuilder b(Order::MM);
    b.Ifd0Text(0x010F, "Maker").Ifd0(0x0112, kShort, 1, 0x00060000);
    b.GpsRef(1, 'S').GpsRationals(2, {{35, 1}, {39, 1}, {5, 1}});
    b.GpsRef(3, 'W').GpsRationals(4, {{139, 1}, {4450, 100}});
    const Bytes f = b.Build();
    const ExifAnalysis a = Analyze(f, TableFromCsv("Tag,Name\r\n0x010F,Make\r\n"));
    ASSERT_EQ(a.m_nGpsState, kGpsData);
    auto items = Layout(a);
    EXPECT_EQ(Find(items, "TIFF").text, "TIFF Head : adr=000C h [ビッグエンディアン]");
    int rows = 0;
    for (const IfdEntry* e : {&a.m_Ifd0[0], &a.m_Ifd0[1], &a.m_Ifd0[2], &a.m_Gps[0], &a.m_Gps[3]}) {
        char addr[16], raw[64];
        std::snprintf(addr, sizeof addr, "%04X", e->m_nEntryPos);
        const uint8_t* p = &f[static_cast<size_t>(e->m_nEntryPos)];
        std::snprintf(raw, sizeof raw, "%02X %02X %02X %02X %02X %02X %02X %02X %02X %02X %02X %02X",
                      p[0], p[1], p[2], p[3], p[4], p[5], p[6], p[7], p[8], p[9], p[10], p[11]);
        const ReportItem cell = Find(items, addr);
        ASSERT_EQ(cell.x, 4 * kCw) << addr;
        const auto row = AtY(items, cell.y);
        EXPECT_EQ(row.back().text, raw);
        ++rows;
    }
    EXPECT_EQ(rows, 5);
    EXPECT_EQ(Find(items, "010F Make").x, 10 * kCw);
    EXPECT_EQ(Find(items, "Chr -- S").text, "Chr -- S (53 h)");
    EXPECT_EQ(Find(items, "Chr -- W").text, "Chr -- W (57 h)");
}

// ---- the terminal grid ----

TEST(ReportAsText, ItemsLandOnTheirCellColumnsAndLines) {
    ExifAnalysis a = WithGpsData();
    const std::string text = ReportAsText(a, "x.jpg");
    std::vector<std::string> lines;
    for (size_t at = 0, nl; (nl = text.find('\n', at)) != std::string::npos; at = nl + 1)
        lines.push_back(text.substr(at, nl - at));
    ASSERT_GT(lines.size(), 12u);
    EXPECT_EQ(lines[0], "");
    EXPECT_EQ(lines[2], std::string(14, ' ') + "Geoskim : x.jpg");
    EXPECT_EQ(lines[4], std::string(30, ' ') + "TIFF Head : adr=000C h [リトルエンディアン]");
    // Header-row and table-row steps are one line on the grid.
    EXPECT_EQ(lines[10], "  " + kRule);
    EXPECT_EQ(lines[11].substr(0, 13), "    Adr   ﾀｸﾞ");
    EXPECT_EQ(lines[12], "  " + kRule);
    EXPECT_EQ(lines[13], "  " + kRule);  // no 0th IFD rows
    EXPECT_EQ(text.find("      Chr -- N (4E h)\n"), text.find("Chr -- N") - 6);
}

TEST(ReportAsText, AnItemRunningIntoTheNextIsNotOverwritten) {
    ExifAnalysis a{};
    a.m_nIfd0Count = a.m_nIfd0Done = 1;
    // A seven-digit value offset runs from column 57 past column 63, where
    // the value's position starts.
    a.m_Ifd0[0] =
        Entry(0x16, 0x8769, 4, 1, 0x1234567, true, 0x1234573, std::vector<uint8_t>(12, 0));
    const std::string text = ReportAsText(a, "x.jpg");
    EXPECT_NE(text.find("1234567 1234573"), std::string::npos) << text;
}
