#include "cli/AnalyzeArg.h"

#include "app/Summary.h"
#include "cli/ReadNamed.h"
#include "locate/jpeg/JpegSegments.h"
#include "platform/File.h"
#include "platform/SysFile.h"
#include "platform/Text.h"
#include "preview/JpegSize.h"

#include <algorithm>
#include <cstdio>

namespace {

std::string OpenFailed(const std::string& arg, ReadStatus st) {
    std::string err = plat::Cp932ToUtf8("ファイルオープンに失敗しました") + ": Path=" + arg;
    if (st != ReadStatus::Missing && st != ReadStatus::Failed)
        err += std::string(" (") + ReadStatusText(st) + ")";
    return err + "\n";
}

// The picture size from the frame header. The decoder reads the header
// only up to the first scan: when it succeeds without a warning on the
// bytes in memory from the start, it read no further (running out of
// bytes is a warning), and the answer is the whole file's. The head up to
// the first scan, as the marker walk sees it, is brought first (a decoder
// short of bytes skips a long segment two bytes at a time); should the
// decoder still want more, twice as much is brought each time, and after a
// warning the whole file.
void ReadPictureSize(LazyBytes& bytes, ExifAnalysis& a) {
    const int64_t len = bytes.Length();
    if (bytes.Budgeted()) return;  // the decoder needs the head whole
    JpegPicture head;
    if (WalkJpeg(bytes.Reader(), 0, len, head, true) && !head.segments.empty()) {
        const JpegSegment& last = head.segments.back();
        bytes.Bring(0, std::min(len, last.payload + last.payloadLen));
    }
    for (int64_t have = bytes.PresentPrefix();; have = bytes.PresentPrefix()) {
        bool warned = false;
        const bool read = ReadJpegSize(bytes.Data(), have, a.m_nWidth, a.m_nHeight, &warned);
        if ((read && !warned) || have >= len) return;
        const int64_t more = warned ? len : std::max<int64_t>(have * 2, LazyBytes::kReadAhead);
        if (!bytes.Bring(0, std::min(len, more))) return;
    }
}

}  // namespace

void LocateInBytes(LazyBytes& bytes, LocateResult& found, LocateDepth depth,
                   const ExifAnalysis* window, const LocateOptions& opt) {
    // The thorough walk reads everything: in one read rather than step by
    // step, unless the file is read into pages a few at a time.
    if (depth == LocateDepth::Thorough && !bytes.Budgeted()) bytes.BringAll();
    LocatePositions(bytes.Reader(), found, depth, window, nullptr, opt);
}

void AnalyzeBytes(LazyBytes& bytes, const TagNameTable& tags, ExifAnalysis& a,
                  LocateResult* found, LocateDepth depth) {
    a = ExifAnalysis{};
    AnalyzeExif(a, bytes.Reader(), tags);
    if (found != nullptr) LocateInBytes(bytes, *found, depth, &a);
    // After the walk, which has brought the head up to the first scan.
    ReadPictureSize(bytes, a);
}

bool AnalyzeArgument(const std::string& arg, const TagNameTable& tags, ExifAnalysis& a,
                     NamedFile& file, std::string& err, LocateResult* found, LocateDepth depth) {
    const ReadStatus st = OpenNamedFile(arg, file);
    if (st != ReadStatus::Ok) {
        a = ExifAnalysis{};
        err = OpenFailed(arg, st);
        return false;
    }
    AnalyzeBytes(file.bytes, tags, a, found, depth);
    if (file.bytes.Failed()) {
        // The file changed or failed while being read: nothing it showed counts.
        a = ExifAnalysis{};
        if (found != nullptr) *found = LocateResult{};
        err = OpenFailed(arg, ReadStatus::Failed);
        return false;
    }
    plat::LocalTime t{};
    if (file.file.WriteTimeAtOpen(t)) FormatLocalTime(t, a.m_szFileTime);
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
