#include "locate/xmp/XmpFileWalker.h"

#include "locate/Sink.h"

#include <cstring>
#include <string_view>

namespace {

// A sidecar holds one picture's metadata; a larger "packet" is not one.
constexpr int64_t kMaxPacket = int64_t{64} << 20;

bool At(const uint8_t* p, int64_t n, int64_t i, std::string_view s) {
    return i >= 0 && n - i >= static_cast<int64_t>(s.size()) && std::memcmp(p + i, s.data(), s.size()) == 0;
}

// Past the first `close` at or after i, or -1.
int64_t Past(const uint8_t* p, int64_t n, int64_t i, std::string_view close) {
    for (; i + static_cast<int64_t>(close.size()) <= n; ++i)
        if (At(p, n, i, close)) return i + static_cast<int64_t>(close.size());
    return -1;
}

}  // namespace

bool StartsXmpPacket(const uint8_t* p, int64_t n) {
    int64_t i = At(p, n, 0, "\xEF\xBB\xBF") ? 3 : 0;
    // A declaration and comments may come first; a handful at most.
    for (int steps = 0; i >= 0 && i < n && steps < 8; ++steps) {
        while (i < n && (p[i] == ' ' || p[i] == '\t' || p[i] == '\r' || p[i] == '\n')) ++i;
        if (At(p, n, i, "<?xpacket") || At(p, n, i, "<x:xmpmeta") || At(p, n, i, "<x:xapmeta") ||
            At(p, n, i, "<rdf:RDF"))
            return true;
        if (At(p, n, i, "<?xml"))
            i = Past(p, n, i, "?>");
        else if (At(p, n, i, "<!--"))
            i = Past(p, n, i, "-->");
        else
            return false;
    }
    return false;
}

void WalkXmpFileContainer(ByteRange whole, const Carrier& at, Sink& sink) {
    if (whole.len > kMaxPacket) {
        sink.NotTakenApart(whole, at);
        return;
    }
    sink.Xmp(whole, whole, at.Then("XMP packet"));
}
