#include "locate/mpegts/TsWalker.h"

#include "locate/Opaque.h"
#include "locate/Pieces.h"
#include "locate/Sink.h"
#include "locate/payload/H264Sei.h"

#include <algorithm>
#include <map>
#include <string_view>

namespace {

constexpr int64_t kPacket = 188, kStamped = 192;
constexpr uint8_t kSync = 0x47;
// The most of a PES read: its access unit's SEI comes before its slices,
// which a picture rarely makes longer.
constexpr int64_t kPrefix = int64_t{1} << 20;

// The first bytes of one PES packet and where they lie.
struct Pes {
    ContentMap map;
    std::vector<uint8_t> bytes;
    bool video = true;  // until its header says otherwise
};

struct TsWalk {
    Sink& sink;
    const ByteReader& file;
    Carrier at;
    std::map<uint16_t, Pes> open;  // by PID
    int64_t first = -1, bad = -1;  // file offsets: the first fix, the first place not taken apart
    StripPlan plan;

    void Gather(Pes& pes, int64_t pos, int64_t len) {
        if (!pes.video || static_cast<int64_t>(pes.bytes.size()) >= kPrefix) return;
        len = std::min<int64_t>(len, kPrefix - static_cast<int64_t>(pes.bytes.size()));
        const uint8_t* p = file.Span(pos, len);
        if (p == nullptr) return;
        pes.bytes.insert(pes.bytes.end(), p, p + len);
        pes.map.Append(pos, len);
        // A PES header: a start code, a stream id (video: 0xE0 to 0xEF).
        if (pes.bytes.size() >= 4 && !(pes.bytes[0] == 0 && pes.bytes[1] == 0 && pes.bytes[2] == 1 &&
                                       (pes.bytes[3] & 0xF0) == 0xE0))
            pes.video = false;
    }

    // Scans a video PES's gathered bytes; `whole` when they are all of it.
    void Scan(const Pes& pes, bool whole) {
        const std::vector<uint8_t>& b = pes.bytes;
        if (!pes.video || b.size() < 9) return;
        const int64_t es = 9 + int64_t{b[8]};  // after the optional header's length
        const auto n = static_cast<int64_t>(b.size());
        if (es >= n) return;
        MdpmScan s;
        ScanAccessUnit(b.data() + es, n - es, !whole || n >= kPrefix, s);
        if (s.bad >= 0 && bad < 0) bad = pes.map.FilePos(es + s.bad);
        if (s.first >= 0 && first < 0) first = pes.map.FilePos(es + s.first);
        // Each write keeps the file pieces it covers, not the whole access unit's.
        for (const MdpmScan::Write& w : s.writes) {
            const auto len = static_cast<int64_t>(w.raw.size());
            plan.fills.push_back({plan.AddMap(pes.map.Sub(es + w.off, len)), 0, len, 0, w.raw});
        }
    }

    // Bytes that are not whole packets: an MDPM block, or a position's text, in them cannot be removed.
    void Rest(ByteRange r) {
        if (r.len <= 0) return;
        static const std::string_view kUuid("\x17\xEE\x8C\x60\xF8\x4D\x11\xD9\x8C\xD6\x08\x00\x20\x0C\x9A\x66", 16);
        const bool mdpm = FirstHit(file, r.pos, r.len, {kUuid}, [](int64_t, int) { return true; }) >= 0;
        if (mdpm) {
            PositionFind f(FindKind::Unparsed, r.pos, false, FindWhy::PacketsUnparsed);
            f.len = r.len;
            sink.Add(f, at.Then("after the packets"));
        } else {
            sink.Opaque(r, FindKind::Unparsed, FindWhy::PacketsUnparsed, FindWhy::PacketsUnparsed,
                        at.Then("after the packets"));
        }
    }
};

bool SyncAt(const ByteReader& f, int64_t pos, int64_t end) {
    uint8_t b = 0;
    return pos < end && f.U8(pos, b) && b == kSync;
}

}  // namespace

bool StartsTransportStream(const ByteReader& file, int64_t pos, int64_t end) {
    for (const auto& [stride, sync] : {std::pair{kPacket, int64_t{0}}, std::pair{kStamped, int64_t{4}}})
        if (SyncAt(file, pos + sync, end) && SyncAt(file, pos + sync + stride, end) &&
            SyncAt(file, pos + sync + 2 * stride, end))
            return true;
    return false;
}

void WalkTsContainer(ByteRange whole, const Carrier& at, Sink& sink) {
    TsWalk w{sink, sink.File(), at, {}, -1, -1, {}};
    const int64_t end = whole.End();
    const bool plain = SyncAt(w.file, whole.pos, end) && SyncAt(w.file, whole.pos + kPacket, end);
    const int64_t stride = plain ? kPacket : kStamped, sync = plain ? 0 : 4;
    int64_t pos = whole.pos;
    for (; end - pos >= stride; pos += stride) {
        const int64_t h = pos + sync;
        const uint8_t* p = w.file.Span(h, 5);
        if (p == nullptr || p[0] != kSync) break;  // sync lost: the rest is not taken apart
        const auto pid = static_cast<uint16_t>((p[1] & 0x1F) << 8 | p[2]);
        const bool start = p[1] & 0x40;
        const int control = p[3] >> 4 & 3;
        if (!(control & 1)) continue;  // no payload
        const int64_t payload = control & 2 ? 5 + int64_t{p[4]} : 4;
        if (payload >= kPacket) continue;
        if (start) {
            auto it = w.open.find(pid);
            if (it != w.open.end()) w.Scan(it->second, true);
            w.open[pid] = Pes{};
        }
        auto it = w.open.find(pid);
        if (it != w.open.end()) w.Gather(it->second, h + payload, kPacket - payload);
    }
    for (const auto& [pid, pes] : w.open) w.Scan(pes, true);
    w.Rest({pos, end - pos});
    if (w.bad >= 0) {
        PositionFind f(FindKind::TimedGps, w.bad, false, FindWhy::TimedGpsUnreadable);
        sink.Add(f, at.Then("video"));
    } else if (w.first >= 0) {
        PositionFind f(FindKind::TimedGps, w.first, true);
        sink.AddPayload({f}, w.plan, at.Then("video"));
    }
}
