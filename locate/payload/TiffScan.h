// A complete walk of a TIFF structure, wherever it lies (a JPEG's Exif
// segment, a PNG chunk, a whole TIFF or raw file), for the companion's
// locator: every GPS IFD the 0th and 1st IFDs point to (with the raw files'
// options, every IFD of the chain and the SubIFDs), with all of its
// entries, and the places the other IFDs use (their tables, their values,
// the thumbnail), which stripping must never touch. Every offset is
// bounded by the block that holds the structure: a TIFF reader of a JPEG
// reads nothing outside its segment.
#pragma once
#include "exif/ByteReader.h"
#include "locate/ContentMap.h"
#include "platform/ByteRange.h"

#include <cstdint>
#include <vector>

struct GpsIfdScan {
    int64_t pos = -1;          // file offset of the IFD's entry count
    int32_t declared = 0;      // the entry count as stored
    int32_t inside = 0;        // entries wholly inside the segment
    int32_t positions = 0;     // entries that hold a value (a valid type)
    bool outsideSegment = false;  // the count itself lies outside the segment
    bool overlaps = false;     // its table shares bytes with another table or value
    std::vector<ByteRange> values;  // value bytes outside the entries (file offsets, in segment)
};

struct TiffScan {
    int64_t tiff = -1;                    // file offset of the TIFF header; -1 when none
    int64_t blockEnd = -1;                // one past the segment's payload
    bool bigEndian = false;
    std::vector<GpsIfdScan> gps;
    std::vector<ByteRange> keep;          // bytes the other IFDs use (file offsets)
    // The Exif IFDs' maker notes (tag 0x927C), cut to the block; each is
    // also among `keep`. Read only when place names are asked for.
    std::vector<ByteRange> makerNotes;
    // A structure held in pieces (an item's extents) is walked in its
    // content: the offsets above are then content offsets, which this
    // map turns into the file's.
    ContentMap content;
};

struct TiffOptions {
    std::vector<uint16_t> magic;  // magic numbers taken beside 42 (raw files' own)
    bool allIfds = false;         // every IFD of the chain and the SubIFDs
    bool ifd0IsGps = false;       // the 0th IFD is itself a GPS IFD (a block that holds only one)
};

// The bytes one value of TIFF field type `type` takes; 0 for a type TIFF
// does not define (such an entry holds no value).
int64_t TiffUnitSize(uint16_t type);

// Walks the TIFF structure whose header lies at file offset `tiff`, inside
// the block that ends at `blockEnd`. False when no TIFF header is there.
bool ScanTiff(const ByteReader& file, int64_t tiff, int64_t blockEnd, TiffScan& out,
              const TiffOptions& opt = {});

// Which bytes of a GPS IFD stripping clears.
struct GpsStripMode {
    bool countAndTags = true;   // the entry count and each entry's tag
    bool fields = true;         // each entry's type, count and value/offset
    bool values = true;         // the value bytes its entries point to
};

// Appends to `out` the file ranges to zero for `g` (of scan `t`): the
// chosen parts of every entry inside the segment, and with mode.values its
// value bytes minus every byte the other IFDs use.
void PlanGpsStrip(const TiffScan& t, const GpsIfdScan& g, const GpsStripMode& mode,
                  std::vector<ByteRange>& out);
