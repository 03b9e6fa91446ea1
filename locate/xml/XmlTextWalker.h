// XML text other than XMP packets, SVG drawings and Apple's adjustments:
// a track (GPX's <trkpt lat="..." lon="...">, KML's <coordinates>), a
// camera's or an application's sidecar, a property list, the XML a JPEG
// 2000 file or a movie keeps in an `xml ` box.
//
// A value names a position by the names around it, as in JSON text: an
// element or attribute whose name names a position ("lat", "latitude...",
// "coordinates", "...gps...", "geo" as a word of its own, anything in the
// "geo" and "georss" vocabularies, KML's "coord", GML's "pos" and
// "posList"), with everything inside such an element; an element that
// names itself so by an attribute (<Item name="Latitude" value="..."/>,
// <E K="GPSLatitude" V="..."/>); the element after a property list's
// <key>Latitude</key>; a coordinate (three decimals or more) in the element
// after a heading naming a position (<th>Longitude</th><td>139.7454</td>).
// Such a number becomes "0" and spaces, other text spaces, so the document
// stays XML of the same length. Names, label attributes (name, key, id,
// type) and namespace declarations are never blanked. Other text, attribute values,
// comments and processing instructions follow the rule for JSON strings
// (see NamedValues.h); place names, on request, as in JSON text.
//
// A document type declaring entities is not taken apart: a value could
// then be written where no name is.
#pragma once
#include "platform/ByteRange.h"

#include <cstdint>

class ByteReader;
class Sink;
struct Carrier;

// True when a file starts (after a byte order mark, a declaration,
// comments and a document type) with an element.
bool StartsXmlText(const ByteReader& file, int64_t pos, int64_t end);

// Walks the XML document in `whole`, a file of its own.
void WalkXmlTextContainer(ByteRange whole, const Carrier& at, Sink& sink);

// Walks the XML text in r (a box's content) when it parses as one
// document; false, with nothing reported, when it does not.
bool WalkXmlText(ByteRange r, const Carrier& at, Sink& sink);
