#include "tools/ToolWindow.h"

#include "platform/wx/TemplateBuilder.h"
#include "platform/wx/WxText.h"

#include <wx/dcclient.h>
#include <wx/dialog.h>
#include <wx/settings.h>
#include <wx/stattext.h>

#include <algorithm>

namespace {

constexpr int kEdgeInset = 2;  // pixels between a static edge and its text

void LayOutText(wxStaticText* label, const ControlTemplate& c, const wxRect& r) {
    if (c.flags & kEdged) {
        // GTK wraps a static text to its width itself (also between
        // Japanese characters); the text sits inside the edge.
        int lines = 1;
        for (const char* p = c.text; *p != '\0'; ++p) lines += *p == '\n';
        const int inner = r.height - 2 * kEdgeInset;
        const int h = (c.flags & kVCentre) ? std::min(lines * label->GetCharHeight(), inner) : inner;
        label->SetSize(r.x + kEdgeInset, r.y + kEdgeInset + (inner - h) / 2,
                       r.width - 2 * kEdgeInset, h);
    } else if (c.flags & kCentre) {
        const wxSize text = label->GetTextExtent(label->GetLabel());
        const int w = std::min(text.x, r.width);
        label->SetSize(r.x + (r.width - w) / 2, r.y, w, r.height);
    }
}

}  // namespace

std::vector<wxRect> SetUpToolDialog(wxDialog* dlg, const DialogTemplate& t, wxWindow* owner,
                                    bool centre) {
    // Dialog units follow the top-level window's font.
    dlg->SetFont(TemplateFont(t));
    BuildControls(dlg, t);
    const wxSize client = DluToPixels(dlg, 0, 0, t.w, t.h).GetSize();
    dlg->SetClientSize(client);
    dlg->SetMinClientSize(client);
    dlg->SetMaxClientSize(client);

    std::vector<wxRect> edges;
    // The builder creates one window per control, in template order.
    const wxWindowList& kids = dlg->GetChildren();
    int i = 0;
    for (wxWindowList::const_iterator it = kids.begin(); it != kids.end() && i < t.controlCount;
         ++it, ++i) {
        const ControlTemplate& c = t.controls[i];
        if (c.kind != CtlKind::Text) continue;
        auto* label = dynamic_cast<wxStaticText*>(*it);
        if (label == nullptr) continue;
        const wxRect r = DluToPixels(dlg, c.x, c.y, c.w, c.h);
        LayOutText(label, c, r);
        if (c.flags & kEdged) edges.push_back(r);
    }

    if (owner != nullptr && centre) {
        dlg->CentreOnParent();
    } else if (owner != nullptr && owner->IsShownOnScreen()) {
        dlg->Move(owner->ClientToScreen(wxPoint(0, 0)));
    }
    return edges;
}

void EndModalOnEnterOrEsc(wxDialog* dlg) {
    dlg->Bind(wxEVT_CHAR_HOOK, [dlg](wxKeyEvent& e) {
        switch (e.GetKeyCode()) {
        case WXK_ESCAPE: dlg->EndModal(wxID_CANCEL); return;
        case WXK_RETURN:
        case WXK_NUMPAD_ENTER: dlg->EndModal(wxID_OK); return;
        default: e.Skip();
        }
    });
}

void PaintStaticEdges(wxDC& dc, const std::vector<wxRect>& rects) {
    const wxPen shadow(wxSystemSettings::GetColour(wxSYS_COLOUR_BTNSHADOW));
    const wxPen light(wxSystemSettings::GetColour(wxSYS_COLOUR_BTNHIGHLIGHT));
    for (const wxRect& r : rects) {
        const int l = r.x, t = r.y, rr = r.GetRight(), b = r.GetBottom();
        dc.SetPen(shadow);
        dc.DrawLine(l, b, l, t);
        dc.DrawLine(l, t, rr, t);
        dc.SetPen(light);
        dc.DrawLine(rr, t, rr, b);
        dc.DrawLine(rr, b, l, b);
    }
}
