#include "locate/ogg/VorbisComments.h"

#include "exif/ByteReader.h"
#include "locate/NamedValues.h"
#include "locate/Opaque.h"
#include "locate/payload/Base64.h"
#include "locate/payload/TimedGps.h"

#include <algorithm>

namespace {

// More comments than any writer makes: the rest are not believed.
constexpr uint32_t kMaxComments = 1 << 16;

std::string Upper(const uint8_t* p, int64_t n) {
    std::string s(reinterpret_cast<const char*>(p), static_cast<size_t>(n));
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return s;
}

bool EndsWith(const std::string& s, const char* end) {
    const std::string e(end);
    return s.size() >= e.size() && s.compare(s.size() - e.size(), e.size(), e) == 0;
}

// The picture a METADATA_BLOCK_PICTURE value holds: a FLAC picture block
// (type, MIME type, description, four numbers, then the data's length and
// the data), or, for COVERART, the picture itself.
std::vector<uint8_t> CoverPicture(const std::string& name, const uint8_t* p, int64_t n) {
    Base64Text text;
    const ByteReader value(p, n);
    if (!ReadBase64(value, {0, n}, text)) return {};
    std::vector<uint8_t> bytes = DecodeBase64(text.chars);
    if (name == "COVERART") return bytes;
    const ByteReader be(bytes.data(), static_cast<int64_t>(bytes.size()), ByteReader::kBigEndian);
    uint32_t len = 0;
    int64_t at = 4;
    for (int field = 0; field < 2; ++field) {  // the MIME type, the description
        if (!be.U32(at, len)) return {};
        at += 4 + int64_t{len};
    }
    at += 16;
    if (!be.U32(at, len) || int64_t{len} > static_cast<int64_t>(bytes.size()) - at - 4) return {};
    return {bytes.begin() + at + 4, bytes.begin() + at + 4 + len};
}

// What a comment's value under `name` (in capitals) is.
enum class ValueKind { Other, Position, Place };
ValueKind Classify(const std::string& name, const uint8_t* v, int64_t len) {
    auto has = [&](const char* s) { return name.find(s) != std::string::npos; };
    const bool place = name == "LOCATION" || name == "RECORDING_LOCATION" || name == "COMPOSITION_LOCATION" ||
                       EndsWith(name, "LOCATION.NAME") || EndsWith(name, "LOCATION.BODY") ||
                       EndsWith(name, "LOCATION.NOTE");
    const bool named =
        !place && (has("GPS") || has("ISO6709") || has("LATITUDE") || has("LONGITUDE") || has("COORDINATES"));
    if (named || TextNamesCoordinate(v, len) || (place && PlaceHoldsCoordinate(v, len))) return ValueKind::Position;
    return place ? ValueKind::Place : ValueKind::Other;
}

// A comment whose length runs past the n bytes at p, which readers show
// up to their end (its value up to the first control byte): true when it
// names a position there.
bool RunOverNamesPosition(const uint8_t* p, int64_t n) {
    const uint8_t* eq = std::find(p, p + n, static_cast<uint8_t>('='));
    if (eq == p + n) return TextNamesCoordinate(p, n);
    const uint8_t* end = std::find_if(eq + 1, p + n, [](uint8_t b) { return b < 0x20; });
    return Classify(Upper(p, eq - p), eq + 1, end - eq - 1) == ValueKind::Position || TextNamesCoordinate(p, n);
}

}  // namespace

bool ScanVorbisComments(const uint8_t* p, int64_t n, bool placeNames,
                        const std::function<bool(const std::vector<uint8_t>&)>& picture,
                        std::vector<CommentValue>& out) {
    const ByteReader le(p, n, ByteReader::kLittleEndian);
    uint32_t len = 0, count = 0;
    if (!le.U32(0, len) || int64_t{len} > n - 8) return false;
    const ByteReader text(p, n);
    if (OpaqueHolds(text, 4, len) != OpaqueText::None)
        out.push_back({FindKind::Unparsed, FindWhy::CommentUnparsed, 4, len, "vendor"});
    int64_t at = 4 + int64_t{len};
    if (!le.U32(at, count)) return false;
    at += 4;
    for (uint32_t i = 0; i < count && i < kMaxComments; ++i) {
        if (!le.U32(at, len)) return false;
        if (int64_t{len} > n - at - 4) {
            // Such a comment cannot be cleaned in place.
            if (n - at - 4 > 0 && RunOverNamesPosition(p + at + 4, n - at - 4))
                out.push_back({FindKind::Unparsed, FindWhy::CommentUnparsed, at + 4, n - at - 4, "comment"});
            return false;
        }
        const uint8_t* c = p + at + 4;
        const uint8_t* eq = std::find(c, c + len, static_cast<uint8_t>('='));
        const int64_t nameLen = eq - c, off = at + 4 + nameLen + 1, valueLen = int64_t{len} - nameLen - 1;
        if (valueLen < 0 && OpaqueHolds(text, at + 4, len) != OpaqueText::None)  // no name: text alone
            out.push_back({FindKind::Unparsed, FindWhy::CommentUnparsed, at + 4, len, "comment"});
        at += 4 + int64_t{len};
        // A value of blanks (as a strip leaves one) holds nothing.
        if (valueLen <= 0 || std::all_of(p + off, p + off + valueLen, [](uint8_t b) { return b == ' ' || b == 0; }))
            continue;
        const std::string name = Upper(c, nameLen);
        const uint8_t* v = p + off;
        const ValueKind kind = Classify(name, v, valueLen);
        if (kind == ValueKind::Position) {
            out.push_back({FindKind::Location, FindWhy::None, off, valueLen, name});
        } else if (kind == ValueKind::Place) {
            if (placeNames) out.push_back({FindKind::PlaceName, FindWhy::None, off, valueLen, name});
        } else if (name == "METADATA_BLOCK_PICTURE" || name == "COVERART") {
            const std::vector<uint8_t> bytes = CoverPicture(name, v, valueLen);
            if (!bytes.empty() && picture(bytes))
                out.push_back({FindKind::Unparsed, FindWhy::HeldPictureUnparsed, off, valueLen, name});
        } else if (OpaqueHolds(text, off, valueLen) != OpaqueText::None) {
            out.push_back({FindKind::Unparsed, FindWhy::CommentUnparsed, off, valueLen, name});
        }
    }
    return true;
}
