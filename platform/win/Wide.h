// UTF-16 conversions used by the Windows side of the platform layer: the
// window's paths are CP932 and the companion's are UTF-8; Win32 takes both
// as UTF-16.
#pragma once
#include <string>
#include <string_view>

namespace plat {

// CP932 -> UTF-16 by the code page 932 table whatever the system's own code
// page; an undecodable byte becomes U+FFFD and `*allValid` false.
std::wstring Cp932ToWide(std::string_view cp932, bool* allValid = nullptr);
// UTF-16 -> CP932; false when a character has no CP932 form.
bool WideToCp932(std::wstring_view wide, std::string& out);
// UTF-8 <-> UTF-16; false for text that is not valid UTF-8.
bool Utf8ToWide(std::string_view utf8, std::wstring& out);
std::string WideToUtf8(std::wstring_view wide);

}  // namespace plat
