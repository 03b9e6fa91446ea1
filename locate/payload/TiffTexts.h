// Coordinates written as text into a TIFF structure: a program or a camera
// app that puts "Lat 35.6586 Lon 139.7454" or "+35.6586+139.7454/" into
// the picture's description (ImageDescription), the user's comment
// (UserComment: an 8-byte code, then ASCII or UCS-2) or Windows' titles
// and comments (XPTitle to XPSubject: UTF-16, little-endian). A text holds
// a position as a caption does (see TextHoldsPosition) or when it holds an
// ISO 6709 string; the word "GPS" alone does not. Any other ASCII value (a
// name, a damaged tag's text) holds one only as an ISO 6709 string or its
// pair of degrees. It is written over with spaces (UTF-16 with zeros) at
// its length, its code and terminator kept.
#pragma once
#include "exif/ByteReader.h"
#include "locate/Find.h"
#include "locate/payload/TiffScan.h"
#include "platform/ByteRange.h"

#include <cstdint>
#include <vector>

struct TextPosition {
    ByteRange value;     // the bytes written over (offsets as the scan's)
    uint8_t fill = ' ';  // written over them
    bool removable = true;  // false: the bytes are shared with another part of the structure
    FindWhy why() const { return removable ? FindWhy::None : FindWhy::GpsIfdSharesBytes; }
};

// The texts of `t` that hold a position, read through `content`, the
// reader its walk used.
std::vector<TextPosition> ScanTiffTexts(const ByteReader& content, const TiffScan& t);
