// A clip's location: boxes that hold one (QuickTime's ©xyz, 3GPP's
// `loci`, cameras' GPS boxes) and the item lists of `meta` boxes, whose
// entries are named by a four-letter code (©xyz) or by a key of `keys`
// (com.apple.quicktime.location.ISO6709); other entries' pictures.
#include "locate/isobmff/BoxWalk.h"

#include "locate/NamedValues.h"
#include "locate/Opaque.h"
#include "locate/Pieces.h"
#include "locate/isobmff/SampleTable.h"
#include "locate/payload/TimedGps.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace {

constexpr int kMaxKeys = 65536;

// What a key of a location names: its coordinates and what goes with
// them, or the place's name, description and note (text about the place,
// a place name), or neither. A key naming ISO 6709 holds coordinates even
// when its "location" is damaged.
enum class KeyKind { Other, Location, PlaceName };
KeyKind LocationKey(std::string key) {
    std::transform(key.begin(), key.end(), key.begin(), [](unsigned char ch) { return std::tolower(ch); });
    if (key.find("iso6709") != std::string::npos) return KeyKind::Location;
    if (key.find("location") == std::string::npos) return KeyKind::Other;
    for (const char* words : {".name", ".body", ".note"})
        if (key.size() >= std::char_traits<char>::length(words) &&
            key.compare(key.size() - std::char_traits<char>::length(words), std::string::npos, words) == 0)
            return KeyKind::PlaceName;
    for (const char* words : {".role", ".date"})
        if (key.size() >= std::char_traits<char>::length(words) &&
            key.compare(key.size() - std::char_traits<char>::length(words), std::string::npos, words) == 0)
            return KeyKind::Other;
    return KeyKind::Location;
}

// The names `keys` gives the entries of an item list, from 1.
std::vector<std::string> KeyNames(const ByteReader& file, const Box& keys) {
    std::vector<std::string> out;
    const ByteReader be = file.WithOrder(ByteReader::kBigEndian);
    int64_t p = keys.body + 8;  // version, flags, count
    uint32_t size = 0;
    while (out.size() < kMaxKeys && p < keys.end && be.U32(p, size) && size >= 8 && size <= keys.end - p) {
        const uint8_t* name = file.Span(p + 8, size - 8);
        out.emplace_back(name != nullptr ? reinterpret_cast<const char*>(name) : "", name != nullptr ? size - 8 : 0);
        p += size;
    }
    return out;
}

// The value of an item list entry: its `data` box after type and locale.
// A non-blank value is a find, removed by writing spaces over it; an entry
// named by a key also loses its key (its number becomes 0, which names
// none), so that readers show no location entry at all. Other boxes, and
// bytes no box explains, are read as the value too, as lenient readers
// take an entry whose `data` box is damaged.
void LocationValue(BoxWalk& w, const Box& entry, bool keyed, FindKind kind, const Carrier& c) {
    const auto clear = [&](ByteRange value) {
        if (value.len <= 0 || Blank(w.file, value.pos, value.len)) return;
        PositionFind f(kind, value.pos, true);
        f.len = value.len;
        StripPlan plan;
        plan.fills.push_back({plan.AddMap(ContentMap(value)), 0, value.len, ' ', {}});
        if (keyed) plan.Zero({entry.pos + 4, 4});
        w.sink.AddPayload({f}, plan, c);
    };
    const int64_t stop = ForEachBox(w.file, entry.Body(), [&](const Box& data) {
        clear(data.Is(Fourcc("data")) ? ByteRange{data.body + 8, data.end - data.body - 8} : data.Body());
        return true;
    });
    clear({stop, entry.end - stop});
}

// Another entry's values: a UTF-8 text (a comment, a title) that names a
// coordinate is blanked with spaces; a `data` box holding a file of a known
// format (a cover picture, `covr`, which may be a geotagged photo) is walked
// as that file; other values, and other boxes, follow the opaque rule.
void OtherValues(BoxWalk& w, const Box& entry, const std::string& name, const Carrier& c) {
    const ByteReader be = w.file.WithOrder(ByteReader::kBigEndian);
    const int64_t stop = ForEachBox(w.file, entry.Body(), [&](const Box& data) {
        const ByteRange value{data.body + 8, data.end - data.body - 8};
        uint32_t type = 0;
        if (data.Is(Fourcc("data")) && value.len > 0 && be.U32(data.body, type) && (type & 0xFFFFFF) == 1 &&
            TextFindAt(w.sink, value, name, c))
            return true;
        if (!data.Is(Fourcc("data")) || value.len <= 0 || !w.sink.FileAt(value, c)) w.Opaque(data.Whole(), c);
        return true;
    });
    if (stop < entry.end) w.Opaque({stop, entry.end - stop}, c);
}

}  // namespace

