#include "locate/payload/TimedGps.h"

#include "locate/Fourcc.h"
#include "locate/Opaque.h"
#include "locate/payload/Protobuf.h"

#include <algorithm>
#include <cctype>
#include <vector>
#include <iterator>
#include <string_view>

namespace {

constexpr int64_t kCammHeader = 4;
// The value size of each CAMM packet type, 0 to 7.
constexpr int64_t kCammValue[] = {12, 8, 12, 12, 12, 24, 56, 12};
constexpr uint16_t kCammGpsShort = 5, kCammGps = 6;

constexpr int64_t kKlvHeader = 8;
// GoPro's own files nest two levels (DEVC, STRM); deeper nests are taken
// as damage rather than followed.
constexpr int kMaxNest = 8;

// A GPMF key as the big-endian number its four letters make.
constexpr uint32_t Key(const char (&k)[5]) {
    return uint32_t{static_cast<uint8_t>(k[0])} << 24 | uint32_t{static_cast<uint8_t>(k[1])} << 16 |
           uint32_t{static_cast<uint8_t>(k[2])} << 8 | uint32_t{static_cast<uint8_t>(k[3])};
}

bool AnyNonZero(const uint8_t* p, int64_t n) { return std::any_of(p, p + n, [](uint8_t b) { return b != 0; }); }

bool IsGpsKey(uint32_t key) {
    return key == Key("GPS5") || key == Key("GPS9") || key == Key("GPSU") || key == Key("GPSP");
}

bool IsPositionKey(uint32_t key) { return key == Key("GPS5") || key == Key("GPS9"); }

// GPMF keys are letters, digits and spaces; anything else is not a KLV
// header (the walk has lost its way in damaged data).
bool IsKeyChar(uint8_t c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == ' '; }

bool ValidKey(uint32_t key) {
    return IsKeyChar(key >> 24) && IsKeyChar((key >> 16) & 0xFF) && IsKeyChar((key >> 8) & 0xFF) && IsKeyChar(key & 0xFF);
}

// Holds the text of a GPS key: damaged GPMF that may hide a position.
bool HoldsGpsKey(const uint8_t* p, int64_t n) {
    for (int64_t i = 0; i + 4 <= n; ++i)
        if (p[i] == 'G' && p[i + 1] == 'P' && p[i + 2] == 'S' &&
            (p[i + 3] == '5' || p[i + 3] == '9' || p[i + 3] == 'U' || p[i + 3] == 'P'))
            return true;
    return false;
}

// What the scan has met so far, and the zeros it plans.
struct Track {
    int64_t valuePos = -1, valueLen = 0;  // the first value holding GPS data
    bool valueIsPosition = false;         // ... and it is a position, not only a time or precision
    int64_t badPos = -1, badLen = 0;      // the first part that cannot be read and may hold a position
    ContentMap zeros;                     // every value, adjacent ones joined
    ByteRange pending{-1, 0};
    // DJI's tracks name their protocol in their first sample.
    bool protocolSeen = false;
    const int* gpsPath = nullptr;  // the path to the GPS message; null: no protocol named yet

