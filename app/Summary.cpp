#include "app/Summary.h"

#include "platform/File.h"

#include <cstdio>

SummaryTexts MakeSummary(const ExifAnalysis& a, int32_t bmpWidth, int32_t bmpHeight) {
    SummaryTexts s;
    if (a.m_bLoaded == 0) return s;
    char size[64];
    std::snprintf(size, sizeof size, "%d x %d", bmpWidth, bmpHeight);
    s.m_strSize = size;
    if (a.m_bExif == 0) {
        s.m_strExif = "Ｘ";
        return s;
    }
    s.m_strExif = "○";
    s.m_strMaker = std::string(" ") + a.m_szMaker;
    s.m_strModel = std::string(" ") + a.m_szModel;
    s.m_strDate = std::string(" ") + a.m_szDateTime;
    if (a.m_nGpsState == kGpsNone) {
        s.m_strGps = "GPSタグなし";
    } else if (a.m_nGpsState == kGpsEmpty) {
        s.m_strGps = "GPSタグあり、Dataなし";
    } else {
        s.m_strGps = "GPSタグあり、Dataあり";
        s.m_strLat = a.m_szLat;
        s.m_strLon = a.m_szLon;
    }
    return s;
}

void FormatFileTime(const char* path, char* out) {
    out[0] = '\0';
    plat::LocalTime t{};
    if (plat::LastWriteTime(path, t)) FormatLocalTime(t, out);
}

void FormatLocalTime(const plat::LocalTime& t, char* out) {
    std::snprintf(out, 24, "%04d/%02d/%02d %02d:%02d", t.year, t.month, t.day, t.hour, t.minute);
}
