// The companion reads a file only where its analysis and its locator go.
// These tests hold that reading to the answers of a whole-file read (the
// JSON of `show --json` and the line of `check`), at both depths: over the
// corpus, over files whose metadata lies beyond the first read, and over
// thousands of mutated files.
#include "cli/AnalyzeArg.h"
#include "cli/FindText.h"
#include "cli/Json.h"
#include "exif/ExifReader.h"
#include "locate/jpeg/JpegSegments.h"
#include "locate/LazyBytes.h"
#include "locate/Locator.h"
#include "locate/Pieces.h"
#include "preview/JpegSize.h"
#include "tests/support/SegmentBuilder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <random>

using namespace testjpeg;

namespace {

struct Answers {
    std::string json;
    std::string check;
    bool operator==(const Answers& o) const { return json == o.json && check == o.check; }
};

void PrintTo(const Answers& a, std::ostream* os) { *os << a.check << "\n" << a.json; }

Answers Make(const ExifAnalysis& a, const LocateResult& r) {
    return {AnalysisToJson("photo.jpg", a, &r.finds), DescribeFinds(r.finds)};
}

Answers Whole(const Bytes& f, LocateDepth depth) {
    const int64_t len = static_cast<int64_t>(f.size());
    ExifAnalysis a{};
    AnalyzeExif(a, f.data(), static_cast<int32_t>(len), TagNameTable{});
    ReadJpegSize(f.data(), len, a.m_nWidth, a.m_nHeight);
    LocateResult r;
    LocatePositions(ByteReader(f.data(), len), r, depth);
    return Make(a, r);
}

// As the companion reads, into a buffer whose unread bytes are a trap:
// markers and "GPS" that would change an answer if they were looked at.
Answers Lazy(const Bytes& f, LocateDepth depth, int64_t* read = nullptr,
             int blockShift = LazyBytes::kBlockShift) {
    static const uint8_t kTrap[] = {0xFF, 0xD9, 'G', 'P', 'S', 0xFF, 0xD8, 0xFF, 0xE1, 0x00};
    Bytes buf(f.size());
    for (size_t i = 0; i < buf.size(); ++i) buf[i] = kTrap[i % sizeof kTrap];
    LazyBytes bytes;
    bytes.Reset(buf.data(), static_cast<int64_t>(f.size()), [&f](int64_t pos, uint8_t* dst, int64_t n) {
        std::memcpy(dst, f.data() + pos, static_cast<size_t>(n));
        return true;
    }, blockShift, blockShift == LazyBytes::kBlockShift ? LazyBytes::kReadAheadBlocks : 1);
    ExifAnalysis a{};
    LocateResult r;
    AnalyzeBytes(bytes, TagNameTable{}, a, &r, depth);
    if (read != nullptr) *read = bytes.BytesRead();
    return Make(a, r);
}

// Also in blocks of 64 bytes, read one at a time: every walk then crosses
// many edges of what is in memory.
void ExpectSameAnswers(const Bytes& f) {
    for (LocateDepth depth : {LocateDepth::Metadata, LocateDepth::Thorough}) {
        const Answers whole = Whole(f, depth);
        const char* name = depth == LocateDepth::Metadata ? "metadata" : "thorough";
        ASSERT_EQ(Lazy(f, depth), whole) << name;
        ASSERT_EQ(Lazy(f, depth, nullptr, 6), whole) << name << ", small blocks";
    }
}

std::vector<std::filesystem::path> CorpusFiles() {
    std::vector<std::filesystem::path> out;
    for (const auto& e : std::filesystem::recursive_directory_iterator(TAMLIX_CORPUS_DIR))
        if (e.path().extension() == ".jpg") out.push_back(e.path());
    std::sort(out.begin(), out.end());
    return out;
}

const std::string kGpsXmp =
    "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF "
    "xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'><rdf:Description "
    "xmlns:exif='http://ns.adobe.com/exif/1.0/' exif:GPSLatitude='35,39.5N'/></rdf:RDF></x:xmpmeta>";

// Files whose metadata lies beyond the first read.
std::vector<Bytes> FarFiles() {
    const Bytes big = Segment(0xE2, Bytes(100000, 'i'));
    const Bytes gps = ExifSegment(FiveEntryGps());
    // A GPS pointer that leads 300 KB into the file, where a copy of the
    // GPS IFD lies (the window takes offsets from the whole file).
    const ExifBuilder b = FiveEntryGps();
    Bytes far = Picture({gps});
    const size_t ifd = static_cast<size_t>(b.FilePosOfGpsIfd());
    const Bytes gpsIfd(far.begin() + static_cast<long>(ifd), far.begin() + static_cast<long>(ifd) + 2 + 12 * 5 + 4);
    far = Concat({far, Bytes(300000, 0x11), gpsIfd});
    const uint8_t pointer[] = {0x25, 0x88, 0x04, 0x00};
    const auto at = std::search(far.begin(), far.end(), pointer, pointer + 4);
    Put32(far, static_cast<size_t>(at - far.begin()) + 8,
          static_cast<uint32_t>(far.size() - gpsIfd.size() - static_cast<size_t>(b.FilePosOfTiff())),
          Order::II);
    // An MPF picture after a main picture of 200 KB.
    const Bytes second = Picture({gps, XmpSegment(kGpsXmp)});
    const Bytes pad = Segment(0xE3, Bytes(200000, 'p'));
    const size_t mainLen = Picture({MpfSegment(0, 0), pad}).size();
    const Bytes mpf = Concat({Picture({MpfSegment(static_cast<uint32_t>(mainLen - 10),
                                                  static_cast<uint32_t>(second.size())),
                                       pad}),
                              second});
    std::vector<Bytes> out = {
        Picture({big, gps}),
        Picture({big, XmpSegment(kGpsXmp)}),
        far,
        mpf,
        Concat({Picture({big}), Bytes(150000, 0x22), Bytes{'G', 'P', 'S'}}),
        Concat({Picture({gps}), Picture({big, gps})}),
    };
    // The Exif segment's marker on and beside the edges of the first read
    // and of a block.
    for (size_t edge : {size_t{LazyBytes::kReadAhead}, size_t{LazyBytes::kReadAhead + LazyBytes::kBlock}})
        for (size_t at = edge - 3; at <= edge + 2; ++at)
            out.push_back(Picture({Segment(0xE2, Bytes(at - 6, 'i')), gps}));
    return out;
}

}  // namespace

