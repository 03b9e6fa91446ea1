// The notice shown after a print job was handed over: "please wait" for a
// moment, ended by the detail window's timer 120.
#pragma once
#include <wx/dialog.h>

class COnPrint : public wxDialog {
public:
    // Creates the notice from template 132, owned by `owner`, and shows it
    // at once. False when the window could not be made.
    bool Create(wxWindow* owner);

private:
    void OnInitDialog();
};
