#include "locate/svg/SvgWalker.h"

#include "locate/Opaque.h"
#include "locate/Sink.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

// A drawing is read whole; a larger one is not believed.
constexpr int64_t kMaxDrawing = int64_t{64} << 20;
// Where the root element is looked for: the prolog of a drawing program's
// file (a document type with entities) is a few KiB.
constexpr int64_t kMaxProlog = int64_t{64} << 10;
// How far before ";base64," a data URI's "data:" and media type may start.
constexpr int64_t kMaxMediaType = 256;

bool At(const uint8_t* p, int64_t n, int64_t i, std::string_view s) {
    return i >= 0 && n - i >= static_cast<int64_t>(s.size()) && std::memcmp(p + i, s.data(), s.size()) == 0;
}

// Past the first `close` at or after i, or -1.
int64_t Past(const uint8_t* p, int64_t n, int64_t i, std::string_view close) {
    if (i < 0 || i >= n) return -1;
    const auto* hit = std::search(p + i, p + n, close.begin(), close.end());
    return hit == p + n ? -1 : (hit - p) + static_cast<int64_t>(close.size());
}

bool Space(uint8_t c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The root element's name ("svg", or "svg:svg" with a prefix) at i.
int64_t RootNameLen(const uint8_t* p, int64_t n, int64_t i) {
    for (std::string_view name : {"<svg", "<svg:svg"}) {
        const int64_t after = i + static_cast<int64_t>(name.size());
        if (At(p, n, i, name) && after < n && (Space(p[after]) || p[after] == '>' || p[after] == '/'))
            return static_cast<int64_t>(name.size()) - 1;
    }
    return 0;
}

// Where the root element starts in the first n bytes, past the prolog
// (declarations, comments, a document type with its internal subset); -1
// when they do not start an SVG.
int64_t RootStart(const uint8_t* p, int64_t n) {
    int64_t i = At(p, n, 0, "\xEF\xBB\xBF") ? 3 : 0;
    for (int steps = 0; i >= 0 && i < n && steps < 32; ++steps) {
        while (i < n && Space(p[i])) ++i;
        if (RootNameLen(p, n, i) > 0) return i;
        if (At(p, n, i, "<?"))
            i = Past(p, n, i, "?>");
        else if (At(p, n, i, "<!--"))
            i = Past(p, n, i, "-->");
        else if (At(p, n, i, "<!DOCTYPE")) {
            const int64_t close = Past(p, n, i, ">"), subset = Past(p, n, i, "[");
            i = subset >= 0 && subset < close ? Past(p, n, Past(p, n, subset, "]"), ">") : close;
        } else
            return -1;
    }
    return -1;
}

bool Base64Char(uint8_t c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '/';
}

uint8_t Base64Value(uint8_t c) {
    if (c >= 'A' && c <= 'Z') return static_cast<uint8_t>(c - 'A');
    if (c >= 'a' && c <= 'z') return static_cast<uint8_t>(c - 'a' + 26);
    if (c >= '0' && c <= '9') return static_cast<uint8_t>(c - '0' + 52);
    return c == '+' ? 62 : 63;
}

constexpr char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// A data URI's base64 text: where it lies and its media type.
struct DataUri {
    ByteRange text;
    std::string mediaType;  // lower case, without parameters
};

// The media type of the data URI whose ";base64," lies at `marker`, when
// "data:" and a media type come before it.
bool MediaTypeBefore(const uint8_t* p, int64_t marker, std::string& type) {
    for (int64_t i = marker - 1; i >= 0 && marker - i <= kMaxMediaType; --i) {
        const uint8_t c = p[i];
        if (c == ':') {
            if (i < 4 || std::memcmp(p + i - 4, "data", 4) != 0) return false;
            const std::string_view t(reinterpret_cast<const char*>(p + i + 1), static_cast<size_t>(marker - i - 1));
            type.assign(t.substr(0, t.find(';')));
            for (char& ch : type) ch = static_cast<char>(ch >= 'A' && ch <= 'Z' ? ch - 'A' + 'a' : ch);
            return true;
        }
        const bool typeChar = Base64Char(c) || c == '-' || c == '.' || c == ';' || c == '=' || c == '_';
        if (!typeChar) return false;
    }
    return false;
}

// Every base64 data URI in [from, to) of the n bytes at p (the file from
// `base`): its text runs over base64 characters, white space and
// character references (a line end written "&#10;") up to its padding.
std::vector<DataUri> DataUris(const uint8_t* p, int64_t base, int64_t from, int64_t to) {
    constexpr std::string_view kMarker = ";base64,";
    std::vector<DataUri> out;
    for (int64_t i = from; i < to;) {
        const auto* hit = std::search(p + i, p + to, kMarker.begin(), kMarker.end());
        if (hit == p + to) break;
        const int64_t marker = hit - p, start = marker + static_cast<int64_t>(kMarker.size());
        int64_t j = start;
        while (j < to) {
            if (Base64Char(p[j]) || Space(p[j]) || p[j] == '=') {
                ++j;
                continue;
            }
            const int64_t ref = At(p, to, j, "&#") ? Past(p, std::min(to, j + 10), j, ";") : -1;
            if (ref < 0) break;
            j = ref;
        }
        DataUri u;
        if (MediaTypeBefore(p, marker, u.mediaType)) {
            u.text = {base + start, j - start};
            out.push_back(std::move(u));
        }
        i = std::max(j, start);
    }
    return out;
}

// A data URI's base64 characters, in order, and where each lies (white
// space, references and padding left out).
struct Base64Text {
    std::string chars;
    ContentMap map;
};

bool ReadBase64(const ByteReader& f, ByteRange r, Base64Text& out) {
    const uint8_t* p = f.Span(r.pos, r.len);
    if (p == nullptr) return false;
    out.chars.reserve(static_cast<size_t>(r.len));
    for (int64_t i = 0; i < r.len && p[i] != '='; ++i) {
        if (p[i] == '&') {
            i = Past(p, r.len, i, ";") - 1;
            if (i < 0) break;
            continue;
        }
        if (!Base64Char(p[i])) continue;
        int64_t run = 1;
        while (i + run < r.len && Base64Char(p[i + run])) ++run;
        out.chars.append(reinterpret_cast<const char*>(p + i), static_cast<size_t>(run));
        out.map.Append(r.pos + i, run);
        i += run - 1;
    }
    return true;
}

// The bytes the characters stand for (a last lone character stands for
// none).
std::vector<uint8_t> Decode(const std::string& chars) {
    std::vector<uint8_t> out;
    out.reserve(chars.size() / 4 * 3 + 2);
    uint32_t acc = 0;
    int bits = 0;
    for (char ch : chars) {
        acc = (acc << 6) | Base64Value(static_cast<uint8_t>(ch));
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out.push_back(static_cast<uint8_t>(acc >> bits));
        }
    }
    return out;
}

