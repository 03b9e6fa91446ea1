// ID3 tags: MP3 (and AAC) files start with one ("ID3", a version, flags,
// a syncsafe size), as FFmpeg, phones' recorders and tag editors write
// them; WAV files may keep one in an `id3 ` chunk. Each frame's header is
// read (ID3v2.2's three-letter ones too):
//   - text frames (T...), user texts (TXXX: a description, then the value),
//     comments (COMM) and lyrics (USLT), in Latin-1, UTF-16 or UTF-8: a
//     value under a description naming a position (NamedValues.h), or
//     holding an ISO 6709 string (FFmpeg keeps a clip's location as TXXX
//     "location"), or naming a coordinate as a caption does, is a position,
//     written over with spaces (zeros in UTF-16); a place's name on request;
//   - an attached picture (APIC, PIC) or object (GEOB): walked as the file
//     it is, as a cover may be a geotagged photo; of no known format, by
//     the opaque rule;
//   - XMP in a private frame (PRIV owned by "XMP"): as XMP;
//   - a chapter (CHAP) or a table of contents (CTOC): the frames it holds
//     (a chapter's title), read as the tag's are;
//   - other frames, and frames compressed, encrypted or unsynchronised: by
//     the opaque rule.
// The sound after the tag is not read. A tag at the file's end (ID3v2.4's
// "3DI" footer) is walked too, and so are ID3v1's 128 bytes (fixed fields
// of Latin-1 text, read as text frames are), and an APE tag (ApeTag.h).
#pragma once
#include "platform/ByteRange.h"

#include <cstdint>

class ByteReader;
class Sink;
struct Carrier;

bool StartsId3(const ByteReader& file, int64_t pos, int64_t end);
void WalkId3Container(ByteRange whole, const Carrier& at, Sink& sink);
// One ID3 tag at r (inside a WAV's chunk, or at a file's end).
void WalkId3Tag(ByteRange r, const Carrier& at, Sink& sink);
