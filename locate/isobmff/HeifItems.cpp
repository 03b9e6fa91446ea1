// HEIF items that hold metadata: an `Exif` item (a TIFF structure after a
// 4-byte offset to its header) and an XMP item (`mime`, content type
// application/rdf+xml), found through `iinf` and read through the extents
// `iloc` gives them, in the file or in the `meta` box's `idat`. Items of
// other content types (`mime`) and URI items (`uri `) follow the opaque
// rule, and a JPEG picture item (`jpeg`), which may keep a photo's own
// segments, is walked as a JPEG.
#include "locate/isobmff/BoxWalk.h"

#include "locate/Opaque.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace {

constexpr int64_t kMaxItemLen = int64_t{64} << 20;  // Exif and XMP are small; more is not believed
constexpr int kMaxExtents = 4096;

struct Item {
    uint32_t id = 0;
    uint32_t type = 0;
    uint16_t protection = 0;
    std::string contentType, encoding;
};

// A NUL-terminated text inside [pos, end); pos moves past it. False when
// it runs to the end without a NUL.
bool CString(const ByteReader& file, int64_t& pos, int64_t end, std::string& out) {
    out.clear();
    for (uint8_t ch = 1; pos < end; ++pos) {
        if (!file.U8(pos, ch)) return false;
        if (ch == 0) {
            ++pos;
            return true;
        }
        if (out.size() < 256) out += static_cast<char>(ch);
    }
    return false;
}

// The item information entries that name Exif or XMP items.
std::vector<Item> MetadataItems(const ByteReader& file, const Box& iinf) {
    std::vector<Item> out;
    uint8_t v = 0;
    uint32_t flags = 0;
    if (!FullBoxVersion(file, iinf, v, flags)) return out;
    const int64_t entries = iinf.body + 4 + (v == 0 ? 2 : 4);
    const ByteReader be = file.WithOrder(ByteReader::kBigEndian);
    ForEachBox(file, {entries, iinf.end - entries}, [&](const Box& infe) {
        uint8_t ev = 0;
        if (!infe.Is(Fourcc("infe")) || !FullBoxVersion(file, infe, ev, flags)) return true;
        Item it;
        int64_t p = infe.body + 4;
        uint16_t id16 = 0;
        std::string name;
        if (ev >= 2) {
            uint32_t id32 = 0;
            if (ev == 2 ? !be.U16(p, id16) : !be.U32(p, id32)) return true;
            it.id = ev == 2 ? id16 : id32;
            p += ev == 2 ? 2 : 4;
            if (!be.U16(p, it.protection) || !be.U32(p + 2, it.type)) return true;
            p += 6;
            CString(file, p, infe.end, name);
            if (it.type == Fourcc("mime")) {
                CString(file, p, infe.end, it.contentType);
                CString(file, p, infe.end, it.encoding);
            }
        } else {
            // The first versions name a mime type only.
            if (!be.U16(p, id16) || !be.U16(p + 2, it.protection)) return true;
            it.id = id16;
            p += 4;
            CString(file, p, infe.end, name);
            CString(file, p, infe.end, it.contentType);
            CString(file, p, infe.end, it.encoding);
            it.type = Fourcc("mime");
        }
        if (OneOf(it.type, {Fourcc("Exif"), Fourcc("mime"), Fourcc("uri "), Fourcc("jpeg")})) out.push_back(it);
        return true;
    });
    return out;
}

// One item's place: how it is built and its extents.
struct ItemPlace {
    int method = 0;           // 0: in the file, 1: in `idat`, 2: from other items
    uint16_t dataRef = 0;     // 0: this file
    uint64_t base = 0;
    std::vector<std::pair<uint64_t, uint64_t>> extents;  // offset, length
};

