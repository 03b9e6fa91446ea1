// Positions in XMP documents, whatever container holds them: each
// document's bytes come through a content map.
//
// A position is a property in the namespace http://ns.adobe.com/exif/1.0/
// whose local name begins with "GPS" (in any letter case), or in DJI's
// drone namespace http://www.dji.com/drone-dji/1.0/ whose name begins with
// "GPS" or is "Latitude" or "Longitude", in Google's earth pose namespace
// http://ns.google.com/photos/dd/1.0/earthpose/ "Latitude", "Longitude" or
// "Altitude", or in Darwin Core's http://rs.tdwg.org/dwc/index.htm
// "decimalLatitude", "decimalLongitude", "verbatimLatitude",
// "verbatimLongitude", "verbatimCoordinates" or "footprintWKT", bound to any
// prefix or the default namespace, as an attribute or as an element (with
// whatever it contains, or empty). An unprefixed attribute counts in its element's namespace; an
// undeclared prefix counts as the exif namespace ("drone-dji" as DJI's). A
// packet is parsed as UTF-8 XML without DTD (trailing NULs ignored, a cut
// trailing <?xpacket end?> tolerated); one that does not parse but holds
// the text "GPS" or "DJI" (also as UTF-16/32), one of those namespaces or
// an entity declaration is an unremovable find.
//
// Stripping overwrites each property whole with spaces (a property that is
// the document's root element becomes "<x/>" and spaces), so a well-formed
// packet stays well-formed and keeps its length; a document named by a GUID
// (a JPEG's extended XMP) that changed gets the MD5 of its new content (32
// uppercase hex digits) at each place that names it, including the
// xmpNote:HasExtendedXMP values of the other documents.
//
// A picture a packet holds as base64 text (Google's GImage:Data, the
// original of a photo given a blurred background; GDepth:Data; Adobe's
// xmpGImg:image thumbnails) is known by its first characters ("/9j/" for a
// JPEG, "iVBORw0KGgo" for a PNG) at the start of a value. It is decoded and
// walked as a file of its own; its positions are removed in the decoded
// bytes and the changed groups of four characters written anew.
#pragma once
#include "exif/ByteReader.h"
#include "locate/ContentMap.h"
#include "locate/payload/Base64.h"
#include "locate/StripPlan.h"
#include "locate/Find.h"
#include "platform/ByteRange.h"

#include <cstdint>
#include <string>
#include <vector>

constexpr char kXmpSignature[] = "http://ns.adobe.com/xap/1.0/";                // + NUL: 29 bytes
constexpr char kXmpExtensionSignature[] = "http://ns.adobe.com/xmp/extension/";  // + NUL: 35 bytes
constexpr int64_t kXmpSignatureLen = sizeof kXmpSignature;                      // NUL included
constexpr int64_t kXmpExtensionSignatureLen = sizeof kXmpExtensionSignature;

// One XMP document and where its bytes lie.
struct XmpDoc {
    ContentMap map;
    bool extended = false;          // a JPEG's extended XMP: its finds are named so
    bool broken = false;            // its pieces could not be put together
    bool brokenMayHoldGps = false;  // ... and they hold "GPS": an unremovable find
    std::string guid;               // the GUID that names it, if any
    std::vector<int64_t> guidPos;   // where its GUID is written (fixed up when it changes)
    ByteRange reportAt;             // where an unreadable document is reported
};

struct XmpScan {
    std::vector<PositionFind> finds; // in order of the documents (picture and carrier unset)
    StripPlan plan;                  // the removal of every find
    std::vector<ByteRange> writes;   // every byte StripXmp may change, sorted, disjoint

    bool Clean() const { return finds.empty(); }
    bool Removable() const;          // every find can be removed
};

// Scans the documents (those without a GUID first: they name the others).
// Without `guidNamed` documents, one without "GPS" is not parsed.
// With `placeNames`, place properties count too (see XmlGps.h); their
// finds are of kind PlaceName. With `held`, the pictures the documents
// hold as base64 text are walked.
XmpScan ScanXmpDocs(const ByteReader& file, const std::vector<XmpDoc>& docs, bool guidNamed,
                    bool placeNames = false, const HeldPictureScan* held = nullptr);

// Scans one document that is the whole of `content` (inflated metadata).
XmpScan ScanXmpContent(const ByteReader& content, bool placeNames);

// Carries out the scan on `buf`, a same-length copy of the scanned content:
// blanks every find and rewrites the GUIDs. Writes nothing and answers false
// when a find cannot be removed or a range lies outside `buf`.
bool StripXmp(uint8_t* buf, int64_t len, const XmpScan& scan);
