// The payloads a JPEG picture's APP1 segments carry besides Exif: XMP,
// extended XMP and a thermal camera's FLIR block, cut into numbered
// segments. Each is handed to its payload scanner as a content map.
#pragma once
#include "exif/ByteReader.h"
#include "locate/Locator.h"
#include "locate/jpeg/JpegSegments.h"
#include "locate/payload/FlirGps.h"

constexpr char kFlirSignature[] = "FLIR";     // + NUL: 5 bytes
constexpr int64_t kFlirSignatureLen = sizeof kFlirSignature;

// Adds the finds of one picture's XMP packets and FLIR blocks to `out`,
// and their removal to its plan.
void LocateXmpAndMakerBlocks(const ByteReader& file, const JpegPicture& p, int picture,
                             LocateResult& out);

// The FLIR block of one picture (ranges start after "FLIR\0"): each
// payload holds 0x01, its index, the last index, then a piece of the
// block. The pieces are joined in file order; a record can be removed
// only when the segments are numbered 0..last in that order.
FlirScan ScanFlir(const ByteReader& file, const std::vector<ByteRange>& flirSegments);
