// The window's GPS patch and value wipe on the analysis of a fuzzed file:
// the buffer keeps its length, and only bytes at the places the analysis
// gives are changed, each to zero. The places are worked out here from the
// record: the IFD's count and each processed entry's tag or fields for the
// patch; for the wipe, each processed value longer than 4 bytes, after the
// TIFF header.
#include "exif/ExifReader.h"
#include "fuzz/FuzzCheck.h"
#include "gpsnull/GpsInvalidate.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;
using Places = std::vector<uint8_t>;  // 1 at each byte that may change

// Every byte of `after` equals `before` except at the planned places, and
// is zero where it changed. Also false when the lengths differ.
bool OnlyPlacesZeroed(const Bytes& before, const Bytes& after, const Places& planned) {
    if (before.size() != after.size()) return false;
    for (size_t i = 0; i < before.size(); ++i)
        if (before[i] != after[i] && (!planned[i] || after[i] != 0)) return false;
    return true;
}

void Mark(Places& planned, int64_t from, int64_t n) {
    const int64_t end = std::min<int64_t>(from + n, static_cast<int64_t>(planned.size()));
    for (int64_t i = std::max<int64_t>(from, 0); i < end; ++i) planned[static_cast<size_t>(i)] = 1;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    SilenceMessages();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 16384) return 0;
    const Bytes file(data, data + size);
    const int64_t len = static_cast<int64_t>(size);
    ExifAnalysis a{};
    AnalyzeExif(a, file.data(), static_cast<int32_t>(len), TagNameTable{});
    const bool fits = GpsPatchSafe(a, file.data(), len);
    FUZZ_CHECK(!fits || a.m_nGpsState == kGpsData);

    // The patch, with choices of the two options (only 1 counts).
    const std::pair<int32_t, int32_t> choices[] = {{1, 1}, {1, 0}, {0, 1}, {2, 2}};
    for (const auto& [entries, fields] : choices) {
        Places planned(size, 0);
        if (fits && entries == 1) Mark(planned, a.m_nGpsPos, 2);
        for (int i = 0; fits && i < a.m_nGpsDone; ++i) {
            if (entries == 1) Mark(planned, a.m_Gps[i].m_nEntryPos, 2);
            if (fields == 1) Mark(planned, int64_t{a.m_Gps[i].m_nEntryPos} + 2, 10);
        }
        Bytes out = file;
        FUZZ_CHECK(InvalidateGpsBytes(out.data(), len, entries, a, fields) == fits);
        FUZZ_CHECK(OnlyPlacesZeroed(file, out, planned));
        // Every planned byte is zero afterwards.
        for (size_t i = 0; i < size; ++i) FUZZ_CHECK(!planned[i] || out[i] == 0);
    }

    // The wipe: values longer than 4 bytes, never the JPEG start or the
    // TIFF header.
    Places planned(size, 0);
    for (int i = 0; fits && i < a.m_nGpsDone; ++i) {
        const IfdEntry& e = a.m_Gps[i];
        if (e.m_nSize > 4 && e.m_nValuePos >= 0) Mark(planned, e.m_nValuePos, e.m_nSize);
    }
    const int64_t header = std::clamp<int64_t>(int64_t{a.m_nTiffPos} + 8, 0, len);
    std::fill(planned.begin(), planned.begin() + header, 0);
    Bytes out = file;
    const int64_t zeroed = WipeGpsValueBytes(out.data(), len, a);
    FUZZ_CHECK(OnlyPlacesZeroed(file, out, planned));
    FUZZ_CHECK(zeroed >= 0 && (fits || zeroed == 0));
    int64_t changed = 0;
    for (size_t i = 0; i < size; ++i) changed += file[i] != out[i];
    FUZZ_CHECK(changed <= zeroed);
    return 0;
}
