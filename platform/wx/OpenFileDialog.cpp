#include "platform/wx/FileDialog.h"

#include "platform/wx/WxText.h"

#include <wx/filedlg.h>

#include <cctype>

namespace {

// GTK's filter patterns tell letter case apart: each letter of a pattern
// becomes a class of both cases ("*.jpg" -> "*.[jJ][pP][gG]"). The texts
// (every other field of the "text|patterns|..." form) stay. Open dialogs
// only: a save dialog would take the extension of such a pattern literally.
wxString CaseFreePatterns(const wxString& filter) {
#ifdef __WXGTK__
    wxString out;
    bool inPatterns = false;
    for (wxUniChar ch : filter) {
        if (ch == '|') {
            inPatterns = !inPatterns;
            out += ch;
        } else if (const char c = ch.IsAscii() ? static_cast<char>(ch.GetValue()) : '\0';
                   inPatterns && std::isalpha(static_cast<unsigned char>(c))) {
            const char both[] = {'[', static_cast<char>(std::tolower(c)),
                                 static_cast<char>(std::toupper(c)), ']', '\0'};
            out += wxString::FromAscii(both);
        } else {
            out += ch;
        }
    }
    return out;
#else
    return filter;
#endif
}

}  // namespace

std::unique_ptr<wxFileDialog> MakeOpenFileDialog(wxWindow* parent, const OpenFileRequest& req) {
    return std::make_unique<wxFileDialog>(parent, wxEmptyString, ToWx(req.startDir),
                                          wxEmptyString, CaseFreePatterns(ToWx(req.filter)),
                                          wxFD_OPEN | wxFD_FILE_MUST_EXIST);
}
