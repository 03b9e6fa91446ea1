#include "locate/payload/H264Sei.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr uint8_t kMdpm[20] = {0x17, 0xEE, 0x8C, 0x60, 0xF8, 0x4D, 0x11, 0xD9, 0x8C, 0xD6,
                               0x08, 0x00, 0x20, 0x0C, 0x9A, 0x66, 'M',  'D',  'P',  'M'};
constexpr int kSei = 6, kUserData = 5;
constexpr int64_t kEntry = 5;

bool IsGpsTag(uint8_t tag) { return tag >= 0xB0 && tag <= 0xCF; }

// The next start code (00 00 01) at or after i; n when there is none.
int64_t StartCode(const uint8_t* p, int64_t i, int64_t n) {
    for (; i + 3 <= n; ++i)
        if (p[i] == 0 && p[i + 1] == 0 && p[i + 2] == 1) return i;
    return n;
}

// The raw bytes of `v` escaped as a NAL unit holds them, after a byte
// that is not zero and before the byte `next` (-1: the unit's end).
std::string Escape(const uint8_t (&v)[4], int next) {
    std::string raw;
    int zeros = 0;
    auto put = [&](int b) {
        if (zeros >= 2 && b <= 3) {
            raw += '\x03';
            zeros = 0;
        }
        if (b >= 0) raw += static_cast<char>(b);
        zeros = b == 0 ? zeros + 1 : 0;
    };
    for (uint8_t b : v) put(b);
    if (next >= 0 && zeros >= 2 && next <= 3) raw += '\x03';
    return raw;
}

// One SEI NAL unit's payload, raw bytes [from, to) of p.
void ScanSei(const uint8_t* p, int64_t from, int64_t to, bool cut, MdpmScan& out) {
    // The payload without its emulation prevention bytes, and where each
    // of its bytes lies in the raw form.
    std::vector<uint8_t> rbsp;
    std::vector<int64_t> at;
    int zeros = 0;
    for (int64_t i = from; i < to; ++i) {
        if (zeros >= 2 && p[i] == 3) {
            zeros = 0;
            continue;
        }
        rbsp.push_back(p[i]);
        at.push_back(i);
        zeros = p[i] == 0 ? zeros + 1 : 0;
    }
    const auto n = static_cast<int64_t>(rbsp.size());
    const bool holdsMdpm = std::search(rbsp.begin(), rbsp.end(), std::begin(kMdpm), std::end(kMdpm)) != rbsp.end();
    auto bad = [&](int64_t k) {
        if (holdsMdpm && out.bad < 0) out.bad = at[static_cast<size_t>(std::clamp<int64_t>(k, 0, n - 1))];
    };
    int64_t k = 0;
    while (k < n && !(rbsp[static_cast<size_t>(k)] == 0x80 && k == n - 1)) {
        int64_t type = 0, size = 0;
        for (; k < n && rbsp[static_cast<size_t>(k)] == 0xFF; ++k) type += 255;
        if (k >= n) return bad(k);
        type += rbsp[static_cast<size_t>(k++)];
        for (; k < n && rbsp[static_cast<size_t>(k)] == 0xFF; ++k) size += 255;
        if (k >= n) return bad(k);
        size += rbsp[static_cast<size_t>(k++)];
        if (size > n - k) return bad(k);  // cut short, by the file or the bytes read
        const uint8_t* m = rbsp.data() + k;
        if (type == kUserData && size > 20 && std::memcmp(m, kMdpm, sizeof kMdpm) == 0) {
            const int64_t count = m[20];
            for (int64_t e = k + 21, i = 0; i < count; ++i, e += kEntry) {
                if (e + kEntry > k + size) return bad(e);
                const uint8_t* v = rbsp.data() + e + 1;
                if (!IsGpsTag(rbsp[static_cast<size_t>(e)]) || (v[0] == 0 && v[1] == 0)) continue;
                // The raw bytes of the value, through any escape before the next byte.
                const int64_t rawFrom = at[static_cast<size_t>(e + 1)];
                const int64_t rawTo = e + kEntry < n ? at[static_cast<size_t>(e + kEntry)] : to;
                const int next = e + kEntry < n ? rbsp[static_cast<size_t>(e + kEntry)] : -1;
                static constexpr uint8_t kForms[][4] = {
                    {0, 0, 0xFF, 0xFF}, {0, 0, 0, 0xFF}, {0, 0, 0xFF, 0}, {0, 0, 0, 0}};
                const std::string* fit = nullptr;
                std::string raw;
                for (const auto& form : kForms) {
                    raw = Escape(form, next);
                    if (static_cast<int64_t>(raw.size()) == rawTo - rawFrom) {
                        fit = &raw;
                        break;
                    }
                }
                if (fit == nullptr) return bad(e);
                if (out.first < 0) out.first = rawFrom;
                out.writes.push_back({rawFrom, *fit});
            }
        }
        k += size;
    }
    if (cut) bad(n);
}

}  // namespace

void ScanAccessUnit(const uint8_t* p, int64_t n, bool cut, MdpmScan& out) {
    for (int64_t s = StartCode(p, 0, n); s < n;) {
        const int64_t nal = s + 3;
        if (nal >= n) return;
        const int type = p[nal] & 0x1F;
        int64_t end = StartCode(p, nal, n);
        const int64_t next = end;
        // Zeros before the next start code belong to it (or pad the stream).
        while (end > nal && p[end - 1] == 0) --end;
        if (type == kSei) ScanSei(p, nal + 1, end, cut && next >= n, out);
        s = next;
    }
}
