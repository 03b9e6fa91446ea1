// The shape every container's table test shares: a row's wanted finds,
// how a walk's finds are matched against them and shown, and the walk of a
// row's file at both depths (exactly the file's bytes, so that a read past
// its end is seen).
#pragma once
#include "cli/FindText.h"
#include "fuzz/StripContract.h"
#include "locate/Locator.h"
#include "tests/support/ContainerBuilder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <ostream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace testjpeg {

struct Want {
    Want(FindKind k, bool canRemove, FindWhy reason = FindWhy::None, int64_t at = -1, std::string in = {})
        : kind(k), removable(canRemove), why(reason), pos(at), carrier(std::move(in)) {}
    FindKind kind;
    bool removable;
    FindWhy why;
    int64_t pos;          // -1: not checked
    std::string carrier;  // empty: not checked
};

// One row of a table: a file and the finds its walk must give.
struct Row {
    std::string name;
    Bytes file;
    std::vector<Want> finds;
};

// A position as clips store it, and an XMP packet holding one.
inline const std::string kWhere = "+35.6586+139.7454/";
inline const std::string kXmp =
    "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'>"
    "<rdf:Description xmlns:exif='http://ns.adobe.com/exif/1.0/' exif:GPSLatitude='35,39.485N'/>"
    "</rdf:RDF></x:xmpmeta>";

inline bool Matches(const Want& w, const PositionFind& f) {
    return w.kind == f.kind && w.removable == f.removable && w.why == f.why && (w.pos < 0 || w.pos == f.pos) &&
           (w.carrier.empty() || w.carrier == f.carrier);
}

inline std::string Describe(const std::vector<PositionFind>& finds) {
    std::ostringstream os;
    for (const PositionFind& f : finds)
        os << "{" << FindCarrier(f) << " at " << f.pos << (f.removable ? ", removable" : "") << ", "
           << FindWhyText(f.why) << "} ";
    return os.str();
}

// Where `text` first starts in `file`, plus `plus`; -1 when it is not there.
inline int64_t At(const Bytes& file, const Bytes& text, int64_t plus = 0) {
    const auto hit = std::search(file.begin(), file.end(), text.begin(), text.end());
    return hit == file.end() ? -1 : (hit - file.begin()) + plus;
}
inline int64_t At(const Bytes& file, const std::string& text, int64_t plus = 0) { return At(file, Text(text), plus); }

// True when a file of these finds can be cleaned: each can be removed, or
// lies after the end, where a cut takes it.
inline bool Cleanable(const std::vector<Want>& want) {
    return std::all_of(want.begin(), want.end(),
                       [](const Want& w) { return w.removable || w.kind == FindKind::AfterEnd; });
}

// Walks `file` at both depths, expecting `want` at each and every find
// inside the file; `r` gets the thorough walk, `copy` the bytes it read.
inline void ExpectFinds(const Bytes& file, const std::vector<Want>& want, LocateResult& r,
                        std::unique_ptr<uint8_t[]>& copy) {
    const int64_t len = static_cast<int64_t>(file.size());
    copy = std::make_unique<uint8_t[]>(file.size());
    std::copy(file.begin(), file.end(), copy.get());
    for (LocateDepth depth : {LocateDepth::Metadata, LocateDepth::Thorough}) {
        LocatePositions(ByteReader(copy.get(), len), r, depth);
        bool same = r.finds.size() == want.size();
        for (size_t i = 0; same && i < r.finds.size(); ++i) same = Matches(want[i], r.finds[i]);
        EXPECT_TRUE(same) << "found " << Describe(r.finds);
        for (const PositionFind& f : r.finds) EXPECT_TRUE(f.pos >= 0 && f.len >= 0 && f.pos + f.len <= len);
    }
}

// The table test of one row: its walk at both depths; whether a strip, with
// a cut, can clean it; and, where it holds finds, the strip contract (same
// length, found clean again, no byte changed outside the strip's ranges)
// kept exactly when every find can be removed. Gives the stripped copy
// (empty when none was made).
inline std::vector<uint8_t> ExpectWalkAndStrip(const Row& row) {
    SCOPED_TRACE(row.name);
    LocateResult r;
    std::unique_ptr<uint8_t[]> copy;
    ExpectFinds(row.file, row.finds, r, copy);
    EXPECT_EQ(r.CanClean(true), Cleanable(row.finds));
    std::vector<uint8_t> out;
    std::vector<ByteRange> changed;
    const bool kept = CheckStripContract(copy.get(), row.file.size(), r, out, changed);
    EXPECT_EQ(kept, !r.finds.empty() && r.CanClean());
    EXPECT_EQ(changed.empty(), !kept);
    if (!kept) out.clear();
    return out;
}

}  // namespace testjpeg
