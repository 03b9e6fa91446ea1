#include "cli/Json.h"

#include "platform/Text.h"

#include <cstdio>
#include <cstring>
#include <utility>

namespace {

std::string Text(const char* cp932, size_t cap) {
    return JsonString(plat::Cp932ToUtf8(std::string(cp932, strnlen(cp932, cap))));
}

std::string Num(int64_t v) { return std::to_string(v); }

std::string Rational(int32_t present, int32_t num, int32_t den) {
    if (present == 0) return "null";
    return "[" + Num(num) + "," + Num(den) + "]";
}

std::string RawHex(const IfdEntry& e) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string out(26, '"');
    const uint8_t* raw = RawBytes(e);
    for (int i = 0; i < 12; ++i) {
        out[1 + 2 * i] = kDigits[raw[i] >> 4];
        out[2 + 2 * i] = kDigits[raw[i] & 15];
    }
    return out;
}

void Entries(std::string& out, const IfdEntry* entries, int32_t done) {
    out += '[';
    for (int32_t i = 0; i < done; ++i) {
        const IfdEntry& e = entries[i];
        if (i > 0) out += ',';
        const std::pair<const char*, int64_t> numbers[] = {
            {"{\"pos\":", e.m_nEntryPos}, {",\"tag\":", e.m_nTag},
            {",\"type\":", e.m_nType},    {",\"count\":", e.m_nCount},
            {",\"value\":", e.m_nValue},  {",\"offset\":", e.m_bOffset},
            {",\"value_pos\":", e.m_nValuePos}, {",\"size\":", e.m_nSize},
        };
        for (const auto& [key, value] : numbers) {
            out += key;
            out += Num(value);
        }
        out += ",\"name\":";
        out += Text(e.m_szName, sizeof e.m_szName);
        out += ",\"raw\":";
        out += RawHex(e);
        out += '}';
    }
    out += ']';
}

std::string Ifd(int32_t count, int32_t done, int32_t pos, const IfdEntry* entries) {
    std::string out = "{\"count\":" + Num(count) + ",\"done\":" + Num(done) +
                      ",\"pos\":" + Num(pos) + ",\"entries\":";
    out.reserve(out.size() + 200 * static_cast<size_t>(done > 0 ? done : 0) + 4);
    Entries(out, entries, done);
    return out + "}";
}

std::string RefLetter(char c) {
    if (c == '\0') return "\"\"";
    return JsonString(plat::Cp932ToUtf8(std::string(1, c)));
}

}  // namespace

std::string JsonString(const std::string& utf8) {
    std::string out = "\"";
    out.reserve(utf8.size() + 2);
    for (unsigned char c : utf8) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20) {
                char esc[8];
                std::snprintf(esc, sizeof esc, "\\u%04X", c);
                out += esc;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    return out + "\"";
}

std::string AnalysisToJson(const std::string& path, const ExifAnalysis& a,
                           const std::vector<PositionFind>* finds) {
    std::string j;
    j.reserve(4096);
    j += "{\"path\":" + JsonString(path);
    j += std::string(",\"loaded\":") + (a.m_bLoaded ? "true" : "false");
    j += std::string(",\"exif\":") + (a.m_bExif ? "true" : "false");
    j += ",\"gps_state\":" + Num(a.m_nGpsState);
    j += ",\"byte_order\":" + Num(a.m_nByteOrder);
    j += ",\"tiff_pos\":" + Num(a.m_nTiffPos);
    j += ",\"ifd0_offset\":" + Num(a.m_nIfd0Offset);
    j += ",\"maker\":" + Text(a.m_szMaker, sizeof a.m_szMaker);
    j += ",\"model\":" + Text(a.m_szModel, sizeof a.m_szModel);
    j += ",\"datetime\":" + Text(a.m_szDateTime, sizeof a.m_szDateTime);
    j += ",\"width\":" + Num(a.m_nWidth) + ",\"height\":" + Num(a.m_nHeight);
    j += ",\"file_time\":" + Text(a.m_szFileTime, sizeof a.m_szFileTime);
    j += ",\"ifd0\":" + Ifd(a.m_nIfd0Count, a.m_nIfd0Done, a.m_nIfd0Pos, a.m_Ifd0);
    j += ",\"gps\":" + Ifd(a.m_nGpsCount, a.m_nGpsDone, a.m_nGpsPos, a.m_Gps);
    j += ",\"lat\":{\"ref\":" + RefLetter(a.m_cLatRef) + ",\"ref_pos\":" + Num(a.m_nLatRefPos) +
         ",\"pos\":" + Num(a.m_nLatPos) +
         ",\"deg\":" + Rational(a.m_bLatDeg, a.m_nLatDegNum, a.m_nLatDegDen) +
         ",\"min\":" + Rational(a.m_bLatMin, a.m_nLatMinNum, a.m_nLatMinDen) +
         ",\"sec\":" + Rational(a.m_bLatSec, a.m_nLatSecNum, a.m_nLatSecDen) +
         ",\"text\":" + Text(a.m_szLat, sizeof a.m_szLat) + "}";
    j += ",\"lon\":{\"ref\":" + RefLetter(a.m_cLonRef) + ",\"ref_pos\":" + Num(a.m_nLonRefPos) +
         ",\"pos\":" + Num(a.m_nLonPos) +
         ",\"deg\":" + Rational(a.m_bLonDeg, a.m_nLonDegNum, a.m_nLonDegDen) +
         ",\"min\":" + Rational(a.m_bLonMin, a.m_nLonMinNum, a.m_nLonMinDen) +
         ",\"sec\":" + Rational(a.m_bLonSec, a.m_nLonSecNum, a.m_nLonSecDen) +
         ",\"text\":" + Text(a.m_szLon, sizeof a.m_szLon) + "}";
    if (finds != nullptr) {
        j += ",\"finds\":[";
        for (size_t i = 0; i < finds->size(); ++i) {
            const PositionFind& f = (*finds)[i];
            if (i > 0) j += ",";
            j += "{\"kind\":" + JsonString(FindKindName(f.kind)) + ",\"picture\":" +
                 Num(f.picture + 1) + ",\"segment\":" + Num(f.segment) + ",\"pos\":" + Num(f.pos) +
                 ",\"removable\":" + (f.removable ? "true" : "false") + "}";
        }
        j += "]";
    }
    return j + "}";
}
