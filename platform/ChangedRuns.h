// The places where two versions of a file's bytes differ, as runs: what a
// patch writes. Runs closer than 16 bytes are joined, so a patch makes few
// writes. Also how file ranges are joined wherever a list of them is kept.
#pragma once
#include "platform/ByteRange.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace plat {


// One change to a file: the `len` bytes at `pos` held `was` and are to
// hold `now` (both `len` bytes, owned by the caller).
struct BytePatch {
    int64_t pos, len;
    const uint8_t* was;
    const uint8_t* now;
};

// File ranges (anything with `pos` and `len`) sorted by position, those
// that overlap or touch joined into one.
template <typename Range>
std::vector<Range> JoinRanges(std::vector<Range> ranges) {
    std::sort(ranges.begin(), ranges.end(), [](const Range& a, const Range& b) { return a.pos < b.pos; });
    std::vector<Range> joined;
    for (const Range& r : ranges) {
        if (!joined.empty() && r.pos <= joined.back().pos + joined.back().len)
            joined.back().len = std::max(joined.back().len, r.pos + r.len - joined.back().pos);
        else
            joined.push_back(r);
    }
    return joined;
}

inline std::vector<ByteRange> ChangedRuns(const uint8_t* was, const uint8_t* now, int64_t len) {
    std::vector<ByteRange> runs;
    if (was == now) return runs;
    constexpr int64_t kBlock = 4096;  // equal blocks are passed over whole
    for (int64_t i = 0; i < len; ++i) {
        if (i % kBlock == 0 && i + kBlock <= len &&
            std::memcmp(was + i, now + i, static_cast<size_t>(kBlock)) == 0) {
            i += kBlock - 1;
            continue;
        }
        if (was[i] == now[i]) continue;
        if (!runs.empty() && i - (runs.back().pos + runs.back().len) < 16)
            runs.back().len = i + 1 - runs.back().pos;
        else
            runs.push_back({i, 1});
    }
    return runs;
}

// Appends the patches that turn the `len` bytes `was` into `now`, which
// lie at file offset `at`.
inline void AddPatches(const uint8_t* was, const uint8_t* now, int64_t len, int64_t at,
                       std::vector<BytePatch>& out) {
    for (const ByteRange& r : ChangedRuns(was, now, len))
        out.push_back({at + r.pos, r.len, was + r.pos, now + r.pos});
}

// Lays the patches over `buf`, which holds the n bytes of a file at pos
// as read: each patch's part that falls there goes over bytes that must
// hold its `was`. False (buf then partly patched) when one does not.
inline bool LayPatches(uint8_t* buf, int64_t pos, int64_t n, const std::vector<BytePatch>& patches) {
    for (const BytePatch& p : patches) {
        const int64_t from = std::max(pos, p.pos), to = std::min(pos + n, p.pos + p.len);
        if (from >= to) continue;
        uint8_t* here = buf + (from - pos);
        const size_t k = static_cast<size_t>(to - from);
        if (std::memcmp(here, p.was + (from - p.pos), k) != 0) return false;
        std::memcpy(here, p.now + (from - p.pos), k);
    }
    return true;
}

// Writes the patches into a file through read(pos, buf, n) and write(pos,
// buf, n), after checking that the file holds `was` at every one of them;
// false when it does not or a call fails. Nothing is written unless every
// patch checked out.
template <typename Read, typename Write>
bool WritePatches(const std::vector<BytePatch>& patches, Read read, Write write) {
    std::vector<uint8_t> check;
    for (const BytePatch& p : patches) {
        check.resize(static_cast<size_t>(p.len));
        if (!read(p.pos, check.data(), p.len) ||
            std::memcmp(check.data(), p.was, static_cast<size_t>(p.len)) != 0)
            return false;
    }
    for (const BytePatch& p : patches)
        if (!write(p.pos, p.now, p.len)) return false;
    return true;
}

}  // namespace plat
