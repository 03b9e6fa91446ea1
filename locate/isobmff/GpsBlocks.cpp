// Dashcams' GPS blocks: fixes kept among the media data in `free` boxes
// whose body starts "GPS " (Novatek's and those like them), listed by a
// `gps ` box in `moov` or, in some models, named by nothing at all.
#include "locate/Pieces.h"
#include "locate/isobmff/BoxWalk.h"
#include "locate/isobmff/SampleTable.h"

#include <algorithm>
#include <cstring>

namespace {

// How far the search looks for the next block in bytes no sample holds:
// blocks are written on 32 KiB boundaries, so none starts further than
// that from a chunk's end or from the block before it. (A clip's media
// data may hold large runs no sample names; they are not read through,
// at either depth.)
constexpr int64_t kGapLook = int64_t{64} << 10;
constexpr std::string_view kBlockText = "freeGPS ";  // a block's type and its body's first bytes

// Where the first block's text ("freeGPS ") in [pos, pos+len) starts, or -1.
int64_t FindBlockText(const ByteReader& file, int64_t pos, int64_t len) {
    int64_t found = -1;
    ForEachPiece(file, pos, len, 7, [&](const uint8_t* p, int64_t at, int64_t n) {
        const uint8_t* hit = FindBytes(p, n, kBlockText);
        if (hit != nullptr) found = at + (hit - p);
        return hit != nullptr;
    }, 4096);
    return found;
}

// The blocks found in bytes no sample holds: each one's body zeroed, as a
// listed block's. A block that runs past those bytes (into a sample)
// cannot be cleaned.
struct GapBlocks {
    StripPlan plan;
    ByteRange first{-1, 0};
    ByteRange bad{-1, 0};

    void Search(const ByteReader& file, ByteRange gap) {
        const ByteReader be = file.WithOrder(ByteReader::kBigEndian);
        for (int64_t at = gap.pos; at + 12 <= gap.End() && bad.pos < 0;) {
            const int64_t look = std::min(kGapLook, gap.End() - at);
            const int64_t text = FindBlockText(file, at, look);
            if (text < 0) return;
            // Its size starts 4 bytes before: in a sample, or in the block
            // before it, the block cannot be zeroed alone.
            const int64_t b = text - 4;
            uint32_t size = 0;
            if (b < at || !be.U32(b, size) || size < 12 || size > gap.End() - b) {
                bad = {text, 8};
                return;
            }
            if (first.pos < 0) first = {b, size};
            plan.Zero({b + 8, size - 8});
            at = b + size;
        }
    }
};

// Blocks that no list names lie where no track's sample does: in the
// gaps between the chunks of the media data, which are searched for them
// near each chunk's end; `listed` are the
// blocks a list names. When a track's samples cannot be placed, where the
// gaps are is not known.
void WalkUnlistedBlocks(BoxWalk& w, std::vector<ByteRange> listed) {
    // A file without tracks (a HEIF picture) keeps items in its media data,
    // which its item locations name; blocks belong to clips and dashcams.
    if (w.fragmented || w.media.empty() || (w.tables.empty() && w.gpsLists.empty())) return;
    // Most files' samples fill their media data: then there is no gap, and
    // no sample needs placing.
    int64_t mediaBytes = 0, covered = 0, bytes = 0;
    for (const ByteRange& m : w.media) mediaBytes += m.len;
    for (const ByteRange& b : listed) covered += b.len;
    for (const Box& stbl : w.tables) {
        if (!TrackBytes(w.file, stbl, bytes)) return;
        covered += bytes;
    }
    if (covered >= mediaBytes) return;
    std::vector<ByteRange> used = std::move(listed), samples;
    for (const Box& stbl : w.tables) {
        if (!TrackSamples(w.file, stbl, w.whole.pos, samples)) return;
        // A chunk's samples follow one another: kept as one range.
        for (const ByteRange& r : samples) {
            if (r.len > 0 && !used.empty() && used.back().End() == r.pos) used.back().len += r.len;
            else if (r.len > 0) used.push_back(r);
        }
    }
    const auto byPos = [](const ByteRange& a, const ByteRange& b) { return a.pos < b.pos; };
    std::sort(used.begin(), used.end(), byPos);
    std::vector<ByteRange> media = w.media;
    std::sort(media.begin(), media.end(), byPos);
    GapBlocks blocks;
    size_t s = 0;
    for (const ByteRange& m : media) {
        int64_t cursor = m.pos;
        for (; s < used.size() && used[s].pos < m.End(); ++s) {
            const ByteRange u = used[s];
            if (u.pos > cursor) blocks.Search(w.file, {cursor, u.pos - cursor});
            cursor = std::max(cursor, u.End());
            if (u.End() > m.End()) break;  // it reaches into the next range too
        }
        if (cursor < m.End()) blocks.Search(w.file, {cursor, m.End() - cursor});
    }
    const Carrier at = w.at.Then("mdat");
    if (blocks.bad.pos >= 0) {
        PositionFind f(FindKind::TimedGps, blocks.bad.pos, false, FindWhy::TimedGpsUnreadable);
        f.len = blocks.bad.len;
        w.sink.Add(f, at);
    } else if (blocks.first.pos >= 0) {
        PositionFind f(FindKind::TimedGps, blocks.first.pos, true);
        f.len = blocks.first.len;
        w.sink.AddPayload({f}, blocks.plan, at);
    }
}

}  // namespace

