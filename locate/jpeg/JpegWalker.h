// The JPEG container walker: the main picture's segments, the pictures its
// MPF index names, pictures appended without an index, and whatever lies
// between and after them. Exif segments are handed on as TIFF structures,
// XMP and FLIR blocks as content maps, stray bytes and data after the
// pictures as opaque ranges (a container found there as nested).
#pragma once
#include "platform/ByteRange.h"

class Sink;
struct Carrier;

// Walks the JPEG that starts at whole.pos and is bounded by whole.End().
void WalkJpegContainer(ByteRange whole, const Carrier& at, Sink& sink);
