// Compressed metadata (XMP items, PNG text chunks): zlib streams and raw
// deflate (and Brotli, see Brotli.h), read, and written back at exactly
// the length they had.
//
// A stripped content is compressed anew with the best compression, flushed
// to a byte boundary, and followed by a final stored block holding as many
// pad bytes (whitespace, which XMP and hex text readers skip) as it takes
// to fill the stream's old length. The content then reads as before with
// the positions blanked and some whitespace at its end.
#pragma once
#include <cstdint>
#include <vector>

enum class Deflated : uint8_t {
    Zlib,  // RFC 1950: a 2-byte header, deflate, the Adler-32 of the content
    Raw,   // RFC 1951 alone
    Brotli,  // RFC 7932 (JPEG XL's boxes): see Brotli.h; `pad` is not used
};

// Inflates the n bytes at `in` into `out` (at most maxOut bytes). False
// when the stream is damaged, inflates to more, or does not end within n.
// `used`, when given, gets how many of the n bytes the stream took.
bool Inflate(const uint8_t* in, int64_t n, Deflated form, int64_t maxOut, std::vector<uint8_t>& out,
             int64_t* used = nullptr);

// Compresses `content` into exactly `len` bytes, padding the content with
// `pad`. False when even the best compression does not fit.
bool DeflateToLength(const std::vector<uint8_t>& content, Deflated form, int64_t len, uint8_t pad,
                     std::vector<uint8_t>& out);
