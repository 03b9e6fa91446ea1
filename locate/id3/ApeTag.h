// APE tags (version 1 and 2), which tag editors put at the end of MP3
// files and WavPack, Monkey's Audio, TTA and Musepack files keep their
// tags in: items after an optional header, then a 32-byte footer
// ("APETAGEX", a version, the size of the items and the footer, a count,
// flags). Each item is a value's length, flags, a key (ASCII, ending in a
// NUL) and the value:
//   - a text (UTF-8): under a key naming a position, or naming a
//     coordinate, it is a position, written over with spaces; a place's
//     name on request;
//   - binary data (a cover: a file's name, a NUL, the picture): walked as
//     the file it is;
//   - a link to a file elsewhere, and items that cannot be read: by the
//     opaque rule.
#pragma once
#include "platform/ByteRange.h"

#include <cstdint>

class ByteReader;
class Sink;
struct Carrier;

// Where an APE tag whose footer ends at `end` starts (its header, if any),
// no earlier than `from`; -1 when no footer ends there.
int64_t ApeTagStart(const ByteReader& file, int64_t from, int64_t end);
// The APE tag in r, its footer at r's end.
void WalkApeTag(ByteRange r, const Carrier& at, Sink& sink);
