#include "locate/json/JsonWalker.h"

#include "locate/NamedValues.h"
#include "locate/Sink.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr int64_t kMaxText = int64_t{64} << 20;
constexpr int kMaxDepth = 64;

bool Blank(uint8_t c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// A recursive descent over the text: values under a name that names a
// position are collected as `numbers` and `texts`, strings under a name
// that names a place as `places`, other strings as `strings`.
class Parser {
public:
    Parser(const uint8_t* p, int64_t n) : m_p(p), m_n(n) {}

    NamedValues values;

    bool Document() {
        Skip();
        if (m_i >= m_n || (m_p[m_i] != '{' && m_p[m_i] != '[')) return false;
        if (!Value(false, false, 0)) return false;
        Skip();
        return m_i == m_n;
    }

private:
    void Skip() {
        while (m_i < m_n && Blank(m_p[m_i])) ++m_i;
    }
    bool Literal(std::string_view w) {
        if (m_n - m_i < static_cast<int64_t>(w.size()) || !std::equal(w.begin(), w.end(), m_p + m_i)) return false;
        m_i += static_cast<int64_t>(w.size());
        return true;
    }
    // A string: its text's range (between the quotes).
    bool String(ByteRange& text) {
        if (m_i >= m_n || m_p[m_i] != '"') return false;
        const int64_t from = ++m_i;
        while (m_i < m_n && m_p[m_i] != '"') {
            if (m_p[m_i] < 0x20) return false;
            m_i += m_p[m_i] == '\\' ? 2 : 1;
        }
        if (m_i >= m_n) return false;
        text = {from, m_i++ - from};
        return true;
    }
    bool Number(ByteRange& r) {
        const int64_t from = m_i;
        if (m_i < m_n && m_p[m_i] == '-') ++m_i;
        const int64_t digits = m_i;
        while (m_i < m_n && ((m_p[m_i] >= '0' && m_p[m_i] <= '9') || m_p[m_i] == '.' || m_p[m_i] == 'e' ||
                             m_p[m_i] == 'E' || m_p[m_i] == '+' || m_p[m_i] == '-'))
            ++m_i;
        r = {from, m_i - from};
        return m_i > digits && m_p[digits] >= '0' && m_p[digits] <= '9';
    }
    // One value; `position` (`place`) when a name above it names a
    // position (a place).
    bool Value(bool position, bool place, int depth) {
        if (depth > kMaxDepth) return false;
        Skip();
        if (m_i >= m_n) return false;
        const uint8_t c = m_p[m_i];
        if (c == '{' || c == '[') {
            const bool object = c == '{';
            ++m_i;
            Skip();
            if (m_i < m_n && m_p[m_i] == (object ? '}' : ']')) return ++m_i, true;
            for (;;) {
                // A comma before the end, which lenient writers leave and
                // readers take.
                Skip();
                if (m_i < m_n && m_p[m_i] == (object ? '}' : ']')) return ++m_i, true;
                bool inner = position, innerPlace = place;
                if (object) {
                    ByteRange name;
                    Skip();
                    if (!String(name)) return false;
                    const std::string_view n(reinterpret_cast<const char*>(m_p + name.pos),
                                             static_cast<size_t>(name.len));
                    inner = inner || NamesPosition(n);
                    innerPlace = innerPlace || NamesPlace(n);
                    Skip();
                    if (m_i >= m_n || m_p[m_i++] != ':') return false;
                }
                if (!Value(inner, innerPlace, depth + 1)) return false;
                Skip();
                if (m_i >= m_n) return false;
                if (m_p[m_i] == ',') {
                    ++m_i;
                    continue;
                }
                return m_p[m_i++] == (object ? '}' : ']');
            }
        }
        if (c == '"') {
            ByteRange text;
            if (!String(text)) return false;
            (position ? values.texts : place ? values.places : values.strings).push_back(text);
            return true;
        }
        if (c == 't') return Literal("true");
        if (c == 'f') return Literal("false");
        if (c == 'n') return Literal("null");
        ByteRange r;
        if (!Number(r)) return false;
        if (position) values.numbers.push_back(r);
        return true;
    }

    const uint8_t* m_p;
    int64_t m_n;
    int64_t m_i = 0;
};

}  // namespace

bool StartsJson(const ByteReader& file, int64_t pos, int64_t end) {
    // The first bytes are looked at before the whole text is read.
    const int64_t n = end - pos, head = std::min<int64_t>(n, 64);
    const uint8_t* h = n > 0 && n <= kMaxText ? file.Span(pos, head) : nullptr;
    int64_t i = 0;
    while (h != nullptr && i < head && Blank(h[i])) ++i;
    if (h == nullptr || i >= head || (h[i] != '{' && h[i] != '[')) return false;
    const uint8_t* p = file.Span(pos, n);
    Parser parse(p, n);
    return p != nullptr && parse.Document();
}

void WalkJsonContainer(ByteRange whole, const Carrier& at, Sink& sink) {
    // The text is copied: the reads below may give the file's pages back.
    const uint8_t* span = whole.len <= kMaxText ? sink.File().Span(whole.pos, whole.len) : nullptr;
    const std::vector<uint8_t> copy = span != nullptr ? std::vector<uint8_t>(span, span + whole.len)
                                                      : std::vector<uint8_t>{};
    const uint8_t* p = copy.data();
    Parser parse(p, whole.len);
    if (span == nullptr || !parse.Document()) {
        sink.NotTakenApart(whole, at);
        return;
    }
    AddNamedValues(sink, p, whole, parse.values, at);
}
