#include "gpsnull/GPSNull.h"

#include "platform/Message.h"
#include "platform/wx/TemplateBuilder.h"
#include "platform/wx/WxText.h"
#include "res/Templates.h"

#include <wx/button.h>
#include <wx/checkbox.h>

CGPSNull::CGPSNull(wxWindow* owner)
    : wxDialog(owner, wxID_ANY, ToWx(GpsNullDialogTemplate().caption),
               owner ? owner->ClientToScreen(wxPoint(0, 0)) : wxDefaultPosition, wxDefaultSize,
               wxCAPTION) {
    const DialogTemplate& t = GpsNullDialogTemplate();
    // Dialog units follow the top-level window's font, so it is set first.
    SetFont(TemplateFont(t));
    BuildControls(this, t);
    m_chkClearEntries = static_cast<wxCheckBox*>(FindWindow(IDC_CLEAR_ENTRIES));
    m_chkClearLatLon = static_cast<wxCheckBox*>(FindWindow(IDC_CLEAR_LATLON));
    const wxSize client = DluToPixels(this, 0, 0, t.w, t.h).GetSize();
    SetClientSize(client);
    SetMinClientSize(client);
    SetMaxClientSize(client);

    Bind(wxEVT_BUTTON, &CGPSNull::OnDfUpdate, this, IDC_DF_UPDATE);
    Bind(wxEVT_BUTTON, &CGPSNull::OnCloseButton, this, IDC_CLOSE);
    // The toolkit's own OK/Cancel handling would only hide the dialog.
    Bind(wxEVT_BUTTON, &CGPSNull::OnCloseButton, this, wxID_OK);
    Bind(wxEVT_BUTTON, &CGPSNull::OnCloseButton, this, wxID_CANCEL);
    Bind(wxEVT_CLOSE_WINDOW, &CGPSNull::OnClose, this);
    Bind(wxEVT_CHAR_HOOK, &CGPSNull::OnCharHook, this);
    OnInitDialog();
}

void CGPSNull::OnInitDialog() {
    // Both boxes start checked, whatever the members hold.
    m_chkClearEntries->SetValue(true);
    m_chkClearLatLon->SetValue(true);
    Show();
    m_chkClearEntries->SetFocus();
}

void CGPSNull::OnDfUpdate(wxCommandEvent&) {
    m_bClearEntries = m_chkClearEntries->GetValue() ? 1 : 0;
    m_bClearLatLon = m_chkClearLatLon->GetValue() ? 1 : 0;
    if (m_bClearEntries == 0 && m_bClearLatLon == 0) {
        plat::ShowMessage("指定条件は無意味です。", "確認");
        return;
    }
    SendToOwner(IDN_GPSNULL_WRITE);
}

void CGPSNull::OnCloseButton(wxCommandEvent&) { Close(true); }

void CGPSNull::OnClose(wxCloseEvent&) {
    if (m_bClosing) return;
    m_bClosing = true;
    SendToOwner(IDN_GPSNULL_CLOSED);
    Destroy();
}

void CGPSNull::OnCharHook(wxKeyEvent& e) {
    const int key = e.GetKeyCode();
    const bool enter = key == WXK_RETURN || key == WXK_NUMPAD_ENTER;
    if (key != WXK_ESCAPE && !enter) {
        e.Skip();
        return;
    }
    // Enter on a focused push button presses that button.
    if (enter && dynamic_cast<wxButton*>(FindFocus()) != nullptr) {
        e.Skip();
        return;
    }
    Close(true);
}

// Synchronous: the owner has handled the command when this returns.
void CGPSNull::SendToOwner(int id) {
    wxWindow* owner = GetParent();
    if (owner == nullptr) return;
    wxCommandEvent ev(wxEVT_MENU, id);
    ev.SetEventObject(this);
    owner->ProcessWindowEvent(ev);
}
