#include "locate/png/PngWalker.h"

#include "locate/Containers.h"
#include "locate/Fourcc.h"
#include "locate/Locator.h"
#include "locate/NamedValues.h"
#include "locate/Opaque.h"
#include "locate/Pieces.h"
#include "locate/Sink.h"
#include "locate/payload/TiffBlock.h"
#include "locate/payload/TimedGps.h"
#include "locate/png/RawProfile.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr int64_t kSignature = 8;
constexpr int64_t kHeader = 8;  // the data's length, the type
constexpr int64_t kCrc = 4;
// A chunk's length is at most 2^31 - 1; a larger one is damage.
constexpr uint32_t kMaxLength = 0x7FFFFFFF;
// A keyword is 1 to 79 letters, then a NUL.
constexpr int64_t kMaxKeyword = 80;
// Hex text decoded whole, as compressed metadata is inflated whole: more
// is not believed.
constexpr int64_t kMaxText = int64_t{64} << 20;

// Chunks of image data (the picture's, an animation's frames) and those
// that only hold numbers of the picture: skipped by their length, so
// their bytes are never read nor taken for text.
bool IsSkipped(uint32_t t) {
    return OneOf(t, {Fourcc("IHDR"), Fourcc("PLTE"), Fourcc("IDAT"), Fourcc("IEND"), Fourcc("fdAT"), Fourcc("fcTL"),
                     Fourcc("acTL"), Fourcc("tRNS"), Fourcc("gAMA"), Fourcc("cHRM"), Fourcc("sRGB"), Fourcc("bKGD"),
                     Fourcc("pHYs"), Fourcc("sBIT"), Fourcc("hIST"), Fourcc("tIME"), Fourcc("cICP"), Fourcc("mDCv"),
                     Fourcc("cLLi"), Fourcc("oFFs"), Fourcc("iDOT"), Fourcc("JHDR"), Fourcc("JSEP"),
                     Fourcc("MHDR"), Fourcc("MEND")});
}

// Text as a carrier shows it: bytes that are not printable show as '.'.
std::string Printable(const uint8_t* p, int64_t n) {
    std::string out;
    for (int64_t i = 0; i < n; ++i) out += p[i] >= 0x20 && p[i] < 0x7F ? static_cast<char>(p[i]) : '.';
    return out;
}

std::string ChunkName(uint32_t t) {
    const uint8_t b[4] = {static_cast<uint8_t>(t >> 24), static_cast<uint8_t>(t >> 16),
                          static_cast<uint8_t>(t >> 8), static_cast<uint8_t>(t)};
    return Printable(b, 4);
}

// A keyword that names a GPS tag ("GPSLatitude", "exif:GPSLongitude"):
// "GPS" in it, in any letter case.
bool NamesGps(std::string_view k) {
    for (size_t i = 0; i + 3 <= k.size(); ++i)
        if ((k[i] | 0x20) == 'g' && (k[i + 1] | 0x20) == 'p' && (k[i + 2] | 0x20) == 's') return true;
    return false;
}

// A keyword that names an XMP place property, as ImageMagick writes each
// property of a picture's XMP as a text of its own ("photoshop:City").
bool NamesPlace(std::string_view k) {
    for (std::string_view name : {"photoshop:City", "photoshop:State", "photoshop:Country", "Iptc4xmpCore:Location",
                                  "Iptc4xmpCore:CountryCode"})
        if (k == name) return true;
    return k.substr(0, 20) == "Iptc4xmpExt:Location";
}

struct Chunk {
    int64_t pos = 0;  // its length field
    uint32_t type = 0;
    int64_t len = 0;  // the data's
    ByteRange Data() const { return {pos + kHeader, len}; }
    ByteRange Whole() const { return {pos, kHeader + len + kCrc}; }
    // The bytes the CRC covers: the type and the data.
    ByteRange Covered() const { return {pos + 4, 4 + len}; }
    int64_t CrcPos() const { return pos + kHeader + len; }
};

// A text chunk's keyword and where its text (or the text's zlib stream) lies.
struct TextChunk {
    std::string keyword;
    ByteRange text;
    bool compressed = false;
};