    void Value(int64_t pos, int64_t len, bool position) {
        if (valuePos < 0 || (position && !valueIsPosition)) {
            valuePos = pos;
            valueLen = len;
            valueIsPosition = position;
        }
        if (pos == pending.End()) {
            pending.len += len;
            return;
        }
        Flush();
        pending = {pos, len};
    }
    void Flush() {
        if (pending.pos >= 0) zeros.Append(pending.pos, pending.len);
        pending = {-1, 0};
    }
    void Bad(int64_t pos, int64_t len) {
        if (badPos < 0) badPos = pos, badLen = len;
    }
    bool Unreadable() const { return badPos >= 0; }
};

// One CAMM sample of `n` bytes at file offset `base`, read from `s`.
void ScanCamm(const ByteReader& s, int64_t base, int64_t n, Track& t) {
    int64_t at = 0;
    uint16_t type = 0;
    while (n - at >= kCammHeader && s.U16(at + 2, type) && type < std::size(kCammValue)) {
        const int64_t value = at + kCammHeader;
        const int64_t size = kCammValue[type];
        const bool gps = type == kCammGpsShort || type == kCammGps;
        if (n - value < size) {
            // A packet cut short: a GPS one that holds anything other than
            // zeros may hold a position.
            if (gps && AnyNonZero(s.Span(value, n - value), n - value)) t.Bad(base + at, n - at);
            return;
        }
        if (gps && AnyNonZero(s.Span(value, size), size)) t.Value(base + value, size, true);
        at = value + size;
    }
}

// One rtmd sample of `n` bytes at file offset `base`, read from `s`.
void ScanRtmd(const ByteReader& s, int64_t base, int64_t n, Track& t) {
    constexpr uint16_t kKey = 0x060E, kSet = 0x8300, kGpsFirst = 0x8500, kGpsLast = 0x85FF;
    constexpr uint16_t kLatitude = 0x8502, kLongitude = 0x8504;
    uint16_t start = 0;
    if (!s.U16(0, start)) return;
    for (int64_t at = start; at + 4 <= n;) {
        uint16_t tag = 0, len = 16;
        s.U16(at, tag);
        if (tag == 0) return;
        if (tag != kKey) {
            s.U16(at + 2, len);
            at += 4;
            if (tag == kSet) continue;  // its items follow
        }
        if (len > n - at) {
            // An item cut short: a GPS one may hold a position.
            if (tag >= kGpsFirst && tag <= kGpsLast) t.Bad(base + at, n - at);
            return;
        }
        if (tag >= kGpsFirst && tag <= kGpsLast && len > 0 && AnyNonZero(s.Span(at, len), len))
            t.Value(base + at, len, tag == kLatitude || tag == kLongitude);
        at += len;
    }
}

// One RVMI sample of `n` bytes at file offset `base`, read from `s`: a
// "gReV" record's fix (latitude, longitude, altitude, speed, track) is
// everything after its tag; "sReV" (the G-sensor) and others hold none.
void ScanRvmi(const ByteReader& s, int64_t base, int64_t n, Track& t) {
    if (n <= 4 || !s.Matches(0, 'g', 'R', 'e', 'V')) return;
    if (AnyNonZero(s.Span(4, n - 4), n - 4)) t.Value(base + 4, n - 4, true);
}

// One Parrot mett sample of `n` bytes at file offset `base`, read from
// `s` (big-endian). Each fix is three 32-bit fields (latitude, longitude,
// altitude) at the offsets below; a record that cuts one short, or a
// sample of no known form, cannot be taken apart.
void ScanParrot(const ByteReader& s, int64_t base, int64_t n, Track& t) {
    constexpr int64_t kFix = 12;
    auto fix = [&](int64_t at, int64_t len) {
        if (at + len > n) return t.Bad(base, n);
        if (AnyNonZero(s.Span(at, len), len)) t.Value(base + at, len, true);
    };
    uint8_t kind = 0, version = 0;
    uint16_t words = 0;
    if (!s.U8(0, kind) || !s.U8(1, version) || !s.U16(2, words) || (kind != 'P' && kind != 'E') || version < '1' ||
        version > '9') {
        // A recorded version 1 sample has no id: 60 bytes, the fix at 32.
        if (n == 60) fix(32, kFix);
        else t.Bad(base, n);
        return;
    }
    const int64_t end = 4 + int64_t{words} * 4;
    if (kind != 'P' || end > n) return t.Bad(base, n);
    int64_t at = 0;
    if (version == '1') {
        if (words >= 13) fix(28, kFix);  // the extended structure; the basic one has no fix
        return;
    }
    if (version == '2') at = 56;
    else if (version == '3') at = 72;
    else return t.Bad(base, n);  // a later version, not known
    fix(8, kFix);
    // Extensions, each an id and a length in words: E2 follow-me (its
    // target), E3 automation (its framing target and flight destination).
    for (uint16_t id = 0, len = 0; at + 4 <= end && s.U16(at, id) && s.U16(at + 2, len); at += 4 + int64_t{len} * 4) {
        if (at + 4 + int64_t{len} * 4 > end) return t.Bad(base + at, end - at);
        if (id == 0x4532) fix(at + 4, std::min<int64_t>(kFix, int64_t{len} * 4));
        if (id == 0x4533) fix(at + 4, std::min<int64_t>(2 * kFix, int64_t{len} * 4));
    }
}

// DJI's protocols and where each keeps its fix: the path of field numbers
// to the GPS message (its fields 2 and 3 the latitude and longitude,
// doubles, in radians or degrees); all zeros where there is none.
constexpr int kDjiPathLen = 4;
struct DjiProtocol {
    std::string_view name;
    int path[kDjiPathLen];
};
constexpr DjiProtocol kDjiProtocols[] = {
    {"dvtm_Air3.proto", {3, 3, 4, 1}},   {"dvtm_Air3s.proto", {3, 3, 4, 1}},   {"dvtm_Mini4_Pro.proto", {3, 3, 4, 1}},
    {"dvtm_wm265e.proto", {3, 3, 4, 1}}, {"dvtm_pm320.proto", {3, 3, 4, 1}},   {"dvtm_wm261.proto", {3, 3, 4, 1}},
    {"dvtm_wa345e.proto", {3, 3, 4, 1}}, {"dvtm_Mavic4.proto", {3, 3, 4, 1}},  {"dvtm_Mini5Pro.proto", {3, 3, 4, 1}},
    {"dvtm_AVATA2.proto", {3, 4, 4, 1}}, {"dvtm_dji_neo.proto", {3, 4, 4, 1}}, {"dvtm_ac203.proto", {3, 4, 2, 1}},
    {"dvtm_ac204.proto", {3, 4, 2, 1}},  {"dvtm_ac206.proto", {3, 4, 2, 1}},   {"dvtm_oq101.proto", {3, 4, 2, 1}},
    {"dvtm_PP-101.proto", {0, 0, 0, 0}},  // Osmo Pocket 3: no fix
};

// The value of the length-delimited field `number` of the message at
// [pos, pos+n), the first one; len -1 when there is none or it does not parse.
ByteRange PbChild(const ByteReader& s, int64_t pos, int64_t n, uint64_t number) {
    ByteRange out{-1, -1};
    ForEachPbField(s, pos, n, [&](const PbField& f) {
        if (f.number != number || f.wire != 2) return true;
        out = {f.value, f.len};
        return false;
    });
    return out;
}

// The GPS messages under `path` (every repeated occurrence) of the message
// at [pos, pos+n): fields 2 and 3 zeroed where they hold anything. A
// message on the way that does not parse may hold one.
void DjiGps(const ByteReader& s, int64_t base, int64_t pos, int64_t n, const int* path, int depth, Track& t) {
    const bool parsed = ForEachPbField(s, pos, n, [&](const PbField& f) {
        if (depth < kDjiPathLen) {
            if (f.number == static_cast<uint64_t>(path[depth]) && f.wire == 2)
                DjiGps(s, base, f.value, f.len, path, depth + 1, t);
        } else if (f.number == 2 || f.number == 3) {
            if (f.wire != 1) t.Bad(base + f.value, f.len);
            else if (AnyNonZero(s.Span(f.value, 8), 8)) t.Value(base + f.value, 8, true);
        }
        return !t.Unreadable();
    });
    if (!parsed) t.Bad(base + pos, n);
}

// One djmd sample of `n` bytes at file offset `base`, read from `s`: a
// protobuf message whose field 1.1.1 (in the first sample) names the
// protocol. A frame's data (field 3) under no known protocol cannot be
// told apart from a fix.
void ScanDjmd(const ByteReader& s, int64_t base, int64_t n, Track& t) {
    if (!t.protocolSeen) {
        ByteRange r = PbChild(s, 0, n, 1);
        if (r.len >= 0) r = PbChild(s, r.pos, r.len, 1);
        if (r.len >= 0) r = PbChild(s, r.pos, r.len, 1);
        const uint8_t* name = r.len > 0 ? s.Span(r.pos, r.len) : nullptr;
        if (name != nullptr) {
            t.protocolSeen = true;
            const std::string_view protocol(reinterpret_cast<const char*>(name), static_cast<size_t>(r.len));
            for (const DjiProtocol& p : kDjiProtocols)
                if (p.name == protocol) t.gpsPath = p.path;
            if (t.gpsPath == nullptr) {
                t.Bad(base + r.pos, r.len);  // a protocol not known: where its fix lies is not known
                return;
            }
        }
    }
    if (t.gpsPath == nullptr) {
        bool frame = false;
        const bool parsed = ForEachPbField(s, 0, n, [&](const PbField& f) { return !(frame = f.number == 3); });
        if (frame || !parsed) t.Bad(base, n);
        return;
    }
    if (t.gpsPath[0] != 0) DjiGps(s, base, 0, n, t.gpsPath, 0, t);
}

// The length of a word naming a coordinate at p[i] (any case):
// "latitude", "longitude", "coordinates" (as a map's placemark keeps
// them), or "lat"/"lon"/"lng" before a colon or an equals sign ("Lat:",
// a machine tag's "geo:lat=", a map link's "lng="; the sign counted) or
// before spaces and a number ("Lat 35.6586"); 0 when none.
int64_t CoordinateWordAt(const uint8_t* p, int64_t n, int64_t i) {
    const auto at = [&](std::string_view w) {
        if (i + static_cast<int64_t>(w.size()) > n) return false;
        for (size_t k = 0; k < w.size(); ++k)
            if (std::tolower(p[i + static_cast<int64_t>(k)]) != w[k]) return false;
        return true;
    };
    for (std::string_view w : {"latitude", "longitude", "coordinates"})
        if (at(w)) return static_cast<int64_t>(w.size());
    // A word of its own: "colon=" names nothing.
    if (i > 0 && std::isalpha(p[i - 1])) return 0;
    int64_t j = i + 3;
    while (j < n && p[j] == ' ') ++j;
    if (!(at("lat") || at("lon") || at("lng")) || j >= n) return 0;
    if (p[j] == ':' || p[j] == '=') return j + 1 - i;
    const int64_t digit = j + (p[j] == '-' || p[j] == '+' ? 1 : 0);
    return j > i + 3 && digit < n && p[digit] >= '0' && p[digit] <= '9' ? j - i : 0;
}

// True when the n bytes at p name a coordinate in words a caption uses.
bool NamesCoordinate(const uint8_t* p, int64_t n) {
    for (int64_t i = 0; i < n; ++i)
        if (CoordinateWordAt(p, n, i) > 0) return true;
    return false;
}

// True when the n bytes at p hold a number with at least three digits
// after its point, as a coordinate has ("35.6586"; a caption's speech
// that names GPS seldom does).
bool HoldsFineNumber(const uint8_t* p, int64_t n) {
    const auto digit = [&](int64_t i) { return i >= 0 && i < n && p[i] >= '0' && p[i] <= '9'; };
    for (int64_t i = 1; i + 3 < n; ++i)
        if (p[i] == '.' && digit(i - 1) && digit(i + 1) && digit(i + 2) && digit(i + 3)) return true;
    return false;
}

// True when the n bytes at p hold an ISO 6709 pair of degrees whatever
// follows it ("+35.6586+139.7454" before an ending or an altitude that is
// damaged or left out): a signed latitude of one or two whole digits and
// four decimals or more, then a signed longitude's whole digits (one to
// three) and its point, or two digits where its point is damaged. The
// longitude's decimals may be damaged too ("+35.6586+139.7?54",
// "+35.6586+139?7454"): what stands still places the photo, and readers
// show it.
bool HoldsSignedPair(const uint8_t* p, int64_t n) {
    const uint8_t* const end = p + n;
    const auto digit = [](uint8_t c) { return c >= '0' && c <= '9'; };
    for (const uint8_t* s = p; s < end; ++s) {
        const uint8_t* q = s;
        int ints = 0, fraction = 0;
        if ((s == p || !digit(s[-1])) && SignedNumber(q, end, ints, fraction) && ints <= 2 && fraction >= 4 &&
            q < end && (*q == '+' || *q == '-')) {
            const uint8_t* d = q + 1;
            while (d < end && d - q <= 3 && digit(*d)) ++d;
            if (d - q > 1 && d < end && (*d == '.' || (end - d > 2 && digit(d[1]) && digit(d[2])))) return true;
        }
    }
    return false;
}

// True when the n bytes at p hold a coordinate pair written bare, as a
// table of photos and places has it ("IMG_1234.JPG,35.6586,139.7454"): two
// numbers of four decimals or more, latitude and longitude in either order
// (at most 90 and 180, one of them 1 or more), side by side, perhaps with
// a third (an altitude); a run of four numbers or more is a list (a
// colour matrix), no pair.
bool HoldsCoordinatePair(const uint8_t* p, int64_t n) {
    struct Number {
        int whole;  // the part before the point, its sign left out (three digits at most)
        int decimals;
        int64_t end;
    };
    // The number at i (a sign, digits, a point and digits), if one starts there.
    // Each byte is read once: a start inside a number or after four digits is refused at once.
    const auto read = [&](int64_t i, Number& out) {
        // Part of a longer token (a version "1.2.3", a name "x35.6") is none.
        if (i > 0 && (p[i - 1] == '.' || (p[i - 1] >= '0' && p[i - 1] <= '9'))) return false;
        if (i < n && (p[i] == '-' || p[i] == '+')) ++i;
        const int64_t whole = i;
        int value = 0;
        for (; i < n && p[i] >= '0' && p[i] <= '9'; ++i) {
            if (i - whole == 3) return false;  // more digits are no coordinate
            value = value * 10 + (p[i] - '0');
        }
        if (i == whole) return false;
        int decimals = 0;
        if (i < n && p[i] == '.')
            for (++i; i < n && p[i] >= '0' && p[i] <= '9'; ++i) ++decimals;
        if (i < n && (p[i] == '.' || (p[i] >= 'A' && p[i] <= 'Z') || (p[i] >= 'a' && p[i] <= 'z'))) return false;
        out = {value, decimals, i};
        return true;
    };
    const auto separator = [](uint8_t c) { return c == ',' || c == ';' || c == ' ' || c == '\t'; };
    for (int64_t i = 0; i < n; ++i) {
        Number first;
        if (!read(i, first)) continue;
        // The run of numbers side by side from here.
        std::vector<Number> run{first};
        for (int64_t j = first.end; run.size() < 5;) {
            int64_t k = j;
            while (k < n && k - j < 3 && separator(p[k])) ++k;
            Number next;
            if (k == j || !read(k, next)) break;
            run.push_back(next);
            j = next.end;
        }
        i = run.back().end - 1;
        if (run.size() < 2 || run.size() > 3 || run[0].decimals < 4 || run[1].decimals < 4) continue;
        // Up to 90 and 180 (the whole part, 90.0001 aside), in either order.
        const int a = run[0].whole, b = run[1].whole;
        if (((a < 90 && b < 180) || (a < 180 && b < 90)) && (a >= 1 || b >= 1)) return true;
    }
    return false;
}

// True when the n bytes at p hold an NMEA sentence with a fix, as
// dashcams caption each frame: "$GPRMC," (any talker, RMC, GGA or GLL)
// and, later in the sentence, a hemisphere field ",N," or ",S,".
bool HoldsNmeaFix(const uint8_t* p, int64_t n) {
    const auto upper = [](uint8_t c) { return c >= 'A' && c <= 'Z'; };
    for (int64_t i = 0; i + 7 <= n; ++i) {
        if (p[i] != '$' || !upper(p[i + 1]) || !upper(p[i + 2]) || p[i + 6] != ',') continue;
        const std::string_view type(reinterpret_cast<const char*>(p + i + 3), 3);
        if (type != "RMC" && type != "GGA" && type != "GLL") continue;
        for (int64_t j = i + 7; j + 3 <= n && p[j] != '$' && p[j] != '\n' && p[j] != '*'; ++j)
            if (p[j] == ',' && (p[j + 1] == 'N' || p[j + 1] == 'S') && p[j + 2] == ',') return true;
    }
    return false;
}

// A caption's text as the checks read it: UTF-16 text (a byte order mark
// first) as its ASCII characters, any other character as '?'.
std::vector<uint8_t> Narrow(const uint8_t* p, int64_t n) {
    const bool big = n >= 2 && p[0] == 0xFE && p[1] == 0xFF, little = n >= 2 && p[0] == 0xFF && p[1] == 0xFE;
    return big || little ? NarrowUtf16(p + 2, n - 2, big) : std::vector<uint8_t>{};
}

// Binary fixes some dashcams store in their text track: Garmin's PNDM
// record (after an optional 4-byte size), and the records BlueSkySea and
// Ambarella cameras encipher (two zero bytes, then their marks).
bool HoldsBinaryFix(const uint8_t* p, int64_t n) {
    const auto at = [&](int64_t i, std::string_view w) {
        return i + static_cast<int64_t>(w.size()) <= n && std::equal(w.begin(), w.end(), p + i);
    };
    if (at(0, "PNDM") || (n >= 4 && p[0] == 0 && at(4, "PNDM"))) return true;
    constexpr int64_t kEnciphered = 282;  // the shortest such record
    return n >= kEnciphered && p[0] == 0 && p[1] == 0 &&
           ((p[4] == 0xAA && p[5] == 0xAA) || (p[2] == 0xF2 && p[3] == 0xE1 && p[4] == 0xF0 && p[5] == 0xEE));
}

// True when a caption's n bytes at p, read as text, hold a position.
bool TextHoldsFix(const uint8_t* p, int64_t n) {
    const ByteReader text(p, n);
    const OpaqueText seen = OpaqueHolds(text, 0, n);
    return seen == OpaqueText::Iso6709 || HoldsNmeaFix(p, n) ||
           ((seen == OpaqueText::Gps || NamesCoordinate(p, n)) && HoldsFineNumber(p, n));
}

// The same for a caption as stored: UTF-16 text (a byte order mark first)
// is read by its ASCII characters.
bool CaptionHoldsFix(const uint8_t* p, int64_t n) {
    const std::vector<uint8_t> narrow = Narrow(p, n);
    return narrow.empty() ? TextHoldsFix(p, n) : TextHoldsFix(narrow.data(), static_cast<int64_t>(narrow.size()));
}

// One caption sample of `n` bytes at file offset `base`, read from `s`.
void ScanText(const ByteReader& s, int64_t base, int64_t n, Track& t) {
    uint16_t len = 0;
    const uint8_t* p = s.Span(0, n);
    if (!s.U16(0, len) || p == nullptr) return;
    if (HoldsBinaryFix(p, n) || HoldsBinaryFix(p + 2, n - 2)) {
        t.Value(base, n, true);  // no text to keep: the whole sample
        return;
    }
    // A length past the sample: the caption cannot be told from the rest.
    const int64_t text = 2 + int64_t{len} <= n ? len : -1;
    const int64_t look = text >= 0 ? text : n - 2;
    if (look <= 0) return;
    if (!CaptionHoldsFix(p + 2, look)) return;
    if (text < 0) t.Bad(base, n);
    else t.Value(base + 2, text, true);
}

// One sample of `n` bytes at file offset `base` that is all text, with no
// length before it.
void ScanPlainText(const ByteReader& s, int64_t base, int64_t n, Track& t) {
    const uint8_t* p = s.Span(0, n);
    if (p == nullptr) return;
    if (HoldsBinaryFix(p, n) || CaptionHoldsFix(p, n)) t.Value(base, n, true);
}

// One WebVTT sample (ISO 14496-30's `wvtt`): boxes, where a cue (`vttc`)
// holds its text (`payl`), settings (`sttg`) and id (`iden`) and `vtta` a
// comment. Each text is read as a plain caption; the box headers stay.
// Bytes that are not boxes cannot be cleaned.
void ScanWebVtt(const ByteReader& s, int64_t from, int64_t to, int64_t base, bool inCue, Track& t) {
    for (int64_t at = from; at < to && !t.Unreadable();) {
        uint32_t size = 0, type = 0;
        if (to - at < 8 || !s.U32(at, size) || !s.U32(at + 4, type) || size < 8 || size > to - at) {
            const uint8_t* p = s.Span(at, to - at);
            if (p != nullptr && (HoldsBinaryFix(p, to - at) || CaptionHoldsFix(p, to - at))) t.Bad(base + at, to - at);
            return;
        }
        const int64_t body = at + 8, len = int64_t{size} - 8;
        if (type == Fourcc("vttc") && !inCue) {
            ScanWebVtt(s, body, body + len, base, true, t);
        } else if (OneOf(type, {Fourcc("payl"), Fourcc("sttg"), Fourcc("iden"), Fourcc("vtta")}) && len > 0) {
            const uint8_t* p = s.Span(body, len);
            if (p != nullptr) ScanPlainText(ByteReader(p, len), base + body, len, t);
        }
        at += size;
    }
}

// One TTML sample (`stpp`): an XML document of cues, whose fix cannot be
// blanked without the markup around it.
void ScanTtml(const ByteReader& s, int64_t base, int64_t n, Track& t) {
    const uint8_t* p = s.Span(0, n);
    if (p != nullptr && (CaptionHoldsFix(p, n) || TextHoldsPosition(p, n))) t.Bad(base, n);
}

// The KLV items in [from, to) of a GPMF sample read from `s` (file
// offset `base`), `depth` nests down. Each header is read once, so the
// walk costs in proportion to the sample.
void ScanKlv(const ByteReader& s, int64_t base, int64_t from, int64_t to, int depth, Track& t) {
    int64_t at = from;
    while (at < to && !t.Unreadable()) {
        uint32_t key = 0;
        if (to - at >= 4 && s.U32(at, key) && key == 0) {  // a padding word
            at += 4;
            continue;
        }
        uint8_t type = 0, size = 0;
        uint16_t repeat = 0;
        const bool header = to - at >= kKlvHeader && s.U8(at + 4, type) && s.U8(at + 5, size) && s.U16(at + 6, repeat);
        const int64_t len = int64_t{size} * repeat;
        const int64_t padded = (len + 3) & ~int64_t{3};
        if (!header || !ValidKey(key) || padded > to - at - kKlvHeader || (type == 0 && depth >= kMaxNest)) {
            // The rest of this level cannot be taken apart; it may hold a
            // position when it names a GPS key.
            const uint8_t* rest = s.Span(at, to - at);
            if (IsGpsKey(key) || HoldsGpsKey(rest, to - at)) t.Bad(base + at, to - at);
            return;
        }
        const int64_t value = at + kKlvHeader;
        if (type == 0) {
            ScanKlv(s, base, value, value + len, depth + 1, t);
        } else if (IsGpsKey(key) && len > 0 && AnyNonZero(s.Span(value, len), len)) {
            t.Value(base + value, len, IsPositionKey(key));
        }
        at = value + padded;
    }
}

// A `gpmd` sample some dashcams write in their own form rather than
// GoPro's KLV: Kingslim's binary fix (its status and hemispheres, "A",
// "N"/"S", "E"/"W", at 24 after three zeros), Rove's enciphered text,
// Vantrue's "FMAS" records. Each is a fix and nothing else.
bool DashcamGpmd(const uint8_t* p, int64_t n) {
    const auto at = [&](int64_t i, std::string_view w) {
        return i + static_cast<int64_t>(w.size()) <= n && std::equal(w.begin(), w.end(), p + i);
    };
    const bool kingslim = n >= 27 && p[21] == 0 && p[22] == 0 && p[23] == 0 && p[24] == 'A' &&
                          (p[25] == 'N' || p[25] == 'S') && (p[26] == 'E' || p[26] == 'W');
    return kingslim || at(0, std::string_view("\0\0\xF2\xE1\xF0\xEETT", 8)) ||
           at(0, std::string_view("FMAS\0\0\0\0", 8));
}

// One GPMF sample of `n` bytes at file offset `base`, read from `s`. One
// that does not open with a KLV item is a dashcam's own form: a known
// one is zeroed whole, another cannot be taken apart.
void ScanGpmf(const ByteReader& s, int64_t base, int64_t n, Track& t) {
    const uint8_t* p = s.Span(0, n);
    if (p == nullptr) return;
    if (DashcamGpmd(p, n)) {
        if (AnyNonZero(p, n)) t.Value(base, n, true);
        return;
    }
    int64_t first = 0;
    while (first + 4 <= n && p[first] == 0 && p[first + 1] == 0 && p[first + 2] == 0 && p[first + 3] == 0) first += 4;
    uint32_t key = 0;
    if (first + kKlvHeader <= n && s.U32(first, key) && !ValidKey(key)) {
        t.Bad(base + first, n - first);
        return;
    }
    ScanKlv(s, base, 0, n, 0, t);
}

}  // namespace

