// The TIFF container walker: TIFF files and the raw files built on TIFF
// (DNG, NEF, NRW, CR2, ARW, SR2, PEF, SRW, Olympus ORF, Panasonic RW2).
// Only the IFDs, their values and the metadata blocks they point to are
// read; image strips and tiles never are. The structure's GPS IFDs (named
// by any IFD of the chain, a SubIFD or the Exif IFD) are handed on as one
// TIFF payload, XMP (tag 700) as an XMP document, and each embedded JPEG
// (a preview named by tags 513/514, a raw file's JpgFromRaw, an IFD of
// JPEG compression in one strip) to the JPEG walker, whose Exif may hold
// a position of its own. A TIFF has no end marker: bytes no IFD explains
// are not looked at. BigTIFF is walked the same way in its own layout
// (64-bit offsets and counts, 20-byte entries; see TiffLayout); a BigTIFF
// header of another offset size is a container not read.
#pragma once
#include "platform/ByteRange.h"

class Sink;
struct Carrier;

// Walks the TIFF structure whose header lies at whole.pos (its offsets
// count from there), bounded by whole.End().
void WalkTiffContainer(ByteRange whole, const Carrier& at, Sink& sink);
