// JPEG 2000 files (JP2, JPX): the signature box ("jP  ", 12 bytes), `ftyp`,
// then boxes: the header (`jp2h`: numbers of the picture), the codestream
// (`jp2c`), and metadata: `uuid` boxes holding Exif (user type
// "JpgTiffExif->JP2": the TIFF structure, after "Exif\0\0" or not), XMP
// (the user type XMP has in ISOBMFF files) or IPTC, and `xml ` boxes.
//
// The Exif and the XMP are scanned and cleaned as a JPEG's; an `xml ` box
// is read as XMP when it is an XMP packet and follows the opaque rule
// otherwise (GML and other XML), as do every other box and the bytes no box
// explains. The header and the codestream are not read.
#pragma once
#include "platform/ByteRange.h"

class Sink;
struct Carrier;

// Walks the JPEG 2000 file in `whole`.
void WalkJp2Container(ByteRange whole, const Carrier& at, Sink& sink);
