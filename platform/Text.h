// Text conversion between the program's own encoding (code page 932, the
// Shift-JIS family) and UTF-8, which the terminal and the file system use.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

namespace plat {

// CP932 -> UTF-8. Bytes that are not valid CP932 become U+FFFD; never fails.
std::string Cp932ToUtf8(std::string_view cp932);

// UTF-8 -> CP932. False (and `out` untouched) when the text holds a
// character that CP932 cannot represent, is not valid UTF-8, or would not
// read back as the same text.
bool Utf8ToCp932(std::string_view utf8, std::string& out);

// Copies at most `cap - 1` bytes of `src` (stopping early at a NUL) into
// `dst` and terminates it, never splitting a CP932 double-byte character.
// `cap` must be at least 1. Returns the number of bytes copied.
size_t CopyCp932Cut(char* dst, size_t cap, const char* src, size_t srcLen);

// True for a byte that starts a CP932 double-byte character.
inline bool IsCp932Lead(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

}  // namespace plat
