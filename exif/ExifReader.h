// Reading a JPEG file whole and analysing its Exif block: the first 200
// bytes are scanned for "Exif" and a TIFF header, then the 0th IFD and,
// through tag 34853, the GPS IFD are walked. See ByteReader.h for what is
// recorded when a structure runs past the end of the content.
#pragma once
#include "exif/ByteReader.h"
#include "exif/ExifAnalysis.h"
#include "exif/TagNameTable.h"

#include <cstdint>
#include <memory>

constexpr int kExifScanLimit = 200;       // start positions 0 .. 199
constexpr int32_t kGpsIfdTag = 34853;
constexpr int64_t kMaxFileLen = INT32_MAX - 1;  // the content buffer holds len + 1

// The content of the current file: `m_nFileLen` bytes (the buffer holds one
// more, unused). Replaced only by a successful read.
struct FileContent {
    std::unique_ptr<uint8_t[]> m_pFileData;
    int32_t m_nFileLen = 0;
};

// What ReadCurrentFile found; the record's fields say the same.
enum class ReadResult {
    CannotRead,     // not opened, too large or not read: a message was shown
    NoExif,         // read, but no "Exif" in the first 200 bytes
    NoTiffHeader,   // "Exif" found, but no TIFF header after it
    Ifd0Outside,    // TIFF header found, but the 0th IFD's count is not inside
    Analysed,       // the 0th IFD was walked (even with 0 entries)
};

// Clears the record, reads the file whole into `content` and analyses it.
// On an open or read failure a message is shown, the record stays all zero,
// `content` keeps the previous file and the result is CannotRead. A file
// too large for 32-bit offsets is refused the same way.
ReadResult ReadCurrentFile(const char* path, ExifAnalysis& a, FileContent& content,
                           const TagNameTable& tags);

// Fills a cleared record from the content. True when the 0th IFD was
// walked (even with 0 entries); false without "Exif", without a TIFF header
// or when the 0th IFD's count is not inside the content.
bool AnalyzeExif(ExifAnalysis& a, const uint8_t* data, int32_t len, const TagNameTable& tags);
// How much of the record a walk fills: everything the window shows, or
// only the layout (positions, counts, tags, types, values), with no entry
// names, no captured texts or coordinates, and no display texts.
enum class ExifDetail { Shown, Layout };

// The same over a reader (whose content is at most kMaxFileLen bytes).
bool AnalyzeExif(ExifAnalysis& a, const ByteReader& file, const TagNameTable& tags,
                 ExifDetail detail = ExifDetail::Shown);

// Walks the GPS IFD at file offset `pos` (-1: not a position). False when
// its entry count is 0 or cannot be read.
bool AnalyzeGpsIfd(ExifAnalysis& a, const ByteReader& r, int32_t pos,
                   ExifDetail detail = ExifDetail::Shown);

// The name part of an existing file's path, at most 254 bytes, into `out`
// (256 bytes): 1. -1 when no such file (out untouched); 0 when `path` is
// empty or longer than 256 bytes (out emptied).
int FindFileName(char* out, const char* path);
