#include "platform/wx/TemplateBuilder.h"

#include "platform/wx/FieldBox.h"
#include "platform/wx/WxText.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/window.h>

wxFont TemplateFont(const DialogTemplate& t) {
    return wxFont(wxFontInfo(t.pointSize).FaceName(ToWx(t.fontFace)));
}

wxRect DluToPixels(wxWindow* parent, int x, int y, int w, int h) {
    const wxPoint pos = parent->ConvertDialogToPixels(wxPoint(x, y));
    const wxSize size = parent->ConvertDialogToPixels(wxSize(w, h));
    return wxRect(pos, size);
}

void BuildControls(wxWindow* parent, const DialogTemplate& t) {
    parent->SetFont(TemplateFont(t));
    for (int i = 0; i < t.controlCount; ++i) {
        const ControlTemplate& c = t.controls[i];
        const int id = c.id < 0 ? wxID_ANY : c.id;
        const wxRect r = DluToPixels(parent, c.x, c.y, c.w, c.h);
        const wxString text = ToWx(c.text);
        wxWindow* w = nullptr;
        switch (c.kind) {
        case CtlKind::Label:
            if (c.flags & kPainted) {
                // Only the rectangle and the text count; PaintLabel draws it.
                w = new wxStaticText(parent, id, text, r.GetPosition(), r.GetSize());
                w->Hide();
            } else {
                auto* box = new FieldBox(parent, id, r, wxBORDER_SIMPLE, true, true);
                box->SetValue(text);
                w = box;
            }
            break;
        case CtlKind::Field: {
            long border = (c.flags & kSunken) ? wxBORDER_SUNKEN : wxBORDER_SIMPLE;
            w = new FieldBox(parent, id, r, border, (c.flags & kCentre) != 0,
                             (c.flags & kVCentre) != 0);
            break;
        }
        case CtlKind::Text:
            w = new wxStaticText(parent, id, text, r.GetPosition(), r.GetSize());
            break;
        case CtlKind::Button:
            w = new wxButton(parent, id, text, r.GetPosition(), r.GetSize());
            if (c.flags & kDefault) static_cast<wxButton*>(w)->SetDefault();
            break;
        case CtlKind::DropList:
            // A drop-down list takes its natural height. wxChoice, not a
            // read-only wxComboBox: on GTK the latter is an entry and a
            // button, two Tab stops for one control.
            w = new wxChoice(parent, id, r.GetPosition(), wxSize(r.width, -1));
            break;
        case CtlKind::Edit:
            w = new wxTextCtrl(parent, id, text, r.GetPosition(), r.GetSize());
            break;
        case CtlKind::PictureBox:
        case CtlKind::Icon:
            w = new wxWindow(parent, id, r.GetPosition(), r.GetSize());
            break;
        case CtlKind::CheckBox:
            w = new wxCheckBox(parent, id, text, r.GetPosition(), r.GetSize());
            break;
        }
        if (w == nullptr) continue;
        if (c.flags & kHidden) w->Hide();
        if (c.flags & kDisabled) w->Disable();
    }
}
