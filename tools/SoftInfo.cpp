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
    Bind(wxEVT_CHAR_HOOK, &CSoftInfo::OnCharHook, this);
}

CSoftInfo::~CSoftInfo() = default;

// Closing a dialog without a handler of its own is a cancel.
void CSoftInfo::OnCloseButton(wxCommandEvent&) { Close(); }

// Enter and Esc end the dialog as a dialog's OK and cancel do.
void CSoftInfo::OnCharHook(wxKeyEvent& e) {
    switch (e.GetKeyCode()) {
    case WXK_ESCAPE: EndModal(wxID_CANCEL); return;
    case WXK_RETURN:
    case WXK_NUMPAD_ENTER: EndModal(wxID_OK); return;
    default: e.Skip();
    }
}
