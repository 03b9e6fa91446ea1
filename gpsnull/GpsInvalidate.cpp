#include "gpsnull/GpsInvalidate.h"

#include "exif/ByteReader.h"
#include "exif/ExifReader.h"
#include "platform/File.h"
#include "platform/Message.h"
#include "platform/Path.h"
#include "platform/ReadFile.h"
#include "platform/SysFile.h"
#include "platform/Text.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

constexpr int64_t kEntrySize = 12;
constexpr int kTemporaryAttempts = 100;

// Zeroes n bytes at pos; the caller has checked that they are inside.
void Zero(uint8_t* buf, int64_t pos, int64_t n) {
    std::memset(buf + pos, 0, static_cast<size_t>(n));
}

}  // namespace

bool GpsPatchFits(const ExifAnalysis& a, int64_t len) {
    if (a.m_nGpsState != kGpsData || a.m_bExif == 0) return false;
    if (a.m_nGpsDone < 0 || a.m_nGpsDone > kGpsSlots || a.m_nGpsDone > a.m_nGpsCount) return false;
    // The GPS IFD lies after the TIFF header, which lies after "Exif\0\0";
    // so the JPEG start and the header can never be patched.
    const int64_t gps = a.m_nGpsPos;
    if (a.m_nTiffPos < 6 || gps < int64_t{a.m_nTiffPos} + 8) return false;
    const int64_t end = gps + 2 + kEntrySize * a.m_nGpsDone;
    if (end > len) return false;
    for (int i = 0; i < a.m_nGpsDone; ++i)
        if (a.m_Gps[i].m_nEntryPos != gps + 2 + kEntrySize * i) return false;
    return true;
}

bool GpsPatchSafe(const ExifAnalysis& a, const uint8_t* buf, int64_t len) {
    if (buf == nullptr || !GpsPatchFits(a, len)) return false;
    // The TIFF header must sit in an APP1 segment after "Exif\0\0"; the GPS
    // IFD's patched bytes must lie after the header and inside that segment.
    const ByteReader r(buf, len, ByteReader::kBigEndian);
    const int64_t tiff = a.m_nTiffPos;
    uint8_t m0 = 0, m1 = 0;
    uint16_t segLen = 0;
    if (!r.U8(tiff - 10, m0) || !r.U8(tiff - 9, m1) || m0 != 0xFF || m1 != 0xE1 ||
        !r.U16(tiff - 8, segLen) || !r.Matches(tiff - 6, 'E', 'x', 'i', 'f'))
        return false;
    const int64_t segEnd = std::min(len, tiff - 8 + int64_t{segLen});
    const int64_t gpsEnd = int64_t{a.m_nGpsPos} + 2 + kEntrySize * a.m_nGpsDone;
    if (gpsEnd > segEnd) return false;
    // Nor may they share a byte with the 0th IFD's own entry table.
    const int64_t ifd0 = a.m_nIfd0Pos;
    const int64_t ifd0End = ifd0 + 2 + kEntrySize * std::max(0, a.m_nIfd0Count);
    return !(a.m_nGpsPos < ifd0End && ifd0 < gpsEnd);
}

bool InvalidateGpsBytes(uint8_t* buf, int64_t len, int32_t clearEntries, const ExifAnalysis& a,
                        int32_t clearLatLon) {
    if (!GpsPatchSafe(a, buf, len)) return false;
    if (clearEntries == 1) Zero(buf, a.m_nGpsPos, 2);
    for (int i = 0; i < a.m_nGpsDone; ++i) {
        const int64_t e = a.m_Gps[i].m_nEntryPos;
        if (clearEntries == 1) Zero(buf, e, 2);
        if (clearLatLon == 1) Zero(buf, e + 2, kEntrySize - 2);
    }
    return true;
}

int64_t WipeGpsValueBytes(uint8_t* buf, int64_t len, const ExifAnalysis& a) {
    if (!GpsPatchSafe(a, buf, len)) return 0;
    // The TIFF block: from the header to the end of its APP1 segment when
    // the marker and length before "Exif\0\0" can be read, else to the end.
    const ByteReader r(buf, len, ByteReader::kBigEndian);
    const int64_t tiff = a.m_nTiffPos;
    int64_t blockEnd = len;
    uint8_t m0 = 0, m1 = 0;
    uint16_t segLen = 0;
    if (r.U8(tiff - 10, m0) && r.U8(tiff - 9, m1) && m0 == 0xFF && m1 == 0xE1 &&
        r.U16(tiff - 8, segLen))
        blockEnd = std::min(len, tiff - 8 + int64_t{segLen});
    int64_t zeroed = 0;
    for (int i = 0; i < a.m_nGpsDone; ++i) {
        const IfdEntry& e = a.m_Gps[i];
        // A value of 4 bytes or less sits in the entry itself.
        if (e.m_nSize <= 4 || e.m_nValuePos < 0) continue;
        const int64_t from = std::max<int64_t>(e.m_nValuePos, tiff + 8);
        const int64_t to = std::min<int64_t>(int64_t{e.m_nValuePos} + e.m_nSize, blockEnd);
        if (from >= to || !r.Has(from, to - from)) continue;
        Zero(buf, from, to - from);
        zeroed += to - from;
    }
    return zeroed;
}

