#include "locate/subtitles/SubtitleWalker.h"

#include "locate/Sink.h"
#include "locate/payload/TimedGps.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Larger subtitles than any clip's are not believed.
constexpr int64_t kMaxText = int64_t{256} << 20;

struct Line {
    int64_t pos, len;  // without its line end
};

// The line starting at pos, before end; `next` gets where the one after
// starts (past "\n" or "\r\n").
Line LineAt(const uint8_t* p, int64_t pos, int64_t end, int64_t& next) {
    const auto* nl = static_cast<const uint8_t*>(std::memchr(p + pos, '\n', static_cast<size_t>(end - pos)));
    const int64_t stop = nl == nullptr ? end : nl - p;
    next = nl == nullptr ? end : stop + 1;
    const int64_t len = stop > pos && p[stop - 1] == '\r' ? stop - 1 - pos : stop - pos;
    return {pos, len};
}

bool IsTiming(const uint8_t* p, Line l) {
    const std::string_view s(reinterpret_cast<const char*>(p + l.pos), static_cast<size_t>(l.len));
    return s.find("-->") != std::string_view::npos && l.len >= 10 && p[l.pos] >= '0' && p[l.pos] <= '9';
}

bool IsNumber(const uint8_t* p, Line l) {
    return l.len > 0 && std::all_of(p + l.pos, p + l.pos + l.len, [](uint8_t c) { return c >= '0' && c <= '9'; });
}

bool IsBlank(const uint8_t* p, Line l) {
    return std::all_of(p + l.pos, p + l.pos + l.len, [](uint8_t c) { return c == ' ' || c == '\t'; });
}

}  // namespace

bool StartsSubtitles(const ByteReader& file, int64_t pos, int64_t end) {
    if (pos != 0) return false;  // only a file of its own
    const int64_t n = std::min<int64_t>(end, 512);
    const uint8_t* p = file.Span(0, n);
    if (p == nullptr) return false;
    int64_t at = n >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF ? 3 : 0, next = 0;
    Line l = LineAt(p, at, n, next);
    while (next < n && l.len == 0) l = LineAt(p, at = next, n, next);
    if (l.len >= 6 && std::memcmp(p + l.pos, "WEBVTT", 6) == 0) return true;
    if (!IsNumber(p, l) || next >= n) return false;
    return IsTiming(p, LineAt(p, next, n, next));
}

void WalkSubtitleContainer(ByteRange whole, const Carrier& at, Sink& sink) {
    const ByteReader& file = sink.File();
    const uint8_t* p = whole.len <= kMaxText ? file.Span(whole.pos, whole.len) : nullptr;
    if (p == nullptr) {
        sink.NotTakenApart(whole, at);
        return;
    }
    const int64_t end = whole.len;
    StripPlan plan;
    ContentMap text;  // the whole file: fills name its lines by their offsets
    text.Append(whole.pos, whole.len);
    const int map = plan.AddMap(std::move(text));
    int64_t first = -1, block = 0, firstBlock = 0, next = 0;
    std::vector<Line> lines;
    for (int64_t pos = 0; pos < end;) {
        // One block: its lines up to a blank one.
        lines.clear();
        while (pos < end) {
            const Line l = LineAt(p, pos, end, next);
            pos = next;
            if (!IsBlank(p, l)) lines.push_back(l);
            else if (!lines.empty()) break;
        }
        if (lines.empty()) continue;
        ++block;
        // The text follows the timing; a block without one (WebVTT's header,
        // a note, a style) is all text but its first line.
        const auto timing = std::find_if(lines.begin(), lines.end(), [&](const Line& l) { return IsTiming(p, l); });
        const auto from = timing != lines.end() ? timing + 1 : lines.begin() + 1;
        if (from >= lines.end()) continue;
        const int64_t start = from->pos, stop = lines.back().pos + lines.back().len;
        if (!StreamDataHoldsFix(p + start, stop - start)) continue;
        if (first < 0) first = whole.pos + start, firstBlock = block;
        for (auto l = from; l != lines.end(); ++l)
            if (l->len > 0) plan.fills.push_back({map, l->pos, l->len, ' ', {}});
    }
    if (first < 0) return;
    sink.AddPayload({PositionFind(FindKind::TimedGps, first, true)}, plan, at.Then("block " + std::to_string(firstBlock)));
}
