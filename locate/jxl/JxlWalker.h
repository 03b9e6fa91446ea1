// JPEG XL files in their box container: the signature box ("JXL ", 12
// bytes), `ftyp`, then boxes up to the end of the file: the codestream
// (`jxlc`, or its parts `jxlp`), its level and index (`jxll`, `jxli`),
// the Exif block (`Exif`: a 32-bit big-endian offset to the TIFF header,
// then the TIFF structure), XMP (`xml `), JUMBF (`jumb`, a C2PA manifest),
// the data that rebuilds a transcoded JPEG bit for bit (`jbrd`) and any of
// these compressed with Brotli (`brob`: the inner box type, then the
// stream).
//
// The Exif block and the XMP are scanned and cleaned as a JPEG's. What is
// compressed with Brotli is not read: a compressed Exif block, XMP or
// manifest, and the rebuild data (which holds a transcoded JPEG's other
// segments and whatever followed its end, a motion photo's clip say), are
// finds that cannot be removed. A manifest follows the opaque rule, as in a
// JPEG; other boxes, and bytes no box explains, follow the opaque rule.
// The codestream is not read.
#pragma once
#include "platform/ByteRange.h"

#include <cstdint>

class Sink;
struct Carrier;

// Walks the JPEG XL file in `whole`.
void WalkJxlContainer(ByteRange whole, const Carrier& at, Sink& sink);
