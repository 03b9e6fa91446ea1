// Prints what the text conversions make of every one- and two-byte CP932
// sequence and of every Unicode character, one line each, so that two
// builds (iconv on POSIX, the code page tables on Windows) can be compared
// byte for byte: tamlix_text_table > table.txt
#include "platform/Text.h"

#include <cstdio>
#include <string>

namespace {

void PutHex(const std::string& s) {
    for (unsigned char c : s) std::printf("%02X", c);
}

void DecodeLine(const std::string& cp932) {
    PutHex(cp932);
    std::fputs(" -> ", stdout);
    PutHex(plat::Cp932ToUtf8(cp932));
    std::fputc('\n', stdout);
}

std::string Utf8Of(unsigned cp) {
    std::string s;
    if (cp < 0x80) {
        s += static_cast<char>(cp);
    } else if (cp < 0x800) {
        s += static_cast<char>(0xC0 | cp >> 6);
        s += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        s += static_cast<char>(0xE0 | cp >> 12);
        s += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        s += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        s += static_cast<char>(0xF0 | cp >> 18);
        s += static_cast<char>(0x80 | (cp >> 12 & 0x3F));
        s += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        s += static_cast<char>(0x80 | (cp & 0x3F));
    }
    return s;
}

}  // namespace

int main() {
    for (unsigned a = 0; a < 0x100; ++a) {
        DecodeLine(std::string(1, static_cast<char>(a)));
        if (!plat::IsCp932Lead(static_cast<unsigned char>(a))) continue;
        for (unsigned b = 0; b < 0x100; ++b)
            DecodeLine({static_cast<char>(a), static_cast<char>(b)});
    }
    // Every character outside the surrogates, and a few beyond the BMP.
    for (unsigned cp = 1; cp < 0x10000 + 4; ++cp) {
        if (cp >= 0xD800 && cp < 0xE000) continue;
        std::string out;
        std::printf("U+%04X -> ", cp);
        if (plat::Utf8ToCp932(Utf8Of(cp), out)) PutHex(out);
        else std::fputc('-', stdout);
        std::fputc('\n', stdout);
    }
    // Text that is not UTF-8 is refused.
    for (const char* bad : {"\x80", "\xC3", "\xED\xA0\x80", "\xF8\x88\x80\x80\x80", "\xC0\xAF"}) {
        std::string out;
        PutHex(bad);
        std::printf(" => %s\n", plat::Utf8ToCp932(bad, out) ? "taken" : "refused");
    }
    return 0;
}
