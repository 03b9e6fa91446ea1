// ISOBMFF boxes (HEIF, AVIF, MP4, MOV, 3GP, CR3): the header of one box and
// the walk over the boxes of a range. Every size is checked against the
// range that holds the box before it is used, so a hostile size (beyond
// the parent, smaller than the header) ends the walk instead of leading it
// outside; sizes only grow positions, so a walk cannot loop.
#pragma once
#include "exif/ByteReader.h"
#include "locate/Fourcc.h"
#include "platform/ByteRange.h"

#include <cstdint>

// XMP in a box of its own (a `uuid` box of this user type; CR3, some MP4s,
// JPEG 2000).
inline constexpr uint8_t kXmpUuid[16] = {0xBE, 0x7A, 0xCF, 0xCB, 0x97, 0xA9, 0x42, 0xE8,
                                         0x9C, 0x71, 0x99, 0x94, 0x91, 0xE3, 0xAF, 0xAC};

struct Box {
    int64_t pos = 0;    // the header's first byte
    int64_t body = 0;   // the first byte after the header (and a `uuid` box's user type)
    int64_t end = 0;    // one past the box
    uint32_t type = 0;
    uint8_t uuid[16] = {};  // a `uuid` box's user type

    ByteRange Whole() const { return {pos, end - pos}; }
    ByteRange Body() const { return {body, end - body}; }
    bool Is(uint32_t t) const { return type == t; }
    bool IsUuid(const uint8_t (&u)[16]) const;
};

// The box whose header starts at pos, inside [pos, end): a 32-bit size
// (0: to `end`, 1: a 64-bit size follows), the type, a `uuid` box's user
// type. False when the header or the box does not fit.
bool ReadBox(const ByteReader& file, int64_t pos, int64_t end, Box& out);

// Calls f(box) for each box in [r.pos, r.End()) in order; f answers false
// to stop. Returns where the walk ended: r.End() when the boxes fill the
// range, else the first byte no box header explains.
template <class F>
int64_t ForEachBox(const ByteReader& file, ByteRange r, F f) {
    int64_t at = r.pos;
    Box b;
    while (at < r.End() && ReadBox(file, at, r.End(), b)) {
        at = b.end;
        if (!f(b)) break;
    }
    return at;
}

// The first child of `parent` of type `type`; false when there is none.
bool FindChild(const ByteReader& file, ByteRange parent, uint32_t type, Box& out);

// A full box's version (and flags) at its body; its children follow at body + 4.
bool FullBoxVersion(const ByteReader& file, const Box& b, uint8_t& version, uint32_t& flags);

// An unsigned big-endian number of 0, 2, 4 or 8 bytes at pos (0 bytes: 0).
bool ReadUint(const ByteReader& file, int64_t pos, int size, uint64_t& out);
