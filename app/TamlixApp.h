// The application object: prepares fonts and message boxes, then runs the
// main window; the program ends with it.
#pragma once
#include <wx/app.h>

class CTamlixApp : public wxApp {
public:
    bool OnInit() override;
};
