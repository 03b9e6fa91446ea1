// `tamlix-cli show`: the window's read and analysis of each file, printed as
// the summary or as the whole record in JSON, with what the thorough
// locator finds beside it.
#pragma once
#include <string>
#include <vector>

// Returns the exit status: 0 when every file was read, 1 otherwise.
int RunShow(const std::vector<std::string>& files, bool json, const std::string& tagTablePath);
