// Builds files of the containers other than JPEG for the locator's tests,
// each small enough to read in a hex dump: ISOBMFF boxes (HEIC, MP4, MOV),
// PNG chunks, RIFF chunks (WebP), a bare TIFF file, Samsung's SEF trailer
// and the two kinds of motion photo (a JPEG with a video after it).
// Positions go in as Exif GPS IFDs (from an ExifBuilder) or as ISO 6709
// strings ("+35.6586+139.7454/"), as cameras and phones store them.
#pragma once
#include "tests/support/JpegBuilder.h"

#include <string>

namespace testjpeg {

// The bytes of a text, without a terminating NUL.
Bytes Text(const std::string& s);

// ISOBMFF: big-endian size, four-letter type ("\xA9xyz" for ©xyz), payload.
Bytes Box(const std::string& type, const Bytes& payload);
// A full box: version, 24-bit flags, then the payload.
Bytes FullBox(const std::string& type, uint8_t version, const Bytes& payload);
// An `ftyp` box: major brand, minor version 0, the compatible brands.
Bytes Ftyp(const std::string& major, const std::string& compatible);
// `ftyp heic`, then `meta` naming one item of type Exif in `iloc`, then
// `mdat` holding it (offset to the TIFF header, 0, then the TIFF).
Bytes HeicWithExif(const ExifBuilder& exif);
// An MP4 clip: `ftyp isom`, `mdat` (holding FF D9: compressed video holds
// any byte), `moov/udta/©xyz` with the location string.
Bytes Mp4WithLocation(const std::string& iso6709);
// A QuickTime movie as phones write it: `ftyp qt  ` (left out for a file
// from before `ftyp`), `wide`, `mdat`, and `moov/meta` whose `keys` name
// com.apple.quicktime.location.ISO6709 and whose `ilst` holds the string.
Bytes MovWithLocation(const std::string& iso6709, bool withFtyp = true);

// The TIFF file an ExifBuilder's Exif block holds: header, IFDs, values.
Bytes TiffFile(const ExifBuilder& exif);

// PNG: length, type, data, CRC-32 of type and data.
Bytes PngChunk(const std::string& type, const Bytes& data);
// Signature, IHDR (1 x 1 grey), eXIf holding the TIFF, IDAT, IEND.
Bytes PngWithExif(const ExifBuilder& exif);

// RIFF: type, little-endian size, data, a pad byte to an even size.
Bytes RiffChunk(const std::string& type, const Bytes& data);
// `RIFF` size `WEBP`, `VP8X` (the Exif flag set, 1 x 1), `EXIF` chunk.
Bytes WebpWithExif(const ExifBuilder& exif);

// Samsung's trailer: one block (0, type, name length, name, data), then
// "SEFH", version 106, count 1, the entry (0, type, distance back from
// "SEFH", length), the directory's length and "SEFT".
Bytes SefTrailer(uint16_t type, const std::string& name, const Bytes& data);
// Google's: a JPEG whose XMP says GCamera:MicroVideo="1" and the video's
// length, then the video.
Bytes GoogleMotionPhoto(const Bytes& video);
// Samsung's: a JPEG, then the video as the SEF block "MotionPhoto_Data".
Bytes SamsungMotionPhoto(const Bytes& video);

}  // namespace testjpeg
