// Samsung's SEF trailer, which its phones append after a picture: data
// blocks, then a directory ("SEFH", version, count, one entry per block:
// two bytes, the block's type, its distance back from the directory and
// its length), the directory's length and "SEFT". A block starts with two
// bytes, its type, its name's length and its name; a motion photo's clip
// ("MotionPhoto_Data") follows its name as an ISOBMFF file, which is
// walked in turn. Other blocks, and bytes no entry names, are opaque.
#pragma once
#include "platform/ByteRange.h"

class Sink;
struct Carrier;

// Walks the trailer in `whole`, which ends with "SEFT".
void WalkSefContainer(ByteRange whole, const Carrier& at, Sink& sink);
