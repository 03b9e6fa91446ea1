// A complete walk of the TIFF structure in one Exif APP1 segment, for the
// companion's locator: every GPS IFD the 0th and 1st IFDs point to, with
// all of its entries, and the places the other IFDs use (their tables, their
// values, the thumbnail), which stripping must never touch. Every offset is
// bounded by the segment: a TIFF reader of a JPEG reads nothing outside it.
#pragma once
#include "exif/ByteReader.h"
#include "locate/jpeg/JpegSegments.h"

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
};

// Walks the segment `seg` whose payload starts with "Exif\0\0". False when
// no TIFF header follows.
bool ScanTiff(const ByteReader& file, const JpegSegment& seg, TiffScan& out);

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
