#include "cli/AnalyzeArg.h"

#include "app/Summary.h"
#include "cli/ReadNamed.h"
#include "platform/File.h"
#include "platform/SysFile.h"
#include "platform/Text.h"
#include "preview/JpegSize.h"

#include <cstdio>

bool AnalyzeArgument(const std::string& arg, const TagNameTable& tags, ExifAnalysis& a,
                     FileBytes& content, std::string& err) {
    a = ExifAnalysis{};
    plat::SysFile f;
    const ReadStatus st = ReadNamedFile(arg, content, &f);
    if (st != ReadStatus::Ok) {
        err = plat::Cp932ToUtf8("ファイルオープンに失敗しました") + ": Path=" + arg;
        if (st != ReadStatus::Missing && st != ReadStatus::Failed)
            err += std::string(" (") + ReadStatusText(st) + ")";
        err += "\n";
        return false;
    }
    const int32_t len = static_cast<int32_t>(content.size());
    AnalyzeExif(a, content.data(), len, tags);
    ReadJpegSize(content.data(), len, a.m_nWidth, a.m_nHeight);
    plat::LocalTime t{};
    if (f.LastWriteTime(t)) FormatLocalTime(t, a.m_szFileTime);
    return true;
}

std::string ReportFileName(const std::string& arg) {
    std::string name = plat::SysBaseName(arg), out;
    if (!plat::Utf8ToCp932(name, out)) {
        // Keep what CP932 can hold, character by character.
        out.clear();
        for (size_t i = 0; i < name.size();) {
            size_t n = 1;
            const auto c = static_cast<unsigned char>(name[i]);
            if (c >= 0xF0) n = 4; else if (c >= 0xE0) n = 3; else if (c >= 0xC0) n = 2;
            std::string piece;
            out += plat::Utf8ToCp932(name.substr(i, n), piece) ? piece : "?";
            i += n;
        }
    }
    char cut[255];
    plat::CopyCp932Cut(cut, sizeof cut, out.data(), out.size());
    return cut;
}
