// The decimal/hexadecimal converter against a reference model written from
// its rules, not from its code: the input is taken up to its first NUL and
// to 255 bytes without splitting a double-byte character; a double-byte
// character is never a digit; decimal takes '0'..'9' and stops at a space
// after a digit; hexadecimal takes every hexadecimal digit in any case;
// both wrap modulo 2^32; the decimal result is the signed 32-bit pattern.
#include "fuzz/FuzzCheck.h"
#include "tools/HexConvert.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {

bool Lead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// The characters the converter sees: single bytes as themselves, each
// double-byte character (or a lead byte left alone at the end) as -1.
std::vector<int> Characters(std::string_view text) {
    text = text.substr(0, text.find('\0'));
    std::vector<int> chars;
    size_t used = 0;
    for (size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        const size_t width = Lead(c) && i + 1 < text.size() ? 2 : 1;
        if (used + width > 255) break;
        chars.push_back(Lead(c) ? -1 : c);
        used += width;
        i += width;
    }
    return chars;
}

std::string Hex(uint32_t v) {
    std::string s;
    do {
        s.insert(s.begin(), "0123456789ABCDEF"[v % 16]);
        v /= 16;
    } while (v != 0);
    return s;
}

std::string SignedDecimal(uint32_t v) {
    const bool negative = v >= 0x80000000u;
    uint32_t magnitude = negative ? 0u - v : v;
    std::string s;
    do {
        s.insert(s.begin(), static_cast<char>('0' + magnitude % 10));
        magnitude /= 10;
    } while (magnitude != 0);
    return negative ? "-" + s : s;
}

HexConvertResult DecToHexModel(std::string_view text) {
    HexConvertResult r;
    uint32_t v = 0;
    for (int c : Characters(text)) {
        if (c == ' ' && r.m_bDigits) break;
        if (c < '0' || c > '9') continue;
        v = v * 10 + static_cast<uint32_t>(c - '0');
        r.m_bDigits = true;
    }
    r.m_str = Hex(v);
    return r;
}

HexConvertResult HexToDecModel(std::string_view text) {
    HexConvertResult r;
    uint32_t v = 0;
    for (int c : Characters(text)) {
        const std::string_view digits = "0123456789ABCDEF0123456789abcdef";
        const size_t at = c < 0 ? std::string_view::npos : digits.find(static_cast<char>(c));
        if (at == std::string_view::npos) continue;
        v = v * 16 + static_cast<uint32_t>(at % 16);
        r.m_bDigits = true;
    }
    r.m_str = SignedDecimal(v);
    return r;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const HexConvertResult dec = ConvertDecToHex(text), decModel = DecToHexModel(text);
    FUZZ_CHECK(dec.m_bDigits == decModel.m_bDigits && dec.m_str == decModel.m_str);
    const HexConvertResult hex = ConvertHexToDec(text), hexModel = HexToDecModel(text);
    FUZZ_CHECK(hex.m_bDigits == hexModel.m_bDigits && hex.m_str == hexModel.m_str);
    // A non-negative result converted back gives the first result again.
    const std::string back = ConvertHexToDec(dec.m_str).m_str;
    if (back[0] != '-') FUZZ_CHECK(ConvertDecToHex(back).m_str == dec.m_str);
    return 0;
}
