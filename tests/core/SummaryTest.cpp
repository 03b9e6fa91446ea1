// The eight summary texts of the main window, formed from the record.
#include "app/Summary.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

ExifAnalysis WithExif(int32_t gpsState) {
    ExifAnalysis a{};
    a.m_bLoaded = 1;
    a.m_bExif = 1;
    a.m_nGpsState = gpsState;
    std::strcpy(a.m_szMaker, "Canon");
    std::strcpy(a.m_szModel, "Canon EOS 40D");
    std::strcpy(a.m_szDateTime, "2008:07:31 10:38:11");
    std::strcpy(a.m_szLat, "北緯  35度 31分 45.23秒");
    std::strcpy(a.m_szLon, "東経 139度 31.17分");
    return a;
}

}  // namespace

TEST(Summary, NothingLoadedGivesEmptyTexts) {
    ExifAnalysis a = WithExif(kGpsData);
    a.m_bLoaded = 0;
    SummaryTexts s = MakeSummary(a, 640, 480);
    for (const std::string* t : {&s.m_strExif, &s.m_strLat, &s.m_strLon, &s.m_strGps,
                                 &s.m_strMaker, &s.m_strModel, &s.m_strDate, &s.m_strSize})
        EXPECT_EQ(*t, "");
}

TEST(Summary, FileWithoutExifShowsTheCrossAndTheSizeOnly) {
    ExifAnalysis a = WithExif(kGpsData);
    a.m_bExif = 0;
    SummaryTexts s = MakeSummary(a, 640, 480);
    EXPECT_EQ(s.m_strExif, "Ｘ");
    EXPECT_EQ(s.m_strSize, "640 x 480");
    EXPECT_EQ(s.m_strGps, "");
    EXPECT_EQ(s.m_strMaker, "");
    EXPECT_EQ(s.m_strLat, "");
}

TEST(Summary, ExifValuesGetOneLeadingBlankAlsoWhenEmpty) {
    ExifAnalysis a = WithExif(kGpsNone);
    a.m_szMaker[0] = '\0';
    SummaryTexts s = MakeSummary(a, 0, 0);
    EXPECT_EQ(s.m_strExif, "○");
    EXPECT_EQ(s.m_strMaker, " ");
    EXPECT_EQ(s.m_strModel, " Canon EOS 40D");
    EXPECT_EQ(s.m_strDate, " 2008:07:31 10:38:11");
    EXPECT_EQ(s.m_strSize, "0 x 0");
}

TEST(Summary, GpsStateChoosesTheGpsTextAndShowsCoordinatesOnlyWithData) {
    SummaryTexts none = MakeSummary(WithExif(kGpsNone), 1, 1);
    EXPECT_EQ(none.m_strGps, "GPSタグなし");
    EXPECT_EQ(none.m_strLat, "");
    SummaryTexts empty = MakeSummary(WithExif(kGpsEmpty), 1, 1);
    EXPECT_EQ(empty.m_strGps, "GPSタグあり、Dataなし");
    EXPECT_EQ(empty.m_strLon, "");
    SummaryTexts data = MakeSummary(WithExif(kGpsData), 1, 1);
    EXPECT_EQ(data.m_strGps, "GPSタグあり、Dataあり");
    EXPECT_EQ(data.m_strLat, "北緯  35度 31分 45.23秒");
    EXPECT_EQ(data.m_strLon, "東経 139度 31.17分");
}
