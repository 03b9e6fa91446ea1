#include "locate/payload/Base64.h"

#include "locate/Opaque.h"

#include <algorithm>

namespace {

uint8_t Base64Value(uint8_t c) {
    if (c >= 'A' && c <= 'Z') return static_cast<uint8_t>(c - 'A');
    if (c >= 'a' && c <= 'z') return static_cast<uint8_t>(c - 'a' + 26);
    if (c >= '0' && c <= '9') return static_cast<uint8_t>(c - '0' + 52);
    return c == '+' ? 62 : 63;
}

constexpr char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Writes group g (bytes 3g.., characters 4g..) of `bytes` into `chars`:
// the characters that carry its bytes.
void EncodeGroup(const std::vector<uint8_t>& bytes, size_t g, std::string& chars) {
    const size_t b = 3 * g, have = std::min<size_t>(3, bytes.size() - b);
    const uint32_t v = (uint32_t{bytes[b]} << 16) | (have > 1 ? uint32_t{bytes[b + 1]} << 8 : 0) |
                       (have > 2 ? uint32_t{bytes[b + 2]} : 0);
    for (size_t k = 0; k <= have && 4 * g + k < chars.size(); ++k)
        chars[4 * g + k] = kBase64[(v >> (18 - 6 * k)) & 63];
}

}  // namespace

bool Base64Char(uint8_t c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '/';
}

bool ReadBase64(const ByteReader& f, ByteRange r, Base64Text& out) {
    const uint8_t* p = f.Span(r.pos, r.len);
    if (p == nullptr) return false;
    out.chars.reserve(static_cast<size_t>(r.len));
    for (int64_t i = 0; i < r.len && p[i] != '='; ++i) {
        if (p[i] == '&') {
            const auto* semi = std::find(p + i, p + std::min(r.len, i + 10), ';');
            if (semi == p + std::min(r.len, i + 10)) break;
            i = semi - p;
            continue;
        }
        if (!Base64Char(p[i])) continue;
        int64_t run = 1;
        while (i + run < r.len && Base64Char(p[i + run])) ++run;
        out.chars.append(reinterpret_cast<const char*>(p + i), static_cast<size_t>(run));
        out.map.Append(r.pos + i, run);
        i += run - 1;
    }
    return true;
}

std::vector<uint8_t> DecodeBase64(const std::string& chars) {
    std::vector<uint8_t> out;
    out.reserve(chars.size() / 4 * 3 + 2);
    uint32_t acc = 0;
    int bits = 0;
    for (char ch : chars) {
        acc = (acc << 6) | Base64Value(static_cast<uint8_t>(ch));
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out.push_back(static_cast<uint8_t>(acc >> bits));
        }
    }
    return out;
}

StripPlan RewriteBase64(const Base64Text& text, const std::vector<uint8_t>& was, const std::vector<uint8_t>& now) {
    StripPlan plan;
    std::string chars = text.chars;
    const int map = plan.AddMap(text.map);
    const size_t groups = (now.size() + 2) / 3;
    for (size_t g = 0; g < groups;) {
        auto changed = [&](size_t k) {
            const size_t b = 3 * k, e = std::min(b + 3, now.size());
            return !std::equal(now.begin() + b, now.begin() + e, was.begin() + b);
        };
        if (!changed(g)) {
            ++g;
            continue;
        }
        size_t last = g;
        while (last + 1 < groups && changed(last + 1)) ++last;
        for (size_t k = g; k <= last; ++k) EncodeGroup(now, k, chars);
        const int64_t off = 4 * static_cast<int64_t>(g);
        const int64_t len = std::min<int64_t>(4 * static_cast<int64_t>(last + 1), text.map.Length()) - off;
        plan.fills.push_back({map, off, len, 0, chars.substr(static_cast<size_t>(off), static_cast<size_t>(len))});
        g = last + 1;
    }
    return plan;
}

bool StartsHeldPicture(const uint8_t* p, int64_t n) {
    std::string head;
    for (int64_t i = 0; i < n && head.size() < 12; ++i) {
        if (Base64Char(p[i])) head += static_cast<char>(p[i]);
        else if (p[i] != '\\' && p[i] != ' ' && p[i] != '\t' && p[i] != '\n' && p[i] != '\r') break;
    }
    if (head.size() < 12) return false;
    const std::vector<uint8_t> b = DecodeBase64(head);
    return (b[0] == 0xFF && b[1] == 0xD8 && b[2] == 0xFF) ||
           (b[0] == 0x89 && b[1] == 'P' && b[2] == 'N' && b[3] == 'G' && b[4] == '\r' && b[5] == '\n');
}

bool HeldPicture(const uint8_t* p, int64_t n, const ContentMap& doc, ByteRange text, const HeldPictureScan& scan,
                 std::vector<PositionFind>& finds, StripPlan& plan) {
    Base64Text chars;
    if (!ReadBase64(ByteReader(p, n), text, chars) || chars.chars.empty()) return false;
    const std::vector<uint8_t> bytes = DecodeBase64(chars.chars);
    const int64_t len = static_cast<int64_t>(bytes.size());
    std::vector<PositionFind> found;
    std::vector<uint8_t> stripped;
    if (!scan(bytes, found, stripped)) {
        // Bytes no walk takes apart count by the opaque rule.
        if (OpaqueHolds(ByteReader(bytes.data(), len), 0, len) == OpaqueText::None) return false;
        found.push_back(PositionFind(FindKind::Unparsed, 0, false, FindWhy::HeldPictureUnparsed));
    }
    if (found.empty()) return false;
    for (PositionFind& f : found) {
        const int64_t at = std::clamp<int64_t>(f.pos, 0, std::max<int64_t>(len - 1, 0)) / 3 * 4;
        const int64_t logical = at < chars.map.Length() ? chars.map.FilePos(at) : text.pos;
        f.pos = doc.FilePos(logical);
        f.len = std::min<int64_t>(f.len > 0 ? (f.len + 2) / 3 * 4 : 0, text.End() - logical);
        f.wholeFile = false;
        f.segment = -1;
        if (stripped.empty() && f.removable) f.removable = false, f.why = FindWhy::HeldPictureUnparsed;
        finds.push_back(f);
    }
    if (stripped.empty()) return true;
    const StripPlan rewrite = RewriteBase64(chars, bytes, stripped);
    StripPlan onFile;
    for (const StripFill& fill : rewrite.fills) {
        StripFill f = fill;
        f.map = onFile.AddMap(rewrite.maps[static_cast<size_t>(fill.map)].Through(doc));
        onFile.fills.push_back(f);
    }
    plan.Append(onFile);
    return true;
}
