#include "tools/HexConvert.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Case {
    const char* in;
    const char* out;
};

}  // namespace

// ---- decimal to hexadecimal ----

TEST(DecToHex, TakesDigitsAndFormatsUpperCaseWithoutPrefix) {
    for (const Case& c : {Case{"255", "FF"}, Case{"0", "0"}, Case{"10", "A"},
                          Case{"4294967295", "FFFFFFFF"}, Case{"2147483648", "80000000"}}) {
        const HexConvertResult r = ConvertDecToHex(c.in);
        EXPECT_TRUE(r.m_bDigits) << c.in;
        EXPECT_EQ(r.m_str, c.out) << c.in;
    }
}

TEST(DecToHex, WrapsAroundIn32Bits) {
    EXPECT_EQ(ConvertDecToHex("4294967296").m_str, "0");
    EXPECT_EQ(ConvertDecToHex("4294967297").m_str, "1");
    // 10^20 mod 2^32 = 1661992960 = 0x63100000
    EXPECT_EQ(ConvertDecToHex("100000000000000000000").m_str, "63100000");
}

TEST(DecToHex, SkipsEveryNonDigitButASpaceAfterADigit) {
    EXPECT_EQ(ConvertDecToHex("-5").m_str, "5");
    EXPECT_EQ(ConvertDecToHex("1,000").m_str, "3E8");
    EXPECT_EQ(ConvertDecToHex("12 34").m_str, "C");
    EXPECT_EQ(ConvertDecToHex(" 12 34").m_str, "C");
    EXPECT_EQ(ConvertDecToHex("x1y2 3").m_str, "C");
}

TEST(DecToHex, NoDigitIsReportedAndGivesZero) {
    for (const char* in : {"", "   ", "abc", "-", "１２"}) {
        const HexConvertResult r = ConvertDecToHex(in);
        EXPECT_FALSE(r.m_bDigits) << in;
        EXPECT_EQ(r.m_str, "0") << in;
    }
}

// ---- hexadecimal to decimal ----

TEST(HexToDec, TakesBothLetterCasesAndFormatsSigned) {
    for (const Case& c : {Case{"ff", "255"}, Case{"FF", "255"}, Case{"aB", "171"},
                          Case{"7FFFFFFF", "2147483647"}, Case{"FFFFFFFF", "-1"},
                          Case{"80000000", "-2147483648"}, Case{"0", "0"}}) {
        const HexConvertResult r = ConvertHexToDec(c.in);
        EXPECT_TRUE(r.m_bDigits) << c.in;
        EXPECT_EQ(r.m_str, c.out) << c.in;
    }
}

TEST(HexToDec, SpacesAndOtherBytesAreSkippedWithoutEndingTheNumber) {
    EXPECT_EQ(ConvertHexToDec("12 34").m_str, "4660");
    EXPECT_EQ(ConvertHexToDec("1234").m_str, "4660");
    EXPECT_EQ(ConvertHexToDec(" 1 2 3 4 ").m_str, "4660");
    EXPECT_EQ(ConvertHexToDec("0x10").m_str, "16");
    EXPECT_EQ(ConvertHexToDec("g1h").m_str, "1");
}

TEST(HexToDec, OnlyTheLastEightDigitsCount) {
    EXPECT_EQ(ConvertHexToDec("123456789").m_str, "591751049");
    EXPECT_EQ(ConvertHexToDec("1FFFFFFFF").m_str, "-1");
}

TEST(HexToDec, NoDigitIsReportedAndGivesZero) {
    for (const char* in : {"", "  ", "xyz", "ｇ", "１２"}) {
        const HexConvertResult r = ConvertHexToDec(in);
        EXPECT_FALSE(r.m_bDigits) << in;
        EXPECT_EQ(r.m_str, "0") << in;
    }
}

// A double-byte character's trail byte may equal a hexadecimal letter
// ("ア" is 83 41); it is not a digit.
TEST(HexToDec, DoubleByteCharactersAreNeverDigits) {
    EXPECT_FALSE(ConvertHexToDec("ア").m_bDigits);
    EXPECT_EQ(ConvertHexToDec("1ア2").m_str, "18");
    EXPECT_EQ(ConvertHexToDec("\x83\x41\x83\x42").m_str, "0");
}

// ---- the 255-byte working copy ----

TEST(Conversions, ReadOnlyTheFirst255Bytes) {
    const std::string pad(254, 'x');
    EXPECT_EQ(ConvertHexToDec(pad + "AB").m_str, "10");
    EXPECT_EQ(ConvertDecToHex(pad + "12").m_str, "1");
    EXPECT_FALSE(ConvertHexToDec(std::string(255, 'x') + "F").m_bDigits);
    // A double-byte character across byte 255 is left out whole.
    EXPECT_EQ(ConvertHexToDec(std::string(254, '1') + "ア").m_str,
              ConvertHexToDec(std::string(254, '1')).m_str);
}
