// The two conversions of the decimal/hexadecimal converter, on CP932 text.
// Each takes the first 255 bytes of the input (never splitting a double-byte
// character) and reads digits from it; the value wraps modulo 2^32.
#pragma once
#include <string>
#include <string_view>

struct HexConvertResult {
    bool m_bDigits = false;  // false: the input held no digit (result is "0")
    std::string m_str;       // the converted number
};

// Decimal -> hexadecimal ("%X"). '0'..'9' are taken; a space ends the number
// once a digit has been taken; every other byte is skipped ("-5" gives "5",
// "1,000" gives "3E8").
HexConvertResult ConvertDecToHex(std::string_view dec);

// Hexadecimal -> decimal ("%d" of the signed 32-bit pattern). '0'..'9',
// 'A'..'F' and 'a'..'f' are taken; everything else, spaces included, is
// skipped, so "12 34" equals "1234" and "0x10" gives "16".
HexConvertResult ConvertHexToDec(std::string_view hex);

// Double-byte characters are skipped whole in both directions: a trail byte
// may equal 'A'..'F' (as in "ア"), but it is not a digit.
