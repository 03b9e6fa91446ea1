// The version dialog: the application icon, the program's name and version
// and an OK button, run modally.
#pragma once
#include <wx/dialog.h>

class wxFrame;

class CAboutDlg : public wxDialog {
public:
    explicit CAboutDlg(wxWindow* owner);
    ~CAboutDlg() override;

private:
    void OnOK(wxCommandEvent& e);
};

// Runs the version dialog over `owner`.
void OpenVersionDialog(wxWindow* owner);

// Makes command 16 (the version dialog) reachable on `frame`: on Windows an
// item with string 101 at the end of the system menu; on GTK, which has no
// system menu to extend, the F1 key. Either sends wxEVT_MENU 16 to the
// frame, which opens the dialog.
void AttachVersionDialogEntry(wxFrame* frame);
