// The options dialog of the GPS invalidation (dialog 139): two check boxes
// choose what is zeroed; "DF更新" asks the main window (command 137) to write,
// and closing tells it (command 138) before the window goes. Modeless; the
// object deletes itself once its window is gone.
#pragma once
#include <wx/dialog.h>

#include <cstdint>

class wxCheckBox;

class CGPSNull : public wxDialog {
public:
    // Creates the dialog from template 139, owned by `owner` (the main
    // window, which receives the commands), and shows it.
    explicit CGPSNull(wxWindow* owner);

    // Button 137: takes the options from the boxes; with neither on it says
    // so and stays open, otherwise it sends command 137 to the owner.
    void OnDfUpdate(wxCommandEvent& e);
    // Button 107: closes the dialog as its close request does.
    void OnCloseButton(wxCommandEvent& e);

    int32_t m_bClearEntries = 1;  // "GPS エントリ数とタグをクリアする"
    int32_t m_bClearLatLon = 1;   // "緯度経度情報をクリアする"
    wxCheckBox* m_chkClearEntries = nullptr;  // box 139
    wxCheckBox* m_chkClearLatLon = nullptr;   // box 140

private:
    void OnInitDialog();
    // The close request: command 138 to the owner first, then the window
    // goes (the object is deleted when the toolkit is idle).
    void OnClose(wxCloseEvent& e);
    void OnCharHook(wxKeyEvent& e);
    void SendToOwner(int id);

    bool m_bClosing = false;
};
