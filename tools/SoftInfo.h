// The software-information dialog: fixed texts and a close button, run
// modally from the main window.
#pragma once
#include <wx/dialog.h>

#include <vector>

class CSoftInfo : public wxDialog {
public:
    // `owner` is the main window; nullptr takes the application's top window.
    explicit CSoftInfo(wxWindow* owner);
    ~CSoftInfo() override;

private:
    void OnCloseButton(wxCommandEvent& e);

    std::vector<wxRect> m_edges;
};
