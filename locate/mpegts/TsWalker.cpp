#include "locate/mpegts/TsWalker.h"

#include "locate/Opaque.h"
#include "locate/Pieces.h"
#include "locate/Sink.h"
#include "locate/payload/H264Sei.h"
#include "locate/payload/TimedGps.h"

#include <algorithm>
#include <map>
#include <string_view>

namespace {

constexpr int64_t kPacket = 188, kStamped = 192;
constexpr uint8_t kSync = 0x47;
// The most of a PES read: its access unit's SEI comes before its slices,
// which a picture rarely makes longer.
constexpr int64_t kPrefix = int64_t{1} << 20;

// What a PID carries, as its program table or its first PES header says.
enum class Kind : uint8_t { Video, Data, Skip };

// Stream types of pictures: MPEG-1/2 video, MPEG-4, H.264, HEVC, MVC, VC-1.
bool IsVideoType(uint8_t t) { return t == 0x01 || t == 0x02 || t == 0x10 || t == 0x1B || t == 0x20 || t == 0x24 || t == 0xEA; }
// Stream types that are not read: sound (MPEG audio, AAC, LPCM, AC-3, DTS,
// E-AC-3 and the rest a Blu-ray or AVCHD clip declares) and graphics
// (Blu-ray's subtitle and menu bitmaps).
bool IsSkippedType(uint8_t t) {
    return t == 0x03 || t == 0x04 || t == 0x0F || t == 0x11 || t == 0x1C || (t >= 0x80 && t <= 0x87) || t == 0x90 ||
           t == 0x91 || t == 0xA1 || t == 0xA2;
}

// The first bytes of one PES packet (or, in a data stream, of the bytes
// between two unit starts) and where all of it lies.
struct Pes {
    ContentMap map;
    std::vector<uint8_t> bytes;
    Kind kind = Kind::Video;
};

struct TsWalk {
    Sink& sink;
    const ByteReader& file;
    Carrier at;
    std::map<uint16_t, Pes> open;        // by PID
    std::map<uint16_t, uint8_t> types;   // by PID: the stream type its program table gives
    std::map<uint16_t, Kind> kinds;      // by PID, once its first unit has started
    std::vector<uint16_t> pmts;          // the program tables' PIDs, from the PAT
    int64_t first = -1, bad = -1;        // file offsets: the first fix, the first place not taken apart
    int64_t dataFirst = -1;              // the first fix in a data stream
    bool tablesHeld = false;             // a table held a position's text (it is reported once)
    StripPlan plan, dataPlan;

    void Gather(Pes& pes, int64_t pos, int64_t len) {
        if (pes.kind == Kind::Skip) return;
        const int64_t held = static_cast<int64_t>(pes.bytes.size());
        if (pes.kind == Kind::Data) {
            // A data unit is zeroed whole when it holds a fix; past its
            // first MiB its bytes are looked through by the opaque rule,
            // not gathered.
            pes.map.Append(pos, len);
            const int64_t take = std::clamp<int64_t>(kPrefix - held, 0, len);
            if (take < len)
                sink.Opaque({pos + take, len - take}, FindKind::Unparsed, FindWhy::StreamsUnparsed,
                            FindWhy::StreamsUnparsed, at.Then("data"));
            len = take;
        }
        if (held >= kPrefix || len == 0) return;
        const int64_t take = std::min<int64_t>(len, kPrefix - held);
        const uint8_t* p = file.Span(pos, take);
        if (p == nullptr) return;
        pes.bytes.insert(pes.bytes.end(), p, p + take);
        if (pes.kind == Kind::Video) pes.map.Append(pos, take);
        // A PES header: a start code. Its stream id is not asked: a video
        // PID is one the program table declares so or whose id said so
        // (KindOf), and a damaged id still leads readers to the pictures.
        if (pes.kind == Kind::Video && pes.bytes.size() >= 3 &&
            !(pes.bytes[0] == 0 && pes.bytes[1] == 0 && pes.bytes[2] == 1))
            pes.kind = Kind::Skip;
    }

    // What the PID carries whose unit starts at `payload` (n bytes): its
    // program table's stream type, else its PES stream id; bytes that are
    // no PES in a PID no table names are data.
    Kind KindOf(uint16_t pid, int64_t payload, int64_t n) const {
        if (const auto t = types.find(pid); t != types.end())
            return IsVideoType(t->second) ? Kind::Video : IsSkippedType(t->second) ? Kind::Skip : Kind::Data;
        const uint8_t* p = n >= 4 ? file.Span(payload, 4) : nullptr;
        if (p == nullptr || p[0] != 0 || p[1] != 0 || p[2] != 1) return Kind::Data;
        return (p[3] & 0xF0) == 0xE0 ? Kind::Video : (p[3] & 0xE0) == 0xC0 ? Kind::Skip : Kind::Data;
    }

