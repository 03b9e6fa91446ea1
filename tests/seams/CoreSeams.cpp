// The seams every test program may use: scripted message boxes and a write
// failure injected below the file layer.
#include "tests/seams/TestSeams.h"

#ifdef _WIN32
#include "platform/win/WriteSome.h"

#include <windows.h>
#else
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#endif

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

#ifdef _WIN32

// Replaces the Windows file layer's one write (platform/win/WriteSome.cpp).
bool plat::WriteSome(void* handle, const void* buf, uint32_t n, uint32_t* put) {
    DWORD done = 0;
    *put = 0;
    if (g_nWritesUntilFailure > 0 && --g_nWritesUntilFailure == 0) {
        // Half the bytes reach the file, then the disk is full.
        if (n / 2 > 0) WriteFile(handle, buf, n / 2, &done, nullptr);
        SetLastError(ERROR_DISK_FULL);
        return false;
    }
    const bool ok = WriteFile(handle, buf, n, &done, nullptr);
    *put = done;
    return ok;
}

#else

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

#endif
