// What tests need from the system, the same way on POSIX and Windows: a
// fresh folder, and another program run without a shell in between.
#pragma once
#include <filesystem>
#include <string>
#include <vector>

namespace testos {

// A new, empty folder under the system's temporary folder.
std::filesystem::path NewTempDir(const std::string& prefix);

struct Result {
    int status;       // exit status; -1 when it could not run or did not exit
    std::string out;  // standard output, as written
    std::string err;  // standard error; then, when the status is -1, a last
                      // line "[test run of EXE: why]" (not started, killed
                      // by a signal)
};

// Runs `exe` with `args` (each passed as it is; on Windows a name without a
// folder is found beside the running test program).
Result Run(const std::string& exe, const std::vector<std::string>& args);

// Splits a command line written for a POSIX shell into its words: blanks
// separate them, and single quotes keep a word together.
std::vector<std::string> SplitWords(const std::string& line);

}  // namespace testos
