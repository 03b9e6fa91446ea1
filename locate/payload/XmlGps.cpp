#include "locate/payload/XmlGps.h"

#include "locate/Opaque.h"
#include "locate/Pieces.h"
#include "locate/payload/TimedGps.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr std::string_view kExifNs = "http://ns.adobe.com/exif/1.0/";
constexpr std::string_view kXmpNoteNs = "http://ns.adobe.com/xmp/note/";
constexpr std::string_view kPhotoshopNs = "http://ns.adobe.com/photoshop/1.0/";
// The texts people write (a description, a title; Exif's mirrored ones):
// a survey camera or an app may type the coordinates into them.
constexpr std::string_view kDcNs = "http://purl.org/dc/elements/1.1/";
constexpr std::string_view kTiffNs = "http://ns.adobe.com/tiff/1.0/";
// An SVG drawing's title and description, which readers show as its metadata.
constexpr std::string_view kSvgNs = "http://www.w3.org/2000/svg";
constexpr std::string_view kIptcCoreNs = "http://iptc.org/std/Iptc4xmpCore/1.0/xmlns/";
constexpr std::string_view kIptcExtNs = "http://iptc.org/std/Iptc4xmpExt/2008-02-29/";
// Where a clip was shot (Adobe's dynamic media) and a cataloguer's location
// (iView MediaPro, later Expression Media): place names too.
constexpr std::string_view kXmpDmNs = "http://ns.adobe.com/xmp/1.0/DynamicMedia/";
constexpr std::string_view kMediaProNs = "http://ns.iview-multimedia.com/mediapro/1.0/";
// DJI drones repeat the position in their own namespace (GpsLatitude,
// GpsLongitude, Latitude, Longitude); metadata readers show it as GPS.
constexpr std::string_view kDjiNs = "http://www.dji.com/drone-dji/1.0/";
constexpr std::string_view kDjiPrefix = "drone-dji";
// Google's depth photos may give the camera's pose on the earth
// (EarthPose:Latitude, Longitude, Altitude); Darwin Core, which naturalists
// tag their photos with, its occurrence's place (dwc:decimalLatitude, ...).
// Readers show both as a position.
constexpr std::string_view kEarthPoseNs = "http://ns.google.com/photos/dd/1.0/earthpose/";
constexpr std::string_view kDwcNs = "http://rs.tdwg.org/dwc/index.htm";
// More attributes on one element than any writer produces: refused rather
// than checked for duplicates at length.
constexpr size_t kMaxAttributes = 65536;
constexpr int64_t kGuidLen = 32;

enum class Ns : uint8_t {
    kOther, kExif, kDji, kEarthPose, kDwc, kXmpNote, kUndeclared, kPhotoshop, kIptcCore, kIptcExt, kXmpDm, kMediaPro,
    kDc, kTiff, kSvg
};

// Byte classes, looked up in a table: every byte of a packet is classed.
enum : uint8_t { kSpace = 1, kNameStart = 2, kNameChar = 4, kBad = 8 };
constexpr std::array<uint8_t, 256> MakeClasses() {
    std::array<uint8_t, 256> t{};
    for (int c = 0; c < 256; ++c) {
        uint8_t k = 0;
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r') k |= kSpace;
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':' || c >= 0x80)
            k |= kNameStart | kNameChar;
        if ((c >= '0' && c <= '9') || c == '-' || c == '.') k |= kNameChar;
        // Bytes XML 1.0 never allows: control characters other than tab and line ends.
        if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') k |= kBad;
        t[static_cast<size_t>(c)] = k;
    }
    return t;
}
constexpr std::array<uint8_t, 256> kClasses = MakeClasses();

bool IsSpace(uint8_t c) { return kClasses[c] & kSpace; }
bool IsNameStart(uint8_t c) { return kClasses[c] & kNameStart; }
bool IsNameChar(uint8_t c) { return kClasses[c] & kNameChar; }
bool IsBadByte(uint8_t c) { return kClasses[c] & kBad; }

