// Making the GPS information of a JPEG unreadable: zeroing chosen bytes of
// the GPS IFD at the positions the analysis recorded, and writing the
// result so that a failure never costs the original file.
#pragma once
#include "exif/ExifAnalysis.h"

#include <cstdint>
#include <memory>
#include <string>

// The whole content of a file as read again for writing.
struct FileBuffer {
    std::unique_ptr<uint8_t[]> data;
    int64_t len = 0;
};

// True when the analysis describes a GPS IFD (state 1) whose count and
// processed entries all lie inside a file of `len` bytes, at the places the
// IFD's own position gives them, after the TIFF header. Only then may
// InvalidateGpsBytes patch anything.
bool GpsPatchFits(const ExifAnalysis& a, int64_t len);

// GpsPatchFits, and moreover the GPS IFD's patched bytes lie inside the
// Exif APP1 segment that holds the TIFF header and share no byte with the
// 0th IFD's entry table: a crafted position can then never make the patch
// zero the picture or the 0th IFD. InvalidateGpsBytes and
// WipeGpsValueBytes change nothing unless this holds.
bool GpsPatchSafe(const ExifAnalysis& a, const uint8_t* buf, int64_t len);

// Zeroes, in `buf` (the whole file, `len` bytes):
// - with clearEntries == 1: the GPS IFD's entry count at m_nGpsPos and the
//   tag (bytes 0-1) of each processed entry;
// - with clearLatLon == 1: bytes 2-11 (type, count, value/offset) of each
//   processed entry.
// Entries beyond the processed ones and every other byte stay. The options
// count only when they are exactly 1. When GpsPatchSafe is false nothing
// changes and the result is false; otherwise true.
bool InvalidateGpsBytes(uint8_t* buf, int64_t len, int32_t clearEntries, const ExifAnalysis& a,
                        int32_t clearLatLon);

// Also zeroes the values the processed GPS entries point to (rationals,
// time, date and other values longer than 4 bytes), each cut to the TIFF
// block that holds the IFD (its APP1 segment when that can be read, else
// the file). Call before InvalidateGpsBytes or after it: positions come from
// the analysis. Returns the number of bytes zeroed; 0 when GpsPatchSafe is
// false.
int64_t WipeGpsValueBytes(uint8_t* buf, int64_t len, const ExifAnalysis& a);

enum class ReadAgainResult {
    Ok,
    CannotRead,  // cannot be opened or read whole, or too large
    Changed,     // readable, but not the content that was analysed
};

// Reads the file at `path` (CP932) whole into `out`. With `analysed`
// non-null, the result is Changed unless the file holds exactly those
// `analysedLen` bytes.
ReadAgainResult ReadFileAgain(const char* path, FileBuffer& out, const uint8_t* analysed,
                              int64_t analysedLen);

// Writes `len` bytes to `target` (CP932) without ever leaving it half
// written: the bytes go to a new temporary file in the target's folder,
// which is flushed to the disk and then renamed over the target. An
// existing target that may not be written (read-only, a folder) is refused
// first and keeps its permissions otherwise. False when any step fails;
// the target is then as it was and no temporary file is left.
bool WriteFileSafely(const char* target, const uint8_t* data, int64_t len);

// Writes the window's result `now` (`len` bytes) to `target` (CP932). When
// `target` leads to the analysed file `current` itself (same file, whatever
// name), only the bytes that differ from `was` (the analysed content) are
// written into it and flushed: links, owner and permissions stay, and the
// picture is never rewritten. Otherwise through WriteFileSafely, at the file
// the name leads to (a symbolic link stays a link).
bool WriteGpsResult(const char* target, const char* current, const uint8_t* was,
                    const uint8_t* now, int64_t len);

// The path the temporary file of a write to `target` gets for `attempt`:
// a hidden name beside the target.
std::string TemporaryPathFor(const std::string& target, int attempt);

// Asks before a file at `path` is replaced: true when there is none there,
// or when the user answers Yes to "ファイルが存在します。書き換えてもいいですか？"
// with the caption "指定DF[path]".
bool ConfirmOverwrite(const char* path);
