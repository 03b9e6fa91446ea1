#include "locate/pdf/PdfWalker.h"

#include "locate/Containers.h"
#include "locate/HexText.h"
#include "locate/NamedValues.h"
#include "locate/Opaque.h"
#include "locate/Pieces.h"
#include "locate/Sink.h"
#include "locate/payload/Deflate.h"
#include "locate/payload/TimedGps.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

// A stream's dictionary is read in a window of this many bytes.
constexpr int64_t kMaxDict = int64_t{64} << 10;
// Compressed metadata, attachments and object streams inflate to at most this.
constexpr int64_t kMaxContent = int64_t{64} << 20;

bool Space(uint8_t c) { return c == 0 || c == 9 || c == 10 || c == 12 || c == 13 || c == 32; }
bool Delimiter(uint8_t c) { return Space(c) || std::strchr("()<>[]{}/%", c) != nullptr; }
bool Digit(uint8_t c) { return c >= '0' && c <= '9'; }

// Past white space and comments from i.
int64_t SkipSpace(const uint8_t* p, int64_t n, int64_t i) {
    while (i < n) {
        if (Space(p[i])) {
            ++i;
        } else if (p[i] == '%') {
            while (i < n && p[i] != '\n' && p[i] != '\r') ++i;
        } else {
            break;
        }
    }
    return i;
}

// Arrays and dictionaries nested deeper than any writer makes them are
// not followed (each level is a call).
constexpr int kMaxNesting = 64;

// True when [i, j) is a keyword that ends an object or starts one, which
// no array or dictionary holds: one that does is cut short.
bool ObjectKeyword(const uint8_t* p, int64_t i, int64_t j) {
    const std::string_view t(reinterpret_cast<const char*>(p + i), static_cast<size_t>(j - i));
    return t == "obj" || t == "endobj" || t == "stream" || t == "endstream";
}

// Past the object that starts at i (a string, hex string, array,
// dictionary, name or other token); -1 when it runs past n, or past the
// end of the object that holds it.
int64_t SkipObject(const uint8_t* p, int64_t n, int64_t i, int depth = 0) {
    if (i >= n || depth > kMaxNesting) return -1;
    if (p[i] == '(') {
        int depth = 0;
        for (; i < n; ++i) {
            if (p[i] == '\\') ++i;
            else if (p[i] == '(') ++depth;
            else if (p[i] == ')' && --depth == 0) return i + 1;
        }
        return -1;
    }
    const bool dict = i + 1 < n && p[i] == '<' && p[i + 1] == '<';
    if (dict || p[i] == '[') {
        const uint8_t close = dict ? '>' : ']';
        for (i += dict ? 2 : 1;;) {
            i = SkipSpace(p, n, i);
            if (i >= n) return -1;
            if (p[i] == close) return dict ? (i + 1 < n && p[i + 1] == '>' ? i + 2 : -1) : i + 1;
            const int64_t j = SkipObject(p, n, i, depth + 1);
            if (j < 0 || ObjectKeyword(p, i, j)) return -1;
            i = j;
        }
    }
    if (p[i] == '<') {
        const auto* gt = static_cast<const uint8_t*>(std::memchr(p + i, '>', static_cast<size_t>(n - i)));
        return gt == nullptr ? -1 : gt - p + 1;
    }
    // A name keeps its slash; a delimiter on its own is one token.
    int64_t j = i + (p[i] == '/' ? 1 : 0);
    while (j < n && !Delimiter(p[j])) ++j;
    return j > i ? j : i + 1;
}

// What a stream's dictionary says of it.
struct StreamDict {
    std::string filter;  // its only filter ("/DCTDecode"), "" for none, "many" for a chain
    bool pictureLast = false;  // a chain ending in a picture's coding (a JPEG deflated again)
    bool metadata = false, attached = false, objects = false;
    int64_t length = -1;  // a length given directly
};

