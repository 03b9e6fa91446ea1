#include "exif/ExifReader.h"

#include "exif/GpsDecode.h"
#include "platform/File.h"
#include "platform/Message.h"
#include "platform/Path.h"
#include "platform/ReadFile.h"
#include "platform/Text.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace {

// Bytes per unit of each field type; every type outside 2..10 counts 1.
int64_t UnitSize(int32_t type) {
    switch (type) {
    case 3: case 8: return 2;
    case 4: case 9: return 4;
    case 5: case 10: return 8;
    default: return 1;
    }
}

// A TIFF offset turned into a file offset: -1 when it is not a
// non-negative 32-bit number.
int32_t FilePos(int32_t tiffPos, uint32_t offset) {
    int64_t pos = int64_t{tiffPos} + offset;
    return pos <= INT32_MAX ? static_cast<int32_t>(pos) : -1;
}

// Reads the 12-byte entry at e, which must lie wholly inside.
void ReadEntry(const ByteReader& r, int32_t tiffPos, int64_t e, IfdEntry& out) {
    uint16_t tag = 0, type = 0;
    uint32_t count = 0, value = 0;
    r.U16(e, tag);
    r.U16(e + 2, type);
    r.U32(e + 4, count);
    r.U32(e + 8, value);
    out.m_nEntryPos = static_cast<int32_t>(e);
    std::memcpy(out.m_Raw, r.Span(e, 12), 12);
    out.m_nTag = tag;
    out.m_nType = type;
    out.m_nCount = static_cast<int32_t>(count);
    out.m_nValue = static_cast<int32_t>(value);
    int64_t size = int64_t{count} * UnitSize(type);
    out.m_nSize = size <= INT32_MAX ? static_cast<int32_t>(size) : INT32_MAX;
    out.m_nValuePos = FilePos(tiffPos, value);
    out.m_bOffset = (size > 4 || type == 4) ? 1 : 0;
}

// Copies the NUL-terminated text at the entry's value position into a
// summary field, cut to fit; nothing when the position is outside.
void CaptureText(const ByteReader& r, const IfdEntry& e, char* field, size_t cap) {
    if (e.m_nType != 2 || e.m_nCount <= 4 || e.m_nValuePos < 0) return;
    // The copy looks at no more than `cap` bytes.
    const int64_t n = std::min<int64_t>(r.Length() - e.m_nValuePos, static_cast<int64_t>(cap));
    const uint8_t* p = n > 0 ? r.Span(e.m_nValuePos, n) : nullptr;
    if (p == nullptr) return;
    plat::CopyCp932Cut(field, cap, reinterpret_cast<const char*>(p), static_cast<size_t>(n));
}

std::string PathMessage(const char* path, const char* why) {
    std::string text = std::string("Path=") + path;
    if (why != nullptr) text += std::string("\n") + why;
    return text;
}

// The second line of the open-failure message; none when the file could
// not be opened at all.
const char* FailureReason(plat::ReadStatus status) {
    switch (status) {
    case plat::ReadStatus::TooLarge: return "ファイルが大きすぎます（2GB 以上）。";
    case plat::ReadStatus::NoMemory: return "メモリが足りません。";
    case plat::ReadStatus::ReadError: return "ファイルを読めませんでした。";
    default: return nullptr;
    }
}

}  // namespace

ReadResult ReadCurrentFile(const char* path, ExifAnalysis& a, FileContent& content,
                           const TagNameTable& tags) {
    a = ExifAnalysis{};
    plat::FileBytes file;
    const plat::ReadStatus status = plat::ReadWholeFile(path, kMaxFileLen, file);
    if (status != plat::ReadStatus::Ok) {
        plat::ShowMessage(PathMessage(path, FailureReason(status)),
                          "ファイルオープンに失敗しました");
        return ReadResult::CannotRead;
    }
    // A file that shrank while being read is taken as far as it was read.
    content.m_pFileData = std::move(file.data);
    content.m_nFileLen = static_cast<int32_t>(file.len);
    if (AnalyzeExif(a, content.m_pFileData.get(), content.m_nFileLen, tags))
        return ReadResult::Analysed;
    if (a.m_bExif == 0) return ReadResult::NoExif;
    return a.m_nByteOrder == 0 ? ReadResult::NoTiffHeader : ReadResult::Ifd0Outside;
}

bool AnalyzeExif(ExifAnalysis& a, const uint8_t* data, int32_t len, const TagNameTable& tags) {
    return AnalyzeExif(a, ByteReader(data, len), tags);
}

