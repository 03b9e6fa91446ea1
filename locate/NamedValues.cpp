#include "locate/NamedValues.h"

#include "locate/Opaque.h"
#include "locate/Pieces.h"
#include "locate/Sink.h"
#include "locate/payload/Base64.h"
#include "locate/payload/TimedGps.h"

#include <algorithm>
#include <string>

namespace {

std::string Lower(std::string_view name) {
    std::string n(name);
    std::transform(n.begin(), n.end(), n.begin(), [](char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; });
    return n;
}

bool Blank(uint8_t c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// True when "GPS" stands in the text as a word of its own (not "GPSMAP")
// with a digit after it: a fix written out ("GPS 35.6586 N", "GPS: 35°39'"),
// where a label ("source": "GPS") or a device's name holds none.
bool GpsBeforeNumber(const uint8_t* p, int64_t n) {
    constexpr int64_t kNear = 48;
    for (const uint8_t* g = FindBytes(p, n, "GPS"); g != nullptr; g = FindBytes(g + 1, n - (g + 1 - p), "GPS")) {
        const int64_t at = g - p + 3;
        if (at < n && ((p[at] >= 'A' && p[at] <= 'Z') || (p[at] >= 'a' && p[at] <= 'z'))) continue;
        for (int64_t i = at; i < n && i < at + kNear; ++i)
            if (p[i] >= '0' && p[i] <= '9') return true;
    }
    return false;
}

// True when a place's value opens as an ISO 6709 latitude does ("+35.6",
// "-3539", unpadded "+1.35"), as a clip's "location" does: what follows
// may be damaged, but a place's name never starts so.
bool OpensLikeIso6709(const uint8_t* p, int64_t n) {
    int64_t i = 0;
    while (i < n && Blank(p[i])) ++i;
    const auto digit = [&](int64_t k) { return p[k] >= '0' && p[k] <= '9'; };
    return n - i >= 4 && (p[i] == '+' || p[i] == '-') && digit(i + 1) &&
           ((digit(i + 2) && (p[i + 3] == '.' || digit(i + 3))) || (p[i + 2] == '.' && digit(i + 3)));
}

// The base64 text of a picture the value at r holds: all of it, or a data
// URI's after ";base64,"; empty when it holds none.
ByteRange PictureText(const uint8_t* p, ByteRange r) {
    constexpr std::string_view kMarker = ";base64,";
    int64_t from = r.pos;
    while (from < r.End() && Blank(p[from])) ++from;
    if (r.End() - from > 5 && std::equal(p + from, p + from + 5, "data:")) {
        const auto* hit = std::search(p + from, p + std::min(r.End(), from + 256), kMarker.begin(), kMarker.end());
        from = hit - p + static_cast<int64_t>(kMarker.size());
    }
    return from < r.End() && StartsHeldPicture(p + from, r.End() - from) ? ByteRange{from, r.End() - from}
                                                                          : ByteRange{r.pos, 0};
}

}  // namespace

bool NamesPositionWord(std::string_view name) {
    const std::string n = Lower(name);
    const auto ends = [&](std::string_view w) {
        return n.size() >= w.size() && n.compare(n.size() - w.size(), w.size(), w) == 0;
    };
    return n.rfind("latitude", 0) == 0 || n.rfind("longitude", 0) == 0 || ends("latitude") || ends("longitude") ||
           n == "lat" || n == "lon" || n == "lng" || n == "coordinates" || n.find("gps") != std::string::npos;
}

bool NamesPosition(std::string_view name) {
    return NamesPositionWord(name) || Lower(name.substr(0, 3)) == "geo";
}

bool PlaceHoldsCoordinate(const uint8_t* p, int64_t n) {
    if (OpensLikeIso6709(p, n)) return true;
    // Words have letters side by side (any byte past ASCII counts as one);
    // a coordinate string damaged anywhere still reads as numbers, one with
    // decimals (a postal code or a place's number has none).
    constexpr int kDigits = 6;
    const auto letter = [](uint8_t c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c >= 0x80; };
    const auto digit = [](uint8_t c) { return c >= '0' && c <= '9'; };
    int digits = 0;
    bool decimals = false;
    for (int64_t i = 0; i < n; ++i) {
        if (i > 0 && letter(p[i]) && letter(p[i - 1])) return false;
        digits += digit(p[i]);
        const bool point = p[i] == '.' || p[i] == ',';
        decimals = decimals || (point && i > 0 && i + 1 < n && digit(p[i - 1]) && digit(p[i + 1]));
    }
    return digits >= kDigits && decimals;
}

bool NamesPlace(std::string_view name) {
    const std::string n = Lower(name);
    for (const char* w : {"city", "state", "province", "region", "country", "countrycode", "locality",
                          "sublocality", "address", "street", "place", "placename", "location", "landmark"})
        if (n == w) return true;
    return false;
}

void AddNamedValues(Sink& sink, const uint8_t* p, ByteRange whole, const NamedValues& v, const Carrier& at) {
    StripPlan plan;
    int64_t first = -1, last = -1;
    auto blank = [&](ByteRange r, const char* text) {
        const ByteRange file{whole.pos + r.pos, r.len};
        plan.fills.push_back({plan.AddMap(ContentMap(file)), 0, file.len, ' ', text});
        first = first < 0 ? file.pos : std::min(first, file.pos);
        last = std::max(last, file.End());
    };
    // Zero (as a service writes for a photo without a position) and empty
    // text name none.
    auto holds = [&](ByteRange r, bool number) {
        return std::any_of(p + r.pos, p + r.End(),
                           [&](uint8_t c) { return number ? c >= '1' && c <= '9' : !Blank(c); });
    };
    for (const ByteRange& r : v.numbers)
        if (holds(r, true)) blank(r, "0");
    for (const ByteRange& r : v.texts)
        if (holds(r, false)) blank(r, "");
    // A place's name too may be written as a coordinate string.
    std::vector<ByteRange> others = v.strings;
    others.insert(others.end(), v.places.begin(), v.places.end());
    const HeldPictureScan scan = sink.HeldScan();
    const ContentMap doc(whole);
    for (size_t i = 0; i < others.size(); ++i) {
        const ByteRange& r = others[i];
        const bool place = i >= v.strings.size();
        // A picture held as base64 text (a data URI's, or the whole value)
        // is walked as a file of its own.
        const ByteRange picture = PictureText(p, r);
        if (picture.len > 0) {
            std::vector<PositionFind> finds;
            StripPlan rewrite;
            if (HeldPicture(p, whole.len, doc, picture, scan, finds, rewrite)) {
                for (const PositionFind& x : finds) sink.Add(x, at);
                sink.Result().plan.Append(rewrite);
            }
            continue;
        }
        if (HoldsIso6709(p + r.pos, r.len) || (place && PlaceHoldsCoordinate(p + r.pos, r.len))) {
            blank(r, "");
        } else if (GpsBeforeNumber(p + r.pos, r.len) || TextHoldsPosition(p + r.pos, r.len)) {
            PositionFind x(FindKind::Unparsed, whole.pos + r.pos, false, FindWhy::TextValueNamesPosition);
            x.len = r.len;
            sink.Add(x, at);
        }
    }
    if (first >= 0) {
        PositionFind x(FindKind::Location, first, true);
        x.len = last - first;
        sink.AddPayload({x}, plan, at);
    }
    if (!sink.PlaceNames()) return;
    // Place names, on request: one find for them all.
    plan = {};
    first = last = -1;
    for (const ByteRange& r : v.places)
        if (holds(r, false)) blank(r, "");
    if (first < 0) return;
    PositionFind x(FindKind::PlaceName, first, true);
    x.len = last - first;
    sink.AddPayload({x}, plan, at);
}

bool AddTextValue(Sink& sink, ByteRange at, const std::vector<uint8_t>& text, std::string_view name, bool wide,
                  const Carrier& c) {
    return AddTextValue(sink, ContentMap(at), at, text, name, static_cast<uint8_t>(wide ? 0 : ' '), c);
}

bool AddTextValue(Sink& sink, const ContentMap& chars, ByteRange where, const std::vector<uint8_t>& text,
                  std::string_view name, uint8_t fill, const Carrier& c) {
    if (std::all_of(text.begin(), text.end(), [](uint8_t ch) { return ch == ' ' || ch == 0; })) return false;
    const auto n = static_cast<int64_t>(text.size());
    const bool position = NamesPosition(name) || TextNamesCoordinate(text.data(), n) ||
                          (NamesPlace(name) && PlaceHoldsCoordinate(text.data(), n));
    if (!position && !(sink.PlaceNames() && NamesPlace(name))) return false;
    PositionFind f(position ? FindKind::Location : FindKind::PlaceName, where.pos, true);
    f.len = where.len;
    StripPlan plan;
    plan.fills.push_back({plan.AddMap(chars), 0, chars.Length(), fill, {}});
    sink.AddPayload({f}, plan, c);
    return true;
}

namespace {

TextRead TextAt(Sink& sink, ByteRange r, std::string_view name, const Carrier& c) {
    const uint8_t* p = TextSpan(sink.File(), r);
    if (p == nullptr) return TextRead::Unreadable;
    int64_t n = r.len;
    while (n > 0 && p[n - 1] == 0) --n;
    return AddTextValue(sink, {r.pos, n}, std::vector<uint8_t>(p, p + n), name, false, c) ? TextRead::Find
                                                                                            : TextRead::NoFind;
}

}  // namespace

const uint8_t* TextSpan(const ByteReader& file, ByteRange r) {
    constexpr int64_t kMaxText = int64_t{1} << 20;
    return r.len <= kMaxText ? file.Span(r.pos, r.len) : nullptr;
}

TextRead Utf16TextAt(Sink& sink, ByteRange r, bool bigEndian, std::string_view name, const Carrier& c) {
    const uint8_t* p = TextSpan(sink.File(), r);
    if (p == nullptr) return TextRead::Unreadable;
    int64_t n = r.len & ~int64_t{1};
    while (n >= 2 && p[n - 1] == 0 && p[n - 2] == 0) n -= 2;
    return AddTextValue(sink, {r.pos, n}, NarrowUtf16(p, n, bigEndian), name, true, c) ? TextRead::Find
                                                                                         : TextRead::NoFind;
}

bool AddTextAt(Sink& sink, ByteRange r, std::string_view name, const Carrier& c) {
    return TextAt(sink, r, name, c) != TextRead::Unreadable;
}

bool TextFindAt(Sink& sink, ByteRange r, std::string_view name, const Carrier& c) {
    return TextAt(sink, r, name, c) == TextRead::Find;
}
