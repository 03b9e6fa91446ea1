// The ISOBMFF container walker: HEIF, HEIC and AVIF pictures, MP4, MOV,
// 3GP and M4V clips, Canon's CR3. Only box headers and the small boxes
// that hold metadata are read; media data (`mdat`) is skipped by its size.
// Positions are handed on as payloads (an Exif or XMP item through its
// extents, XMP boxes, Canon's GPS block) or found here (a clip's location
// boxes and keys, timed GPS tracks); a box no rule knows is opaque, and a
// clip or picture nested in a box (Samsung's `mpvd`) is walked in turn.
#pragma once
#include "platform/ByteRange.h"

class Sink;
struct Carrier;

// Walks the boxes in `whole`, an ISOBMFF file starting at whole.pos (its
// item offsets count from there).
void WalkIsobmffContainer(ByteRange whole, const Carrier& at, Sink& sink);
