// Naming of GPS entries, capture of the latitude/longitude references and
// rationals, and their display texts.
#pragma once
#include "exif/ByteReader.h"
#include "exif/ExifAnalysis.h"

// Names the entry and captures the coordinate values its tag carries.
// The entry's generic fields must already be set.
void DecodeGpsEntry(ExifAnalysis& a, const ByteReader& r, IfdEntry& e);

// Writes m_szLat and m_szLon from what was captured (zeros when nothing).
void FormatGpsTexts(ExifAnalysis& a);
