#include "locate/x3f/X3fWalker.h"

#include "exif/ByteReader.h"
#include "locate/Containers.h"
#include "locate/Fourcc.h"
#include "locate/Opaque.h"
#include "locate/Parts.h"
#include "locate/Sink.h"
#include "locate/isobmff/BoxWalk.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int64_t kDirHeader = 12, kEntry = 12, kPictureHeader = 28;
constexpr uint32_t kJpegFormat = 18;
constexpr uint32_t kMaxSections = 256;                // cameras write fewer than 20
constexpr int64_t kMaxProperties = int64_t{1} << 20;  // a few kilobytes; more is read as data

struct Section {
    ByteRange r;
    uint32_t type;
    int index;  // in the directory, from 1
};

// The directory's sections and where the directory lies; false when it
// cannot be read or a section lies outside [the file's first 8 bytes, the
// directory).
bool Sections(const ByteReader& file, int64_t pos, int64_t end, std::vector<Section>& out, ByteRange& dir) {
    const ByteReader le = file.WithOrder(ByteReader::kLittleEndian);
    uint32_t dirOff = 0, count = 0;
    const uint8_t* sig = end - pos >= 8 + kDirHeader + 4 ? file.Span(pos, 4) : nullptr;
    if (sig == nullptr || std::memcmp(sig, "FOVb", 4) != 0 || !le.U32(end - 4, dirOff)) return false;
    dir.pos = pos + int64_t{dirOff};
    const uint8_t* secd = dir.pos >= pos + 8 && end - 4 - dir.pos >= kDirHeader ? file.Span(dir.pos, 4) : nullptr;
    if (secd == nullptr || std::memcmp(secd, "SECd", 4) != 0 || !le.U32(dir.pos + 8, count) || count == 0 ||
        count > kMaxSections || kDirHeader + kEntry * int64_t{count} > end - 4 - dir.pos)
        return false;
    dir.len = kDirHeader + kEntry * int64_t{count};
    out.clear();
    for (uint32_t i = 0; i < count; ++i) {
        const int64_t e = dir.pos + kDirHeader + kEntry * i;
        uint32_t off = 0, len = 0, type = 0;
        if (!le.U32(e, off) || !le.U32(e + 4, len) || !file.WithOrder(ByteReader::kBigEndian).U32(e + 8, type))
            return false;
        const ByteRange r{pos + int64_t{off}, int64_t{len}};
        if (r.pos < pos + 8 || r.End() > dir.pos) return false;
        out.push_back({r, type, static_cast<int>(i) + 1});
    }
    return true;
}

// A picture section holding a JPEG: "SECi", a version, a type, format 18,
// then the JPEG after the 28-byte header.
bool HoldsJpeg(const ByteReader& file, const ByteRange& r) {
    uint32_t format = 0;
    const uint8_t* p = r.len >= kPictureHeader + 2 ? file.Span(r.pos, 4) : nullptr;
    // Each span is used before the next read, which may give its block back.
    return p != nullptr && std::memcmp(p, "SECi", 4) == 0 &&
           file.WithOrder(ByteReader::kLittleEndian).U32(r.pos + 12, format) && format == kJpegFormat &&
           RecogniseContainer(file, r.pos + kPictureHeader, r.End()) == Container::Jpeg;
}

// The properties' UTF-16 text, so that the opaque rule reads their names and values.
std::vector<uint8_t> PropertyText(const ByteReader& file, const ByteRange& r) {
    const uint8_t* p = file.Span(r.pos, r.len);
    return p == nullptr ? std::vector<uint8_t>{} : NarrowUtf16(p, r.len, false);
}

}  // namespace

bool StartsX3f(const ByteReader& file, int64_t pos, int64_t end) {
    const uint8_t* p = end - pos >= 8 ? file.Span(pos, 4) : nullptr;
    return p != nullptr && std::memcmp(p, "FOVb", 4) == 0;
}

void WalkX3fContainer(ByteRange whole, const Carrier& at, Sink& sink) {
    const ByteReader& f = sink.File();
    std::vector<Section> sections;
    ByteRange dir;
    if (!Sections(f, whole.pos, whole.End(), sections, dir) || !SortApart(sections)) {
        sink.NotTakenApart(whole, at);
        return;
    }
    auto opaque = [&](int64_t from, int64_t to, const Carrier& c) {
        if (to > from)
            sink.Opaque({from, to - from}, FindKind::Unparsed, FindWhy::CameraDataUnparsed,
                        FindWhy::CameraDataUnparsed, c);
    };
    int64_t pos = whole.pos;
    for (const Section& s : sections) {
        opaque(pos, s.r.pos, at.Then(pos == whole.pos ? "header" : "between sections"));
        const Carrier c = at.Then("section #" + std::to_string(s.index) + " " + BoxName(s.type));
        PositionFind find;
        if ((s.type == Fourcc("IMA2") || s.type == Fourcc("IMAG")) && HoldsJpeg(f, s.r))
            sink.Nested(Container::Jpeg, {s.r.pos + kPictureHeader, s.r.len - kPictureHeader}, c);
        else if (s.type == Fourcc("IMA2") || s.type == Fourcc("IMAG"))
            ;  // the pixels
        else if (s.type == Fourcc("PROP") && s.r.len <= kMaxProperties)
            sink.OpaqueHeld(PropertyText(f, s.r), s.r, FindWhy::CameraDataUnparsed, c, false);
        else if (OpaqueFind(f, s.r, FindKind::Unparsed, FindWhy::CameraDataUnparsed, FindWhy::CameraDataUnparsed,
                            sink.PlaceNames(), find, true))
            sink.Add(find, c);
        pos = s.r.End();
    }
    opaque(pos, dir.pos, at.Then("between sections"));
    opaque(dir.End(), whole.End() - 4, at.Then("after the directory"));
}
