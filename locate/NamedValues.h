// Text documents that name their values (JSON members, XML elements and
// attributes): which names name a position or a place, and how the values
// found under them are reported and blanked.
#pragma once
#include "exif/ByteReader.h"
#include "platform/ByteRange.h"

#include <cstdint>
#include <string_view>
#include <vector>

class ContentMap;
class Sink;
struct Carrier;

// True when a name names a position: "latitude" or "longitude" (and longer
// names starting or ending so, as "latitudeE7", "homeLatitude"), "lat",
// "lon", "lng", "coordinates", a name starting "geo" or holding "gps" (any
// case).
bool NamesPosition(std::string_view name);

// The same without the names starting "geo", which in XML name fonts,
// countries and shapes as often ("Georgia", "geometry").
bool NamesPositionWord(std::string_view name);

// True when a name names a place (a city, a country, an address).
bool NamesPlace(std::string_view name);

// True when the n bytes at p, a place's value, are coordinates rather than
// a name: they open as an ISO 6709 latitude does ("+35.65", whatever
// follows), or are written in numbers, not words (six digits or more, a
// decimal point or comma, no two letters side by side), as a "location"
// holding a coordinate string still is when damaged ("+35.6586+139,7454/").
bool PlaceHoldsCoordinate(const uint8_t* p, int64_t n);

// A document's values, sorted by the names above them; ranges are from
// the document's first byte.
struct NamedValues {
    std::vector<ByteRange> numbers, texts;  // under a name that names a position
    std::vector<ByteRange> places;          // under a name that names a place
    std::vector<ByteRange> strings;         // others
};

// Reports the values of the n-byte document at p, which lies at `whole` in
// the file: a position's numbers become "0" and spaces, its texts spaces
// (zero and empty ones name none); an ISO 6709 string anywhere is blanked,
// and a place's value that is coordinates (PlaceHoldsCoordinate);
// another string naming a number as "GPS" ("GPS 35.6586 N", not "source":
// "GPS") or a coordinate in words ("Lat: 35.6586") is a find that cannot be
// removed; a picture held as base64 text is walked as a file of its own;
// with place names asked for, places are blanked.
void AddNamedValues(Sink& sink, const uint8_t* p, ByteRange whole, const NamedValues& v, const Carrier& at);

// One text a tag format names (an ID3 frame, an ASF attribute, an audio
// file's text chunk), whose characters lie at `at` and read as `text` (see
// NarrowUtf16): a position when `name` names one or the text names a
// coordinate (TextNamesCoordinate), or `name` names a place and the text
// is coordinates (PlaceHoldsCoordinate), written over with spaces, or zeros in
// UTF-16 (`wide`); a place's name on request. Blank texts name nothing.
// True when it was a find.
bool AddTextValue(Sink& sink, ByteRange at, const std::vector<uint8_t>& text, std::string_view name, bool wide,
                  const Carrier& c);
// The same for a text whose characters a container cuts into pieces
// (`chars`, as GIF sub-blocks do) or writes otherwise (a PDF's hex
// digits), written over with `fill`; the find is reported at `where`.
bool AddTextValue(Sink& sink, const ContentMap& chars, ByteRange where, const std::vector<uint8_t>& text,
                  std::string_view name, uint8_t fill, const Carrier& c);

// A tag format's text read whole from the file: at most 1 MiB (a longer
// one is treated as opaque). Null when r is longer or cannot be read.
const uint8_t* TextSpan(const ByteReader& file, ByteRange r);

// The one-byte text at r, its trailing NULs left out, as AddTextValue reads
// it. False when r cannot be read by TextSpan: the caller then treats r as
// opaque.
bool AddTextAt(Sink& sink, ByteRange r, std::string_view name, const Carrier& c);
// The same, true only when the text was a find: for a text that the caller
// otherwise treats as opaque (a comment, a free-form title).
bool TextFindAt(Sink& sink, ByteRange r, std::string_view name, const Carrier& c);

enum class TextRead : uint8_t { Unreadable, Find, NoFind };
// The UTF-16 text at r (little-endian unless `bigEndian`), its trailing NUL
// characters left out, as AddTextValue reads it, written over with zeros.
TextRead Utf16TextAt(Sink& sink, ByteRange r, bool bigEndian, std::string_view name, const Carrier& c);
