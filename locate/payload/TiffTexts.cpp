#include "locate/payload/TiffTexts.h"

#include "locate/Opaque.h"
#include "locate/payload/TimedGps.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr int64_t kCodeLen = 8;

bool Overlap(const ByteRange& a, const ByteRange& b) { return a.pos < b.End() && b.pos < a.End(); }

// True when `r` shares bytes with a part of the structure other than the
// value it lies in: another field's value, a table, a GPS IFD.
bool Shared(const TiffScan& t, const ByteRange& value, const ByteRange& r) {
    for (const ByteRange& k : t.keep)
        if (Overlap(k, r) && !(k.pos == value.pos && k.len == value.len)) return true;
    for (const ByteRange& k : t.tables)
        if (Overlap(k, r)) return true;
    for (const GpsIfdScan& g : t.gps) {
        if (Overlap({g.pos, t.GpsFindLen(g)}, r)) return true;
        for (const ByteRange& v : g.values)
            if (Overlap(v, r)) return true;
    }
    return false;
}

}  // namespace

std::vector<TextPosition> ScanTiffTexts(const ByteReader& content, const TiffScan& t) {
    std::vector<TextPosition> out;
    for (const TiffScan::Text& x : t.texts) {
        const uint8_t* p = content.Span(x.value.pos, x.value.len);
        if (p == nullptr) continue;
        int64_t from = 0;
        // Other ASCII values (a name, a date, a serial number) are no
        // prose: only coordinates as programs write them count there.
        const bool prose = x.Prose();
        bool wide = x.Wide(), big = false, known = true;
        if (x.tag == TiffScan::Text::kUserComment) {
            if (x.value.len <= kCodeLen || std::memcmp(p, "JIS", 3) == 0) continue;
            from = kCodeLen;
            wide = std::memcmp(p, "UNICODE\0", kCodeLen) == 0;
            big = t.bigEndian;
            known = wide || std::memcmp(p, "ASCII\0\0\0", kCodeLen) == 0 ||
                    std::all_of(p, p + kCodeLen, [](uint8_t b) { return b == 0; });
        }
        // The text in one form, up to its terminator (a zero byte, or a
        // zero code unit in UTF-16): true when it names a coordinate.
        int64_t end = 0;
        const auto names = [&](bool asWide, bool asBig) {
            const int64_t unit = asWide ? 2 : 1;
            end = from + (x.value.len - from) / unit * unit;
            while (end - from >= unit && p[end - 1] == 0 && p[end - unit] == 0) end -= unit;
            if (end <= from) return false;
            const std::vector<uint8_t> narrow =
                asWide ? NarrowUtf16(p + from, end - from, asBig) : std::vector<uint8_t>(p + from, p + end);
            const auto n = static_cast<int64_t>(narrow.size());
            return prose ? TextNamesCoordinate(narrow.data(), n) : HoldsIso6709Pair(narrow.data(), n);
        };
        // A comment whose code no reader knows (a damaged "UNICODE"):
        // readers still show its text, in whichever form it reads.
        bool found = names(wide, big);
        for (const bool asBig : {big, !big}) {
            if (found || known) break;
            found = names(true, asBig);
            if (found) wide = true;
        }
        if (!found) continue;
        const ByteRange r{x.value.pos + from, end - from};
        out.push_back({r, static_cast<uint8_t>(wide ? 0 : ' '), !Shared(t, x.value, r)});
    }
    return out;
}