// Character data that needs no look: inside the root, any byte from 0x20
// on but '<', '&' and '>'; outside it, white space. The index of the first
// byte at or after i that needs one, or n. XMP pads its packets with
// kilobytes of spaces, so 16 bytes are looked at together where the
// processor can.
int64_t SkipPlainText(const uint8_t* p, int64_t i, int64_t n, bool outside) {
#if defined(__SSE2__)
    const __m128i lt = _mm_set1_epi8('<'), amp = _mm_set1_epi8('&'), gt = _mm_set1_epi8('>');
    const __m128i below = _mm_set1_epi8(0x1F);
    const __m128i sp = _mm_set1_epi8(' '), tab = _mm_set1_epi8('\t'), nl = _mm_set1_epi8('\n'),
                  cr = _mm_set1_epi8('\r');
    for (; i + 16 <= n; i += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        int look;
        if (outside) {
            const __m128i space = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(a, sp), _mm_cmpeq_epi8(a, tab)),
                                               _mm_or_si128(_mm_cmpeq_epi8(a, nl), _mm_cmpeq_epi8(a, cr)));
            look = ~_mm_movemask_epi8(space) & 0xFFFF;
        } else {
            const __m128i control = _mm_cmpeq_epi8(_mm_min_epu8(a, below), a);  // a <= 0x1F
            const __m128i markup = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(a, lt), _mm_cmpeq_epi8(a, amp)),
                                                _mm_cmpeq_epi8(a, gt));
            look = _mm_movemask_epi8(_mm_or_si128(control, markup));
        }
        if (look != 0) return i + __builtin_ctz(static_cast<unsigned>(look));
    }
#endif
    for (; i < n; ++i) {
        const uint8_t c = p[i];
        const bool plain = outside ? IsSpace(c) : c >= 0x20 && c != '<' && c != '&' && c != '>';
        if (!plain) return i;
    }
    return n;
}
bool IsXmlChar(uint32_t c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
           (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}
uint8_t Lower(uint8_t c) { return c >= 'A' && c <= 'Z' ? static_cast<uint8_t>(c + 32) : c; }

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Lower(static_cast<uint8_t>(a[i])) != Lower(static_cast<uint8_t>(b[i]))) return false;
    return true;
}
bool IsGpsName(std::string_view local) { return local.size() >= 3 && EqualsNoCase(local.substr(0, 3), "GPS"); }
// A name ending "Latitude" or "Longitude" (any case): in the exif
// namespace, "GPSLatitude" whose "GPS" is damaged.
bool EndsLatLon(std::string_view local) {
    for (std::string_view w : {std::string_view("Latitude"), std::string_view("Longitude")})
        if (local.size() >= w.size() && EqualsNoCase(local.substr(local.size() - w.size()), w)) return true;
    return false;
}
bool IsDjiName(std::string_view local) {
    return IsGpsName(local) || EqualsNoCase(local, "Latitude") || EqualsNoCase(local, "Longitude");
}
// `prefix` is the one the name was resolved through: an undeclared prefix,
// or one bound to a namespace of no rule (mistyped, as the exif namespace
// without its last '/', or a writer's own), counts as the exif namespace,
// and as DJI's when it is DJI's own prefix; readers take such names by
// their prefix or their own name.
bool IsPosition(Ns ns, std::string_view prefix, std::string_view local) {
    switch (ns) {
        case Ns::kExif: return IsGpsName(local) || EndsLatLon(local);
        case Ns::kDji: return IsDjiName(local);
        case Ns::kEarthPose:
            return EqualsNoCase(local, "Latitude") || EqualsNoCase(local, "Longitude") ||
                   EqualsNoCase(local, "Altitude");
        case Ns::kDwc:
            return local == "decimalLatitude" || local == "decimalLongitude" || local == "verbatimLatitude" ||
                   local == "verbatimLongitude" || local == "verbatimCoordinates" || local == "footprintWKT";
        case Ns::kOther:
        case Ns::kUndeclared: return prefix == kDjiPrefix ? IsDjiName(local) : IsGpsName(local);
        default: return false;
    }
}

