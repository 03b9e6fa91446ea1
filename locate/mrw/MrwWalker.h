// Minolta's MRW raw files: "\0MRM" (big-endian; "\0MRI" little-endian) and
// the length of the blocks that follow, each a four-letter name ("\0TTW",
// "\0PRD", "\0WBG", "\0RIF", padding) and a length; then the raw data. The
// TTW block is a TIFF structure (the camera's Exif, where writers add a
// GPS IFD), read as a TIFF's; the other blocks are numbers of the picture,
// read as bytes no rule knows; the raw data is not read.
#pragma once
#include "platform/ByteRange.h"

#include <cstdint>

class ByteReader;
class Sink;
struct Carrier;

// True when an MRW file starts at pos.
bool StartsMrw(const ByteReader& file, int64_t pos, int64_t end);

// Walks the MRW file in `whole`.
void WalkMrwContainer(ByteRange whole, const Carrier& at, Sink& sink);
