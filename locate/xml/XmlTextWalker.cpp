#include "locate/xml/XmlTextWalker.h"

#include "locate/NamedValues.h"
#include "locate/Sink.h"
#include "locate/payload/XmlProlog.h"

#include <algorithm>
#include <string_view>
#include <vector>

namespace {

// A document is read whole; a larger one is not believed.
constexpr int64_t kMaxText = int64_t{64} << 20;
// Where the root element is looked for.
constexpr int64_t kMaxProlog = int64_t{64} << 10;
constexpr size_t kMaxDepth = 512;

bool NameChar(uint8_t c) {
    return !XmlSpace(c) && c != '<' && c != '>' && c != '/' && c != '=' && c != '"' && c != '\'' && c != 0;
}

std::string_view Local(std::string_view name) {
    const size_t colon = name.rfind(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

bool Is(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return (x >= 'A' && x <= 'Z' ? x - 'A' + 'a' : x) == y;
           });
}

// A name that names a position, with or without its prefix: everything
// in the "geo" and "georss" vocabularies ("geo:lat", "georss:point"), KML's
// "gx:coord", GML's "gml:pos". "geo" starts one only as a word of its own
// ("geoData", "geo_lat"; not "Georgia", "geometry").
bool NamesPositionXml(std::string_view name) {
    const std::string_view local = Local(name), prefix = name.substr(0, name.size() - local.size());
    const bool geo = local.size() >= 3 && Is(local.substr(0, 3), "geo") &&
                     (local.size() == 3 || local[3] < 'a' || local[3] > 'z');
    return Is(prefix, "geo:") || Is(prefix, "georss:") || geo || NamesPositionWord(local) || Is(local, "coord") ||
           Is(local, "pos") || Is(local, "poslist");
}

// Attributes that label an element rather than give it a value.
bool Label(std::string_view name) {
    const std::string_view local = Local(name);
    return Is(local, "name") || Is(local, "key") || Is(local, "id") || Is(local, "type");
}

// A value that is a name of a position or a place: a short word (letters,
// digits, '_', '-', ':'; blanks around it left out) naming one as a name
// does ("Latitude", "GPSLatitude", "ExifGPS"; not "GPSMAP 64s", "gps.html").
// "geo" starts none here (a language's code, "GeoJSON-paikkatieto"); nor,
// as an attribute's value, do "lat", "lon" and "lng" (Latin's code).
enum class Names { None, Position, Place };
Names NamesBy(std::string_view v, bool attribute) {
    constexpr size_t kLongest = 64;
    while (!v.empty() && XmlSpace(static_cast<uint8_t>(v.front()))) v.remove_prefix(1);
    while (!v.empty() && XmlSpace(static_cast<uint8_t>(v.back()))) v.remove_suffix(1);
    const bool word = std::all_of(v.begin(), v.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '-' ||
               c == ':';
    });
    if (v.empty() || v.size() > kLongest || !word) return Names::None;
    const bool shortName = Is(v, "lat") || Is(v, "lon") || Is(v, "lng");
    if (NamesPositionWord(v) && !(attribute && shortName)) return Names::Position;
    return NamesPlace(v) ? Names::Place : Names::None;
}

bool Declares(std::string_view name) { return name == "xmlns" || name.rfind("xmlns:", 0) == 0; }

// A number with blanks around it: "0" and spaces replace it.
bool NumberText(const uint8_t* p, ByteRange r) {
    int64_t i = r.pos, end = r.End();
    while (i < end && XmlSpace(p[i])) ++i;
    while (end > i && XmlSpace(p[end - 1])) --end;
    if (i < end && (p[i] == '-' || p[i] == '+')) ++i;
    bool digit = false, dot = false;
    for (; i < end; ++i) {
        if (p[i] >= '0' && p[i] <= '9') digit = true;
        else if (p[i] == '.' && !dot) dot = true;
        else break;
    }
    if (digit && i < end && (p[i] == 'e' || p[i] == 'E')) {
        ++i;
        if (i < end && (p[i] == '-' || p[i] == '+')) ++i;
        const int64_t exp = i;
        while (i < end && p[i] >= '0' && p[i] <= '9') ++i;
        digit = i > exp;
    }
    return digit && i == end;
}

// A number as a coordinate is written: at least three decimals.
bool CoordinateText(const uint8_t* p, ByteRange r) {
    if (!NumberText(p, r)) return false;
    const uint8_t* dot = std::find(p + r.pos, p + r.End(), '.');
    int64_t decimals = 0;
    for (const uint8_t* d = dot + (dot < p + r.End() ? 1 : 0); d < p + r.End() && *d >= '0' && *d <= '9'; ++d)
        ++decimals;
    return dot < p + r.End() && decimals >= 3;
}

// The document from its root element, read as a stack of open elements.
class Parser {
public:
    Parser(const uint8_t* p, int64_t n) : m_p(p), m_n(n) {}

    NamedValues values;
    int64_t end = 0;  // past the root element and the comments and blanks after it

