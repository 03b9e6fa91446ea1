// A value field or caption box with a border: GTK draws no border around a
// static text, so the text sits in a bordered panel.
#pragma once
#include <wx/panel.h>
#include <wx/stattext.h>

class FieldBox : public wxPanel {
public:
    FieldBox(wxWindow* parent, int id, const wxRect& rect, long border, bool hCentre,
             bool vCentre);
    // Changes the text only when it differs, so that a paint handler may
    // push the same text again without causing another paint.
    void SetValue(const wxString& text);
    wxString GetValue() const { return m_text->GetLabel(); }

    // A box only shows text: neither a click nor Tab gives it the focus
    // (a panel without focusable children would take it itself).
    bool AcceptsFocus() const override { return false; }
    bool AcceptsFocusFromKeyboard() const override { return false; }

private:
    void Layout_();
    wxStaticText* m_text;
    bool m_hCentre, m_vCentre;
};
