// The analysis record of the current file and its IFD entries. Plain,
// trivially copyable records; clearing is value-initialisation.
#pragma once
#include <cstdint>
#include <type_traits>

// One processed 12-byte IFD entry.
struct IfdEntry {
    int32_t m_nEntryPos;    // file offset of the entry's first byte
    uint32_t m_Raw[3];      // the 12 bytes exactly as stored (memory = file bytes)
    int32_t m_nTag;
    int32_t m_nType;
    int32_t m_nCount;
    int32_t m_nValue;       // value/offset field as one number, file byte order
    int32_t m_bOffset;      // 1 when the value lies elsewhere (size > 4 or LONG)
    int32_t m_nValuePos;    // m_nTiffPos + m_nValue; -1 when not a file position
    int32_t m_nSize;        // count x unit size, saturated at INT32_MAX
    char m_szName[65];
};
static_assert(sizeof(IfdEntry) == 112);
static_assert(std::is_trivially_copyable_v<IfdEntry>);

constexpr int kIfd0Slots = 50;
constexpr int kGpsSlots = 30;
constexpr int kMaxEntriesDone = 30;   // at most this many entries per IFD
constexpr int kIfd0OverflowDone = 20; // a 0th IFD declaring more processes 20

enum GpsState : int32_t { kGpsNone = 0, kGpsData = 1, kGpsEmpty = 9 };

struct ExifAnalysis {
    int32_t m_bLoaded;
    int32_t m_bExif;
    int32_t m_nGpsState;     // GpsState
    int32_t m_nByteOrder;    // 0 none, 1 "MM", 2 "II"
    int32_t m_nTiffPos;
    int32_t m_nIfd0Offset;
    char m_szMaker[32];
    char m_szModel[32];
    char m_szDateTime[24];
    int32_t m_nWidth;
    int32_t m_nHeight;
    char m_szFileTime[24];
    int32_t m_nIfd0Count;
    int32_t m_nIfd0Done;
    int32_t m_nIfd0Pos;
    IfdEntry m_Ifd0[kIfd0Slots];
    int32_t m_nGpsCount;
    int32_t m_nGpsDone;
    int32_t m_nGpsPos;
    IfdEntry m_Gps[kGpsSlots];

    int32_t m_nLatPos;
    char m_cLatRef;
    int32_t m_nLatRefPos;
    int32_t m_bLatDeg, m_nLatDegNum, m_nLatDegDen;
    int32_t m_bLatMin, m_nLatMinNum, m_nLatMinDen;
    int32_t m_bLatSec, m_nLatSecNum, m_nLatSecDen;
    char m_szLat[128];
    int32_t m_nLatDeg;
    double m_dLatMin;
    double m_dLatSec;
    int32_t m_nLatMinDigits;

    int32_t m_nLonPos;
    char m_cLonRef;
    int32_t m_nLonRefPos;
    int32_t m_bLonDeg, m_nLonDegNum, m_nLonDegDen;
    int32_t m_bLonMin, m_nLonMinNum, m_nLonMinDen;
    int32_t m_bLonSec, m_nLonSecNum, m_nLonSecDen;
    char m_szLon[128];
    int32_t m_nLonDeg;
    double m_dLonMin;
    double m_dLonSec;
    int32_t m_nLonMinDigits;
};
static_assert(std::is_trivially_copyable_v<ExifAnalysis>);

// The raw bytes of an entry, in file order.
inline const uint8_t* RawBytes(const IfdEntry& e) {
    return reinterpret_cast<const uint8_t*>(e.m_Raw);
}
