// Four-letter codes (box types, chunk types) as numbers, and a test
// against a list of them: the containers that name their parts so share
// one spelling.
#pragma once
#include <algorithm>
#include <cstdint>
#include <initializer_list>

// A four-letter code as the big-endian number of its letters, "moov" -> 0x6D6F6F76.
constexpr uint32_t Fourcc(const char (&s)[5]) {
    return uint32_t{static_cast<uint8_t>(s[0])} << 24 | uint32_t{static_cast<uint8_t>(s[1])} << 16 |
           uint32_t{static_cast<uint8_t>(s[2])} << 8 | uint32_t{static_cast<uint8_t>(s[3])};
}

// A byte a writer names a part with: printable ASCII, or the copyright
// sign (0xA9) that starts QuickTime's user-data keys.
constexpr bool FourccLetter(uint8_t c) { return (c >= 0x20 && c < 0x7F) || c == 0xA9; }

// True when all four bytes of a code are such letters: a part a writer
// named, rather than bytes that merely stand where a name would.
constexpr bool FourccInLetters(uint32_t code) {
    return FourccLetter(static_cast<uint8_t>(code >> 24)) && FourccLetter(static_cast<uint8_t>(code >> 16)) &&
           FourccLetter(static_cast<uint8_t>(code >> 8)) && FourccLetter(static_cast<uint8_t>(code));
}

inline bool OneOf(uint32_t code, std::initializer_list<uint32_t> codes) {
    return std::find(codes.begin(), codes.end(), code) != codes.end();
}
