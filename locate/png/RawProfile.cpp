#include "locate/png/RawProfile.h"

#include "locate/Containers.h"
#include "locate/ContentMap.h"
#include "locate/HexText.h"
#include "locate/payload/IptcPlaces.h"
#include "locate/payload/TiffBlock.h"
#include "locate/payload/TiffScan.h"
#include "locate/payload/XmpGps.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace {

bool Blank(uint8_t c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t'; }

bool SameLetters(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

// Reads the header (a newline, the name up to the next, blanks, the byte
// count): the count, and `body` set where its digits start. -1 when the
// text does not start so.
int64_t Header(const uint8_t* p, int64_t n, int64_t& body) {
    int64_t i = n > 0 && p[0] == '\n' ? 1 : 0;
    while (i < n && p[i] != '\n') ++i;
    while (i < n && Blank(p[i])) ++i;
    int64_t count = 0, digits = 0;
    for (; i < n && p[i] >= '0' && p[i] <= '9' && digits < 12; ++i, ++digits) count = count * 10 + (p[i] - '0');
    body = i;
    return digits == 0 || digits == 12 ? -1 : count;
}

}  // namespace

RawProfileKind RawProfileOf(std::string_view keyword) {
    constexpr std::string_view kPrefix = "Raw profile type ";
    if (keyword.size() <= kPrefix.size() || !SameLetters(keyword.substr(0, kPrefix.size()), kPrefix))
        return RawProfileKind::None;
    const std::string_view name = keyword.substr(kPrefix.size());
    if (SameLetters(name, "exif")) return RawProfileKind::Exif;
    if (SameLetters(name, "APP1")) return RawProfileKind::App1;
    if (SameLetters(name, "xmp")) return RawProfileKind::Xmp;
    if (SameLetters(name, "iptc")) return RawProfileKind::Iptc;
    if (SameLetters(name, "8bim")) return RawProfileKind::Irb;
    return RawProfileKind::None;
}

bool ScanRawProfile(const ByteReader& text, int64_t pos, int64_t len, RawProfileKind kind, bool placeNames,
                    std::vector<PositionFind>& finds, StripPlan& plan) {
    const uint8_t* p = text.Span(pos, len);
    int64_t body = 0;
    const int64_t count = p != nullptr && kind != RawProfileKind::None ? Header(p, len, body) : -1;
    if (count < 0) return false;
    // The decoded profile: at most a byte per two bytes of text.
    std::vector<uint8_t> bytes;
    bytes.reserve(static_cast<size_t>(std::min(count, (len - body) / 2)));
    ForEachHexByte(p, len, body, count, [&](int64_t, int64_t, int64_t, uint8_t v) { bytes.push_back(v); });
    const int64_t size = static_cast<int64_t>(bytes.size());
    const ByteReader block(bytes.data(), size);
    std::vector<uint8_t> after = bytes;
    std::vector<PositionFind> found;
    const bool app1Xmp = kind == RawProfileKind::App1 && size >= kXmpSignatureLen &&
                         std::memcmp(bytes.data(), kXmpSignature, kXmpSignatureLen) == 0;
    if (kind == RawProfileKind::Iptc || kind == RawProfileKind::Irb) {
        // An iptc profile holds the datasets, or (as ImageMagick and
        // ExifTool write it) Photoshop's image resources around them.
        const bool irb = kind == RawProfileKind::Irb || (size >= 4 && std::memcmp(bytes.data(), "8BIM", 4) == 0);
        IptcScan x = irb ? ScanIptcPlaces(block, {0, size}, {-1, 0}, placeNames)
                         : ScanIptcDatasets(block, {0, size}, placeNames);
        found = std::move(x.finds);
        if (!found.empty() && !x.plan.Apply(after.data(), size)) after = bytes;
    } else if (kind == RawProfileKind::Xmp || app1Xmp) {
        const int64_t from = app1Xmp ? kXmpSignatureLen : 0;
        XmpDoc doc;
        doc.map = ContentMap({from, size - from});
        doc.reportAt = {from, size - from};
        XmpScan x = ScanXmpDocs(block, {doc}, false, placeNames);
        found = std::move(x.finds);
        if (!found.empty() && !x.plan.Apply(after.data(), size)) after = bytes;
    } else {
        // The TIFF structure, at once or after an APP1 segment's "Exif\0\0".
        StripPlan plan;
        ScanTiffBlock(block, FindTiffHeader(block, 0, size), placeNames, found, plan);
        if (!found.empty() && !plan.Apply(after.data(), size)) after = bytes;
    }
    if (found.empty()) return true;

    // One pass over the digits: each find is put at the text from its first
    // byte's first digit to its last byte's second digit; each run of
    // changed bytes becomes a fill of that run's text, the digits of the
    // new values in place of the old and the blanks between them kept.
    std::vector<ByteRange> at(found.size(), ByteRange{pos + body, 0});
    static constexpr char kHex[] = "0123456789abcdef";
    std::string run;
    int64_t runFrom = -1, next = 0;
    auto flush = [&] {
        if (runFrom < 0) return;
        const ByteRange r{pos + runFrom, next - runFrom};
        plan.fills.push_back({plan.AddMap(ContentMap(r)), 0, r.len, 0, std::move(run)});
        run.clear();
        runFrom = -1;
    };
    ForEachHexByte(p, len, body, size, [&](int64_t k, int64_t hi, int64_t lo, uint8_t) {
        for (size_t i = 0; i < found.size(); ++i) {
            if (k == found[i].pos) at[i] = {pos + hi, lo + 1 - hi};
            if (k > found[i].pos && k < found[i].pos + found[i].len) at[i].len = pos + lo + 1 - at[i].pos;
        }
        if (after[k] == bytes[k]) {
            flush();
            return;
        }
        if (runFrom < 0) runFrom = next = hi;
        run.append(p + next, p + hi);
        run += kHex[after[k] >> 4];
        run.append(p + hi + 1, p + lo);
        run += kHex[after[k] & 15];
        next = lo + 1;
    });
    flush();
    for (size_t i = 0; i < found.size(); ++i) {
        found[i].pos = at[i].pos;
        found[i].len = at[i].len;
        finds.push_back(found[i]);
    }
    return true;
}
