// EBML, the element syntax of Matroska and WebM: each element is an ID (1
// to 4 bytes, its length told by the first byte's leading zeros, kept with
// its marker as the format writes IDs) and a size (1 to 8 bytes likewise,
// without the marker; all ones: unknown, the element then runs until its
// parent does, or until an element that cannot be its child), then the
// data.
#pragma once
#include "exif/ByteReader.h"

#include <cstdint>

struct EbmlElement {
    int64_t pos = 0;    // the ID's first byte
    int64_t data = 0;   // the data's first byte
    int64_t end = 0;    // one past the data; the parent's end when the size is unknown
    uint32_t id = 0;
    bool unknownSize = false;
};

// The element whose header starts at pos, inside [pos, end). False when
// the header cannot be read or the data runs past `end`.
bool ReadEbml(const ByteReader& file, int64_t pos, int64_t end, EbmlElement& out);

// A variable-length number (a block's track number, a lace's size) at pos,
// before end: its length in bytes and its value without the marker.
bool ReadEbmlNumber(const ByteReader& file, int64_t pos, int64_t end, int& len, uint64_t& value);

// An unsigned integer element's value (at most 8 bytes, big-endian).
bool ReadEbmlUint(const ByteReader& file, const EbmlElement& e, uint64_t& value);
