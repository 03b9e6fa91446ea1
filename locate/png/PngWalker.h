// The PNG container walker: the 8-byte signature, then chunks (a 32-bit
// big-endian length, a four-letter type, the data, the CRC-32 of type and
// data). Image data and the chunks that only hold numbers of the picture
// are skipped by their length, never read. Positions are handed on as
// payloads: the TIFF structure of `eXIf`; the text chunks' Exif and XMP
// (hex raw profiles, XMP packets, zlib-compressed or not) and their values
// named by a GPS tag. Each chunk the strip changes gets its CRC written
// anew; a chunk whose CRC is already wrong is left alone (its finds cannot
// be removed). Any other ancillary chunk is opaque, a C2PA manifest
// (`caBX`, signed) too; data after `IEND` follows the trailer rules.
// MNG and JNG share the chunks: a JNG's JPEG data is walked as a JPEG, and
// an MNG ends at `MEND`, not at the `IEND` of each picture in it.
#pragma once
#include "platform/ByteRange.h"

class Sink;
struct Carrier;

// Walks the chunks of the PNG file in `whole`, its signature at whole.pos.
void WalkPngContainer(ByteRange whole, const Carrier& at, Sink& sink);
