// The XMP and FLIR finders on the fuzzer's bytes, laid out by the first
// byte as one main packet, as extended XMP cut into chunks (placed in a
// shuffled order, named by a main packet's HasExtendedXMP), or as FLIR
// segments. Checks the scan's promises: finds and writes inside the file; a
// strip keeps the length, changes only the writes, leaves nothing to find,
// keeps well-formed XML well-formed (expat) and gives changed extended XMP
// the MD5 of its new content as GUID; an unremovable find writes nothing.
#include "locate/jpeg/ExtendedXmp.h"
#include "locate/jpeg/JpegPayloads.h"
#include "locate/payload/Md5.h"
#include "locate/payload/XmlGps.h"
#include "locate/payload/XmpGps.h"
#include "fuzz/FuzzCheck.h"

#include <expat.h>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;
const std::string kGuid = "00112233445566778899AABBCCDDEEFF";

bool WellFormed(const uint8_t* p, size_t n) {
    while (n > 0 && p[n - 1] == 0) --n;
    XML_Parser x = XML_ParserCreate(nullptr);
    bool ok = XML_Parse(x, reinterpret_cast<const char*>(p), static_cast<int>(n), XML_TRUE) == XML_STATUS_OK;
    XML_ParserFree(x);
    return ok;
}

ByteRange Append(Bytes& file, const Bytes& payload) {
    ByteRange r{static_cast<int64_t>(file.size()), static_cast<int64_t>(payload.size())};
    file.insert(file.end(), payload.begin(), payload.end());
    return r;
}

void Put32(Bytes& b, uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) b.push_back(static_cast<uint8_t>(v >> s));
}

void CheckRanges(const std::vector<ByteRange>& writes, const std::vector<PositionFind>& finds, int64_t size) {
    for (const ByteRange& w : writes) FUZZ_CHECK(w.pos >= 0 && w.len > 0 && w.pos + w.len <= size);
    for (const PositionFind& f : finds) FUZZ_CHECK(f.pos >= 0 && f.pos < size && f.len > 0);
}

// Only the promised bytes differ.
void CheckOnlyWrites(const Bytes& before, const Bytes& after, const std::vector<ByteRange>& writes) {
    FUZZ_CHECK(before.size() == after.size());
    size_t w = 0;
    for (size_t i = 0; i < before.size(); ++i) {
        while (w < writes.size() && writes[w].pos + writes[w].len <= static_cast<int64_t>(i)) ++w;
        bool writable = w < writes.size() && writes[w].pos <= static_cast<int64_t>(i);
        FUZZ_CHECK(writable || before[i] == after[i]);
    }
}

void FuzzXmp(const uint8_t* data, size_t size, uint8_t mode) {
    Bytes file;
    std::vector<ByteRange> main, ext;
    if (mode % 2 == 0) {
        main.push_back(Append(file, Bytes(data, data + size)));
    } else {
        const std::string packet = "<x:xmpmeta xmlns:x='adobe:ns:meta/'><d xmlns:n='http://ns.adobe.com/xmp/note/' "
                                   "n:HasExtendedXMP='" + kGuid + "'/></x:xmpmeta>";
        main.push_back(Append(file, Bytes(packet.begin(), packet.end())));
        const size_t chunks = 1 + mode / 2 % 4;
        std::vector<ByteRange> parts;
        for (size_t i = 0; i < chunks; ++i) parts.push_back({int64_t(size * i / chunks), int64_t(size * (i + 1) / chunks - size * i / chunks)});
        for (size_t i = 0; i < chunks; ++i) {
            const ByteRange& part = parts[(i + mode / 8) % chunks];  // rotated order
            Bytes seg(kGuid.begin(), kGuid.end());
            Put32(seg, static_cast<uint32_t>(size));
            Put32(seg, static_cast<uint32_t>(part.pos));
            seg.insert(seg.end(), data + part.pos, data + part.pos + part.len);
            ext.push_back(Append(file, seg));
        }
    }
    const int64_t n = static_cast<int64_t>(file.size());
    XmpScan scan = ScanXmp(ByteReader(file.data(), n), main, ext);
    CheckRanges(scan.writes, scan.finds, n);

    Bytes out = file;
    if (!scan.Removable()) {
        FUZZ_CHECK(!StripXmp(out.data(), n, scan));
        FUZZ_CHECK(out == file);
        return;
    }
    FUZZ_CHECK(StripXmp(out.data(), n, scan));
    CheckOnlyWrites(file, out, scan.writes);
    FUZZ_CHECK(ScanXmp(ByteReader(out.data(), n), main, ext).Clean());

    // The document in its original order, before and after.
    Bytes before, after;
    if (ext.empty()) {
        before = file;
        after = out;
    } else {
        before.assign(data, data + size);
        after.resize(size);
        for (const ByteRange& seg : ext) {
            uint32_t off = 0;
            ByteReader(out.data() + seg.pos, 40, ByteReader::kBigEndian).U32(36, off);
            std::copy(out.begin() + seg.pos + 40, out.begin() + seg.pos + seg.len, after.begin() + off);
        }
    }
    if (!scan.Clean() && WellFormed(before.data(), before.size())) FUZZ_CHECK(WellFormed(after.data(), after.size()));
    if (ext.empty() || scan.Clean()) return;
    Md5 md5;
    md5.Update(after.data(), static_cast<int64_t>(after.size()));
    char hex[32];
    md5.FinalHex(hex);
    for (const ByteRange& seg : ext) FUZZ_CHECK(std::equal(hex, hex + 32, out.begin() + seg.pos));
    const std::string packet(out.begin() + main[0].pos, out.begin() + main[0].pos + main[0].len);
    FUZZ_CHECK(packet.find(std::string(hex, 32)) != std::string::npos);
}

