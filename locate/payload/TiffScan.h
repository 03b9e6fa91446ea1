// A complete walk of a TIFF structure, wherever it lies (a JPEG's Exif
// segment, a PNG chunk, a whole TIFF or raw file), for the companion's
// locator: every GPS IFD the 0th and 1st IFDs point to (with the raw files'
// options, every IFD of the chain and the SubIFDs), with all of its
// entries, and the places the other IFDs use (their tables, their values,
// the thumbnail), which stripping must never touch. Every offset is
// bounded by the block that holds the structure: a TIFF reader of a JPEG
// reads nothing outside its segment. BigTIFF (64-bit offsets) is walked
// the same way where the options take its magic number (whole files).
#pragma once
#include "exif/ByteReader.h"
#include "locate/ContentMap.h"
#include "locate/Find.h"
#include "platform/ByteRange.h"

#include <cstdint>
#include <vector>

// The sizes of a TIFF structure's fields: classic TIFF (magic 42 and the
// raw files' own) with 32-bit offsets, or BigTIFF (magic 43) with 64-bit
// ones, whose header also says the offset size (8) and holds a 64-bit
// offset of the 0th IFD.
struct TiffLayout {
    int64_t header = 8;   // byte order, magic, [offset size, 0,] the 0th IFD's offset
    int64_t count = 2;    // an IFD's entry count
    int64_t entry = 12;   // tag 2, type 2, count, value or offset
    int64_t offset = 4;   // an entry's count and value field, the next IFD's offset
    bool Big() const { return offset == 8; }
    // The bytes of an IFD of n entries, with its next offset (saturated:
    // a count read from a file can be anything).
    int64_t Table(uint64_t n) const;
};
inline constexpr TiffLayout kClassicTiff{};
inline constexpr TiffLayout kBigTiff{16, 8, 20, 8};

// One IFD entry as read. A value of at most `offset` bytes lies in the
// entry's value field, a longer one at the offset that field holds.
struct TiffEntry {
    uint16_t tag = 0, type = 0;
    uint64_t count = 0;
    // Classic TIFF: the value field as it stands (32 bits). BigTIFF: a value
    // in the field read as its type's first number, else the offset.
    uint64_t value = 0;
    int64_t at = 0;    // the entry's offset from the header
    int64_t size = 0;  // count x unit size, saturated at INT64_MAX
    bool InField(const TiffLayout& l) const { return size <= l.offset; }
};

// The fields of one TIFF structure, read through the bounded reader:
// offsets count from the header at `tiff`, and every read must lie inside
// the structure's `len` bytes (and the file). An offset from the file is
// 64-bit and unchecked until a read takes it: whatever it is, a read
// outside answers false. No more than kMaxEntries entries of an IFD are read.
class TiffFields {
public:
    static constexpr uint64_t kMaxEntries = 0xFFFF;

    TiffFields(const ByteReader& file, int64_t tiff, int64_t len, bool bigEndian, TiffLayout layout)
        : m_r(file.WithOrder(bigEndian ? ByteReader::kBigEndian : ByteReader::kLittleEndian)),
          m_tiff(tiff), m_len(len), m_big(bigEndian), m_l(layout) {}

    const TiffLayout& Layout() const { return m_l; }
    int64_t Tiff() const { return m_tiff; }
    int64_t Length() const { return m_len; }

    bool Inside(int64_t off, int64_t n) const {
        return off >= 0 && n >= 0 && n <= m_len && off <= m_len - n && m_r.Has(m_tiff + off, n);
    }
    bool U8(int64_t off, uint8_t& v) const { return Inside(off, 1) && m_r.U8(m_tiff + off, v); }
    bool U16(int64_t off, uint16_t& v) const { return Inside(off, 2) && m_r.U16(m_tiff + off, v); }
    bool U32(int64_t off, uint32_t& v) const { return Inside(off, 4) && m_r.U32(m_tiff + off, v); }
    bool U64(int64_t off, uint64_t& v) const;
    // An offset or a count of the layout's width (4 or 8 bytes).
    bool Offset(int64_t off, uint64_t& v) const;

    // The structure offset `off` as a signed number, or -1 past the structure.
    int64_t At(uint64_t off) const { return off <= static_cast<uint64_t>(m_len) ? static_cast<int64_t>(off) : -1; }
    // The file offset of structure offset `off`; -1 when it cannot be one.
    int64_t FilePos(uint64_t off) const;

    // The entry count of the IFD at `ifd`.
    bool Count(uint64_t ifd, uint64_t& declared) const;
    // The k-th entry of the IFD at `ifd` (k below kMaxEntries).
    bool Entry(uint64_t ifd, uint64_t k, TiffEntry& e) const;
    // The offset after an IFD of `declared` entries; false when outside.
    bool Next(uint64_t ifd, uint64_t declared, uint64_t& next) const;
    // The k-th number of an entry's value (a list of offsets), in the field
    // or at its offset.
    bool Element(const TiffEntry& e, uint64_t k, uint64_t& v) const;

private:
    ByteReader m_r;
    int64_t m_tiff, m_len;
    bool m_big;  // big-endian
    TiffLayout m_l;
};

