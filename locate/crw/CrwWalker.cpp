#include "locate/crw/CrwWalker.h"

#include "exif/ByteReader.h"
#include "locate/Containers.h"
#include "locate/Parts.h"
#include "locate/Sink.h"
#include "locate/vrd/VrdWalker.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int64_t kEntry = 10;
constexpr int kMaxDepth = 8;  // cameras nest heaps 3 deep
constexpr uint16_t kRawData = 0x2005, kJpgFromRaw = 0x2007, kThumbnail = 0x2008;

struct Record {
    ByteRange r;
    uint16_t tag;
};

class CrwWalk {
public:
    CrwWalk(const ByteReader& order, Sink& sink) : m_r(order), m_sink(sink) {}

    // Takes the heap in `heap` apart, its directory's offset read at
    // `offsetAt` (its last 4 bytes, or the recipe data's copy of them);
    // false when the directory cannot be read or a record lies outside the
    // heap (the caller then says the file is not taken apart).
    bool Heap(ByteRange heap, int64_t offsetAt, int depth, const Carrier& at) {
        uint32_t dirOff = 0;
        uint16_t count = 0;
        // The directory ends before the offset when that is the heap's own.
        const int64_t limit = offsetAt < heap.End() ? offsetAt : heap.End();
        if (depth > kMaxDepth || heap.len < 6 || !m_r.U32(offsetAt, dirOff)) return false;
        const int64_t dir = heap.pos + int64_t{dirOff};
        if (int64_t{dirOff} > heap.len - 2 || !m_r.U16(dir, count) || 2 + kEntry * int64_t{count} > limit - dir)
            return false;
        std::vector<Record> records;
        for (int64_t i = 0; i < count; ++i) {
            const int64_t e = dir + 2 + kEntry * i;
            uint16_t tag = 0;
            uint32_t size = 0, off = 0;
            m_r.U16(e, tag);
            m_r.U32(e + 2, size);
            m_r.U32(e + 6, off);
            if (tag & 0x8000) return false;
            if (tag & 0x4000) continue;  // the value is in the record: 8 bytes of numbers or a short name
            const ByteRange r{heap.pos + int64_t{off}, int64_t{size}};
            if (off > dirOff || int64_t{size} > dir - r.pos) return false;
            records.push_back({r, tag});
        }
        if (!SortApart(records)) return false;
        int64_t pos = heap.pos;
        for (const Record& rec : records) {
            Gap(pos, rec.r.pos, at);
            char step[24];
            std::snprintf(step, sizeof step, "record 0x%04X", rec.tag & 0x3FFF);
            const Carrier c = at.Then(step);
            const int type = (rec.tag >> 8) & 0x38;
            const uint16_t id = rec.tag & 0x3FFF;
            if (type == 0x28 || type == 0x30) {
                if (!Heap(rec.r, rec.r.End() - 4, depth + 1, c)) return false;
            } else if ((id == kJpgFromRaw || id == kThumbnail) &&
                       RecogniseContainer(m_r, rec.r.pos, rec.r.End()) == Container::Jpeg) {
                m_sink.Nested(Container::Jpeg, rec.r, c);
            } else if (id != kRawData) {
                m_sink.Opaque(rec.r, FindKind::Unparsed, FindWhy::CameraDataUnparsed, FindWhy::CameraDataUnparsed, c);
            }
            pos = rec.r.End();
        }
        Gap(pos, dir, at);
        Gap(dir + 2 + kEntry * int64_t{count}, limit, at);
        return true;
    }

private:
    void Gap(int64_t from, int64_t to, const Carrier& at) {
        if (to > from)
            m_sink.Opaque({from, to - from}, FindKind::Unparsed, FindWhy::CameraDataUnparsed,
                          FindWhy::CameraDataUnparsed, at.Then("between records"));
    }

    ByteReader m_r;
    Sink& m_sink;
};

}  // namespace

bool StartsCrw(const ByteReader& file, int64_t pos, int64_t end) {
    const uint8_t* p = end - pos >= 14 ? file.Span(pos, 14) : nullptr;
    return p != nullptr && ((p[0] == 'I' && p[1] == 'I') || (p[0] == 'M' && p[1] == 'M')) &&
           (std::memcmp(p + 6, "HEAPCCDR", 8) == 0 || std::memcmp(p + 6, "HEAPJPGM", 8) == 0);
}

void WalkCrwContainer(ByteRange whole, const Carrier& at, Sink& sink) {
    const ByteReader& f = sink.File();
    uint8_t order = 0;
    f.U8(whole.pos, order);
    const ByteReader r = f.WithOrder(order == 'M' ? ByteReader::kBigEndian : ByteReader::kLittleEndian);
    uint32_t headerLen = 0;
    r.U32(whole.pos + 2, headerLen);
    // The heap runs to the file's end, or to the recipe data that end it
    // (whose last 4 bytes repeat the directory's offset, as readers take
    // it from the file's end).
    const int64_t vrd = CanonVrdStart(f, whole.pos, whole.End());
    const int64_t heapEnd = vrd >= 0 ? vrd : whole.End();
    const ByteRange heap{whole.pos + int64_t{headerLen}, heapEnd - whole.pos - int64_t{headerLen}};
    CrwWalk walk(r, sink);
    if (headerLen < 14 || heap.len < 6 || !walk.Heap(heap, whole.End() - 4, 0, at)) {
        sink.NotTakenApart(whole, at);
        return;
    }
    if (vrd >= 0) sink.Nested(Container::CanonVrd, {vrd, whole.End() - vrd}, at.Then("recipe data"));
}