bool IsCaption(Ns ns, std::string_view local) {
    // A namespace no rule knows (a known one damaged, a writer's own) is
    // read by its names, as readers show them.
    if (ns == Ns::kOther || ns == Ns::kUndeclared)
        for (Ns known : {Ns::kDc, Ns::kPhotoshop, Ns::kXmpDm, Ns::kExif, Ns::kTiff})
            if (IsCaption(known, local)) return true;
    return (ns == Ns::kDc && (local == "description" || local == "title" || local == "subject")) ||
           (ns == Ns::kPhotoshop && (local == "Headline" || local == "Instructions")) ||
           (ns == Ns::kXmpDm && local == "logComment") || (ns == Ns::kExif && local == "UserComment") ||
           (ns == Ns::kTiff && local == "ImageDescription") ||
           (ns == Ns::kSvg && (local == "title" || local == "desc"));
}

bool IsPlace(Ns ns, std::string_view local) {
    switch (ns) {
        case Ns::kPhotoshop: return local == "City" || local == "State" || local == "Country";
        case Ns::kIptcCore: return local == "Location" || local == "CountryCode";
        case Ns::kIptcExt: return local == "LocationCreated" || local == "LocationShown";
        case Ns::kXmpDm: return local == "shotLocation";
        case Ns::kMediaPro: return local == "Location";
        case Ns::kDwc:
            for (std::string_view place : {"continent", "country", "countryCode", "county", "higherGeography",
                                           "island", "islandGroup", "locality", "municipality", "stateProvince",
                                           "verbatimLocality", "waterBody"})
                if (local == place) return true;
            return false;
        default: return false;
    }
}

void AppendUtf8(std::string& s, uint32_t c) {
    if (c < 0x80) {
        s += static_cast<char>(c);
    } else if (c < 0x800) {
        s += static_cast<char>(0xC0 | c >> 6);
        s += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        s += static_cast<char>(0xE0 | c >> 12);
        s += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        s += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        s += static_cast<char>(0xF0 | c >> 18);
        s += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        s += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        s += static_cast<char>(0x80 | (c & 0x3F));
    }
}

struct Attr {
    std::string_view name;
    int64_t start = 0;       // name's first byte
    int64_t valueStart = 0;  // after the opening quote
    int64_t valueEnd = 0;    // at the closing quote
    bool hasRef = false;
};

struct Open {
    std::string_view name;
    size_t bindings;          // binding count before this element's declarations
    int64_t start;
    int64_t contentStart;
    bool gps;                 // an outermost position property
    bool place;               // ... which is a place's name
    bool guid;                // xmpNote:HasExtendedXMP with no child element so far
    bool caption;             // a text people write (see IsCaption), outside any position
    bool iso6709 = false;     // its own text (outside its children) holds an ISO 6709 string
};

class Parser {
public:
    Parser(const uint8_t* p, int64_t n, bool placeNames) : m_p(p), m_n(n), m_placeNames(placeNames) {}

    bool Run(XmlGpsResult& out) {
        m_out = &out;
        if (m_n >= 3 && m_p[0] == 0xEF && m_p[1] == 0xBB && m_p[2] == 0xBF) m_i = 3;
        m_docStart = m_i;
        while (m_i < m_n) {
            if (m_p[m_i] != '<') {
                if (!Text()) return false;
            } else if (!Markup()) {
                return false;
            }
        }
        return m_rootSeen && m_stack.empty();
    }

private:
    bool At(int64_t i, std::string_view s) const {
        return i >= 0 && i <= m_n && static_cast<int64_t>(s.size()) <= m_n - i &&
               std::memcmp(m_p + i, s.data(), s.size()) == 0;
    }
    // Position of `s` at or after `from`, or -1.
    int64_t Find(int64_t from, std::string_view s) const {
        const uint8_t* end = m_p + m_n;
        const uint8_t* hit = std::search(m_p + from, end, s.begin(), s.end());
        return hit == end ? -1 : hit - m_p;
    }
    bool CheckBytes(int64_t from, int64_t to) const {
        for (int64_t i = from; i < to; ++i)
            if (IsBadByte(m_p[i])) return false;
        return true;
    }
    std::string_view View(int64_t from, int64_t to) const {
        return {reinterpret_cast<const char*>(m_p + from), static_cast<size_t>(to - from)};
    }
    bool Name(std::string_view& name) {
        int64_t s = m_i;
        if (m_i >= m_n || !IsNameStart(m_p[m_i])) return false;
        while (m_i < m_n && IsNameChar(m_p[m_i])) ++m_i;
        name = View(s, m_i);
        return true;
    }
    bool SkipSpace() {
        int64_t s = m_i;
        while (m_i < m_n && IsSpace(m_p[m_i])) ++m_i;
        return m_i > s;
    }

