#include "platform/Text.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>

namespace plat {
namespace {

const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

// The converter of one direction for this thread, opened once (opening
// costs more than converting a short text) and reset before each use.
iconv_t Converter(bool toUtf8) {
    struct Holder {
        iconv_t cd = kNoConverter;
        ~Holder() {
            if (cd != kNoConverter) iconv_close(cd);
        }
    };
    thread_local Holder toUtf8Holder, fromUtf8Holder;
    Holder& h = toUtf8 ? toUtf8Holder : fromUtf8Holder;
    if (h.cd == kNoConverter)
        h.cd = toUtf8 ? iconv_open("UTF-8", "CP932") : iconv_open("CP932", "UTF-8");
    else
        iconv(h.cd, nullptr, nullptr, nullptr, nullptr);
    return h.cd;
}

// One iconv conversion. With `replaceInvalid`, an undecodable input byte is
// skipped and U+FFFD written in its place; otherwise the conversion fails.
bool Convert(bool toUtf8, std::string_view in, std::string& out, bool replaceInvalid) {
    iconv_t cd = Converter(toUtf8);
    if (cd == kNoConverter) return false;
    std::string result;
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    char buf[1024];
    bool ok = true;
    while (srcLeft > 0) {
        char* dst = buf;
        size_t dstLeft = sizeof buf;
        size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        result.append(buf, static_cast<size_t>(dst - buf));
        if (r != static_cast<size_t>(-1)) continue;
        if (errno == E2BIG) continue;
        if (!replaceInvalid) { ok = false; break; }
        // EILSEQ or EINVAL (a lead byte at the very end): drop one byte.
        result.append("\xEF\xBF\xBD");
        ++src;
        --srcLeft;
    }
    if (ok) out.swap(result);
    return ok;
}

// CP932's single bytes below 0x80 are ASCII, and most texts (and paths) are
// only that: they need no conversion, and a program that meets no other
// text never loads the converter.
bool IsAscii(std::string_view s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return (c & 0x80) == 0; });
}

}  // namespace

std::string Cp932ToUtf8(std::string_view cp932) {
    if (IsAscii(cp932)) return std::string(cp932);
    std::string out;
    Convert(true, cp932, out, true);
    return out;
}

// iconv maps a few characters one way only (U+00A5 YEN SIGN to 0x5C, the
// backslash; U+2014 to the CP932 dash that reads back as U+2015): such a
// text would come back as a different one, a path as another file, so only
// a text that converts back unchanged is taken.
bool Utf8ToCp932(std::string_view utf8, std::string& out) {
    if (IsAscii(utf8)) {
        out.assign(utf8);
        return true;
    }
    std::string cp932;
    if (!Convert(false, utf8, cp932, false) || Cp932ToUtf8(cp932) != utf8) return false;
    out.swap(cp932);
    return true;
}

}  // namespace plat
