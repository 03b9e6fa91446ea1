// Reading XML text as sidecars, drawings and property lists begin: where
// the root element starts, past a UTF-8 byte order mark, white space, the
// declaration and other processing instructions, comments and a document
// type (with its internal subset).
#pragma once
#include <cstdint>
#include <string_view>

bool XmlSpace(uint8_t c);

// True when the n bytes at p hold `s` at i.
bool XmlAt(const uint8_t* p, int64_t n, int64_t i, std::string_view s);

// Past the first `close` at or after i in the n bytes at p, or -1.
int64_t XmlPast(const uint8_t* p, int64_t n, int64_t i, std::string_view close);

// The offset of the root element's "<" in the n bytes at p, or -1 when they
// hold something else first (or more than 32 prolog items).
int64_t XmlRootStart(const uint8_t* p, int64_t n);

// True when the element at i (its "<") is named `name` (followed by white
// space, ">" or "/").
bool XmlElementIs(const uint8_t* p, int64_t n, int64_t i, std::string_view name);
