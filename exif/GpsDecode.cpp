#include "exif/GpsDecode.h"

#include "platform/Text.h"

#include <cstdio>
#include <cstring>

namespace {

// The fields of one coordinate (latitude or longitude) of the record.
struct CoordFields {
    int32_t& pos;
    int32_t *flag[3], *num[3], *den[3];
    int32_t& deg;
    double& min;
    double& sec;
    int32_t& minDigits;
};

CoordFields Latitude(ExifAnalysis& a) {
    return {a.m_nLatPos,
            {&a.m_bLatDeg, &a.m_bLatMin, &a.m_bLatSec},
            {&a.m_nLatDegNum, &a.m_nLatMinNum, &a.m_nLatSecNum},
            {&a.m_nLatDegDen, &a.m_nLatMinDen, &a.m_nLatSecDen},
            a.m_nLatDeg, a.m_dLatMin, a.m_dLatSec, a.m_nLatMinDigits};
}

CoordFields Longitude(ExifAnalysis& a) {
    return {a.m_nLonPos,
            {&a.m_bLonDeg, &a.m_bLonMin, &a.m_bLonSec},
            {&a.m_nLonDegNum, &a.m_nLonMinNum, &a.m_nLonSecNum},
            {&a.m_nLonDegDen, &a.m_nLonMinDen, &a.m_nLonSecDen},
            a.m_nLonDeg, a.m_dLonMin, a.m_dLonSec, a.m_nLonMinDigits};
}

double Ratio(int32_t num, int32_t den) {
    return den != 0 ? static_cast<double>(num) / den : static_cast<double>(num);
}

void CaptureRationals(const ByteReader& r, const IfdEntry& e, CoordFields c) {
    c.pos = e.m_nValuePos;
    if (e.m_nValuePos < 0) return;
    // Only three rationals mean anything; the walk stops at the first one
    // that is not wholly inside the content.
    int32_t n = e.m_nCount < 3 ? e.m_nCount : 3;
    for (int32_t k = 0; k < n; ++k) {
        int64_t at = int64_t{e.m_nValuePos} + 8 * int64_t{k};
        int32_t num, den;
        if (!r.Has(at, 8) || !r.I32(at, num) || !r.I32(at + 4, den)) return;
        *c.flag[k] = 1;
        *c.num[k] = num;
        *c.den[k] = den;
        if (k == 0) {
            // 64-bit division: -2^31 / -1 has no 32-bit result; it wraps.
            c.deg = den != 0 ? static_cast<int32_t>(int64_t{num} / den) : num;
        } else if (k == 1) {
            c.min = Ratio(num, den);
            c.minDigits = den >= 1000 ? 3 : den >= 100 ? 2 : den >= 10 ? 1 : 0;
        } else {
            c.sec = Ratio(num, den);
        }
    }
}

// Whole minutes, truncated toward zero and held inside int's range.
int TruncatedMinutes(double m) {
    if (m >= 2147483647.0) return 2147483647;
    if (m <= -2147483648.0) return -2147483647 - 1;
    return static_cast<int>(m);
}

void FormatCoord(char* out, size_t cap, const char* refName, const CoordFields& c) {
    if (c.minDigits != 0)
        std::snprintf(out, cap, "%s %3d度%6.2f分", refName, c.deg, c.min);
    else
        std::snprintf(out, cap, "%s %3d度%3d分%6.2f秒", refName, c.deg,
                      TruncatedMinutes(c.min), c.sec);
}

}  // namespace

void SetEntryName(IfdEntry& e, const char* name) {
    std::memset(e.m_szName, 0, sizeof e.m_szName);
    plat::CopyCp932Cut(e.m_szName, sizeof e.m_szName, name, std::strlen(name));
}

void DecodeGpsEntry(ExifAnalysis& a, const ByteReader& r, IfdEntry& e) {
    uint8_t ref = 0;
    switch (e.m_nTag) {
    case 1:
        r.U8(int64_t{e.m_nEntryPos} + 8, ref);
        a.m_cLatRef = static_cast<char>(ref);
        a.m_nLatRefPos = e.m_nEntryPos + 8;
        break;
    case 2:
        SetEntryName(e, "緯度");
        CaptureRationals(r, e, Latitude(a));
        break;
    case 3:
        r.U8(int64_t{e.m_nEntryPos} + 8, ref);
        a.m_cLonRef = static_cast<char>(ref);
        a.m_nLonRefPos = e.m_nEntryPos + 8;
        break;
    case 4:
        SetEntryName(e, "経度");
        CaptureRationals(r, e, Longitude(a));
        break;
    case 7:
        SetEntryName(e, "GPS時間");
        break;
    default:
        break;
    }
}

void FormatGpsTexts(ExifAnalysis& a) {
    const char* latName = a.m_cLatRef == 'N' ? "北緯" : a.m_cLatRef == 'S' ? "南緯" : "";
    const char* lonName = a.m_cLonRef == 'E' ? "東経" : a.m_cLonRef == 'W' ? "西経" : "";
    FormatCoord(a.m_szLat, sizeof a.m_szLat, latName, Latitude(a));
    FormatCoord(a.m_szLon, sizeof a.m_szLon, lonName, Longitude(a));
}
