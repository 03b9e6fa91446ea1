// `tamlix-cli show`: the window's read and analysis of each file, printed as
// the summary or as the whole record in JSON, with what the thorough
// locator finds beside it.
#pragma once
#include "cli/Pool.h"
#include "locate/Locator.h"

#include <string>

// Shows every file `next` names (`count` receives how many). Returns the
// exit status: 0 when every file was read, 1 otherwise.
int RunShow(const NameSource& next, bool json, const std::string& tagTablePath, LocateDepth depth,
            size_t* count);
