// What the parts of the ISOBMFF walker share while they walk one file.
#pragma once
#include "locate/Sink.h"
#include "locate/isobmff/Boxes.h"
#include "locate/payload/TimedGps.h"

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

// The `mdat` bodies of a file, sorted.
class MediaData {
public:
    explicit MediaData(std::vector<ByteRange> media) : m_media(std::move(media)) {
        std::sort(m_media.begin(), m_media.end(), [](const ByteRange& a, const ByteRange& b) { return a.pos < b.pos; });
    }
    // True when r lies wholly inside one of them.
    bool Holds(const ByteRange& r) const {
        auto it = std::upper_bound(m_media.begin(), m_media.end(), r.pos,
                                   [](int64_t pos, const ByteRange& m) { return pos < m.pos; });
        return it != m_media.begin() && r.End() <= std::prev(it)->End();
    }

private:
    std::vector<ByteRange> m_media;
};

struct BoxWalk {
    Sink& sink;
    const ByteReader& file;
    ByteRange whole;
    Carrier at;  // the file's own place

    // Where media data lies (`mdat` bodies): an item's extents must lie
    // there, or its removal could overwrite a box header.
    std::vector<ByteRange> media;
    // HEIF `meta` boxes, read once every `mdat` is known.
    struct Meta {
        Box box;
        Carrier at;
        int depth = 0;
    };
    std::vector<Meta> heifMetas;
    // Tracks of timed GPS samples, read once the whole file is known.
    // A key of Apple's timed metadata that names a location (or a place,
    // when place names are asked for): its local id, as its values' box type.
    struct KeyedValue {
        uint32_t id = 0;
        FindKind kind = FindKind::TimedGps;
    };
    struct Timed {
        Box stbl;
        uint32_t format = 0;
        TimedFormat read = TimedFormat::Text;  // how its samples are read
        uint32_t trackId = 0;
        Carrier at;
        std::vector<KeyedValue> keys;  // `mebx` tracks only
    };
    std::vector<Timed> timed;
    bool fragmented = false;  // the file holds movie fragments (`moof`)
    // Dashcams' `gps ` boxes, lists of GPS blocks among the media data,
    // read once every `mdat` is known.
    struct GpsList {
        Box box;
        Carrier at;
    };
    std::vector<GpsList> gpsLists;
    // Every track's sample table: where no sample lies, the media data may
    // hold a dashcam's GPS blocks that no list names.
    std::vector<Box> tables;

    // The boxes of r, each by its rule; bytes after the last box that
    // parses are opaque.
    void Children(ByteRange r, const Carrier& c, int depth);
    void One(const Box& b, const Carrier& c, int depth);
    // Bytes no rule knows: a find when they hold a position's text.
    void Opaque(ByteRange r, const Carrier& c);
    // A full box's children: after its version and flags.
    static ByteRange FullBoxChildren(const Box& b) { return {b.body + 4, b.end - b.body - 4}; }
};

// A box type as text, "©xyz" for 0xA9 'x' 'y' 'z'; bytes that are not
// letters show as '.'.
std::string BoxName(uint32_t type);

// Each part's rules (HeifItems.cpp, MovieMeta.cpp).
void WalkHeifItems(BoxWalk& w, const Box& meta, const Carrier& c, int depth);
void WalkMovieMeta(BoxWalk& w, const Box& meta, ByteRange children, const Carrier& c, int depth);
void WalkLocationBox(BoxWalk& w, const Box& b, const Carrier& c);
// QuickTime's text records in a box named ©... (in `udta`): each a 16-bit
// length, a language and the text. A text that names a coordinate is
// blanked with spaces; others follow the opaque rule. False, with nothing
// done, when the box is not laid out so.
bool WalkTextRecords(BoxWalk& w, const Box& b, const Carrier& c);
// Nero's chapter list (`chpl` in `udta`): version and flags, (in version
// 1, four reserved bytes), a count, then each chapter's 64-bit start, a
// length and its title. A title naming a coordinate is blanked with
// spaces; others follow the opaque rule. False, with nothing done, when
// the box is not laid out so.
bool WalkChapterList(BoxWalk& w, const Box& b, const Carrier& c);
// A 3GPP asset's text (`titl`, `dscp`, `auth`, ... in `udta`: version,
// flags, a language, then UTF-8, or UTF-16 after its byte order mark)
// naming a coordinate: blanked (spaces; zeros in UTF-16). True only then.
bool WalkAssetText(BoxWalk& w, const Box& b, const Carrier& c);
void WalkTimedTracks(BoxWalk& w);
// The keys of a `mebx` sample description (the first entry of `stsd`)
// whose values are a location, or a place's name when `placeNames`,
// sorted by id.
std::vector<BoxWalk::KeyedValue> MebxLocationKeys(const ByteReader& file, const Box& stsd, bool placeNames);
void WalkGpsBlocks(BoxWalk& w);
// GoPro's GPMF block in `udta`: KLV as in its timed track.
void WalkGpmfBox(BoxWalk& w, const Box& b, const Carrier& c);
// Nikon's tags (`NCTG` in NCDT): its GPS fields (MakerBoxes.cpp).
void WalkNikonTags(BoxWalk& w, const Box& b, const Carrier& c);
// Pentax's `PENT` (Optio WG-2 GPS clips): its GPS fields (MakerBoxes.cpp).
void WalkPentaxBox(BoxWalk& w, const Box& b, const Carrier& c);
// The first TIFF structure in a box no rule reads, scanned as one.
void ScanTiffInBox(BoxWalk& w, const Box& b, const Carrier& c);
