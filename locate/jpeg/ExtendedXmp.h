// A JPEG's XMP: the main packets (APP1 "http://ns.adobe.com/xap/1.0/\0")
// and extended XMP, whose extension segments (APP1
// "http://ns.adobe.com/xmp/extension/\0" + 32-digit GUID + full length +
// offset, both 4-byte big-endian, + chunk) are grouped by their GUID and
// each group's chunks placed at their offsets. Extended XMP is assembled
// per GUID from chunks that must tile the full length exactly (identical
// repeats allowed); otherwise it is unremovable when its chunks hold "GPS".
// A cleaned extended document is named by the MD5 of its new content in
// each of its segments and in the main packets' xmpNote:HasExtendedXMP.
#pragma once
#include "exif/ByteReader.h"
#include "locate/ContentMap.h"
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
    ContentMap map;                      // when assembled
    bool mayHoldGps = false;             // when not: its chunks may hold a position (MayHoldPosition)
};

// Groups in order of each GUID's first segment; a segment too short for
// its header (40 bytes) is a group of its own. Ranges outside the content
// are skipped.
std::vector<ExtendedXmpGroup> AssembleExtendedXmp(const ByteReader& file,
                                                  const std::vector<ByteRange>& segments);

// The XMP documents of one picture: its main packets, then its extended
// XMP assembled per GUID (ranges start after the signature, NUL included).
std::vector<XmpDoc> JpegXmpDocs(const ByteReader& file, const std::vector<ByteRange>& mainPackets,
                                const std::vector<ByteRange>& extensionSegments);

// Scans the main packets and extension segments of one picture (ranges
// start after the signature, NUL included). Ranges outside the content are
// ignored.
XmpScan ScanXmp(const ByteReader& file, const std::vector<ByteRange>& mainPackets,
                const std::vector<ByteRange>& extensionSegments);
