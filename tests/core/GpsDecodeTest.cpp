// GPS decoding: entry names, reference letters, the three rationals of each
// coordinate and the display texts, on GPS IFDs built in code.
#include "exif/GpsDecode.h"
#include "tests/support/ExifTestUtil.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

using namespace testjpeg;

namespace {

// A GPS IFD holding a latitude reference and the latitude rationals.
ExifAnalysis Latitude(char ref, const std::vector<Rational>& values, Order o = Order::II) {
    return Analyze(ExifBuilder(o).GpsRef(1, ref).GpsRationals(2, values).Build());
}

constexpr uint32_t kMinusOne = 0xFFFFFFFFu;
constexpr uint32_t kInt32Min = 0x80000000u;

}  // namespace

TEST(GpsText, DegreesMinutesSecondsExample) {
    for (Order o : {Order::II, Order::MM}) {
        ExifAnalysis a = Latitude('N', {{35, 1}, {31, 1}, {4523, 100}}, o);
        EXPECT_STREQ(a.m_szLat, "北緯  35度 31分 45.23秒");
    }
}

TEST(GpsText, DecimalMinutesExample) {
    ExifAnalysis a =
        Analyze(ExifBuilder(Order::MM).GpsRef(3, 'E').GpsRationals(4, {{139, 1}, {3117, 100}, {0, 1}}).Build());
    EXPECT_STREQ(a.m_szLon, "東経 139度 31.17分");
    // No latitude entries: an empty name and zeros.
    EXPECT_STREQ(a.m_szLat, "   0度  0分  0.00秒");
}

TEST(GpsText, ReferenceLettersNameTheHemisphere) {
    EXPECT_STREQ(Latitude('S', {{1, 1}, {2, 1}, {3, 1}}).m_szLat, "南緯   1度  2分  3.00秒");
    EXPECT_STREQ(Latitude('n', {{1, 1}, {2, 1}, {3, 1}}).m_szLat, "   1度  2分  3.00秒");
    ExifAnalysis w = Analyze(ExifBuilder().GpsRef(3, 'W').GpsRationals(4, {{1, 1}}).Build());
    EXPECT_STREQ(w.m_szLon, "西経   1度  0分  0.00秒");
    // A latitude letter does not name a longitude, and the reverse.
    ExifAnalysis swapped = Analyze(ExifBuilder().GpsRef(1, 'E').GpsRef(3, 'N').Build());
    EXPECT_STREQ(swapped.m_szLat, "   0度  0分  0.00秒");
    EXPECT_STREQ(swapped.m_szLon, "   0度  0分  0.00秒");
}

TEST(GpsText, MinutesDenominatorChoosesTheForm) {
    struct Case { Rational minutes; const char* text; int digits; };
    const Case cases[] = {
        {{315, 10}, "北緯  35度 31.50分", 1},
        {{3117, 100}, "北緯  35度 31.17分", 2},
        {{59999, 1000}, "北緯  35度 60.00分", 3},
        {{31000000, 1000000}, "北緯  35度 31.00分", 3},
        {{31, 9}, "北緯  35度  3分  7.00秒", 0},       // 3.44 minutes, truncated
        {{31, 0}, "北緯  35度 31分  7.00秒", 0},       // denominator 0: the numerator
        {{static_cast<uint32_t>(-315), static_cast<uint32_t>(-10)}, "北緯  35度 31分  7.00秒", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.minutes.first) + "/" + std::to_string(c.minutes.second));
        ExifAnalysis a = Latitude('N', {{35, 1}, c.minutes, {7, 1}});
        EXPECT_STREQ(a.m_szLat, c.text);
        EXPECT_EQ(a.m_nLatMinDigits, c.digits);
    }
}

TEST(GpsText, DegreesAreTruncatedAndZeroDenominatorsGiveTheNumerator) {
    ExifAnalysis a = Latitude('N', {{71, 2}, {10, 1}, {45, 0}});
    EXPECT_EQ(a.m_nLatDeg, 35);
    EXPECT_STREQ(a.m_szLat, "北緯  35度 10分 45.00秒");
    EXPECT_EQ(Latitude('N', {{35, 0}}).m_nLatDeg, 35);
    EXPECT_EQ(Latitude('N', {{static_cast<uint32_t>(-71), 2}}).m_nLatDeg, -35);
}

TEST(GpsText, ExtremeRationalsAreFormattedWithoutUndefinedBehaviour) {
    // -2^31 / -1 has no 32-bit quotient (and traps in a plain division).
    ExifAnalysis deg = Latitude('N', {{kInt32Min, kMinusOne}});
    EXPECT_EQ(deg.m_nLatDeg, INT32_MIN);
    EXPECT_EQ(InvariantFailure(deg), "");
    // Minutes of 2^31 with a negative denominator take the seconds form and
    // their whole part is held at INT32_MAX instead of an invalid cast.
    ExifAnalysis min = Latitude('N', {{0, 1}, {kInt32Min, kMinusOne}, {0x7FFFFFFF, 0}});
    EXPECT_DOUBLE_EQ(min.m_dLatMin, 2147483648.0);
    EXPECT_STREQ(min.m_szLat, "北緯   0度2147483647分2147483647.00秒");
    ExifAnalysis low = Latitude('N', {{0, 1}, {kInt32Min, 0}});
    EXPECT_STREQ(low.m_szLat, "北緯   0度-2147483648分  0.00秒");
}

