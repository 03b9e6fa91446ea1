// The picture size from a JPEG's frame header, without decoding pixels.
#pragma once
#include <cstdint>

// False when the data is not a JPEG stream whose header libjpeg-turbo can
// read; width and height are then 0.
bool ReadJpegSize(const uint8_t* data, int64_t len, int32_t& width, int32_t& height);
