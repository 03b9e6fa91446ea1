#include "tests/support/ExifTestUtil.h"

#include <cstring>
#include <memory>

namespace testjpeg {

ExifAnalysis Analyze(const Bytes& f, const TagNameTable& tags, bool* result) {
    std::unique_ptr<uint8_t[]> exact(new uint8_t[f.size()]);
    if (!f.empty()) std::memcpy(exact.get(), f.data(), f.size());
    ExifAnalysis a{};
    bool r = AnalyzeExif(a, exact.get(), static_cast<int32_t>(f.size()), tags);
    if (result) *result = r;
    return a;
}

TagNameTable TableFromCsv(const std::string& csv) {
    TagNameTable t;
    BuildTagNameTable(csv.data(), static_cast<int64_t>(csv.size()), t);
    return t;
}

namespace {

bool Terminated(const char* field, size_t cap) { return std::memchr(field, 0, cap) != nullptr; }

std::string CheckIfd(const char* what, const IfdEntry* entries, int slots, int32_t count,
                     int32_t done) {
    if (done < 0 || done > kMaxEntriesDone) return std::string(what) + ": done out of 0..30";
    if (done > count) return std::string(what) + ": done above the declared count";
    static const IfdEntry kZero{};
    for (int i = 0; i < slots; ++i) {
        if (i >= done && std::memcmp(&entries[i], &kZero, sizeof kZero) != 0)
            return std::string(what) + ": entry past done not zero: " + std::to_string(i);
        if (!Terminated(entries[i].m_szName, sizeof entries[i].m_szName))
            return std::string(what) + ": name not terminated: " + std::to_string(i);
    }
    return "";
}

}  // namespace

std::string InvariantFailure(const ExifAnalysis& a) {
    std::string f = CheckIfd("ifd0", a.m_Ifd0, kIfd0Slots, a.m_nIfd0Count, a.m_nIfd0Done);
    if (f.empty()) f = CheckIfd("gps", a.m_Gps, kGpsSlots, a.m_nGpsCount, a.m_nGpsDone);
    if (!f.empty()) return f;
    if (!Terminated(a.m_szMaker, sizeof a.m_szMaker)) return "maker not terminated";
    if (!Terminated(a.m_szModel, sizeof a.m_szModel)) return "model not terminated";
    if (!Terminated(a.m_szDateTime, sizeof a.m_szDateTime)) return "datetime not terminated";
    if (!Terminated(a.m_szLat, sizeof a.m_szLat)) return "lat not terminated";
    if (!Terminated(a.m_szLon, sizeof a.m_szLon)) return "lon not terminated";
    if (a.m_nGpsState != kGpsNone && a.m_nGpsState != kGpsData && a.m_nGpsState != kGpsEmpty)
        return "gps state not 0, 1 or 9";
    if (a.m_nByteOrder < 0 || a.m_nByteOrder > 2) return "byte order not 0, 1 or 2";
    return "";
}

}  // namespace testjpeg