// Writes group g (bytes 3g.., characters 4g..) of `bytes` into `chars`:
// only the characters the group's bytes fill, so that a short last group's
// spare bits stay as they were.
void EncodeGroup(const std::vector<uint8_t>& bytes, size_t g, std::string& chars) {
    const size_t b = 3 * g, have = std::min<size_t>(3, bytes.size() - b);
    const uint32_t v = (uint32_t{bytes[b]} << 16) | (have > 1 ? uint32_t{bytes[b + 1]} << 8 : 0) |
                       (have > 2 ? uint32_t{bytes[b + 2]} : 0);
    for (size_t k = 0; k <= have && 4 * g + k < chars.size(); ++k)
        chars[4 * g + k] = kBase64[(v >> (18 - 6 * k)) & 63];
}

// Fills writing, over the groups of characters whose bytes the strip
// changed, their new characters.
StripPlan RewriteGroups(const Base64Text& text, const std::vector<uint8_t>& was, const std::vector<uint8_t>& now) {
    StripPlan plan;
    std::string chars = text.chars;
    const int map = plan.AddMap(text.map);
    const size_t groups = (now.size() + 2) / 3;
    for (size_t g = 0; g < groups;) {
        auto changed = [&](size_t k) {
            const size_t b = 3 * k, e = std::min(b + 3, now.size());
            return !std::equal(now.begin() + b, now.begin() + e, was.begin() + b);
        };
        if (!changed(g)) {
            ++g;
            continue;
        }
        size_t last = g;
        while (last + 1 < groups && changed(last + 1)) ++last;
        for (size_t k = g; k <= last; ++k) EncodeGroup(now, k, chars);
        const int64_t off = 4 * static_cast<int64_t>(g);
        const int64_t len = std::min<int64_t>(4 * static_cast<int64_t>(last + 1), text.map.Length()) - off;
        plan.fills.push_back({map, off, len, 0, chars.substr(static_cast<size_t>(off), static_cast<size_t>(len))});
        g = last + 1;
    }
    return plan;
}