    // A reference at m_i ('&'); on success m_i is past ';' and `c` holds the character.
    bool Reference(uint32_t& c) {
        int64_t i = m_i + 1;
        if (i < m_n && m_p[i] == '#') {
            ++i;
            bool hex = i < m_n && m_p[i] == 'x';
            if (hex) ++i;
            int64_t digits = i;
            uint64_t v = 0;
            for (; i < m_n && m_p[i] != ';'; ++i) {
                uint8_t d = m_p[i];
                int x = d >= '0' && d <= '9' ? d - '0'
                        : hex && Lower(d) >= 'a' && Lower(d) <= 'f' ? Lower(d) - 'a' + 10
                                                                      : -1;
                if (x < 0) return false;
                v = v * (hex ? 16 : 10) + static_cast<uint64_t>(x);
                if (v > 0x10FFFF) return false;
            }
            if (i >= m_n || i == digits || !IsXmlChar(static_cast<uint32_t>(v))) return false;
            c = static_cast<uint32_t>(v);
            m_i = i + 1;
            return true;
        }
        static const struct { std::string_view name; uint32_t c; } kPredefined[] = {
            {"lt;", '<'}, {"gt;", '>'}, {"amp;", '&'}, {"apos;", '\''}, {"quot;", '"'}};
        for (const auto& e : kPredefined)
            if (At(i, e.name)) {
                c = e.c;
                m_i = i + static_cast<int64_t>(e.name.size());
                return true;
            }
        return false;  // no DTD: no other entity exists
    }

    bool Text() {
        const int64_t s = m_i;
        const bool outside = m_stack.empty();  // only white space outside the root
        const uint8_t* p = m_p;
        int64_t i = m_i;
        while ((i = SkipPlainText(p, i, m_n, outside)) < m_n) {
            const uint8_t c = p[i];
            if (c == '<') break;
            if (outside && !IsSpace(c)) return false;
            if (IsBadByte(c)) return false;
            if (c == '&') {
                uint32_t ch;
                m_i = i;
                if (!Reference(ch)) return false;
                i = m_i;
                continue;
            }
            if (c == '>' && i - s >= 2 && p[i - 1] == ']' && p[i - 2] == ']') return false;
            ++i;
        }
        m_i = i;
        OwnText(s, i);
        return true;
    }

    // Text of the open element's own: an ISO 6709 string there makes it a
    // position property, whatever its name.
    void OwnText(int64_t from, int64_t to) {
        if (!m_stack.empty() && m_gpsDepth < 0 && HoldsIso6709(m_p + from, to - from)) m_stack.back().iso6709 = true;
    }

    bool Markup() {
        if (At(m_i, "<?")) return Pi();
        if (At(m_i, "<!--")) return Comment();
        if (At(m_i, "<![CDATA[")) return CData();
        if (At(m_i, "<!")) return false;  // DOCTYPE and declarations: not in XMP
        if (At(m_i, "</")) return EndTag();
        return StartTag();
    }

    bool Pi() {
        int64_t start = m_i;
        m_i += 2;
        std::string_view target;
        if (!Name(target)) return false;
        bool isXml = EqualsNoCase(target, "xml");
        if (isXml && (target != "xml" || start != m_docStart)) return false;
        if (m_i < m_n && !IsSpace(m_p[m_i]) && !At(m_i, "?>")) return false;
        int64_t end = Find(m_i, "?>");
        if (end < 0) {
            // A packet cut inside its closing <?xpacket end="w"?> still parses.
            if (m_rootSeen && m_stack.empty() && target == "xpacket" && CheckBytes(m_i, m_n)) {
                m_i = m_n;
                return true;
            }
            return false;
        }
        if (!CheckBytes(m_i, end)) return false;
        if (isXml && !Utf8Declared(View(m_i, end))) return false;
        m_i = end + 2;
        return true;
    }

