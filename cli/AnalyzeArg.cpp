#include "cli/AnalyzeArg.h"

#include "app/Summary.h"
#include "platform/Text.h"
#include "preview/JpegSize.h"

#include <cstdio>

bool AnalyzeArgument(const std::string& arg, const TagNameTable& tags, ExifAnalysis& a,
                     FileContent& content, std::string& path) {
    a = ExifAnalysis{};
    if (!plat::Utf8ToCp932(arg, path)) {
        const std::string why = plat::Cp932ToUtf8(
            "ファイルオープンに失敗しました: Shift-JIS で表せない文字を含むパスは扱えません");
        std::fprintf(stderr, "%s: Path=%s\n", why.c_str(), arg.c_str());
        return false;
    }
    if (ReadCurrentFile(path.c_str(), a, content, tags) == ReadResult::CannotRead) return false;
    ReadJpegSize(content.m_pFileData.get(), content.m_nFileLen, a.m_nWidth, a.m_nHeight);
    FormatFileTime(path.c_str(), a.m_szFileTime);
    return true;
}