ReadAgainResult ReadFileAgain(const char* path, FileBuffer& out, const uint8_t* analysed,
                              int64_t analysedLen) {
    out = FileBuffer{};
    plat::FileBytes file;
    if (plat::ReadWholeFile(path, kMaxFileLen, file) != plat::ReadStatus::Ok)
        return ReadAgainResult::CannotRead;
    // A file that shrank or grew while read is not the one it was a moment ago.
    if (file.changed) return analysed ? ReadAgainResult::Changed : ReadAgainResult::CannotRead;
    out.data = std::move(file.data);
    out.len = file.len;
    if (analysed == nullptr) return ReadAgainResult::Ok;
    const ByteReader now(out.data.get(), out.len);
    const uint8_t* bytes = now.Span(0, analysedLen);
    if (out.len != analysedLen || (analysedLen > 0 && bytes == nullptr) ||
        (analysedLen > 0 && std::memcmp(bytes, analysed, static_cast<size_t>(analysedLen)) != 0)) {
        out = FileBuffer{};
        return ReadAgainResult::Changed;
    }
    return ReadAgainResult::Ok;
}

std::string TemporaryPathFor(const std::string& target, int attempt) {
    const plat::PathParts p = plat::SplitPath(target);
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".tamlix-%d.tmp", attempt);
    return p.drive + p.dir + "." + p.fname + p.ext + suffix;
}

bool WriteFileSafely(const char* target, const uint8_t* data, int64_t len) {
    if (target == nullptr || *target == '\0' || len < 0 || (len > 0 && data == nullptr))
        return false;
    const bool exists = plat::FileExists(target);
    if (exists) {
        // A folder, or a file that may not be written, is not replaced.
        if (plat::IsDirectory(target)) return false;
        plat::File probe;
        if (!probe.OpenReadWriteCreate(target, plat::Share::DenyNone)) return false;
    }
    plat::File tmp;
    std::string tmpPath;
    for (int i = 0; i < kTemporaryAttempts && !tmp.IsOpen(); ++i) {
        tmpPath = TemporaryPathFor(target, i);
        if (tmp.CreateNew(tmpPath.c_str())) break;
        if (!plat::FileExists(tmpPath.c_str())) return false;  // the folder refuses
    }
    if (!tmp.IsOpen()) return false;
    bool ok = tmp.Write(data, len) && tmp.Flush();
    tmp.Close();
    if (ok && exists) ok = plat::CopyPermissions(target, tmpPath.c_str());
    if (ok) ok = plat::RenameOver(tmpPath.c_str(), target);
    if (!ok) plat::RemoveFile(tmpPath.c_str());
    return ok;
}

bool WriteGpsResult(const char* target, const char* current, const uint8_t* was,
                    const uint8_t* now, int64_t len) {
    if (target == nullptr || current == nullptr || was == nullptr || now == nullptr) return false;
    const std::string to = plat::Cp932ToUtf8(target), from = plat::Cp932ToUtf8(current);
    plat::FileId a, b;
    if (plat::SysFileIdOf(to, a) && plat::SysFileIdOf(from, b) && a == b) {
        plat::SysFile f;
        return f.Open(to, true) == plat::OpenResult::Ok && f.Id() == a &&
               plat::PatchChangedBytes(f, was, now, len);
    }
    std::string real, realCp932;
    if (plat::SysResolveLinks(to, real) && plat::Utf8ToCp932(real, realCp932))
        return WriteFileSafely(realCp932.c_str(), now, len);
    return WriteFileSafely(target, now, len);
}

bool ConfirmOverwrite(const char* path) {
    if (!plat::FileExists(path)) return true;
    const std::string caption = std::string("指定DF[") + path + "]";
    return plat::ShowMessage("ファイルが存在します。書き換えてもいいですか？", caption,
                             plat::MsgButtons::YesNo) == plat::MsgResult::Yes;
}
