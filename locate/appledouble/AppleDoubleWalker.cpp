#include "locate/appledouble/AppleDoubleWalker.h"

#include "locate/ArchiveMember.h"
#include "locate/Sink.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

constexpr int64_t kHeaderLen = 26;  // magic, version, 16 bytes of filler, the entries' count
constexpr int64_t kEntryLen = 12;
constexpr uint32_t kMaxEntries = 256;
constexpr uint32_t kDataFork = 1, kResourceFork = 2, kFinderInfo = 9;
constexpr int64_t kFinderInfoLen = 32;
// The extended attributes after the Finder's information: 2 bytes of
// padding, then "ATTR", a debug tag, sizes and flags (36 bytes), then
// each attribute's offset, length, flags, name's length and name.
constexpr int64_t kAttrHeaderLen = 36;
constexpr uint32_t kMaxAttributes = 1024;

struct Part {
    ByteRange r;
    std::string name;
    bool file = false;  // walked as a file of its own
};

// The extended attributes in the Finder's entry `info` of the file at
// `base`: their values, and their headers and names (opaque); `listed`
// when it holds them. False when their list does not fit in it.
bool Attributes(const ByteReader& be, int64_t base, ByteRange info, std::vector<Part>& parts, bool& listed) {
    const int64_t attr = info.pos + kFinderInfoLen + 2;
    listed = info.len >= kFinderInfoLen + 2 + kAttrHeaderLen && be.Matches(attr, 'A', 'T', 'T', 'R');
    if (!listed) return true;
    uint16_t count = 0;
    if (!be.U16(attr + 34, count) || count > kMaxAttributes) return false;
    int64_t at = attr + kAttrHeaderLen;
    parts.push_back({{info.pos, at - info.pos}, "Finder information"});
    for (uint16_t i = 0; i < count; ++i) {
        uint32_t off = 0, len = 0;
        uint8_t nameLen = 0;
        if (!be.U32(at, off) || !be.U32(at + 4, len) || !be.U8(at + 10, nameLen)) return false;
        const int64_t next = (at + 11 + nameLen + 3) / 4 * 4;
        if (next > info.End()) return false;
        const uint8_t* name = be.Span(at + 11, nameLen);
        const std::string shown = MemberName(name, nameLen > 0 && name[nameLen - 1] == 0 ? nameLen - 1u : nameLen);
        parts.push_back({{at, next - at}, "attribute " + shown});
        if (len > 0) parts.push_back({{base + off, int64_t{len}}, "attribute " + shown, true});
        at = next;
    }
    return true;
}

}  // namespace

bool StartsAppleDouble(const ByteReader& file, int64_t pos, int64_t end) {
    if (end - pos < kHeaderLen) return false;
    const bool magic = file.Matches(pos, 0x00, 0x05, 0x16, 0x07) || file.Matches(pos, 0x00, 0x05, 0x16, 0x00);
    return magic && (file.Matches(pos + 4, 0x00, 0x02, 0x00, 0x00) || file.Matches(pos + 4, 0x00, 0x01, 0x00, 0x00));
}

void WalkAppleDoubleContainer(ByteRange whole, const Carrier& at, Sink& sink) {
    const ByteReader be = sink.File().WithOrder(ByteReader::kBigEndian);
    uint16_t count = 0;
    std::vector<Part> parts;
    bool fits = be.U16(whole.pos + 24, count) && count <= kMaxEntries &&
                kHeaderLen + kEntryLen * count <= whole.len;
    for (uint16_t i = 0; fits && i < count; ++i) {
        const int64_t e = whole.pos + kHeaderLen + kEntryLen * i;
        uint32_t id = 0, off = 0, len = 0;
        fits = be.U32(e, id) && be.U32(e + 4, off) && be.U32(e + 8, len) && int64_t{off} + len <= whole.len;
        if (!fits || len == 0) continue;
        const ByteRange r{whole.pos + off, len};
        bool listed = false;
        if (id == kFinderInfo) fits = Attributes(be, whole.pos, r, parts, listed);
        // A listed entry's parts stand for it; the rest of it lies between them.
        if (listed) continue;
        const char* names[] = {"", "data fork", "resource fork"};
        const std::string name = id >= 1 && id <= kResourceFork ? names[id] : "entry " + std::to_string(id);
        parts.push_back({r, name, id == kDataFork});
    }
    // The entries never share bytes; what lies between them is opaque.
    std::sort(parts.begin(), parts.end(), [](const Part& a, const Part& b) { return a.r.pos < b.r.pos; });
    int64_t from = whole.pos + kHeaderLen + kEntryLen * count;
    for (const Part& p : parts) {
        fits = fits && p.r.pos >= from && p.r.End() <= whole.End();
        from = std::max(from, p.r.End());
    }
    if (!fits) {
        sink.NotTakenApart(whole, at);
        return;
    }
    from = whole.pos + kHeaderLen + kEntryLen * count;
    auto opaque = [&](ByteRange r, const Carrier& c) {
        const FindWhy why = FindWhy::ArchiveEntryUnparsed;
        if (r.len > 0) sink.Opaque(r, FindKind::Unparsed, why, why, c);
    };
    opaque({whole.pos, from - whole.pos}, at.Then("header"));
    for (const Part& p : parts) {
        opaque({from, p.r.pos - from}, at);
        if (p.file) WalkArchiveMember(sink, p.r, at.Then(p.name));
        else opaque(p.r, at.Then(p.name));
        from = p.r.End();
    }
    opaque({from, whole.End() - from}, at);
}
