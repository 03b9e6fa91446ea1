#include "locate/svg/SvgWalker.h"

#include "locate/Opaque.h"
#include "locate/Sink.h"
#include "locate/payload/Base64.h"
#include "locate/payload/XmlProlog.h"

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

// The length of the root element's name at i ("svg", or "svg:svg" with a
// prefix); 0 when it is another.
int64_t RootNameLen(const uint8_t* p, int64_t n, int64_t i) {
    for (std::string_view name : {"svg", "svg:svg"})
        if (XmlElementIs(p, n, i, name)) return static_cast<int64_t>(name.size());
    return 0;
}

// Where the root element starts in the first n bytes, past the prolog;
// -1 when they do not start an SVG.
int64_t RootStart(const uint8_t* p, int64_t n) {
    const int64_t root = XmlRootStart(p, n);
    return root >= 0 && RootNameLen(p, n, root) > 0 ? root : -1;
}

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
            if (Base64Char(p[j]) || XmlSpace(p[j]) || p[j] == '=') {
                ++j;
                continue;
            }
            const int64_t ref = XmlAt(p, to, j, "&#") ? XmlPast(p, std::min(to, j + 10), j, ";") : -1;
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

// A picture the drawing holds as text, walked as a file of its own; its
// positions removed in the decoded bytes, which are then written back.
void EmbeddedPicture(Sink& sink, const DataUri& u, const Base64Text& text, const std::vector<uint8_t>& bytes,
                     const Carrier& c) {
    const int64_t n = static_cast<int64_t>(bytes.size());
    LocateResult inner;
    const bool walked = LocateHeld(ByteReader(bytes.data(), n), sink.PlaceNames(), inner);
    if (walked && inner.finds.empty()) return;
    std::vector<uint8_t> stripped(bytes);
    const bool all = walked && inner.CanClean();
    const bool removed = all && StripPositions(stripped.data(), n, inner, GpsStripMode{});
    if (!walked) inner.finds.push_back(PositionFind(FindKind::Unparsed, 0, false, FindWhy::DrawingPartUnparsed));
    // Each reported at the characters that hold it.
    sink.AddHeld(std::move(inner.finds), [&](const PositionFind& f) {
        const int64_t at = std::clamp<int64_t>(f.pos, 0, std::max<int64_t>(n - 1, 0)) / 3 * 4;
        const int64_t pos = at < text.map.Length() ? text.map.FilePos(at) : u.text.pos;
        return ByteRange{pos, f.len > 0 ? (f.len + 2) / 3 * 4 : 0};
    }, c, all && !removed ? FindWhy::DrawingPartUnparsed : FindWhy::None);
    if (removed) sink.Result().plan.Append(RewriteBase64(text, bytes, stripped));
}

void Embedded(Sink& sink, const DataUri& u, int index, const Carrier& at) {
    const Carrier c = at.Then("data URI #" + std::to_string(index) + " (" + u.mediaType + ")");
    Base64Text text;
    if (!ReadBase64(sink.File(), u.text, text)) return;
    const std::vector<uint8_t> bytes = DecodeBase64(text.chars);
    if (u.mediaType.compare(0, 6, "image/") == 0) {
        EmbeddedPicture(sink, u, text, bytes, c);
        return;
    }
    // Fonts and other data: compressed or binary, so "GPS" counts only in
    // readable text.
    sink.OpaqueHeld(bytes, u.text, FindWhy::DrawingPartUnparsed, c, true);
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
    const int64_t docEnd = last == p + whole.len ? -1 : XmlPast(p, whole.len, last - p, ">");
    const int64_t end = docEnd > 0 ? docEnd : whole.len;
    int64_t after = end;
    while (after < whole.len && (XmlSpace(p[after]) || p[after] == 0)) ++after;
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
