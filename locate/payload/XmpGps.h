// Positions in the XMP of one picture: the main packets (APP1
// "http://ns.adobe.com/xap/1.0/\0") and the extended XMP (APP1
// "http://ns.adobe.com/xmp/extension/\0" + 32-digit GUID + full length +
// offset, both 4-byte big-endian, + chunk).
//
// A position is a property in the namespace http://ns.adobe.com/exif/1.0/
// whose local name begins with "GPS" (in any letter case), or in DJI's
// drone namespace http://www.dji.com/drone-dji/1.0/ whose name begins with
// "GPS" or is "Latitude" or "Longitude", bound to any prefix or the default
// namespace, as an attribute or as an element (with whatever it contains,
// or empty). An unprefixed attribute counts in its element's namespace; an
// undeclared prefix counts as the exif namespace ("drone-dji" as DJI's). A
// packet is parsed as UTF-8 XML without DTD (trailing NULs ignored, a cut
// trailing <?xpacket end?> tolerated); one that does not parse but holds
// the text "GPS" or "DJI" (also as UTF-16/32) or an entity declaration is
// an unremovable find. Extended XMP is assembled per GUID from chunks that
// must tile the full length exactly (identical repeats allowed); otherwise
// it is unremovable when its chunks hold "GPS".
//
// Stripping overwrites each property whole with spaces (a property that is
// the document's root element becomes "<x/>" and spaces), so a well-formed
// packet stays well-formed and keeps its length; for extended XMP that
// changed, the GUID becomes the MD5 of the new content (32 uppercase hex
// digits) in each of its extension segments and in the main packets'
// xmpNote:HasExtendedXMP values that named it.
#pragma once
#include "exif/ByteReader.h"
#include "locate/payload/GpsFind.h"

#include <cstdint>
#include <vector>

constexpr char kXmpSignature[] = "http://ns.adobe.com/xap/1.0/";                // + NUL: 29 bytes
constexpr char kXmpExtensionSignature[] = "http://ns.adobe.com/xmp/extension/";  // + NUL: 35 bytes
constexpr int64_t kXmpSignatureLen = sizeof kXmpSignature;                      // NUL included
constexpr int64_t kXmpExtensionSignatureLen = sizeof kXmpExtensionSignature;

struct XmpScan {
    std::vector<GpsFind> finds;      // in order of the packets, then the extended GUIDs
    std::vector<ByteRange> writes;   // every byte StripXmp may change, sorted, disjoint

    bool Clean() const { return finds.empty(); }
    bool Removable() const;          // every find can be removed

    // The plan StripXmp carries out; not for callers.
    struct Piece {                   // content bytes [off, off+len) lie at each file pos
        int64_t off = 0;
        int64_t len = 0;
        std::vector<int64_t> filePos;
    };
    struct Edit {                    // content range to overwrite; `root`: "<x/>" first
        int64_t off = 0;
        int64_t len = 0;
        bool root = false;
    };
    struct Doc {
        std::vector<Piece> pieces;
        std::vector<Edit> edits;
        std::vector<int64_t> guidPos;  // extended: file positions of 32-byte GUIDs to rewrite
        int64_t contentLen = 0;
    };
    std::vector<Doc> docs;           // only documents with edits
};

// Scans the packets and extension segments of one picture in `file` (ranges
// start after the signature, NUL included). Ranges outside the content are
// ignored.
XmpScan ScanXmp(const ByteReader& file, const std::vector<ByteRange>& mainPackets,
                const std::vector<ByteRange>& extensionSegments);

// Carries out the scan on `buf`, a same-length copy of the scanned content:
// blanks every find and rewrites the GUIDs. Writes nothing and answers false
// when a find cannot be removed or a range lies outside `buf`.
bool StripXmp(uint8_t* buf, int64_t len, const XmpScan& scan);
