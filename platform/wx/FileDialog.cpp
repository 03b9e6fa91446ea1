#include "platform/wx/FileDialog.h"

#include "platform/wx/WxText.h"

#include <wx/filedlg.h>

namespace {
OpenFileResponder& Responder() {
    static OpenFileResponder r;
    return r;
}
}  // namespace

void SetOpenFileResponder(OpenFileResponder r) { Responder() = std::move(r); }

OpenFileResult RunOpenFileDialog(wxWindow* parent, const OpenFileRequest& req) {
    if (Responder()) return Responder()(req);
    // The dialog asks no overwrite question; the program asks its own.
    wxFileDialog dlg(parent, wxEmptyString, ToWx(req.startDir), wxEmptyString,
                     ToWx(req.filter), wxFD_OPEN | wxFD_FILE_MUST_EXIST);
    OpenFileResult result;
    if (dlg.ShowModal() != wxID_OK) return result;
    result.ok = true;
    if (!FromWx(dlg.GetPath(), result.path)) {
        result.unrepresentable = true;
        result.path.clear();
    }
    return result;
}
