#include "locate/isobmff/Boxes.h"

#include <cstring>

bool Box::IsUuid(const uint8_t (&u)[16]) const {
    return type == Fourcc("uuid") && std::memcmp(uuid, u, 16) == 0;
}

bool ReadUint(const ByteReader& file, int64_t pos, int size, uint64_t& out) {
    const ByteReader be = file.WithOrder(ByteReader::kBigEndian);
    uint32_t hi = 0, lo = 0;
    uint16_t s = 0;
    switch (size) {
    case 0: out = 0; return true;
    case 2: if (!be.U16(pos, s)) return false; out = s; return true;
    case 4: if (!be.U32(pos, lo)) return false; out = lo; return true;
    case 8:
        if (!be.U32(pos, hi) || !be.U32(pos + 4, lo)) return false;
        out = uint64_t{hi} << 32 | lo;
        return true;
    default: return false;
    }
}

bool ReadBox(const ByteReader& file, int64_t pos, int64_t end, Box& out) {
    const ByteReader be = file.WithOrder(ByteReader::kBigEndian);
    uint32_t size32 = 0, type = 0;
    if (pos < 0 || end - pos < 8 || !be.U32(pos, size32) || !be.U32(pos + 4, type)) return false;
    int64_t header = 8;
    uint64_t size = size32;
    if (size32 == 1) {
        if (end - pos < 16 || !ReadUint(file, pos + 8, 8, size)) return false;
        header = 16;
    } else if (size32 == 0) {
        size = static_cast<uint64_t>(end - pos);
    }
    if (type == Fourcc("uuid")) {
        const uint8_t* u = end - pos >= header + 16 ? file.Span(pos + header, 16) : nullptr;
        if (u == nullptr) return false;
        std::memcpy(out.uuid, u, 16);
        header += 16;
    }
    if (size < static_cast<uint64_t>(header) || size > static_cast<uint64_t>(end - pos)) return false;
    out.pos = pos;
    out.body = pos + header;
    out.end = pos + static_cast<int64_t>(size);
    out.type = type;
    return true;
}

bool FindChild(const ByteReader& file, ByteRange parent, uint32_t type, Box& out) {
    bool found = false;
    ForEachBox(file, parent, [&](const Box& b) {
        if (b.type != type) return true;
        out = b;
        found = true;
        return false;
    });
    return found;
}

bool FullBoxVersion(const ByteReader& file, const Box& b, uint8_t& version, uint32_t& flags) {
    uint32_t vf = 0;
    if (b.end - b.body < 4 || !file.WithOrder(ByteReader::kBigEndian).U32(b.body, vf)) return false;
    version = static_cast<uint8_t>(vf >> 24);
    flags = vf & 0xFFFFFF;
    return true;
}
