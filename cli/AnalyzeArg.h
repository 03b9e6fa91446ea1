// Reading one file named on the command line, as the window's file-open
// sequence does: read and analyse, then the picture size (from the frame
// header) and the file time.
#pragma once
#include "exif/ExifReader.h"

#include <string>

// `arg` is the path as given (UTF-8); `path` receives it in CP932. False,
// with a message on standard error, when CP932 cannot hold the path or the
// file cannot be opened (the record then shows nothing loaded).
bool AnalyzeArgument(const std::string& arg, const TagNameTable& tags, ExifAnalysis& a,
                     FileContent& content, std::string& path);
