// Where container walkers hand what they find. A walker knows its own
// container only: it hands each payload (a TIFF structure, XMP documents,
// a FLIR block) to the sink, which runs the payload's scanner, turns what
// it finds into finds and their removal into the strip plan; each range no
// structure explains (stray bytes, data after the end), which is a find
// when it holds a position's text; and each container nested in its own,
// which the registry's walker for it takes apart, or which is a find that
// cannot be removed while no walker exists.
#pragma once
#include "exif/ByteReader.h"
#include "locate/ContentMap.h"
#include "locate/Find.h"
#include "locate/Locator.h"
#include "locate/payload/Deflate.h"
#include "locate/payload/TiffScan.h"
#include "locate/payload/XmpGps.h"

#include <functional>
#include <string>
#include <vector>

// Which structures hold a payload: the picture it belongs to and a path
// through the containers ("picture 2 / APP1 #3").
struct Carrier {
    int picture = 0;   // 0: the main picture or the file itself; n: the n-th further picture
    std::string path;

    Carrier Then(const std::string& step) const {
        Carrier c{picture, {}};
        if (path.empty()) {
            c.path = step;
            return c;
        }
        // One allocation: every box and segment of a walk gets its carrier.
        c.path.reserve(path.size() + 3 + step.size());
        c.path.append(path).append(" / ").append(step);
        return c;
    }
};

class Sink {
public:
    Sink(const ByteReader& file, LocateDepth depth, ScanEnds* ends, LocateResult& out,
         const LocateOptions& opt = {})
        : m_file(file), m_depth(depth), m_ends(ends), m_out(out), m_opt(opt) {}

    const ByteReader& File() const { return m_file; }
    LocateDepth Depth() const { return m_depth; }
    ScanEnds* Ends() const { return m_ends; }
    LocateResult& Result() { return m_out; }
    bool PlaceNames() const { return m_opt.placeNames; }

    // A TIFF structure whose header lies at `tiff`, inside a block ending at
    // `end`; with place names asked for, its maker notes' too.
    void Tiff(int64_t tiff, int64_t end, const Carrier& c, const TiffOptions& opt = {});
    // The same, for a structure held in the pieces `content` maps (an
    // item's extents), its header at content offset `tiff`.
    void Tiff(const ContentMap& content, int64_t tiff, const Carrier& c, const TiffOptions& opt = {});
    // The walk of a picture a document holds as base64 text (see HeldPicture).
    HeldPictureScan HeldScan() const;
    // XMP documents (see ScanXmpDocs).
    void Xmp(const std::vector<XmpDoc>& docs, bool guidNamed, const Carrier& c);
    // One XMP document whose bytes lie in `content`, reported at `reportAt`
    // when it cannot be read.
    void Xmp(ByteRange content, ByteRange reportAt, const Carrier& c);
    // A payload stored compressed, its stream held in the pieces `stream`
    // maps: `scan` reads the inflated content and gives its finds and their
    // removal in content offsets. The strip writes the stream anew at its
    // length (see DeflateToLength), padded with `pad`; where the stripped
    // content does not fit, or the stream does not inflate, the finds
    // cannot be removed. A container whose syntax around the stream hangs
    // on its bytes says which new streams it takes (`takes`).
    using ContentScan = std::function<void(const ByteReader& content, std::vector<PositionFind>& finds,
                                           StripPlan& plan)>;
    using StreamTest = std::function<bool(const std::vector<uint8_t>& stream)>;
    void Compressed(const ContentMap& stream, Deflated form, uint8_t pad, const Carrier& c,
                    const ContentScan& scan, const StreamTest& takes = {});
    // Photoshop's image resources (a JPEG's APP13): IPTC place names.
    void IptcPlaces(ByteRange irb, const Carrier& c);
    // A FLIR block whose pieces `fff` maps.
    void Flir(const ContentMap& fff, bool piecesInOrder, const Carrier& c);

