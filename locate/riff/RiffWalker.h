// The RIFF container walker: WebP pictures, AVI clips, WAV sounds. Chunk
// headers are read one after the other, LIST chunks are walked into; the
// picture, sound and video data chunks are skipped by their size, never
// read. A WebP's EXIF chunk is handed on as a TIFF structure and an XMP
// chunk as an XMP document; every other chunk is opaque, a find when it
// holds a position's text. What follows the RIFF's declared size is data
// after the end (a trailer, or another container).
#pragma once
#include "platform/ByteRange.h"

class Sink;
struct Carrier;

// Walks the RIFF file in `whole`, its "RIFF" header at whole.pos.
void WalkRiffContainer(ByteRange whole, const Carrier& at, Sink& sink);
