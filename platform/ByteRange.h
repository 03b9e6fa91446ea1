// A range of a file's bytes: `len` bytes from offset `pos`. The one range
// type of the program: segments, payload pieces, strip writes, changed
// runs. 64-bit; checked against the content before use.
#pragma once
#include <cstdint>

struct ByteRange {
    int64_t pos = 0;
    int64_t len = 0;

    int64_t End() const { return pos + len; }
};
