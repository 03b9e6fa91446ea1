#include "app/FileSelect.h"

#include "app/Summary.h"
#include "platform/Path.h"
#include "platform/Text.h"

#include <cstring>

namespace {

bool StartsWithIgnoringCase(const std::string& text, const char* prefix) {
    for (size_t i = 0; prefix[i] != '\0'; ++i) {
        if (i >= text.size()) return false;
        char c = text[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != prefix[i]) return false;
    }
    return true;
}

}  // namespace

bool IsJpegExtension(const std::string& ext) {
    return StartsWithIgnoringCase(ext, "jpg") || StartsWithIgnoringCase(ext, "jpe");
}

std::string ExtensionRejectMessage(const std::string& ext) {
    std::string text = "拡張子として [" + ext + "] のファイルが指定されました\n処理できません";
    char buf[256];
    plat::CopyCp932Cut(buf, sizeof buf, text.data(), text.size());
    return buf;
}

std::string ExtensionOf(const std::string& path) {
    std::string ext = plat::SplitPath(path).ext;
    return ext.empty() ? ext : ext.substr(1);
}

bool LoadImageFile(CurrentFile& cur, const char* path, const TagNameTable& tags,
                   const PreparePreviewFn& preparePreview) {
    size_t len = std::strlen(path);
    if (len > kMaxPathLen) return false;
    std::memcpy(cur.m_szFilePath, path, len + 1);
    FindFileName(cur.m_szFileName, cur.m_szFilePath);
    PreviewSize size = preparePreview ? preparePreview(cur.m_szFilePath) : PreviewSize{};
    ReadCurrentFile(cur.m_szFilePath, cur.m_analysis, cur.m_content, tags);
    cur.m_analysis.m_nWidth = size.width;
    cur.m_analysis.m_nHeight = size.height;
    FormatFileTime(cur.m_szFilePath, cur.m_analysis.m_szFileTime);
    return cur.m_analysis.m_nGpsState == kGpsData;
}
