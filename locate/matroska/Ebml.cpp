#include "locate/matroska/Ebml.h"

namespace {

// A variable-length number of at most `most` bytes at pos: its length and
// its value (with the marker bit when `keepMarker`, as IDs are written).
bool Vint(const ByteReader& f, int64_t pos, int most, bool keepMarker, int& len, uint64_t& value, bool& allOnes) {
    uint8_t first = 0;
    if (!f.U8(pos, first) || first == 0) return false;
    len = 1;
    while (len <= 8 && (first & (0x80 >> (len - 1))) == 0) ++len;
    if (len > most) return false;
    const uint8_t mask = static_cast<uint8_t>(0xFF >> len);
    value = keepMarker ? first : (first & mask);
    allOnes = (first & mask) == mask;
    for (int i = 1; i < len; ++i) {
        uint8_t b = 0;
        if (!f.U8(pos + i, b)) return false;
        value = value << 8 | b;
        allOnes = allOnes && b == 0xFF;
    }
    return true;
}

}  // namespace

bool ReadEbml(const ByteReader& file, int64_t pos, int64_t end, EbmlElement& out) {
    int idLen = 0, sizeLen = 0;
    uint64_t id = 0, size = 0;
    bool ones = false, unknown = false;
    if (pos < 0 || pos >= end || !Vint(file, pos, 4, true, idLen, id, ones) ||
        !Vint(file, pos + idLen, 8, false, sizeLen, size, unknown))
        return false;
    out.pos = pos;
    out.id = static_cast<uint32_t>(id);
    out.data = pos + idLen + sizeLen;
    out.unknownSize = unknown;
    if (out.data > end) return false;
    if (unknown) {
        out.end = end;
        return true;
    }
    if (size > static_cast<uint64_t>(end - out.data)) return false;
    out.end = out.data + static_cast<int64_t>(size);
    return true;
}

bool ReadEbmlNumber(const ByteReader& file, int64_t pos, int64_t end, int& len, uint64_t& value) {
    bool ones = false;
    return pos >= 0 && pos < end && Vint(file, pos, 8, false, len, value, ones) && len <= end - pos;
}

bool ReadEbmlUint(const ByteReader& file, const EbmlElement& e, uint64_t& value) {
    if (e.end - e.data > 8) return false;
    value = 0;
    uint8_t b = 0;
    for (int64_t i = e.data; i < e.end; ++i) {
        if (!file.U8(i, b)) return false;
        value = value << 8 | b;
    }
    return true;
}
