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
// Base64 text of `b` with its padding, a line end after every `line`
// characters (0: one line).
std::string Base64(const Bytes& b, size_t line);

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

// HEIF items: each one's bytes, split into `extents` pieces (stored last
// first when `reversed`: only a reader of the extents puts them back
// together), in the box that ends the file (construction method 0) or in
// `idat` (method 1).
struct HeifItem {
    std::string type = "Exif";          // or "mime"
    Bytes data;
    std::string contentType, encoding;  // a mime item's; no encoding: the field is left out
    uint16_t protection = 0;            // an index into `ipro`; 0: not protected
    int extents = 1;
    bool reversed = false;
};
// How `meta` names and places its items: the `infe` version (2: 16-bit
// IDs, 3: 32-bit), the `iloc` version (0, 1, 2: 32-bit IDs) and its field
// sizes in bytes (an offset of 0 bytes puts an item at its base, a length
// of 0 bytes runs it to the end of the data), the construction method, the
// first item's ID and the type of the box that ends the file.
struct HeifLayout {
    int infe = 2, iloc = 0;
    int offSize = 4, lenSize = 4, baseSize = 0, indexSize = 0;
    int method = 0;
    uint32_t firstId = 1;
    std::string holder = "mdat";
};
// `ftyp heic`, `meta` (hdlr pict, the `extra` boxes, iinf, iloc, idat),
// then the holder box with the items' bytes (method 0) or empty.
Bytes Heif(const std::vector<HeifItem>& items, const HeifLayout& layout = {}, const Bytes& extra = {});

// A zlib stream of one stored (uncompressed) deflate block: 78 01, the
// block, the Adler-32 of `data`.
Bytes ZlibStored(const Bytes& data);
// `data` compressed with Brotli (quality 9), as cjxl and libheif compress metadata.
Bytes Brotli(const Bytes& data);
// A gzip file of `data` (best compression), with a file name when one is given.
Bytes Gzip(const Bytes& data, const std::string& name = {});
// A ZIP archive of these entries, each stored or deflated, its CRC-32 and
// sizes in its local header or in a data descriptor after it.
struct ZipEntry {
    std::string name;
    Bytes data;
    bool deflate = false;
    bool descriptor = false;
    uint16_t flags = 0;  // more flags: 1, encrypted
};
Bytes Zip(const std::vector<ZipEntry>& entries);
// A ustar archive of these members (name, data), then its two zero blocks.
Bytes Tar(const std::vector<std::pair<std::string, Bytes>>& members);

// Exif IFDs without a header, as cameras keep them in a clip's box or
// chunk: `at` bytes of 0x11, the 0th IFD (a GPS pointer), then a GPS IFD
// of a reference and a latitude; offsets count from `base`.
Bytes HeaderlessExif(Order o, size_t at, size_t base);

// A clip: `ftyp` of `brand`, `mdat`, then `moov` holding `moovBody`.
Bytes Mp4(const Bytes& moovBody, const std::string& brand = "isom");
// QuickTime's ©xyz box holding the ISO 6709 string.
Bytes XyzBox(const std::string& iso6709);
// `meta` (a full box) with `hdlr mdir` and `ilst` holding one entry of
// `type` whose `data` box holds `value`.
Bytes ItemListMeta(const std::string& type, const std::string& value);
// 3GPP's `loci`: language, name, role, longitude, latitude and altitude
// (16.16 fixed point), body, notes.
Bytes LociBox(double latitude, double longitude);
// XMP in a box of its own: `uuid` be7acfcb-97a9-42e8-9c71-999491e3afac.
Bytes XmpUuidBox(const std::string& xml);
// Canon's CR3 metadata box, `uuid` 85c0b687-820f-11e0-8111-f4ce462b6a48,
// holding `CMT4`: a TIFF structure whose 0th IFD holds the GPS entries.
Bytes CanonGpsBox(const ExifBuilder& gpsAsIfd0);
// n boxes of `type`, each holding the next; the innermost holds `inner`.
Bytes NestedBoxes(const std::string& type, int n, const Bytes& inner);
// Size 1 and a 64-bit size after the type.
Bytes LargeBox(const std::string& type, const Bytes& payload);
// Size 0: the box runs to the end of the file.
Bytes ToEndBox(const std::string& type, const Bytes& payload);

// The TIFF file an ExifBuilder's Exif block holds: header, IFDs, values.
Bytes TiffFile(const ExifBuilder& exif);
// A little-endian TIFF structure whose 0th IFD is empty and whose 1st IFD
// names `thumb`, after it, as its JPEG thumbnail (tags 0x0201, 0x0202).
Bytes TiffWithThumbnail(const Bytes& thumb);

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

// RIFF: "RIFF", little-endian size (the form type and the chunks), the
// form type ("WEBP", "AVI ", "WAVE"), the chunks.
Bytes Riff(const std::string& form, const Bytes& chunks);
// A LIST chunk: the list type ("INFO", "hdrl", "movi"), then its chunks.
Bytes RiffList(const std::string& type, const Bytes& chunks);

// PNG: the signature, IHDR (1 x 1 grey), the chunks, IDAT, IEND.
Bytes Png(const Bytes& chunks);
// A text chunk: tEXt (keyword, NUL, text), zTXt (keyword, NUL, method 0,
// the text as a stored zlib stream) or iTXt (keyword, NUL, the compression
// flag, method 0, empty language and translated keyword, the text, as a
// stored zlib stream when `compressed`).
Bytes PngText(const std::string& type, const std::string& keyword, const Bytes& text, bool compressed = false);
// A profile as hex text: newline, name, newline, the byte count in 8
// columns, newline, then two lowercase hex digits per byte in lines of 72.
Bytes RawProfile(const std::string& name, const Bytes& profile);

}  // namespace testjpeg
