#include "locate/riff/RiffWalker.h"

#include "locate/Containers.h"
#include "locate/Fourcc.h"
#include "locate/NamedValues.h"
#include "locate/Sink.h"
#include "locate/id3/Id3Walker.h"
#include "locate/payload/TimedGps.h"

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

// The stream a chunk of an AVI's frames belongs to: its first two
// characters are the stream's number ("00dc", "01wb"); -1 for another chunk.
int StreamOf(uint32_t t) {
    const auto a = static_cast<char>(t >> 24), b = static_cast<char>(t >> 16);
    return a >= '0' && a <= '9' && b >= '0' && b <= '9' ? (a - '0') * 10 + (b - '0') : -1;
}

// Frames, sound, palette changes and a stream's index ("ix00"): skipped
// by their size, as media data is.
bool IsMediaChunk(uint32_t t) {
    const auto kind = static_cast<uint16_t>(t);
    if (StreamOf(t) >= 0) return OneOf(kind, {0x6463 /* dc */, 0x6462 /* db */, 0x7762 /* wb */, 0x7063 /* pc */});
    return t >> 16 == 0x6978 /* ix */ && StreamOf(t << 16) >= 0;
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
    // An AVI's streams in order (`strh`: their type and handler), and the
    // samples of each text stream found in the frames' list.
    struct Stream {
        uint32_t type = 0, handler = 0;
        std::vector<ByteRange> text;
    };
    std::vector<Stream> streams;
    uint32_t list = 0;  // the type of the LIST whose chunks are walked

    // A text at r (a LIST INFO item, a field of a broadcast WAV's `bext`),
    // its terminators left out: a coordinate it names is blanked.
    void Text(ByteRange r, const std::string& name, const Carrier& c) {
        if (!AddTextAt(sink, r, name, c)) Opaque(r, c);
    }
    // A broadcast WAV's `bext`: a description (256 bytes), the originator
    // (32), its reference (32), a date and a time (18), numbers and the
    // UMID (up to 602), then the coding history's text.
    void Bext(ByteRange whole, ByteRange d, const Carrier& c) {
        constexpr int64_t kNumbers = 338, kHistory = 602;
        if (d.len < kHistory) return Opaque(whole, c);
        Text({d.pos, 256}, "description", c.Then("description"));
        Text({d.pos + 256, 32}, "originator", c.Then("originator"));
        Text({d.pos + 288, 32}, "originator reference", c.Then("originator reference"));
        Opaque({d.pos + kNumbers, kHistory - kNumbers}, c);
        Text({d.pos + kHistory, d.len - kHistory}, "coding history", c.Then("coding history"));
    }

    uint32_t Type(int64_t pos) const {
        uint32_t t = 0;
        file.WithOrder(ByteReader::kBigEndian).U32(pos, t);
        return t;
    }
    // Bytes no rule knows: a find when they hold a position's text.
    void Opaque(ByteRange r, const Carrier& c) {
        if (r.len > 0) sink.Opaque(r, FindKind::Unparsed, FindWhy::ChunksUnparsed, FindWhy::ChunksUnparsed, c);
    }
    void Chunks(ByteRange r, const Carrier& c, int depth, bool movi = false);
    void One(uint32_t t, ByteRange whole, ByteRange data, const Carrier& c, int depth);
    void Movi(ByteRange r, const Carrier& c, int depth);
    void MoviOne(uint32_t t, ByteRange whole, ByteRange data, const Carrier& c, int depth);
    void TooDeep(ByteRange whole, const Carrier& c) {
        PositionFind f(FindKind::Unparsed, whole.pos, false, FindWhy::ChunksTooDeep);
        f.len = whole.len;
        sink.Add(f, c);
    }
};

// The chunks of r, one after the other; from a header that does not fit
// (a size running past r) on, the rest of r is opaque.
void RiffWalk::Chunks(ByteRange r, const Carrier& c, int depth, bool movi) {
    const ByteReader le = file.WithOrder(ByteReader::kLittleEndian);
    int64_t pos = r.pos;
    while (r.End() - pos >= kHeader) {
        uint32_t size = 0;
        if (!le.U32(pos + 4, size) || int64_t{size} > r.End() - pos - kHeader) break;
        const ByteRange data{pos + kHeader, int64_t{size}};
        if (movi) MoviOne(Type(pos), {pos, kHeader + data.len}, data, c, depth);
        else One(Type(pos), {pos, kHeader + data.len}, data, c, depth);
        // A pad byte keeps the next chunk at an even offset; one missing
        // at the end of r is no harm.
        pos = std::min(data.End() + (size & 1), r.End());
    }
    if (pos >= r.End()) return;
    const Carrier after = c.Then("after the chunks");
    // An EXIF chunk whose size is damaged: a reader that looks for a TIFF
    // header anywhere still reads its GPS IFD.
    sink.Unexplained({pos, r.End() - pos}, FindWhy::ChunksUnparsed, FindWhy::ChunksUnparsed, after);
}