bool TextHoldsPosition(const uint8_t* p, int64_t n) {
    // A whole text (a note, a changelog) names coordinates in its prose
    // and numbers elsewhere: the number must follow the word closely.
    constexpr int64_t kNear = 48;
    const std::vector<uint8_t> narrow = Narrow(p, n);
    if (!narrow.empty()) p = narrow.data(), n = static_cast<int64_t>(narrow.size());
    if (HoldsNmeaFix(p, n) || HoldsCoordinatePair(p, n) || HoldsSignedPair(p, n)) return true;
    for (int64_t i = 0; i < n; ++i) {
        const int64_t w = CoordinateWordAt(p, n, i);
        if (w > 0 && HoldsFineNumber(p + i + w, std::min(kNear, n - i - w))) return true;
    }
    return false;
}

bool TextNamesCoordinate(const uint8_t* p, int64_t n) { return HoldsIso6709(p, n) || TextHoldsPosition(p, n); }

bool HoldsIso6709Pair(const uint8_t* p, int64_t n) { return HoldsIso6709(p, n) || HoldsSignedPair(p, n); }

bool StreamDataHoldsFix(const uint8_t* p, int64_t n) {
    const auto at = [&](int64_t i, std::string_view w) {
        return i >= 0 && i + static_cast<int64_t>(w.size()) <= n && std::equal(w.begin(), w.end(), p + i);
    };
    const auto fix = [&](int64_t i, int64_t ns, int64_t ew) {
        return i + 1 <= n && ns < n && ew < n && p[i] == 'A' && (p[ns] == 'N' || p[ns] == 'S') &&
               (p[ew] == 'E' || p[ew] == 'W');
    };
    const std::string_view misb("\x06\x0E\x2B\x34", 4);
    if (fix(24, 25, 26) || fix(188, 189, 190) || (fix(0, 1, 2) && n > 3 && p[3] == 0) ||
        (fix(44, 52, 60) && at(45, std::string_view("\0\0\0", 3))) || (at(32, "$S") && at(64, "$S")) ||
        at(0, "LIGOGPSINFO") || at(8, "LIGOGPSINFO") || at(0, misb) || at(5, misb))
        return true;
    return HoldsBinaryFix(p, n) || CaptionHoldsFix(p, n);
}