    bool Document(int64_t root) {
        m_i = root;
        while (m_i < m_n) {
            if (m_stack.empty() && m_rootDone) break;
            if (m_p[m_i] != '<') {
                if (m_stack.empty()) return false;
                const int64_t from = m_i;
                while (m_i < m_n && m_p[m_i] != '<') ++m_i;
                if (m_i >= m_n) return false;
                Text({from, m_i - from});
            } else if (XmlAt(m_p, m_n, m_i, "<!--")) {
                if (!Skipped("<!--", "-->")) return false;
            } else if (XmlAt(m_p, m_n, m_i, "<![CDATA[")) {
                const int64_t from = m_i + 9, past = XmlPast(m_p, m_n, m_i, "]]>");
                if (past < 0 || m_stack.empty()) return false;
                Text({from, past - 3 - from});
                m_i = past;
            } else if (XmlAt(m_p, m_n, m_i, "<?")) {
                if (!Skipped("<?", "?>")) return false;
            } else if (XmlAt(m_p, m_n, m_i, "</")) {
                if (!EndTag()) return false;
            } else if (!StartTag()) {
                return false;
            }
        }
        if (!m_rootDone) return false;
        // Blanks, zeros (a box padded), comments and instructions may follow.
        end = m_i;
        for (;;) {
            while (end < m_n && (XmlSpace(m_p[end]) || m_p[end] == 0)) ++end;
            const char* close = XmlAt(m_p, m_n, end, "<!--") ? "-->" : XmlAt(m_p, m_n, end, "<?") ? "?>" : nullptr;
            const int64_t past = close != nullptr ? XmlPast(m_p, m_n, end, close) : -1;
            if (past < 0) break;
            values.strings.push_back({end, past - end});
            end = past;
        }
        return true;
    }

private:
    struct Frame {
        std::string_view name;
        bool position = false, place = false;
        bool key = false;                    // a property list's <key>
        bool heading = false;                // after a heading naming a position: its coordinates are
        Names names = Names::None;           // what its text names
        bool nextPosition = false, nextPlace = false;  // what the last child's text named (a key)
        bool nextHeading = false;                      // ... (another element: a heading)
    };

    // A comment or an instruction: its text follows the rule for strings.
    bool Skipped(std::string_view open, std::string_view close) {
        const int64_t past = XmlPast(m_p, m_n, m_i, close);
        if (past < 0) return false;
        const int64_t from = m_i + static_cast<int64_t>(open.size());
        values.strings.push_back({from, past - static_cast<int64_t>(close.size()) - from});
        m_i = past;
        return true;
    }

    void Value(ByteRange r, bool position, bool place, bool heading) {
        if (position) (NumberText(m_p, r) ? values.numbers : values.texts).push_back(r);
        else if (heading && CoordinateText(m_p, r)) values.numbers.push_back(r);
        else (place ? values.places : values.strings).push_back(r);
    }

    void Text(ByteRange r) {
        if (std::all_of(m_p + r.pos, m_p + r.End(), [](uint8_t c) { return XmlSpace(c); })) return;
        Frame& f = m_stack.back();
        // A key's text is a name (a property list's): it names the next
        // element's value, and stays. Another element's text naming a
        // position is a heading ("<th>Longitude</th><td>139.7454</td>"):
        // a coordinate in the next element is a position's.
        const Names names = !f.position ? NamesBy(View(r), false) : Names::None;
        if (names == Names::Position || (f.key && names == Names::Place)) {
            f.names = names;
            return;
        }
        Value(r, f.position, f.place, f.heading);
    }

    std::string_view View(ByteRange r) const {
        return {reinterpret_cast<const char*>(m_p + r.pos), static_cast<size_t>(r.len)};
    }

    std::string_view Name() {
        const int64_t from = m_i;
        while (m_i < m_n && NameChar(m_p[m_i])) ++m_i;
        return View({from, m_i - from});
    }

    void Blanks() {
        while (m_i < m_n && XmlSpace(m_p[m_i])) ++m_i;
    }

    bool EndTag() {
        m_i += 2;
        const std::string_view name = Name();
        Blanks();
        if (m_stack.empty() || name != m_stack.back().name || m_i >= m_n || m_p[m_i] != '>') return false;
        ++m_i;
        Close();
        return true;
    }

    void Close() {
        const Frame f = m_stack.back();
        m_stack.pop_back();
        if (m_stack.empty()) {
            m_rootDone = true;
            return;
        }
        m_stack.back().nextPosition = f.key && f.names == Names::Position;
        m_stack.back().nextPlace = f.key && f.names == Names::Place;
        m_stack.back().nextHeading = !f.key && f.names == Names::Position;
    }