bool AnalyzeExif(ExifAnalysis& a, const ByteReader& scan, const TagNameTable& tags, ExifDetail detail) {
    a.m_bLoaded = 1;
    // Every start position's bytes lie in the head: it is looked at in memory.
    const int64_t headLen = std::min<int64_t>(scan.Length(), kExifScanLimit - 1 + 8);
    const uint8_t* head = headLen > 0 ? scan.Span(0, headLen) : nullptr;
    const auto at = [&](int64_t p, int64_t n, const char* bytes) {
        return head != nullptr && p + n <= headLen && std::memcmp(head + p, bytes, 4) == 0;
    };
    int sig = -1;
    for (int p = 0; p < kExifScanLimit && sig < 0; ++p)
        if (at(p, 4, "Exif")) sig = p;
    if (sig < 0) return false;
    a.m_bExif = 1;

    // The TIFF header counts only with its 8 bytes inside the content.
    int order = 0, tiff = -1;
    for (int p = sig + 1; p < kExifScanLimit && order == 0 && p + 8 <= headLen; ++p) {
        if (at(p, 8, "II\x2A\x00")) order = ByteReader::kLittleEndian;
        else if (at(p, 8, "MM\x00\x2A")) order = ByteReader::kBigEndian;
        if (order != 0) tiff = p;
    }
    if (order == 0) return false;
    const ByteReader r = scan.WithOrder(order);
    uint32_t ifd0Offset = 0;
    r.U32(tiff + 4, ifd0Offset);
    a.m_nByteOrder = order;
    a.m_nTiffPos = tiff;
    a.m_nIfd0Offset = static_cast<int32_t>(ifd0Offset);

    a.m_nIfd0Pos = FilePos(tiff, ifd0Offset);
    uint16_t count = 0;
    if (a.m_nIfd0Pos < 0 || !r.U16(a.m_nIfd0Pos, count)) return false;
    a.m_nIfd0Count = count;
    int32_t todo = count <= kMaxEntriesDone ? count : kIfd0OverflowDone;

    int32_t done = 0;
    for (; done < todo; ++done) {
        int64_t e = int64_t{a.m_nIfd0Pos} + 2 + 12 * int64_t{done};
        if (!r.Has(e, 12)) break;
        IfdEntry& entry = a.m_Ifd0[done];
        ReadEntry(r, tiff, e, entry);
        a.m_nIfd0Done = done + 1;
        if (entry.m_nTag == kGpsIfdTag) {
            a.m_nGpsState = kGpsData;
            if (entry.m_nCount == 0 || !AnalyzeGpsIfd(a, r, entry.m_nValuePos, detail))
                a.m_nGpsState = kGpsEmpty;
        }
        if (detail != ExifDetail::Shown) continue;
        if (const char* name = tags.Find(entry.m_nTag)) SetEntryName(entry, name);
        switch (entry.m_nTag) {
        case 271: CaptureText(r, entry, a.m_szMaker, sizeof a.m_szMaker); break;
        case 272: CaptureText(r, entry, a.m_szModel, sizeof a.m_szModel); break;
        case 306: CaptureText(r, entry, a.m_szDateTime, sizeof a.m_szDateTime); break;
        default: break;
        }
    }
    a.m_nIfd0Done = done;
    return true;
}

bool AnalyzeGpsIfd(ExifAnalysis& a, const ByteReader& r, int32_t pos, ExifDetail detail) {
    // A second GPS pointer walks afresh: no entry of an earlier walk stays.
    std::memset(a.m_Gps, 0, sizeof a.m_Gps);
    a.m_nGpsCount = 0;
    a.m_nGpsDone = 0;
    a.m_nGpsPos = pos;
    uint16_t count = 0;
    if (pos < 0 || !r.U16(pos, count) || count == 0) return false;
    a.m_nGpsCount = count;
    int32_t todo = count <= kMaxEntriesDone ? count : kMaxEntriesDone;
    for (int32_t i = 0; i < todo; ++i) {
        int64_t e = int64_t{pos} + 2 + 12 * int64_t{i};
        if (!r.Has(e, 12)) break;
        ReadEntry(r, a.m_nTiffPos, e, a.m_Gps[i]);
        a.m_nGpsDone = i + 1;
        if (detail == ExifDetail::Shown) DecodeGpsEntry(a, r, a.m_Gps[i]);
    }
    if (detail == ExifDetail::Shown) FormatGpsTexts(a);
    return true;
}

int FindFileName(char* out, const char* path) {
    size_t len = path ? std::strlen(path) : 0;
    if (len == 0 || len > 256) {
        out[0] = '\0';
        return 0;
    }
    if (!plat::FileExists(path)) return -1;
    std::string name = plat::NamePart(path);
    plat::CopyCp932Cut(out, 255, name.data(), name.size());
    return 1;
}
