// The companion's reading on any bytes: reading only the blocks the
// analysis and the locator ask for (into a buffer whose other bytes are a
// trap of markers and "GPS") gives the JSON and the check line of a
// whole-file read, at both depths, also when reads fail past some point
// and the walk did not need them, and when the file is read into pages a
// few at a time and those given back are overwritten; and the backward EOI
// search finds what a plain search from the end finds.
#include "cli/AnalyzeArg.h"
#include "cli/FindText.h"
#include "cli/Json.h"
#include "exif/ExifReader.h"
#include "locate/LazyBytes.h"
#include "locate/Locator.h"
#include "fuzz/FuzzCheck.h"
#include "preview/JpegSize.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::string Answers(const ExifAnalysis& a, const LocateResult& r) {
    return AnalysisToJson("f", a, &r.finds) + "\n" + DescribeFinds(r.finds);
}

int64_t PlainEndOfLastEoi(const uint8_t* d, int64_t n) {
    for (int64_t i = n - 2; i >= 0; --i)
        if (d[i] == 0xFF && d[i + 1] == 0xD9) return i + 2;
    return -1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const int64_t len = static_cast<int64_t>(size);
    const ByteReader whole(data, len);
    FUZZ_CHECK(EndOfLastEoi(whole, 0, len) == PlainEndOfLastEoi(data, len));

    static const uint8_t kTrap[] = {0xFF, 0xD9, 'G', 'P', 'S', 0xFF, 0xD8, 0xFF, 0xE1, 0x00};
    for (LocateDepth depth : {LocateDepth::Metadata, LocateDepth::Thorough}) {
        ExifAnalysis a{};
        AnalyzeExif(a, data, static_cast<int32_t>(len), TagNameTable{});
        ReadJpegSize(data, len, a.m_nWidth, a.m_nHeight);
        LocateResult r;
        LocatePositions(whole, r, depth);

        std::vector<uint8_t> buf(size);
        for (size_t i = 0; i < size; ++i) buf[i] = kTrap[i % sizeof kTrap];
        LazyBytes bytes;
        // Small blocks, so that small inputs are read in many pieces.
        bytes.Reset(buf.data(), len, [data](int64_t pos, uint8_t* dst, int64_t n) {
            std::memcpy(dst, data + pos, static_cast<size_t>(n));
            return true;
        }, size > 0 ? 2 + data[0] % 9 : 4, size > 1 ? 1 + data[size - 1] % 4 : 1);
        ExifAnalysis la{};
        LocateResult lr;
        AnalyzeBytes(bytes, TagNameTable{}, la, &lr, depth);
        FUZZ_CHECK(!bytes.Failed());
        FUZZ_CHECK(Answers(la, lr) == Answers(a, r));

        // A file that cannot be read past some point (cut short meanwhile):
        // no crash, and when nothing failed, the same answers.
        const int64_t cut = size > 2 ? data[1] * len / 256 : 0;
        bytes.Reset(buf.data(), len, [data, cut](int64_t pos, uint8_t* dst, int64_t n) {
            if (pos + n > cut) return false;
            std::memcpy(dst, data + pos, static_cast<size_t>(n));
            return true;
        }, 4, 1);
        AnalyzeBytes(bytes, TagNameTable{}, la, &lr, depth);
        if (!bytes.Failed()) FUZZ_CHECK(Answers(la, lr) == Answers(a, r));

        // Read into pages with a budget of a few blocks, as a file too large
        // to hold is: every block given back becomes the trap again, so a
        // pointer kept past its block's life changes the answers.
        std::vector<uint8_t> pages(size);
        for (size_t i = 0; i < size; ++i) pages[i] = kTrap[i % sizeof kTrap];
        bytes.Reset(pages.data(), len, [data](int64_t pos, uint8_t* dst, int64_t n) {
            std::memcpy(dst, data + pos, static_cast<size_t>(n));
            return true;
        }, 4 + (size > 0 ? data[0] % 4 : 0), 1);
        bytes.SetBudget(
            int64_t{16} << (size > 1 ? data[1] % 6 : 0), [](int64_t, int64_t) { return true; },
            [&pages](int64_t pos, int64_t n) {
                for (int64_t i = pos; i < pos + n; ++i) pages[static_cast<size_t>(i)] = kTrap[i % sizeof kTrap];
            });
        LocateResult pr;
        LocateInBytes(bytes, pr, depth);
        FUZZ_CHECK(!bytes.Failed());
        FUZZ_CHECK(Answers(a, pr) == Answers(a, r));
    }
    return 0;
}
