// SVG drawings, as the web and drawing programs make them: XML text. A
// position can be a property of its metadata (RDF in <metadata>, with
// exif:GPSLatitude and the like, which readers take as XMP), or lie in a
// picture the drawing embeds as text: a data URI ("data:image/jpeg;base64,
// ...") holding a geotagged photo, which drawing programs store whole.
//
// The document, from its root element, is scanned and cleaned as an XMP
// packet (properties overwritten with spaces; its title and description
// are read as captions). Each base64 data URI is
// decoded and walked as a file of its own: a position in a picture there
// is removed in the decoded bytes and the changed groups of four
// characters are written anew, so the text keeps its length and every
// other character. Data that is not a picture (a font) follows the opaque
// rule. The prolog follows the opaque rule; text after the root element
// is data after the end.
#pragma once
#include "platform/ByteRange.h"

#include <cstdint>

class ByteReader;
class Sink;
struct Carrier;

// True when a file starts (after a UTF-8 byte order mark, an XML
// declaration, comments and a document type) with an <svg> element.
bool StartsSvg(const ByteReader& file, int64_t pos, int64_t end);

// Walks the drawing in `whole`.
void WalkSvgContainer(ByteRange whole, const Carrier& at, Sink& sink);
