#include "locate/riff/RiffWalker.h"

#include "locate/Containers.h"
#include "locate/Fourcc.h"
#include "locate/Sink.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <string>

namespace {

// LIST chunks nested deeper than any writer nests them are not followed.
constexpr int kMaxDepth = 16;
// A chunk header: the type's four letters and the data's 32-bit
// little-endian size; a RIFF header adds the form type.
constexpr int64_t kHeader = 8;
constexpr int64_t kRiffHeader = 12;

// Chunks whose data is a picture, a sound, a video or numbers of the
// structure: skipped by their size, so that their bytes are never read
// nor taken for text.
bool IsSkipped(uint32_t t) {
    return OneOf(t, {Fourcc("VP8 "), Fourcc("VP8L"), Fourcc("VP8X"), Fourcc("ALPH"), Fourcc("ANIM"), Fourcc("ANMF"),
                     Fourcc("data"), Fourcc("fmt "), Fourcc("fact"), Fourcc("idx1"), Fourcc("indx"), Fourcc("avih"),
                     Fourcc("strh"), Fourcc("strf"), Fourcc("dmlh")});
}

// A chunk type as text, without its trailing spaces; bytes that are not
// printable show as '.'.
std::string ChunkName(uint32_t t) {
    std::string out;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const auto ch = static_cast<uint8_t>(t >> shift);
        out += ch >= 0x20 && ch < 0x7F ? static_cast<char>(ch) : '.';
    }
    while (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
}

struct RiffWalk {
    Sink& sink;
    const ByteReader& file;

    uint32_t Type(int64_t pos) const {
        uint32_t t = 0;
        file.WithOrder(ByteReader::kBigEndian).U32(pos, t);
        return t;
    }
    // Bytes no rule knows: a find when they hold a position's text.
    void Opaque(ByteRange r, const Carrier& c) {
        if (r.len > 0) sink.Opaque(r, FindKind::Unparsed, FindWhy::ChunksUnparsed, FindWhy::ChunksUnparsed, c);
    }
    void Chunks(ByteRange r, const Carrier& c, int depth);
    void One(uint32_t t, ByteRange whole, ByteRange data, const Carrier& c, int depth);
};

// The chunks of r, one after the other; from a header that does not fit
// (a size running past r) on, the rest of r is opaque.
void RiffWalk::Chunks(ByteRange r, const Carrier& c, int depth) {
    const ByteReader le = file.WithOrder(ByteReader::kLittleEndian);
    int64_t pos = r.pos;
    while (r.End() - pos >= kHeader) {
        uint32_t size = 0;
        if (!le.U32(pos + 4, size) || int64_t{size} > r.End() - pos - kHeader) break;
        const ByteRange data{pos + kHeader, int64_t{size}};
        One(Type(pos), {pos, kHeader + data.len}, data, c, depth);
        // A pad byte keeps the next chunk at an even offset; one missing
        // at the end of r is no harm.
        pos = std::min(data.End() + (size & 1), r.End());
    }
    if (pos >= r.End()) return;
    const Carrier after = c.Then("after the chunks");
    Opaque({pos, r.End() - pos}, after);
    // An EXIF chunk whose size is damaged: a reader that looks for a TIFF
    // header anywhere still reads its GPS IFD.
    if (const int64_t tiff = FindTiffHeader(file, pos, r.End()); tiff >= 0) sink.StrayTiff(tiff, r.End(), after);
}

void RiffWalk::One(uint32_t t, ByteRange whole, ByteRange data, const Carrier& c, int depth) {
    const Carrier at = c.Then(ChunkName(t));
    if (t == Fourcc("EXIF")) {
        // A TIFF structure, at once or after "Exif\0\0" as some writers
        // put it: the first TIFF header in the chunk, as in a JPEG's
        // Exif segment. A chunk without one is opaque.
        const int64_t tiff = FindTiffHeader(file, data.pos, data.End());
        if (tiff >= 0) sink.Tiff(tiff, data.End(), at);
        else Opaque(whole, at);
    } else if (t == Fourcc("XMP ") || t == Fourcc("_PMX")) {
        // A WebP's XMP, and the XMP that AVI and WAV writers put in `_PMX`.
        sink.Xmp(data, whole, at);
    } else if (t == Fourcc("LIST")) {
        // A list type, then chunks; an AVI's `movi` list holds its frames.
        if (data.len < 4) {
            Opaque(whole, at);
            return;
        }
        const uint32_t list = Type(data.pos);
        if (list == Fourcc("movi")) return;
        if (depth >= kMaxDepth) {
            PositionFind f(FindKind::Unparsed, whole.pos, false, FindWhy::ChunksTooDeep);
            f.len = whole.len;
            sink.Add(f, c);
            return;
        }
        Chunks({data.pos + 4, data.len - 4}, c.Then("LIST " + ChunkName(list)), depth + 1);
    } else if (t == Fourcc("gps0") || t == Fourcc("SLLT")) {
        // Dash cameras' GPS tracks: binary records, which hold no text to
        // find and are not taken apart.
        PositionFind f(FindKind::TimedGps, whole.pos, false, FindWhy::TimedGpsUnreadable);
        f.len = whole.len;
        sink.Add(f, at);
    } else if (!IsSkipped(t)) {
        Opaque(whole, at);
    }
}

// True when a large AVI clip's next RIFF ("RIFF", a size, "AVIX") starts
// at pos, before end.
bool AvixAt(const ByteReader& file, int64_t pos, int64_t end) {
    const uint8_t* p = end - pos >= kRiffHeader ? file.Span(pos, kRiffHeader) : nullptr;
    return p != nullptr && std::memcmp(p, "RIFF", 4) == 0 && std::memcmp(p + 8, "AVIX", 4) == 0;
}

}  // namespace

void WalkRiffContainer(ByteRange whole, const Carrier& at, Sink& sink) {
    RiffWalk w{sink, sink.File()};
    const ByteReader le = w.file.WithOrder(ByteReader::kLittleEndian);
    const int64_t end = whole.End();
    int64_t pos = whole.pos;
    uint32_t size = 0;
    if (end - pos < kRiffHeader || !le.U32(pos + 4, size)) {
        w.Opaque(whole, at);
        return;
    }
    const bool avi = w.Type(pos + 8) == Fourcc("AVI ");
    // The RIFF, then for an AVI clip larger than one RIFF holds each RIFF
    // of form AVIX that follows it, walked alike.
    for (int n = 1;; ++n) {
        // A size that cannot hold the form type (0, from a writer that
        // never came back to it) runs to the end.
        const int64_t riffEnd = size < 4 ? end : std::min(pos + kHeader + int64_t{size}, end);
        const Carrier c = n == 1 ? at : at.Then("AVIX #" + std::to_string(n));
        w.Chunks({pos + kRiffHeader, riffEnd - pos - kRiffHeader}, c, 0);
        pos = riffEnd;
        if (!avi || !AvixAt(w.file, pos, end) || !le.U32(pos + 4, size)) break;
    }
    // What follows the RIFF's declared size is data after the file's end,
    // as after a picture's: a trailer, or another container.
    if (pos < end) sink.AfterEnd({pos, end - pos}, end == w.file.Length(), at);
}
