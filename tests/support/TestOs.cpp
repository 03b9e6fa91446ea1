#include "tests/support/TestOs.h"

#include <fstream>
#include <iterator>
#include <random>

#ifdef _WIN32
#include "platform/win/Wide.h"
#include <windows.h>
#else
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

namespace testos {
namespace {

std::string Slurp(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

#ifdef _WIN32

// One argument quoted so that the C runtime's parser gives it back as it is.
std::wstring Quoted(const std::wstring& a) {
    if (!a.empty() && a.find_first_of(L" \t\"") == std::wstring::npos) return a;
    std::wstring q = L"\"";
    size_t slashes = 0;
    for (wchar_t c : a) {
        if (c == L'\\') {
            ++slashes;
            continue;
        }
        q.append(c == L'"' ? slashes * 2 + 1 : slashes, L'\\');
        slashes = 0;
        q += c;
    }
    q.append(slashes * 2, L'\\');
    return q + L"\"";
}

HANDLE Inheritable(const std::filesystem::path& p) {
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    return CreateFileW(p.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &sa, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

int Spawn(const std::string& exe, const std::vector<std::string>& args,
          const std::filesystem::path& out, const std::filesystem::path& err, std::string& why) {
    why = "not started: its name or an argument is no UTF-8";
    std::wstring wexe;
    if (!plat::Utf8ToWide(exe, wexe)) return -1;
    if (wexe.find_first_of(L"\\/") == std::wstring::npos) {
        wchar_t self[MAX_PATH];
        const DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
        wexe = std::filesystem::path(std::wstring(self, n)).parent_path() / wexe;
    }
    std::wstring line = Quoted(wexe);
    for (const std::string& a : args) {
        std::wstring w;
        if (!plat::Utf8ToWide(a, w)) return -1;
        line += L" " + Quoted(w);
    }
    // Under Wine a child now and then dies while it is being set up, and
    // the start fails with ERROR_INTERNAL_ERROR; nothing of the program under
    // test has run then, so the start is tried again a few times.
    PROCESS_INFORMATION pi{};
    bool started = false;
    DWORD startError = 0;
    for (int attempt = 0; attempt < 4 && !started; ++attempt) {
        if (attempt > 0) {
            if (startError != ERROR_INTERNAL_ERROR) break;
            Sleep(200 * attempt);
        }
        HANDLE hOut = Inheritable(out), hErr = Inheritable(err);
        STARTUPINFOW si{};
        si.cb = sizeof si;
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        si.hStdOutput = hOut;
        si.hStdError = hErr;
        std::wstring cmd = line;  // CreateProcessW may write into its command line
        started = hOut != INVALID_HANDLE_VALUE && hErr != INVALID_HANDLE_VALUE &&
                  CreateProcessW(wexe.c_str(), cmd.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                 nullptr, &si, &pi);
        startError = GetLastError();
        if (hOut != INVALID_HANDLE_VALUE) CloseHandle(hOut);
        if (hErr != INVALID_HANDLE_VALUE) CloseHandle(hErr);
    }
    if (!started) {
        why = "not started: Windows error " + std::to_string(startError);
        return -1;
    }
    why.clear();
    DWORD code = 0;
    WaitForSingleObject(pi.hProcess, INFINITE);
    const bool got = GetExitCodeProcess(pi.hProcess, &code);
    if (!got) why = "no exit status: Windows error " + std::to_string(GetLastError());
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return got ? static_cast<int>(code) : -1;
}

#else

int Spawn(const std::string& exe, const std::vector<std::string>& args,
          const std::filesystem::path& out, const std::filesystem::path& err, std::string& why) {
    std::vector<char*> argv{const_cast<char*>(exe.c_str())};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&fa, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, exe.c_str(), &fa, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    if (rc != 0) {
        why = std::string("not started: ") + std::strerror(rc);
        return -1;
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            why = std::string("not waited for: ") + std::strerror(errno);
            return -1;
        }
    }
    if (WIFSIGNALED(status)) why = "killed by signal " + std::to_string(WTERMSIG(status));
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

#endif

}  // namespace

std::filesystem::path NewTempDir(const std::string& prefix) {
    std::random_device rd;
    for (;;) {
        const auto p = std::filesystem::temp_directory_path() /
                       (prefix + "-" + std::to_string(rd() % 1000000000u));
        if (std::filesystem::create_directory(p)) return p;
    }
}

Result Run(const std::string& exe, const std::vector<std::string>& args) {
    // One pair of files per run: tests may run as parallel processes.
    const std::filesystem::path dir = NewTempDir("tamlix-run");
    std::string why;
    const int status = Spawn(exe, args, dir / "out", dir / "err", why);
    Result r{status, Slurp(dir / "out"), Slurp(dir / "err")};
    if (!why.empty()) r.err += "[test run of " + exe + ": " + why + "]\n";
    std::filesystem::remove_all(dir);
    return r;
}

std::vector<std::string> SplitWords(const std::string& line) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false, quoted = false;
    for (char c : line) {
        if (c == '\'') {
            quoted = !quoted;
            inWord = true;
        } else if (!quoted && (c == ' ' || c == '\t')) {
            if (inWord) words.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord) words.push_back(word);
    return words;
}

}  // namespace testos
