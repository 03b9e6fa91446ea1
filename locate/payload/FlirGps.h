// The GPS record of a thermal camera's FLIR block: an FFF (or AFF) file,
// which a JPEG cuts into APP1 segments (see locate/jpeg/JpegPayloads.h):
// header "FFF\0", creator[16], version (100..199, which
// also tells the byte order) at 0x14, record directory offset at 0x18 and
// entry count at 0x1C; 32-byte entries (type u16, subtype u16, version,
// index id, offset, length, parent, object number, checksum). A record of
// type 0x2B is GPS information; it is a position when it holds a byte
// other than zero.
//
// The record can be removed (zeroed, with its entry's checksum, so that
// the entry says "no checksum", and its entry's record type, so that no
// reader takes it for GPS information) when the block's pieces are known
// to be in order and the record lies whole inside the block; otherwise it
// is an unremovable find.
#pragma once
#include "exif/ByteReader.h"
#include "locate/ContentMap.h"
#include "locate/StripPlan.h"
#include "locate/Find.h"

#include <cstdint>
#include <vector>

struct FlirScan {
    std::vector<PositionFind> finds; // one per GPS record holding data (picture and carrier unset)
    StripPlan plan;                  // the removal of every find
    std::vector<ByteRange> writes;   // every byte StripFlir zeroes, sorted, disjoint

    bool Clean() const { return finds.empty(); }
    bool Removable() const;
};

// Scans the block whose bytes `fff` maps.
FlirScan ScanFff(const ByteReader& file, const ContentMap& fff, bool piecesInOrder);

// Zeroes every write of the scan in `buf` (a same-length copy of the
// scanned content). Writes nothing and answers false when a find cannot be
// removed or a range lies outside `buf`.
bool StripFlir(uint8_t* buf, int64_t len, const FlirScan& scan);
