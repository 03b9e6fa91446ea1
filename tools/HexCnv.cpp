#include "tools/HexCnv.h"

#include "platform/Message.h"
#include "platform/wx/PaintLabel.h"
#include "platform/wx/TemplateBuilder.h"
#include "platform/wx/WxMessage.h"
#include "platform/wx/WxText.h"
#include "res/Templates.h"
#include "tools/HexConvert.h"
#include "tools/ToolWindow.h"

#include <wx/dcclient.h>
#include <wx/textctrl.h>

namespace {

constexpr uint32_t kGreyLabel = 0x808080;  // 0x00BBGGRR
constexpr unsigned long kMaxInput = 255;

wxTextCtrl* Edit(wxWindow* dlg, int id) { return static_cast<wxTextCtrl*>(dlg->FindWindow(id)); }

// The edit's text in CP932. A character CP932 cannot hold (it cannot be a
// digit either) becomes '?', so that the rest of the text still counts.
std::string EditText(wxWindow* dlg, int id) {
    const wxString text = Edit(dlg, id)->GetValue();
    std::string out;
    if (FromWx(text, out)) return out;
    out.clear();
    for (wxUniChar ch : text) {
        std::string one;
        out += FromWx(wxString(ch), one) ? one : std::string("?");
    }
    return out;
}

// Modal over the converter, which keeps the focus afterwards.
void ShowNoDigitMessage(wxWindow* converter) {
    MessageBoxOwner owner(converter);
    plat::ShowMessage("有効な数字ではありません", "確認");
}

}  // namespace

CHexCnv::CHexCnv() : m_brBack(wxColour(255, 255, 255)) {}

CHexCnv::~CHexCnv() = default;

bool CHexCnv::Create(wxWindow* owner) {
    const DialogTemplate& t = HexCnvDialogTemplate();
    // Caption without system menu: no close box on the caption bar.
    if (!wxDialog::Create(owner, wxID_ANY, ToWx(t.caption), wxDefaultPosition, wxDefaultSize,
                          wxCAPTION))
        return false;
    Hide();
    SetUpToolDialog(this, t, owner, false);
    SetBackgroundColour(m_brBack.GetColour());
    for (int id : {IDC_HEX_EDIT_HEX, IDC_HEX_EDIT_DEC}) {
        wxTextCtrl* edit = Edit(this, id);
        edit->SetWindowStyleFlag(edit->GetWindowStyleFlag() | wxTE_CENTRE);
        edit->SetMaxLength(kMaxInput);
    }

    Bind(wxEVT_CLOSE_WINDOW, &CHexCnv::OnClose, this);
    Bind(wxEVT_BUTTON, &CHexCnv::OnToHex, this, IDC_HEX_TO_HEX);
    Bind(wxEVT_BUTTON, &CHexCnv::OnToDec, this, IDC_HEX_TO_DEC);
    Bind(wxEVT_PAINT, &CHexCnv::OnPaint, this);
    Bind(wxEVT_BUTTON, &CHexCnv::OnCloseButton, this, IDC_CLOSE);
    Bind(wxEVT_CHAR_HOOK, &CHexCnv::OnCharHook, this);
    Bind(wxEVT_CHILD_FOCUS, [this](wxChildFocusEvent& e) {
        m_pLastFocus = e.GetWindow();
        e.Skip();
    });
    OnInitDialog();
    return true;
}

void CHexCnv::OnInitDialog() {
    DoDataExchange(false);
    Show();
    Edit(this, IDC_HEX_EDIT_HEX)->SetFocus();
}

void CHexCnv::TakeFocus() {
    Raise();
    wxWindow* target = m_pLastFocus ? m_pLastFocus : Edit(this, IDC_HEX_EDIT_HEX);
    target->SetFocus();
}

void CHexCnv::DoDataExchange(bool save) {
    if (save) {
        m_strDec = EditText(this, IDC_HEX_EDIT_DEC);
        m_strHex = EditText(this, IDC_HEX_EDIT_HEX);
    } else {
        Edit(this, IDC_HEX_EDIT_DEC)->ChangeValue(ToWx(m_strDec));
        Edit(this, IDC_HEX_EDIT_HEX)->ChangeValue(ToWx(m_strHex));
    }
}

// Only the result field is written back: the source field keeps exactly
// what the user typed.
void CHexCnv::OnToHex(wxCommandEvent&) {
    DoDataExchange(true);
    const HexConvertResult r = ConvertDecToHex(m_strDec);
    if (!r.m_bDigits) ShowNoDigitMessage(this);
    m_strHex = r.m_str;
    Edit(this, IDC_HEX_EDIT_HEX)->ChangeValue(ToWx(m_strHex));
}

void CHexCnv::OnToDec(wxCommandEvent&) {
    DoDataExchange(true);
    const HexConvertResult r = ConvertHexToDec(m_strHex);
    if (!r.m_bDigits) ShowNoDigitMessage(this);
    m_strDec = r.m_str;
    Edit(this, IDC_HEX_EDIT_DEC)->ChangeValue(ToWx(m_strDec));
}

void CHexCnv::OnPaint(wxPaintEvent&) {
    wxPaintDC dc(this);
    PaintLabel(this, dc, IDC_HEX_LABEL_DEC, kGreyLabel);
    PaintLabel(this, dc, IDC_HEX_LABEL_HEX, kGreyLabel);
}

void CHexCnv::OnCloseButton(wxCommandEvent&) { Close(); }

// Tells the main window first, so that its pointer never refers to a
// converter that is going; then the window and the object go.
void CHexCnv::OnClose(wxCloseEvent&) {
    if (m_bClosing) return;
    m_bClosing = true;
    if (wxWindow* main = GetParent()) {
        wxCommandEvent ev(wxEVT_MENU, IDN_HEX_CLOSED);
        main->ProcessWindowEvent(ev);
    }
    Destroy();
}

// Esc closes exactly as the close button does; Enter does nothing.
void CHexCnv::OnCharHook(wxKeyEvent& e) {
    switch (e.GetKeyCode()) {
    case WXK_ESCAPE: Close(); return;
    case WXK_RETURN:
    case WXK_NUMPAD_ENTER: return;
    default: e.Skip();
    }
}
