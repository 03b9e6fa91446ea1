#include "platform/Message.h"

#include "platform/Text.h"

#include <cstdio>

namespace plat {
namespace {

MessageResponder& Current() {
    static MessageResponder responder = ConsoleResponder;
    return responder;
}

MsgResult Affirmative(MsgButtons b) {
    return b == MsgButtons::YesNo ? MsgResult::Yes : MsgResult::Ok;
}

}  // namespace

MsgResult ShowMessage(const std::string& text, const std::string& caption, MsgButtons buttons) {
    MessageResponder& r = Current();
    return r ? r(text, caption, buttons) : Affirmative(buttons);
}

MessageResponder SetMessageResponder(MessageResponder r) {
    MessageResponder previous = std::move(Current());
    Current() = std::move(r);
    return previous;
}

MsgResult ConsoleResponder(const std::string& text, const std::string& caption, MsgButtons b) {
    std::string line = Cp932ToUtf8(caption) + ": " + Cp932ToUtf8(text) + "\n";
    std::fputs(line.c_str(), stderr);
    return Affirmative(b);
}

}  // namespace plat
