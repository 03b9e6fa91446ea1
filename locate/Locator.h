// The thorough locator of the command-line companion: every GPS position a
// JPEG holds, wherever the file keeps it, and how to remove each one.
//
// A position is any entry of a GPS IFD that holds a value, and any XMP
// property of the Exif namespace whose name begins with "GPS", in the main
// picture and in every picture its MPF index names; a maker block with a
// documented GPS record counts too. Bytes the walk cannot take apart (stray
// bytes, data after the last picture) count when they hold a position's
// text (see Opaque.h). The walk fails closed: a file that is not a JPEG,
// and another container inside or after a picture (a motion photo's video,
// say), is a find that cannot be removed until a walker takes it apart
// (see Containers.h). The window's own analysis (first 200 bytes, capped
// entries) is separate and unchanged; its GPS IFD is always among the
// finds here.
#pragma once
#include "exif/ByteReader.h"
#include "exif/ExifAnalysis.h"
#include "locate/Find.h"
#include "locate/StripPlan.h"
#include "locate/jpeg/JpegSegments.h"
#include "locate/payload/TiffScan.h"

#include <cstdint>
#include <string>
#include <vector>

// Everything the locator learned of one file: the finds, and what
// stripping needs to remove them.
struct LocateResult {
    std::vector<PositionFind> finds;
    std::vector<TiffScan> tiffs;  // every Exif block walked (their strip depends on the mode)
    StripPlan plan;               // the removal of every other removable find
    int pictures = 1;             // the main one and the MPF index's others
    // Where data after the last picture's end begins that the walk cannot
    // take apart and that holds no container (a cut there loses no
    // structure the walk knows); -1 when there is none.
    int64_t trailer = -1;

    bool Clean() const { return finds.empty(); }
    // True when every find can be removed, by the strip or, with
    // `dropTrailer`, by cutting the file at `trailer`.
    bool CanClean(bool dropTrailer = false) const;
    // True when a cut at `trailer` removes `f`.
    bool InTrailer(const PositionFind& f) const;
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

// What the walk looks for besides positions.
struct LocateOptions {
    // Place names (a city, a street, a country) are a location too: XMP's
    // photoshop:City and IPTC location properties, IPTC IIM city and
    // country datasets, a clip's location name, body and note keys,
    // Samsung's country code block. Found and removed only when asked.
    bool placeNames = false;
};

// Walks the file held by `file`. `window`, when given, is the window's
// analysis of the same content (made here otherwise). `ends`, when given,
// records or answers the searches through the scans (see ScanEnds).
void LocatePositions(const ByteReader& file, LocateResult& out,
                     LocateDepth depth = LocateDepth::Thorough,
                     const ExifAnalysis* window = nullptr, ScanEnds* ends = nullptr,
                     const LocateOptions& opt = {});

// Walks n bytes a container keeps in another form (a movie header
// inflated, a transcoded JPEG's rebuild data) as a file of their own,
// thoroughly, and gives how many finds it made; -1, without walking, when
// such walks already nest two deep (each level could hold the next).
int LocateHeldBytes(const uint8_t* p, int64_t n, bool placeNames);
// The same, giving what was found in `out`; false, without walking, when
// such walks already nest two deep. A `copy` of a file inside the file
// (the same bytes, fewer of them) nests apart from them, four deep.
bool LocateHeld(const ByteReader& bytes, bool placeNames, LocateResult& out, bool copy = false);

// Removes every removable find from `buf` (the whole file, `len` bytes, the
// content `r` was made from); the length and every other byte stay. GPS
// IFDs are cleared as `mode` says; XMP and maker records are always
// removed. With `dropTrailer` the finds a cut at `r.trailer` removes are
// left to the caller's cut. Returns false when a find cannot be removed
// (the buffer may then be partly changed: strip a copy).
bool StripPositions(uint8_t* buf, int64_t len, const LocateResult& r, const GpsStripMode& mode,
                    bool dropTrailer = false);

// The strip of every removable find of `r`, GPS IFDs cleared as `mode` says.
StripPlan PlanStrip(const LocateResult& r, const GpsStripMode& mode);

// Every byte StripPositions may change for `r` and `mode`, as sorted,
// disjoint ranges: a copy of these bytes is all it takes to know what a
// strip changed.
std::vector<ByteRange> StripRanges(const LocateResult& r, const GpsStripMode& mode);

