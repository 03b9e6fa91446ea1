// Protocol Buffers' wire format, as far as a walk that changes no length
// needs it: each field is a varint key (its number and wire type), then
// a varint (type 0), 8 bytes (type 1), a varint length and that many
// bytes (type 2: a string or a nested message) or 4 bytes (type 5).
// Groups (types 3 and 4) are long obsolete and not taken apart.
#pragma once
#include "exif/ByteReader.h"

#include <cstdint>

struct PbField {
    uint64_t number = 0;
    uint8_t wire = 0;
    int64_t value = 0;  // where its value starts (after a length's varint)
    int64_t len = 0;    // the value's bytes
};

// The varint at pos (before end) and the position after it; false when it
// runs past end or over 10 bytes.
inline bool ReadVarint(const ByteReader& r, int64_t& pos, int64_t end, uint64_t& out) {
    out = 0;
    for (int shift = 0; shift < 64 && pos < end; shift += 7) {
        uint8_t b = 0;
        if (!r.U8(pos++, b)) return false;
        out |= uint64_t{b & 0x7Fu} << shift;
        if ((b & 0x80) == 0) return true;
    }
    return false;
}

// Calls f(field) for each field of the message in [pos, pos+n); f answers
// false to stop. False when a field does not parse: what follows it is
// not known.
template <class F>
bool ForEachPbField(const ByteReader& r, int64_t pos, int64_t n, F f) {
    const int64_t end = pos + n;
    while (pos < end) {
        uint64_t key = 0;
        if (!ReadVarint(r, pos, end, key)) return false;
        PbField field;
        field.number = key >> 3;
        field.wire = static_cast<uint8_t>(key & 7);
        uint64_t len = 0;
        switch (field.wire) {
        case 0: {
            const int64_t start = pos;
            if (!ReadVarint(r, pos, end, len)) return false;
            field.value = start;
            field.len = pos - start;
            break;
        }
        case 1: field.len = 8; break;
        case 5: field.len = 4; break;
        case 2:
            if (!ReadVarint(r, pos, end, len) || len > static_cast<uint64_t>(end - pos)) return false;
            field.len = static_cast<int64_t>(len);
            break;
        default: return false;
        }
        if (field.wire != 0) {
            field.value = pos;
            if (field.len > end - pos) return false;
            pos += field.len;
        }
        if (!f(field)) return true;
    }
    return true;
}
