#include "tools/SoftInfo.h"

#include "platform/wx/WxText.h"
#include "res/Templates.h"
#include "tools/ToolWindow.h"

#include <wx/app.h>
#include <wx/dcclient.h>

CSoftInfo::CSoftInfo(wxWindow* owner) {
    if (owner == nullptr && wxTheApp != nullptr) owner = wxTheApp->GetTopWindow();
    const DialogTemplate& t = SoftInfoDialogTemplate();
    // Caption without system menu: no close box on the caption bar.
    Create(owner, wxID_ANY, ToWx(t.caption), wxDefaultPosition, wxDefaultSize, wxCAPTION);
    m_edges = SetUpToolDialog(this, t, owner, false);
    Bind(wxEVT_PAINT, [this](wxPaintEvent&) {
        wxPaintDC dc(this);
        PaintStaticEdges(dc, m_edges);
    });
    Bind(wxEVT_BUTTON, &CSoftInfo::OnCloseButton, this, IDC_CLOSE);
    EndModalOnEnterOrEsc(this);
}

CSoftInfo::~CSoftInfo() = default;

// Closing a dialog without a handler of its own is a cancel.
void CSoftInfo::OnCloseButton(wxCommandEvent&) { Close(); }

