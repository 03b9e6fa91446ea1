#include "locate/aae/AaeWalker.h"

#include "locate/Opaque.h"
#include "locate/Sink.h"
#include "locate/payload/Base64.h"
#include "locate/payload/Deflate.h"
#include "locate/payload/XmlProlog.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr int64_t kMaxHead = int64_t{64} << 10;
// Adjustments are a few KiB; a larger file is not believed.
constexpr int64_t kMaxFile = int64_t{16} << 20;
constexpr std::string_view kKey = "<key>adjustmentFormatIdentifier</key>";
constexpr std::string_view kOpen = "<data>", kClose = "</data>";

int64_t Find(const uint8_t* p, int64_t from, int64_t to, std::string_view s) {
    const auto* hit = std::search(p + from, p + to, s.begin(), s.end());
    return hit == p + to ? -1 : hit - p;
}

// A <data> element's bytes: decoded, then inflated where they inflate.
void Data(Sink& sink, ByteRange text, int index, const Carrier& at) {
    Base64Text chars;
    if (!ReadBase64(sink.File(), text, chars)) return;
    std::vector<uint8_t> bytes = DecodeBase64(chars.chars), inflated;
    const auto n = static_cast<int64_t>(bytes.size());
    bool readable = n >= 6 && std::equal(bytes.begin(), bytes.begin() + 6, "bplist");
    for (Deflated form : {Deflated::Zlib, Deflated::Raw})
        if (!readable && Inflate(bytes.data(), n, form, kMaxFile, inflated)) {
            bytes.swap(inflated);
            readable = true;
        }
    // A binary property list keeps its strings as text; other data counts
    // "GPS" only inside readable text.
    sink.OpaqueHeld(bytes, text, FindWhy::AdjustmentsHoldPosition, at.Then("data #" + std::to_string(index)),
                    !readable);
}

}  // namespace

bool StartsAae(const ByteReader& file, int64_t pos, int64_t end) {
    const int64_t n = std::min(end - pos, kMaxHead);
    const uint8_t* p = n > 0 ? file.Span(pos, n) : nullptr;
    const int64_t root = p != nullptr ? XmlRootStart(p, n) : -1;
    return root >= 0 && XmlElementIs(p, n, root, "plist") && Find(p, root, n, kKey) >= 0;
}

void WalkAaeContainer(ByteRange whole, const Carrier& at, Sink& sink) {
    const uint8_t* p = whole.len <= kMaxFile ? sink.File().Span(whole.pos, whole.len) : nullptr;
    if (p == nullptr) {
        sink.NotTakenApart(whole, at);
        return;
    }
    // Found while the file is at hand: the sink's reads may give its pages back.
    std::vector<ByteRange> text, data;
    int64_t pos = 0;
    for (int64_t open; (open = Find(p, pos, whole.len, kOpen)) >= 0;) {
        const int64_t from = open + static_cast<int64_t>(kOpen.size()), close = Find(p, from, whole.len, kClose);
        if (close < 0) break;
        text.push_back({whole.pos + pos, from - pos});
        data.push_back({whole.pos + from, close - from});
        pos = close;
    }
    text.push_back({whole.pos + pos, whole.len - pos});
    for (const ByteRange& t : text)
        sink.Opaque(t, FindKind::Unparsed, FindWhy::AdjustmentsHoldPosition, FindWhy::AdjustmentsHoldPosition, at);
    int index = 0;
    for (const ByteRange& d : data) Data(sink, d, ++index, at);
}