// The first NUL in [from, end); -1 when there is none.
int64_t FindNul(const ByteReader& file, int64_t from, int64_t end) {
    int64_t found = -1;
    if (end > from)
        ForEachPiece(file, from, end - from, 0, [&](const uint8_t* p, int64_t at, int64_t n) {
            const void* z = std::memchr(p, 0, static_cast<size_t>(n));
            if (z != nullptr) found = at + (static_cast<const uint8_t*>(z) - p);
            return z != nullptr;
        });
    return found;
}

// tEXt: keyword, NUL, text. zTXt: keyword, NUL, method 0, zlib stream.
// iTXt: keyword, NUL, compression flag, method 0, language tag, NUL,
// translated keyword, NUL, text (a zlib stream when flagged). False when
// the chunk is not laid out so.
bool ParseText(const ByteReader& file, const Chunk& c, TextChunk& out) {
    const ByteRange d = c.Data();
    const int64_t nul = FindNul(file, d.pos, std::min(d.End(), d.pos + kMaxKeyword));
    const uint8_t* k = nul > d.pos ? file.Span(d.pos, nul - d.pos) : nullptr;
    if (k == nullptr) return false;
    out.keyword.assign(k, k + (nul - d.pos));
    int64_t at = nul + 1;
    if (c.type == Fourcc("tEXt")) {
        out.text = {at, d.End() - at};
        return true;
    }
    uint8_t flag = 1, method = 0;
    if (c.type == Fourcc("iTXt") && (at >= d.End() || !file.U8(at++, flag))) return false;
    if (at >= d.End() || !file.U8(at++, method) || flag > 1 || (flag == 1 && method != 0)) return false;
    if (c.type == Fourcc("iTXt"))
        for (int i = 0; i < 2; ++i) {  // the language tag, the translated keyword
            const int64_t n = FindNul(file, at, d.End());
            if (n < 0) return false;
            at = n + 1;
        }
    out.compressed = flag == 1;
    out.text = {at, d.End() - at};
    return true;
}

// A value named by a GPS keyword: a find when it holds more than blanks,
// removed as spaces.
void ScanValue(const ByteReader& text, ByteRange r, std::vector<PositionFind>& finds, StripPlan& plan,
               FindKind kind = FindKind::Location) {
    bool held = false;
    ForEachPiece(text, r.pos, r.len, 0, [&](const uint8_t* p, int64_t, int64_t n) {
        for (int64_t i = 0; i < n && !held; ++i) held = p[i] != ' ' && p[i] != '\t' && p[i] != '\n' && p[i] != '\r' && p[i] != 0;
        return held;
    });
    if (!held) return;
    PositionFind f(kind, r.pos, true);
    f.len = r.len;
    finds.push_back(f);
    plan.fills.push_back({plan.AddMap(ContentMap(r)), 0, r.len, ' ', {}});
}

// An XMP packet that is the whole of `text` (place names too when asked).
void ScanXmpText(const ByteReader& text, bool placeNames, std::vector<PositionFind>& finds, StripPlan& plan) {
    XmpScan scan = ScanXmpContent(text, placeNames);
    finds = std::move(scan.finds);
    plan = std::move(scan.plan);
}

struct PngWalk {
    Sink& sink;
    const ByteReader& file;

    // Bytes no rule knows: a find when they hold a position's text.
    void Opaque(ByteRange r, const Carrier& c) {
        if (r.len > 0) sink.Opaque(r, FindKind::Unparsed, FindWhy::ChunksUnparsed, FindWhy::ChunksUnparsed, c);
    }
    void Unparsed(ByteRange r, const Carrier& c) {
        PositionFind f(FindKind::Unparsed, r.pos, false, FindWhy::ChunksUnparsed);
        f.len = r.len;
        sink.Add(f, c);
    }
    bool CrcHolds(const Chunk& c) const;
    template <class F>
    void Metadata(const Chunk& c, F handle);
    void One(const Chunk& c, const Carrier& at);
    void Jpeg(const std::vector<Chunk>& parts, const Carrier& at);
    void Text(const Chunk& c, const Carrier& at);
    void OtherText(const Chunk& c, const TextChunk& t, const Carrier& at);
};

