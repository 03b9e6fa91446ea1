// Creates the controls of a dialog template on a parent window, converting
// dialog units with the parent's own font.
#pragma once
#include "res/Templates.h"

#include <wx/font.h>
#include <wx/gdicmn.h>

class wxWindow;

// The template's font (face and points).
wxFont TemplateFont(const DialogTemplate& t);
// Dialog units -> pixels for `parent`. wx takes the unit from the font of
// the top-level window, which must therefore already carry the template's.
wxRect DluToPixels(wxWindow* parent, int x, int y, int w, int h);
// Sets the template's font on `parent` and creates every control in
// template order (which is the tab order).
void BuildControls(wxWindow* parent, const DialogTemplate& t);
