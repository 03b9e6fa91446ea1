#include "exif/TagNameTable.h"

#include "platform/Message.h"
#include "platform/ReadFile.h"
#include "platform/Text.h"

#include <cstring>
#include <string>

const char* TagNameTable::Find(int32_t tag) const {
    for (int32_t i = 0; i < m_nTagCount; ++i)
        if (m_pTagTable[i].m_nTag == tag) return m_pTagTable[i].m_szName;
    return nullptr;
}

void CNCsvFunc::GetLine(char* line, const char* text, int64_t len, int64_t& consumed) {
    int64_t i = 0;
    int copied = 0;
    while (i < len && text[i] != '\n' && text[i] != '\r' && text[i] != '\0') {
        if (copied < kLineSize - 1) line[copied++] = text[i];
        ++i;
    }
    line[copied] = '\0';
    if (i >= len) {
        consumed = i;
    } else if (text[i] == '\r' && i + 1 < len && text[i + 1] == '\n') {
        consumed = i + 2;
    } else {
        consumed = i + 1;
    }
}

int CNCsvFunc::SplitCsvLine(char fields[kFieldCount][kFieldSize], const char* line) {
    if (line[0] == '\0') return 0;
    int slot = 0, n = 0, done = 0;
    for (const char* p = line; *p != '\0'; ++p) {
        if (*p == ',') {
            fields[slot][n] = '\0';
            TrimQuotes(n, fields[slot]);
            ++slot;
            n = 0;
            ++done;
        } else {
            if (n == kFieldSize - 1) {
                fields[slot][n] = '\0';
                TrimQuotes(n, fields[slot]);
                return done + 1;
            }
            fields[slot][n++] = *p;
        }
        if (done == kFieldCount) return done;
    }
    if (n == 0) return done;
    fields[slot][n] = '\0';
    TrimQuotes(n, fields[slot]);
    return done + 1;
}

void CNCsvFunc::TrimQuotes(int n, char* field) {
    int quotes = 0, start = 0, end = 0;
    for (int i = 0; i < n; ++i) {
        if (field[i] != '"') continue;
        ++quotes;
        if (quotes == 1) start = i + 1;
        if (quotes == 2) end = i;
    }
    if (quotes != 2) return;
    std::memmove(field, field + start, static_cast<size_t>(end - start));
    field[end - start] = '\0';
}

int32_t HexTextToInt(const char* text) {
    size_t len = std::strlen(text);
    for (size_t p = 0; p + 1 < len; ++p) {
        if (text[p] != '0' || (text[p + 1] != 'x' && text[p + 1] != 'X')) continue;
        uint32_t value = 0;
        for (const char* d = text + p + 2; *d != '\0'; ++d) {
            unsigned digit;
            if (*d >= '0' && *d <= '9') digit = static_cast<unsigned>(*d - '0');
            else if (*d >= 'a' && *d <= 'f') digit = static_cast<unsigned>(*d - 'a' + 10);
            else if (*d >= 'A' && *d <= 'F') digit = static_cast<unsigned>(*d - 'A' + 10);
            else break;
            value = value << 4 | digit;  // unsigned: a ninth digit shifts the first out
        }
        return static_cast<int32_t>(value);
    }
    return 0;
}

void BuildTagNameTable(const char* text, int64_t len, TagNameTable& table) {
    int32_t pairs = 0;
    for (int64_t i = 0; i + 1 < len;) {
        if (text[i] == '\r' && text[i + 1] == '\n') { ++pairs; i += 2; }
        else ++i;
    }
    table.m_pTagTable.reset(new TagNameRow[static_cast<size_t>(pairs)]());
    table.m_nTagCount = pairs;

    char line[CNCsvFunc::kLineSize];
    char fields[CNCsvFunc::kFieldCount][CNCsvFunc::kFieldSize] = {};
    int32_t filled = 0;
    for (int64_t pos = 0; pos < len && filled < pairs;) {
        int64_t consumed = 0;
        CNCsvFunc::GetLine(line, text + pos, len - pos, consumed);
        int n = CNCsvFunc::SplitCsvLine(fields, line);
        if (n >= 1 && fields[0][0] == '0' && (fields[0][1] == 'x' || fields[0][1] == 'X')) {
            TagNameRow& row = table.m_pTagTable[filled++];
            row.m_nTag = HexTextToInt(fields[0]);
            // A row without a name field gets an empty name, not the
            // previous line's leftover slot.
            const char* name = n >= 2 ? fields[1] : "";
            plat::CopyCp932Cut(row.m_szName, sizeof row.m_szName, name, std::strlen(name));
        }
        pos += consumed;
    }
}

bool LoadTagNameTable(const char* path, TagNameTable& table) {
    plat::FileBytes file;
    if (plat::ReadWholeFile(path, kMaxTagFileSize, file) != plat::ReadStatus::Ok) {
        plat::ShowMessage(std::string("Tag DF Path[") + path + "]", "EXIF タグ表 DF がありません");
        return false;
    }
    BuildTagNameTable(reinterpret_cast<const char*>(file.data.get()), file.len, table);
    return true;
}
