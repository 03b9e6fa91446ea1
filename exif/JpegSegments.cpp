#include "exif/JpegSegments.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr uint8_t kSoi = 0xD8, kEoi = 0xD9, kSos = 0xDA, kTem = 0x01;

bool IsStandalone(uint8_t m) { return m == kTem || (m >= 0xD0 && m <= 0xD7); }

// The offset of the next marker's 0xFF at or after `pos` and before
// `bound`: a 0xFF followed (after any fill 0xFF) by a byte that is neither
// 0x00 (a stuffed data byte) nor a restart marker when `inScan`. -1 when
// there is none.
int64_t NextMarker(const ByteReader& file, int64_t pos, int64_t bound, bool inScan) {
    while (pos < bound - 1) {
        const uint8_t* p = file.Span(pos, bound - pos);
        if (p == nullptr) return -1;
        const void* ff = std::memchr(p, 0xFF, static_cast<size_t>(bound - pos - 1));
        if (ff == nullptr) return -1;
        int64_t at = pos + (static_cast<const uint8_t*>(ff) - p);
        int64_t next = at + 1;
        uint8_t m = 0;
        while (next < bound && file.U8(next, m) && m == 0xFF) ++next;
        if (next >= bound) return -1;
        if (m != 0x00 && !(inScan && m >= 0xD0 && m <= 0xD7)) return next - 1;
        pos = next + 1;
    }
    return -1;
}

}  // namespace

bool WalkJpeg(const ByteReader& file, int64_t start, int64_t bound, JpegPicture& out) {
    out = JpegPicture{};
    bound = std::min(bound, file.Length());
    uint8_t b0 = 0, b1 = 0;
    if (start < 0 || start + 2 > bound || !file.U8(start, b0) || !file.U8(start + 1, b1) ||
        b0 != 0xFF || b1 != kSoi)
        return false;
    out.start = start;
    const ByteReader be(file.Span(0, file.Length()), file.Length(), ByteReader::kBigEndian);
    int64_t pos = start + 2;
    while (pos < bound) {
        uint8_t b = 0;
        file.U8(pos, b);
        if (b != 0xFF) {
            // Stray bytes: skip to the next marker, as a decoder does.
            const int64_t next = NextMarker(file, pos, bound, false);
            const int64_t stop = next < 0 ? bound : next;
            out.skipped.push_back({pos, stop - pos});
            if (next < 0) return true;
            pos = next;
        }
        // Fill bytes before the marker code.
        uint8_t m = 0xFF;
        while (pos + 1 < bound && file.U8(pos + 1, m) && m == 0xFF) ++pos;
        if (pos + 1 >= bound) {
            out.skipped.push_back({pos, bound - pos});
            return true;
        }
        if (m == 0x00) {  // 0xFF 0x00 outside a scan: not a marker
            out.skipped.push_back({pos, 2});
            pos += 2;
            continue;
        }
        if (m == kEoi) {
            out.end = pos + 2;
            return true;
        }
        if (m == kSoi || IsStandalone(m)) {
            pos += 2;
            continue;
        }
        uint16_t len = 0;
        if (pos + 4 > bound || !be.U16(pos + 2, len)) {
            out.truncated = true;
            out.skipped.push_back({pos, bound - pos});
            return true;
        }
        if (len < 2) {  // not a segment: resynchronise after its marker
            out.skipped.push_back({pos, 2});
            pos += 2;
            continue;
        }
        JpegSegment s{m, pos, pos + 4, int64_t{len} - 2};
        if (s.payload + s.payloadLen > bound) {
            s.payloadLen = std::max<int64_t>(0, bound - s.payload);
            out.truncated = true;
        }
        out.segments.push_back(s);
        pos += 2 + int64_t{len};
        if (m == kSos && pos < bound) {
            // The entropy-coded data runs to the next marker that is not a
            // restart marker.
            const int64_t next = NextMarker(file, pos, bound, true);
            if (next < 0) return true;  // no EOI: the picture runs to the bound
            pos = next;
        }
    }
    return true;
}

bool PayloadStartsWith(const ByteReader& file, const JpegSegment& s, const char* sig, int64_t n) {
    if (s.payloadLen < n) return false;
    const uint8_t* p = file.Span(s.payload, n);
    return p != nullptr && std::memcmp(p, sig, static_cast<size_t>(n)) == 0;
}

bool HoldsGpsText(const ByteReader& file, int64_t pos, int64_t n) {
    const uint8_t* p = file.Span(pos, n);
    if (p == nullptr || n < 3) return false;
    const char* c = reinterpret_cast<const char*>(p);
    static const char kGps[] = "GPS";
    return std::search(c, c + n, kGps, kGps + 3) != c + n;
}
