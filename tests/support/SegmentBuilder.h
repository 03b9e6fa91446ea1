// Builds whole JPEG files segment by segment for the locator's tests:
// Exif, XMP and extended-XMP segments, an MPF index, pictures appended
// after the main one and bytes after the end.
#pragma once
#include "tests/support/JpegBuilder.h"

#include <string>

namespace testjpeg {

// FF marker, big-endian length, payload.
Bytes Segment(uint8_t marker, const Bytes& payload);
// The APP1 segment (marker included) of an ExifBuilder's file.
Bytes ExifSegment(const ExifBuilder& b);
Bytes XmpSegment(const std::string& xml);
// One extension segment: GUID (32 characters), full length, offset, chunk.
Bytes ExtendedXmpSegment(const std::string& guid, uint32_t fullLen, uint32_t offset,
                         const std::string& chunk);
// An MPF index (APP2, big-endian) naming one further picture of `size`
// bytes at `offset` from the index's TIFF header.
Bytes MpfSegment(uint32_t offset, uint32_t size);
// SOI, the segments, a tiny scan (SOF0, SOS, entropy bytes with a stuffed
// 0xFF 0x00 and a restart marker), EOI.
Bytes Picture(const std::vector<Bytes>& segments);
// The entropy-coded bytes Picture puts in every file, to check they survive.
const Bytes& ScanBytes();

Bytes Concat(const std::vector<Bytes>& parts);

}  // namespace testjpeg
