#include "locate/psd/PsdLayers.h"

#include "locate/Containers.h"
#include "locate/Fourcc.h"
#include "locate/Pieces.h"
#include "locate/Sink.h"
#include "locate/isobmff/BoxWalk.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

namespace {

// A length of 4 bytes, or of 8 in a PSB; false when it cannot be read.
bool Length(const ByteReader& be, int64_t pos, bool wide, int64_t& out) {
    uint32_t hi = 0, lo = 0;
    if (!wide) {
        if (!be.U32(pos, lo)) return false;
        out = lo;
        return true;
    }
    // Beyond 2^62 no file reaches.
    if (!be.U32(pos, hi) || !be.U32(pos + 4, lo) || hi >= (1u << 30)) return false;
    out = int64_t{hi} << 32 | lo;
    return true;
}

// Keys whose length takes 8 bytes in a PSB.
bool WideKey(uint32_t key) {
    return OneOf(key, {Fourcc("LMsk"), Fourcc("Lr16"), Fourcc("Lr32"), Fourcc("Layr"), Fourcc("Mt16"),
                       Fourcc("Mt32"), Fourcc("Mtrn"), Fourcc("Alph"), Fourcc("FMsk"), Fourcc("lnk2"),
                       Fourcc("FEid"), Fourcc("FXid"), Fourcc("PxSD")});
}

bool TaggedAt(const ByteReader& be, int64_t pos) {
    uint32_t sig = 0;
    return be.U32(pos, sig) && (sig == Fourcc("8BIM") || sig == Fourcc("8B64"));
}

bool RecordAt(const ByteReader& be, int64_t pos) {
    uint32_t type = 0;
    return be.U32(pos + 8, type) && OneOf(type, {Fourcc("liFD"), Fourcc("liFE"), Fourcc("liFA")});
}

// The next structure after one ending at `pos`: padded to 4 bytes (from
// `base`) where the padding is zeros and a structure follows it, as most
// writers do, else right after.
int64_t Next(const ByteReader& be, int64_t base, int64_t pos, bool (*at)(const ByteReader&, int64_t)) {
    const int64_t padded = base + ((pos - base + 3) & ~int64_t{3});
    for (int64_t i = pos; i < padded; ++i) {
        uint8_t b = 0;
        if (!be.U8(i, b) || b != 0) return pos;
    }
    return at(be, padded) || !at(be, pos) ? padded : pos;
}

// Where a known container starts in [from, end): the first place that
// starts one of the registry's containers a placed file can be, found by
// its signature. Candidates are judged after each piece's search (reading
// one may give the piece's pages back).
int64_t EmbeddedStart(const ByteReader& f, int64_t from, int64_t end, Container& kind) {
    int64_t start = -1;
    FirstHit(f, from, end - from, {"\xFF\xD8\xFF", "\x89PNG", std::string_view("II*\0", 4),
                                   std::string_view("MM\0*", 4), "8BPS", "GIF8", "RIFF", "ftyp"},
             [&](int64_t at, int needle) {
                 const int64_t here = needle == 7 ? at - 4 : at;  // a box's type follows its size
                 if (here < from || (kind = RecogniseContainer(f, here, end)) == Container::None) return false;
                 start = here;
                 return true;
             });
    return start;
}

void LinkedFiles(Sink& sink, ByteRange data, const Carrier& c) {
    const ByteReader be = sink.File().WithOrder(ByteReader::kBigEndian);
    int64_t p = data.pos;
    for (int n = 1; data.End() - p >= 12 && RecordAt(be, p); ++n) {
        int64_t len = 0;
        if (!Length(be, p, true, len) || len > data.End() - p - 8) break;
        const ByteRange rec{p + 8, len};
        const Carrier file = c.Then("linked file #" + std::to_string(n));
        uint32_t type = 0;
        be.U32(rec.pos, type);
        Container kind = Container::None;
        const int64_t start = type == Fourcc("liFD") ? EmbeddedStart(sink.File(), rec.pos + 8, rec.End(), kind) : -1;
        if (start >= 0) {
            sink.Opaque({rec.pos, start - rec.pos}, FindKind::Unparsed, FindWhy::LinkedFileUnread,
                        FindWhy::LinkedFileUnread, file);
            sink.Nested(kind, {start, rec.End() - start}, file);
        } else {
            sink.Opaque(rec, FindKind::Unparsed, FindWhy::LinkedFileUnread, FindWhy::LinkedFileUnread, file);
        }
        p = Next(be, data.pos, rec.End(), RecordAt);
    }
    if (p < data.End())
        sink.Opaque({p, data.End() - p}, FindKind::Unparsed, FindWhy::LinkedFileUnread, FindWhy::LinkedFileUnread, c);
}

bool LinkKey(uint32_t key) { return OneOf(key, {Fourcc("lnk2"), Fourcc("lnk3"), Fourcc("lnkD"), Fourcc("lnkE")}); }

// The tagged block whose signature is at p, inside [p, end): its key and
// data. False when it does not fit.
bool TaggedBlock(const ByteReader& be, int64_t p, int64_t end, bool psb, uint32_t& key, ByteRange& data) {
    int64_t len = 0;
    if (!TaggedAt(be, p) || !be.U32(p + 4, key)) return false;
    const bool wide = psb && WideKey(key);
    if (!Length(be, p + 8, wide, len)) return false;
    data = {p + 8 + (wide ? 8 : 4), len};
    return data.pos <= end && len <= end - data.pos;
}

// Bytes of the section the walk could not follow (a damaged length, a
// writer's padding not known here): linked files are looked for by their
// blocks' signatures there, so that no placed photo goes unseen.
void SearchLinkedFiles(Sink& sink, ByteRange r, bool psb, const Carrier& c) {
    const ByteReader be = sink.File().WithOrder(ByteReader::kBigEndian);
    int64_t walked = r.pos;  // the end of the last block walked
    FirstHit(be, r.pos + 4, r.len - 4, {"lnk"}, [&](int64_t at, int) {
        uint32_t key = 0;
        ByteRange data;
        if (at - 4 >= walked && TaggedBlock(be, at - 4, r.End(), psb, key, data) && LinkKey(key)) {
            LinkedFiles(sink, data, c.Then(BoxName(key)));
            walked = data.End();
        }
        return false;
    });
}

}  // namespace

