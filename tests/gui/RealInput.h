// Real keyboard and mouse input through the X server (xdotool's XTEST
// events), as a user's keys and clicks arrive: the toolkit's own bindings
// see these, which made-up wx events never reach.
#pragma once
#include <wx/gdicmn.h>

#include <functional>
#include <string>

class wxWindow;

namespace realinput {

// Runs `xdotool ARGS`; false when it fails (or xdotool is missing).
bool Xdo(const std::string& args);
// Moves the pointer to a point of the screen and clicks the left button.
bool ClickAt(wxPoint screen);
// A client point of `w`, on the screen.
bool Click(wxWindow* w, wxPoint client);
// Presses and releases one key, named as X names it ("Tab", "End").
bool Key(const char* keysym);

// Lets the toolkit handle what has arrived until `done` holds, for at most
// a few seconds; returns done(). Keys are handled in the order they were
// sent, so a key whose effect is seen proves that those before it were
// handled too.
bool PumpUntil(const std::function<bool()>& done);

// The id of the control that has the toolkit's keyboard focus inside
// `topLevel` (wx's own record misses controls made of several widgets,
// such as a drop-down list); -1 when none.
int FocusedControlId(wxWindow* topLevel);

// The position of a top-level window's X window as the X server has it.
bool ServerPosition(wxWindow* topLevel, wxPoint& out);

}  // namespace realinput
