// `tamlix-cli check`: one line for each file that holds a GPS position,
// saying where, and for each file that cannot be read; nothing for clean
// files. For upload scripts and pre-commit hooks.
#pragma once
#include "cli/Pool.h"
#include "locate/Locator.h"

// Checks every file `next` names (`count` receives how many). Returns the
// exit status: 0 when every file is clean, 1 otherwise.
int RunCheck(const NameSource& next, LocateDepth depth, size_t* count, const LocateOptions& opt = {});
