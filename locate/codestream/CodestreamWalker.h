// Bare codestreams: a JPEG XL codestream (FF 0A) or a JPEG 2000 codestream
// (SOC and SIZ, FF 4F FF 51) as a file of its own, as cjxl writes a
// picture that has no metadata. A codestream holds no Exif, XMP or other
// metadata box, and where its compressed data ends is only known by
// decoding it: the whole file follows the opaque rule ("GPS" counted only
// inside readable text, as compressed data holds those three bytes by
// chance), Exif appended to it is named, and a clip or picture found after
// padding or by its `ftyp` is walked as that container.
#pragma once
#include "platform/ByteRange.h"

#include <cstdint>

class ByteReader;
class Sink;
struct Carrier;

// True when a bare JPEG XL or JPEG 2000 codestream starts at pos (two
// bytes say too little inside another container: the registry asks only
// at a file's start).
bool StartsBareCodestream(const ByteReader& file, int64_t pos, int64_t end);

// Walks the codestream in `whole`.
void WalkCodestreamContainer(ByteRange whole, const Carrier& at, Sink& sink);
