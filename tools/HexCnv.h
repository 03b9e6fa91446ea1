// The decimal/hexadecimal converter: a small modeless window beside the main
// window. At most one exists; it tells the main window (command 125) before
// it goes and then deletes itself.
#pragma once
#include <wx/brush.h>
#include <wx/dialog.h>

#include <string>

class CHexCnv : public wxDialog {
public:
    CHexCnv();
    ~CHexCnv() override;

    // Creates the window with `owner` (the main window) as owner and shows
    // it. False when the window could not be created.
    bool Create(wxWindow* owner);

    // Brings the converter to the front with the focus on the control that
    // had it last (the hexadecimal field at first).
    void TakeFocus();

private:
    void OnInitDialog();
    // Moves the edit texts into the members (`save`) or back.
    void DoDataExchange(bool save);

    void OnClose(wxCloseEvent& e);
    void OnToHex(wxCommandEvent& e);
    void OnToDec(wxCommandEvent& e);
    void OnPaint(wxPaintEvent& e);
    void OnCloseButton(wxCommandEvent& e);
    void OnCharHook(wxKeyEvent& e);

    wxBrush m_brBack;
    std::string m_strDec;  // edit 127
    std::string m_strHex;  // edit 126
    wxWindow* m_pLastFocus = nullptr;
    bool m_bClosing = false;
};
