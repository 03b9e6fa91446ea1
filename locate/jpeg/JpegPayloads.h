// The locator's XMP and maker-block part: which APP1 segments of a picture
// carry XMP, extended XMP or a FLIR block, the positions in them, and their
// removal.
#pragma once
#include "exif/ByteReader.h"
#include "locate/jpeg/JpegSegments.h"
#include "locate/Locator.h"

// Adds the finds of one picture's XMP packets and FLIR blocks to `out`.
void LocateXmpAndMakerBlocks(const ByteReader& file, const JpegPicture& p, int picture,
                             LocateResult& out);

// Removes every XMP property and maker record `r` found.
bool StripXmpAndMakerBlocks(uint8_t* buf, int64_t len, const LocateResult& r);
