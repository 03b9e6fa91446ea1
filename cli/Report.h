// `tamlix-cli report`: the detail report of each file as text, the report's
// items placed on a character grid (column = cell column, row = line).
#pragma once
#include <string>
#include <vector>

// Prints the reports in UTF-8, a blank line between files. Returns the exit
// status: 0 when every file was read, 1 otherwise (a file that cannot be
// read gets a message on standard error and no report).
int RunReport(const std::vector<std::string>& files, const std::string& tagTablePath);
