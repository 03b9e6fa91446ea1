// The conversion library's decoding of a JPEG held in memory, apart from
// the file and from the two exported calls (hidden in the library).
#pragma once
#include <cstdint>
#include <memory>
#include <span>

namespace vornik2 {

// A converted picture: width x height x 3 bytes, red, green, blue, top row
// first, rows packed.
struct Picture {
    std::unique_ptr<uint8_t[]> rgb;
    int32_t width = 0, height = 0;
};

// Decodes `jpeg` into `out` unless its picture holds more than `maxPixels`
// pixels. 0 on success; -3 when no decoder can be had; -4 when the picture
// is empty, too large or rejected by the decoder (`out` is then untouched).
// Rows of a damaged stream that the decoder does not reach are grey (0x80).
int32_t DecodeJpeg(std::span<const uint8_t> jpeg, int64_t maxPixels, Picture& out);

}  // namespace vornik2
