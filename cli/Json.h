// The analysis record as one line of JSON (UTF-8), for scripts.
#pragma once
#include "exif/ExifAnalysis.h"
#include "locate/Locator.h"

#include <string>
#include <vector>

// `path` is the path as the user gave it (UTF-8); texts of the record are
// converted from CP932, undecodable bytes becoming U+FFFD.
// With `finds`, the locator's finds are added as the field "finds".
std::string AnalysisToJson(const std::string& path, const ExifAnalysis& a,
                           const std::vector<PositionFind>* finds = nullptr);

// A JSON string literal (with its quotes) for UTF-8 text.
std::string JsonString(const std::string& utf8);
