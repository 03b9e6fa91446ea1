#include "cli/Json.h"

#include "cli/FindText.h"
#include "platform/Text.h"

#include <charconv>
#include <cstring>
#include <initializer_list>
#include <string_view>
#include <utility>

namespace {

// Everything is appended to one string: a record makes no temporary
// strings but those of a text conversion.
void Num(std::string& j, int64_t v) {
    char buf[24];
    const auto res = std::to_chars(buf, buf + sizeof buf, v);
    j.append(buf, res.ptr);
}

void Str(std::string& j, std::string_view utf8) {
    j += '"';
    for (unsigned char c : utf8) {
        switch (c) {
        case '"': j += "\\\""; break;
        case '\\': j += "\\\\"; break;
        case '\n': j += "\\n"; break;
        case '\r': j += "\\r"; break;
        case '\t': j += "\\t"; break;
        default:
            if (c < 0x20) {
                static const char kDigits[] = "0123456789ABCDEF";
                const char esc[] = {'\\', 'u', '0', '0', kDigits[c >> 4], kDigits[c & 15]};
                j.append(esc, sizeof esc);
            } else {
                j += static_cast<char>(c);
            }
        }
    }
    j += '"';
}

void Bool(std::string& j, bool b) { j += b ? "true" : "false"; }

// Keys (with their leading punctuation) and numbers, in turn.
void Numbers(std::string& j, std::initializer_list<std::pair<const char*, int64_t>> fields) {
    for (const auto& [key, value] : fields) {
        j += key;
        Num(j, value);
    }
}

void Text(std::string& j, const char* cp932, size_t cap) {
    Str(j, plat::Cp932ToUtf8(std::string_view(cp932, strnlen(cp932, cap))));
}

void Rational(std::string& j, int32_t present, int32_t num, int32_t den) {
    if (present == 0) {
        j += "null";
        return;
    }
    j += '[';
    Num(j, num);
    j += ',';
    Num(j, den);
    j += ']';
}

void RawHex(std::string& j, const IfdEntry& e) {
    static const char kDigits[] = "0123456789ABCDEF";
    char out[26];
    out[0] = out[25] = '"';
    const uint8_t* raw = RawBytes(e);
    for (int i = 0; i < 12; ++i) {
        out[1 + 2 * i] = kDigits[raw[i] >> 4];
        out[2 + 2 * i] = kDigits[raw[i] & 15];
    }
    j.append(out, sizeof out);
}

void Ifd(std::string& j, int32_t count, int32_t done, int32_t pos, const IfdEntry* entries) {
    Numbers(j, {{"{\"count\":", count}, {",\"done\":", done}, {",\"pos\":", pos}});
    j += ",\"entries\":[";
    for (int32_t i = 0; i < done; ++i) {
        const IfdEntry& e = entries[i];
        if (i > 0) j += ',';
        Numbers(j, {{"{\"pos\":", e.m_nEntryPos}, {",\"tag\":", e.m_nTag},
                    {",\"type\":", e.m_nType}, {",\"count\":", e.m_nCount},
                    {",\"value\":", e.m_nValue}, {",\"offset\":", e.m_bOffset},
                    {",\"value_pos\":", e.m_nValuePos}, {",\"size\":", e.m_nSize}});
        j += ",\"name\":";
        Text(j, e.m_szName, sizeof e.m_szName);
        j += ",\"raw\":";
        RawHex(j, e);
        j += '}';
    }
    j += "]}";
}

void RefLetter(std::string& j, char c) {
    if (c == '\0') j += "\"\"";
    else Text(j, &c, 1);
}

void Coordinate(std::string& j, char ref, int32_t refPos, int32_t pos, const int32_t (&parts)[3][3],
                const char* text, size_t cap) {
    j += "{\"ref\":";
    RefLetter(j, ref);
    Numbers(j, {{",\"ref_pos\":", refPos}, {",\"pos\":", pos}});
    static const char* const kParts[] = {",\"deg\":", ",\"min\":", ",\"sec\":"};
    for (int k = 0; k < 3; ++k) {
        j += kParts[k];
        Rational(j, parts[k][0], parts[k][1], parts[k][2]);
    }
    j += ",\"text\":";
    Text(j, text, cap);
    j += '}';
}

}  // namespace

