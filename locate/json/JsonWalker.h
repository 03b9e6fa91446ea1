// JSON text, as photo services keep a photo's data beside it (an export's
// "IMG_1234.jpg.json": "geoData": {"latitude": 35.6586, ...}) and as
// metadata tools print it ("GPSLatitude": "35 deg 39' ...").
//
// A value names a position when its member's name does: "latitude" or
// "longitude" (and longer names starting so, as "latitudeE7"), "lat",
// "lon", "lng", "coordinates" (GeoJSON), a name starting "geo" ("geoData",
// "geometry") or holding "gps" (any case), with everything inside an
// object or array under such a name; zero and empty text name none. Such
// a number becomes "0" and spaces, such a string's text spaces: the text
// stays JSON of the same length. A string anywhere holding an ISO 6709
// coordinate string is blanked too; one naming a number as "GPS" ("GPS
// 35.6586 N"), or a coordinate in words as a caption does ("Lat:
// 35.6586"), is a find that cannot be removed (see NamedValues.h). With place names asked for, strings under a name
// that names a place ("city", "country", "address", "place", "location",
// ...) are blanked too.
#pragma once
#include "platform/ByteRange.h"

#include <cstdint>

class ByteReader;
class Sink;
struct Carrier;

// True when a file is one JSON object or array (at most 64 MiB, nested at
// most 64 deep), with blanks around it.
bool StartsJson(const ByteReader& file, int64_t pos, int64_t end);

// Walks the JSON text in `whole`.
void WalkJsonContainer(ByteRange whole, const Carrier& at, Sink& sink);
