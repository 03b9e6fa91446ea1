// Text conversion through the system's own code page 932 and UTF-8 tables
// (MultiByteToWideChar / WideCharToMultiByte), with the same answers as the
// POSIX build's iconv: an undecodable byte becomes U+FFFD and is skipped
// alone, and nothing is ever replaced by a "best fit" look-alike.
#include "platform/Text.h"
#include "platform/win/Wide.h"

#include <windows.h>

namespace plat {
namespace {

constexpr UINT kCp932 = 932;
const char kReplacement[] = "\xEF\xBF\xBD";

// Single bytes that Windows' table maps to private-use characters but that
// CP932 does not define (iconv refuses them).
bool IsUndefinedSingle(unsigned char c) { return c == 0x80 || c == 0xA0 || c >= 0xFD; }

// One character of `len` bytes (1 or 2) to UTF-16; false when CP932 has no
// such character.
bool DecodeOne(const char* p, int len, std::wstring& out) {
    if (len == 1 && IsUndefinedSingle(static_cast<unsigned char>(*p))) return false;
    wchar_t w[2];
    const int n = MultiByteToWideChar(kCp932, MB_ERR_INVALID_CHARS, p, len, w, 2);
    if (n <= 0) return false;
    out.append(w, static_cast<size_t>(n));
    return true;
}

}  // namespace

std::wstring Cp932ToWide(std::string_view cp932, bool* allValid) {
    std::wstring out;
    out.reserve(cp932.size());
    bool valid = true;
    size_t i = 0;
    while (i < cp932.size()) {
        const auto c = static_cast<unsigned char>(cp932[i]);
        if (c < 0x80) {
            out.push_back(static_cast<wchar_t>(c));
            ++i;
            continue;
        }
        const int len = IsCp932Lead(c) && i + 1 < cp932.size() ? 2 : 1;
        if (DecodeOne(cp932.data() + i, len, out)) {
            i += static_cast<size_t>(len);
        } else {
            out.push_back(L'\xFFFD');
            valid = false;
            ++i;
        }
    }
    if (allValid != nullptr) *allValid = valid;
    return out;
}

std::string WideToUtf8(std::wstring_view wide) {
    if (wide.empty()) return {};
    const int wlen = static_cast<int>(wide.size());
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), wlen, nullptr, 0, nullptr, nullptr);
    if (n <= 0) return {};
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), wlen, out.data(), n, nullptr, nullptr);
    return out;
}

bool Utf8ToWide(std::string_view utf8, std::wstring& out) {
    if (utf8.empty()) {
        out.clear();
        return true;
    }
    const int len = static_cast<int>(utf8.size());
    const int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), len, nullptr, 0);
    if (n <= 0) return false;
    std::wstring w(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), len, w.data(), n);
    out.swap(w);
    return true;
}

bool WideToCp932(std::wstring_view wide, std::string& out) {
    if (wide.empty()) {
        out.clear();
        return true;
    }
    const int wlen = static_cast<int>(wide.size());
    BOOL usedDefault = FALSE;
    const int n = WideCharToMultiByte(kCp932, WC_NO_BEST_FIT_CHARS, wide.data(), wlen, nullptr, 0,
                                      nullptr, &usedDefault);
    if (n <= 0 || usedDefault) return false;
    std::string s(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(kCp932, WC_NO_BEST_FIT_CHARS, wide.data(), wlen, s.data(), n, nullptr,
                        &usedDefault);
    // Only a text that comes back unchanged is taken: the table maps a few
    // characters one way only.
    bool valid = false;
    if (usedDefault || Cp932ToWide(s, &valid) != wide || !valid) return false;
    out.swap(s);
    return true;
}

std::string Cp932ToUtf8(std::string_view cp932) { return WideToUtf8(Cp932ToWide(cp932)); }

bool Utf8ToCp932(std::string_view utf8, std::string& out) {
    std::wstring w;
    return Utf8ToWide(utf8, w) && WideToCp932(w, out);
}

}  // namespace plat
