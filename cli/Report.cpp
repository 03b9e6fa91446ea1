#include "cli/Report.h"

#include "cli/AnalyzeArg.h"
#include "exif/ExifReader.h"
#include "platform/Text.h"
#include "report/ReportLayout.h"

#include <cstdio>

int RunReport(const std::vector<std::string>& files, const std::string& tagTablePath) {
    TagNameTable tags;
    LoadTagNameTable(tagTablePath.c_str(), tags);
    int status = 0;
    bool first = true;
    for (const std::string& arg : files) {
        ExifAnalysis a{};
        std::string err;
        NamedFile file;
        if (!AnalyzeArgument(arg, tags, a, file, err)) {
            std::fflush(stdout);
            std::fputs(err.c_str(), stderr);
            status = 1;
            continue;
        }
        if (!first) std::fputs("\n", stdout);
        first = false;
        std::fputs(plat::Cp932ToUtf8(ReportAsText(a, ReportFileName(arg).c_str())).c_str(), stdout);
    }
    std::fflush(stdout);
    return status;
}
