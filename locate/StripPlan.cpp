#include "locate/StripPlan.h"

#include "locate/ogg/OggCrc.h"
#include "locate/payload/Md5.h"
#include "platform/ChangedRuns.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

namespace {

bool Inside(int64_t pos, int64_t n, int64_t len) { return pos >= 0 && n >= 0 && n <= len && pos <= len - n; }

}  // namespace

void StripPlan::Append(const StripPlan& other) {
    const int base = static_cast<int>(maps.size());
    maps.insert(maps.end(), other.maps.begin(), other.maps.end());
    for (StripFill f : other.fills) {
        f.map += base;
        fills.push_back(std::move(f));
    }
    for (StripFixUp x : other.fixUps) {
        x.map += base;
        fixUps.push_back(std::move(x));
    }
}

std::vector<ByteRange> StripPlan::Ranges() const {
    std::vector<ByteRange> all;
    for (const StripFill& f : fills) {
        const std::vector<ByteRange> r = maps[static_cast<size_t>(f.map)].FileRanges(f.off, f.len);
        all.insert(all.end(), r.begin(), r.end());
    }
    for (const StripFixUp& x : fixUps)
        for (int64_t pos : x.at) all.push_back({pos, x.Size()});
    return plat::JoinRanges(std::move(all));
}

std::vector<ByteRange> StripPlan::Touched() const {
    std::vector<ByteRange> all = Ranges();
    for (const StripFixUp& x : fixUps)
        for (const ContentMap::Piece& p : maps[static_cast<size_t>(x.map)].Pieces())
            for (int64_t pos : p.filePos) all.push_back({pos, p.len});
    return plat::JoinRanges(std::move(all));
}

bool StripPlan::Apply(uint8_t* buf, int64_t len) const {
    if (Empty()) return true;
    if (buf == nullptr) return false;
    for (const ContentMap& m : maps)
        if (!m.Inside(len)) return false;
    for (const StripFixUp& x : fixUps)
        for (int64_t pos : x.at)
            if (!Inside(pos, x.Size(), len)) return false;
    for (const StripFill& f : fills)
        maps[static_cast<size_t>(f.map)].ForEachPlace(f.off, f.len, [&](int64_t pos, int64_t off, int64_t n) {
            for (int64_t k = 0; k < n; ++k) {
                const int64_t at = off + k - f.off;
                buf[pos + k] = at < static_cast<int64_t>(f.text.size()) ? static_cast<uint8_t>(f.text[at]) : f.byte;
            }
        });
    for (const StripFixUp& x : fixUps) {
        if (x.at.empty()) continue;
        const std::vector<ContentMap::Piece>& pieces = maps[static_cast<size_t>(x.map)].Pieces();
        uint8_t value[32];
        if (x.kind == StripFixUp::kMd5Guid || x.kind == StripFixUp::kMd5) {
            Md5 md5;
            for (const ContentMap::Piece& p : pieces) md5.Update(buf + p.filePos[0], p.len);
            if (x.kind == StripFixUp::kMd5) {
                md5.Final(value);
            } else {
                char hex[32];
                md5.FinalHex(hex);
                std::memcpy(value, hex, sizeof hex);
            }
        } else if (x.kind == StripFixUp::kOggCrc) {
            // The content in runs that stop where a CRC field starts or
            // ends; the field's bytes count as zeros.
            static constexpr uint8_t kZeros[4] = {};
            uint32_t crc = 0;
            for (const ContentMap::Piece& p : pieces)
                for (int64_t k = 0; k < p.len;) {
                    const int64_t pos = p.filePos[0] + k;
                    int64_t run = p.len - k;
                    bool field = false;
                    for (int64_t a : x.at) {
                        if (pos >= a && pos < a + 4) field = true, run = std::min(run, a + 4 - pos);
                        else if (a > pos) run = std::min(run, a - pos);
                    }
                    crc = OggCrc(crc, field ? kZeros : buf + pos, run);
                    k += run;
                }
            for (int i = 0; i < 4; ++i) value[i] = static_cast<uint8_t>(crc >> (8 * i));
        } else {
            uLong crc = crc32(0L, Z_NULL, 0);
            for (const ContentMap::Piece& p : pieces)
                for (int64_t done = 0; done < p.len;) {
                    const auto n = static_cast<uInt>(std::min<int64_t>(p.len - done, 1 << 30));
                    crc = crc32(crc, buf + p.filePos[0] + done, n);
                    done += n;
                }
            for (int i = 0; i < 4; ++i)
                value[i] = static_cast<uint8_t>(crc >> (x.kind == StripFixUp::kCrc32Le ? 8 * i : 24 - 8 * i));
        }
        for (int64_t pos : x.at) std::memcpy(buf + pos, value, static_cast<size_t>(x.Size()));
    }
    return true;
}
