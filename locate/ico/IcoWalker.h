// Windows icons and cursors (.ICO, .CUR), as web sites serve their
// favicon: a directory (reserved 0, type 1 or 2, a count, then 16 bytes a
// picture: its size, colours, planes or hot spot, depth, length and
// offset), then the pictures. Each is a PNG file, walked as one, or a
// bitmap without its file header (numbers and pixels, which are not read).
// Bytes no picture covers follow the opaque rule; what follows the last
// picture is data after the end. Pictures that overlap (other than one
// named twice) are not taken apart.
#pragma once
#include "platform/ByteRange.h"

#include <cstdint>

class ByteReader;
class Sink;
struct Carrier;

// True when a file starts with an icon or cursor directory whose pictures
// all lie after it and inside the file.
bool StartsIco(const ByteReader& file, int64_t pos, int64_t end);

// Walks the icon in `whole`.
void WalkIcoContainer(ByteRange whole, const Carrier& at, Sink& sink);
