// Encodes test pictures as JPEG with libjpeg-turbo: colour, grayscale,
// CMYK (Adobe, as TurboJPEG writes it) and progressive.
#pragma once
#include <cstdint>
#include <vector>

namespace testjpeg {

enum class JpegKind { Rgb, Gray, Cmyk, Progressive };

// `rgb` holds w x h pixels of red, green, blue. Empty on failure.
std::vector<uint8_t> EncodeJpeg(const std::vector<uint8_t>& rgb, int w, int h, JpegKind kind,
                                int quality = 95);

// A w x h picture of one colour.
std::vector<uint8_t> SolidRgb(int w, int h, uint8_t r, uint8_t g, uint8_t b);

}  // namespace testjpeg
