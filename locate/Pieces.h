// A search over many bytes goes piece by piece, so that a file read into
// pages a few at a time (see LazyBytes) is never asked for more at once
// than a piece. Pieces overlap by what a match may span.
#pragma once
#include "exif/ByteReader.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string_view>
#include <vector>

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

// The places of `needles` in [pos, pos+len), searched piece by piece
// (first piece `first` bytes) and handed to judge(at, needle index) in
// order once each piece's search is done: judging may read elsewhere and
// give the piece's pages back. Returns the first place judged true, or -1.
template <class J>
int64_t FirstHit(const ByteReader& file, int64_t pos, int64_t len, std::initializer_list<std::string_view> needles,
                 J judge, int64_t first = kSearchPiece) {
    constexpr size_t kMaxHits = 64;  // per needle and piece; the search goes on after the last
    size_t longest = 1;
    for (std::string_view n : needles) longest = std::max(longest, n.size());
    const int64_t overlap = static_cast<int64_t>(longest) - 1, end = pos + len;
    for (int64_t from = pos; from < end;) {
        std::vector<std::pair<int64_t, int>> hits;
        int64_t next = end, limit = end;  // a needle that filled its hits: the piece is done up to there
        ForEachPiece(file, from, end - from, overlap, [&](const uint8_t* p, int64_t at, int64_t n) {
            int k = 0;
            for (std::string_view needle : needles) {
                size_t found = 0;
                for (const uint8_t* hit = FindBytes(p, n, needle); hit != nullptr;
                     hit = FindBytes(hit + 1, n - (hit + 1 - p), needle)) {
                    if (at + (hit - p) < from) continue;
                    hits.push_back({at + (hit - p), k});
                    if (++found == kMaxHits) {
                        limit = std::min(limit, at + (hit - p) + 1);
                        break;
                    }
                }
                ++k;
            }
            next = at + n - overlap;
            return !hits.empty();
        }, first);
        std::sort(hits.begin(), hits.end());
        for (const auto& [at, k] : hits)
            if (at < limit && judge(at, k)) return at;
        const int64_t resume = limit < end ? limit : next;
        if (resume <= from) return -1;
        from = resume;
    }
    return -1;
}

// True when the n bytes at pos hold nothing but zeros and spaces (a value
// written blank); bytes that cannot be read are not blank.
inline bool Blank(const ByteReader& file, int64_t pos, int64_t n) {
    for (int64_t at = pos; at < pos + n;) {
        const int64_t len = std::min(kSearchPiece, pos + n - at);
        const uint8_t* p = file.Span(at, len);
        if (p == nullptr || !std::all_of(p, p + len, [](uint8_t b) { return b == 0 || b == ' '; })) return false;
        at += len;
    }
    return true;
}
