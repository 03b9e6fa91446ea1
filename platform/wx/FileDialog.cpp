#include "platform/wx/FileDialog.h"

#include "platform/wx/WxText.h"

#include <wx/filedlg.h>

#include <cctype>

namespace {
OpenFileResponder& Responder() {
    static OpenFileResponder r;
    return r;
}

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

void SetOpenFileResponder(OpenFileResponder r) { Responder() = std::move(r); }

std::unique_ptr<wxFileDialog> MakeOpenFileDialog(wxWindow* parent, const OpenFileRequest& req) {
    return std::make_unique<wxFileDialog>(parent, wxEmptyString, ToWx(req.startDir),
                                          wxEmptyString, CaseFreePatterns(ToWx(req.filter)),
                                          wxFD_OPEN | wxFD_FILE_MUST_EXIST);
}

OpenFileResult RunOpenFileDialog(wxWindow* parent, const OpenFileRequest& req) {
    if (Responder()) return Responder()(req);
    std::unique_ptr<wxFileDialog> dlg = MakeOpenFileDialog(parent, req);
    OpenFileResult result;
    if (dlg->ShowModal() != wxID_OK) return result;
    result.ok = true;
    if (!FromWx(dlg->GetPath(), result.path)) {
        result.unrepresentable = true;
        result.path.clear();
    }
    return result;
}

namespace {
SaveFileResponder& SaveResponder() {
    static SaveFileResponder r;
    return r;
}
}  // namespace

void SetSaveFileResponder(SaveFileResponder r) { SaveResponder() = std::move(r); }

OpenFileResult RunSaveFileDialog(wxWindow* parent, const SaveFileRequest& req) {
    if (SaveResponder()) return SaveResponder()(req);
    wxFileDialog dlg(parent, wxEmptyString, ToWx(req.startDir), ToWx(req.fileName),
                     ToWx(req.filter), wxFD_SAVE);
    OpenFileResult result;
    if (dlg.ShowModal() != wxID_OK) return result;
    result.ok = true;
    wxString path = dlg.GetPath();
    const wxString name = path.AfterLast('/');
    if (!req.defaultExt.empty() && !name.empty() && name.Find('.') == wxNOT_FOUND)
        path += wxUniChar('.') + ToWx(req.defaultExt);
    if (!FromWx(path, result.path)) {
        result.unrepresentable = true;
        result.path.clear();
    }
    return result;
}
