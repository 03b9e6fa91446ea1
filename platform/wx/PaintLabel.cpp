#include "platform/wx/PaintLabel.h"

#include "platform/wx/WxText.h"

#include <wx/dc.h>
#include <wx/window.h>

void PaintLabel(wxWindow* owner, wxDC& dc, int id, uint32_t colour) {
    wxWindow* label = owner->FindWindow(id);
    if (label == nullptr) return;
    std::string text;
    if (!FromWx(label->GetLabel(), text)) text.clear();
    if (text.size() > 127) text.resize(127);
    const wxRect r = label->GetRect();

    wxFont font(wxFontInfo(9).Family(wxFONTFAMILY_MODERN).FaceName(ToWx("ＭＳ ゴシック")));
    const wxFont oldFont = dc.GetFont();
    dc.SetFont(font);
    const wxFontMetrics fm = dc.GetFontMetrics();

    dc.SetPen(*wxBLACK_PEN);
    dc.SetBrush(wxBrush(wxColour(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF)));
    dc.DrawRectangle(r);
    dc.SetBrush(*wxBLACK_BRUSH);

    // The width is the byte length times the average character width: a
    // double-byte character is two cells wide.
    const int n = static_cast<int>(text.size());
    const int x = (r.GetLeft() + r.GetRight() + 1) / 2 - (n * fm.averageWidth) / 2;
    const int y = (r.GetTop() + r.GetBottom() + 1) / 2 - dc.GetCharHeight() / 2;
    dc.SetBackgroundMode(wxBRUSHSTYLE_TRANSPARENT);
    dc.SetTextForeground(*wxWHITE);
    dc.DrawText(ToWx(text), x, y);
    dc.SetFont(oldFont.IsOk() ? oldFont : wxNullFont);
}
