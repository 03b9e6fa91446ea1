// FLV files (Flash video, as sites, screen recorders and streaming tools
// still write it): a header ("FLV", a version, flags, the header's length),
// then tags, each after the previous tag's size: a type (8 sound, 9
// pictures, 18 script data; bit 5 marks it encrypted), a 24-bit length, a
// time and a stream id, then its data. Every tag's header is read; sound
// and pictures are not.
//
// Script data (onMetaData, into which FFmpeg copies a phone clip's tags,
// its location among them; onTextData captions; onXMPData) is AMF0: its
// names and values are read as a JSON document's are (see NamedValues.h).
// A string under a name naming a position, or holding an ISO 6709 string,
// is overwritten with spaces; a number under such a name with zeros (0.0);
// a string holding XMP is read as XMP. A tag of another type, encrypted
// script data, AMF that cannot be read and a tag cut short by the file's
// end follow the opaque rule; so do bytes after the last tag, which are
// never cut, as a damaged header may hide more of the clip.
#pragma once
#include "platform/ByteRange.h"

#include <cstdint>

class ByteReader;
class Sink;
struct Carrier;

bool StartsFlv(const ByteReader& file, int64_t pos, int64_t end);
void WalkFlvContainer(ByteRange whole, const Carrier& at, Sink& sink);
