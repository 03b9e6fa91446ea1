#include "cli/Report.h"

#include "cli/AnalyzeArg.h"
#include "exif/ExifReader.h"
#include "platform/Text.h"
#include "report/ReportLayout.h"

#include <cstdio>

const char kReportUsage[] =
    "usage: tamlix-cli report FILE...\n"
    "\n"
    "  report       read each JPEG as the Tamlix window does and print its detail\n"
    "               report: header block, 0th IFD and GPS IFD entry tables (position,\n"
    "               tag, type, count, offset, the 12 raw bytes) and the GPS data\n"
    "               section, each item at its cell column, one line per report line,\n"
    "               unscrolled; a blank line between files.\n";

int RunReport(const std::vector<std::string>& files, const std::string& tagTablePath) {
    TagNameTable tags;
    LoadTagNameTable(tagTablePath.c_str(), tags);
    int status = 0;
    bool first = true;
    for (const std::string& arg : files) {
        std::string path;
        ExifAnalysis a{};
        FileContent content;
        if (!AnalyzeArgument(arg, tags, a, content, path)) {
            status = 1;
            continue;
        }
        char name[256] = {};
        FindFileName(name, path.c_str());
        if (!first) std::fputs("\n", stdout);
        first = false;
        std::fputs(plat::Cp932ToUtf8(ReportAsText(a, name)).c_str(), stdout);
    }
    std::fflush(stdout);
    return status;
}
