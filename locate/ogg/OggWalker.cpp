#include "locate/ogg/OggWalker.h"

#include "locate/Opaque.h"
#include "locate/Sink.h"
#include "locate/ogg/OggCrc.h"
#include "locate/ogg/VorbisComments.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int64_t kPageHeader = 27;
// Header packets (comments, a cover picture among them) larger than this
// are not believed.
constexpr int64_t kMaxPacket = int64_t{16} << 20;
constexpr size_t kMaxStreams = 1024;

struct Page {
    int64_t pos = 0, end = 0;
};

// A packet's bytes (where each lies) and the pages holding them.
struct Packet {
    ContentMap map;
    std::vector<Page> pages;
};

bool Is(const std::vector<uint8_t>& b, int64_t at, std::string_view s) {
    return static_cast<int64_t>(b.size()) >= at + static_cast<int64_t>(s.size()) &&
           std::equal(s.begin(), s.end(), b.begin() + at,
                      [](char c, uint8_t x) { return static_cast<uint8_t>(c) == x; });
}

// A packet's bytes copied out of the file; false when they cannot be read.
bool Copy(const ByteReader& f, const ContentMap& m, std::vector<uint8_t>& out) {
    out.clear();
    for (const ContentMap::Piece& p : m.Pieces()) {
        const uint8_t* s = f.Span(p.filePos[0], p.len);
        if (s == nullptr) return false;
        out.insert(out.end(), s, s + p.len);
    }
    return true;
}

bool PageCrcRight(const ByteReader& f, const Page& pg) {
    const uint8_t* p = f.Span(pg.pos, pg.end - pg.pos);
    if (p == nullptr) return false;
    static constexpr uint8_t kZeros[4] = {};
    uint32_t crc = OggCrc(0, p, 22);
    crc = OggCrc(crc, kZeros, 4);
    crc = OggCrc(crc, p + 26, pg.end - pg.pos - 26);
    return crc == (p[22] | p[23] << 8 | p[24] << 16 | uint32_t{p[25]} << 24);
}

void OpaquePacket(Sink& sink, const ContentMap& m, FindWhy why, const Carrier& c) {
    for (const ContentMap::Piece& p : m.Pieces()) sink.Opaque({p.filePos[0], p.len}, FindKind::Unparsed, why, why, c);
}

// True when the picture a comment or a block holds as its bytes holds a
// position: as the file it is, or, of no known format, by the opaque rule.
bool PictureHolds(const Sink& sink, const std::vector<uint8_t>& pic) {
    std::vector<PositionFind> finds;
    std::vector<uint8_t> stripped;
    if (!sink.HeldScan()(pic, finds, stripped)) return true;
    const bool unknown = finds.size() == 1 && finds[0].kind == FindKind::Container &&
                         finds[0].container == Container::Unknown && finds[0].wholeFile;
    if (!unknown) return !finds.empty();
    const int64_t n = static_cast<int64_t>(pic.size());
    return OpaqueHolds(ByteReader(pic.data(), n), 0, n, true) != OpaqueText::None;
}

// The finds of the comments at `base` in a packet's bytes. A value's pages
// (none in a FLAC file) get their CRCs written anew; where one is already
// wrong, its find cannot be removed. Comments that cannot be read follow
// the opaque rule; those before them are read, as readers read them.
void AddComments(Sink& sink, const std::vector<uint8_t>& bytes, int64_t base, const Packet& packet,
                 const Carrier& c) {
    const auto picture = [&](const std::vector<uint8_t>& pic) { return PictureHolds(sink, pic); };
    std::vector<CommentValue> values;
    const int64_t n = static_cast<int64_t>(bytes.size()) - base;
    if (n < 0 || !ScanVorbisComments(bytes.data() + base, n, sink.PlaceNames(), picture, values))
        OpaquePacket(sink, packet.map, FindWhy::CommentUnparsed, c);
    for (const CommentValue& v : values) {
        const int64_t off = base + v.off;
        PositionFind found(v.kind, packet.map.FilePos(off), v.kind != FindKind::Unparsed, v.why);
        found.len = v.len;
        StripPlan plan;
        if (found.removable) {
            std::vector<Page> pages;
            for (const ByteRange& r : packet.map.FileRanges(off, v.len))
                for (const Page& pg : packet.pages)
                    if (r.pos < pg.end && pg.pos < r.End() &&
                        std::none_of(pages.begin(), pages.end(), [&](const Page& q) { return q.pos == pg.pos; }))
                        pages.push_back(pg);
            const auto right = [&](const Page& pg) { return PageCrcRight(sink.File(), pg); };
            if (!std::all_of(pages.begin(), pages.end(), right)) {
                found.removable = false;
                found.why = FindWhy::PageCrcWrong;
            } else {
                plan.fills.push_back({plan.AddMap(packet.map), off, v.len, ' ', {}});
                for (const Page& pg : pages)
                    plan.fixUps.push_back({StripFixUp::kOggCrc, plan.AddMap(ContentMap({pg.pos, pg.end - pg.pos})),
                                           {pg.pos + 22}});
            }
        }
        sink.AddPayload({found}, plan, c.Then(v.name));
    }
}

