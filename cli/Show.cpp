#include "cli/Show.h"

#include "app/Summary.h"
#include "cli/AnalyzeArg.h"
#include "cli/Json.h"
#include "exif/ExifReader.h"
#include "platform/Text.h"

#include <cstdio>
#include <utility>

namespace {

void PrintSummary(const std::string& path, const SummaryTexts& s) {
    const std::pair<const char*, const std::string*> rows[] = {
        {"Exif 情報", &s.m_strExif}, {"GPS 情報", &s.m_strGps},
        {"緯度", &s.m_strLat},       {"経度", &s.m_strLon},
        {"メーカー", &s.m_strMaker}, {"モデル", &s.m_strModel},
        {"撮影日時", &s.m_strDate},  {"画像サイズ", &s.m_strSize},
    };
    std::string out = "file: " + path + "\n";
    for (const auto& [label, value] : rows)
        out += plat::Cp932ToUtf8(label) + ": " + plat::Cp932ToUtf8(*value) + "\n";
    std::fputs(out.c_str(), stdout);
}

}  // namespace

int RunShow(const std::vector<std::string>& files, bool json, const std::string& tagTablePath) {
    TagNameTable tags;
    LoadTagNameTable(tagTablePath.c_str(), tags);
    int status = 0;
    bool first = true;
    for (const std::string& arg : files) {
        ExifAnalysis a{};
        FileContent content;
        std::string path;
        if (!AnalyzeArgument(arg, tags, a, content, path)) status = 1;
        if (json) {
            std::string line = AnalysisToJson(arg, a) + "\n";
            std::fputs(line.c_str(), stdout);
        } else {
            if (!first) std::fputs("\n", stdout);
            PrintSummary(arg, MakeSummary(a, a.m_nWidth, a.m_nHeight));
        }
        first = false;
    }
    std::fflush(stdout);
    return status;
}
