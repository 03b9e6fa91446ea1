// The one way any part of the program shows a message box (text, caption,
// buttons; no icon). Texts are CP932. The responder behind it is swapped:
// the window layer installs real boxes, the terminal prints, tests script.
#pragma once
#include <deque>
#include <functional>
#include <string>
#include <vector>

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

// For tests: records every message and answers from a queue (the
// affirmative button when the queue is empty). Installs itself while alive.
class ScriptedMessages {
public:
    struct Shown { std::string text, caption; MsgButtons buttons; };

    ScriptedMessages();
    ~ScriptedMessages();
    ScriptedMessages(const ScriptedMessages&) = delete;
    ScriptedMessages& operator=(const ScriptedMessages&) = delete;

    void Answer(MsgResult r) { m_answers.push_back(r); }
    const std::vector<Shown>& All() const { return m_shown; }
    size_t Count() const { return m_shown.size(); }
    const Shown& Last() const { return m_shown.back(); }
    void Clear() { m_shown.clear(); }

private:
    std::vector<Shown> m_shown;
    std::deque<MsgResult> m_answers;
    MessageResponder m_previous;
};

}  // namespace plat
