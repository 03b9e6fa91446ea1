// The registry of containers: one row per container the companion knows,
// how it is recognised by its first bytes (never by a file's name) and
// whether a walker takes it apart. A container without a walker is a find
// that cannot be removed wherever it turns up: the whole file, or a part
// of a picture or of the data after it.
#pragma once
#include "exif/ByteReader.h"
#include "locate/Find.h"
#include "platform/ByteRange.h"

#include <cstdint>

class Sink;
struct Carrier;

struct ContainerRow {
    Container kind;
    // True when the bytes at pos (before end) start this container.
    bool (*recognise)(const ByteReader& file, int64_t pos, int64_t end);
    // Takes the container in `whole` apart, handing what it holds to the
    // sink; null while no walker exists (the container is then a find
    // that cannot be removed).
    void (*walk)(ByteRange whole, const Carrier& at, Sink& sink);
    // Told only as a file of its own: inside another container its first
    // bytes say too little (a text, two bytes), or what it holds is read
    // there as data like any other.
    bool fileOnly = false;
};

// The row of `kind`; null for None and Unknown.
const ContainerRow* ContainerRowOf(Container kind);

// The container starting at pos (before end); None when no row matches.
// `asFile`: [pos, end) is a file of its own (an archive's member), so the
// rows told only as a file count too.
Container RecogniseContainer(const ByteReader& file, int64_t pos, int64_t end, bool asFile = false);

// The first container inside data that follows a picture, [pos, end):
// one starting there (after zero or 0xFF padding), an ISOBMFF file (a
// motion photo's video) from its `ftyp` box anywhere, or Samsung's SEF
// directory when it ends the file. Pictures are not looked for here: an
// appended picture is the walker's. None when there is none.
struct Embedded {
    Container kind = Container::None;
    int64_t pos = -1;
};
Embedded FindEmbeddedContainer(const ByteReader& file, int64_t pos, int64_t end);

// Samsung's SEF trailer ends the file: "SEFH" directory, its length
// (32-bit little-endian) and "SEFT". The directory's entries name blocks
// before it by their distance back from it; the trailer starts at the
// farthest one that lies after `from` (at the directory when none does;
// at its last 8 bytes when the directory cannot be read). -1 when `end`
// is not preceded by "SEFT".
int64_t SefStart(const ByteReader& file, int64_t from, int64_t end);

// True when r holds a JPEG file's start: an SOI and a marker (FF D8 FF),
// as a Motion JPEG frame does when it is a whole file.
bool JpegFileAt(const ByteReader& file, ByteRange r);

// True when a TIFF header ("II*\0", "MM\0*") starts at pos.
bool TiffHeaderAt(const ByteReader& file, int64_t pos);

// The first TIFF header ("II*\0", "MM\0*") inside [pos, end): a reader
// that looks for Exif anywhere takes it for one. -1 when there is none.
int64_t FindTiffHeader(const ByteReader& file, int64_t pos, int64_t end);

// Where the TIFF structure of a block its container names Exif starts: a
// byte order mark ("II", "MM") at pos or after "Exif\0\0", whatever its
// magic number (a damaged one is read with TiffOptions::anyMagic, not
// passed over for a maker note's header further on), else the first TIFF
// header in [pos, end). -1 when there is none.
int64_t ExifTiffStart(const ByteReader& file, int64_t pos, int64_t end);

// A picture followed by a video or a trailer says so: its XMP names a
// motion photo ("MicroVideo", "MotionPhoto"), or the file ends in
// Samsung's SEF directory. Such a picture is walked to its end at any
// depth, so that what follows it is found.
bool TextNamesMotionPhoto(const uint8_t* p, int64_t n);
bool EndsWithSef(const ByteReader& file);