    // The XML declaration names no encoding, or UTF-8.
    static bool Utf8Declared(std::string_view decl) {
        size_t k = decl.find("encoding");
        if (k == std::string_view::npos) return true;
        k += 8;
        while (k < decl.size() && IsSpace(static_cast<uint8_t>(decl[k]))) ++k;
        if (k >= decl.size() || decl[k] != '=') return false;
        ++k;
        while (k < decl.size() && IsSpace(static_cast<uint8_t>(decl[k]))) ++k;
        if (k >= decl.size() || (decl[k] != '"' && decl[k] != '\'')) return false;
        size_t e = decl.find(decl[k], k + 1);
        return e != std::string_view::npos && EqualsNoCase(decl.substr(k + 1, e - k - 1), "UTF-8");
    }

    bool Comment() {
        int64_t end = Find(m_i + 4, "--");
        if (end < 0 || !At(end, "-->") || !CheckBytes(m_i + 4, end)) return false;
        m_i = end + 3;
        return true;
    }

    bool CData() {
        if (m_stack.empty()) return false;
        int64_t end = Find(m_i + 9, "]]>");
        if (end < 0 || !CheckBytes(m_i + 9, end)) return false;
        m_stack.back().guid = false;
        OwnText(m_i + 9, end);
        m_i = end + 3;
        return true;
    }

    Ns Resolve(std::string_view prefix) const {
        if (prefix == "xml") return Ns::kOther;
        auto it = m_scopes.find(prefix);
        if (it != m_scopes.end() && !it->second.empty()) return it->second.back();
        return prefix.empty() ? Ns::kOther : Ns::kUndeclared;
    }

    void Bind(std::string_view prefix, Ns ns) {
        m_scopes[prefix].push_back(ns);
        m_bindings.push_back(prefix);
    }

    void Unbind(size_t count) {
        while (m_bindings.size() > count) {
            m_scopes[m_bindings.back()].pop_back();
            m_bindings.pop_back();
        }
    }

    static void Split(std::string_view name, std::string_view& prefix, std::string_view& local) {
        size_t colon = name.find(':');
        if (colon == std::string_view::npos) {
            prefix = {};
            local = name;
        } else {
            prefix = name.substr(0, colon);
            local = name.substr(colon + 1);
        }
    }

    // The value of an attribute as the XML processor delivers it.
    std::string Decoded(const Attr& a) {
        std::string s;
        int64_t keep = m_i;
        for (m_i = a.valueStart; m_i < a.valueEnd;) {
            uint8_t c = m_p[m_i];
            if (c == '&') {
                uint32_t ch = 0;
                Reference(ch);  // already checked
                AppendUtf8(s, ch);
            } else {
                s += IsSpace(c) ? ' ' : static_cast<char>(c);
                ++m_i;
            }
        }
        m_i = keep;
        return s;
    }

    bool Attribute() {
        Attr a;
        a.start = m_i;
        if (!Name(a.name)) return false;
        SkipSpace();
        if (m_i >= m_n || m_p[m_i] != '=') return false;
        ++m_i;
        SkipSpace();
        if (m_i >= m_n || (m_p[m_i] != '"' && m_p[m_i] != '\'')) return false;
        uint8_t quote = m_p[m_i++];
        a.valueStart = m_i;
        while (m_i < m_n && m_p[m_i] != quote) {
            uint8_t c = m_p[m_i];
            if (c == '<' || IsBadByte(c)) return false;
            if (c == '&') {
                uint32_t ch;
                if (!Reference(ch)) return false;
                a.hasRef = true;
                continue;
            }
            ++m_i;
        }
        if (m_i >= m_n) return false;
        a.valueEnd = m_i++;
        m_attrs.push_back(a);
        return m_attrs.size() <= kMaxAttributes;
    }

    bool NoDuplicateAttributes() {
        if (m_attrs.size() < 2) return true;
        m_names.clear();
        for (const Attr& a : m_attrs) m_names.push_back(a.name);
        // By length first: most names differ in it, and equal names stay adjacent.
        std::sort(m_names.begin(), m_names.end(), [](std::string_view a, std::string_view b) {
            return a.size() != b.size() ? a.size() < b.size() : a < b;
        });
        return std::adjacent_find(m_names.begin(), m_names.end()) == m_names.end();
    }