TEST(GpsCapture, KeepsRawRationalsPositionsAndNames) {
    ExifBuilder b;
    b.GpsRef(1, 'N').GpsRationals(2, {{35, 1}, {31, 1}, {4523, 100}}).GpsRef(3, 'E')
        .GpsRationals(4, {{139, 1}, {3117, 100}, {0, 1}}).Gps(5, kByte, 1, 0).Gps(7, kRational, 3, 0);
    ExifAnalysis a = Analyze(b.Build());
    int gps = b.FilePosOfGpsIfd();
    EXPECT_EQ(a.m_cLatRef, 'N');
    EXPECT_EQ(a.m_nLatRefPos, EntryPos(gps, 0) + 8);
    EXPECT_EQ(a.m_cLonRef, 'E');
    EXPECT_EQ(a.m_nLonRefPos, EntryPos(gps, 2) + 8);
    EXPECT_EQ(a.m_nLatPos, b.FilePosOfValues());
    EXPECT_EQ(a.m_nLonPos, b.FilePosOfValues() + 24);
    EXPECT_EQ(a.m_nLatSecNum, 4523);
    EXPECT_EQ(a.m_nLatSecDen, 100);
    EXPECT_DOUBLE_EQ(a.m_dLatSec, 45.23);
    EXPECT_EQ(a.m_nLonMinNum, 3117);
    EXPECT_DOUBLE_EQ(a.m_dLonMin, 31.17);
    EXPECT_EQ(a.m_nLonMinDigits, 2);
    const char* names[] = {"", "緯度", "", "経度", "", "GPS時間"};
    for (int i = 0; i < 6; ++i) EXPECT_STREQ(a.m_Gps[i].m_szName, names[i]) << i;
}

TEST(GpsCapture, CountBelowThreeLeavesTheLaterRationalsAtZero) {
    ExifAnalysis two = Latitude('N', {{35, 1}, {31, 1}});
    EXPECT_EQ(two.m_bLatMin, 1);
    EXPECT_EQ(two.m_bLatSec, 0);
    EXPECT_EQ(two.m_nLatSecNum, 0);
    EXPECT_EQ(two.m_nLatSecDen, 0);
    // Count 0 captures nothing, although the position is kept.
    ExifBuilder b;
    b.GpsData(2, kRational, 0, RationalBytes({{35, 1}}, Order::II));
    ExifAnalysis zero = Analyze(b.Build());
    EXPECT_EQ(zero.m_bLatDeg, 0);
    EXPECT_EQ(zero.m_nLatDegNum, 0);
    EXPECT_EQ(zero.m_nLatPos, b.FilePosOfValues());
}

TEST(GpsCapture, FourthRationalIsIgnored) {
    ExifAnalysis a = Latitude('N', {{1, 1}, {2, 1}, {3, 1}, {4, 1}});
    EXPECT_EQ(a.m_nLatSecNum, 3);
    EXPECT_STREQ(a.m_szLat, "北緯   1度  2分  3.00秒");
}

TEST(GpsCapture, ReferenceByteIsTakenWhateverTheTypeAndCount) {
    // A LONG of count 7 whose value field starts with 'S' (little-endian).
    ExifAnalysis a = Analyze(ExifBuilder().Gps(1, kLong, 7, 'S').Build());
    EXPECT_EQ(a.m_cLatRef, 'S');
}

TEST(GpsCapture, SecondEntryWithTheSameTagOverwrites) {
    ExifAnalysis a = Analyze(ExifBuilder()
                                 .GpsRef(1, 'N')
                                 .GpsRationals(2, {{10, 1}, {20, 1}, {30, 1}})
                                 .GpsRef(1, 'S')
                                 .GpsRationals(2, {{11, 1}, {2150, 100}})
                                 .Build());
    // The second latitude has no seconds: the first one's seconds remain.
    EXPECT_STREQ(a.m_szLat, "南緯  11度 21.50分");
    EXPECT_EQ(a.m_nLatSecNum, 30);
}

TEST(GpsFormat, FormatsFromTheCapturedNumbersAlone) {
    ExifAnalysis a{};
    a.m_cLatRef = 'S';
    a.m_nLatDeg = -5;
    a.m_dLatMin = -2.5;
    a.m_dLatSec = -0.25;
    a.m_cLonRef = 'W';
    a.m_nLonDeg = 180;
    a.m_dLonMin = 0.126;
    a.m_nLonMinDigits = 3;
    FormatGpsTexts(a);
    // Signs are shown as stored; minutes truncate toward zero.
    EXPECT_STREQ(a.m_szLat, "南緯  -5度 -2分 -0.25秒");
    EXPECT_STREQ(a.m_szLon, "西経 180度  0.13分");
}
