#include "platform/wx/FieldBox.h"

FieldBox::FieldBox(wxWindow* parent, int id, const wxRect& rect, long border, bool hCentre,
                   bool vCentre)
    : wxPanel(parent, id, rect.GetPosition(), rect.GetSize(), border),
      m_hCentre(hCentre),
      m_vCentre(vCentre) {
    m_text = new wxStaticText(this, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize,
                              wxST_NO_AUTORESIZE | (hCentre ? wxALIGN_CENTRE_HORIZONTAL : 0));
    Bind(wxEVT_SIZE, [this](wxSizeEvent&) { Layout_(); });
    Layout_();
}

void FieldBox::SetValue(const wxString& text) {
    if (m_text->GetLabel() == text) return;
    m_text->SetLabel(text);
    Layout_();
}

void FieldBox::Layout_() {
    const wxSize client = GetClientSize();
    const int h = m_text->GetCharHeight();
    const int y = m_vCentre ? (client.y - h) / 2 : 0;
    m_text->SetSize(1, y, client.x - 2, h);
}
