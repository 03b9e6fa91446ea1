// ASF files (Windows Media: WMV videos, WMA sound, the clips older phones
// and cameras recorded): objects, each a GUID and a 64-bit size. The
// header object's objects hold the metadata, read here:
//   - the content description (title, author, copyright, description,
//     rating) and the extended content description's and the metadata
//     (library) objects' attributes, named values into which FFmpeg copies
//     a phone clip's tags, its location among them. A text (UTF-16) under
//     a name naming a position, or naming a coordinate, is a position,
//     written over with zeros; a number under a position's name becomes 0;
//     a place's name on request. A picture (WM/Picture, a cover that may be
//     a geotagged photo) and other bytes values are walked as the files
//     they are;
//   - XMP, in its object (the GUID XMP gives it in every container).
// The data object's packets (sound and pictures) and the indexes are not
// read; other objects, and bytes no object explains, follow the opaque
// rule, their UTF-16 text read too.
#pragma once
#include "platform/ByteRange.h"

#include <cstdint>

class ByteReader;
class Sink;
struct Carrier;

bool StartsAsf(const ByteReader& file, int64_t pos, int64_t end);
void WalkAsfContainer(ByteRange whole, const Carrier& at, Sink& sink);