// The places `iloc` gives the items in `want`; false when it cannot be read.
bool ItemPlaces(const ByteReader& file, const Box& iloc, const std::vector<Item>& want,
                std::vector<std::pair<uint32_t, ItemPlace>>& out) {
    uint8_t v = 0;
    uint32_t flags = 0;
    if (!FullBoxVersion(file, iloc, v, flags) || v > 2) return false;
    const ByteReader be = file.WithOrder(ByteReader::kBigEndian);
    uint8_t a = 0, b = 0;
    int64_t p = iloc.body + 4;
    if (!file.U8(p, a) || !file.U8(p + 1, b)) return false;
    const int offSize = a >> 4, lenSize = a & 15, baseSize = b >> 4, indexSize = v >= 1 ? b & 15 : 0;
    for (int s : {offSize, lenSize, baseSize, indexSize})
        if (s != 0 && s != 4 && s != 8) return false;
    p += 2;
    uint64_t count = 0;
    if (!ReadUint(file, p, v < 2 ? 2 : 4, count)) return false;
    p += v < 2 ? 2 : 4;
    for (uint64_t i = 0; i < count; ++i) {
        uint64_t id = 0, extents = 0;
        ItemPlace place;
        if (!ReadUint(file, p, v < 2 ? 2 : 4, id)) return false;
        p += v < 2 ? 2 : 4;
        if (v >= 1) {
            uint16_t m = 0;
            if (!be.U16(p, m)) return false;
            place.method = m & 15;
            p += 2;
        }
        if (!be.U16(p, place.dataRef) || !ReadUint(file, p + 2, baseSize, place.base) ||
            !ReadUint(file, p + 2 + baseSize, 2, extents))
            return false;
        p += 2 + baseSize + 2;
        for (uint64_t e = 0; e < extents; ++e) {
            uint64_t off = 0, len = 0;
            if (!ReadUint(file, p + indexSize, offSize, off) ||
                !ReadUint(file, p + indexSize + offSize, lenSize, len))
                return false;
            p += indexSize + offSize + lenSize;
            if (e < kMaxExtents) place.extents.push_back({off, len});
        }
        if (p > iloc.end) return false;
        const bool wanted = std::any_of(want.begin(), want.end(), [&](const Item& it) { return it.id == id; });
        if (wanted) out.push_back({static_cast<uint32_t>(id), std::move(place)});
    }
    return true;
}

// The content map of an item's extents; false when an extent lies outside
// the media data (or `idat`), extents share bytes (a byte cleared for one
// place in the content would change another), or the item is not in this
// file.
bool ItemContent(const BoxWalk& w, const ItemPlace& place, const Box* idat, ContentMap& out) {
    if (place.dataRef != 0 || place.method > 1 || place.extents.size() >= kMaxExtents) return false;
    if (place.method == 1 && idat == nullptr) return false;
    const ByteRange within = place.method == 1 ? idat->Body() : w.whole;
    for (const auto& [off, len] : place.extents) {
        const uint64_t start = place.base + off;
        if (start > static_cast<uint64_t>(within.len)) return false;
        const int64_t pos = within.pos + static_cast<int64_t>(start);
        // Length 0: the rest of the data the offsets count in.
        const int64_t n = len == 0 ? within.End() - pos : static_cast<int64_t>(std::min<uint64_t>(len, kMaxItemLen));
        if (len > static_cast<uint64_t>(within.End() - pos) || out.Length() + n > kMaxItemLen) return false;
        const ByteRange r{pos, n};
        const auto& media = w.media;
        const bool inMedia = place.method == 1 || std::any_of(media.begin(), media.end(), [&](const ByteRange& m) {
            return r.pos >= m.pos && r.End() <= m.End();
        });
        if (!inMedia) return false;
        for (const ByteRange& before : out.FileRanges(0, out.Length()))
            if (r.pos < before.End() && before.pos < r.End()) return false;
        out.Append(r.pos, r.len);
    }
    return !out.Empty();
}

// The content offset of an Exif item's TIFF header: after the 4-byte
// offset that names it; writers that leave the offset 0 or out put
// "Exif\0\0" or the header itself first. -1 when there is none.
int64_t ExifTiffOffset(const ByteReader& file, const ContentMap& m) {
    auto byte = [&](int64_t off) -> int {
        uint8_t b = 0;
        const int64_t pos = m.FilePos(off);
        return pos >= 0 && file.U8(pos, b) ? b : -1;
    };
    auto tiffAt = [&](int64_t off) {
        const int a = byte(off), b = byte(off + 1);
        return (a == 'I' && b == 'I') || (a == 'M' && b == 'M');
    };
    uint64_t named = 0;
    for (int i = 0; i < 4; ++i) named = named << 8 | static_cast<uint64_t>(std::max(0, byte(i)));
    if (named < static_cast<uint64_t>(m.Length()) && tiffAt(4 + static_cast<int64_t>(named)))
        return 4 + static_cast<int64_t>(named);
    for (int64_t off : {int64_t{4}, int64_t{10}, int64_t{0}, int64_t{6}})
        if (tiffAt(off)) return off;
    return -1;
}

// The content encodings an XMP item is read in, as HTTP names them
// ("deflate", "br") and as libheif writes them ("compress_zlib").
bool ItemEncoding(const std::string& name, Deflated& form) {
    if (name == "br") form = Deflated::Brotli;
    else if (name == "deflate" || name == "zlib" || name == "compress_zlib") form = Deflated::Zlib;
    else return false;
    return true;
}

bool IsXmpItem(const Item& it) { return it.type == Fourcc("mime") && it.contentType == "application/rdf+xml"; }

