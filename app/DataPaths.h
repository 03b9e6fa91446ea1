// Paths of the files kept beside the executable, built once at start-up.
#pragma once
#include <string>

extern char g_szModuleDir[256];     // executable's folder, no trailing separator
extern char g_szSettingsPath[260];  // .../SetteiQRV.bin
extern char g_szTagTablePath[260];  // .../JpegTIFFTag.csv

// Fills the three paths. When the folder or a path built from it does not
// fit its buffer (or the executable's path is unknown), all three stay
// empty: nothing is read or written beside the executable then. When this
// user may not create a file in the executable's folder (an installed
// copy), the settings file is taken from the user's settings folder
// instead (UseUserSettingsFolder).
void BuildDataPaths();
// The same from a given executable path (CP932). A path without a folder
// counts as unknown.
void BuildDataPathsFrom(const std::string& exePath);
// Points g_szSettingsPath into this user's settings folder, created here,
// when that path fits the buffer; otherwise it stays as it was.
void UseUserSettingsFolder();

// The tag table's path beside the executable at `exePath` (CP932): the
// bare file name when that path has no folder.
std::string TagTablePathFor(const std::string& exePath);
