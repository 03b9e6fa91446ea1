// BMP pictures (Windows bitmaps): "BM", the file's size, the pixels'
// offset; an information header (12 to 124 bytes) whose fifth version may
// name an ICC profile after it; a colour table; the pixels. A bitmap holds
// no metadata: the headers are numbers, the pixels are not read (a JPEG or
// PNG stored as the pixels, compression 4 or 5, is walked as the container
// it is), and the bytes between the headers and the pixels, a profile and
// what follows them follow the opaque rule, the last as data after the end.
#pragma once
#include "platform/ByteRange.h"

#include <cstdint>

class ByteReader;
class Sink;
struct Carrier;

// True when a BMP file starts at pos: "BM", a known information header's
// size at 14, and a pixel offset past the headers.
bool StartsBmp(const ByteReader& file, int64_t pos, int64_t end);

// Walks the bitmap in `whole`.
void WalkBmpContainer(ByteRange whole, const Carrier& at, Sink& sink);
