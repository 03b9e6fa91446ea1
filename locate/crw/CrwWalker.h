// Canon's older raw files (CRW, CIFF): a byte order ("II", "MM"), the
// header's length, "HEAPCCDR" (or "HEAPJPGM"), then a heap of records
// running to the file's end. A heap's last 4 bytes give its directory's
// offset in it: a count, then per record a tag, a size and an offset (or,
// flagged in the tag, the value itself in the record's 8 bytes). Records
// of types 0x28 and 0x30 are heaps of their own. The JPEG records (0x2007
// JpgFromRaw, 0x2008 thumbnail) are walked as JPEGs; the raw data (0x2005)
// is not read; other records, and bytes no record explains, by the opaque
// rule. Canon's recipe data may follow the heap (writers put a CRW's XMP
// there), its footer ending in the heap's directory offset again.
#pragma once
#include "platform/ByteRange.h"

#include <cstdint>

class ByteReader;
class Sink;
struct Carrier;

// True when a CRW file starts at pos.
bool StartsCrw(const ByteReader& file, int64_t pos, int64_t end);

// Walks the CRW file in `whole`.
void WalkCrwContainer(ByteRange whole, const Carrier& at, Sink& sink);
