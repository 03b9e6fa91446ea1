// A profile written as hex text in a PNG text chunk (keyword "Raw profile
// type exif", "... APP1", "... xmp"), as picture tools keep Exif and XMP
// there: a newline, the profile's name, a newline, spaces and the decimal
// byte count, a newline, then two hex digits per byte in lines of 72
// (anything between digits is skipped, as the text's readers skip it).
//
// The hex is decoded and the profile scanned as its own block: a TIFF
// structure's GPS IFDs (Exif, or an APP1 segment's "Exif\0\0" and TIFF),
// XMP properties (an xmp profile, or an APP1 segment's XMP), or IPTC place
// names (an iptc or 8bim profile, whose IPTC digest is written anew). Its removal is
// planned on the digits: each byte the strip changes gets the two hex
// digits of its new value (a cleared GPS IFD's digits become '0'), so the
// text keeps its length, its lines and its newlines. A TIFF structure's
// GPS IFD is cleared whole (entries and values), whatever the strip's mode:
// its removal is planned here, in the text's digits.
#pragma once
#include "exif/ByteReader.h"
#include "locate/Find.h"
#include "locate/StripPlan.h"

#include <cstdint>
#include <string_view>
#include <vector>

// What a raw profile holds, from the name in its chunk's keyword.
// Iptc (IPTC datasets) and Irb (Photoshop's image resources, "8bim") hold
// place names only: they are read when place names are asked for.
enum class RawProfileKind : uint8_t { None, Exif, App1, Xmp, Iptc, Irb };

// The kind a text chunk's keyword names; None for any other keyword.
RawProfileKind RawProfileOf(std::string_view keyword);

// Scans the raw profile text at [pos, pos+len) of `text` (a file, or a
// chunk's inflated text). The finds and the plan use offsets of `text`:
// each find lies at the digits of what it found. False when the text does
// not start as a raw profile does (nothing is then decoded). With
// `placeNames`, XMP place properties count too (see ScanXmpDocs).
bool ScanRawProfile(const ByteReader& text, int64_t pos, int64_t len, RawProfileKind kind, bool placeNames,
                    std::vector<PositionFind>& finds, StripPlan& plan);
