#include "locate/ArchiveMember.h"

#include "locate/Sink.h"
#include "locate/payload/TimedGps.h"

#include <algorithm>

namespace {

constexpr int64_t kMaxText = int64_t{64} << 20;  // a text larger is read by the opaque rule alone

}  // namespace

std::string MemberName(const uint8_t* p, size_t n) {
    std::string name(reinterpret_cast<const char*>(p), p != nullptr ? std::min<size_t>(n, 120) : 0);
    for (char& c : name)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
    return name;
}

size_t WalkArchiveMember(Sink& sink, ByteRange data, const Carrier& c) {
    const size_t before = sink.Result().finds.size();
    // What follows a member is the archive's, never data a cut may drop.
    const int64_t trailer = sink.Result().trailer;
    if (!sink.FileAt(data, c)) {
        if (sink.Opaque(data, FindKind::Unparsed, FindWhy::ArchiveEntryUnparsed, FindWhy::ArchiveEntryUnparsed, c))
            return sink.Result().finds.size() - before;
        // Read after the opaque rule's reads, which may give its pages back.
        const uint8_t* p = data.len <= kMaxText ? sink.File().Span(data.pos, data.len) : nullptr;
        if (p != nullptr && TextHoldsPosition(p, data.len)) {
            PositionFind x(FindKind::Unparsed, data.pos, false, FindWhy::ArchiveEntryUnparsed);
            x.len = data.len;
            sink.Add(x, c);
        }
        return sink.Result().finds.size() - before;
    }
    sink.Result().trailer = trailer;
    return sink.Result().finds.size() - before;
}
