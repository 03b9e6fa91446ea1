#include "platform/wx/FileDialog.h"

#include "platform/wx/WxText.h"

#include <wx/filedlg.h>

OpenFileResult RunOpenFileDialog(wxWindow* parent, const OpenFileRequest& req) {
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

OpenFileResult RunSaveFileDialog(wxWindow* parent, const SaveFileRequest& req) {
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
