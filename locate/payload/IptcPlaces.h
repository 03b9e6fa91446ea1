// Place names in IPTC IIM datasets, as a JPEG's APP13 segment holds them
// inside Photoshop's image resource block (resource 0x0404): 2:26 and 2:27
// Content location code and name, 2:90 City,
// 2:92 Sub-location, 2:95 Province/State, 2:100 Country code and 2:101
// Country name; and, asked for or not, a title (2:5), a headline (2:105) or
// a caption (2:120) that names a coordinate as a caption of a clip does
// ("Latitude: 35.6586") or as ISO 6709, as editors copy a survey camera's
// description there. Removal writes spaces over each value, so every dataset
// keeps its length; the resource 0x0425, the MD5 of the IPTC block that
// tells editors whether another program changed it, is written anew.
#pragma once
#include "exif/ByteReader.h"
#include "locate/Find.h"
#include "locate/StripPlan.h"
#include "platform/ByteRange.h"

#include <vector>

struct IptcScan {
    std::vector<PositionFind> finds;  // one per value (picture and carrier unset)
    StripPlan plan;
};

// Scans the image resources in `irb` (after the "Photoshop 3.0\0" signature).
// A TIFF keeps its IPTC block in a field of its own beside the resources:
// `iptcBeside`, when given, is scanned too, and the resources' digest
// covers it rather than their own block (as metadata editors compute it).
// Place names only with `placeNames`.
IptcScan ScanIptcPlaces(const ByteReader& file, ByteRange irb, ByteRange iptcBeside = {-1, 0}, bool placeNames = true);
// The IPTC a TIFF structure keeps in its IPTC fields (tag 0x83BB) and its
// image resources (tag 0x8649): the first resources' digest covers the
// first field's block.
IptcScan ScanTiffIptc(const ByteReader& file, std::vector<ByteRange> iptc, std::vector<ByteRange> resources,
                      bool placeNames = true);
// The IPTC block of an AFCP trailer (news photo tools append one after a
// JPEG's or a TIFF's end): it ends the file with "AXS!" (big-endian) or
// "AXS*" (little-endian) and the offset of its header; the header, which
// starts with the same mark, counts entries of a tag, a size and an offset
// (from the file's start). Its "IPTC" entry's datasets, when the trailer
// lies in `after`; nothing otherwise.
IptcScan ScanAfcpIptc(const ByteReader& file, ByteRange after, bool placeNames = true);
// Scans IPTC datasets alone, as a block outside image resources holds them.
IptcScan ScanIptcDatasets(const ByteReader& file, ByteRange block, bool placeNames = true);