    // A program table section starting in one packet's payload: the PAT
    // names the PMTs' PIDs, a PMT each stream's type. A section longer
    // than the packet is read as far as the packet goes.
    void Table(uint16_t pid, int64_t payload, int64_t n) {
        const uint8_t* p = n > 0 ? file.Span(payload, n) : nullptr;
        if (p == nullptr) return;
        const int64_t s = 1 + int64_t{p[0]};  // after the pointer field
        if (s + 3 > n) return;
        const int64_t end = std::min<int64_t>(n, s + 3 + ((p[s + 1] & 0x0F) << 8 | p[s + 2])) - 4;  // before the CRC
        const auto pid13 = [&](int64_t i) { return static_cast<uint16_t>((p[i] & 0x1F) << 8 | p[i + 1]); };
        if (pid == 0 && p[s] == 0x00) {
            for (int64_t i = s + 8; i + 4 <= end; i += 4)
                if ((p[i] << 8 | p[i + 1]) != 0 && std::find(pmts.begin(), pmts.end(), pid13(i + 2)) == pmts.end())
                    pmts.push_back(pid13(i + 2));  // the PAT comes again every few packets
        } else if (p[s] == 0x02 && s + 12 <= end) {
            int64_t i = s + 12 + ((p[s + 10] & 0x0F) << 8 | p[s + 11]);
            for (; i + 5 <= end; i += 5 + ((p[i + 3] & 0x0F) << 8 | p[i + 4])) types[pid13(i + 1)] = p[i];
        }
    }

    // Ends the unit open on a PID: scans it by its kind.
    void Finish(const Pes& pes) {
        if (pes.kind == Kind::Video) Scan(pes, true);
        else if (pes.kind == Kind::Data) ScanData(pes);
    }

    // A data unit holding a fix is zeroed after its PES header, which is kept.
    void ScanData(const Pes& pes) {
        const std::vector<uint8_t>& b = pes.bytes;
        const auto n = static_cast<int64_t>(b.size());
        int64_t data = 0;
        if (n >= 6 && b[0] == 0 && b[1] == 0 && b[2] == 1) {
            // Padding and private stream 2 (and a few others) have no optional header.
            const bool bare = b[3] == 0xBC || b[3] == 0xBE || b[3] == 0xBF || b[3] == 0xF0 || b[3] == 0xF1 ||
                              b[3] == 0xF2 || b[3] == 0xF8 || b[3] == 0xFF;
            data = bare ? 6 : n >= 9 ? 9 + int64_t{b[8]} : n;
        }
        if (data >= n || !StreamDataHoldsFix(b.data() + data, n - data)) return;
        const int64_t len = pes.map.Length() - data;
        dataPlan.fills.push_back({dataPlan.AddMap(pes.map.Sub(data, len)), 0, len, 0, {}});
        if (dataFirst < 0) dataFirst = pes.map.FilePos(data);
    }
    // Scans a video PES's gathered bytes; `whole` when they are all of it.
    void Scan(const Pes& pes, bool whole) {
        const std::vector<uint8_t>& b = pes.bytes;
        if (b.size() < 9) return;
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
    TsWalk w{sink, sink.File(), at, {}, {}, {}, {}, -1, -1, -1, false, {}, {}};
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
        const int64_t body = h + payload, n = kPacket - payload;
        if (pid == 0 || std::find(w.pmts.begin(), w.pmts.end(), pid) != w.pmts.end()) {
            if (start) w.Table(pid, body, n);
            continue;
        }
        if (pid == 0x1FFF) continue;  // null packets
        if (pid < 0x20) {
            // The other tables (service names, events): text no rule reads,
            // looked through until one holds a position's text.
            if (!w.tablesHeld)
                w.tablesHeld = sink.Opaque({body, n}, FindKind::Unparsed, FindWhy::StreamsUnparsed,
                                           FindWhy::StreamsUnparsed, w.at.Then("tables"));
            continue;
        }
        auto it = w.open.find(pid);
        if (start || it == w.open.end()) {
            if (it != w.open.end()) w.Finish(it->second);
            // A unit's kind is decided at the PID's first start; bytes
            // before any start can only be data.
            const auto known = w.kinds.find(pid);
            const Kind kind = known != w.kinds.end() ? known->second : start ? w.KindOf(pid, body, n) : Kind::Data;
            if (start) w.kinds[pid] = kind;
            Pes fresh;
            fresh.kind = kind;
            it = w.open.insert_or_assign(pid, std::move(fresh)).first;
        }
        w.Gather(it->second, body, n);
    }
    for (const auto& [pid, pes] : w.open) w.Finish(pes);
    w.Rest({pos, end - pos});
    if (w.bad >= 0) {
        PositionFind f(FindKind::TimedGps, w.bad, false, FindWhy::TimedGpsUnreadable);
        sink.Add(f, at.Then("video"));
    } else if (w.first >= 0) {
        PositionFind f(FindKind::TimedGps, w.first, true);
        sink.AddPayload({f}, w.plan, at.Then("video"));
    }
    if (w.dataFirst >= 0) sink.AddPayload({PositionFind(FindKind::TimedGps, w.dataFirst, true)}, w.dataPlan, at.Then("data"));
}
