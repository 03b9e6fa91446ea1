// Taking a whole file into memory, bounded: the one way the program reads a
// file's content (the analysis, the writer's second reading, the tag table
// and the conversion library).
#pragma once
#include <cstdint>
#include <memory>

namespace plat {

enum class ReadStatus {
    Ok,
    CannotOpen,  // missing, not permitted, not a regular file (folder, FIFO,
                 // device), or a path the file system cannot take
    TooLarge,    // larger than the caller's limit; nothing allocated or read
    NoMemory,    // the buffer could not be allocated
    ReadError,   // the system failed a read
};

// A file's content: `len` bytes, followed by one spare byte that belongs to
// the buffer but not to the content.
struct FileBytes {
    std::unique_ptr<uint8_t[]> data;
    int64_t len = 0;
    // The file changed size while it was read: it shrank (`len` holds what
    // was there) or grew (`len` is its size when opened; the rest is not
    // taken).
    bool changed = false;
};

// Reads the regular file at `path` (CP932) whole, if its size is at most
// `maxLen` (0 <= maxLen < INT64_MAX). Only with Ok is `out` replaced; with
// any other status it stays as it was.
ReadStatus ReadWholeFile(const char* path, int64_t maxLen, FileBytes& out);

}  // namespace plat
