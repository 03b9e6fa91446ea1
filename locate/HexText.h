// Bytes written as hex digits in a text (a PDF's hex strings, the profiles
// that PNG text chunks hold). Characters that are not hex digits (blanks,
// line breaks) are skipped, as readers of such texts skip them; an odd
// last digit is left out.
#pragma once

#include <cstdint>
#include <vector>

inline int HexNibble(uint8_t c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Calls f(k, hi, lo, value) for each byte k (at most `count`) of the
// digits in the n bytes at p from `from` on, with the offsets of its two
// digits.
template <class F>
void ForEachHexByte(const uint8_t* p, int64_t n, int64_t from, int64_t count, F f) {
    int64_t k = 0, hi = -1;
    for (int64_t i = from; i < n && k < count; ++i) {
        const int v = HexNibble(p[i]);
        if (v < 0) continue;
        if (hi < 0) {
            hi = i;
        } else {
            f(k++, hi, i, static_cast<uint8_t>(HexNibble(p[hi]) << 4 | v));
            hi = -1;
        }
    }
}

// The bytes that the n characters at p write as hex digits.
inline std::vector<uint8_t> HexBytes(const uint8_t* p, int64_t n) {
    std::vector<uint8_t> out;
    out.reserve(static_cast<size_t>(n / 2));
    ForEachHexByte(p, n, 0, n, [&](int64_t, int64_t, int64_t, uint8_t v) { out.push_back(v); });
    return out;
}
