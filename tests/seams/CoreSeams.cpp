// The seams every test program may use: scripted message boxes and a write
// failure injected below the file layer.
#include "tests/seams/TestSeams.h"

#include <sys/types.h>
#include <unistd.h>

#include <cerrno>

namespace plat {

ScriptedMessages::ScriptedMessages() {
    m_previous = SetMessageResponder(
        [this](const std::string& text, const std::string& caption, MsgButtons b) {
            m_shown.push_back({text, caption, b});
            if (m_answers.empty()) return b == MsgButtons::YesNo ? MsgResult::Yes : MsgResult::Ok;
            const MsgResult r = m_answers.front();
            m_answers.pop_front();
            return r;
        });
}

ScriptedMessages::~ScriptedMessages() { SetMessageResponder(std::move(m_previous)); }

namespace {
int g_nWritesUntilFailure = 0;  // 0: disarmed
}  // namespace

void FailNthWriteForTest(int n) { g_nWritesUntilFailure = n > 0 ? n : 0; }

}  // namespace plat

// Test programs are linked with --wrap=write: every write() of the program's
// own code comes here first.
extern "C" ssize_t __real_write(int fd, const void* buf, size_t n);

extern "C" ssize_t __wrap_write(int fd, const void* buf, size_t n) {
    if (plat::g_nWritesUntilFailure > 0 && --plat::g_nWritesUntilFailure == 0) {
        // Half the bytes reach the file, then the disk is full.
        if (n / 2 > 0) __real_write(fd, buf, n / 2);
        errno = ENOSPC;
        return -1;
    }
    return __real_write(fd, buf, n);
}