TimedGpsScan ScanTimedGps(const ByteReader& file, TimedFormat fmt, const std::vector<ByteRange>& samples) {
    TimedGpsScan scan;
    Track t;
    // Samples that share no byte add up to at most the file: more means
    // they overlap, and reading on would cost more than the file holds.
    int64_t budget = file.Length();
    for (const ByteRange& r : samples) {
        if (r.len <= 0) continue;
        const uint8_t* p = r.len <= budget ? file.Span(r.pos, r.len) : nullptr;
        if (p == nullptr) {
            t.Bad(r.pos, r.len);
            break;
        }
        budget -= r.len;
        // The sample is read through a reader of its own bytes, so that no
        // read of the sample's structure leaves it.
        const bool little = fmt == TimedFormat::Camm || fmt == TimedFormat::Rvmi;
        const ByteReader s(p, r.len, little ? ByteReader::kLittleEndian : ByteReader::kBigEndian);
        if (fmt == TimedFormat::Camm)
            ScanCamm(s, r.pos, r.len, t);
        else if (fmt == TimedFormat::Text)
            ScanText(s, r.pos, r.len, t);
        else if (fmt == TimedFormat::PlainText)
            ScanPlainText(s, r.pos, r.len, t);
        else if (fmt == TimedFormat::WebVtt)
            ScanWebVtt(s, 0, r.len, r.pos, false, t);
        else if (fmt == TimedFormat::Ttml)
            ScanTtml(s, r.pos, r.len, t);
        else if (fmt == TimedFormat::WholeFix) {
            if (AnyNonZero(p, r.len)) t.Value(r.pos, r.len, true);
        }
        else if (fmt == TimedFormat::Rtmd)
            ScanRtmd(s, r.pos, r.len, t);
        else if (fmt == TimedFormat::Rvmi)
            ScanRvmi(s, r.pos, r.len, t);
        else if (fmt == TimedFormat::Djmd)
            ScanDjmd(s, r.pos, r.len, t);
        else if (fmt == TimedFormat::Parrot)
            ScanParrot(s, r.pos, r.len, t);
        else
            ScanGpmf(s, r.pos, r.len, t);
        if (t.Unreadable()) break;
    }
    t.Flush();
    if (t.Unreadable()) {
        PositionFind f(FindKind::TimedGps, t.badPos, false, FindWhy::TimedGpsUnreadable);
        f.len = t.badLen;
        scan.finds.push_back(f);
    } else if (t.valuePos >= 0) {
        PositionFind f(FindKind::TimedGps, t.valuePos, true);
        f.len = t.valueLen;
        scan.finds.push_back(f);
        const int64_t len = t.zeros.Length();
        scan.plan.fills.push_back({scan.plan.AddMap(std::move(t.zeros)), 0, len, 0, {}});
    }
    return scan;
}
