// The GPS record of a thermal camera's FLIR APP1 segments. Each payload
// after "FLIR\0" holds 0x01, its index, the last index, then a piece of an
// FFF (or AFF) file: header "FFF\0", creator[16], version (100..199, which
// also tells the byte order) at 0x14, record directory offset at 0x18 and
// entry count at 0x1C; 32-byte entries (type u16, subtype u16, version,
// index id, offset, length, parent, object number, checksum). A record of
// type 0x2B is GPS information; it is a position when it holds a byte
// other than zero.
//
// The pieces are joined in file order. The record can be removed (zeroed,
// with its entry's checksum, so that the entry says "no checksum", and its
// entry's record type, so that no reader takes it for GPS information) when the
// segments are numbered 0..last in that order and the record lies whole
// inside the joined data; otherwise it is an unremovable find.
#pragma once
#include "exif/ByteReader.h"
#include "locate/payload/GpsFind.h"

#include <cstdint>
#include <vector>

constexpr char kFlirSignature[] = "FLIR";     // + NUL: 5 bytes
constexpr int64_t kFlirSignatureLen = sizeof kFlirSignature;

struct FlirScan {
    std::vector<GpsFind> finds;      // one per GPS record holding data
    std::vector<ByteRange> writes;   // every byte StripFlir zeroes, sorted, disjoint

    bool Clean() const { return finds.empty(); }
    bool Removable() const;
};

// Scans the FLIR segments of one picture (ranges start after "FLIR\0").
FlirScan ScanFlir(const ByteReader& file, const std::vector<ByteRange>& flirSegments);

// Zeroes every write of the scan in `buf` (a same-length copy of the
// scanned content). Writes nothing and answers false when a find cannot be
// removed or a range lies outside `buf`.
bool StripFlir(uint8_t* buf, int64_t len, const FlirScan& scan);
