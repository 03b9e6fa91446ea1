// The XML part of the XMP finder: one document (a packet, or assembled
// extended XMP) parsed without recursion, with the ranges of its position
// properties and of its xmpNote:HasExtendedXMP values. What counts as a
// position and what parses is described in XmpGps.h.
#pragma once
#include <cstdint>
#include <vector>

struct XmlGpsResult {
    struct Prop {
        int64_t off = 0;       // first byte: the attribute's name or the element's '<'
        int64_t len = 0;       // through the closing quote or '>'
        bool element = false;
        bool root = false;     // the document's root element
        bool place = false;    // a place's name, not a position
    };
    bool parsed = false;                // well-formed as far as this parser checks
    std::vector<Prop> props;            // outermost only, in document order, disjoint
    std::vector<int64_t> guidOffsets;   // 32-byte HasExtendedXMP values, outside every prop
};

// Parses the n bytes at p (trailing NULs ignored). A text people write
// counts when it names a coordinate (see MayHoldCaptionPosition), and any
// property whose value (an attribute's, an element's own text) holds an
// ISO 6709 string, whatever its name. With `placeNames`,
// place properties count as well: photoshop:City, photoshop:State,
// photoshop:Country, Iptc4xmpCore:Location and CountryCode, and
// Iptc4xmpExt:LocationCreated and LocationShown with everything they
// hold, and Darwin Core's names of places (dwc:country, dwc:locality, ...).
XmlGpsResult ScanXmlForGps(const uint8_t* p, int64_t n, bool placeNames = false);

// True when the bytes may hold a position that could not be parsed: the
// letters "GPS" or "DJI" in any case, also with 1 or 3 NULs between them
// (UTF-16/32), the namespace of Google's earth pose or of Darwin Core, or an
// entity declaration (which could build such a name).
bool MayHoldGps(const uint8_t* p, int64_t n);

// True when a packet that names no position may still hold one in a text
// people write (dc:description, dc:title, dc:subject, photoshop:Headline
// and Instructions, xmpDM:logComment, exif:UserComment,
// tiff:ImageDescription): one of those names stands in it, and it names a
// coordinate as a caption does ("Latitude: 35.6586") or as ISO 6709. Such
// a text counts as a position property, blanked whole.
bool MayHoldCaptionPosition(const uint8_t* p, int64_t n);

// Either of the two above, "Latitude" or "Longitude" (which may end a GPS
// name whose "GPS" is damaged), or an ISO 6709 string, which counts in any
// property: a packet that cannot be parsed or put together and may hold a
// position this way is a find that cannot be removed.
bool MayHoldPosition(const uint8_t* p, int64_t n);

// The same for place names: the words "City", "State", "Country" or
// "Location" in any case and width, or what MayHoldGps looks for.
bool MayHoldPlace(const uint8_t* p, int64_t n);
