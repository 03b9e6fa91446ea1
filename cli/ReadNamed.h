// Reading a file named on the command line: the name as the system gives
// it, regular files only, never blocking, bounded in size.
#pragma once
#include "platform/SysFile.h"

#include <cstdint>
#include <string>
#include <vector>

enum class ReadStatus { Ok, Missing, NotRegular, TooLarge, Failed };

// Reads the whole file into `out`. With `keep` the file stays open there
// (for reading and writing when `patch`), so that what is written later
// goes to the very file that was read.
ReadStatus ReadNamedFile(const std::string& path, std::vector<uint8_t>& out,
                         plat::SysFile* keep = nullptr, bool patch = false);

// Why a read failed, in English: "no such file", "not a regular file", ...
const char* ReadStatusText(ReadStatus s);