struct GpsIfdScan {
    int64_t pos = -1;          // file offset of the IFD's entry count
    int32_t declared = 0;      // the entry count as stored (at most INT32_MAX)
    int32_t inside = 0;        // entries wholly inside the segment
    int32_t positions = 0;     // entries that hold a value (a valid type)
    bool outsideSegment = false;  // the count itself lies outside the segment
    bool overlaps = false;     // its table shares bytes with another table or value
    bool tooLong = false;      // it declares more entries than are read, and they lie in the block
    std::vector<ByteRange> values;  // value bytes outside the entries (file offsets, in segment)
};

struct TiffScan {
    int64_t tiff = -1;                    // file offset of the TIFF header; -1 when none
    int64_t blockEnd = -1;                // one past the segment's payload
    bool bigEndian = false;
    TiffLayout layout;                    // classic TIFF or BigTIFF
    std::vector<GpsIfdScan> gps;
    std::vector<ByteRange> keep;          // bytes the other IFDs use (file offsets)
    // Each IFD's count and the entries read of it (a table whose declared
    // length runs out of the block is not among `keep`).
    std::vector<ByteRange> tables;
    // The Exif IFDs' maker notes (tag 0x927C), cut to the block; each is
    // also among `keep`. Read only when place names are asked for.
    std::vector<ByteRange> makerNotes;
    // IPTC datasets (tag 0x83BB) and Photoshop's image resources (tag
    // 0x8649) of the IFDs walked, cut to the block; also among `keep`.
    std::vector<ByteRange> iptc, imageResources;
    // The JPEG thumbnails (tags 0x0201 and 0x0202), cut to the block; also
    // among `keep`. Some writers give a thumbnail an Exif block of its own.
    std::vector<ByteRange> thumbnails;
    // The texts people and programs write (ImageDescription 0x010E,
    // UserComment 0x9286, Windows' XPTitle to XPSubject 0x9C9B-0x9C9F,
    // and every other ASCII value) where their values lie apart from the
    // entries, cut to the block; also among `keep`. Some programs write a
    // place's coordinates there.
    struct Text {
        static constexpr uint16_t kDescription = 270, kUserComment = 37510, kXpFirst = 40091, kXpLast = 40095;
        ByteRange value;
        uint16_t tag = 0;
        bool Wide() const { return tag >= kXpFirst && tag <= kXpLast; }  // UTF-16, little-endian
        // Written for people to read (any other ASCII value is not).
        bool Prose() const { return Wide() || tag == kDescription || tag == kUserComment; }
    };
    std::vector<Text> texts;
    // The first Make (tag 0x010F) outside the Exif IFDs, cut to the block:
    // whose maker note it is when the note has no header of its own.
    ByteRange make{0, 0};
    // A structure held in pieces (an item's extents) is walked in its
    // content: the offsets above are then content offsets, which this
    // map turns into the file's.
    ContentMap content;

    // The bytes a find of GPS IFD `g` names: its count and the entries read.
    int64_t GpsFindLen(const GpsIfdScan& g) const { return layout.count + layout.entry * g.inside; }
};

// Why GPS IFD `g`, inside its block, cannot be cleared; None when it can.
inline FindWhy GpsIfdBlocker(const GpsIfdScan& g) {
    return g.overlaps ? FindWhy::GpsIfdSharesBytes : g.tooLong ? FindWhy::GpsIfdTooLong : FindWhy::None;
}

struct TiffOptions {
    std::vector<uint16_t> magic;  // magic numbers taken beside 42 (raw files' own; 43 for BigTIFF)
    bool allIfds = false;         // every IFD of the chain and the SubIFDs
    bool ifd0IsGps = false;       // the 0th IFD is itself a GPS IFD (a block that holds only one)
    // A block its container names Exif (a JPEG's "Exif" segment, an Exif
    // chunk, box or item): another magic number is read as 42, as lenient
    // readers read it (with a warning at most). See ExifBlock().
    bool anyMagic = false;
    // A structure without a header (as some cameras keep one in a clip's
    // box): its byte order (ByteReader's), and the 0th IFD's offset from
    // the structure's start, from which every offset counts. 0: a header.
    int headerless = 0;
    uint64_t ifd0 = 0;
};

// The options for a block its container names Exif.
inline TiffOptions ExifBlock() {
    TiffOptions opt;
    opt.anyMagic = true;
    return opt;
}

// The bytes one value of TIFF field type `type` takes; 0 for a type TIFF
// does not define (such an entry holds no value). BigTIFF adds LONG8,
// SLONG8 and IFD8 (16 to 18), which a classic TIFF does not have.
int64_t TiffUnitSize(uint16_t type, bool big = false);

// Walks the TIFF structure whose header lies at file offset `tiff`, inside
// the block that ends at `blockEnd`. False when no TIFF header is there.
bool ScanTiff(const ByteReader& file, int64_t tiff, int64_t blockEnd, TiffScan& out,
              const TiffOptions& opt = {});

// Which bytes of a GPS IFD stripping clears.
struct GpsStripMode {
    bool countAndTags = true;   // the entry count and each entry's tag
    bool fields = true;         // each entry's type, count and value/offset
    bool values = true;         // the value bytes its entries point to
};

// Appends to `out` the file ranges to zero for `g` (of scan `t`): the
// chosen parts of every entry inside the segment, and with mode.values its
// value bytes minus every byte the other IFDs use.
void PlanGpsStrip(const TiffScan& t, const GpsIfdScan& g, const GpsStripMode& mode,
                  std::vector<ByteRange>& out);