void FuzzFlir(const uint8_t* data, size_t size, uint8_t mode) {
    Bytes file;
    std::vector<ByteRange> segs;
    const size_t count = 1 + mode % 3;
    for (size_t i = 0; i < count; ++i) {
        Bytes seg = {0x01, static_cast<uint8_t>(i), static_cast<uint8_t>(count - 1)};
        seg.insert(seg.end(), data + size * i / count, data + size * (i + 1) / count);
        segs.push_back(Append(file, seg));
    }
    const int64_t n = static_cast<int64_t>(file.size());
    FlirScan scan = ScanFlir(ByteReader(file.data(), n), segs);
    CheckRanges(scan.writes, scan.finds, n);
    Bytes out = file;
    FUZZ_CHECK(StripFlir(out.data(), n, scan) == scan.Removable());
    if (!scan.Removable()) {
        FUZZ_CHECK(out == file);
        return;
    }
    CheckOnlyWrites(file, out, scan.writes);
    FUZZ_CHECK(ScanFlir(ByteReader(out.data(), n), segs).Clean());
}

// The plain definition of MayHoldGps: "GPS" or "DJI" in any case, its
// letters one, two or four bytes apart with zeros between, or an entity
// declaration.
bool PlainMayHoldGps(const uint8_t* p, int64_t n) {
    const std::string text(reinterpret_cast<const char*>(p), static_cast<size_t>(n));
    for (const char* s :
         {"<!ENTITY", "http://ns.google.com/photos/dd/1.0/earthpose/", "http://rs.tdwg.org/dwc/index.htm"})
        if (text.find(s) != std::string::npos) return true;
    auto lower = [](uint8_t c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; };
    for (int64_t i = 0; i < n; ++i)
        for (int64_t step : {1, 2, 4}) {
            if (i + 2 * step >= n) continue;
            bool zeros = true;
            for (int64_t k = 1; k < step; ++k) zeros = zeros && p[i + k] == 0 && p[i + step + k] == 0;
            for (const char* word : {"gps", "dji"})
                if (zeros && lower(p[i]) == word[0] && lower(p[i + step]) == word[1] &&
                    lower(p[i + 2 * step]) == word[2])
                    return true;
        }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    // The locator skips parsing a packet MayHoldPosition rules out: its
    // test for "GPS" must answer as its plain definition, and it must never
    // rule out a packet in which the parser finds a position.
    const int64_t n = static_cast<int64_t>(size);
    FUZZ_CHECK(MayHoldGps(data, n) == PlainMayHoldGps(data, n));
    if (!ScanXmlForGps(data, n).props.empty()) FUZZ_CHECK(MayHoldPosition(data, n));
    const uint8_t mode = data[0];
    if (mode >= 0xF0)
        FuzzFlir(data + 1, size - 1, mode);
    else
        FuzzXmp(data + 1, size - 1, mode);
    return 0;
}