    // Bytes inside a container that no structure explains: a find of
    // `kind` when they hold a position's text. False when they hold none.
    bool Opaque(ByteRange r, FindKind kind, FindWhy whyGps, FindWhy whyIso6709, const Carrier& c);
    // The same for bytes the container keeps in another form (decoded,
    // inflated): a find, reported at `at`, that cannot be removed. In
    // `compressed` data "GPS" counts only inside readable text.
    bool OpaqueHeld(const std::vector<uint8_t>& bytes, ByteRange at, FindWhy why, const Carrier& c, bool compressed);
    // The finds of a walk of such bytes (see LocateHeld), each reported
    // where `where` places it in the file and named under `c`; with
    // `unfit`, those that could be removed in the bytes cannot be here
    // (their new form does not fit), for that reason.
    void AddHeld(std::vector<PositionFind> finds, const std::function<ByteRange(const PositionFind&)>& where,
                 const Carrier& c, FindWhy unfit = FindWhy::None);
    // Data after a container's last structure, [r.pos, r.End()): a
    // container in it is handed on as nested, the bytes before it are
    // opaque. With `last` it runs to the file's end (where an Insta360
    // trailer is walked), and without a container a cut may drop it. False
    // when the opaque part held no position's text.
    bool AfterEnd(ByteRange r, bool last, const Carrier& c);
    // A TIFF header among bytes no structure explains (an Exif block whose
    // segment or chunk header is damaged): readers that look for a TIFF
    // header anywhere read it, with offsets that may lead anywhere in the
    // file. A find that cannot be removed: a strip changes no byte outside
    // the structures.
    void StrayTiff(int64_t tiff, int64_t end, const Carrier& c);
    // The same for a TIFF header in the first `reach` bytes of r (a part
    // that starts as an Exif block does), reaching to r's end.
    void StrayTiffIn(ByteRange r, int64_t reach, const Carrier& c);
    // Bytes no structure explains where an Exif block may have lost its
    // header (skipped bytes, a damaged segment, what follows the chunks):
    // opaque, and a TIFF header in them a stray Exif block.
    void Unexplained(ByteRange r, FindWhy whyGps, FindWhy whyIso6709, const Carrier& c);
    // Another container at r.pos (bounded by r, a range the walker's own
    // container declares, so that a cut never drops data inside it): taken
    // apart by the registry's walker for it, or a find that cannot be removed.
    void Nested(Container kind, ByteRange r, const Carrier& c, bool wholeFile = false);
    // What the outer container keeps over a nested one's bytes: checksums
    // its removal must write anew (`fixUps`, applied only when the nested
    // walk found something it can remove), and whether they are right now.
    // A checksum already wrong is left alone, so the nested finds cannot be
    // removed, for `why`.
    struct Around {
        StripPlan fixUps;
        bool intact = true;
        FindWhy why = FindWhy::None;
    };
    void Nested(Container kind, ByteRange r, const Carrier& c, const Around& around);
    // A file of its own inside the file (an archive's member, an attached
    // file), walked as the container it is: one told only as a file (a
    // text, an archive) is walked in a copy of its bytes and its finds and
    // removal moved onto the file; a copy that cannot be walked (too large,
    // nested too deep) is a find that cannot be removed. False, with
    // nothing walked, when it is of no known format (text that only looks
    // like a document's, or that cannot be copied, too).
    bool FileAt(ByteRange r, const Carrier& c);
    // The container being walked, whose structure does not fit it (a
    // header naming bytes outside the file, parts that overlap), which is
    // encrypted, or which holds data of no known format: a find that cannot
    // be removed, said of the whole file when it is the whole file.
    void NotTakenApart(ByteRange whole, const Carrier& c);

    // A find the walker made itself, and a payload scanner's finds with
    // their removal.
    void Add(PositionFind f, const Carrier& c);
    void AddPayload(const std::vector<PositionFind>& finds, const StripPlan& plan, const Carrier& c);

private:
    // Nested's walk; `bounded` when r is a range another container
    // declares (not data after its end).
    void Walk(Container kind, ByteRange r, const Carrier& c, bool wholeFile, bool bounded);
    void AddTiff(TiffScan t, const Carrier& c);
    // The texts of `t` that hold coordinates, read through `content`.
    void TextPositions(const ByteReader& content, const TiffScan& t, const Carrier& c);
    // The place names of the maker notes `t` recorded, read through
    // `content` (the bytes its walk read).
    void MakerNotePlaces(const ByteReader& content, const TiffScan& t, const Carrier& c);
    // The JPEG thumbnails of `t` (read through `content`), each walked as a
    // JPEG: some writers give a thumbnail an Exif block of its own.
    void Thumbnails(const TiffScan& t, const ByteReader& content, const Carrier& c);
    // The IPTC place names of `t`'s IPTC field and image resources.
    void TiffIptcPlaces(const ByteReader& content, const TiffScan& t, const Carrier& c);
    // A scan's finds and removal, made in the offsets of `content` (a
    // structure in pieces), moved onto the file's.
    void AddInContent(std::vector<PositionFind> finds, const StripPlan& plan, const ContentMap& content,
                      const Carrier& c);

    const ByteReader& m_file;
    LocateDepth m_depth;
    ScanEnds* m_ends;
    LocateResult& m_out;
    LocateOptions m_opt;
    int m_nesting = 0;  // containers inside containers being walked
    int m_bounded = 0;  // ... of them, those walked in a range another container declares
    Container m_walking = Container::None;  // the container whose walk is under way
};
