// Place names that cameras keep in their maker notes (the Exif IFD's tag
// 0x927C), looked for on request. Each note is recognised by its first
// bytes; only its first IFD is read:
// - Nikon: "Nikon\0" 02 xx 00 00, then a TIFF header of its own at +10
//   (offsets count from it). 0x0039 LocationInfo: a version (4 bytes), the
//   text encoding (1 UTF-8, 2 UTF-16), a country code (3 bytes), a level
//   and the location's name (70 bytes).
// - Panasonic: "Panasonic\0\0\0", an IFD at +12, offsets from the Exif
//   TIFF header. Texts 0x0067 Location, 0x0069 Country, 0x006B State,
//   0x006D City, 0x006F Landmark, 0x0080 City.
// - Samsung (the IFD form of newer models): an IFD at +0 whose first entry
//   is 0x0001 "0100", offsets from the Exif TIFF header. Texts 0x0030 local
//   location name, 0x0031 location name.
// - Casio (and Concord): "QVC\0" or "DCI\0", an IFD at +6 in either byte
//   order, offsets from the Exif TIFF header. Text 0x3006 home town.
// - Pentax: "AOC\0" and "II"/"MM", an IFD at +6, offsets from the Exif TIFF
//   header; or "PENTAX \0" and "II"/"MM", an IFD at +10, offsets from the
//   note's start. City codes 0x0023 home town and 0x0024 destination, and
//   bytes 2 and 3 (the same two cities) of 0x006B time information.
// - Canon: no header, so recognised by the 0th IFD's Make ("Canon"): an IFD
//   at +0 in the Exif byte order, offsets from the Exif TIFF header. Bytes
//   8 to 11 of 0x0035 time information: the home time zone's city code.
//
// A text is written over with spaces (a UTF-16 text with zeros), a code
// with zeros, at its length. A value that holds only spaces, zeros or
// dashes names no place. A value that does not lie wholly inside its note
// (its offset may count from another base), or that shares bytes with the
// note's IFD, another value of the note, or anything the TIFF walk keeps or
// clears, is a find that cannot be removed. Every read stays inside the
// note, which lies inside the block that holds the TIFF structure.
#pragma once
#include "exif/ByteReader.h"
#include "locate/Find.h"
#include "locate/payload/TiffScan.h"
#include "platform/ByteRange.h"

#include <cstdint>
#include <vector>

struct MakerPlace {
    ByteRange value;     // the bytes written over (offsets as the scan's); its IFD entry when outside
    uint8_t fill = ' ';  // written over them
    bool removable = true;
    FindWhy why = FindWhy::None;
};

// The place values of every maker note `t` recorded, read through
// `content`, the reader its walk used (offsets as the scan's).
std::vector<MakerPlace> ScanMakerNotePlaces(const ByteReader& content, const TiffScan& t);
