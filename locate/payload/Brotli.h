// Brotli streams (RFC 7932), as JPEG XL keeps its compressed metadata
// boxes: read, and written back at exactly the length they had.
//
// A stripped content is compressed anew at the best quality and flushed to
// a byte boundary; a metadata block (which decoders skip) of as many zero
// bytes as it takes, and the last, empty, block fill the stream's old
// length. The content then reads exactly as the stripped one.
#pragma once
#include <cstdint>
#include <vector>

// Decodes the n bytes at `in` into `out` (at most maxOut bytes). False when
// the stream is damaged, decodes to more, or does not end exactly at n.
bool BrotliDecode(const uint8_t* in, int64_t n, int64_t maxOut, std::vector<uint8_t>& out);

// Compresses `content` into exactly `len` bytes. False when even the best
// compression does not fit.
bool BrotliToLength(const std::vector<uint8_t>& content, int64_t len, std::vector<uint8_t>& out);
