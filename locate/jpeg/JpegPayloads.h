// The payloads a JPEG picture's APP1 segments carry besides Exif: XMP,
// extended XMP and a thermal camera's FLIR block, cut into numbered
// segments. Each is handed to its payload scanner as a content map.
#pragma once
#include "exif/ByteReader.h"
#include "locate/jpeg/JpegSegments.h"
#include "locate/payload/FlirGps.h"

constexpr char kFlirSignature[] = "FLIR";     // + NUL: 5 bytes
constexpr int64_t kFlirSignatureLen = sizeof kFlirSignature;

class Sink;
struct Carrier;

// True when one of the rules above or the Exif walk reads APP1 segment `s`.
bool App1Read(const ByteReader& file, const JpegSegment& s);

// Hands one picture's XMP documents and FLIR block to the sink.
void LocateXmpAndMakerBlocks(const JpegPicture& p, const Carrier& c, Sink& sink);

// The FLIR block of one picture (ranges start after "FLIR\0"): each
// payload holds 0x01, its index, the last index, then a piece of the
// block. The pieces are joined in file order; a record can be removed
// only when the segments are numbered 0..last in that order.
ContentMap JpegFlirBlock(const ByteReader& file, const std::vector<ByteRange>& flirSegments,
                         bool& numbered);
FlirScan ScanFlir(const ByteReader& file, const std::vector<ByteRange>& flirSegments);