TEST(LazyRead, CorpusAnswersEqualAWholeReadWhileReadingLittle) {
    int64_t size = 0, read = 0;
    for (const auto& path : CorpusFiles()) {
        SCOPED_TRACE(path.filename().string());
        const Bytes f = ReadFileBytes(path.string());
        ExpectSameAnswers(f);
        int64_t n = 0;
        Lazy(f, LocateDepth::Metadata, &n);
        size += static_cast<int64_t>(f.size());
        read += n;
    }
    // Reading the metadata and the tail is a small part of the photos.
    EXPECT_LT(read * 4, size) << read << " of " << size << " bytes read";
}

// A file too large to hold is read into pages, a few held at a time: the
// thorough walk of every corpus photo with a budget far below its size
// finds what a whole read finds, although every page given back is
// overwritten, and holds no more than the budget and one request.
TEST(LazyRead, PagesGivenBackAndReadAgainGiveTheSameFindsWithinTheBudget) {
    constexpr int kShift = 12;
    constexpr int64_t kBudget = int64_t{64} << 10;
    for (const auto& path : CorpusFiles()) {
        SCOPED_TRACE(path.filename().string());
        const Bytes f = ReadFileBytes(path.string());
        const int64_t len = static_cast<int64_t>(f.size());
        LocateResult whole;
        LocatePositions(ByteReader(f.data(), len), whole, LocateDepth::Thorough);
        Bytes pages(f.size(), 'G');
        LazyBytes bytes;
        bytes.Reset(pages.data(), len, [&f](int64_t pos, uint8_t* dst, int64_t n) {
            std::memcpy(dst, f.data() + pos, static_cast<size_t>(n));
            return true;
        }, kShift, 1);
        bytes.SetBudget(kBudget, [](int64_t, int64_t) { return true; },
                        [&pages](int64_t pos, int64_t n) { std::memset(pages.data() + pos, 'G', static_cast<size_t>(n)); });
        LocateResult paged;
        LocateInBytes(bytes, paged, LocateDepth::Thorough);
        ASSERT_FALSE(bytes.Failed());
        EXPECT_EQ(Make(ExifAnalysis{}, paged), Make(ExifAnalysis{}, whole));
        EXPECT_LE(bytes.PeakHeld(), kBudget + kSearchPiece + (int64_t{2} << kShift));
    }
}