bool PngWalk::CrcHolds(const Chunk& c) const {
    uint32_t stored = 0;
    if (!file.WithOrder(ByteReader::kBigEndian).U32(c.CrcPos(), stored)) return false;
    uLong crc = crc32(0L, Z_NULL, 0);
    int64_t done = 0;
    ForEachPiece(file, c.Covered().pos, c.Covered().len, 0, [&](const uint8_t* p, int64_t, int64_t n) {
        crc = crc32(crc, p, static_cast<uInt>(n));
        done += n;
        return false;
    });
    return done == c.Covered().len && crc == stored;
}

// Hands a metadata chunk's payloads on (`handle`), then: when the strip
// changes the chunk, its CRC is written anew after the payloads' fills;
// when its CRC is already wrong, its finds cannot be removed and nothing
// of it is planned (a reader that checks CRCs ignores such a chunk, and
// one written anew would be read again). The CRC is read only here, for
// a chunk that holds finds.
template <class F>
void PngWalk::Metadata(const Chunk& c, F handle) {
    LocateResult& out = sink.Result();
    const size_t finds = out.finds.size(), tiffs = out.tiffs.size();
    const size_t maps = out.plan.maps.size(), fills = out.plan.fills.size(), fixUps = out.plan.fixUps.size();
    handle();
    // A TIFF structure's GPS IFD is cleared later, in the user's mode.
    bool changes = out.plan.fills.size() > fills;
    for (size_t i = tiffs; i < out.tiffs.size(); ++i)
        for (const GpsIfdScan& g : out.tiffs[i].gps) changes = changes || g.positions > 0;
    if (out.finds.size() == finds && !changes) return;
    if (CrcHolds(c)) {
        if (!changes) return;
        StripPlan fix;
        fix.fixUps.push_back({StripFixUp::kCrc32, fix.AddMap(ContentMap(c.Covered())), {c.CrcPos()}});
        out.plan.Append(fix);
        return;
    }
    for (size_t i = finds; i < out.finds.size(); ++i)
        if (out.finds[i].removable) {
            out.finds[i].removable = false;
            out.finds[i].why = FindWhy::ChunkCrcWrong;
        }
    out.tiffs.erase(out.tiffs.begin() + static_cast<std::ptrdiff_t>(tiffs), out.tiffs.end());
    out.plan.maps.erase(out.plan.maps.begin() + static_cast<std::ptrdiff_t>(maps), out.plan.maps.end());
    out.plan.fills.erase(out.plan.fills.begin() + static_cast<std::ptrdiff_t>(fills), out.plan.fills.end());
    out.plan.fixUps.erase(out.plan.fixUps.begin() + static_cast<std::ptrdiff_t>(fixUps), out.plan.fixUps.end());
}

// The chunk holds Exif: `eXIf` in any letter case (ImageMagick wrote
// `exIf` before the name was settled) and `zxIf`, the once-proposed
// compressed form, as readers take them.
bool HoldsExif(uint32_t type) {
    const uint32_t lower = type | 0x20202020;
    return lower == Fourcc("exif") || lower == Fourcc("zxif");
}

void PngWalk::One(const Chunk& c, const Carrier& at) {
    if (IsSkipped(c.type)) return;
    const Carrier here = at.Then(ChunkName(c.type));
    if (HoldsExif(c.type)) {
        // A TIFF structure, at once or after "Exif\0\0" as some writers
        // put it: the first TIFF header in the chunk. Data starting with a
        // zero byte is compressed: the zero, the content's length, then a
        // zlib stream of the TIFF structure, written back at its length.
        // A chunk of neither form is opaque.
        ByteRange d = c.Data();
        const uint8_t* prefix = file.Span(d.pos, 6);
        if (prefix != nullptr && std::memcmp(prefix, "Exif\0\0", 6) == 0) d = {d.pos + 6, d.len - 6};
        uint8_t first = 0xFF;
        file.U8(d.pos, first);
        Metadata(c, [&] {
            if (first == 0 && d.len > 5) {
                sink.Compressed(ContentMap({d.pos + 5, d.len - 5}), Deflated::Zlib, 0, here,
                                [&](const ByteReader& x, std::vector<PositionFind>& finds, StripPlan& plan) {
                                    const int64_t tiff = FindTiffHeader(x, 0, std::min<int64_t>(x.Length(), 14));
                                    if (tiff >= 0) ScanTiffBlock(x, tiff, sink.PlaceNames(), finds, plan);
                                    else if (OpaqueHolds(x, 0, x.Length()) != OpaqueText::None)
                                        finds.push_back(
                                            PositionFind(FindKind::Unparsed, 0, false, FindWhy::ChunksUnparsed));
                                });
                return;
            }
            const int64_t tiff = ExifTiffStart(file, c.Data().pos, c.Data().End());
            if (tiff >= 0) sink.Tiff(tiff, c.Data().End(), here, ExifBlock());
            else Opaque(c.Whole(), here);
        });
    } else if (OneOf(c.type, {Fourcc("tEXt"), Fourcc("zTXt"), Fourcc("iTXt")})) {
        Metadata(c, [&] { Text(c, at); });
    } else {
        // Any other chunk (an ICC profile, a C2PA manifest, which is
        // signed, one no rule knows) is opaque.
        Opaque(c.Whole(), here);
    }
}

