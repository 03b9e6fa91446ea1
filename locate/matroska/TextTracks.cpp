#include "locate/matroska/TextTracks.h"

#include <string>

namespace {

enum : uint32_t {
    kTrackEntry = 0xAE, kTrackNumber = 0xD7, kTrackType = 0x83, kCodecId = 0x86, kContentEncodings = 0x6D80,
    kContentEncoding = 0x6240, kEncodingScope = 0x5032, kCompression = 0x5034, kCompAlgo = 0x4254,
    kEncryption = 0x5035,
};
constexpr uint64_t kSubtitle = 0x11, kMetadata = 0x21;

// Calls f for each child of master element m until f returns false.
template <class F>
void ForEachChild(const ByteReader& file, const EbmlElement& m, F f) {
    EbmlElement e;
    for (int64_t p = m.data; p < m.end && ReadEbml(file, p, m.end, e) && !e.unknownSize; p = e.end)
        if (!f(e)) return;
}

bool IsTextCodec(const std::string& codec) {
    auto starts = [&](const char* s) { return codec.rfind(s, 0) == 0; };
    return starts("S_TEXT/") || codec == "S_SSA" || codec == "S_ASS" || starts("D_WEBVTT/");
}

// How the frames of a track are stored, from its ContentEncodings: each
// encoding that covers the frames (scope bit 1, the default) compresses
// them (algorithm 0, zlib, by default; 3 strips a header that the track
// keeps, leaving the rest of the frame as it is) or encrypts them.
void Encodings(const ByteReader& file, const EbmlElement& encodings, TextTrack& t) {
    ForEachChild(file, encodings, [&](const EbmlElement& enc) {
        if (enc.id != kContentEncoding) return true;
        uint64_t scope = 1, algo = 0;
        bool compressed = false, encrypted = false;
        ForEachChild(file, enc, [&](const EbmlElement& e) {
            if (e.id == kEncodingScope && !ReadEbmlUint(file, e, scope)) scope = 1;
            if (e.id == kEncryption) encrypted = true;
            if (e.id == kCompression) {
                compressed = true;
                ForEachChild(file, e, [&](const EbmlElement& a) {
                    if (a.id == kCompAlgo && !ReadEbmlUint(file, a, algo)) algo = 1;
                    return true;
                });
            }
            return true;
        });
        if ((scope & 1) == 0) return true;
        if (encrypted || (compressed && algo != 0 && algo != 3) || (compressed && algo == 0 && t.zlib))
            t.unreadable = true;
        else if (compressed && algo == 0)
            t.zlib = true;
        return true;
    });
}

}  // namespace

std::vector<TextTrack> TextTracksIn(const ByteReader& file, const EbmlElement& tracks) {
    std::vector<TextTrack> out;
    ForEachChild(file, tracks, [&](const EbmlElement& entry) {
        if (entry.id != kTrackEntry) return true;
        TextTrack t;
        uint64_t type = 0;
        std::string codec;
        bool numbered = false;
        ForEachChild(file, entry, [&](const EbmlElement& e) {
            if (e.id == kTrackNumber) numbered = ReadEbmlUint(file, e, t.number);
            else if (e.id == kTrackType && !ReadEbmlUint(file, e, type)) type = 0;
            else if (e.id == kContentEncodings) Encodings(file, e, t);
            else if (e.id == kCodecId && e.end - e.data <= 64)
                if (const uint8_t* p = file.Span(e.data, e.end - e.data); p != nullptr)
                    for (int64_t i = 0; i < e.end - e.data && p[i] != 0; ++i) codec += static_cast<char>(p[i]);
            return true;
        });
        t.pictures = codec == "V_MJPEG";
        if (numbered && (type == kMetadata || t.pictures || ((type == kSubtitle || type == 0) && IsTextCodec(codec))))
            out.push_back(t);
        return out.size() < 1024;
    });
    return out;
}

bool BlockTrack(const ByteReader& file, const EbmlElement& block, uint64_t& track) {
    int len = 0;
    return ReadEbmlNumber(file, block.data, block.end, len, track);
}

bool BlockFrames(const ByteReader& file, const EbmlElement& block, uint64_t& track, std::vector<ByteRange>& frames) {
    frames.clear();
    int len = 0;
    uint8_t flags = 0, count = 0;
    if (!ReadEbmlNumber(file, block.data, block.end, len, track)) return false;
    int64_t p = block.data + len + 3;  // after the time (16 bits) and the flags
    if (p > block.end || !file.U8(p - 1, flags)) return false;
    const int lacing = (flags >> 1) & 3;
    if (lacing == 0) {
        frames.push_back({p, block.end - p});
        return true;
    }
    if (p >= block.end || !file.U8(p++, count)) return false;
    const int64_t n = int64_t{count} + 1;
    std::vector<int64_t> sizes;
    if (lacing == 1) {  // Xiph: each size but the last as bytes summed up to one under 255
        for (int64_t i = 0; i + 1 < n; ++i) {
            int64_t size = 0;
            uint8_t b = 255;
            while (b == 255) {
                if (p >= block.end || !file.U8(p++, b)) return false;
                size += b;
            }
            sizes.push_back(size);
        }
    } else if (lacing == 3) {  // EBML: the first size, then signed differences
        uint64_t v = 0;
        if (!ReadEbmlNumber(file, p, block.end, len, v)) return false;
        p += len;
        int64_t size = static_cast<int64_t>(v);
        sizes.push_back(size);
        for (int64_t i = 1; i + 1 < n; ++i) {
            if (!ReadEbmlNumber(file, p, block.end, len, v)) return false;
            p += len;
            size += static_cast<int64_t>(v) - ((int64_t{1} << (7 * len - 1)) - 1);
            if (size < 0 || size > block.end) return false;
            sizes.push_back(size);
        }
    } else {  // fixed: equal frames
        if ((block.end - p) % n != 0) return false;
        sizes.assign(static_cast<size_t>(n - 1), (block.end - p) / n);
    }
    for (int64_t size : sizes) {
        if (size > block.end - p) return false;
        frames.push_back({p, size});
        p += size;
    }
    frames.push_back({p, block.end - p});
    return p <= block.end;
}
