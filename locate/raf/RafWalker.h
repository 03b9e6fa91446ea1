// Fujifilm's RAF raw files: a header ("FUJIFILMCCD-RAW ", the format's
// version, the camera's name), then, where the header's 32-bit big-endian
// offsets say, the preview JPEG (offset at 84, length at 88), which holds
// the picture's Exif and XMP and so its position, and the raw data with
// Fujifilm's own directories, which hold none. The JPEG is walked as a
// JPEG; the header's other bytes are opaque; the raw data is not read.
#pragma once
#include "platform/ByteRange.h"

class Sink;
struct Carrier;

// Walks the RAF file in `whole`.
void WalkRafContainer(ByteRange whole, const Carrier& at, Sink& sink);
