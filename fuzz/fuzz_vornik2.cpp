// The conversion library's decoding of a JPEG in memory, with a small pixel
// limit so that each input decodes quickly: a failure leaves the caller's
// picture as it was; a success gives a picture of a size within the limit
// whose every byte is written, the same on a second decoding.
#include "fuzz/FuzzCheck.h"
#include "preview/vornik2/Decode.h"

#include <sanitizer/allocator_interface.h>

#include <cstring>

namespace {

constexpr int64_t kMaxPixels = 1 << 16;

// While a decoding runs, every block it takes is filled with a byte of its
// own, another for each of the two decodings: a byte the decoder never
// wrote then differs between them, with this input alone, whatever the
// memory held before. (The decoder takes its blocks with malloc and new;
// a fill would undo a large calloc's zeros.)
volatile int g_fill = -1;

void FillFresh(const volatile void* block, size_t size) {
    const int fill = g_fill;
    if (fill >= 0) std::memset(const_cast<void*>(block), fill, size);
}

// The allocator takes its hooks only in pairs.
void Freed(const volatile void*) {}

int32_t DecodeFilled(std::span<const uint8_t> jpeg, vornik2::Picture& out, int fill) {
    g_fill = fill;
    const int32_t rc = vornik2::DecodeJpeg(jpeg, kMaxPixels, out);
    g_fill = -1;
    return rc;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FUZZ_CHECK(__sanitizer_install_malloc_and_free_hooks(FillFresh, Freed) != 0);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> jpeg(data, size);
    vornik2::Picture p;
    p.width = -7;
    const int32_t rc = DecodeFilled(jpeg, p, 0x11);
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
    FUZZ_CHECK(DecodeFilled(jpeg, again, 0xEE) == 0);
    FUZZ_CHECK(again.width == p.width && again.height == p.height);
    const size_t bytes = static_cast<size_t>(p.width) * static_cast<size_t>(p.height) * 3;
    FUZZ_CHECK(std::memcmp(p.rgb.get(), again.rgb.get(), bytes) == 0);
    return 0;
}
