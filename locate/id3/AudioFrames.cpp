#include "locate/id3/AudioFrames.h"

#include "exif/ByteReader.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace {

constexpr int kFramesToTell = 3;

// The length of an MPEG audio frame whose header is at p, 0 when it is no
// frame header (free format's frames, whose length is not in the header,
// are not told). `key` gets the fields every frame of a stream shares.
int64_t MpegFrame(const uint8_t* p, uint32_t& key) {
    if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0) return 0;
    const int version = p[1] >> 3 & 3, layer = p[1] >> 1 & 3;  // version 3: MPEG-1, 2: MPEG-2, 0: MPEG-2.5
    const int rate = p[2] >> 4, freq = p[2] >> 2 & 3, pad = p[2] >> 1 & 1;
    if (version == 1 || layer == 0 || rate == 0 || rate == 15 || freq == 3) return 0;
    // kbit/s by rate index: MPEG-1 layers I, II, III; MPEG-2 layer I; layers II and III.
    static constexpr int kRates[5][15] = {
        {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
        {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}};
    static constexpr int kFreqs[3] = {44100, 48000, 32000};
    const bool one = version == 3;
    const int row = one ? 3 - layer : layer == 3 ? 3 : 4;
    const int64_t bits = int64_t{kRates[row][rate]} * 1000;
    const int64_t hz = kFreqs[freq] >> (one ? 0 : version == 2 ? 1 : 2);
    key = uint32_t{p[1]} << 8 | (p[2] & 0x0C);
    if (layer == 3) return (12 * bits / hz + pad) * 4;                    // layer I
    return (layer == 1 && !one ? 72 : 144) * bits / hz + pad;           // layer III (MPEG-2: half), layer II
}

// The length of an ADTS frame (AAC) whose header is at p, 0 when it is none.
int64_t AdtsFrame(const uint8_t* p, uint32_t& key) {
    if (p[0] != 0xFF || (p[1] & 0xF6) != 0xF0 || (p[2] >> 2 & 0x0F) > 12) return 0;
    key = uint32_t{p[1]} << 8 | (p[2] & 0xFC);
    const int64_t len = int64_t{p[3] & 3} << 11 | int64_t{p[4]} << 3 | p[5] >> 5;
    return len >= 7 ? len : 0;
}

bool Frames(const ByteReader& f, int64_t pos, int64_t end, int64_t (*frame)(const uint8_t*, uint32_t&)) {
    uint32_t first = 0;
    for (int n = 0; n < kFramesToTell; ++n) {
        if (n > 0 && pos == end) return true;  // a file of fewer frames, ending with the last
        const uint8_t* p = end - pos >= 6 ? f.Span(pos, 6) : nullptr;
        uint32_t key = 0;
        const int64_t len = p != nullptr ? frame(p, key) : 0;
        if (len == 0 || (n > 0 && key != first) || len > end - pos) return false;
        first = key;
        pos += len;
    }
    return true;
}

}  // namespace

bool StartsAudioFrames(const ByteReader& file, int64_t pos, int64_t end) {
    const uint8_t* p = end - pos >= 9 ? file.Span(pos, 9) : nullptr;
    static constexpr const char* kMagics[] = {"#!AMR\n", "#!AMR-WB\n", "wvpk", "MAC ", "TTA1", "MPCK", "MP+"};
    if (p != nullptr && std::any_of(std::begin(kMagics), std::end(kMagics), [&](const char* m) {
            return std::memcmp(p, m, std::strlen(m)) == 0;
        }))
        return true;
    return Frames(file, pos, end, AdtsFrame) || Frames(file, pos, end, MpegFrame);
}