// A picture the drawing holds as text, walked as a file of its own; its
// positions removed in the decoded bytes, which are then written back.
void EmbeddedPicture(Sink& sink, const DataUri& u, const Base64Text& text, const std::vector<uint8_t>& bytes,
                     const Carrier& c) {
    const int64_t n = static_cast<int64_t>(bytes.size());
    LocateResult inner;
    const bool walked = LocateHeld(ByteReader(bytes.data(), n), sink.PlaceNames(), inner);
    if (walked && inner.finds.empty()) return;
    std::vector<uint8_t> stripped(bytes);
    const bool removable = walked && StripPositions(stripped.data(), n, inner, GpsStripMode{});
    if (!walked) inner.finds.push_back(PositionFind(FindKind::Unparsed, 0, false));
    for (PositionFind f : inner.finds) {
        // Reported at the characters that hold it.
        const int64_t at = std::clamp<int64_t>(f.pos, 0, std::max<int64_t>(n - 1, 0)) / 3 * 4;
        f.pos = at < text.map.Length() ? text.map.FilePos(at) : u.text.pos;
        f.len = f.len > 0 ? (f.len + 2) / 3 * 4 : 0;
        f.wholeFile = false;
        if (!removable) {
            f.removable = false;
            if (f.why == FindWhy::None) f.why = FindWhy::DrawingPartUnparsed;
        }
        const Carrier held = f.carrier.empty() ? c : c.Then(f.carrier);
        sink.Add(std::move(f), held);
    }
    if (removable) sink.Result().plan.Append(RewriteGroups(text, bytes, stripped));
}

void Embedded(Sink& sink, const DataUri& u, int index, const Carrier& at) {
    const Carrier c = at.Then("data URI #" + std::to_string(index) + " (" + u.mediaType + ")");
    Base64Text text;
    if (!ReadBase64(sink.File(), u.text, text)) return;
    const std::vector<uint8_t> bytes = Decode(text.chars);
    if (u.mediaType.compare(0, 6, "image/") == 0) {
        EmbeddedPicture(sink, u, text, bytes, c);
        return;
    }
    // Fonts and other data: compressed or binary, so "GPS" counts only in
    // readable text.
    PositionFind f;
    const ByteReader data(bytes.data(), static_cast<int64_t>(bytes.size()));
    if (!OpaqueFind(data, {0, data.Length()}, FindKind::Unparsed, FindWhy::DrawingPartUnparsed,
                    FindWhy::DrawingPartUnparsed, sink.PlaceNames(), f, true))
        return;
    f.pos = u.text.pos;
    f.len = u.text.len;
    sink.Add(f, c);
}

}  // namespace

bool StartsSvg(const ByteReader& file, int64_t pos, int64_t end) {
    const int64_t n = std::min(end - pos, kMaxProlog);
    const uint8_t* p = n > 0 ? file.Span(pos, n) : nullptr;
    return p != nullptr && RootStart(p, n) >= 0;
}

void WalkSvgContainer(ByteRange whole, const Carrier& at, Sink& sink) {
    const ByteReader& f = sink.File();
    const uint8_t* p = whole.len <= kMaxDrawing ? f.Span(whole.pos, whole.len) : nullptr;
    const int64_t root = p != nullptr ? RootStart(p, std::min(whole.len, kMaxProlog)) : -1;
    if (root < 0) {
        sink.NotTakenApart(whole, at);
        return;
    }
    // The document ends with the root element's end tag.
    const std::string close = "</" + std::string(reinterpret_cast<const char*>(p + root + 1),
                                                 static_cast<size_t>(RootNameLen(p, whole.len, root)));
    const auto* last = std::find_end(p + root, p + whole.len, close.begin(), close.end());
    const int64_t docEnd = last == p + whole.len ? whole.len : std::max<int64_t>(Past(p, whole.len, last - p, ">"), 0);
    const int64_t end = docEnd > 0 ? docEnd : whole.len;
    int64_t after = end;
    while (after < whole.len && (Space(p[after]) || p[after] == 0)) ++after;
    // Found while the whole drawing is at hand; walked after, when the
    // sink's reads may have given its pages back.
    const std::vector<DataUri> uris = DataUris(p, whole.pos, root, end);

    if (root > 0)
        sink.Opaque({whole.pos, root}, FindKind::Unparsed, FindWhy::DrawingPartUnparsed,
                    FindWhy::DrawingPartUnparsed, at);
    // The document without the data URIs' text: base64 holds "GPS" by
    // chance (a few times in every megabyte), and is no XML to read.
    XmpDoc doc;
    doc.reportAt = {whole.pos + root, end - root};
    int64_t from = doc.reportAt.pos;
    for (const DataUri& u : uris) {
        if (u.text.pos > from) doc.map.Append(from, u.text.pos - from);
        from = u.text.End();
    }
    if (whole.pos + end > from) doc.map.Append(from, whole.pos + end - from);
    sink.Xmp({doc}, false, at.Then("SVG document"));
    int index = 0;
    for (const DataUri& u : uris) Embedded(sink, u, ++index, at);
    if (after < whole.len)
        sink.AfterEnd({whole.pos + after, whole.len - after}, whole.End() == f.Length(), at);
}
