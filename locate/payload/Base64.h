// Base64 text, as XML documents hold binary data (an SVG's data URIs, a
// property list's <data>): its characters and where each lies, the bytes
// they stand for, and the characters to write back where a strip changed
// those bytes. A changed group of three bytes is four characters anew, so
// the text keeps its length, its line ends and every other character.
#pragma once
#include "exif/ByteReader.h"
#include "locate/ContentMap.h"
#include "locate/Find.h"
#include "locate/StripPlan.h"
#include "platform/ByteRange.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

bool Base64Char(uint8_t c);

struct Base64Text {
    std::string chars;  // in order, without white space, references and padding
    ContentMap map;     // where each lies
};

// Reads the base64 characters in r up to the padding, passing over white
// space and character references (a line end written "&#10;").
bool ReadBase64(const ByteReader& f, ByteRange r, Base64Text& out);

// The bytes the characters stand for (a last lone character stands for none).
std::vector<uint8_t> DecodeBase64(const std::string& chars);

// Fills writing, over each group of characters whose bytes changed from
// `was` to `now`, its new characters (only those that carry the group's
// bytes: a short last group's padding stays).
StripPlan RewriteBase64(const Base64Text& text, const std::vector<uint8_t>& was, const std::vector<uint8_t>& now);

// True when the base64 text starting at p (n bytes; white space and
// backslashes, as JSON escapes "/", passed over) stands for a JPEG or a PNG.
bool StartsHeldPicture(const uint8_t* p, int64_t n);

// Walks the bytes of a picture a document holds as base64 text: gives its
// finds (at offsets in the bytes) and, when every one was removed, the
// stripped bytes (else none); false when the bytes cannot be walked.
using HeldPictureScan = std::function<bool(const std::vector<uint8_t>& bytes, std::vector<PositionFind>& finds,
                                           std::vector<uint8_t>& stripped)>;

// Walks the picture whose base64 text lies at `text` in the n bytes of a
// document at p, which `doc` places in the file: adds its finds, each at
// the characters that hold it, and, when they were removed, the fills
// that write the changed characters anew. True when it added a find.
bool HeldPicture(const uint8_t* p, int64_t n, const ContentMap& doc, ByteRange text, const HeldPictureScan& scan,
                 std::vector<PositionFind>& finds, StripPlan& plan);
