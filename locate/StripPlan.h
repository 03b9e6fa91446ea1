// What a strip writes, held as data: fills over a payload's content (zeros,
// or spaces after an optional text), then fix-ups computed from the filled
// bytes (the MD5 that names extended XMP, a PNG chunk's or a Matroska
// element's CRC). Nothing outside Ranges() changes and the length stays, so
// a plan is carried out as patches.
#pragma once
#include "locate/ContentMap.h"
#include "platform/ByteRange.h"

#include <cstdint>
#include <string>
#include <vector>

struct StripFill {
    int map = 0;        // index into StripPlan::maps
    int64_t off = 0;    // content range
    int64_t len = 0;
    uint8_t byte = 0;   // written over the range ...
    std::string text;   // ... after these bytes, written first
};

struct StripFixUp {
    enum Kind : uint8_t {
        kMd5Guid,  // 32 uppercase hex digits of the MD5 of the content, written at each `at`
        kCrc32,    // the CRC-32 of the content, 4 bytes big-endian, at each `at` (a PNG chunk's)
        kCrc32Le,  // the same, little-endian (a Matroska element's CRC-32 child)
        kMd5,      // the 16 bytes of the MD5 of the content (Photoshop's IPTC digest)
        kOggCrc,   // an Ogg page's CRC (see OggCrc) of the content, its 4 bytes at `at` taken as zeros, little-endian
    };
    // The bytes written at each `at`.
    int64_t Size() const { return kind == kMd5Guid ? 32 : kind == kMd5 ? 16 : 4; }
    Kind kind = kMd5Guid;
    int map = 0;
    std::vector<int64_t> at;
};

struct StripPlan {
    std::vector<ContentMap> maps;
    std::vector<StripFill> fills;
    std::vector<StripFixUp> fixUps;

    int AddMap(ContentMap m) {
        maps.push_back(std::move(m));
        return static_cast<int>(maps.size()) - 1;
    }
    // Zeros over a file range.
    void Zero(ByteRange r) { fills.push_back({AddMap(ContentMap(r)), 0, r.len, 0, {}}); }
    // Another plan's fills and fix-ups, after these.
    void Append(const StripPlan& other);

    bool Empty() const { return fills.empty() && fixUps.empty(); }
    // Every byte the plan may change, sorted, disjoint.
    std::vector<ByteRange> Ranges() const;
    // Every byte it reads or changes (a fix-up reads its whole content).
    std::vector<ByteRange> Touched() const;
    // Carries the plan out on `buf` (the `len` bytes it was made from).
    // Writes nothing and answers false when a range lies outside.
    bool Apply(uint8_t* buf, int64_t len) const;
};
