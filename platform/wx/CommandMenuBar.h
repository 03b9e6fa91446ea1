// A menu bar whose items are commands, not pop-ups: a click on an item, or
// its Alt+letter, sends the item's command (wxEVT_MENU) to the frame at once.
#pragma once
#include "res/Templates.h"

class wxFrame;

void AttachCommandMenuBar(wxFrame* frame, const MenuTemplate& menu);

// True while the bar is in keyboard menu mode (F10): Esc and Enter belong
// to the bar then.
bool IsMenuBarActive(wxFrame* frame);
