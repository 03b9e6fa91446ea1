// A search over many bytes goes piece by piece, so that a file read into
// pages a few at a time (see LazyBytes) is never asked for more at once
// than a piece. Pieces overlap by what a match may span.
#pragma once
#include "exif/ByteReader.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string_view>

constexpr int64_t kSearchPiece = int64_t{1} << 20;

// The first place of `needle` in the n bytes at p, or null.
inline const uint8_t* FindBytes(const uint8_t* p, int64_t n, std::string_view needle) {
    const int64_t m = static_cast<int64_t>(needle.size());
    for (int64_t i = 0; i + m <= n; ++i) {
        const void* c = std::memchr(p + i, needle[0], static_cast<size_t>(n - m - i + 1));
        if (c == nullptr) return nullptr;
        i = static_cast<const uint8_t*>(c) - p;
        if (std::memcmp(p + i, needle.data(), needle.size()) == 0) return p + i;
    }
    return nullptr;
}

// Calls f(p, at, n) for the bytes [at, at+n) of [pos, pos+len), piece by
// piece, each piece starting `overlap` bytes before the previous one's
// end; stops at the first call that answers true. False when a piece
// cannot be read, or no call answered true. A search whose match is
// nearly always at once starts with a small piece (`first` bytes), each
// next one twice as long, so that it does not read ahead a whole piece.
template <class F>
bool ForEachPiece(const ByteReader& file, int64_t pos, int64_t len, int64_t overlap, F f,
                  int64_t first = kSearchPiece) {
    const int64_t end = pos + len;
    int64_t piece = std::max<int64_t>(first, overlap + 1);
    for (int64_t at = pos; at < end; piece = std::min(piece * 2, kSearchPiece)) {
        const int64_t n = std::min(piece, end - at);
        const uint8_t* p = file.Span(at, n);
        if (p == nullptr) return false;
        if (f(p, at, n)) return true;
        if (at + n >= end) break;
        at += std::max<int64_t>(1, n - overlap);
    }
    return false;
}
