// Apple's photo adjustments (.AAE), which a phone's export puts beside an
// edited photo: an XML property list whose keys name the adjustment
// (adjustmentFormatIdentifier, ...) and whose <data> holds the edits as
// base64 (a binary property list, at times compressed). No rule reads a
// position here: the text outside <data> and each <data>'s decoded (and,
// where it is, inflated) bytes follow the opaque rule, so a position's
// text anywhere is a find that cannot be removed.
#pragma once
#include "platform/ByteRange.h"

#include <cstdint>

class ByteReader;
class Sink;
struct Carrier;

// True when a file is an XML property list whose first 64 KiB name the key
// adjustmentFormatIdentifier. Other property lists are not read.
bool StartsAae(const ByteReader& file, int64_t pos, int64_t end);

// Walks the adjustments in `whole`.
void WalkAaeContainer(ByteRange whole, const Carrier& at, Sink& sink);
