#include "locate/sef/SefWalker.h"

#include "locate/Containers.h"
#include "locate/Sink.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kMaxEntries = 1024;

void Unexplained(Sink& sink, ByteRange r, const Carrier& c) {
    if (r.len > 0)
        sink.Opaque(r, FindKind::Unparsed, FindWhy::AfterEndHoldsGps, FindWhy::AfterEndHoldsIso6709, c);
}

// One block: a clip is walked, anything else is opaque.
void WalkBlock(Sink& sink, ByteRange block, const Carrier& c) {
    const ByteReader le = sink.File().WithOrder(ByteReader::kLittleEndian);
    uint32_t nameLen = 0;
    if (!le.U32(block.pos + 4, nameLen) || int64_t{nameLen} > block.len - 8) {
        Unexplained(sink, block, c);
        return;
    }
    const uint8_t* n = sink.File().Span(block.pos + 8, nameLen);
    const std::string name(n != nullptr ? reinterpret_cast<const char*>(n) : "", n != nullptr ? nameLen : 0);
    const Carrier at = c.Then(name.empty() ? std::string("SEF block") : name);
    const ByteRange data{block.pos + 8 + nameLen, block.len - 8 - nameLen};
    if (name == "MotionPhoto_Data") {
        // The clip starts at once, or after a short header ("mpv2" ...):
        // at its `ftyp` box.
        const Embedded e = FindEmbeddedContainer(sink.File(), data.pos, data.End());
        if (e.kind == Container::Isobmff) {
            Unexplained(sink, {block.pos, e.pos - block.pos}, at);
            sink.Nested(Container::Isobmff, {e.pos, data.End() - e.pos}, at);
            return;
        }
    }
    // The country code of the network the phone was on, a place name.
    if (name == "MCC_Data" && sink.PlaceNames()) {
        const uint8_t* d = sink.File().Span(data.pos, data.len);
        if (d == nullptr || std::all_of(d, d + data.len, [](uint8_t b) { return b == ' ' || b == 0; })) return;
        PositionFind f(FindKind::PlaceName, data.pos, true);
        f.len = data.len;
        StripPlan plan;
        plan.fills.push_back({plan.AddMap(ContentMap(data)), 0, data.len, ' ', {}});
        sink.AddPayload({f}, plan, at);
        return;
    }
    Unexplained(sink, block, at);
}

}  // namespace

void WalkSefContainer(ByteRange whole, const Carrier& at, Sink& sink) {
    const Carrier c = at.Then("SEF");
    const ByteReader le = sink.File().WithOrder(ByteReader::kLittleEndian);
    const int64_t end = whole.End();
    uint32_t dirLen = 0, count = 0;
    const int64_t dir = le.U32(end - 8, dirLen) ? end - 8 - int64_t{dirLen} : -1;
    const uint8_t* head = dir >= whole.pos ? sink.File().Span(dir, 4) : nullptr;
    if (head == nullptr || std::memcmp(head, "SEFH", 4) != 0 || !le.U32(dir + 8, count)) {
        Unexplained(sink, whole, c);
        return;
    }
    // The blocks the directory names, in file order; each must lie before
    // the directory and after the trailer's start, and not overlap another.
    std::vector<ByteRange> blocks;
    for (int64_t i = 0; i < int64_t{count} && i < kMaxEntries; ++i) {
        uint32_t back = 0, len = 0;
        if (!le.U32(dir + 12 + 12 * i + 4, back) || !le.U32(dir + 12 + 12 * i + 8, len)) break;
        const ByteRange b{dir - int64_t{back}, int64_t{len}};
        if (b.pos >= whole.pos && b.len >= 8 && b.End() <= dir) blocks.push_back(b);
    }
    std::sort(blocks.begin(), blocks.end(), [](const ByteRange& a, const ByteRange& b) { return a.pos < b.pos; });
    int64_t pos = whole.pos;
    for (const ByteRange& b : blocks) {
        if (b.pos < pos) continue;  // overlaps the one before: its bytes were looked at
        Unexplained(sink, {pos, b.pos - pos}, c);
        WalkBlock(sink, b, c);
        pos = b.End();
    }
    Unexplained(sink, {pos, end - pos}, c);
}