std::string Token(const uint8_t* p, int64_t a, int64_t b) {
    return std::string(reinterpret_cast<const char*>(p + a), static_cast<size_t>(b - a));
}

// Reads the keys of the dictionary [i, end) (its "<<" at i) at its top level.
StreamDict ReadDict(const uint8_t* p, int64_t end, int64_t i) {
    StreamDict d;
    std::vector<std::string> tokens;
    for (i += 2;;) {
        i = SkipSpace(p, end, i);
        if (i >= end || p[i] == '>') break;
        const int64_t j = SkipObject(p, end, i);
        if (j < 0) break;
        tokens.push_back(Token(p, i, j));
        i = j;
    }
    for (size_t k = 0; k + 1 < tokens.size(); ++k) {
        const std::string& key = tokens[k];
        std::string value = tokens[k + 1];
        const bool reference = k + 3 < tokens.size() && tokens[k + 3] == "R";
        if (key == "/Filter") {
            // One filter, alone or as an array of one.
            std::vector<std::string> chain;
            const auto* v = reinterpret_cast<const uint8_t*>(value.data());
            const int64_t n = static_cast<int64_t>(value.size());
            for (int64_t a = value.size() > 2 && value.front() == '[' ? SkipSpace(v, n, 1) : n, b;
                 a < n - 1 && (b = SkipObject(v, n, a)) > a; a = SkipSpace(v, n, b))
                chain.push_back(Token(v, a, b));
            d.filter = value.front() != '[' ? value : chain.size() == 1 ? chain[0] : chain.empty() ? "" : "many";
            d.pictureLast = chain.size() > 1 && (chain.back() == "/DCTDecode" || chain.back() == "/JPXDecode");
        } else if (key == "/Type" || key == "/Subtype") {
            d.metadata = d.metadata || value == "/Metadata" || value == "/XML";
            d.attached = d.attached || value == "/EmbeddedFile";
            d.objects = d.objects || value == "/ObjStm";
        } else if (key == "/Length" && !reference && !value.empty() &&
                   std::all_of(value.begin(), value.end(), [](char c) { return Digit(static_cast<uint8_t>(c)); }) &&
                   value.size() < 16) {
            d.length = std::stoll(value);
        }
    }
    return d;
}

struct PdfWalk {
    Sink& sink;
    const ByteReader& f;
    ByteRange whole;
    const Carrier& at;
    std::vector<ByteRange> text;  // the syntax between streams
    std::vector<std::pair<ByteRange, StreamDict>> data;  // each stream's data
    int streams = 0;

    int64_t End() const { return whole.End(); }

    // Where the next object header ("12 0 obj") ends at or after pos; -1 when none.
    int64_t NextObject(int64_t pos) const {
        const int64_t hit = FirstHit(f, pos, End() - pos, {"obj"}, [&](int64_t o, int) {
            const int64_t from = std::max(whole.pos, o - 24);
            const uint8_t* w = f.Span(from, o + 4 <= End() ? o + 4 - from : o + 3 - from);
            if (w == nullptr) return false;
            const int64_t k = o - from;
            if (o + 3 < End() && !Delimiter(w[k + 3])) return false;
            // Digits, space, digits, space before it.
            int64_t i = k - 1, groups = 0;
            for (; groups < 2; ++groups) {
                int64_t spaces = 0, digits = 0;
                while (i >= 0 && Space(w[i])) --i, ++spaces;
                while (i >= 0 && Digit(w[i])) --i, ++digits;
                if (spaces == 0 || digits == 0) return false;
            }
            return i < 0 || Space(w[i]) || Delimiter(w[i]);
        });
        return hit < 0 ? -1 : hit + 3;
    }

