#include "report/OnPrint.h"

#include "platform/wx/FieldBox.h"
#include "platform/wx/Placement.h"
#include "platform/wx/TemplateBuilder.h"
#include "platform/wx/WxText.h"
#include "res/Templates.h"

bool COnPrint::Create(wxWindow* owner) {
    const DialogTemplate& t = PrintNoticeDialogTemplate();
    wxPoint pos = wxDefaultPosition;
    if (owner != nullptr && owner->IsShown()) pos = owner->ClientToScreen(wxPoint(0, 0));
    // No caption; a plain framed box.
    if (!wxDialog::Create(owner, wxID_ANY, ToWx(t.caption), pos, wxDefaultSize,
                          wxBORDER_RAISED))
        return false;
    SetFont(TemplateFont(t));
    BuildControls(this, t);
    // The template's one field carries the notice text.
    for (wxWindow* child : GetChildren())
        if (auto* box = dynamic_cast<FieldBox*>(child)) box->SetValue(ToWx(t.controls[0].text));
    SetClientSize(DluToPixels(this, 0, 0, t.w, t.h).GetSize());
    // At the owner's client origin, not centred on it.
    if (pos != wxDefaultPosition) PlaceWindowAt(this, pos);
    OnInitDialog();
    return true;
}

void COnPrint::OnInitDialog() {
    Show();
    // Drawn at once: the program stays busy while the notice is up.
    Refresh(true);
    Update();
}
