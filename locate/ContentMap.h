// A payload's logical bytes and the file pieces that hold them. A payload
// that a container cuts into pieces (extended XMP chunks, a FLIR block's
// segments, an item's extents) reads as one run of bytes; a strip that
// overwrites content bytes overwrites each file byte that holds them. A
// piece may be kept in several places (an identical chunk repeated): each
// place is written alike.
#pragma once
#include "exif/ByteReader.h"
#include "platform/ByteRange.h"

#include <algorithm>
#include <cstdint>
#include <vector>

class ContentMap {
public:
    struct Piece {
        int64_t off = 0;               // in the content
        int64_t len = 0;
        std::vector<int64_t> filePos;  // where the file holds it; first: the one read
    };

    ContentMap() = default;
    // A payload that lies in one range of the file.
    explicit ContentMap(ByteRange whole) { Append(whole.pos, whole.len); }

    // Appends `len` content bytes held at filePos.
    void Append(int64_t filePos, int64_t len) {
        m_pieces.push_back({m_len, len, {filePos}});
        m_len += len;
    }
    // The last piece is also kept at filePos.
    void AlsoAt(int64_t filePos) {
        if (!m_pieces.empty()) m_pieces.back().filePos.push_back(filePos);
    }

    int64_t Length() const { return m_len; }
    const std::vector<Piece>& Pieces() const { return m_pieces; }
    bool Empty() const { return m_pieces.empty(); }

    // Calls f(filePos, contentOff, n) for each stretch of content
    // [off, off+len) that a piece holds, once per place it is kept.
    template <class F>
    void ForEachPlace(int64_t off, int64_t len, F f) const {
        for (const Piece& p : m_pieces) {
            const int64_t from = std::max(off, p.off);
            const int64_t to = std::min(off + len, p.off + p.len);
            if (from >= to) continue;
            for (int64_t pos : p.filePos) f(pos + (from - p.off), from, to - from);
        }
    }

    // The file ranges holding content [off, off+len), every place.
    std::vector<ByteRange> FileRanges(int64_t off, int64_t len) const {
        std::vector<ByteRange> out;
        ForEachPlace(off, len, [&](int64_t pos, int64_t, int64_t n) { out.push_back({pos, n}); });
        return out;
    }

    // The map of content [off, off+len): every place of each stretch.
    ContentMap Sub(int64_t off, int64_t len) const {
        ContentMap m;
        int64_t last = -1;
        ForEachPlace(off, len, [&](int64_t pos, int64_t from, int64_t n) {
            if (from == last) m.AlsoAt(pos);
            else m.Append(pos, n);
            last = from;
        });
        return m;
    }

    // This map placed through `outer`: its pieces name content offsets of
    // `outer` (a payload inside a payload), whose places are the file's.
    // Shorter than this map when `outer` does not hold all of it.
    ContentMap Through(const ContentMap& outer) const {
        ContentMap m;
        for (const Piece& p : m_pieces)
            for (const Piece& q : outer.Sub(p.filePos[0], p.len).m_pieces) {
                m.Append(q.filePos[0], q.len);
                for (size_t k = 1; k < q.filePos.size(); ++k) m.AlsoAt(q.filePos[k]);
            }
        return m;
    }
    // The file position of content byte `off` (its first place); -1 when
    // no piece holds it.
    int64_t FilePos(int64_t off) const {
        for (const Piece& p : m_pieces)
            if (off >= p.off && off < p.off + p.len) return p.filePos[0] + (off - p.off);
        return -1;
    }

    // True when every place of every piece lies inside `fileLen` bytes.
    bool Inside(int64_t fileLen) const {
        for (const Piece& p : m_pieces)
            for (int64_t pos : p.filePos)
                if (pos < 0 || p.len < 0 || p.len > fileLen || pos > fileLen - p.len) return false;
        return true;
    }

    // The content's bytes, read from each piece's first place; false when
    // a piece lies outside the file.
    bool Gather(const ByteReader& file, std::vector<uint8_t>& out) const {
        out.clear();
        out.reserve(static_cast<size_t>(m_len));
        for (const Piece& p : m_pieces) {
            const uint8_t* b = file.Span(p.filePos[0], p.len);
            if (b == nullptr && p.len > 0) return false;
            out.insert(out.end(), b, b + p.len);
        }
        return true;
    }

private:
    std::vector<Piece> m_pieces;  // in content order, tiling [0, m_len)
    int64_t m_len = 0;
};
