#include "platform/wx/WxMessage.h"

#include "platform/Message.h"
#include "platform/wx/WxText.h"

#include <wx/app.h>
#include <wx/msgdlg.h>
#include <wx/toplevel.h>

void InstallWxMessageBoxes() {
    plat::SetMessageResponder(
        [](const std::string& text, const std::string& caption, plat::MsgButtons b) {
            long style = wxICON_NONE | wxCENTRE;
            if (b == plat::MsgButtons::Ok) style |= wxOK;
            else if (b == plat::MsgButtons::OkCancel) style |= wxOK | wxCANCEL;
            else style |= wxYES_NO;
            wxWindow* parent = wxTheApp ? wxTheApp->GetTopWindow() : nullptr;
            wxMessageDialog dlg(parent, ToWx(text), ToWx(caption), style);
            switch (dlg.ShowModal()) {
            case wxID_CANCEL: return plat::MsgResult::Cancel;
            case wxID_YES: return plat::MsgResult::Yes;
            case wxID_NO: return plat::MsgResult::No;
            default: return plat::MsgResult::Ok;
            }
        });
}
