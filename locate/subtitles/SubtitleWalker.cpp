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
    const int64_t n = std::min<int64_t>(end - pos, 512);
    const uint8_t* p = n > 0 ? file.Span(pos, n) : nullptr;
    if (p == nullptr) return false;
    int64_t at = n >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF ? 3 : 0, next = 0;
    Line l = LineAt(p, at, n, next);
    while (next < n && IsBlank(p, l)) l = LineAt(p, at = next, n, next);
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
    std::vector<Line> lines, segments;
    std::string joined;  // a block's text, its lines joined
    const bool bom = end >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF;
    for (int64_t pos = bom ? 3 : 0; pos < end;) {
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
        // Every line is text but the timing and a cue's number; a block's
        // first line keeps its keyword (WebVTT's "WEBVTT", which tells the
        // file, "NOTE", "STYLE", "REGION").
        segments.clear();
        joined.clear();
        for (size_t i = 0; i < lines.size(); ++i) {
            Line l = lines[i];
            if (IsTiming(p, l) || IsNumber(p, l)) continue;
            if (i == 0) {
                const std::string_view head(reinterpret_cast<const char*>(p + l.pos), static_cast<size_t>(l.len));
                for (std::string_view k : {"WEBVTT", "NOTE", "STYLE", "REGION"}) {
                    if (head.substr(0, k.size()) != k) continue;
                    const auto kept = static_cast<int64_t>(k.size());
                    l = {l.pos + kept, l.len - kept};
                    break;
                }
            }
            if (l.len <= 0) continue;
            segments.push_back(l);
            joined.append(reinterpret_cast<const char*>(p + l.pos), static_cast<size_t>(l.len)).push_back('\n');
        }
        if (segments.empty() ||
            !StreamDataHoldsFix(reinterpret_cast<const uint8_t*>(joined.data()), static_cast<int64_t>(joined.size())))
            continue;
        if (first < 0) first = whole.pos + segments.front().pos, firstBlock = block;
        for (const Line& l : segments) plan.fills.push_back({map, l.pos, l.len, ' ', {}});
    }
    if (first < 0) return;
    sink.AddPayload({PositionFind(FindKind::TimedGps, first, true)}, plan, at.Then("block " + std::to_string(firstBlock)));
}
