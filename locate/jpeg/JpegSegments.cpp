#include "locate/jpeg/JpegSegments.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr uint8_t kSoi = 0xD8, kEoi = 0xD9, kSos = 0xDA, kTem = 0x01;

bool IsStandalone(uint8_t m) { return m == kTem || (m >= 0xD0 && m <= 0xD7); }

// True when 0xFF followed by `b` is a marker: not a stuffed data byte
// (0x00), not a fill byte (0xFF, the marker follows it), and within a scan
// not a restart marker.
inline bool EndsMarker(uint8_t b, bool inScan) {
    return b != 0x00 && b != 0xFF && !(inScan && b >= 0xD0 && b <= 0xD7);
}

// The marker search within the n bytes at p (all in memory).
int64_t NextMarkerIn(const uint8_t* p, int64_t n, bool inScan) {
    int64_t i = 0;
#if defined(__SSE2__)
    const __m128i ff = _mm_set1_epi8(static_cast<char>(0xFF));
    const __m128i zero = _mm_setzero_si128();
    const __m128i rstMask = _mm_set1_epi8(static_cast<char>(0xF8));
    const __m128i rst = _mm_set1_epi8(static_cast<char>(0xD0));
    for (; i + 17 <= n; i += 16) {  // bytes i .. i+16
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        const int ffs = _mm_movemask_epi8(_mm_cmpeq_epi8(a, ff));
        if (ffs == 0) continue;
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 1));
        __m128i not_end = _mm_or_si128(_mm_cmpeq_epi8(b, zero), _mm_cmpeq_epi8(b, ff));
        if (inScan) not_end = _mm_or_si128(not_end, _mm_cmpeq_epi8(_mm_and_si128(b, rstMask), rst));
        const int marks = ffs & ~_mm_movemask_epi8(not_end);
        if (marks != 0) return i + __builtin_ctz(static_cast<unsigned>(marks));
    }
#endif
    for (; i + 1 < n; ++i)
        if (p[i] == 0xFF && EndsMarker(p[i + 1], inScan)) return i;
    return -1;
}

// The offset of the last 0xFF 0xD9 pair within the n bytes at p, or -1.
// Files end in padding or other data often enough that the search must
// not go byte by byte: 16 bytes are looked at together for an 0xFF.
int64_t LastEoiIn(const uint8_t* p, int64_t n) {
    int64_t end = n - 1;  // candidates for the 0xFF lie before `end`
#if defined(__SSE2__)
    const __m128i ff = _mm_set1_epi8(static_cast<char>(0xFF));
    for (; end >= 16; end -= 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + end - 16));
        for (unsigned ffs = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(a, ff))); ffs != 0;) {
            const int bit = 31 - __builtin_clz(ffs);
            const int64_t i = end - 16 + bit;
            if (p[i + 1] == kEoi) return i;
            ffs &= ~(1u << bit);
        }
    }
#endif
    for (int64_t i = end - 1; i >= 0; --i)
        if (p[i] == 0xFF && p[i + 1] == kEoi) return i;
    return -1;
}

// How much of the file one step of a search takes at a time, so that a
// file read as it is walked is brought only as far as the marker.
constexpr int64_t kSearchStep = 256 * 1024;

}  // namespace

// Every byte of a scan's entropy-coded data passes through here,
// so 16 bytes are looked at together where the processor can.
int64_t NextJpegMarker(const ByteReader& file, int64_t pos, int64_t bound, bool inScan) {
    if (pos < 0) return -1;
    bound = std::min(bound, file.Length());
    // Steps overlap by one byte: a marker's two bytes may straddle them.
    // They start small: stray bytes before a marker are usually few.
    int64_t step = 4096;
    for (int64_t at = pos; bound - at >= 2; at += step, step = std::min(step * 2, kSearchStep)) {
        const int64_t n = std::min(bound - at, step + 1);
        const uint8_t* p = file.Span(at, n);
        if (p == nullptr) return -1;
        const int64_t i = NextMarkerIn(p, n, inScan);
        if (i >= 0) return at + i;
    }
    return -1;
}