    // The end of the data of a stream starting at `data`.
    int64_t StreamEnd(int64_t data, const StreamDict& d) const {
        auto endstream = [&](int64_t e) {
            const int64_t n = std::min<int64_t>(End() - e, 16);
            const uint8_t* w = n > 0 ? f.Span(e, n) : nullptr;
            const int64_t k = w != nullptr ? SkipSpace(w, n, 0) : n;
            return w != nullptr && n - k >= 9 && std::memcmp(w + k, "endstream", 9) == 0;
        };
        const bool fits = d.length >= 0 && d.length <= End() - data;
        if (fits && endstream(data + d.length)) return data + d.length;
        const int64_t hit = FirstHit(f, data, End() - data, {"endstream"}, [](int64_t, int) { return true; });
        // Its own "endstream" damaged, a later stream's (or none) is not its
        // end when an object's end follows its length: its length is
        // believed, as readers that follow the cross-reference table read
        // it. The object's end must come before the next "%%EOF", so that
        // the document cut after that end reads the same.
        if (fits) {
            const auto any = [](int64_t, int) { return true; };
            const int64_t byLength = data + d.length, eof = FirstHit(f, byLength, End() - byLength, {"%%EOF"}, any);
            const int64_t limit = std::min(hit < 0 ? End() : hit, eof < 0 ? End() : eof);
            if (limit > byLength && FirstHit(f, byLength, limit - byLength, {"endobj"}, any) >= 0) return byLength;
        }
        if (hit < 0) return -1;
        // The line end before "endstream" is not data.
        int64_t e = hit;
        uint8_t c = 0;
        if (e > data && f.U8(e - 1, c) && c == '\n') --e;
        if (e > data && f.U8(e - 1, c) && c == '\r') --e;
        return e;
    }

    void Opaque(ByteRange r, const Carrier& c) {
        if (r.len > 0)
            sink.Opaque(r, FindKind::Unparsed, FindWhy::DocumentPartUnparsed, FindWhy::DocumentPartUnparsed, c);
    }

    void Unremovable(ByteRange r, FindWhy why, const Carrier& c) {
        PositionFind g(FindKind::Unparsed, r.pos, false, why);
        g.len = r.len;
        sink.Add(g, c);
    }

    bool Inflated(ByteRange r, std::vector<uint8_t>& out) const {
        std::vector<uint8_t> packed;
        return r.len <= kMaxContent && ContentMap(r).Gather(f, packed) &&
               Inflate(packed.data(), static_cast<int64_t>(packed.size()), Deflated::Zlib, kMaxContent, out);
    }

    // A file or picture kept compressed: walked once inflated, but its
    // coded form cannot be changed in place.
    void HeldInflated(ByteRange r, const Carrier& c) {
        std::vector<uint8_t> content;
        LocateResult inner;
        if (!Inflated(r, content) ||
            !LocateHeld(ByteReader(content.data(), static_cast<int64_t>(content.size())), sink.PlaceNames(), inner) ||
            !inner.finds.empty())
            Unremovable(r, FindWhy::AttachmentHoldsPosition, c);
    }

