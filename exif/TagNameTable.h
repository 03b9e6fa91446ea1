// The tag-name table: tag numbers and names read from a CSV text file
// (CR LF lines, "0x"-prefixed hexadecimal tag, name), and the line and
// field splitting helpers that read it.
#pragma once
#include <cstdint>
#include <memory>

struct TagNameRow {
    int32_t m_nTag;
    char m_szName[64];
};
static_assert(sizeof(TagNameRow) == 68);

struct TagNameTable {
    int32_t m_nTagCount = 0;                  // CR LF pairs in the file
    std::unique_ptr<TagNameRow[]> m_pTagTable;  // m_nTagCount rows, unfilled ones zero

    // Name of the first row with this tag, or null when there is none.
    const char* Find(int32_t tag) const;
};

// Line and field splitting on caller-owned buffers; no state of its own.
class CNCsvFunc {
public:
    static constexpr int kLineSize = 256;   // a line of at most 255 bytes
    static constexpr int kFieldSize = 65;   // a field of at most 64 bytes
    static constexpr int kFieldCount = 3;

    // Copies one line of text[0, len) into `line` (cut at 255 bytes) and
    // sets `consumed` to the bytes it covers, line end included. A NUL ends a
    // line like LF does, so a walk over text holding NULs always advances.
    static void GetLine(char* line, const char* text, int64_t len, int64_t& consumed);

    // Splits `line` into up to three fields, each cut at 64 bytes; returns
    // how many fields were written (0 to 3). Slots past that keep their
    // previous content.
    static int SplitCsvLine(char fields[kFieldCount][kFieldSize], const char* line);

    // Reduces a field of n bytes holding exactly two double quotes to the
    // text between them.
    static void TrimQuotes(int n, char* field);
};

// The number written in hexadecimal after the first "0x" or "0X" in the
// text; 0 when there is none. Digits beyond eight shift the oldest out.
int32_t HexTextToInt(const char* text);

// Builds the table from CSV text in memory (replacing what it held).
void BuildTagNameTable(const char* text, int64_t len, TagNameTable& table);

// Reads the table file. False, with a message, when it cannot be opened or
// is too large to be a tag table; the table then stays as it was.
bool LoadTagNameTable(const char* path, TagNameTable& table);

constexpr int64_t kMaxTagFileSize = 1 << 20;
