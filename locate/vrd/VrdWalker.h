// Canon's recipe data, which its raw converter keeps in a file of its own
// (.vrd) or appends to a photo (after a JPEG's picture, ending a CRW): a
// 28-byte header ("CANON OPTIONAL DATA\0", then the blocks' length at byte
// 24), blocks (a 32-bit type and length, big-endian), and a 64-byte footer
// that starts as the header does and repeats the length; a JPEG's ends in
// an EOI marker, a CRW's in its heap's directory offset. The XMP block
// (0xFFFF00F6, where writers put a raw file's XMP) is read as XMP; the
// edit recipes by the opaque rule.
#pragma once
#include "platform/ByteRange.h"

#include <cstdint>

class ByteReader;
class Sink;
struct Carrier;

// True when the recipe data start at pos.
bool StartsCanonVrd(const ByteReader& file, int64_t pos, int64_t end);

// Where recipe data that end at `end` start (its footer lies before end,
// its header after `from`); -1 when [from, end) does not end with them.
int64_t CanonVrdStart(const ByteReader& file, int64_t from, int64_t end);

// Walks the recipe data (or the .dr4 recipe) in `whole`.
void WalkCanonVrdContainer(ByteRange whole, const Carrier& at, Sink& sink);

// True when Canon's recipe of its later raw converter (.dr4) starts at pos:
// "IIII", version 4 and its records, the data a recipe block 0xFFFF00F7
// holds. Numbers and the names of styles, read by the opaque rule.
bool StartsCanonDr4(const ByteReader& file, int64_t pos, int64_t end);
