// Naming of IFD entries, capture of the GPS latitude/longitude references
// and rationals, and their display texts.
#pragma once
#include "exif/ByteReader.h"
#include "exif/ExifAnalysis.h"

// Sets the entry's name: the field is cleared, then takes `name` up to its
// size less one byte, never splitting a CP932 double-byte character.
void SetEntryName(IfdEntry& e, const char* name);

// Names the GPS entry and captures the coordinate values its tag carries.
// The entry's generic fields must already be set.
void DecodeGpsEntry(ExifAnalysis& a, const ByteReader& r, IfdEntry& e);

// Writes m_szLat and m_szLon from what was captured (zeros when nothing).
void FormatGpsTexts(ExifAnalysis& a);
