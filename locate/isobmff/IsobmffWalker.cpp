#include "locate/isobmff/IsobmffWalker.h"

#include "locate/Containers.h"
#include "locate/NamedValues.h"
#include "locate/Opaque.h"
#include "locate/Pieces.h"
#include "locate/id3/Id3Walker.h"
#include "locate/isobmff/BoxWalk.h"
#include "locate/isobmff/SampleTable.h"
#include "locate/xml/XmlTextWalker.h"
#include "locate/xmp/XmpFileWalker.h"

#include <algorithm>

namespace {

constexpr int kMaxDepth = 24;

// Canon's CR3 metadata box: TIFF blocks CMT1 (0th IFD), CMT2 (Exif IFD),
// CMT3 (maker notes) and CMT4 (the GPS IFD as a 0th IFD).
constexpr uint8_t kCanonUuid[16] = {0x85, 0xC0, 0xB6, 0x87, 0x82, 0x0F, 0x11, 0xE0,
                                    0x81, 0x11, 0xF4, 0xCE, 0x46, 0x2B, 0x6A, 0x48};
// Garmin's GPS track (VIRB cameras): records of a time, a speed and a
// latitude and longitude, in a top-level `uuid` box of this user type.
constexpr uint8_t kGarminGpsUuid[16] = {0x9B, 0x63, 0x0F, 0x8D, 0x63, 0x74, 0x40, 0xEC,
                                        0x82, 0x04, 0xBC, 0x5F, 0xF5, 0x09, 0x17, 0x28};

// Boxes that only hold boxes.
bool IsContainer(uint32_t t) {
    return OneOf(t, {Fourcc("moov"), Fourcc("trak"), Fourcc("mdia"), Fourcc("minf"), Fourcc("dinf"),
                     Fourcc("edts"), Fourcc("mvex"), Fourcc("moof"), Fourcc("traf"), Fourcc("mfra"),
                     Fourcc("udta"), Fourcc("iprp"), Fourcc("ipco"), Fourcc("tref"), Fourcc("grpl"),
                     Fourcc("meco"), Fourcc("strk"), Fourcc("sinf"), Fourcc("schi"), Fourcc("NCDT")});
}

// Boxes whose content is media, free space or numbers of the structure:
// never read, so neither samples nor tables are mistaken for text.
bool IsSkipped(uint32_t t) {
    return OneOf(t, {Fourcc("mdat"), Fourcc("free"), Fourcc("skip"), Fourcc("wide"), Fourcc("ftyp"),
                     Fourcc("styp"), Fourcc("pnot"), Fourcc("idat"), Fourcc("mvhd"), Fourcc("tkhd"),
                     Fourcc("mdhd"), Fourcc("hdlr"), Fourcc("vmhd"), Fourcc("smhd"), Fourcc("nmhd"),
                     Fourcc("gmhd"), Fourcc("dref"), Fourcc("stbl"), Fourcc("stsd"), Fourcc("stts"), Fourcc("stss"),
                     Fourcc("stsc"), Fourcc("stsz"), Fourcc("stz2"), Fourcc("stco"), Fourcc("co64"),
                     Fourcc("ctts"), Fourcc("cslg"), Fourcc("sdtp"), Fourcc("sbgp"), Fourcc("sgpd"),
                     Fourcc("saiz"), Fourcc("saio"), Fourcc("stps"), Fourcc("elst"), Fourcc("mehd"),
                     Fourcc("trex"), Fourcc("mfhd"), Fourcc("tfhd"), Fourcc("tfdt"), Fourcc("trun"),
                     Fourcc("sidx"), Fourcc("tfra"), Fourcc("mfro"), Fourcc("pitm"), Fourcc("iloc"),
                     Fourcc("iinf"), Fourcc("iref"), Fourcc("ipma"), Fourcc("ispe"), Fourcc("pixi"),
                     Fourcc("hvcC"), Fourcc("av1C"), Fourcc("avcC"), Fourcc("colr"), Fourcc("irot"),
                     Fourcc("imir"), Fourcc("clap"), Fourcc("pasp"), Fourcc("auxC"), Fourcc("clli"),
                     Fourcc("mdcv"), Fourcc("btrt"), Fourcc("load"), Fourcc("tapt"),
                     Fourcc("prfl"), Fourcc("clef"), Fourcc("prof"), Fourcc("enof"), Fourcc("keys"),
                     Fourcc("ilst"), Fourcc("frma"), Fourcc("schm"), Fourcc("ssix"), Fourcc("prft"),
                     Fourcc("emsg"), Fourcc("leva"), Fourcc("trep"), Fourcc("sgpd"), Fourcc("pdin")});
}

// A text metadata description (`mett`) whose MIME type names Parrot's
// drone metadata ("application/octet-stream;type=com.parrot.videometadata3").
bool NamesParrotMetadata(const ByteReader& file, const Box& stsd) {
    static constexpr std::string_view kParrot = "com.parrot.videometadata";
    const int64_t n = std::min<int64_t>(stsd.end - stsd.body, 1024);
    const uint8_t* p = file.Span(stsd.body, n);
    return p != nullptr && FindBytes(p, n, kParrot) != nullptr;
}

// A track: its handler and its first sample description, which say
// whether its samples are timed GPS.
void WalkTrack(BoxWalk& w, const Box& trak, const Carrier& c, int depth) {
    Box mdia, minf, stbl, stsd, hdlr;
    uint32_t handler = 0, format = 0;
    const ByteReader be = w.file.WithOrder(ByteReader::kBigEndian);
    if (FindChild(w.file, trak.Body(), Fourcc("mdia"), mdia)) {
        if (FindChild(w.file, mdia.Body(), Fourcc("hdlr"), hdlr)) be.U32(hdlr.body + 8, handler);
        if (FindChild(w.file, mdia.Body(), Fourcc("minf"), minf) &&
            FindChild(w.file, minf.Body(), Fourcc("stbl"), stbl) &&
            FindChild(w.file, stbl.Body(), Fourcc("stsd"), stsd))
            be.U32(stsd.body + 12, format);  // version, flags, count, then the entry's size
        if (stbl.end > stbl.pos) w.tables.push_back(stbl);
    }
    // Text tracks of every format, and subtitles in the forms that hold
    // text (QuickTime's, WebVTT, TTML, ISO's simple text), are read as
    // captions.
    const bool captions = handler == Fourcc("text") ||
                          (OneOf(handler, {Fourcc("sbtl"), Fourcc("subt")}) &&
                           OneOf(format, {Fourcc("tx3g"), Fourcc("text"), Fourcc("wvtt"), Fourcc("stpp"),
                                          Fourcc("sbtt"), Fourcc("stxt")}));
    std::vector<BoxWalk::KeyedValue> keys;
    if (format == Fourcc("mebx")) keys = MebxLocationKeys(w.file, stsd, w.sink.PlaceNames());
    // A metadata track of text (`mett` other than Parrot's, `stxt`): its
    // samples read as captions.
    const bool parrot = format == Fourcc("mett") && NamesParrotMetadata(w.file, stsd);
    const bool textMeta = handler == Fourcc("meta") && OneOf(format, {Fourcc("mett"), Fourcc("stxt")}) && !parrot;
    const bool timedGps =
        OneOf(format, {Fourcc("camm"), Fourcc("gpmd"), Fourcc("rtmd"), Fourcc("RVMI"), Fourcc("djmd")}) || parrot ||
        textMeta;
    if (timedGps || captions || !keys.empty()) {
        const TimedFormat read = format == Fourcc("camm")   ? TimedFormat::Camm
                                 : format == Fourcc("gpmd") ? TimedFormat::Gpmf
                                 : format == Fourcc("rtmd") ? TimedFormat::Rtmd
                                 : format == Fourcc("RVMI") ? TimedFormat::Rvmi
                                 : format == Fourcc("djmd") ? TimedFormat::Djmd
                                 : parrot                   ? TimedFormat::Parrot
                                 : format == Fourcc("wvtt") ? TimedFormat::WebVtt
                                 : format == Fourcc("stpp") ? TimedFormat::Ttml
                                 : textMeta || OneOf(format, {Fourcc("sbtt"), Fourcc("stxt")}) ? TimedFormat::PlainText
                                                            : TimedFormat::Text;
        // The track's number names its movie fragments.
        Box tkhd;
        uint8_t v = 0;
        uint32_t flags = 0, id = 0;
        if (FindChild(w.file, trak.Body(), Fourcc("tkhd"), tkhd) && FullBoxVersion(w.file, tkhd, v, flags))
            be.U32(tkhd.body + (v == 1 ? 20 : 12), id);
        w.timed.push_back({stbl, format, read, id, c, std::move(keys)});
    } else if (handler == Fourcc("vide") && OneOf(format, {Fourcc("jpeg"), Fourcc("mjpa"), Fourcc("mjpb"),
                                                         Fourcc("MJPG"), Fourcc("AVDJ"), Fourcc("dmb1"),
                                                         Fourcc("mp4v")})) {
        // Motion JPEG: each frame is a JPEG file, which may keep the Exif of
        // the photo it was copied from (a still made into a clip). MP4 names
        // it `mp4v`, as MPEG-4 video, whose frames never start with an SOI.
        std::vector<ByteRange> samples;
        if (TrackSamples(w.file, stbl, w.whole.pos, samples) && !samples.empty() &&
            (format != Fourcc("mp4v") || JpegFileAt(w.file, samples.front())))
            for (size_t i = 0; i < samples.size(); ++i)
                if (JpegFileAt(w.file, samples[i]))
                    w.sink.Nested(Container::Jpeg, samples[i], c.Then("frame " + std::to_string(i + 1)));
    } else if (OneOf(handler, {Fourcc("meta"), Fourcc("text"), Fourcc("sbtl")}) && stsd.end > stsd.body) {
        // Another timed metadata track whose description names a location
        // (its keys, its mime type): its samples are not understood.
        const int64_t n = stsd.end - stsd.body;
        const uint8_t* p = w.file.Span(stsd.body, n);
        static constexpr char kLocation[] = "location";
        bool names = false;
        for (int64_t i = 0; p != nullptr && !names && i + 8 <= n; ++i) {
            names = true;
            for (int k = 0; k < 8 && names; ++k) names = (p[i + k] | 0x20) == kLocation[k];
        }
        if (names || (p != nullptr && OpaqueHolds(w.file, stsd.body, n) != OpaqueText::None)) {
            PositionFind f(FindKind::TimedGps, stsd.pos, false, FindWhy::TimedTrackNamesLocation);
            f.len = stsd.end - stsd.pos;
            w.sink.Add(f, c);
        }
    }
    w.Children(trak.Body(), c, depth + 1);
}

// Canon's CR3 metadata: each CMTn box is a TIFF structure.
void WalkCanon(BoxWalk& w, const Box& uuid, const Carrier& c) {
    ForEachBox(w.file, uuid.Body(), [&](const Box& b) {
        const Carrier at = c.Then(BoxName(b.type));
        TiffOptions opt;
        opt.ifd0IsGps = b.Is(Fourcc("CMT4"));
        if (OneOf(b.type, {Fourcc("CMT1"), Fourcc("CMT2"), Fourcc("CMT4")}))
            w.sink.Tiff(b.body, b.end, at, opt);
        else if (!OneOf(b.type, {Fourcc("CMT3"), Fourcc("THMB"), Fourcc("CNCV"), Fourcc("CCTP"),
                                 Fourcc("CTBO"), Fourcc("free")}))
            w.Opaque(b.Whole(), at);
        return true;
    });
}

// QuickTime's compressed movie header (`cmov`: `dcom` names the method,
// `cmvd` holds the inflated size and the zlib stream of a `moov` box). It is
// inflated and walked as a file of its own; a position in it cannot be
// removed in place (the stream would have to keep both its length and its
// inflated size).
void WalkCompressedMovie(BoxWalk& w, const Box& cmov, const Carrier& c) {
    constexpr int64_t kMaxMovie = int64_t{64} << 20;
    Box dcom, cmvd;
    uint32_t method = 0, size = 0;
    std::vector<uint8_t> movie;
    const ByteReader be = w.file.WithOrder(ByteReader::kBigEndian);
    const bool read = FindChild(w.file, cmov.Body(), Fourcc("dcom"), dcom) &&
                      FindChild(w.file, cmov.Body(), Fourcc("cmvd"), cmvd) && cmvd.end - cmvd.body > 4 &&
                      be.U32(dcom.body, method) && method == Fourcc("zlib") && be.U32(cmvd.body, size) &&
                      int64_t{size} <= kMaxMovie;
    const uint8_t* packed = read ? w.file.Span(cmvd.body + 4, cmvd.end - cmvd.body - 4) : nullptr;
    bool held = packed == nullptr ||
                !Inflate(packed, cmvd.end - cmvd.body - 4, Deflated::Zlib, kMaxMovie, movie);
    // A header nested too deep to be followed counts as holding one.
    if (!held) held = LocateHeldBytes(movie.data(), static_cast<int64_t>(movie.size()), w.sink.PlaceNames()) != 0;
    if (!held) return;
    PositionFind f(FindKind::Unparsed, cmov.pos, false, FindWhy::CompressedMovieHoldsPosition);
    f.len = cmov.end - cmov.pos;
    w.sink.Add(f, c.Then("cmov"));
}

// An `xml ` box (a full box; some writers leave out its version and
// flags): XMP, or other XML read by the names of its elements (a camera's
// clip metadata, as Sony keeps it). False when it holds neither.
bool WalkXml(BoxWalk& w, const Box& b, const Carrier& c) {
    uint8_t first = 0;
    const int64_t text = w.file.U8(b.body, first) && (first == '<' || first == 0xEF) ? b.body : b.body + 4;
    if (text >= b.end) return false;
    const int64_t n = std::min<int64_t>(b.end - text, 1024);
    const uint8_t* p = w.file.Span(text, n);
    if (p != nullptr && StartsXmpPacket(p, n)) {
        w.sink.Xmp({text, b.end - text}, b.Whole(), c);
        return true;
    }
    return WalkXmlText({text, b.end - text}, c, w.sink);
}

// ISO's `meta` is a full box; QuickTime's holds its boxes at once. A first
// word of zero is a full box's version and flags; otherwise the layout
// under which more of its bytes parse as boxes named in letters is taken,
// so that neither a damaged flag nor a damaged first box hides the rest.
ByteRange MetaChildren(const ByteReader& file, const Box& meta) {
    const ByteRange atOnce = meta.Body(), full = BoxWalk::FullBoxChildren(meta);
    uint32_t first = 1;
    file.WithOrder(ByteReader::kBigEndian).U32(meta.body, first);
    if (first == 0) return full;
    const auto named = [&](ByteRange r) {
        int64_t n = 0;
        ForEachBox(file, r, [&](const Box& b) {
            if (FourccInLetters(b.type)) n += b.end - b.pos;
            return true;
        });
        return n;
    };
    return named(full) > named(atOnce) ? full : atOnce;
}

}  // namespace

