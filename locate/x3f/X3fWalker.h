// Sigma's X3F raw files: "FOVb", a header of the picture's numbers and
// names, then sections, which a directory at the end of the file lists
// ("SECd", a count, then each section's offset, length and type); the
// file's last 4 bytes give the directory's offset. A picture section
// ("IMA2", "IMAG") whose format is 18 holds a JPEG (the camera's preview,
// where its Exif lives and where writers add a GPS IFD), walked as a JPEG;
// other picture sections are pixels and are not read. The properties
// ("PROP": names and values in UTF-16) and the header are read by the
// opaque rule, the camera's calibration data ("CAMF") as compressed data.
#pragma once
#include "platform/ByteRange.h"

#include <cstdint>

class ByteReader;
class Sink;
struct Carrier;

// True when an X3F file starts at pos.
bool StartsX3f(const ByteReader& file, int64_t pos, int64_t end);

// Walks the X3F file in `whole`.
void WalkX3fContainer(ByteRange whole, const Carrier& at, Sink& sink);
