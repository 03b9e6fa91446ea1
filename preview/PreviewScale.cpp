#include "preview/PreviewScale.h"

#include <cstring>
#include <new>

double FitScale(int32_t boxW, int32_t boxH, int32_t picW, int32_t picH) {
    if (picW <= 0 || picH <= 0) return 1.0;
    const double rw = static_cast<double>(boxW) / picW;
    const double rh = static_cast<double>(boxH) / picH;
    return rh <= rw ? rh : rw;
}

namespace {

// Source index of destination index i, kept inside [0, n) at the two ends.
int32_t SourceIndex(int32_t i, int32_t outN, int32_t n, double s) {
    auto src = static_cast<int32_t>((i - 0.5 * outN + 0.5 * (n - 1) * s) / s);
    if (i == 0 && src < 0) src = 0;
    if (i == outN - 1 && src >= n) src = n - 1;
    return src;
}

}  // namespace

std::unique_ptr<uint8_t[]> ResampleToBgr(const uint8_t* rgb, int32_t w, int32_t h, double scale,
                                         int32_t& outW, int32_t& outH) {
    outW = outH = 0;
    if (rgb == nullptr || w <= 0 || h <= 0 || !(scale > 0)) return nullptr;
    const double fw = w * scale, fh = h * scale;
    if (fw < 1 || fh < 1 || fw > 1e5 || fh > 1e5) return nullptr;
    const auto pw = static_cast<int32_t>(fw), ph = static_cast<int32_t>(fh);
    std::unique_ptr<uint8_t[]> out(new (std::nothrow) uint8_t[static_cast<size_t>(pw) * ph * 3]);
    if (!out) return nullptr;
    // The column mapping is the same for every row: compute it once.
    std::unique_ptr<int32_t[]> sxOf(new (std::nothrow) int32_t[static_cast<size_t>(pw)]);
    if (!sxOf) return nullptr;
    for (int32_t x = 0; x < pw; ++x) sxOf[x] = SourceIndex(x, pw, w, scale);
    uint8_t* d = out.get();
    for (int32_t y = 0; y < ph; ++y) {
        const int32_t sy = SourceIndex(y, ph, h, scale);
        const uint8_t* row = rgb + static_cast<size_t>(sy) * w * 3;
        for (int32_t x = 0; x < pw; ++x, d += 3) {
            const uint8_t* s = row + static_cast<size_t>(sxOf[x]) * 3;
            d[0] = s[2];
            d[1] = s[1];
            d[2] = s[0];
        }
    }
    outW = pw;
    outH = ph;
    return out;
}

int32_t DrawnBits(int32_t displayBits) {
    return displayBits == 16 || displayBits == 24 ? displayBits : 32;
}

int32_t DisplayStride(int32_t bits, int32_t width) {
    switch (DrawnBits(bits)) {
    case 16: return width * 2;
    case 24: return width * 3 + (width * 3) % 2;
    default: return width * 4;
    }
}

void ConvertPixels(uint8_t* dst, const uint8_t* bgr, int32_t w, int32_t h, int32_t stride,
                   int32_t bits) {
    const int32_t drawn = DrawnBits(bits);
    for (int32_t y = 0; y < h; ++y) {
        const uint8_t* s = bgr + static_cast<size_t>(y) * w * 3;
        uint8_t* d = dst + static_cast<size_t>(y) * stride;
        if (drawn == 24) {
            std::memcpy(d, s, static_cast<size_t>(w) * 3);
        } else if (drawn == 16) {
            for (int32_t x = 0; x < w; ++x, s += 3, d += 2) {
                d[0] = static_cast<uint8_t>((((s[1] >> 2) << 5) & 0xE0) | (s[0] >> 3));
                d[1] = static_cast<uint8_t>((s[1] >> 5) | (s[2] & 0xF8));
            }
        } else {
            for (int32_t x = 0; x < w; ++x, s += 3, d += 4) {
                d[0] = s[0];
                d[1] = s[1];
                d[2] = s[2];
                d[3] = 0;
            }
        }
    }
}