    void Stream(ByteRange r, const StreamDict& d) {
        if (r.len <= 0) return;  // an empty stream holds nothing
        const Carrier c = at.Then("stream #" + std::to_string(++streams));
        const bool plain = d.filter.empty(), flate = d.filter == "/FlateDecode";
        if (d.filter == "/DCTDecode" || d.filter == "/JPXDecode") {
            // A JPEG, a JPEG 2000 file or codestream; anything else is pixels.
            const Container kind = RecogniseContainer(f, r.pos, r.End());
            if (kind == Container::Jpeg || kind == Container::Jp2 || kind == Container::Codestream) {
                sink.Nested(kind, r, c);
            } else {
                // A picture whose start is damaged: readers that look for a
                // TIFF header in it still read the Exif block its first
                // segments hold.
                sink.StrayTiffIn(r, int64_t{1} << 16, c);
            }
        } else if (d.pictureLast) {
            // A picture in another coding as well.
            HeldInflated(r, c);
        } else if (d.metadata && plain) {
            sink.Xmp(r, r, c);
        } else if (d.metadata && flate) {
            // A stream whose length is not given (or wrong) ends where
            // "endstream" is found, less a line end before it: its new
            // bytes may not end in a line end nor hold "endstream".
            Sink::StreamTest takes;
            if (d.length != r.len)
                takes = [](const std::vector<uint8_t>& s) {
                    return !s.empty() && s.back() != '\n' && s.back() != '\r' &&
                           FindBytes(s.data(), static_cast<int64_t>(s.size()), "endstream") == nullptr;
                };
            sink.Compressed(ContentMap(r), Deflated::Zlib, ' ', c,
                            [&](const ByteReader& x, std::vector<PositionFind>& finds, StripPlan& plan) {
                                XmpScan scan = ScanXmpContent(x, sink.PlaceNames());
                                finds = std::move(scan.finds);
                                plan = std::move(scan.plan);
                            }, takes);
        } else if (d.metadata) {
            // In a coding that is not read: what it holds is not known.
            Unremovable(r, FindWhy::CompressedUnreadable, c);
        } else if (d.attached && plain) {
            if (!sink.FileAt(r, c)) Opaque(r, c);
        } else if (d.attached) {
            HeldInflated(r, c);
        } else if (d.objects) {
            std::vector<uint8_t> content;
            if (!flate || !Inflated(r, content)) Unremovable(r, FindWhy::CompressedUnreadable, c);
            else sink.OpaqueHeld(content, r, FindWhy::DocumentPartUnparsed, c, false);
        }
        // Pages, fonts and pictures in other codings: what the document shows.
    }

    // The strings of the document's information (title, subject,
    // keywords, author) and of annotations (contents) in the text `t`
    // that name a coordinate ("Lat: 35.6586 Lon: 139.7454"): blanked, a
    // literal string with spaces, a hex string with zero digits. The
    // ranges blanked go to `blanked`.
    void InfoStrings(ByteRange t, std::vector<ByteRange>& blanked) {
        // A key's name inside an earlier string is that string's text: the
        // strip may change it, so it never counts as a key (nor towards
        // the keys read).
        int64_t read = t.pos;
        int keys = 0;
        FirstHit(f, t.pos, t.len, {"/Title", "/Subject", "/Keywords", "/Author", "/Contents"}, [&](int64_t key, int) {
            if (key < read) return false;
            InfoString(key, t, read, blanked);
            return ++keys >= 4096;
        });
    }

    // The value after the key at `key`, when it is a string; `read` goes to
    // the string's end.
    void InfoString(int64_t key, ByteRange t, int64_t& read, std::vector<ByteRange>& blanked) {
        const int64_t n = std::min<int64_t>(t.End() - key, kMaxDict);
        const uint8_t* w = f.Span(key, n);
        if (w == nullptr) return;
        int64_t i = 1;
        while (i < n && !Delimiter(w[i])) ++i;  // the key's name
        i = SkipSpace(w, n, i);
        const bool hex = i + 1 < n && w[i] == '<' && w[i + 1] != '<';
        if (i >= n || (w[i] != '(' && !hex)) return;
        const int64_t j = SkipObject(w, n, i);
        if (j < 0) {
            // A string whose end is not found runs on over every later key:
            // what it holds cannot be told apart, so a coordinate named
            // there cannot be removed.
            read = t.End();
            if (TextNamesCoordinate(w + i, n - i)) Unremovable({key + i, n - i}, FindWhy::DocumentPartUnparsed, at);
            return;
        }
        read = key + j;
        if (j - i < 2) return;
        const ByteRange value{key + i + 1, j - i - 2};
        std::vector<uint8_t> text(w + i + 1, w + j - 1);
        // A hex string's digits become '0', which keeps it a string.
        if (hex) text = HexBytes(text.data(), static_cast<int64_t>(text.size()));
        if (AddTextValue(sink, ContentMap(value), value, text, "", hex ? '0' : ' ', at)) blanked.push_back(value);
    }

