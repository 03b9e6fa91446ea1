#include "locate/tar/TarWalker.h"

#include "locate/ArchiveMember.h"
#include "locate/Pieces.h"
#include "locate/Sink.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

constexpr int64_t kBlock = 512;
constexpr int64_t kSizeAt = 124, kSizeLen = 12, kSumAt = 148, kSumLen = 8, kTypeAt = 156, kMagicAt = 257;
constexpr int64_t kNameLen = 100, kPrefixAt = 345, kPrefixLen = 155;

// An octal field (spaces and NULs around it), or GNU's base-256 form (the
// first byte's high bit set); -1 when it holds neither.
int64_t Number(const uint8_t* p, int64_t n) {
    if (n > 0 && (p[0] & 0x80) != 0) {
        uint64_t v = p[0] & 0x3F;
        for (int64_t i = 1; i < n; ++i) {
            if (v >> 55 != 0) return -1;
            v = v << 8 | p[i];
        }
        return static_cast<int64_t>(v);
    }
    int64_t i = 0, v = 0, digits = 0;
    while (i < n && p[i] == ' ') ++i;
    for (; i < n && p[i] >= '0' && p[i] <= '7'; ++i, ++digits) {
        if (v >> 58 != 0) return -1;
        v = v * 8 + (p[i] - '0');
    }
    for (; i < n; ++i)
        if (p[i] != ' ' && p[i] != 0) return -1;
    return digits > 0 ? v : -1;
}

// A header block: its checksum (the bytes summed, the checksum field as
// spaces) holds, and it names ustar or, as the first tar writers did not,
// a member and its size.
bool Header(const uint8_t* h) {
    int64_t sum = 0;
    for (int64_t i = 0; i < kBlock; ++i) sum += i >= kSumAt && i < kSumAt + kSumLen ? ' ' : h[i];
    const bool ustar = std::equal(h + kMagicAt, h + kMagicAt + 5, "ustar");
    return Number(h + kSumAt, kSumLen) == sum && (ustar || (h[0] != 0 && Number(h + kSizeAt, kSizeLen) >= 0));
}

bool Zeros(const uint8_t* p, int64_t n) {
    return std::all_of(p, p + n, [](uint8_t b) { return b == 0; });
}

}  // namespace

bool StartsTar(const ByteReader& file, int64_t pos, int64_t end) {
    const uint8_t* h = end - pos >= kBlock ? file.Span(pos, kBlock) : nullptr;
    return h != nullptr && Header(h);
}

void WalkTarContainer(ByteRange whole, const Carrier& at, Sink& sink) {
    const ByteReader& f = sink.File();
    struct Member {
        ByteRange data;
        std::string name;
    };
    std::vector<Member> members;
    std::vector<ByteRange> texts;  // names, pax records, long names
    int64_t p = whole.pos, end = whole.End();
    bool read = true;
    while (read && end - p >= kBlock) {
        const uint8_t* h = f.Span(p, kBlock);
        if (h == nullptr || Zeros(h, kBlock)) break;  // the end (two zero blocks)
        const int64_t size = Header(h) ? Number(h + kSizeAt, kSizeLen) : -1;
        read = size >= 0 && size <= end - p - kBlock && h[kTypeAt] != 'S';
        if (!read) break;
        texts.push_back({p, kNameLen});
        texts.push_back({p + kPrefixAt, kPrefixLen});
        const ByteRange data{p + kBlock, size};
        const uint8_t type = h[kTypeAt];
        if (type == '0' || type == 0 || type == '7')
            members.push_back({data, MemberName(h, static_cast<size_t>(std::find(h, h + kNameLen, 0) - h))});
        else if (size > 0)
            texts.push_back(data);  // pax records, long names, and any other type's data
        p = data.pos + (size + kBlock - 1) / kBlock * kBlock;
        p = std::min(p, end);
    }
    if (!read) {
        sink.NotTakenApart(whole, at);
        return;
    }
    for (const ByteRange& t : texts)
        sink.Opaque(t, FindKind::Unparsed, FindWhy::ArchiveEntryUnparsed, FindWhy::ArchiveEntryUnparsed,
                    at.Then("headers"));
    for (const Member& m : members) WalkArchiveMember(sink, m.data, at.Then("member " + m.name));
    // After the end: zeros as tar writers pad it, or data; read piece by piece.
    const bool data = ForEachPiece(f, p, end - p, 0, [](const uint8_t* b, int64_t, int64_t n) { return !Zeros(b, n); });
    if (data) sink.AfterEnd({p, end - p}, end == f.Length(), at);
}
