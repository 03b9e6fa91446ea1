// GIF pictures: a header ("GIF87a", "GIF89a"), the screen descriptor and
// its colour table, then blocks up to the trailer (0x3B): pictures (a
// descriptor, a colour table, compressed data in sub-blocks) and
// extensions (0x21, a label, sub-blocks each after its length byte, a zero
// length last). A position can only be text here: XMP in the "XMP DataXMP"
// application extension, stored raw so that its own bytes serve as
// sub-block lengths and end in a 257-byte landing zone that leads every
// chain of lengths to the terminator; or the text of a comment, a plain
// text block or another application's extension.
//
// The XMP is scanned and cleaned as a JPEG's: the properties become
// spaces, which are never zero, so every chain of lengths still lands in
// the zone and the blocks after it stay where they are. XMP that does not
// end in the zone, or holds a zero byte, could end its chain elsewhere
// once changed: it follows the opaque rule, as do the other extensions
// (their sub-blocks joined, so that text split by a length byte counts).
// Picture data is not read; data after the trailer is data after the end.
#pragma once
#include "platform/ByteRange.h"

class Sink;
struct Carrier;

// Walks the GIF picture in `whole`.
void WalkGifContainer(ByteRange whole, const Carrier& at, Sink& sink);
