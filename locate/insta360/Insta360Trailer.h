// Insta360's trailer, which its cameras append after a picture (INSP) or a
// clip (INSV). It is read from the end: the last 78 bytes start with the
// last record's header, hold the trailer's length at offset 38 and end with
// the 32 letters "8db42d694ccc418790edff439fe026bf"; each record is its data
// followed by a 6-byte header (a 16-bit id and a 32-bit length, both
// little-endian), so the record before it ends where its data starts.
// Record 0x700 holds GPS fixes (53 bytes each), 0x200 a preview JPEG; the
// others hold motion, exposure and times. Bytes before the first record
// that the chain reaches are opaque.
#pragma once
#include "exif/ByteReader.h"
#include "platform/ByteRange.h"

class Sink;
struct Carrier;

// Where an Insta360 trailer that ends `r` starts; -1 when `r` does not end
// with one, or its length would reach before `r`.
int64_t Insta360TrailerStart(const ByteReader& file, ByteRange r);

// Walks the trailer `whole` (from Insta360TrailerStart to the end): GPS
// records are zeroed, the preview is walked as a JPEG.
void WalkInsta360Trailer(ByteRange whole, const Carrier& at, Sink& sink);