void WalkPsdLayerSection(int64_t at, int64_t end, bool psb, const Carrier& c, Sink& sink) {
    const ByteReader be = sink.File().WithOrder(ByteReader::kBigEndian);
    const int64_t wide = psb ? 8 : 4;
    int64_t sectionLen = 0, layersLen = 0, maskLen = 0;
    if (!Length(be, at, psb, sectionLen) || sectionLen > end - at - wide) return;
    const ByteRange section{at + wide, sectionLen};
    const Carrier layers = c.Then("layers");
    int64_t p = section.End();
    if (Length(be, section.pos, psb, layersLen) && layersLen <= section.End() - section.pos - wide) {
        const int64_t mask = section.pos + wide + layersLen;
        if (Length(be, mask, false, maskLen) && maskLen <= section.End() - mask - 4) {
            const int64_t blocks = mask + 4 + maskLen;
            uint32_t key = 0;
            ByteRange data;
            for (p = blocks; section.End() - p >= 12 && TaggedBlock(be, p, section.End(), psb, key, data);
                 p = Next(be, blocks, data.End(), TaggedAt))
                if (LinkKey(key)) LinkedFiles(sink, data, layers.Then(BoxName(key)));
        } else {
            p = section.pos;
        }
    } else {
        p = section.pos;
    }
    // A few zeros pad a section; anything else the walk could not follow.
    bool padding = section.End() - p <= 4;
    for (int64_t i = p; padding && i < section.End(); ++i) {
        uint8_t b = 0;
        padding = be.U8(i, b) && b == 0;
    }
    if (!padding) SearchLinkedFiles(sink, {p, section.End() - p}, psb, layers);
}
