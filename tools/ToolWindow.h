// Shared set-up of the tool dialogs (converter, software information,
// version) from their templates.
#pragma once
#include "res/Templates.h"

#include <vector>

#include <wx/gdicmn.h>

class wxDC;
class wxDialog;
class wxWindow;

// Sets the template's font on `dlg`, creates its controls, gives it the
// template's client size and places it at `owner`'s client origin (or
// centres it on `owner` when `centre`). Plain texts flagged centred are
// centred in their rectangle; edged texts sit inside their edge (vertically
// centred when so flagged). Returns the rectangles of the edged
// texts, for PaintStaticEdges.
std::vector<wxRect> SetUpToolDialog(wxDialog* dlg, const DialogTemplate& t, wxWindow* owner,
                                    bool centre);

// Makes Enter and Esc end the modal dialog `dlg` as its OK and cancel do;
// every other key goes on as usual.
void EndModalOnEnterOrEsc(wxDialog* dlg);

// Draws the thin sunken frame that a static edge gives on the border of
// each rectangle (GTK draws no border around a static text).
void PaintStaticEdges(wxDC& dc, const std::vector<wxRect>& rects);