    void AddProp(int64_t off, int64_t end, bool element, bool root, bool place) {
        m_out->props.push_back({off, end - off, element, root, place});
    }
    bool Place(Ns ns, std::string_view local) const { return m_placeNames && IsPlace(ns, local); }

    // A 32-byte GUID between `from` and `to`, surrounded only by white space.
    void AddGuid(int64_t from, int64_t to) {
        while (from < to && IsSpace(m_p[from])) ++from;
        while (to > from && IsSpace(m_p[to - 1])) --to;
        if (to - from == kGuidLen) m_out->guidOffsets.push_back(from);
    }

    bool StartTag() {
        if (m_rootSeen && m_stack.empty()) return false;  // a second root
        int64_t start = m_i++;
        std::string_view name;
        if (!Name(name)) return false;
        m_attrs.clear();
        bool empty = false;
        for (;;) {
            bool space = SkipSpace();
            if (m_i >= m_n) return false;
            if (m_p[m_i] == '>') {
                ++m_i;
                break;
            }
            if (At(m_i, "/>")) {
                m_i += 2;
                empty = true;
                break;
            }
            if (!space || !Attribute()) return false;
        }
        if (!NoDuplicateAttributes()) return false;

        size_t bindingsBefore = m_bindings.size();
        for (const Attr& a : m_attrs) {
            if (a.name != "xmlns" && a.name.substr(0, 6) != "xmlns:") continue;
            std::string_view prefix = a.name == "xmlns" ? std::string_view{} : a.name.substr(6);
            if (a.name.size() == 6) return false;  // "xmlns:" binds no prefix
            std::string uri = Decoded(a);
            Ns ns = uri == kExifNs     ? Ns::kExif
                    : uri == kDjiNs    ? Ns::kDji
                    : uri == kEarthPoseNs ? Ns::kEarthPose
                    : uri == kDwcNs    ? Ns::kDwc
                    : uri == kXmpNoteNs ? Ns::kXmpNote
                    : uri == kPhotoshopNs ? Ns::kPhotoshop
                    : uri == kIptcCoreNs ? Ns::kIptcCore
                    : uri == kIptcExtNs ? Ns::kIptcExt
                    : uri == kXmpDmNs ? Ns::kXmpDm
                    : uri == kMediaProNs ? Ns::kMediaPro
                    : uri == kDcNs ? Ns::kDc
                    : uri == kTiffNs ? Ns::kTiff
                    : uri == kSvgNs ? Ns::kSvg
                                        : Ns::kOther;
            Bind(prefix, ns);
        }

        if (!m_stack.empty()) m_stack.back().guid = false;
        bool root = m_stack.empty();
        m_rootSeen = true;
        std::string_view prefix, local;
        Split(name, prefix, local);
        Ns elementNs = Resolve(prefix);
        bool inGps = m_gpsDepth >= 0;
        const bool place = !inGps && Place(elementNs, local);
        bool gps = !inGps && (IsPosition(elementNs, prefix, local) || place);
        bool guidElement = !inGps && elementNs == Ns::kXmpNote && local == "HasExtendedXMP";

        if (!gps && !inGps) {
            for (const Attr& a : m_attrs) {
                if (a.name == "xmlns" || a.name.substr(0, 6) == "xmlns:") continue;
                std::string_view ap, al;
                Split(a.name, ap, al);
                Ns ns = ap.empty() ? elementNs : Resolve(ap);
                if (IsPosition(ns, ap.empty() ? prefix : ap, al) || Place(ns, al) ||
                    (IsCaption(ns, al) && TextNamesCoordinate(m_p + a.valueStart, a.valueEnd - a.valueStart)) ||
                    HoldsIso6709(m_p + a.valueStart, a.valueEnd - a.valueStart))
                    AddProp(a.start, a.valueEnd + 1, false, false, Place(ns, al));
                else if (ns == Ns::kXmpNote && al == "HasExtendedXMP" && !a.hasRef)
                    AddGuid(a.valueStart, a.valueEnd);
            }
        }

        if (empty) {
            Unbind(bindingsBefore);
            if (gps) AddProp(start, m_i, true, root, place);
            return true;
        }
        if (gps) m_gpsDepth = static_cast<int64_t>(m_stack.size());
        const bool caption = !gps && !inGps && IsCaption(elementNs, local);
        m_stack.push_back({name, bindingsBefore, start, m_i, gps, place, guidElement, caption});
        return true;
    }

