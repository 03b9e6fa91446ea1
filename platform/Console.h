// The start of a terminal program: its arguments and standard streams.
#pragma once
#include <string>
#include <vector>

namespace plat {

// The command line's arguments as the program takes them, the program's
// name first: as the system gives them here; on Windows the UTF-16 command
// line converted to UTF-8, so any file name comes through. Also makes
// standard output and error take the program's bytes as written (UTF-8,
// LF line ends), and standard input give its bytes as they come.
std::vector<std::string> ConsoleArguments(int argc, char** argv);

}  // namespace plat
