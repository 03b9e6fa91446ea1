#include "locate/payload/Brotli.h"

#include <brotli/decode.h>
#include <brotli/encode.h>

#include <memory>

namespace {

constexpr int64_t kMaxMetadata = int64_t{1} << 24;  // the most one metadata block holds
constexpr size_t kBestQualityUpTo = size_t{1} << 20;  // larger contents take a faster quality

struct EncoderFree {
    void operator()(BrotliEncoderState* s) const { BrotliEncoderDestroyInstance(s); }
};
struct DecoderFree {
    void operator()(BrotliDecoderState* s) const { BrotliDecoderDestroyInstance(s); }
};
using Encoder = std::unique_ptr<BrotliEncoderState, EncoderFree>;

// Runs one operation over `in` (all of it), appending what comes out.
bool Run(BrotliEncoderState* s, BrotliEncoderOperation op, const uint8_t* in, size_t n, std::vector<uint8_t>& out) {
    size_t availIn = n;
    const uint8_t* nextIn = in;
    uint8_t buf[16384];
    do {
        size_t availOut = sizeof buf;
        uint8_t* nextOut = buf;
        if (!BrotliEncoderCompressStream(s, op, &availIn, &nextIn, &availOut, &nextOut, nullptr)) return false;
        out.insert(out.end(), buf, nextOut);
    } while (availIn > 0 || BrotliEncoderHasMoreOutput(s));
    return true;
}

// The content flushed to a byte boundary, then (with pad >= 0) a metadata
// block of pad zero bytes, then the last block.
bool Encode(const std::vector<uint8_t>& content, int64_t pad, std::vector<uint8_t>& out) {
    out.clear();
    Encoder s(BrotliEncoderCreateInstance(nullptr, nullptr, nullptr));
    if (!s) return false;
    const uint32_t quality = content.size() <= kBestQualityUpTo ? BROTLI_MAX_QUALITY : 9;
    BrotliEncoderSetParameter(s.get(), BROTLI_PARAM_QUALITY, quality);
    BrotliEncoderSetParameter(s.get(), BROTLI_PARAM_SIZE_HINT, static_cast<uint32_t>(content.size()));
    if (!Run(s.get(), BROTLI_OPERATION_FLUSH, content.data(), content.size(), out)) return false;
    if (pad >= 0) {
        const std::vector<uint8_t> zeros(static_cast<size_t>(pad), 0);
        if (!Run(s.get(), BROTLI_OPERATION_EMIT_METADATA, zeros.data(), zeros.size(), out)) return false;
    }
    return Run(s.get(), BROTLI_OPERATION_FINISH, nullptr, 0, out) && BrotliEncoderIsFinished(s.get());
}

}  // namespace

bool BrotliDecode(const uint8_t* in, int64_t n, int64_t maxOut, std::vector<uint8_t>& out) {
    out.clear();
    if (in == nullptr || n <= 0) return false;
    std::unique_ptr<BrotliDecoderState, DecoderFree> s(BrotliDecoderCreateInstance(nullptr, nullptr, nullptr));
    if (!s) return false;
    size_t availIn = static_cast<size_t>(n);
    const uint8_t* nextIn = in;
    uint8_t buf[16384];
    for (;;) {
        size_t availOut = sizeof buf;
        uint8_t* nextOut = buf;
        const BrotliDecoderResult rc =
            BrotliDecoderDecompressStream(s.get(), &availIn, &nextIn, &availOut, &nextOut, nullptr);
        const auto got = static_cast<size_t>(nextOut - buf);
        if (static_cast<int64_t>(out.size() + got) > maxOut) return false;
        out.insert(out.end(), buf, nextOut);
        if (rc == BROTLI_DECODER_RESULT_SUCCESS) return availIn == 0;
        if (rc != BROTLI_DECODER_RESULT_NEEDS_MORE_OUTPUT) return false;  // damaged, or cut short
    }
}

bool BrotliToLength(const std::vector<uint8_t>& content, int64_t len, std::vector<uint8_t>& out) {
    std::vector<uint8_t> bare;
    if (!Encode(content, -1, bare)) return false;
    const int64_t room = len - static_cast<int64_t>(bare.size());
    if (room == 0) {
        out.swap(bare);
        return true;
    }
    // A metadata block takes a header of one to four bytes besides its
    // bytes; the pad that comes out at the length is looked for below the room.
    for (int64_t header = 1; header <= 5 && room - header >= 0; ++header) {
        const int64_t pad = room - header;
        if (pad > kMaxMetadata) return false;
        if (Encode(content, pad, out) && static_cast<int64_t>(out.size()) == len) return true;
    }
    out.clear();
    return false;
}
