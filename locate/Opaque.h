// Bytes the walk cannot take apart (stray bytes, data after a picture, a
// part of no known structure) count as a position when they hold one's
// text: "GPS", or an ISO 6709 coordinate string as video location atoms
// store it ("+35.6586+139.7454/", "+35.6586+139.7454+010.000/",
// "+3539.52+13944.72/", unpadded "+1.3521+103.8198/").
#pragma once
#include "exif/ByteReader.h"
#include "locate/Find.h"
#include "platform/ByteRange.h"

#include <cstdint>
#include <vector>

enum class OpaqueText : uint8_t { None, Gps, Iso6709 };

// What position text the n bytes at pos hold ("GPS" is looked for first).
// In `compressed` data "GPS" counts only inside readable text.
OpaqueText OpaqueHolds(const ByteReader& file, int64_t pos, int64_t n, bool compressed = false);

// True when the n bytes at pos contain the text "GPS".
bool HoldsGpsText(const ByteReader& file, int64_t pos, int64_t n);

// True when they hold "GPS" inside readable text: a run of at least 8
// printable characters, as a note or a caption appended to compressed data
// is. The test for compressed data, whose random bytes hold "GPS" about
// once in 16 MiB (a few of every ten photos of some megabytes).
bool HoldsGpsInText(const ByteReader& file, int64_t pos, int64_t n);

// True when the n bytes at pos name a place property: a C2PA manifest's
// broad location assertion ("location.broad") or an XMP place property
// written out ("photoshop:City", "Iptc4xmpCore:Location", ...), as signed
// manifests and parts no rule reads carry them. Asked only with place names.
bool HoldsPlaceText(const ByteReader& file, int64_t pos, int64_t n);

// One signed number at p (before end), as ISO 6709 writes each part: a
// sign, integer digits, an optional fraction. Its digit counts go to `ints`
// and `fraction`; p moves past it.
bool SignedNumber(const uint8_t*& p, const uint8_t* end, int& ints, int& fraction);

// True when such a number of `ints` whole digits and `fraction` decimals is
// a latitude (DD, DDMM, DDMMSS) or a longitude (DDD, DDDMM, DDDMMSS), or
// degrees left unpadded with three decimals or more ("+1.3521", "-9.1393"),
// as writers that print a number as it is make them and readers take them.
bool Iso6709Degrees(int ints, int fraction, bool longitude);

// True when the n bytes at p contain an ISO 6709 coordinate string.
bool HoldsIso6709(const uint8_t* p, int64_t n);

// The find bytes in `r` make under this rule, if any: of `kind` with
// whyGps or whyIso6709 when they hold a position's text; with `placeNames`,
// a place name (PlaceTextUnparsed) when they hold a place's. Not removable.
bool OpaqueFind(const ByteReader& file, ByteRange r, FindKind kind, FindWhy whyGps, FindWhy whyIso6709,
                bool placeNames, PositionFind& out, bool compressed = false);

// UTF-16 text (little-endian unless `bigEndian`) as its ASCII characters,
// any other character as '?', so that the rules above read it.
std::vector<uint8_t> NarrowUtf16(const uint8_t* p, int64_t n, bool bigEndian);
