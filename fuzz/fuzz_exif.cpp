// The Exif analysis of a file's content, once without and once with tag
// names and once of its layout alone, then the picture size and the
// summary texts, as the CLI forms them.
#include "app/Summary.h"
#include "exif/ExifReader.h"
#include "fuzz/FuzzCheck.h"
#include "preview/JpegSize.h"

namespace {

const char kTags[] = "Tag,Name\r\n0x010F,Make\r\n0x0110,Model\r\n0x0132,DateTime\r\n"
                     "0x8825,GPSInfo\r\n0x0001,\x88\xDC\x93\x78\x8E\x51\x8F\xC6\r\n";

// The record's own promises: counts within the slots, processed entries
// inside the content, every text terminated.
void CheckRecord(const ExifAnalysis& a, bool ok, int32_t len) {
    FUZZ_CHECK(!ok || (a.m_bExif == 1 && (a.m_nByteOrder == 1 || a.m_nByteOrder == 2) &&
                       a.m_nTiffPos >= 0 && a.m_nTiffPos < kExifScanLimit &&
                       int64_t{a.m_nTiffPos} + 8 <= len));
    FUZZ_CHECK(a.m_nIfd0Done >= 0 && a.m_nIfd0Done <= kMaxEntriesDone && a.m_nIfd0Done <= a.m_nIfd0Count);
    FUZZ_CHECK(a.m_nGpsDone >= 0 && a.m_nGpsDone <= kMaxEntriesDone && a.m_nGpsDone <= a.m_nGpsCount);
    FUZZ_CHECK(a.m_nGpsState == kGpsNone || a.m_nGpsState == kGpsData || a.m_nGpsState == kGpsEmpty);
    for (int i = 0; i < a.m_nIfd0Done; ++i)
        FUZZ_CHECK(a.m_Ifd0[i].m_nEntryPos >= 0 && int64_t{a.m_Ifd0[i].m_nEntryPos} + 12 <= len);
    for (int i = 0; i < a.m_nGpsDone; ++i)
        FUZZ_CHECK(a.m_Gps[i].m_nEntryPos >= 0 && int64_t{a.m_Gps[i].m_nEntryPos} + 12 <= len);
    for (const IfdEntry& e : a.m_Ifd0) FUZZ_CHECK(Terminated(e.m_szName));
    for (const IfdEntry& e : a.m_Gps) FUZZ_CHECK(Terminated(e.m_szName));
    FUZZ_CHECK(Terminated(a.m_szMaker) && Terminated(a.m_szModel) && Terminated(a.m_szDateTime));
    FUZZ_CHECK(Terminated(a.m_szLat) && Terminated(a.m_szLon));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    SilenceMessages();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > static_cast<size_t>(kMaxFileLen)) return 0;
    const int32_t len = static_cast<int32_t>(size);
    static const TagNameTable noNames;
    static TagNameTable names;
    if (names.m_nTagCount == 0) BuildTagNameTable(kTags, sizeof kTags - 1, names);

    // Tag names only fill the 0th IFD's names: everything else must agree.
    ExifAnalysis plain, named;
    std::memset(&plain, 0, sizeof plain);
    std::memset(&named, 0, sizeof named);
    bool okPlain = AnalyzeExif(plain, data, len, noNames);
    bool okNamed = AnalyzeExif(named, data, len, names);
    CheckRecord(plain, okPlain, len);
    CheckRecord(named, okNamed, len);
    FUZZ_CHECK(okPlain == okNamed);
    for (IfdEntry& e : named.m_Ifd0) std::memset(e.m_szName, 0, sizeof e.m_szName);
    FUZZ_CHECK(std::memcmp(&plain, &named, sizeof plain) == 0);

    // The layout alone (as the companion's locator asks for it): the same
    // structure and the same entries, names aside.
    ExifAnalysis layout;
    std::memset(&layout, 0, sizeof layout);
    FUZZ_CHECK(AnalyzeExif(layout, ByteReader(data, len), noNames, ExifDetail::Layout) == okPlain);
    FUZZ_CHECK(layout.m_bLoaded == plain.m_bLoaded && layout.m_bExif == plain.m_bExif &&
               layout.m_nGpsState == plain.m_nGpsState && layout.m_nByteOrder == plain.m_nByteOrder &&
               layout.m_nTiffPos == plain.m_nTiffPos && layout.m_nIfd0Offset == plain.m_nIfd0Offset &&
               layout.m_nIfd0Count == plain.m_nIfd0Count && layout.m_nIfd0Done == plain.m_nIfd0Done &&
               layout.m_nIfd0Pos == plain.m_nIfd0Pos && layout.m_nGpsCount == plain.m_nGpsCount &&
               layout.m_nGpsDone == plain.m_nGpsDone && layout.m_nGpsPos == plain.m_nGpsPos);
    ExifAnalysis unnamed = plain;
    for (IfdEntry& e : unnamed.m_Ifd0) std::memset(e.m_szName, 0, sizeof e.m_szName);
    for (IfdEntry& e : unnamed.m_Gps) std::memset(e.m_szName, 0, sizeof e.m_szName);
    FUZZ_CHECK(std::memcmp(layout.m_Ifd0, unnamed.m_Ifd0, sizeof layout.m_Ifd0) == 0);
    FUZZ_CHECK(std::memcmp(layout.m_Gps, unnamed.m_Gps, sizeof layout.m_Gps) == 0);

    int32_t w = 0, h = 0;
    ReadJpegSize(data, len, w, h);
    SummaryTexts s = MakeSummary(plain, w, h);
    FUZZ_CHECK(s.m_strExif.empty() == (plain.m_bLoaded == 0));
    return 0;
}