// FLAC's picture block: a type, a MIME type and a description (each after
// its length), four numbers, then the picture's length and the picture.
// Where the picture lies in the block's n bytes at p; -1 when it is not there.
ByteRange FlacPicture(const uint8_t* p, int64_t n) {
    const ByteReader be(p, n, ByteReader::kBigEndian);
    uint32_t len = 0;
    int64_t at = 4;
    for (int field = 0; field < 2; ++field) {
        if (!be.U32(at, len)) return {-1, 0};
        at += 4 + int64_t{len};
    }
    at += 16;
    if (!be.U32(at, len) || int64_t{len} > n - at - 4) return {-1, 0};
    return {at + 4, int64_t{len}};
}

// Headless: a stream whose first packet seen holds comments (its head
// lost to a damaged serial number); nothing more of it is read.
enum class Kind : uint8_t { Unknown, Vorbis, Opus, Theora, Speex, Flac, Vp8, Headless, Other };

// Where the comments start in a comment header known by its own signature
// (Vorbis, Theora, Opus, VP8); 0 when the packet is none.
int64_t CommentsAt(const std::vector<uint8_t>& bytes) {
    if (Is(bytes, 0, "\x03vorbis") || Is(bytes, 0, "\x81theora") || Is(bytes, 0, "OVP80\x02 ")) return 7;
    return Is(bytes, 0, "OpusTags") ? 8 : 0;
}

struct Stream {
    uint32_t serial = 0;
    Kind kind = Kind::Unknown;
    int64_t index = 0;     // the packet being put together
    Packet packet;         // its bytes, when they are kept
    ByteRange run{-1, 0};  // its latest bytes, not yet in the packet's map
    bool keep = true;      // a packet the walk reads: a header, or any of a stream of another kind
    bool tooLarge = false;
    bool flacDone = false;  // FLAC in Ogg: its last metadata block was read
};

struct Walk {
    Sink& sink;
    const ByteReader& f;
    Carrier at;
    std::vector<Stream> streams;

