// Apple's Core Audio files (CAF: what iPhones' and Macs' recorders and
// tools keep sound in): "caff", a version and flags, then chunks, each a
// type, a 64-bit big-endian size and its data; the audio data's size may be
// -1, running to the file's end. Read here:
//   - the information chunk (info: a count, then pairs of NUL-terminated
//     UTF-8 strings, a key and its value), into which FFmpeg copies a clip's
//     tags, its location among them: a value under a key naming a
//     position, or naming a coordinate, is written over with spaces; a
//     place's name on request;
//   - XMP in a `uuid` chunk of XMP's UUID.
// The audio data is not read; other chunks, and bytes no chunk header
// explains, follow the opaque rule.
#pragma once
#include "platform/ByteRange.h"

#include <cstdint>

class ByteReader;
class Sink;
struct Carrier;

bool StartsCaf(const ByteReader& file, int64_t pos, int64_t end);
void WalkCafContainer(ByteRange whole, const Carrier& at, Sink& sink);