void RiffWalk::One(uint32_t t, ByteRange whole, ByteRange data, const Carrier& c, int depth) {
    const Carrier at = c.Then(ChunkName(t));
    if (t == Fourcc("EXIF")) {
        // A TIFF structure, at once or after "Exif\0\0" as some writers
        // put it: the first TIFF header in the chunk, as in a JPEG's
        // Exif segment. A chunk without one is opaque.
        const int64_t tiff = ExifTiffStart(file, data.pos, data.End());
        if (tiff >= 0) sink.Tiff(tiff, data.End(), at, ExifBlock());
        else Opaque(whole, at);
    } else if (t == Fourcc("XMP ") || t == Fourcc("XMP\0") || t == Fourcc("_PMX")) {
        // A WebP's XMP (ImageMagick names the chunk with a NUL for its
        // space), and the XMP that AVI and WAV writers put in `_PMX`.
        sink.Xmp(data, whole, at);
    } else if (t == Fourcc("LIST")) {
        // A list type, then chunks; an AVI's `movi` list holds its frames.
        if (data.len < 4) {
            Opaque(whole, at);
            return;
        }
        const uint32_t type = Type(data.pos);
        if (depth >= kMaxDepth) return TooDeep(whole, c);
        if (type == Fourcc("movi")) return Movi({data.pos + 4, data.len - 4}, c.Then("LIST movi"), depth + 1);
        const uint32_t outer = list;
        list = type;
        Chunks({data.pos + 4, data.len - 4}, c.Then("LIST " + ChunkName(type)), depth + 1);
        list = outer;
    } else if (t == Fourcc("strh")) {
        Stream st;
        const ByteReader be = file.WithOrder(ByteReader::kBigEndian);
        if (data.len >= 8) be.U32(data.pos, st.type), be.U32(data.pos + 4, st.handler);
        streams.push_back(std::move(st));
    } else if (t == Fourcc("strd") && data.len > 8 && Type(data.pos) == Fourcc("AVIF")) {
        // A camera's Exif IFDs in a stream's data (Fujifilm): little-endian,
        // without a header, the 0th IFD at 8, offsets from there.
        TiffOptions opt;
        opt.headerless = ByteReader::kLittleEndian;
        sink.Tiff(data.pos + 8, data.End(), at, opt);
    } else if (t == Fourcc("JUNK") && data.len > 10 && Type(data.pos) == Fourcc("QVMI")) {
        // Casio's: big-endian, the 0th IFD at 10, offsets from the data.
        TiffOptions opt;
        opt.headerless = ByteReader::kBigEndian;
        opt.ifd0 = 10;
        sink.Tiff(data.pos, data.End(), at, opt);
    } else if (list == Fourcc("INFO") && !IsSkipped(t)) {
        // The items of a LIST INFO (INAM, ICMT, ...): texts.
        Text(data, ChunkName(t), at);
    } else if (t == Fourcc("bext")) {
        Bext(whole, data, at);
    } else if (t == Fourcc("strn")) {
        // A stream's name (its title, as FFmpeg writes one): a text.
        Text(data, "strn", at);
    } else if (t == Fourcc("iXML") || t == Fourcc("axml")) {
        // A field recorder's metadata (iXML: its LOCATION_GPS among them), an
        // archive's (axml): XML, walked as a document of its own.
        if (!sink.FileAt(data, at)) Opaque(whole, at);
    } else if ((t == Fourcc("id3 ") || t == Fourcc("ID3 ")) && StartsId3(file, data.pos, data.End())) {
        // A WAV's ID3 tag, as FFmpeg and tag editors write one.
        WalkId3Tag(data, at, sink);
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

// An AVI's frames (the `movi` list's chunks after its type): frames and
// sound are skipped by their size; a text stream's samples are read as
// captions; any other chunk a camera puts among them (a dashcam's `gps0`
// track, JUNK records) is walked as anywhere else. Every chunk's header is
// read, at both depths: the index (`idx1`) is not trusted to name them.
void RiffWalk::Movi(ByteRange r, const Carrier& c, int depth) {
    for (Stream& st : streams) st.text.clear();
    Chunks(r, c, depth, true);
    for (size_t i = 0; i < streams.size(); ++i) {
        if (streams[i].text.empty()) continue;
        const TimedFormat fmt = streams[i].handler == Fourcc("USER") ? TimedFormat::WholeFix : TimedFormat::PlainText;
        const TimedGpsScan scan = ScanTimedGps(file, fmt, streams[i].text);
        const std::string id = (i < 10 ? "0" : "") + std::to_string(i) + "tx";
        sink.AddPayload(scan.finds, scan.plan, c.Then(id));
    }
}

void RiffWalk::MoviOne(uint32_t t, ByteRange whole, ByteRange data, const Carrier& c, int depth) {
    if (IsMediaChunk(t)) {
        // A Motion JPEG frame is a JPEG file, which may keep the Exif of the
        // photo it was copied from (a still made into a clip): walked as one.
        const auto kind = static_cast<uint16_t>(t);
        if ((kind == 0x6463 /* dc */ || kind == 0x6462 /* db */) && JpegFileAt(file, data))
            sink.Nested(Container::Jpeg, data, c.Then(ChunkName(t)));
        return;
    }
    const int stream = StreamOf(t);
    if (stream >= 0 && static_cast<uint16_t>(t) == 0x7478 /* tx */ && stream < static_cast<int>(streams.size())) {
        streams[static_cast<size_t>(stream)].text.push_back(data);
    } else if (t == Fourcc("LIST") && data.len >= 4 && Type(data.pos) == Fourcc("rec ")) {
        // Chunks grouped to be read together.
        if (depth >= kMaxDepth) return TooDeep(whole, c);
        Chunks({data.pos + 4, data.len - 4}, c.Then("LIST rec"), depth + 1, true);
    } else {
        One(t, whole, data, c, depth);
    }
}

// True when a large AVI clip's next RIFF ("RIFF", a size, "AVIX") starts
// at pos, before end.
bool AvixAt(const ByteReader& file, int64_t pos, int64_t end) {
    const uint8_t* p = end - pos >= kRiffHeader ? file.Span(pos, kRiffHeader) : nullptr;
    return p != nullptr && std::memcmp(p, "RIFF", 4) == 0 && std::memcmp(p + 8, "AVIX", 4) == 0;
}

// True when [pos, end) is one chunk or more, each named in letters, whose
// sizes (and pad bytes) lead exactly to the end.
bool ChunksToEnd(const ByteReader& file, int64_t pos, int64_t end) {
    const ByteReader le = file.WithOrder(ByteReader::kLittleEndian);
    const ByteReader be = file.WithOrder(ByteReader::kBigEndian);
    for (uint32_t size = 0, type = 0; end - pos >= kHeader && le.U32(pos + 4, size);) {
        if (!be.U32(pos, type) || !FourccInLetters(type)) return false;
        if (int64_t{size} > end - pos - kHeader) return false;
        pos = pos + kHeader + size + (size & 1);
        if (pos >= end) return pos <= end + 1;  // a pad byte may be left out at the end
    }
    return false;
}

}  // namespace

void WalkRiffContainer(ByteRange whole, const Carrier& at, Sink& sink) {
    RiffWalk w{sink, sink.File(), {}};
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
    if (pos >= end) return;
    // A size the writer got wrong: chunks that run from there exactly to
    // the end are the RIFF's own, as lenient readers read on past the size.
    if (!avi && ChunksToEnd(w.file, pos, end)) {
        w.Chunks({pos, end - pos}, at.Then("past the RIFF's size"), 0);
        return;
    }
    // Otherwise what follows is data after the file's end, as after a
    // picture's: a trailer, or another container. A TIFF header in a
    // trailer that holds no container is an Exif chunk the size cut off.
    sink.AfterEnd({pos, end - pos}, end == w.file.Length(), at);
    if (FindEmbeddedContainer(w.file, pos, end).kind == Container::None)
        sink.StrayTiffIn({pos, end - pos}, end - pos, at);
}