    bool EndTag() {
        if (m_stack.empty()) return false;
        int64_t tagStart = m_i;
        m_i += 2;
        std::string_view name;
        if (!Name(name)) return false;
        SkipSpace();
        if (m_i >= m_n || m_p[m_i] != '>') return false;
        ++m_i;
        Open o = m_stack.back();
        if (name != o.name) return false;
        m_stack.pop_back();
        Unbind(o.bindings);
        if (o.gps) {
            AddProp(o.start, m_i, true, m_stack.empty(), o.place);
            m_gpsDepth = -1;
        } else if ((o.caption && TextNamesCoordinate(m_p + o.contentStart, tagStart - o.contentStart)) ||
                   o.iso6709) {
            // Blanked whole: what it holds goes with it.
            auto& props = m_out->props;
            const auto inside = [&](int64_t off) { return off >= o.start; };
            props.erase(std::find_if(props.begin(), props.end(), [&](const auto& q) { return inside(q.off); }),
                        props.end());
            auto& guids = m_out->guidOffsets;
            guids.erase(std::find_if(guids.begin(), guids.end(), inside), guids.end());
            AddProp(o.start, m_i, true, m_stack.empty(), false);
        } else if (o.guid) {
            AddGuid(o.contentStart, tagStart);
        }
        return true;
    }

    const uint8_t* m_p;
    int64_t m_n;
    int64_t m_i = 0;
    int64_t m_docStart = 0;
    bool m_rootSeen = false;
    bool m_placeNames;
    int64_t m_gpsDepth = -1;  // stack index of the open position element, or -1
    XmlGpsResult* m_out = nullptr;
    std::vector<Open> m_stack;
    std::vector<std::string_view> m_bindings;  // prefixes bound, innermost last
    std::unordered_map<std::string_view, std::vector<Ns>> m_scopes;
    std::vector<Attr> m_attrs;
    std::vector<std::string_view> m_names;
};

}  // namespace

XmlGpsResult ScanXmlForGps(const uint8_t* p, int64_t n, bool placeNames) {
    XmlGpsResult r;
    if (!p || n <= 0) return r;
    while (n > 0 && p[n - 1] == 0) --n;
    Parser parser(p, n, placeNames);
    r.parsed = parser.Run(r);
    if (!r.parsed) {
        r.props.clear();
        r.guidOffsets.clear();
    }
    return r;
}

namespace {

// The next place at or after i that may begin "GPS" or "DJI": a 'g' or 'd'
// in either case followed by a 'p' or 'j' in either case or by a NUL (the
// wide spellings); or n. Every byte of every packet passes through here,
// so 16 places are looked at together where the processor can.
int64_t NextCandidate(const uint8_t* p, int64_t i, int64_t n) {
    auto second = [](uint8_t c) { return c == 0 || (c | 0x20) == 'p' || (c | 0x20) == 'j'; };
#if defined(__SSE2__)
    const __m128i lowerBit = _mm_set1_epi8(0x20);
    const __m128i g = _mm_set1_epi8('g'), d = _mm_set1_epi8('d');
    const __m128i pp = _mm_set1_epi8('p'), j = _mm_set1_epi8('j'), zero = _mm_setzero_si128();
    for (; i + 17 <= n; i += 16) {
        const __m128i a = _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i)), lowerBit);
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 1));
        const __m128i bl = _mm_or_si128(b, lowerBit);
        const __m128i first = _mm_or_si128(_mm_cmpeq_epi8(a, g), _mm_cmpeq_epi8(a, d));
        const __m128i next = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(bl, pp), _mm_cmpeq_epi8(bl, j)),
                                          _mm_cmpeq_epi8(b, zero));
        const int hits = _mm_movemask_epi8(_mm_and_si128(first, next));
        if (hits != 0) return i + __builtin_ctz(static_cast<unsigned>(hits));
    }
