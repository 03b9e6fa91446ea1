#include "locate/jpeg/ExtendedXmp.h"

#include "locate/payload/XmlGps.h"
#include "locate/payload/XmpGps.h"

#include <algorithm>
#include <cstring>
#include <map>

namespace {

constexpr int64_t kHeaderLen = 40;  // GUID 32, full length 4, offset 4

struct Chunk {
    int64_t offset;
    int64_t dataPos;
    int64_t dataLen;
    uint32_t full;
};

// Places the chunks; false when they do not tile [0, full) exactly.
bool Tile(const ByteReader& file, std::vector<Chunk> chunks, ContentMap& map) {
    if (chunks.empty()) return false;
    for (const Chunk& c : chunks)
        if (c.full != chunks[0].full) return false;
    std::sort(chunks.begin(), chunks.end(), [](const Chunk& a, const Chunk& b) {
        return a.offset != b.offset ? a.offset < b.offset : a.dataLen < b.dataLen;
    });
    for (const Chunk& c : chunks) {
        if (c.dataLen == 0) continue;
        if (c.offset == map.Length()) {
            map.Append(c.dataPos, c.dataLen);
            continue;
        }
        if (map.Empty()) return false;
        const ContentMap::Piece& last = map.Pieces().back();
        if (c.offset != last.off || c.dataLen != last.len) return false;
        // One copy, then the other: a file read in pages may give the first back.
        const uint8_t* p = file.Span(c.dataPos, c.dataLen);
        const std::vector<uint8_t> repeat(p, p + c.dataLen);
        if (std::memcmp(repeat.data(), file.Span(last.filePos[0], last.len), static_cast<size_t>(c.dataLen)) != 0)
            return false;
        map.AlsoAt(c.dataPos);
    }
    return map.Length() == chunks[0].full;
}

// What may name a position (MayHoldPosition) in the chunks joined in offset
// order or in file order, so that a name split between two chunks is seen
// whichever order a reader uses.
bool ChunksMayHoldGps(const ByteReader& file, std::vector<Chunk> chunks) {
    std::vector<uint8_t> joined;
    for (int pass = 0; pass < 2; ++pass) {
        if (pass == 1)
            std::stable_sort(chunks.begin(), chunks.end(),
                             [](const Chunk& a, const Chunk& b) { return a.offset < b.offset; });
        joined.clear();
        for (const Chunk& c : chunks) {
            const uint8_t* p = file.Span(c.dataPos, c.dataLen);
            joined.insert(joined.end(), p, p + c.dataLen);
        }
        if (MayHoldPosition(joined.data(), static_cast<int64_t>(joined.size()))) return true;
    }
    return false;
}

}  // namespace

std::vector<ExtendedXmpGroup> AssembleExtendedXmp(const ByteReader& file,
                                                  const std::vector<ByteRange>& segments) {
    std::vector<ExtendedXmpGroup> groups;
    std::vector<std::vector<Chunk>> chunks;
    std::map<std::string, size_t> byGuid;
    for (const ByteRange& seg : segments) {
        const uint8_t* p = file.Span(seg.pos, seg.len);
        if (!p || seg.len <= 0) continue;
        if (seg.len < kHeaderLen) {
            ExtendedXmpGroup g;
            g.first = seg;
            g.mayHoldGps = MayHoldPosition(p, seg.len);
            groups.push_back(std::move(g));
            chunks.emplace_back();
            continue;
        }
        ByteReader header(p, kHeaderLen, ByteReader::kBigEndian);
        uint32_t full = 0, offset = 0;
        header.U32(32, full);
        header.U32(36, offset);
        std::string guid(reinterpret_cast<const char*>(p), 32);
        auto [it, added] = byGuid.try_emplace(guid, groups.size());
        if (added) {
            ExtendedXmpGroup g;
            g.guid = guid;
            g.first = seg;
            groups.push_back(std::move(g));
            chunks.emplace_back();
        }
        groups[it->second].guidPos.push_back(seg.pos);
        chunks[it->second].push_back({offset, seg.pos + kHeaderLen, seg.len - kHeaderLen, full});
    }

    for (size_t i = 0; i < groups.size(); ++i) {
        ExtendedXmpGroup& g = groups[i];
        if (g.guid.empty()) continue;
        if (!Tile(file, chunks[i], g.map)) {
            g.map = ContentMap();
            g.mayHoldGps = ChunksMayHoldGps(file, chunks[i]);
            continue;
        }
        g.assembled = true;
    }
    return groups;
}

std::vector<XmpDoc> JpegXmpDocs(const ByteReader& file, const std::vector<ByteRange>& mainPackets,
                                const std::vector<ByteRange>& extensionSegments) {
    std::vector<XmpDoc> docs;
    for (const ByteRange& r : mainPackets) {
        XmpDoc d;
        d.map = ContentMap(r);
        d.reportAt = r;
        docs.push_back(std::move(d));
    }
    for (ExtendedXmpGroup& g : AssembleExtendedXmp(file, extensionSegments)) {
        XmpDoc d;
        d.extended = true;
        d.broken = !g.assembled;
        d.brokenMayHoldGps = g.mayHoldGps;
        d.map = std::move(g.map);
        d.guid = std::move(g.guid);
        d.guidPos = std::move(g.guidPos);
        d.reportAt = g.first;
        docs.push_back(std::move(d));
    }
    return docs;
}

XmpScan ScanXmp(const ByteReader& file, const std::vector<ByteRange>& mainPackets,
                const std::vector<ByteRange>& extensionSegments) {
    return ScanXmpDocs(file, JpegXmpDocs(file, mainPackets, extensionSegments), !extensionSegments.empty());
}
