// The one conversion between the program's CP932 texts and wxString.
#pragma once
#include <wx/string.h>

#include <string>

wxString ToWx(const std::string& cp932);
inline wxString ToWx(const char* cp932) { return ToWx(std::string(cp932 ? cp932 : "")); }
// False (out untouched) when the text holds a character CP932 cannot hold.
bool FromWx(const wxString& s, std::string& cp932);