    // A packet the walk kept, whole.
    void ReadPacket(Stream& s) {
        const Carrier c = at.Then("stream " + std::to_string(s.serial) + " / packet " + std::to_string(s.index));
        std::vector<uint8_t> bytes;
        if (s.tooLarge || !Copy(f, s.packet.map, bytes)) {
            PositionFind found(FindKind::Container, s.packet.pages.empty() ? 0 : s.packet.pages.front().pos, false,
                               FindWhy::NotTakenApart);
            found.container = Container::Ogg;
            sink.Add(found, c);
            return;
        }
        if (s.index == 0) {
            s.kind = Is(bytes, 0, "\x01vorbis")      ? Kind::Vorbis
                     : Is(bytes, 0, "OpusHead")      ? Kind::Opus
                     : Is(bytes, 0, "\x80theora")    ? Kind::Theora
                     : Is(bytes, 0, "Speex   ")      ? Kind::Speex
                     : Is(bytes, 0, "\x7F" "FLAC")   ? Kind::Flac
                     : Is(bytes, 0, "OVP80\x01")     ? Kind::Vp8
                     : CommentsAt(bytes) > 0         ? Kind::Headless
                                                     : Kind::Other;
            // Readers know a comment header by its signature, whichever
            // stream it lies in.
            if (s.kind == Kind::Headless) AddComments(sink, bytes, CommentsAt(bytes), s.packet, c);
            if (s.kind == Kind::Other) OpaquePacket(sink, s.packet.map, FindWhy::OggPacketUnparsed, c);
            return;
        }
        switch (s.kind) {
        case Kind::Vorbis:
        case Kind::Theora:
            if (Is(bytes, 0, s.kind == Kind::Vorbis ? "\x03vorbis" : "\x81theora"))
                AddComments(sink, bytes, 7, s.packet, c);
            else
                OpaquePacket(sink, s.packet.map, FindWhy::CommentUnparsed, c);
            break;
        case Kind::Opus:
            if (Is(bytes, 0, "OpusTags")) AddComments(sink, bytes, 8, s.packet, c);
            else OpaquePacket(sink, s.packet.map, FindWhy::CommentUnparsed, c);
            break;
        case Kind::Speex: AddComments(sink, bytes, 0, s.packet, c); break;
        case Kind::Vp8:
            if (Is(bytes, 0, "OVP80\x02 ")) AddComments(sink, bytes, 7, s.packet, c);
            else OpaquePacket(sink, s.packet.map, FindWhy::CommentUnparsed, c);
            break;
        case Kind::Flac: {
            // A metadata block: the last block's flag and the type, a length.
            const uint8_t type = bytes.empty() ? 0 : bytes[0] & 0x7F;
            s.flacDone = bytes.empty() || (bytes[0] & 0x80) != 0;
            if (type == 4) {
                AddComments(sink, bytes, 4, s.packet, c);
            } else if (type == 6) {
                // A cover picture across pages: walked in a copy; a position
                // there cannot be removed.
                const int64_t n = static_cast<int64_t>(bytes.size());
                const ByteRange pic = n > 4 ? FlacPicture(bytes.data() + 4, n - 4) : ByteRange{-1, 0};
                if (pic.pos >= 0 && PictureHolds(sink, std::vector<uint8_t>(bytes.begin() + 4 + pic.pos,
                                                                            bytes.begin() + 4 + pic.End()))) {
                    PositionFind found(FindKind::Unparsed, s.packet.map.FilePos(4 + pic.pos), false,
                                       FindWhy::HeldPictureUnparsed);
                    found.len = pic.len;
                    sink.Add(found, c);
                }
            } else if (type == 2) {
                OpaquePacket(sink, s.packet.map, FindWhy::CommentUnparsed, c);
            }
            break;
        }
        default: OpaquePacket(sink, s.packet.map, FindWhy::OggPacketUnparsed, c);
        }
    }

    // The packet being put together ends: it is read when kept, and the
    // stream's next one is kept when the walk reads it.
    void EndPacket(Stream& s) {
        Flush(s);
        if (s.keep) ReadPacket(s);
        s.packet = {};
        s.tooLarge = false;
        ++s.index;
        s.keep = s.kind == Kind::Other || (s.kind == Kind::Flac && !s.flacDone) ||
                 (s.index == 1 && s.kind != Kind::Flac && s.kind != Kind::Unknown && s.kind != Kind::Headless);
    }

    void Flush(Stream& s) {
        if (s.run.pos >= 0 && s.run.len > 0) s.packet.map.Append(s.run.pos, s.run.len);
        s.run = {-1, 0};
    }

