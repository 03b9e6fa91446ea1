// A small JSON reader for test data (the corpus truth file): objects,
// arrays, strings (\uXXXX of the basic plane as UTF-8), numbers, true,
// false, null. Enough for well-formed files; malformed text yields a null.
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace testjson {

class Value {
public:
    enum Kind { Null, Bool, Number, String, Array, Object };

    Kind kind() const { return m_kind; }
    bool IsNull() const { return m_kind == Null; }
    bool AsBool() const { return m_bool; }
    double AsDouble() const { return m_number; }
    int64_t AsInt() const { return static_cast<int64_t>(m_number); }
    const std::string& AsString() const { return m_string; }
    const std::vector<Value>& Items() const { return m_items; }
    size_t Size() const { return m_items.size(); }
    const Value& operator[](size_t i) const { return m_items.at(i); }
    // Member lookup; a missing member reads as null.
    const Value& operator[](const std::string& key) const;

    static Value Parse(std::string_view text);

private:
    friend class Parser;
    Kind m_kind = Null;
    bool m_bool = false;
    double m_number = 0;
    std::string m_string;
    std::vector<Value> m_items;
    std::map<std::string, Value> m_members;
};

}  // namespace testjson
