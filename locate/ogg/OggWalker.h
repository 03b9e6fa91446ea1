// Ogg files (.ogg, .oga, .opus, .ogv, .spx): pages ("OggS", a header with
// the stream's serial number, the page's CRC and its segments' lengths),
// whose segments make the packets of one or more streams. Every page's
// header is read; of each stream the header packets that hold its
// comments (Vorbis, Opus, Theora, Speex, VP8, and FLAC's metadata blocks
// in Ogg) are put together across pages and read (see VorbisComments.h), and
// a FLAC picture block's picture walked as the file it is; the codecs'
// other packets (sound and pictures) are never read. The packets of a
// stream of another kind (a skeleton, a subtitle stream) follow the opaque
// rule. What follows the last page is data after the end.
//
// A comment's value is overwritten with spaces and each page it lies in
// gets its CRC written anew; a page whose CRC is already wrong is left
// alone, and its finds cannot be removed.
#pragma once
#include "platform/ByteRange.h"

#include <cstdint>

class ByteReader;
class Sink;
struct Carrier;

bool StartsOgg(const ByteReader& file, int64_t pos, int64_t end);
void WalkOggContainer(ByteRange whole, const Carrier& at, Sink& sink);

// FLAC files: "fLaC", then metadata blocks (a byte, the last block's flag
// and the type, a 24-bit length): the comments (type 4) read as above,
// a picture's (type 6) data walked as the file it is, an application's
// block (type 2) by the opaque rule; the frames after the blocks are not
// read.
bool StartsFlac(const ByteReader& file, int64_t pos, int64_t end);
void WalkFlacContainer(ByteRange whole, const Carrier& at, Sink& sink);