    // A page: its segments added to its stream's packet. False when the
    // page cannot be read. Its version (always 0) is not asked, as readers
    // still take a page whose version is damaged.
    bool OnePage(int64_t pos, int64_t end, int64_t& next) {
        const uint8_t* h = end - pos >= kPageHeader ? f.Span(pos, kPageHeader) : nullptr;
        if (h == nullptr || std::memcmp(h, "OggS", 4) != 0) return false;
        const uint8_t flags = h[5], segs = h[26];
        const uint32_t serial = h[14] | h[15] << 8 | h[16] << 16 | uint32_t{h[17]} << 24;
        uint8_t lacing[255];
        const uint8_t* l = segs > 0 ? f.Span(pos + kPageHeader, segs) : lacing;
        if (l == nullptr) return false;
        std::memcpy(lacing, l, segs);
        int64_t body = pos + kPageHeader + segs, len = 0;
        for (int i = 0; i < segs; ++i) len += lacing[i];
        if (len > end - body) return false;
        const Page page{pos, body + len};
        auto it = std::find_if(streams.begin(), streams.end(), [&](const Stream& s) { return s.serial == serial; });
        if (it == streams.end() || (flags & 0x02) != 0) {
            if (it == streams.end()) {
                if (streams.size() >= kMaxStreams) return false;
                streams.push_back({});
                it = streams.end() - 1;
            }
            *it = {};
            it->serial = serial;
        }
        Stream& s = *it;
        if ((flags & 0x01) == 0 && (s.run.pos >= 0 || !s.packet.map.Empty())) EndPacket(s);  // cut short
        for (int i = 0; i < segs; ++i) {
            if (s.keep && lacing[i] > 0) {
                if (s.packet.map.Length() + s.run.len + lacing[i] > kMaxPacket) s.tooLarge = true;
                else if (s.run.pos >= 0 && s.run.End() == body) s.run.len += lacing[i];
                else Flush(s), s.run = {body, lacing[i]};
                if (s.packet.pages.empty() || s.packet.pages.back().pos != pos) s.packet.pages.push_back(page);
            }
            body += lacing[i];
            if (lacing[i] < 255) EndPacket(s);
        }
        next = page.end;
        return true;
    }
};

}  // namespace

bool StartsOgg(const ByteReader& file, int64_t pos, int64_t end) {
    const uint8_t* p = end - pos >= kPageHeader ? file.Span(pos, 6) : nullptr;
    return p != nullptr && std::memcmp(p, "OggS", 4) == 0 && p[4] == 0 && (p[5] & 0x02) != 0;
}

void WalkOggContainer(ByteRange whole, const Carrier& at, Sink& sink) {
    Walk w{sink, sink.File(), at, {}};
    int64_t pos = whole.pos;
    for (int64_t next = pos; w.OnePage(pos, whole.End(), next);) pos = next;
    if (pos == whole.pos) {
        sink.NotTakenApart(whole, at);
        return;
    }
    // A stream whose last packet the file cuts short: what it kept is read.
    for (Stream& s : w.streams)
        if (s.run.pos >= 0 || !s.packet.map.Empty()) w.EndPacket(s);
    if (pos < whole.End()) sink.AfterEnd({pos, whole.End() - pos}, whole.End() == sink.File().Length(), at);
}

bool StartsFlac(const ByteReader& file, int64_t pos, int64_t end) {
    const uint8_t* p = end - pos >= 8 ? file.Span(pos, 4) : nullptr;
    return p != nullptr && std::memcmp(p, "fLaC", 4) == 0;
}

void WalkFlacContainer(ByteRange whole, const Carrier& at, Sink& sink) {
    const ByteReader& f = sink.File();
    int64_t pos = whole.pos + 4;
    bool last = false;
    for (int n = 1; !last && whole.End() - pos >= 4; ++n) {
        const uint8_t* h = f.Span(pos, 4);
        if (h == nullptr) break;
        last = (h[0] & 0x80) != 0;
        const uint8_t type = h[0] & 0x7F;
        const ByteRange data{pos + 4, int64_t{h[1]} << 16 | int64_t{h[2]} << 8 | h[3]};
        if (data.len > whole.End() - data.pos) {
            sink.NotTakenApart({pos, whole.End() - pos}, at);
            return;
        }
        const Carrier c = at.Then("block " + std::to_string(n));
        std::vector<uint8_t> bytes;
        Packet block;
        block.map.Append(data.pos, data.len);
        if (type == 4 && Copy(f, block.map, bytes)) {
            AddComments(sink, bytes, 0, block, c);
        } else if (type == 6 && Copy(f, block.map, bytes)) {
            const ByteRange pic = FlacPicture(bytes.data(), data.len);
            if (pic.pos < 0 || !sink.FileAt({data.pos + pic.pos, pic.len}, c))
                sink.Opaque(data, FindKind::Unparsed, FindWhy::CommentUnparsed, FindWhy::CommentUnparsed, c);
        } else if (type == 2) {
            sink.Opaque(data, FindKind::Unparsed, FindWhy::CommentUnparsed, FindWhy::CommentUnparsed, c);
        }
        pos = data.End();
    }
}
