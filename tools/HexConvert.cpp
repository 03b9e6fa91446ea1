#include "tools/HexConvert.h"

#include "platform/Text.h"

#include <cstdint>
#include <cstdio>

namespace {

constexpr size_t kWorkSize = 256;  // 255 bytes and the terminator

// The input's working copy: at most 255 bytes, cut before a split character.
std::string WorkingCopy(std::string_view text) {
    char buf[kWorkSize];
    const size_t n = plat::CopyCp932Cut(buf, sizeof buf, text.data(), text.size());
    return std::string(buf, n);
}

// Calls `take(byte)` for every single-byte character in order; stops when it
// returns false. The trail byte of a double-byte character is never seen.
template <class F>
void ForEachSingleByte(const std::string& s, F take) {
    for (size_t i = 0; i < s.size(); ++i) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (plat::IsCp932Lead(c)) {
            ++i;
            continue;
        }
        if (!take(c)) return;
    }
}

}  // namespace

HexConvertResult ConvertDecToHex(std::string_view dec) {
    HexConvertResult r;
    uint32_t value = 0;
    ForEachSingleByte(WorkingCopy(dec), [&](unsigned char c) {
        if (c >= '0' && c <= '9') {
            value = value * 10u + (c - '0');
            r.m_bDigits = true;
        } else if (c == ' ' && r.m_bDigits) {
            return false;
        }
        return true;
    });
    char out[16];
    std::snprintf(out, sizeof out, "%X", static_cast<unsigned>(value));
    r.m_str = out;
    return r;
}

HexConvertResult ConvertHexToDec(std::string_view hex) {
    HexConvertResult r;
    uint32_t value = 0;
    ForEachSingleByte(WorkingCopy(hex), [&](unsigned char c) {
        int digit = -1;
        if (c >= '0' && c <= '9') digit = c - '0';
        else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
        else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
        if (digit >= 0) {
            value = value * 16u + static_cast<uint32_t>(digit);
            r.m_bDigits = true;
        }
        return true;
    });
    char out[16];
    std::snprintf(out, sizeof out, "%d", static_cast<int32_t>(value));
    r.m_str = out;
    return r;
}
