// The user's own folder for the program's settings, for copies installed
// where the user may not write (a system folder). Paths are CP932.
#pragma once
#include <string>

namespace plat {

// True when this user may create a file in the folder `dir`.
bool CanCreateFileIn(const char* dir);

// This user's settings folder for the program, without a trailing
// separator: $XDG_CONFIG_HOME/tamlix, or ~/.config/tamlix when that
// variable is unset, empty or not an absolute path (%APPDATA%\Tamlix on
// Windows). False when no home is known or CP932 cannot hold the path.
// Nothing is created.
bool UserSettingsFolder(std::string& out);

// Creates `dir` and any missing folders above it, readable by this user
// only. True when `dir` is a folder afterwards.
bool CreateFolders(const std::string& dir);

}  // namespace plat