std::string JsonString(const std::string& utf8) {
    std::string out;
    out.reserve(utf8.size() + 2);
    Str(out, utf8);
    return out;
}

std::string AnalysisToJson(const std::string& path, const ExifAnalysis& a,
                           const std::vector<PositionFind>* finds) {
    std::string j;
    j.reserve(4096);
    j += "{\"path\":";
    Str(j, path);
    j += ",\"loaded\":";
    Bool(j, a.m_bLoaded);
    j += ",\"exif\":";
    Bool(j, a.m_bExif);
    Numbers(j, {{",\"gps_state\":", a.m_nGpsState}, {",\"byte_order\":", a.m_nByteOrder},
                {",\"tiff_pos\":", a.m_nTiffPos}, {",\"ifd0_offset\":", a.m_nIfd0Offset}});
    j += ",\"maker\":";
    Text(j, a.m_szMaker, sizeof a.m_szMaker);
    j += ",\"model\":";
    Text(j, a.m_szModel, sizeof a.m_szModel);
    j += ",\"datetime\":";
    Text(j, a.m_szDateTime, sizeof a.m_szDateTime);
    Numbers(j, {{",\"width\":", a.m_nWidth}, {",\"height\":", a.m_nHeight}});
    j += ",\"file_time\":";
    Text(j, a.m_szFileTime, sizeof a.m_szFileTime);
    j += ",\"ifd0\":";
    Ifd(j, a.m_nIfd0Count, a.m_nIfd0Done, a.m_nIfd0Pos, a.m_Ifd0);
    j += ",\"gps\":";
    Ifd(j, a.m_nGpsCount, a.m_nGpsDone, a.m_nGpsPos, a.m_Gps);
    const int32_t lat[3][3] = {{a.m_bLatDeg, a.m_nLatDegNum, a.m_nLatDegDen},
                               {a.m_bLatMin, a.m_nLatMinNum, a.m_nLatMinDen},
                               {a.m_bLatSec, a.m_nLatSecNum, a.m_nLatSecDen}};
    const int32_t lon[3][3] = {{a.m_bLonDeg, a.m_nLonDegNum, a.m_nLonDegDen},
                               {a.m_bLonMin, a.m_nLonMinNum, a.m_nLonMinDen},
                               {a.m_bLonSec, a.m_nLonSecNum, a.m_nLonSecDen}};
    j += ",\"lat\":";
    Coordinate(j, a.m_cLatRef, a.m_nLatRefPos, a.m_nLatPos, lat, a.m_szLat, sizeof a.m_szLat);
    j += ",\"lon\":";
    Coordinate(j, a.m_cLonRef, a.m_nLonRefPos, a.m_nLonPos, lon, a.m_szLon, sizeof a.m_szLon);
    if (finds != nullptr) {
        j += ",\"finds\":[";
        for (size_t i = 0; i < finds->size(); ++i) {
            const PositionFind& f = (*finds)[i];
            if (i > 0) j += ',';
            j += "{\"kind\":";
            Str(j, FindKindName(f.kind));
            Numbers(j, {{",\"picture\":", f.picture + 1}, {",\"segment\":", f.segment},
                        {",\"pos\":", f.pos}});
            j += ",\"removable\":";
            Bool(j, f.removable);
            Numbers(j, {{",\"len\":", f.len}});
            j += ",\"carrier\":";
            Str(j, FindCarrier(f));
            if (!f.removable) {
                j += ",\"reason\":";
                Str(j, FindWhyText(f.why));
            }
            if (f.kind == FindKind::Container) {
                j += ",\"container\":";
                Str(j, ContainerName(f.container));
                j += ",\"whole_file\":";
                Bool(j, f.wholeFile);
            }
            j += '}';
        }
        j += ']';
    }
    j += '}';
    return j;
}
