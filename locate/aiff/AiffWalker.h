// AIFF and AIFF-C sound (a Mac's recordings and exports): "FORM", a size,
// "AIFF" or "AIFC", then chunks, each an id, a 32-bit big-endian size and
// its data, padded to an even length. Read here:
//   - the texts (NAME, AUTH, "(c) ", ANNO) and the comments (COMT): one
//     naming a coordinate is a position, written over with spaces;
//   - an ID3 tag ("ID3 ", "id3 "), into which FFmpeg writes a clip's tags,
//     its location among them (see Id3Walker.h);
//   - XMP in an application chunk (APPL, signature "XMP ").
// The sound (SSND) is not read; other chunks, and bytes no chunk header
// explains, follow the opaque rule.
#pragma once
#include "platform/ByteRange.h"

#include <cstdint>

class ByteReader;
class Sink;
struct Carrier;

bool StartsAiff(const ByteReader& file, int64_t pos, int64_t end);
void WalkAiffContainer(ByteRange whole, const Carrier& at, Sink& sink);