    // Finds the streams and the text between them (handing nothing to the
    // sink yet); false when a stream's end cannot be found.
    bool Objects() {
        int64_t pos = whole.pos, gap = whole.pos;
        for (int64_t o; (o = NextObject(pos)) >= 0;) {
            pos = o;
            const int64_t n = std::min(End() - o, kMaxDict);
            const uint8_t* w = f.Span(o, n);
            if (w == nullptr) return false;
            const int64_t i = SkipSpace(w, n, 0);
            if (i + 1 >= n || w[i] != '<' || w[i + 1] != '<') continue;
            const int64_t dictEnd = SkipObject(w, n, i);
            if (dictEnd < 0) continue;
            const StreamDict d = ReadDict(w, dictEnd, i);
            int64_t s = SkipSpace(w, n, dictEnd);
            pos = o + dictEnd;
            if (n - s < 7 || std::memcmp(w + s, "stream", 6) != 0) continue;
            s += 6;
            s += w[s] == '\r' && s + 1 < n && w[s + 1] == '\n' ? 2 : (w[s] == '\n' || w[s] == '\r') ? 1 : 0;
            const int64_t data = o + s, end = StreamEnd(data, d);
            if (end < 0) return false;
            text.push_back({gap, data - gap});
            this->data.push_back({{data, end - data}, d});
            pos = gap = end;
        }
        text.push_back({gap, End() - gap});
        return true;
    }
};

}  // namespace

bool StartsPdf(const ByteReader& file, int64_t pos, int64_t end) {
    const uint8_t* p = end - pos >= 8 ? file.Span(pos, 5) : nullptr;
    return p != nullptr && std::memcmp(p, "%PDF-", 5) == 0;
}

void WalkPdfContainer(ByteRange whole, const Carrier& at, Sink& sink) {
    PdfWalk w{sink, sink.File(), whole, at, {}, {}, 0};
    // The streams of an encrypted document are not what they seem; its
    // dictionaries (the trailer's among them) are text.
    // A signed document's signature covers every byte but its own: a
    // position in it cannot be removed without breaking the signature.
    bool encrypted = false, signed_ = false;
    const bool walked = w.Objects();
    for (const ByteRange& t : w.text) {
        auto holds = [&](std::string_view s) {
            return FirstHit(w.f, t.pos, t.len, {s}, [](int64_t, int) { return true; }) >= 0;
        };
        encrypted = encrypted || holds("/Encrypt");
        signed_ = signed_ || holds("/ByteRange");
    }
    if (!walked || encrypted) {
        sink.NotTakenApart(whole, at);
        return;
    }
    const size_t first = sink.Result().finds.size();
    for (const auto& [r, d] : w.data) w.Stream(r, d);
    // What follows the last "%%EOF" (and its line end) is data after the end.
    ByteRange last = w.text.back();
    int64_t after = -1;
    for (int64_t from = last.pos, hit;
         (hit = FirstHit(w.f, from, last.End() - from, {"%%EOF"}, [](int64_t, int) { return true; })) >= 0;)
        after = from = hit + 5;
    for (uint8_t c = 0; after >= 0 && after < last.End() && w.f.U8(after, c) && (c == '\r' || c == '\n');) ++after;
    if (after >= 0 && after < last.End()) w.text.back().len = after - last.pos;
    for (const ByteRange& t : w.text) {
        // The text around the strings blanked follows the opaque rule.
        std::vector<ByteRange> blanked;
        w.InfoStrings(t, blanked);
        int64_t from = t.pos;
        for (const ByteRange& b : blanked) w.Opaque({from, b.pos - from}, at), from = b.End();
        w.Opaque({from, t.End() - from}, at);
    }
    if (after >= 0 && after < last.End())
        sink.AfterEnd({after, last.End() - after}, last.End() == w.f.Length(), at);
    if (!signed_) return;
    std::vector<PositionFind>& finds = sink.Result().finds;
    for (size_t i = first; i < finds.size(); ++i)
        if (finds[i].removable) finds[i].removable = false, finds[i].why = FindWhy::DocumentSigned;
}
