// Base64 text, as XML documents hold binary data (an SVG's data URIs, a
// property list's <data>): its characters and where each lies, the bytes
// they stand for, and the characters to write back where a strip changed
// those bytes. A changed group of three bytes is four characters anew, so
// the text keeps its length, its line ends and every other character.
#pragma once
#include "exif/ByteReader.h"
#include "locate/ContentMap.h"
#include "locate/StripPlan.h"
#include "platform/ByteRange.h"

#include <cstdint>
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
