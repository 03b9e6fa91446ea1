// The CRC of an Ogg page: CRC-32 with the polynomial 0x04C11DB7, taken
// most significant bit first, from 0 and not inverted (unlike zlib's), over
// the whole page with its CRC field as zeros.
#pragma once
#include <array>
#include <cstdint>

namespace ogg_detail {
constexpr std::array<uint32_t, 256> MakeTable() {
    std::array<uint32_t, 256> t{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t r = i << 24;
        for (int k = 0; k < 8; ++k) r = (r & 0x80000000u) ? (r << 1) ^ 0x04C11DB7u : r << 1;
        t[i] = r;
    }
    return t;
}
inline constexpr std::array<uint32_t, 256> kTable = MakeTable();
}  // namespace ogg_detail

// The CRC `crc` continued over the n bytes at p.
inline uint32_t OggCrc(uint32_t crc, const uint8_t* p, int64_t n) {
    for (int64_t i = 0; i < n; ++i) crc = (crc << 8) ^ ogg_detail::kTable[((crc >> 24) ^ p[i]) & 0xFF];
    return crc;
}
