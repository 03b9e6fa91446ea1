// Assembly of extended XMP: the extension segments grouped by their GUID,
// each group's chunks placed at their offsets.
#pragma once
#include "exif/ByteReader.h"
#include "locate/payload/XmpGps.h"

#include <string>
#include <vector>

struct ExtendedXmpGroup {
    std::string guid;                    // the 32 bytes as found; empty for a cut header
    std::vector<int64_t> guidPos;        // file position of each segment's GUID
    ByteRange first;                     // the first segment's payload
    // True when the chunks agree on the full length and tile it exactly, an
    // identical chunk repeated being one chunk kept in several places.
    bool assembled = false;
    std::vector<uint8_t> content;        // when assembled
    std::vector<XmpScan::Piece> pieces;  // when assembled: content offset -> file positions
    bool mayHoldGps = false;             // when not: its chunks hold "GPS" (MayHoldGps)
};

// Groups in order of each GUID's first segment; a segment too short for
// its header (40 bytes) is a group of its own. Ranges outside the content
// are skipped.
std::vector<ExtendedXmpGroup> AssembleExtendedXmp(const ByteReader& file,
                                                  const std::vector<ByteRange>& segments);
