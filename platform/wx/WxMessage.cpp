#include "platform/wx/WxMessage.h"

#include "platform/Message.h"
#include "platform/wx/WxText.h"

#include <wx/app.h>
#include <wx/msgdlg.h>
#include <wx/toplevel.h>
#include <wx/weakref.h>

namespace {

wxWindow*& Owner() {
    static wxWindow* owner = nullptr;
    return owner;
}

// The named owner, else the active window of the program, else its main
// window.
wxWindow* BoxParent() {
    if (Owner() != nullptr) return Owner();
    if (wxWindow* active = wxGetActiveWindow(); active != nullptr && active->IsShown())
        return active;
    return wxTheApp ? wxTheApp->GetTopWindow() : nullptr;
}

}  // namespace

MessageBoxOwner::MessageBoxOwner(wxWindow* owner) : m_previous(Owner()) { Owner() = owner; }

MessageBoxOwner::~MessageBoxOwner() { Owner() = m_previous; }

void InstallWxMessageBoxes() {
    plat::SetMessageResponder(
        [](const std::string& text, const std::string& caption, plat::MsgButtons b) {
            long style = wxICON_NONE | wxCENTRE;
            if (b == plat::MsgButtons::Ok) style |= wxOK;
            else if (b == plat::MsgButtons::OkCancel) style |= wxOK | wxCANCEL;
            else style |= wxYES_NO;
            wxWindow* parent = BoxParent();
            // The control that had the focus in that window gets it back.
            wxWeakRef<wxWindow> focus = wxWindow::FindFocus();
            if (focus && wxGetTopLevelParent(focus) != parent) focus = nullptr;
            wxMessageDialog dlg(parent, ToWx(text), ToWx(caption), style);
            const int answer = dlg.ShowModal();
            if (focus) focus->SetFocus();
            else if (parent != nullptr) parent->SetFocus();
            switch (answer) {
            case wxID_CANCEL: return plat::MsgResult::Cancel;
            case wxID_YES: return plat::MsgResult::Yes;
            case wxID_NO: return plat::MsgResult::No;
            default: return plat::MsgResult::Ok;
            }
        });
}