TEST(LazyRead, MetadataBeyondTheFirstReadAndMutatedFilesGiveTheSameAnswers) {
    std::vector<Bytes> seeds = FarFiles();
    for (const Bytes& f : seeds) ExpectSameAnswers(f);
    for (const auto& path : CorpusFiles())
        if (std::filesystem::file_size(path) <= 150000) seeds.push_back(ReadFileBytes(path.string()));

    // Byte changes near the structure (the head, the tail), markers and
    // "GPS" written anywhere, and cuts.
    std::mt19937 rng(20261208);
    const Bytes inserts[] = {{0xFF, 0xD9}, {0xFF, 0xD8, 0xFF}, {'G', 'P', 'S'}, {0xFF, 0xDA}, {0xFF, 0xE1, 0xFF, 0xFF}};
    for (int i = 0; i < 3000; ++i) {
        Bytes f = seeds[rng() % seeds.size()];
        for (int k = 1 + static_cast<int>(rng() % 3); k > 0 && !f.empty(); --k) {
            const size_t n = f.size();
            const size_t near = std::min<size_t>(n, 4096);
            switch (rng() % 4) {
            case 0: f[rng() % near] = static_cast<uint8_t>(rng()); break;
            case 1: f[n - 1 - rng() % near] = static_cast<uint8_t>(rng()); break;
            case 2: {
                const Bytes& s = inserts[rng() % std::size(inserts)];
                const size_t at = rng() % n;
                for (size_t j = 0; j < s.size() && at + j < n; ++j) f[at + j] = s[j];
                break;
            }
            default: f.resize(rng() % n); break;
            }
        }
        SCOPED_TRACE("mutation " + std::to_string(i));
        ExpectSameAnswers(f);
    }
}

// The marker searches take the file a step at a time (so that a lazy read
// brings only as far as the marker); a marker on any step's edge is found
// as a byte-by-byte look finds it.
TEST(LazyRead, MarkerSearchesFindWhatAByteLoopFindsOnEveryStepEdge) {
    const size_t len = 600000;
    std::vector<size_t> places;
    for (size_t k : {1, 2, 3, 4, 6, 7, 8, 12, 15, 16, 31, 32, 63, 64, 127, 128})
        for (size_t d = 0; d < 5; ++d) places.push_back(k * 4096 + d - 2);
    for (size_t d = 0; d < 5; ++d) places.push_back(262144 + d - 2);
    for (size_t place : places) {
        SCOPED_TRACE(place);
        Bytes f(len, 0x00);
        // Forward from the start: an EOI at `place`.
        f[place] = 0xFF;
        f[place + 1] = 0xD9;
        const ByteReader r(f.data(), static_cast<int64_t>(len));
        EXPECT_EQ(NextJpegMarker(r, 0, static_cast<int64_t>(len), true), static_cast<int64_t>(place));
        EXPECT_EQ(EndOfLastEoi(r, 0, static_cast<int64_t>(len)), static_cast<int64_t>(place + 2));
        // Backward from the end: the same distance before it.
        Bytes g(len, 0x00);
        g[len - place - 2] = 0xFF;
        g[len - place - 1] = 0xD9;
        const ByteReader q(g.data(), static_cast<int64_t>(len));
        EXPECT_EQ(EndOfLastEoi(q, 0, static_cast<int64_t>(len)), static_cast<int64_t>(len - place));
    }
}
