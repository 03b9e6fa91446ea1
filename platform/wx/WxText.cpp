#include "platform/wx/WxText.h"

#include "platform/Text.h"

#include <wx/strconv.h>

wxString ToWx(const std::string& cp932) {
    // Through UTF-8 so that bytes CP932 cannot decode show as U+FFFD
    // instead of emptying the whole text.
    const std::string utf8 = plat::Cp932ToUtf8(cp932);
    return wxString::FromUTF8(utf8.data(), utf8.size());
}

bool FromWx(const wxString& s, std::string& cp932) {
    const wxScopedCharBuffer utf8 = s.utf8_str();
    return plat::Utf8ToCp932(std::string(utf8.data(), utf8.length()), cp932);
}