void WalkMovieMeta(BoxWalk& w, const Box& meta, ByteRange children, const Carrier& c, int depth) {
    Box keys, ilst;
    std::vector<std::string> names;
    if (FindChild(w.file, children, Fourcc("keys"), keys)) names = KeyNames(w.file, keys);
    if (FindChild(w.file, children, Fourcc("ilst"), ilst)) {
        const Carrier list = c.Then("ilst");
        const int64_t stop = ForEachBox(w.file, ilst.Body(), [&](const Box& entry) {
            // An entry is named by its key's number, or by its own type.
            const bool keyed = entry.type >= 1 && entry.type <= names.size();
            const std::string name = keyed ? names[entry.type - 1] : BoxName(entry.type);
            const Carrier at = list.Then(name);
            const KeyKind key = keyed ? LocationKey(name) : KeyKind::Other;
            if (key == KeyKind::Location || (!keyed && entry.Is(Fourcc("\xA9xyz"))))
                LocationValue(w, entry, keyed, FindKind::Location, at);
            else if (key == KeyKind::PlaceName && w.sink.PlaceNames())
                LocationValue(w, entry, keyed, FindKind::PlaceName, at);
            else
                OtherValues(w, entry, name, at);
            return true;
        });
        if (stop < ilst.end) w.Opaque({stop, ilst.end - stop}, list);
    }
    ForEachBox(w.file, children, [&](const Box& b) {
        if (!b.Is(Fourcc("keys")) && !b.Is(Fourcc("ilst"))) w.One(b, c, depth + 1);
        return true;
    });
    (void)meta;
}

void WalkLocationBox(BoxWalk& w, const Box& b, const Carrier& c) {
    // ©xyz (and @xyz) holds its text after a length and a language.
    const int64_t text = b.Is(Fourcc("\xA9xyz")) || b.Is(Fourcc("@xyz")) ? std::min(b.body + 4, b.end) : b.body;
    if (Blank(w.file, text, b.end - text)) return;
    // The box becomes free space: its type renamed, its content zeroed, so
    // no reader finds a value and every size stays.
    PositionFind f(FindKind::Location, b.pos, true);
    f.len = b.end - b.pos;
    StripPlan plan;
    plan.fills.push_back({plan.AddMap(ContentMap({b.pos + 4, 4})), 0, 4, 0, "free"});
    plan.Zero(b.Body());
    w.sink.AddPayload({f}, plan, c);
}

bool WalkTextRecords(BoxWalk& w, const Box& b, const Carrier& c) {
    const ByteReader be = w.file.WithOrder(ByteReader::kBigEndian);
    std::vector<ByteRange> texts;
    int64_t pos = b.body;
    for (uint16_t len = 0; b.end - pos >= 4 && be.U16(pos, len) && len <= b.end - pos - 4; pos += 4 + len)
        texts.push_back({pos + 4, len});
    if (pos != b.end || texts.empty()) return false;
    const std::string name = BoxName(b.type);
    for (const ByteRange& t : texts)
        if (!TextFindAt(w.sink, t, name, c)) w.Opaque(t, c);
    return true;
}

bool WalkChapterList(BoxWalk& w, const Box& b, const Carrier& c) {
    uint8_t version = 0, count = 0, len = 0;
    if (!w.file.U8(b.body, version)) return false;
    int64_t pos = b.body + (version == 1 ? 9 : 5);  // after the count
    if (pos > b.end || !w.file.U8(pos - 1, count)) return false;
    std::vector<ByteRange> texts;
    for (int i = 0; i < count; ++i, pos += 9 + len) {
        if (b.end - pos < 9 || !w.file.U8(pos + 8, len) || len > b.end - pos - 9) return false;
        texts.push_back({pos + 9, len});
    }
    for (const ByteRange& t : texts)
        if (!TextFindAt(w.sink, t, "chapter", c)) w.Opaque(t, c);
    if (pos < b.end) w.Opaque({pos, b.end - pos}, c);
    return true;
}

bool WalkAssetText(BoxWalk& w, const Box& b, const Carrier& c) {
    const int64_t text = b.body + 6, n = b.end - text;  // after version, flags and a language
    const uint8_t* p = n > 0 ? TextSpan(w.file, {text, n}) : nullptr;
    if (p == nullptr) return false;
    const std::string name = BoxName(b.type);
    if (n >= 2 && p[0] == 0xFE && p[1] == 0xFF)
        return Utf16TextAt(w.sink, {text + 2, n - 2}, true, name, c) == TextRead::Find;
    return TextFindAt(w.sink, {text, n}, name, c);
}