int64_t EndOfLastEoi(const ByteReader& file, int64_t from, int64_t to) {
    from = std::max<int64_t>(from, 0);
    to = std::min(to, file.Length());
    // Backwards, in steps overlapping by one byte that start small: the
    // marker is nearly always among a file's last bytes, and a first step
    // this short seldom reaches back into a second block of a file read
    // as it is walked.
    int64_t step = 512;
    for (int64_t end = to; end - from >= 2; step = std::min(step * 2, kSearchStep)) {
        const int64_t start = std::max(from, end - step - 1);
        const uint8_t* p = file.Span(start, end - start);
        if (p == nullptr) return -1;
        const int64_t i = LastEoiIn(p, end - start);
        if (i >= 0) return start + i + 2;
        end = start + 1;
    }
    return -1;
}

bool ScanEnds::Changed(int64_t from, int64_t to) const {
    // The first changed range ending after `from` decides.
    const auto it = std::upper_bound(m_changed.begin(), m_changed.end(), from,
                                     [](int64_t v, const ByteRange& r) { return v < r.pos + r.len; });
    return it != m_changed.end() && it->pos < to;
}

int64_t ScanEnds::Next(const ByteReader& file, int64_t pos, int64_t bound) {
    if (m_replay) {
        const auto it = std::lower_bound(m_ends.begin(), m_ends.end(), pos,
                                         [](const End& e, int64_t v) { return e.pos < v; });
        // A search looked at the byte pairs from pos up to the marker it
        // found, or up to the bound.
        if (it != m_ends.end() && it->pos == pos && it->bound == bound &&
            !Changed(pos, it->next >= 0 ? it->next + 2 : bound))
            return it->next;
        return NextJpegMarker(file, pos, bound, true);
    }
    const int64_t next = NextJpegMarker(file, pos, bound, true);
    // Kept sorted by position; a walk goes forward, so this nearly always appends.
    const auto at = std::lower_bound(m_ends.begin(), m_ends.end(), pos,
                                     [](const End& e, int64_t v) { return e.pos < v; });
    if (at == m_ends.end() || at->pos != pos) m_ends.insert(at, End{pos, bound, next});
    return next;
}

bool WalkJpeg(const ByteReader& file, int64_t start, int64_t bound, JpegPicture& out,
              bool headOnly, ScanEnds* ends, bool soi) {
    out = JpegPicture{};
    bound = std::min(bound, file.Length());
    uint8_t b0 = 0, b1 = 0;
    if (start < 0 || start + 2 > bound || !file.U8(start, b0) || !file.U8(start + 1, b1) ||
        (soi && (b0 != 0xFF || b1 != kSoi)))
        return false;
    out.start = start;
    const ByteReader be = file.WithOrder(ByteReader::kBigEndian);
    int64_t pos = soi ? start + 2 : start;
    while (pos < bound) {
        uint8_t b = 0;
        file.U8(pos, b);
        if (b != 0xFF) {
            // Stray bytes: skip to the next marker, as a decoder does.
            const int64_t next = NextJpegMarker(file, pos, bound, false);
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
        if (m == kSos && headOnly) return true;
        if (m == kSos && pos < bound) {
            // The entropy-coded data runs to the next marker that is not a
            // restart marker.
            const int64_t next = ends != nullptr ? ends->Next(file, pos, bound)
                                                 : NextJpegMarker(file, pos, bound, true);
            if (next < 0) return true;  // no EOI: the picture runs to the bound
            pos = next;
        }
    }
    return true;
}

int64_t ExifBlockStart(const ByteReader& file, const JpegSegment& s) {
    constexpr int64_t kGarbage = 4, kHeader = 6;  // "Exif\0\0"
    const int64_t n = std::min<int64_t>(s.payloadLen, kGarbage + kHeader);
    const uint8_t* p = n >= kHeader ? file.Span(s.payload, n) : nullptr;
    for (int64_t k = 0; p != nullptr && k + kHeader <= n; ++k)
        if ((p[k] | 0x20) == 'e' && (p[k + 1] | 0x20) == 'x' && (p[k + 2] | 0x20) == 'i' && (p[k + 3] | 0x20) == 'f' &&
            p[k + 4] == 0)
            return s.payload + k + kHeader;
    return -1;
}

bool PayloadStartsWith(const ByteReader& file, const JpegSegment& s, const char* sig, int64_t n) {
    if (s.payloadLen < n) return false;
    const uint8_t* p = file.Span(s.payload, n);
    return p != nullptr && std::memcmp(p, sig, static_cast<size_t>(n)) == 0;
}
