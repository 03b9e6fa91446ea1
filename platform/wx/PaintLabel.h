// Paints a (hidden) label control of a window as a box of the given colour,
// framed in black, with its text centred in white in 9-point fixed pitch.
#pragma once
#include <cstdint>

class wxDC;
class wxWindow;

// `colour` is 0x00BBGGRR. `dc` paints on `owner`, the label's parent.
void PaintLabel(wxWindow* owner, wxDC& dc, int id, uint32_t colour);
