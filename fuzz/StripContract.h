// The contract every container's strip keeps, shared by the fuzz targets
// of every container: on any input whose finds can all be removed, the
// strip keeps the length, changes no byte outside its plan's ranges, and a
// second walk of the result finds nothing; where a trailer may be cut, the
// strip with the cut leaves a clean file of the trailer's offset's length.
#pragma once
#include "fuzz/FuzzCheck.h"
#include "locate/Containers.h"
#include "locate/Locator.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

inline bool InsideRanges(const std::vector<ByteRange>& ranges, int64_t pos) {
    return std::any_of(ranges.begin(), ranges.end(),
                       [&](const ByteRange& b) { return pos >= b.pos && pos < b.End(); });
}

// The walk's options a target takes from its input: place names on odd
// lengths, so that the place-name scanners meet every kind of input too.
inline LocateOptions OptionsOf(size_t size) {
    LocateOptions opt;
    opt.placeNames = size % 2 == 1;
    return opt;
}

// Checks the contract for `r` (the walk of `data` with `opt`); `out` gets
// the stripped bytes and `changed` the runs of bytes the strip changed.
// False when the input's finds cannot all be removed (nothing checked).
inline bool CheckStripContract(const uint8_t* data, size_t size, const LocateResult& r,
                               std::vector<uint8_t>& out, std::vector<ByteRange>& changed,
                               const LocateOptions& opt = {}) {
    const int64_t len = static_cast<int64_t>(size);
    changed.clear();
    if (r.CanClean(true) && r.trailer >= 0) {
        FUZZ_CHECK(r.trailer <= len);
        out.assign(data, data + size);
        FUZZ_CHECK(StripPositions(out.data(), len, r, {}, true));
        LocateResult cut;
        LocatePositions(ByteReader(out.data(), r.trailer), cut, LocateDepth::Thorough, nullptr, nullptr, opt);
        FUZZ_CHECK(cut.Clean());
    }
    if (r.Clean() || !r.CanClean()) return false;
    out.assign(data, data + size);
    FUZZ_CHECK(StripPositions(out.data(), len, r, {}));
    FUZZ_CHECK(static_cast<int64_t>(out.size()) == len);
    LocateResult again;
    LocatePositions(ByteReader(out.data(), len), again, LocateDepth::Thorough, nullptr, nullptr, opt);
    FUZZ_CHECK(again.Clean());
    // Blocks that differ are looked at byte by byte.
    const std::vector<ByteRange> ranges = StripRanges(r, {});
    constexpr int64_t kBlock = 256;
    for (int64_t b = 0; b < len; b += kBlock) {
        const int64_t n = std::min(kBlock, len - b);
        if (std::memcmp(out.data() + b, data + b, static_cast<size_t>(n)) == 0) continue;
        for (int64_t i = b; i < b + n; ++i)
            if (out[static_cast<size_t>(i)] != data[i]) {
                FUZZ_CHECK(InsideRanges(ranges, i));
                if (!changed.empty() && changed.back().End() == i)
                    ++changed.back().len;
                else
                    changed.push_back({i, 1});
            }
    }
    return true;
}

// The finds of two walks are the same: kind, place, removable, reason and
// carrier, and the trailer.
inline bool SameFinds(const LocateResult& a, const LocateResult& b) {
    if (a.finds.size() != b.finds.size() || a.trailer != b.trailer) return false;
    for (size_t i = 0; i < a.finds.size(); ++i) {
        const PositionFind &x = a.finds[i], &y = b.finds[i];
        if (x.kind != y.kind || x.pos != y.pos || x.removable != y.removable || x.why != y.why ||
            x.carrier != y.carrier)
            return false;
    }
    return true;
}

// Walks `file` at both depths (with `opt`): a file of container `kind` (which has no
// scans to walk) gives the same finds at both, and every find lies inside
// the file. Returns the thorough walk.
inline LocateResult WalkBothDepths(const ByteReader& file, Container kind, const LocateOptions& opt = {}) {
    const int64_t len = file.Length();
    LocateResult head, r;
    LocatePositions(file, head, LocateDepth::Metadata, nullptr, nullptr, opt);
    LocatePositions(file, r, LocateDepth::Thorough, nullptr, nullptr, opt);
    if (RecogniseContainer(file, 0, len) == kind) FUZZ_CHECK(SameFinds(head, r));
    for (const PositionFind& f : r.finds)
        FUZZ_CHECK(f.pos >= 0 && f.len >= 0 && (f.pos < len || len == 0) && f.len <= len - f.pos);
    return r;
}

// A container target's common start: the walk of `data` at both depths,
// with the options its length gives, then the strip contract. `out` gets
// the stripped bytes; false when nothing was stripped (see
// CheckStripContract).
inline bool WalkAndStrip(const uint8_t* data, size_t size, Container kind, std::vector<uint8_t>& out) {
    const LocateOptions opt = OptionsOf(size);
    const LocateResult r = WalkBothDepths(ByteReader(data, static_cast<int64_t>(size)), kind, opt);
    std::vector<ByteRange> changed;
    return CheckStripContract(data, size, r, out, changed, opt);
}