// A JNG's JPEG datastream (JDAT, and JDAA for its alpha) is a JPEG with
// segments of its own, and ImageMagick copies a photo's Exif into it. In
// one chunk it is walked as a JPEG (the chunk's CRC written anew where the
// strip changes it); split over several chunks, its segments may straddle
// them: it is looked through as a file of its own, and a position in it
// cannot be removed.
void PngWalk::Jpeg(const std::vector<Chunk>& parts, const Carrier& at) {
    const Carrier here = at.Then(ChunkName(parts.front().type));
    if (parts.size() == 1) {
        Metadata(parts.front(), [&] { sink.Nested(Container::Jpeg, parts.front().Data(), here); });
        return;
    }
    ContentMap data;
    for (const Chunk& c : parts) data.Append(c.Data().pos, c.len);
    std::vector<uint8_t> jpeg;
    if (data.Length() <= kMaxText && data.Gather(file, jpeg) &&
        LocateHeldBytes(jpeg.data(), static_cast<int64_t>(jpeg.size()), sink.PlaceNames()) == 0)
        return;
    PositionFind f(FindKind::Unparsed, parts.front().pos, false, FindWhy::SplitJpegHoldsPosition);
    f.len = parts.back().Whole().End() - parts.front().pos;
    sink.Add(f, here);
}

void PngWalk::Text(const Chunk& c, const Carrier& at) {
    TextChunk t;
    if (!ParseText(file, c, t)) {
        Opaque(c.Whole(), at.Then(ChunkName(c.type)));
        return;
    }
    const Carrier here = at.Then(ChunkName(c.type) + " " +
                                 Printable(reinterpret_cast<const uint8_t*>(t.keyword.data()),
                                           static_cast<int64_t>(t.keyword.size())));
    const RawProfileKind raw = RawProfileOf(t.keyword);
    const bool xmp = t.keyword == "XML:com.adobe.xmp";
    const FindKind value = NamesGps(t.keyword) ? FindKind::Location : FindKind::PlaceName;
    const bool named = value == FindKind::Location || (sink.PlaceNames() && NamesPlace(t.keyword));
    if (raw == RawProfileKind::None && !xmp && !named) {
        OtherText(c, t, here);
        return;
    }
    if (t.text.len == 0) return;
    if (t.compressed) {
        // Written back at the stream's length; hex text is padded with
        // newlines, XMP and values with spaces, which their readers skip.
        const uint8_t pad = raw != RawProfileKind::None ? '\n' : ' ';
        sink.Compressed(ContentMap(t.text), Deflated::Zlib, pad, here,
                        [&](const ByteReader& x, std::vector<PositionFind>& finds, StripPlan& plan) {
                            if (raw == RawProfileKind::None) {
                                if (xmp) ScanXmpText(x, sink.PlaceNames(), finds, plan);
                                else ScanValue(x, {0, x.Length()}, finds, plan, value);
                            } else if (!ScanRawProfile(x, 0, x.Length(), raw, sink.PlaceNames(), finds, plan) &&
                                       OpaqueHolds(x, 0, x.Length()) != OpaqueText::None) {
                                finds.push_back(PositionFind(FindKind::Unparsed, 0, false, FindWhy::ChunksUnparsed));
                            }
                        });
        return;
    }
    std::vector<PositionFind> finds;
    StripPlan plan;
    if (xmp) {
        sink.Xmp(t.text, c.Whole(), here);
    } else if (raw == RawProfileKind::None) {
        ScanValue(file, t.text, finds, plan, value);
    } else if (t.text.len > kMaxText) {
        Unparsed(c.Whole(), here);
    } else if (!ScanRawProfile(file, t.text.pos, t.text.len, raw, sink.PlaceNames(), finds, plan)) {
        Opaque(c.Whole(), here);
    }
    sink.AddPayload(finds, plan, here);
}

