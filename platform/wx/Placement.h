// Puts a top-level window where the program asks, before it is shown.
#pragma once
#include <wx/gdicmn.h>

class wxTopLevelWindow;

// Places `w` with its outer top-left corner at `screen`. On GTK a dialog
// with an owner is otherwise centred on it when shown. A Wayland session
// places windows itself and may ignore the request.
void PlaceWindowAt(wxTopLevelWindow* w, wxPoint screen);
