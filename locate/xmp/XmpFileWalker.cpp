#include "locate/xmp/XmpFileWalker.h"

#include "locate/Sink.h"
#include "locate/payload/XmlProlog.h"

#include <cstdint>

namespace {

// A sidecar holds one picture's metadata; a larger "packet" is not one.
constexpr int64_t kMaxPacket = int64_t{64} << 20;

}  // namespace

bool StartsXmpPacket(const uint8_t* p, int64_t n) {
    int64_t i = XmlAt(p, n, 0, "\xEF\xBB\xBF") ? 3 : 0;
    // A declaration and comments may come first; a handful at most.
    for (int steps = 0; i >= 0 && i < n && steps < 8; ++steps) {
        while (i < n && XmlSpace(p[i])) ++i;
        if (XmlAt(p, n, i, "<?xpacket") || XmlAt(p, n, i, "<x:xmpmeta") || XmlAt(p, n, i, "<x:xapmeta") ||
            XmlAt(p, n, i, "<rdf:RDF"))
            return true;
        if (XmlAt(p, n, i, "<?xml"))
            i = XmlPast(p, n, i, "?>");
        else if (XmlAt(p, n, i, "<!--"))
            i = XmlPast(p, n, i, "-->");
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
