// The thorough locator of the command-line companion: every GPS position a
// JPEG holds, wherever the file keeps it, and how to remove each one.
//
// A position is any entry of a GPS IFD that holds a value, and any XMP
// property of the Exif namespace whose name begins with "GPS", in the main
// picture and in every picture its MPF index names; a maker block with a
// documented GPS record counts too. Bytes the walk cannot take apart (stray
// bytes, data after the last picture) count when they contain "GPS". The
// window's own analysis (first 200 bytes, capped entries) is separate and
// unchanged; its GPS IFD is always among the finds here.
#pragma once
#include "exif/ByteReader.h"
#include "exif/ExifAnalysis.h"
#include "locate/payload/FlirGps.h"
#include "locate/jpeg/JpegSegments.h"
#include "locate/payload/TiffScan.h"
#include "locate/payload/XmpGps.h"

#include <cstdint>
#include <string>
#include <vector>

enum class FindKind {
    ExifGps,      // a GPS IFD of an Exif segment
    Xmp,          // a GPS property of an XMP packet
    ExtendedXmp,  // a GPS property of extended XMP
    MakerBlock,   // a maker's GPS record (thermal cameras' FLIR block)
    AfterEnd,     // data after the last picture's end holding "GPS"
    Unparsed,     // bytes that could not be taken apart holding "GPS"
};

struct PositionFind {
    FindKind kind;
    int picture;        // 0: the main picture; n: the n-th further picture
    int64_t pos;        // file offset of what was found
    bool removable;     // stripping can remove it without touching anything else
    const char* why;    // when not removable: the reason, for messages
    int64_t segment = -1;  // file offset of the marker of the segment holding it; -1: none
};

// Everything the locator learned of one file: the finds, and what
// stripping needs to remove them.
struct LocateResult {
    std::vector<PositionFind> finds;
    std::vector<TiffScan> tiffs;  // every Exif segment walked
    std::vector<XmpScan> xmp;     // the XMP of each picture that has finds there
    std::vector<FlirScan> flir;   // the FLIR blocks of each picture that has finds there
    int pictures = 1;             // the main one and the MPF index's others

    bool Clean() const { return finds.empty(); }
    // True when every find can be removed.
    bool CanClean() const;
};

// How far the locator walks a file.
enum class LocateDepth {
    // Every segment before each picture's first scan, in the main picture
    // and in every picture an MPF index names, and the data after the
    // file's last EOI marker: what a reader that stops at the scan sees,
    // plus the tail. The compressed data is never read.
    Metadata,
    // Also through every scan to its EOI: segments between and after
    // scans, pictures appended without an index, and data hidden after a
    // picture's end that is not the file's last EOI. Reads every byte.
    Thorough,
};

// Walks the file held by `file`. `window`, when given, is the window's
// analysis of the same content (made here otherwise). `ends`, when given,
// records or answers the searches through the scans (see ScanEnds).
void LocatePositions(const ByteReader& file, LocateResult& out,
                     LocateDepth depth = LocateDepth::Thorough,
                     const ExifAnalysis* window = nullptr, ScanEnds* ends = nullptr);

// Removes every removable find from `buf` (the whole file, `len` bytes, the
// content `r` was made from); the length and every other byte stay. GPS
// IFDs are cleared as `mode` says; XMP and maker records are always
// removed. Returns false when a find cannot be removed (the buffer may
// then be partly changed: strip a copy).
bool StripPositions(uint8_t* buf, int64_t len, const LocateResult& r, const GpsStripMode& mode);

// Every byte StripPositions may change for `r` and `mode`, as sorted,
// disjoint ranges: a copy of these bytes is all it takes to know what a
// strip changed.
std::vector<ByteRange> StripRanges(const LocateResult& r, const GpsStripMode& mode);

// A short English name of a find's kind: "Exif GPS IFD", "XMP", ...
const char* FindKindName(FindKind k);

// The finds as one line's text: "Exif GPS IFD at 3206, XMP at 5120"; a
// find in a further picture names it ("picture 2: XMP at 901234").
std::string DescribeFinds(const std::vector<PositionFind>& finds);