#endif
    // Only 'G' and 'g' give 'g' with the bit 0x20 set, only 'D' and 'd' give 'd'.
    for (; i + 1 < n; ++i)
        if (((p[i] | 0x20) == 'g' || (p[i] | 0x20) == 'd') && second(p[i + 1])) return i;
    return n;
}

}  // namespace

bool MayHoldGps(const uint8_t* p, int64_t n) {
    if (!p || n <= 0) return false;
    // An entity declaration could build any name; the namespaces whose
    // positions have other names are looked for by their own.
    const std::string_view text(reinterpret_cast<const char*>(p), static_cast<size_t>(n));
    for (std::string_view s : {std::string_view("<!ENTITY"), kEarthPoseNs, kDwcNs})
        if (text.find(s) != std::string_view::npos) return true;
    for (int64_t i = NextCandidate(p, 0, n); i < n; i = NextCandidate(p, i + 1, n)) {
        const bool g = Lower(p[i]) == 'g';
        const uint8_t second = g ? 'p' : 'j', third = g ? 's' : 'i';
        for (int64_t step : {1, 2, 4}) {
            if (2 * step >= n - i) continue;
            bool between = true;
            for (int64_t k = 1; k < step; ++k)
                between = between && p[i + k] == 0 && p[i + step + k] == 0;
            if (between && Lower(p[i + step]) == second && Lower(p[i + 2 * step]) == third) return true;
        }
    }
    return false;
}

bool MayHoldPlace(const uint8_t* p, int64_t n) {
    if (!p || n <= 0) return false;
    if (MayHoldGps(p, n)) return true;  // an entity declaration could build any name
    static constexpr std::string_view kWords[] = {"city", "state", "country", "location"};
    for (int64_t i = 0; i < n; ++i)
        for (std::string_view w : kWords) {
            if (Lower(p[i]) != static_cast<uint8_t>(w[0])) continue;
            for (int64_t step : {1, 2, 4}) {
                const int64_t last = i + step * static_cast<int64_t>(w.size() - 1);
                if (last >= n) continue;
                bool match = true;
                for (int64_t k = 1; match && k < static_cast<int64_t>(w.size()); ++k) {
                    match = Lower(p[i + step * k]) == static_cast<uint8_t>(w[static_cast<size_t>(k)]);
                    for (int64_t z = 1; match && z < step; ++z) match = p[i + step * (k - 1) + z] == 0;
                }
                if (match) return true;
            }
        }
    return false;
}

bool MayHoldCaptionPosition(const uint8_t* p, int64_t n) {
    if (!p || n <= 0) return false;
    // Looked for first, as every packet passes through here and few hold
    // these names: the end of a dc:description, dc:title or dc:subject
    // element (at each '>') or attribute (at each '='), or an SVG
    // drawing's desc, and names starting with rare capitals.
    const auto ends = [&](const uint8_t* at, std::string_view w) {
        while (at > p && IsSpace(at[-1])) --at;
        const auto m = static_cast<int64_t>(w.size());
        return at - p >= m && std::memcmp(at - m, w.data(), w.size()) == 0;
    };
    bool named = false;
    for (std::string_view name : {"ImageDescription", "UserComment", "Headline", "Instructions", "logComment"})
        named = named || FindBytes(p, n, name) != nullptr;
    for (std::string_view mark : {">", "="})
        for (const uint8_t* at = FindBytes(p, n, mark); !named && at != nullptr;
             at = FindBytes(at + 1, n - (at + 1 - p), mark))
            named = ends(at, "description") || ends(at, "title") || ends(at, "subject") || ends(at, "desc");
    return named && TextNamesCoordinate(p, n);
}

bool MayHoldPosition(const uint8_t* p, int64_t n) {
    if (p == nullptr || n <= 0) return false;
    // "Latitude" or "Longitude" may end a GPS name whose "GPS" is damaged.
    const bool latLon = FindBytes(p, n, "atitude") != nullptr || FindBytes(p, n, "ongitude") != nullptr;
    return MayHoldGps(p, n) || latLon || MayHoldCaptionPosition(p, n) || HoldsIso6709(p, n);
}
