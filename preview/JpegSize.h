// The picture size from a JPEG's frame header, without decoding pixels.
#pragma once
#include <cstdint>

// False when the data is not a JPEG stream whose header libjpeg-turbo can
// read; width and height are then 0. A header read with a warning (stray
// bytes before a marker, or data that ends too soon) still gives the size,
// as the preview takes it; `warned` tells the caller, who may have handed
// over only the start of a file.
bool ReadJpegSize(const uint8_t* data, int64_t len, int32_t& width, int32_t& height,
                  bool* warned = nullptr);