std::vector<BoxWalk::KeyedValue> MebxLocationKeys(const ByteReader& file, const Box& stsd, bool placeNames) {
    std::vector<BoxWalk::KeyedValue> out;
    Box entry, keys;
    // The entry follows the version, flags and count; its boxes follow its
    // reserved bytes and data reference index.
    if (!ReadBox(file, stsd.body + 8, stsd.end, entry) || !entry.Is(Fourcc("mebx")) ||
        !FindChild(file, {entry.body + 8, entry.end - entry.body - 8}, Fourcc("keys"), keys))
        return out;
    ForEachBox(file, keys.Body(), [&](const Box& key) {
        Box keyd;
        if (!FindChild(file, key.Body(), Fourcc("keyd"), keyd) || keyd.end - keyd.body <= 4) return true;
        const int64_t n = keyd.end - keyd.body - 4;  // after the namespace
        const uint8_t* name = file.Span(keyd.body + 4, n);
        const KeyKind kind = name != nullptr ? LocationKey(std::string(name, name + n)) : KeyKind::Other;
        if (kind == KeyKind::Location) out.push_back({key.type, FindKind::TimedGps});
        else if (kind == KeyKind::PlaceName && placeNames) out.push_back({key.type, FindKind::PlaceName});
        return out.size() < kMaxKeys;
    });
    // Sorted by id, so that each value's box finds its key at once.
    std::sort(out.begin(), out.end(),
              [](const BoxWalk::KeyedValue& a, const BoxWalk::KeyedValue& b) { return a.id < b.id; });
    return out;
}

namespace {

// Apple's timed metadata samples: each a run of boxes, a box's type the
// local id of its key. The values of the keys `t` names are zeroed, every
// box header kept; a sample whose boxes do not parse may hold one and
// cannot be cleaned.
void ScanKeyedSamples(BoxWalk& w, const BoxWalk::Timed& t, const std::vector<ByteRange>& samples) {
    struct Kind {
        PositionFind first{FindKind::TimedGps, -1, true};
        StripPlan plan;
    } kinds[2];  // positions, place names
    kinds[1].first.kind = FindKind::PlaceName;
    ByteRange bad{-1, 0};
    for (const ByteRange& r : samples) {
        const int64_t stop = ForEachBox(w.file, r, [&](const Box& b) {
            const auto key = std::lower_bound(t.keys.begin(), t.keys.end(), b.type,
                                              [](const BoxWalk::KeyedValue& k, uint32_t id) { return k.id < id; });
            if (key == t.keys.end() || key->id != b.type || b.end == b.body || Blank(w.file, b.body, b.end - b.body))
                return true;
            Kind& k = kinds[key->kind == FindKind::PlaceName ? 1 : 0];
            if (k.first.pos < 0) {
                k.first.pos = b.body;
                k.first.len = b.end - b.body;
            }
            k.plan.Zero(b.Body());
            return true;
        });
        if (stop < r.End()) {
            bad = {stop, r.End() - stop};
            break;
        }
    }
    if (bad.pos >= 0) {
        PositionFind f(FindKind::TimedGps, bad.pos, false, FindWhy::TimedGpsUnreadable);
        f.len = bad.len;
        w.sink.Add(f, t.at);
        return;
    }
    for (const Kind& k : kinds)
        if (k.first.pos >= 0) w.sink.AddPayload({k.first}, k.plan, t.at);
}

}  // namespace

void WalkTimedTracks(BoxWalk& w) {
    const MediaData media(w.media);
    // A sample outside the media data would be another box's bytes.
    auto inMedia = [&](const ByteRange& r) { return media.Holds(r); };
    for (const BoxWalk::Timed& t : w.timed) {
        std::vector<ByteRange> samples, fragments;
        bool read = TrackSamples(w.file, t.stbl, w.whole.pos, samples);
        if (read && w.fragmented) {
            read = FragmentSamples(w.file, w.whole, t.trackId, fragments);
            samples.insert(samples.end(), fragments.begin(), fragments.end());
            read = read && SamplesDisjoint(samples);
        }
        read = read && std::all_of(samples.begin(), samples.end(), [&](const ByteRange& r) {
            return r.len == 0 || inMedia(r);
        });
        if (!read) {
            PositionFind f(FindKind::TimedGps, t.stbl.pos, false,
                           w.fragmented ? FindWhy::TimedTrackFragmented : FindWhy::TimedGpsUnreadable);
            f.len = t.stbl.end - t.stbl.pos;
            w.sink.Add(f, t.at);
            continue;
        }
        if (!t.keys.empty()) {
            ScanKeyedSamples(w, t, samples);
            continue;
        }
        const TimedGpsScan scan = ScanTimedGps(w.file, t.read, samples);
        w.sink.AddPayload(scan.finds, scan.plan, t.at);
    }
}

void WalkGpmfBox(BoxWalk& w, const Box& b, const Carrier& c) {
    const TimedGpsScan scan = ScanTimedGps(w.file, TimedFormat::Gpmf, {b.Body()});
    w.sink.AddPayload(scan.finds, scan.plan, c);
}
