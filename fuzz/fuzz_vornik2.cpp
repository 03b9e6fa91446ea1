// The conversion library's decoding of a JPEG in memory, with a small pixel
// limit so that each input decodes quickly: a failure leaves the caller's
// picture as it was; a success gives a picture of a size within the limit
// whose every byte is written, the same on a second decoding.
#include "fuzz/FuzzCheck.h"
#include "preview/vornik2/Decode.h"

#include <cstring>

namespace {

constexpr int64_t kMaxPixels = 1 << 16;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> jpeg(data, size);
    vornik2::Picture p;
    p.width = -7;
    const int32_t rc = vornik2::DecodeJpeg(jpeg, kMaxPixels, p);
    FUZZ_CHECK(rc == 0 || rc == -4);
    if (rc != 0) {
        FUZZ_CHECK(p.rgb == nullptr && p.width == -7 && p.height == 0);
        return 0;
    }
    FUZZ_CHECK(p.rgb != nullptr && p.width > 0 && p.height > 0);
    FUZZ_CHECK(int64_t{p.width} * p.height <= kMaxPixels);
    // Decoding is a function of the bytes alone: rows the decoder never
    // reached must have been filled, not left as they were allocated.
    vornik2::Picture again;
    FUZZ_CHECK(vornik2::DecodeJpeg(jpeg, kMaxPixels, again) == 0);
    FUZZ_CHECK(again.width == p.width && again.height == p.height);
    const size_t bytes = static_cast<size_t>(p.width) * static_cast<size_t>(p.height) * 3;
    FUZZ_CHECK(std::memcmp(p.rgb.get(), again.rgb.get(), bytes) == 0);
    return 0;
}
