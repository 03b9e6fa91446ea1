// A TIFF structure held in bytes of its own (decoded hex text, inflated or
// Brotli-compressed metadata), whose readers see nothing else: the finds of
// its GPS IFDs and, with place names, of its maker notes and IPTC, with
// their removal in the block's offsets.
#pragma once
#include "exif/ByteReader.h"
#include "locate/Find.h"
#include "locate/StripPlan.h"

#include <cstdint>
#include <vector>

void ScanTiffBlock(const ByteReader& block, int64_t tiff, bool placeNames, std::vector<PositionFind>& finds,
                   StripPlan& plan);
