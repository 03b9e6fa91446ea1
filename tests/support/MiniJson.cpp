#include "tests/support/MiniJson.h"

#include <cstdlib>

namespace testjson {

const Value& Value::operator[](const std::string& key) const {
    static const Value kNull;
    auto it = m_members.find(key);
    return it == m_members.end() ? kNull : it->second;
}

class Parser {
public:
    explicit Parser(std::string_view t) : m_t(t) {}

    bool ParseValue(Value& v) {
        Skip();
        if (m_i >= m_t.size()) return false;
        char c = m_t[m_i];
        if (c == '{') return ParseObject(v);
        if (c == '[') return ParseArray(v);
        if (c == '"') { v.m_kind = Value::String; return ParseString(v.m_string); }
        if (Word("true")) { v.m_kind = Value::Bool; v.m_bool = true; return true; }
        if (Word("false")) { v.m_kind = Value::Bool; return true; }
        if (Word("null")) return true;
        return ParseNumber(v);
    }

    bool AtEnd() { Skip(); return m_i == m_t.size(); }

private:
    void Skip() {
        while (m_i < m_t.size() && (m_t[m_i] == ' ' || m_t[m_i] == '\n' ||
                                    m_t[m_i] == '\r' || m_t[m_i] == '\t'))
            ++m_i;
    }
    bool Word(std::string_view w) {
        if (m_t.substr(m_i, w.size()) != w) return false;
        m_i += w.size();
        return true;
    }
    bool Eat(char c) {
        Skip();
        if (m_i < m_t.size() && m_t[m_i] == c) { ++m_i; return true; }
        return false;
    }
    bool ParseNumber(Value& v) {
        std::string s;
        while (m_i < m_t.size() && std::string_view("+-0123456789.eE").find(m_t[m_i]) !=
                                       std::string_view::npos)
            s += m_t[m_i++];
        if (s.empty()) return false;
        char* end = nullptr;
        v.m_kind = Value::Number;
        v.m_number = std::strtod(s.c_str(), &end);
        return end == s.c_str() + s.size();
    }
    bool ParseString(std::string& out) {
        ++m_i;  // opening quote
        while (m_i < m_t.size()) {
            char c = m_t[m_i++];
            if (c == '"') return true;
            if (c != '\\') { out += c; continue; }
            if (m_i >= m_t.size()) return false;
            char e = m_t[m_i++];
            switch (e) {
            case 'n': out += '\n'; break;
            case 't': out += '\t'; break;
            case 'r': out += '\r'; break;
            case 'b': out += '\b'; break;
            case 'f': out += '\f'; break;
            case 'u': {
                if (m_i + 4 > m_t.size()) return false;
                unsigned cp = static_cast<unsigned>(
                    std::strtoul(std::string(m_t.substr(m_i, 4)).c_str(), nullptr, 16));
                m_i += 4;
                if (cp < 0x80) {
                    out += static_cast<char>(cp);
                } else if (cp < 0x800) {
                    out += static_cast<char>(0xC0 | cp >> 6);
                    out += static_cast<char>(0x80 | (cp & 0x3F));
                } else {
                    out += static_cast<char>(0xE0 | cp >> 12);
                    out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
                    out += static_cast<char>(0x80 | (cp & 0x3F));
                }
                break;
            }
            default: out += e; break;  // \" \\ \/
            }
        }
        return false;
    }
    bool ParseArray(Value& v) {
        ++m_i;
        v.m_kind = Value::Array;
        if (Eat(']')) return true;
        do {
            v.m_items.emplace_back();
            if (!ParseValue(v.m_items.back())) return false;
        } while (Eat(','));
        return Eat(']');
    }
    bool ParseObject(Value& v) {
        ++m_i;
        v.m_kind = Value::Object;
        if (Eat('}')) return true;
        do {
            Skip();
            std::string key;
            if (m_i >= m_t.size() || m_t[m_i] != '"' || !ParseString(key)) return false;
            if (!Eat(':')) return false;
            if (!ParseValue(v.m_members[key])) return false;
        } while (Eat(','));
        return Eat('}');
    }

    std::string_view m_t;
    size_t m_i = 0;
};

Value Value::Parse(std::string_view text) {
    Parser p(text);
    Value v;
    if (!p.ParseValue(v) || !p.AtEnd()) return Value{};
    return v;
}

}  // namespace testjson
