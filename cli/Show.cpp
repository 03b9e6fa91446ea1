#include "cli/Show.h"

#include "app/Summary.h"
#include "cli/AnalyzeArg.h"
#include "cli/FindText.h"
#include "cli/Json.h"
#include "cli/Pool.h"
#include "locate/Locator.h"
#include "platform/Text.h"

#include <cstdio>
#include <utility>

namespace {

std::string SummaryText(const std::string& path, const SummaryTexts& s, const std::string& elsewhere) {
    const std::pair<const char*, const std::string*> rows[] = {
        {"Exif 情報", &s.m_strExif}, {"GPS 情報", &s.m_strGps},
        {"緯度", &s.m_strLat},       {"経度", &s.m_strLon},
        {"メーカー", &s.m_strMaker}, {"モデル", &s.m_strModel},
        {"撮影日時", &s.m_strDate},  {"画像サイズ", &s.m_strSize},
    };
    std::string out = "file: " + path + "\n";
    for (const auto& [label, value] : rows)
        out += plat::Cp932ToUtf8(label) + ": " + plat::Cp932ToUtf8(*value) + "\n";
    if (!elsewhere.empty()) out += "GPS found elsewhere: " + elsewhere + "\n";
    return out;
}

// The finds the window's summary does not show: all but the GPS IFD it read.
std::vector<PositionFind> NotShown(const ExifAnalysis& a, const std::vector<PositionFind>& finds) {
    std::vector<PositionFind> out;
    for (const PositionFind& f : finds)
        if (!(a.m_nGpsState == kGpsData && f.kind == FindKind::ExifGps && f.picture == 0 &&
              f.pos == a.m_nGpsPos))
            out.push_back(f);
    return out;
}

}  // namespace

int RunShow(const NameSource& next, bool json, const std::string& tagTablePath, LocateDepth depth,
            size_t* count) {
    TagNameTable tags;
    LoadTagNameTable(tagTablePath.c_str(), tags);
    const int status = RunInOrder(next, PoolThreads(), [&](size_t i, const std::string& arg) {
        NamedFile file;
        JobResult r;
        ExifAnalysis a{};
        LocateResult found;
        if (!AnalyzeArgument(arg, tags, a, file, r.err, &found, depth)) r.status = 1;
        if (json)
            r.out = AnalysisToJson(arg, a, &found.finds) + "\n";
        else
            r.out = (i > 0 ? "\n" : "") + SummaryText(arg, MakeSummary(a, a.m_nWidth, a.m_nHeight),
                                                       DescribeFinds(NotShown(a, found.finds)));
        return r;
    }, 0, count);
    std::fflush(stdout);
    return status;
}