    bool StartTag() {
        if (m_rootDone || m_stack.size() >= kMaxDepth) return false;
        ++m_i;
        Frame f;
        f.name = Name();
        // A declaration (<!DOCTYPE, <!ENTITY) has no place inside the document.
        if (f.name.empty() || f.name[0] == '!') return false;
        struct Attribute {
            std::string_view name;
            ByteRange value;
        };
        std::vector<Attribute> attributes;
        bool empty = false;
        for (;;) {
            Blanks();
            if (m_i >= m_n) return false;
            if (m_p[m_i] == '>') break;
            if (XmlAt(m_p, m_n, m_i, "/>")) {
                empty = true;
                ++m_i;
                break;
            }
            Attribute a;
            a.name = Name();
            Blanks();
            if (a.name.empty() || m_i >= m_n || m_p[m_i++] != '=') return false;
            Blanks();
            if (m_i >= m_n || (m_p[m_i] != '"' && m_p[m_i] != '\'')) return false;
            const uint8_t quote = m_p[m_i++];
            const int64_t from = m_i;
            while (m_i < m_n && m_p[m_i] != quote && m_p[m_i] != '<') ++m_i;
            if (m_i >= m_n || m_p[m_i] != quote) return false;
            a.value = {from, m_i++ - from};
            attributes.push_back(a);
        }
        ++m_i;
        Frame* parent = m_stack.empty() ? nullptr : &m_stack.back();
        f.position = NamesPositionXml(f.name) || (parent != nullptr && (parent->position || parent->nextPosition));
        f.place = NamesPlace(Local(f.name)) || (parent != nullptr && (parent->place || parent->nextPlace));
        f.key = Is(Local(f.name), "key");
        f.heading = parent != nullptr && (parent->heading || parent->nextHeading);
        if (parent != nullptr) parent->nextPosition = parent->nextPlace = parent->nextHeading = false;
        // An attribute naming a position (a label naming a place) makes
        // the element's other values so; it stays, as labels and
        // declarations do.
        std::vector<bool> naming(attributes.size());
        for (size_t i = 0; i < attributes.size(); ++i) {
            Names names = Declares(attributes[i].name) ? Names::None : NamesBy(View(attributes[i].value), true);
            if (names == Names::Place && !Label(attributes[i].name)) names = Names::None;
            naming[i] = names != Names::None;
            f.position = f.position || names == Names::Position;
            f.place = f.place || names == Names::Place;
        }
        for (size_t i = 0; i < attributes.size(); ++i) {
            const Attribute& a = attributes[i];
            if (Declares(a.name) || naming[i]) continue;
            if (Label(a.name)) values.strings.push_back(a.value);
            else
                Value(a.value, f.position || NamesPositionXml(a.name), f.place || NamesPlace(Local(a.name)),
                      f.heading);
        }
        m_stack.push_back(f);
        if (empty) Close();
        return true;
    }

    const uint8_t* m_p;
    int64_t m_n;
    int64_t m_i = 0;
    std::vector<Frame> m_stack;
    bool m_rootDone = false;
};

// Where the root element starts in the n bytes at p, past the prolog; -1
// when there is none there, or the document type declares entities.
int64_t RootOf(const uint8_t* p, int64_t n) {
    const int64_t root = XmlRootStart(p, n);
    if (root < 0 || root + 1 >= n || !NameChar(p[root + 1]) || p[root + 1] == '!' || p[root + 1] == '?') return -1;
    const std::string_view prolog(reinterpret_cast<const char*>(p), static_cast<size_t>(root));
    return prolog.find("<!ENTITY") == std::string_view::npos ? root : -1;
}

// Walks the document at r: false when it does not parse.
bool Walk(ByteRange r, const Carrier& at, Sink& sink, bool file) {
    // The text is copied: the reads below may give the file's pages back.
    const uint8_t* span = r.len > 0 && r.len <= kMaxText ? sink.File().Span(r.pos, r.len) : nullptr;
    if (span == nullptr) return false;
    const std::vector<uint8_t> copy(span, span + r.len);
    const uint8_t* p = copy.data();
    const int64_t root = RootOf(p, std::min(r.len, kMaxProlog));
    Parser parse(p, r.len);
    if (root < 0 || !parse.Document(root)) return false;
    if (root > 0)
        sink.Opaque({r.pos, root}, FindKind::Unparsed, FindWhy::XmlPartUnparsed, FindWhy::XmlPartUnparsed, at);
    AddNamedValues(sink, p, r, parse.values, at);
    if (parse.end >= r.len) return true;
    const ByteRange after{r.pos + parse.end, r.len - parse.end};
    if (file) sink.AfterEnd(after, after.End() == sink.File().Length(), at);
    else sink.Opaque(after, FindKind::Unparsed, FindWhy::XmlPartUnparsed, FindWhy::XmlPartUnparsed, at);
    return true;
}

}  // namespace

bool StartsXmlText(const ByteReader& file, int64_t pos, int64_t end) {
    const int64_t n = std::min(end - pos, kMaxProlog);
    const uint8_t* p = n > 0 ? file.Span(pos, n) : nullptr;
    const int64_t root = p != nullptr ? XmlRootStart(p, n) : -1;
    // A web page is HTML, which is no XML (its elements need not close).
    return root >= 0 && !XmlElementIs(p, n, root, "html") && !XmlElementIs(p, n, root, "HTML");
}

void WalkXmlTextContainer(ByteRange whole, const Carrier& at, Sink& sink) {
    if (!Walk(whole, at, sink, true)) sink.NotTakenApart(whole, at);
}

bool WalkXmlText(ByteRange r, const Carrier& at, Sink& sink) { return Walk(r, at, sink, false); }