// Text under any other keyword (a comment, a description): a find when it
// names a coordinate ("Lat: 35.6586 Lon: 139.7454"), blanked with spaces
// (compressed text written anew at its length); else opaque, its inflated
// text when it is compressed, else the chunk's bytes.
void PngWalk::OtherText(const Chunk& c, const TextChunk& t, const Carrier& at) {
    std::vector<uint8_t> packed, text;
    if (t.compressed && t.text.len > 0 && t.text.len <= kMaxText && ContentMap(t.text).Gather(file, packed) &&
        Inflate(packed.data(), t.text.len, Deflated::Zlib, kMaxText, text)) {
        const ByteReader x(text.data(), static_cast<int64_t>(text.size()));
        if (TextNamesCoordinate(text.data(), x.Length())) {
            sink.Compressed(ContentMap(t.text), Deflated::Zlib, ' ', at,
                            [](const ByteReader& y, std::vector<PositionFind>& finds, StripPlan& plan) {
                                ScanValue(y, {0, y.Length()}, finds, plan);
                            });
            return;
        }
        if (OpaqueHolds(x, 0, x.Length()) != OpaqueText::None) {
            Unparsed(c.Whole(), at);
            return;
        }
    }
    if (!t.compressed && TextFindAt(sink, t.text, t.keyword, at)) return;
    Opaque(c.Whole(), at);
}

}  // namespace

void WalkPngContainer(ByteRange whole, const Carrier& at, Sink& sink) {
    PngWalk w{sink, sink.File()};
    const ByteReader be = w.file.WithOrder(ByteReader::kBigEndian);
    const int64_t end = whole.End();
    if (whole.len < kSignature) {
        w.Opaque(whole, at);
        return;
    }
    // An MNG ends at MEND (the PNG and JNG pictures in it each at IEND); a
    // PNG and a JNG at IEND.
    uint8_t sig = 0;
    const uint32_t last = w.file.U8(whole.pos, sig) && sig == 0x8A ? Fourcc("MEND") : Fourcc("IEND");
    // A JNG picture's JPEG data and its alpha's, each in one or more chunks,
    // walked at the picture's IEND (in a JNG or an MNG; a PNG has none).
    const bool jng = sig != 0x89;
    std::vector<Chunk> jdat, jdaa;
    auto pictureEnd = [&] {
        if (!jdat.empty()) w.Jpeg(jdat, at);
        if (!jdaa.empty()) w.Jpeg(jdaa, at);
        jdat.clear(), jdaa.clear();
    };
    int64_t pos = whole.pos + kSignature;
    while (end - pos >= kHeader + kCrc) {
        uint32_t len = 0, type = 0;
        if (!be.U32(pos, len) || !be.U32(pos + 4, type) || len > kMaxLength ||
            int64_t{len} > end - pos - kHeader - kCrc)
            break;
        const Chunk c{pos, type, int64_t{len}};
        pos = c.Whole().End();
        if (jng && (type == Fourcc("JDAT") || type == Fourcc("JDAA"))) {
            (type == Fourcc("JDAT") ? jdat : jdaa).push_back(c);
            continue;
        }
        if (type == Fourcc("IEND")) pictureEnd();
        w.One(c, at);
        if (type != last) continue;
        // What follows the end is data after the picture's end: a trailer,
        // or another container.
        if (pos < end) sink.AfterEnd({pos, end - pos}, end == w.file.Length(), at);
        return;
    }
    pictureEnd();
    if (pos >= end) return;
    // A chunk running past the end (or bytes too few for one): the rest is
    // opaque. A damaged eXIf chunk's TIFF structure is still read by a
    // reader that looks for a TIFF header anywhere.
    const Carrier after = at.Then("after the chunks");
    sink.Unexplained({pos, end - pos}, FindWhy::ChunksUnparsed, FindWhy::ChunksUnparsed, after);
}
