// The pure half of choosing a file: the JPEG extension test and its
// message, and the file-open sequence on the state of the current file.
#pragma once
#include "exif/ExifReader.h"

#include <functional>
#include <string>

// The longest path the program holds (its path buffers have 260 bytes).
constexpr size_t kMaxPathLen = 259;

// True when the extension (without its dot) begins with jpg or jpe, in any
// letter case; "jpeg" is covered by "jpe".
bool IsJpegExtension(const std::string& ext);
// The rejection message for an extension, CP932, at most 255 bytes.
std::string ExtensionRejectMessage(const std::string& ext);
// The text after the last dot of the name part of a path, without the dot.
std::string ExtensionOf(const std::string& path);

// Everything the main window holds about the current file.
struct CurrentFile {
    char m_szFileName[256] = {};
    char m_szFilePath[260] = {};
    FileContent m_content;
    ExifAnalysis m_analysis{};
};

// The preview step of the file-open sequence: converts the file for the
// picture box and reports the picture's pixel size (0 x 0 when it fails).
struct PreviewSize { int32_t width = 0, height = 0; };
using PreparePreviewFn = std::function<PreviewSize(const char* path)>;

// The file-open sequence: path and name, preview, read and analysis,
// picture size and file time. Returns whether the GPS writer may be
// offered (GPS state 1). A path longer than kMaxPathLen changes nothing
// and returns false.
bool LoadImageFile(CurrentFile& cur, const char* path, const TagNameTable& tags,
                   const PreparePreviewFn& preparePreview);