// An item of another content type or a URI item: its bytes by the opaque
// rule; a JPEG picture item in one extent walked as a JPEG. One that
// cannot be read (protected, or not placed in this file) is a picture's
// or a reference's, and is left alone.
void OtherItem(BoxWalk& w, const Item& it, const ItemPlace* place, const Box* idat, const Carrier& at) {
    ContentMap content;
    if (it.protection != 0 || place == nullptr || !ItemContent(w, *place, idat, content)) return;
    if (it.type == Fourcc("jpeg") && content.Pieces().size() == 1 &&
        w.sink.FileAt({content.FilePos(0), content.Length()}, at))
        return;
    for (const ByteRange& r : content.FileRanges(0, content.Length())) w.Opaque(r, at);
}

// One metadata item at one of its places (none: not placed): its Exif or
// XMP read, another item by the opaque rule.
void WalkItem(BoxWalk& w, const Item& it, const ItemPlace* place, const Box& iinf, const Box* idat, const Carrier& c) {
    const bool exif = it.type == Fourcc("Exif");
    if (!exif && !IsXmpItem(it)) {
        OtherItem(w, it, place, idat, c.Then("item " + std::to_string(it.id)));
        return;
    }
    const Carrier at = c.Then((exif ? "Exif item " : "XMP item ") + std::to_string(it.id));
    ContentMap content;
    FindWhy why = FindWhy::None;
    Deflated form = Deflated::Zlib;
    if (it.protection != 0) why = FindWhy::ItemProtected;
    else if (place == nullptr || !ItemContent(w, *place, idat, content)) why = FindWhy::ItemUnreadable;
    else if (!exif && !it.encoding.empty() && !ItemEncoding(it.encoding, form)) why = FindWhy::ItemCompressed;
    if (why != FindWhy::None) {
        // An item that cannot be read cannot be called clean.
        PositionFind f(exif ? FindKind::ExifGps : FindKind::Xmp, iinf.pos, false, why);
        if (!content.Empty()) f.pos = content.FilePos(0);
        f.len = content.Length();
        w.sink.Add(f, at);
    } else if (exif) {
        // Content without a TIFF header (another item's bytes, placed
        // twice) follows the opaque rule.
        const int64_t tiff = ExifTiffOffset(w.file, content);
        if (tiff >= 0) w.sink.Tiff(content, tiff, at, ExifBlock());
        else
            for (const ByteRange& r : content.FileRanges(0, content.Length())) w.Opaque(r, at);
    } else if (!it.encoding.empty()) {
        // "deflate" names a zlib stream in HTTP's sense, raw deflate in
        // libheif's: the first byte tells them apart.
        uint8_t cmf = 0;
        w.file.U8(content.FilePos(0), cmf);
        if (form != Deflated::Brotli) form = (cmf & 0x0F) == 8 ? Deflated::Zlib : Deflated::Raw;
        const bool places = w.sink.PlaceNames();
        w.sink.Compressed(content, form, ' ', at, [places](const ByteReader& x, std::vector<PositionFind>& finds,
                                                     StripPlan& plan) {
            XmpScan scan = ScanXmpContent(x, places);
            finds = std::move(scan.finds);
            plan = std::move(scan.plan);
        });
    } else {
        XmpDoc doc;
        doc.map = content;
        doc.reportAt = {content.FilePos(0), content.Length()};
        w.sink.Xmp({doc}, false, at);
    }
}

}  // namespace

void WalkHeifItems(BoxWalk& w, const Box& meta, const Carrier& c, int depth) {
    const ByteRange children = BoxWalk::FullBoxChildren(meta);
    Box iinf, iloc, idat;
    const bool hasIdat = FindChild(w.file, children, Fourcc("idat"), idat);
    std::vector<Item> items;
    if (FindChild(w.file, children, Fourcc("iinf"), iinf)) items = MetadataItems(w.file, iinf);
    // The other boxes of `meta` (properties, references) are walked by
    // the general rules: an unknown one is opaque.
    ForEachBox(w.file, children, [&](const Box& b) {
        if (!b.Is(Fourcc("iinf")) && !b.Is(Fourcc("iloc")) && !b.Is(Fourcc("idat"))) w.One(b, c, depth + 1);
        return true;
    });
    if (items.empty()) return;
    std::vector<std::pair<uint32_t, ItemPlace>> places;
    const bool placed = FindChild(w.file, children, Fourcc("iloc"), iloc) && ItemPlaces(w.file, iloc, items, places);
    for (const Item& it : items) {
        // An item `iloc` places twice is read at each place, as readers
        // differ on which one they take.
        std::vector<const ItemPlace*> at;
        for (const auto& [id, place] : places)
            if (placed && id == it.id) at.push_back(&place);
        if (at.empty()) at.push_back(nullptr);
        for (const ItemPlace* place : at) WalkItem(w, it, place, iinf, hasIdat ? &idat : nullptr, c);
    }
}
