#include "locate/Opaque.h"

#include "locate/Pieces.h"

#include <cstring>
#include <string_view>

namespace {

bool Digit(uint8_t c) { return c >= '0' && c <= '9'; }
bool Sign(uint8_t c) { return c == '+' || c == '-'; }

// True when [p, slash) is exactly latitude, longitude and an optional
// altitude.
bool CoordinateEndingAt(const uint8_t* p, const uint8_t* slash) {
    int ints = 0, fraction = 0;
    if (!SignedNumber(p, slash, ints, fraction) || !Iso6709Degrees(ints, fraction, false)) return false;
    if (!SignedNumber(p, slash, ints, fraction) || !Iso6709Degrees(ints, fraction, true)) return false;
    if (p < slash && !SignedNumber(p, slash, ints, fraction)) return false;
    return p == slash;
}

}  // namespace

bool SignedNumber(const uint8_t*& p, const uint8_t* end, int& ints, int& fraction) {
    if (p >= end || !Sign(*p)) return false;
    ++p;
    ints = fraction = 0;
    while (p < end && Digit(*p)) ++p, ++ints;
    if (ints == 0) return false;
    if (p < end && *p == '.') {
        ++p;
        while (p < end && Digit(*p)) ++p, ++fraction;
        if (fraction == 0) return false;
    }
    return true;
}

bool Iso6709Degrees(int ints, int fraction, bool longitude) {
    // A short whole part must come with the decimals a fix is printed with
    // (three place it within some 100 m): "+1.5-2.5/" is a note's numbers.
    constexpr int kFix = 3;
    if (longitude) return ints == 3 || ints == 5 || ints == 7 || (ints < 3 && fraction >= kFix);
    return ints == 2 || ints == 4 || ints == 6 || (ints == 1 && fraction >= kFix);
}

bool HoldsIso6709(const uint8_t* p, int64_t n) {
    // The longest form is some 40 bytes; each '/' is tried against the
    // signs before it.
    constexpr int64_t kLongest = 48;
    const uint8_t* const end = p + n;
    for (const uint8_t* s = p; s < end; ++s) {
        s = static_cast<const uint8_t*>(std::memchr(s, '/', static_cast<size_t>(end - s)));
        if (s == nullptr) return false;
        const int64_t at = s - p;
        for (int64_t b = at - 1; b >= 0 && at - b <= kLongest; --b)
            if (Sign(p[b]) && CoordinateEndingAt(p + b, s)) return true;
    }
    return false;
}

bool HoldsGpsText(const ByteReader& file, int64_t pos, int64_t n) {
    if (n < 3 || pos < 0 || pos > file.Length() - n) return false;
    return ForEachPiece(file, pos, n, 2, [](const uint8_t* p, int64_t, int64_t len) {
        if (len < 3) return false;
        // memchr jumps to each 'G' far faster than a search compares bytes.
        const uint8_t* const last = p + len - 2;  // a 'G' here leaves room for "PS"
        for (const uint8_t* g = p; g < last; ++g) {
            g = static_cast<const uint8_t*>(std::memchr(g, 'G', static_cast<size_t>(last - g)));
            if (g == nullptr) return false;
            if (g[1] == 'P' && g[2] == 'S') return true;
        }
        return false;
    });
}

bool HoldsGpsInText(const ByteReader& file, int64_t pos, int64_t n) {
    // A run of 8 holding "GPS" lies within 5 bytes either side of it:
    // pieces overlap by more than that window, so each window lies whole
    // in a piece (or is cut by the range itself).
    constexpr int64_t kRun = 8, kSide = kRun - 3;
    if (n < 3 || pos < 0 || pos > file.Length() - n) return false;
    auto printable = [](uint8_t c) { return (c >= 0x20 && c < 0x7F) || c == '\t' || c == '\n' || c == '\r'; };
    return ForEachPiece(file, pos, n, 2 * kSide + 3, [&](const uint8_t* p, int64_t, int64_t len) {
        for (const uint8_t* g = FindBytes(p, len, "GPS"); g != nullptr; g = FindBytes(g + 1, len - (g + 1 - p), "GPS")) {
            const uint8_t* from = g;
            const uint8_t* to = g + 3;
            while (from > p && from > g - kSide && printable(from[-1])) --from;
            while (to < p + len && to < g + 3 + kSide && printable(*to)) ++to;
            if (to - from >= kRun) return true;
        }
        return false;
    });
}

bool HoldsPlaceText(const ByteReader& file, int64_t pos, int64_t n) {
    static constexpr std::string_view kNames[] = {
        "location.broad",   "photoshop:City",           "photoshop:State",
        "photoshop:Country", "Iptc4xmpCore:Location",   "Iptc4xmpCore:CountryCode",
        "Iptc4xmpExt:LocationCreated", "Iptc4xmpExt:LocationShown"};
    if (n <= 0 || pos < 0 || pos > file.Length() - n) return false;
    return ForEachPiece(file, pos, n, 32, [](const uint8_t* p, int64_t, int64_t len) {
        for (std::string_view name : kNames)
            if (FindBytes(p, len, name) != nullptr) return true;
        return false;
    });
}

OpaqueText OpaqueHolds(const ByteReader& file, int64_t pos, int64_t n, bool compressed) {
    if (compressed ? HoldsGpsInText(file, pos, n) : HoldsGpsText(file, pos, n)) return OpaqueText::Gps;
    // Pieces overlap by more than the longest coordinate string.
    if (ForEachPiece(file, pos, n, 64, [](const uint8_t* p, int64_t, int64_t len) { return HoldsIso6709(p, len); }))
        return OpaqueText::Iso6709;
    return OpaqueText::None;
}

bool OpaqueFind(const ByteReader& file, ByteRange r, FindKind kind, FindWhy whyGps, FindWhy whyIso6709,
                bool placeNames, PositionFind& out, bool compressed) {
    const OpaqueText t = OpaqueHolds(file, r.pos, r.len, compressed);
    if (t != OpaqueText::None) out = PositionFind(kind, r.pos, false, t == OpaqueText::Gps ? whyGps : whyIso6709);
    else if (placeNames && HoldsPlaceText(file, r.pos, r.len))
        out = PositionFind(FindKind::PlaceName, r.pos, false, FindWhy::PlaceTextUnparsed);
    else
        return false;
    out.len = r.len;
    return true;
}

std::vector<uint8_t> NarrowUtf16(const uint8_t* p, int64_t n, bool bigEndian) {
    std::vector<uint8_t> out;
    out.reserve(static_cast<size_t>(n > 0 ? n / 2 : 0));
    for (int64_t i = 0; i + 1 < n; i += 2) {
        const unsigned u = bigEndian ? (p[i] << 8 | p[i + 1]) : (p[i + 1] << 8 | p[i]);
        out.push_back(u < 0x80 ? static_cast<uint8_t>(u) : '?');
    }
    return out;
}
