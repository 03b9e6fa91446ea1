// Arguments from the UTF-16 command line (argv would hold them in the
// system's code page, losing any character it lacks); standard streams in
// binary mode, and a console shown UTF-8 while the program runs.
#include "platform/Console.h"

#include "platform/win/Wide.h"

#include <windows.h>
#include <shellapi.h>
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>

namespace plat {
namespace {

UINT g_previousOutputCp = 0;

void RestoreConsoleCp() {
    if (g_previousOutputCp != 0) SetConsoleOutputCP(g_previousOutputCp);
}

}  // namespace

std::vector<std::string> ConsoleArguments(int argc, char** argv) {
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    DWORD mode = 0;
    if (GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) ||
        GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode)) {
        g_previousOutputCp = GetConsoleOutputCP();
        if (SetConsoleOutputCP(CP_UTF8)) std::atexit(RestoreConsoleCp);
    }

    int n = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &n);
    if (wide == nullptr) return std::vector<std::string>(argv, argv + argc);
    std::vector<std::string> args;
    args.reserve(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) args.push_back(WideToUtf8(wide[i]));
    LocalFree(wide);
    return args;
}

}  // namespace plat
