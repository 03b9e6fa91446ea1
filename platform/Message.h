// The one way any part of the program shows a message box (text, caption,
// buttons; no icon). Texts are CP932. The responder behind it is swapped:
// the window layer installs real boxes, the terminal prints, tests script.
#pragma once
#include <functional>
#include <string>

namespace plat {

enum class MsgButtons { Ok, OkCancel, YesNo };
enum class MsgResult { Ok, Cancel, Yes, No };

using MessageResponder =
    std::function<MsgResult(const std::string& text, const std::string& caption, MsgButtons)>;

MsgResult ShowMessage(const std::string& text, const std::string& caption,
                      MsgButtons buttons = MsgButtons::Ok);

// Installs `r` and returns the responder it replaces.
MessageResponder SetMessageResponder(MessageResponder r);

// Prints "caption: text" in UTF-8 to standard error and answers with the
// affirmative button (OK or Yes). The default responder.
MsgResult ConsoleResponder(const std::string& text, const std::string& caption, MsgButtons b);

}  // namespace plat
