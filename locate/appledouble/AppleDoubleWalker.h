// AppleDouble and AppleSingle files, as a Mac writes a "._IMG_1234.JPG"
// beside each file it copies to a card or a stick: a header, a table of
// entries (id, offset, length; big-endian), and the entries: the resource
// fork, the Finder's information with the file's extended attributes
// after it ("ATTR": each a name and a value), in AppleSingle the file's
// data too.
//
// The data fork and each attribute's value are walked as files of their
// own (see WalkArchiveMember); the other entries, the attributes' names
// and the bytes between entries follow the opaque rule. Entries that share
// bytes or lie outside the file: not taken apart.
#pragma once
#include "platform/ByteRange.h"

#include <cstdint>

class ByteReader;
class Sink;
struct Carrier;

// True when a file starts with AppleDouble's or AppleSingle's magic number
// and version.
bool StartsAppleDouble(const ByteReader& file, int64_t pos, int64_t end);

// Walks the file in `whole`.
void WalkAppleDoubleContainer(ByteRange whole, const Carrier& at, Sink& sink);
