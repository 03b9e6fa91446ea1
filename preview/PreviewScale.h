// Fitting the picture into the picture box, and turning the scaled picture
// into the display's pixel format. Pure pixel work, no window.
#pragma once
#include <cstdint>
#include <memory>

// The smaller of box/picture in each direction; pictures smaller than the
// box are enlarged.
double FitScale(int32_t boxW, int32_t boxH, int32_t picW, int32_t picH);

// Nearest-pixel, centred resampling of `rgb` (w x h, red-green-blue) by
// `scale` into blue-green-red pixels. Sets outW/outH; null with 0 x 0 when
// the result is empty or cannot be allocated.
std::unique_ptr<uint8_t[]> ResampleToBgr(const uint8_t* rgb, int32_t w, int32_t h, double scale,
                                         int32_t& outW, int32_t& outH);

// Bytes per row of the display buffer for a depth (16, 24 with rows padded
// to even, 32; any other depth is drawn as 32).
int32_t DisplayStride(int32_t bits, int32_t width);
// The depth a display depth is drawn with.
int32_t DrawnBits(int32_t displayBits);

// Fills `dst` (stride x h bytes) from packed blue-green-red pixels.
void ConvertPixels(uint8_t* dst, const uint8_t* bgr, int32_t w, int32_t h, int32_t stride,
                   int32_t bits);
