#include "tools/AboutDlg.h"

#include "platform/wx/TemplateBuilder.h"
#include "platform/wx/WxText.h"
#include "res/Templates.h"
#include "tools/ToolWindow.h"

#include <wx/frame.h>
#include <wx/icon.h>
#include <wx/menu.h>
#include <wx/statbmp.h>

#include "res/Icon138.xpm"

CAboutDlg::CAboutDlg(wxWindow* owner) {
    const DialogTemplate& t = VersionDialogTemplate();
    Create(owner, wxID_ANY, ToWx(t.caption), wxDefaultPosition, wxDefaultSize,
           wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX);
    SetUpToolDialog(this, t, owner, true);
    // The icon control shows the application icon at its top-left corner.
    for (int i = 0; i < t.controlCount; ++i) {
        const ControlTemplate& c = t.controls[i];
        if (c.kind != CtlKind::Icon) continue;
        const wxRect r = DluToPixels(this, c.x, c.y, c.w, c.h);
        new wxStaticBitmap(this, wxID_ANY, wxIcon(tamlix_icon_xpm), r.GetPosition());
    }
    if (wxWindow* ok = FindWindow(IDOK_BUTTON)) ok->SetFocus();
    Bind(wxEVT_BUTTON, &CAboutDlg::OnOK, this, IDOK_BUTTON);
    EndModalOnEnterOrEsc(this);
}

CAboutDlg::~CAboutDlg() = default;

void CAboutDlg::OnOK(wxCommandEvent&) { EndModal(wxID_OK); }

void OpenVersionDialog(wxWindow* owner) {
    CAboutDlg dlg(owner);
    dlg.ShowModal();
}

void AttachVersionDialogEntry(wxFrame* frame) {
    frame->Bind(wxEVT_MENU, [frame](wxCommandEvent&) { OpenVersionDialog(frame); },
                IDM_ABOUTBOX);
#if defined(__WXMSW__)
    const char* text = LoadResString(101);
    if (wxMenu* sys = frame->MSWGetSystemMenu(); sys != nullptr && *text != '\0') {
        sys->AppendSeparator();
        sys->Append(IDM_ABOUTBOX, ToWx(text));
    }
#elif defined(__WXGTK__)
    // Bound after the frame's own key handling, so it sees keys first and
    // passes on every key but F1. Queued: the dialog is modal.
    frame->Bind(wxEVT_CHAR_HOOK, [frame](wxKeyEvent& e) {
        if (e.GetKeyCode() != WXK_F1 || e.GetModifiers() != wxMOD_NONE) {
            e.Skip();
            return;
        }
        frame->GetEventHandler()->QueueEvent(new wxCommandEvent(wxEVT_MENU, IDM_ABOUTBOX));
    });
#else
#error "the version dialog needs an entry point on this platform"
#endif
}