// Dashcams (Novatek's and those like them) keep their fixes in blocks
// among the media data, each a `free` box whose body starts "GPS ", and
// list them in a `gps ` box: a version, a count, then each block's offset
// and size. The list itself is cleared as a location box; each block's
// body is zeroed (only its header is read: a block without a fix is
// zeroed too), so it stays a `free` box of its size and a reader that
// looks through the media data for "freeGPS " finds none. A listed block
// that is not such a box inside the media data cannot be cleaned.
void WalkGpsBlocks(BoxWalk& w) {
    const MediaData media(w.media);
    const ByteReader be = w.file.WithOrder(ByteReader::kBigEndian);
    std::vector<ByteRange> listed;
    for (const BoxWalk::GpsList& list : w.gpsLists) {
        const ByteRange body = list.box.Body();
        // Entries that do not fit make it no such list: then the box is
        // just a location box.
        uint32_t count = 0;
        if (body.len < 8 || !be.U32(body.pos + 4, count) || count == 0 || 8 + 8 * int64_t{count} > body.len) continue;
        const int64_t entries = count;
        StripPlan plan;
        ByteRange first{-1, 0}, bad{-1, 0};  // the first block; the entry naming no block
        for (int64_t i = 0; i < entries && bad.pos < 0; ++i) {
            const ByteRange entry{body.pos + 8 + 8 * i, 8};
            uint32_t at = 0, size = 0, own = 0;
            be.U32(entry.pos, at);
            be.U32(entry.pos + 4, size);
            if (at == 0 && size == 0) continue;  // an unused entry
            const ByteRange block{w.whole.pos + at, size};  // offsets count from where the file starts
            if (size < 12 || !media.Holds(block) || !be.U32(block.pos, own) || own != size ||
                !w.file.Matches(block.pos + 4, 'f', 'r', 'e', 'e') ||
                !w.file.Matches(block.pos + 8, 'G', 'P', 'S', ' ')) {
                bad = entry;
                break;
            }
            if (first.pos < 0) first = block;
            listed.push_back(block);
            plan.Zero({block.pos + 8, block.len - 8});
        }
        if (bad.pos >= 0) {
            PositionFind f(FindKind::TimedGps, bad.pos, false, FindWhy::TimedGpsUnreadable);
            f.len = bad.len;
            w.sink.Add(f, list.at);
        } else if (first.pos >= 0) {
            PositionFind f(FindKind::TimedGps, first.pos, true);
            f.len = first.len;
            w.sink.AddPayload({f}, plan, list.at);
        }
    }
    // A list may name only some blocks; once it is cleared, a reader looks
    // through the media data for the others.
    WalkUnlistedBlocks(w, std::move(listed));
}