std::string BoxName(uint32_t type) {
    std::string out;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const auto ch = static_cast<uint8_t>(type >> shift);
        if (ch == 0xA9) out += "\xC2\xA9";
        else out += FourccLetter(ch) ? static_cast<char>(ch) : '.';
    }
    return out;
}

void BoxWalk::Opaque(ByteRange r, const Carrier& c) {
    sink.Opaque(r, FindKind::Unparsed, FindWhy::BoxesUnparsed, FindWhy::BoxesUnparsed, c);
}

void BoxWalk::Children(ByteRange r, const Carrier& c, int depth) {
    const int64_t stop = ForEachBox(file, r, [&](const Box& b) {
        One(b, c, depth);
        return true;
    });
    if (stop < r.End()) Opaque({stop, r.End() - stop}, c.Then("after the boxes"));
}

void BoxWalk::One(const Box& b, const Carrier& c, int depth) {
    if (depth > kMaxDepth) {
        PositionFind f(FindKind::Unparsed, b.pos, false, FindWhy::BoxTooDeep);
        f.len = b.end - b.pos;
        sink.Add(f, c);
        return;
    }
    const uint32_t t = b.type;
    // Most boxes are media, free space or numbers of the structure, read no
    // further: their place is put into words only for the others.
    if (t == Fourcc("mdat")) {
        media.push_back(b.Body());
        return;
    }
    if (IsSkipped(t)) return;
    const Carrier at = c.Then(BoxName(t));
    // A movie fragment's boxes are walked as any container's (a `moov`
    // whose type is damaged reads as one).
    if (t == Fourcc("moof")) fragmented = true;
    if (t == Fourcc("trak")) {
        WalkTrack(*this, b, at, depth);
    } else if (t == Fourcc("meta")) {
        const ByteRange children = MetaChildren(file, b);
        Box hdlr;
        uint32_t handler = 0;
        if (FindChild(file, children, Fourcc("hdlr"), hdlr))
            file.WithOrder(ByteReader::kBigEndian).U32(hdlr.body + 8, handler);
        if (handler == Fourcc("pict") || FindChild(file, children, Fourcc("iinf"), hdlr))
            heifMetas.push_back({b, at, depth});
        else
            WalkMovieMeta(*this, b, children, at, depth);
    } else if ((t == Fourcc("uuid") && b.IsUuid(kXmpUuid)) || t == Fourcc("XMP_")) {
        sink.Xmp(b.Body(), b.Whole(), at);
    } else if (t == Fourcc("ID32") && b.end - b.body > 6) {
        // An ID3 tag in a `meta` box, after version, flags and a language.
        WalkId3Tag({b.body + 6, b.end - b.body - 6}, at, sink);
    } else if (t == Fourcc("xml ") && WalkXml(*this, b, at)) {
    } else if (t == Fourcc("uuid") && b.IsUuid(kCanonUuid)) {
        WalkCanon(*this, b, at);
    } else if (t == Fourcc("GPMF")) {
        WalkGpmfBox(*this, b, at);
    } else if (t == Fourcc("NCTG")) {
        WalkNikonTags(*this, b, at);
    } else if (t == Fourcc("PENT")) {
        WalkPentaxBox(*this, b, at);
    } else if (t == Fourcc("mpvd")) {
        // Samsung's motion photo in a HEIC: the clip is an ISOBMFF file.
        sink.Nested(Container::Isobmff, b.Body(), at);
    } else if (t == Fourcc("sefd")) {
        // Samsung's trailer, which its HEIC photos keep in a box.
        sink.Nested(Container::SamsungSef, b.Body(), at);
    } else if (t == Fourcc("cmov")) {
        WalkCompressedMovie(*this, b, c);
    } else if (t == Fourcc("mini")) {
        PositionFind f(FindKind::Container, b.pos, false, FindWhy::ItemsUnreadable);
        f.container = Container::Isobmff;
        f.len = b.end - b.pos;
        sink.Add(f, c);
    } else if (OneOf(t, {Fourcc("\xA9xyz"), Fourcc("@xyz"), Fourcc("loci"), Fourcc("gps "), Fourcc("GPS "),
                         Fourcc("gdat"), Fourcc("gps0"), Fourcc("udat")}) ||
               (t == Fourcc("uuid") && b.IsUuid(kGarminGpsUuid))) {
        WalkLocationBox(*this, b, at);
    } else if ((t >> 24) == 0xA9 && WalkTextRecords(*this, b, at)) {
        // A title, a comment, an author: QuickTime's text records.
    } else if (OneOf(t, {Fourcc("titl"), Fourcc("dscp"), Fourcc("cprt"), Fourcc("perf"), Fourcc("auth"),
                         Fourcc("gnre"), Fourcc("albm")}) &&
               WalkAssetText(*this, b, at)) {
        // The same as 3GPP writes them, naming a coordinate.
    } else if (t == Fourcc("chpl") && WalkChapterList(*this, b, at)) {
        // Chapters' titles, as FFmpeg writes them into MP4 and M4A.
    } else if (t == Fourcc("name") && TextFindAt(sink, b.Body(), "name", at)) {
        // A track's title (in its `udta`, as FFmpeg writes one) naming a coordinate.
    } else if ((t == Fourcc("QVMI") || t == Fourcc("MVTG")) && b.end - b.body >= 24) {
        // Exif IFDs without a header, as Casio (big-endian, the 0th IFD at
        // 10, offsets from the box's data) and Fujifilm (little-endian, from
        // 16, offsets from there) keep their clips' metadata.
        TiffOptions opt;
        opt.headerless = t == Fourcc("QVMI") ? ByteReader::kBigEndian : ByteReader::kLittleEndian;
        opt.ifd0 = t == Fourcc("QVMI") ? 10 : 0;
        sink.Tiff(t == Fourcc("QVMI") ? b.body : b.body + 16, b.end, at, opt);
    } else if (IsContainer(t)) {
        // A dashcam's list of GPS blocks is moov/gps (elsewhere a `gps `
        // box holds its own fixes, as Pittasoft's NMEA log).
        Box list;
        if (t == Fourcc("moov") && FindChild(file, b.Body(), Fourcc("gps "), list))
            gpsLists.push_back({list, at.Then(BoxName(list.type))});
        Children(b.Body(), at, depth + 1);
    } else {
        Opaque(b.Whole(), at);
        ScanTiffInBox(*this, b, at);
    }
}

void WalkIsobmffContainer(ByteRange whole, const Carrier& at, Sink& sink) {
    BoxWalk w{sink, sink.File(), whole, at, {}, {}, {}, false, {}, {}};
    const int64_t stop = ForEachBox(w.file, whole, [&](const Box& b) {
        w.One(b, at, 0);
        return true;
    });
    // Item boxes may hold further `meta` boxes, which join the list.
    for (size_t i = 0; i < w.heifMetas.size(); ++i) {
        const BoxWalk::Meta m = w.heifMetas[i];
        WalkHeifItems(w, m.box, m.at, m.depth);
    }
    WalkTimedTracks(w);
    WalkGpsBlocks(w);
    // What follows the last box is data after the file's end, as after a
    // picture's: a trailer, or another container.
    if (stop < whole.End())
        sink.AfterEnd({stop, whole.End() - stop}, whole.End() == w.file.Length(), at);
}
