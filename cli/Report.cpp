#include "cli/Report.h"

#include "app/Summary.h"
#include "exif/ExifReader.h"
#include "platform/Text.h"
#include "preview/JpegSize.h"
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
        if (!plat::Utf8ToCp932(arg, path)) {
            std::string why = plat::Cp932ToUtf8(
                "ファイルオープンに失敗しました: Shift-JIS で表せない文字を含むパスは扱えません");
            std::fprintf(stderr, "%s: Path=%s\n", why.c_str(), arg.c_str());
            status = 1;
            continue;
        }
        ExifAnalysis a{};
        FileContent content;
        ReadCurrentFile(path.c_str(), a, content, tags);
        if (a.m_bLoaded == 0) {
            status = 1;
            continue;
        }
        // The picture size and the file time, as the window's file-open
        // sequence fills them.
        ReadJpegSize(content.m_pFileData.get(), content.m_nFileLen, a.m_nWidth, a.m_nHeight);
        FormatFileTime(path.c_str(), a.m_szFileTime);
        char name[256] = {};
        FindFileName(name, path.c_str());
        if (!first) std::fputs("\n", stdout);
        first = false;
        std::fputs(plat::Cp932ToUtf8(ReportAsText(a, name)).c_str(), stdout);
    }
    std::fflush(stdout);
    return status;
}
