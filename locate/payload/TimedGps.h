// Positions in a video's timed metadata samples, whatever container holds
// them: the caller lists where each sample lies.
//
// CAMM (Google's camera motion metadata): each sample is a little-endian
// packet, u16 reserved, u16 type, then a value whose size the type fixes.
// Type 5 (latitude, longitude, altitude: three doubles, 24 bytes) and
// type 6 (GPS time, fix, latitude, longitude, altitude, accuracies and
// velocities: 56 bytes) hold positions; types 0-4 and 7 (orientation,
// exposure, gyroscope, acceleration, local position, magnetic field) do
// not. A sample holding several packets one after the other is read
// packet by packet.
//
// GPMF (GoPro's metadata): big-endian KLV, a four-letter key, a type byte
// (0: the value is itself KLV, as DEVC and STRM are), a structure size
// byte and a 16-bit repeat count, then size * repeat bytes padded to a
// multiple of 4. GPS5 and GPS9 hold positions, GPSU the time of the fix
// and GPSP its precision.
//
// Sony's rtmd: a big-endian header whose first 16 bits give its length,
// then items: a 16-bit tag, a 16-bit length and the value; tag 0x060E is
// a 16-byte key with no length, tag 0x8300 a set whose items follow at
// once, tag 0 ends the sample. Tags 0x8500 to 0x85FF are the GPS IFD's
// tags (0x8502 latitude, 0x8504 longitude).
//
// RVMI (a `data` track some dashcams write): little-endian records, each
// a four-letter tag first; "gReV" holds a fix (latitude and longitude as
// millionths of a degree, altitude, speed, track).
//
// DJI's djmd (drones, action cameras): each sample a protobuf message; the
// first names its protocol at field 1.1.1 ("dvtm_Mini4_Pro.proto"), which
// says where a frame's fix lies (3.3.4.1 for most drones, 3.4.4.1 for
// Avata 2 and Neo, 3.4.2.1 for the Osmo cameras): a message whose fields
// 2 and 3 are the latitude and longitude as doubles. A protocol not known
// cannot be cleaned.
//
// Parrot's mett (drones; its sample description's MIME type names
// "com.parrot.videometadata"): big-endian records of an id ("P1", "P2",
// "P3") and a length in 32-bit words that counts the extensions after the
// base record. The fix (latitude, longitude, altitude) lies at +28 in a
// P1 extended record (a recorded v1 sample has no id: 60 bytes, the fix at
// +32), at +8 in P2 and P3; the extensions E2 (follow-me) and E3
// (automation) hold the target's and the destination's after their header.
// A later version (its records are not laid out so) cannot be cleaned.
//
// Text (a subtitle track's `tx3g` or QuickTime `text` samples): a 16-bit
// big-endian length, then the text (style boxes may follow). Drones and
// dashcams caption each frame with their fix ("GPS (139.7454, 35.6586,
// 20)", "[latitude: 35.6586]", "Lat:35.6586"); a text holds a position
// when it holds an ISO 6709 string, or "GPS", "lat"/"lon" before a colon,
// "latitude" or "longitude" beside a number with three digits or more
// after its point (so that speech naming GPS stays), or an NMEA sentence
// with a fix ("$GPRMC,120000,A,3539.516,N,..."); UTF-16 text (a byte
// order mark first) is read by its ASCII characters. Dashcams' binary
// records in a text track (Garmin's "PNDM", enciphered BlueSkySea and
// Ambarella records) hold a position too; the whole sample is zeroed.
//
// ISO's simple text samples (`sbtt`, `stxt`): plain text, read as a
// caption and zeroed whole. WebVTT samples in a clip (`wvtt`): boxes; each cue's text, settings and
// id, and each comment, read as a caption above and zeroed alone. TTML
// samples (`stpp`): XML documents; one that names a coordinate cannot be
// cleaned.
//
// AVI text streams ("txts"): each chunk a sample with no length before
// it, plain text (read as a caption above), or, where the stream's handler
// is "USER" (Momento dashcams), a binary record that is all fix (altitude,
// speed, latitude, longitude and time at 28 to 72), zeroed whole.
//
// Removal zeroes the values (a CAMM packet's value, a GPS KLV's data, an
// rtmd GPS item's value, a gReV record after its tag, a djmd latitude
// or longitude, a Parrot fix, a caption's text)
// and keeps every header, type and size, so the samples
// keep their length and still parse. A value of zeros holds no position:
// a cleaned track is found clean.
#pragma once
#include "exif/ByteReader.h"
#include "locate/Find.h"
#include "locate/StripPlan.h"
#include "platform/ByteRange.h"

#include <cstdint>
#include <vector>

enum class TimedFormat : uint8_t { Camm, Gpmf, Rtmd, Rvmi, Djmd, Parrot, Text, PlainText, WholeFix, WebVtt, Ttml };

struct TimedGpsScan {
    // At most one find for the whole track (picture and carrier unset):
    // removable, at the first value that holds a position; or not
    // removable (TimedGpsUnreadable), at the first sample part that cannot
    // be taken apart and may hold one.
    std::vector<PositionFind> finds;
    StripPlan plan;  // zeros over every value; empty unless the find is removable
};

// True when the n bytes at p, a unit of a stream no table names for
// sound or pictures (a transport stream's private data, as dashcams keep
// their fixes), hold a position: a caption's text or binary fix (as
// above); a Novatek record ("A", "N"/"S", "E"/"W" at 24, or at 188 after
// a key table), an INNOVV record ("A", the hemispheres, a zero, at 0), an
// Akaso record ("A\0\0\0" at 44, the hemispheres 8 and 16 bytes on), a
// DOD record list ("$S" at 32 and 64), Ligo's "LIGOGPSINFO" (at 0 or 8), or a
// MISB KLV set (its key 06 0E 2B 34 at 0 or 5: a drone's sensor position).
bool StreamDataHoldsFix(const uint8_t* p, int64_t n);

// Scans the samples at `samples` (file ranges that share no byte) one at
// a time. A sample outside the file, or samples whose lengths add up to
// more than the file (they overlap), make the track unreadable.
TimedGpsScan ScanTimedGps(const ByteReader& file, TimedFormat fmt, const std::vector<ByteRange>& samples);

// True when the n bytes at p, a whole text (UTF-16 after a byte order
// mark), name a coordinate: an NMEA sentence with a fix, or a word the
// caption rule above takes ("latitude", "lat:", "lon=", "coordinates", ...)
// with a number of three decimals or more within 48 bytes after it ("latitude":
// 35.6586, <coordinates>139.7454,35.6586); or a coordinate pair written
// bare ("IMG_1234.JPG,35.6586,139.7454"), or as ISO 6709 writes it whatever
// follows ("+35.6586+139.7454+1?.0/"). "GPS" and whole ISO 6709 strings
// are the opaque rule's.
bool TextHoldsPosition(const uint8_t* p, int64_t n);

// The same, or an ISO 6709 string: a text people write (a description, a
// caption, a tag's value) that names a coordinate.
bool TextNamesCoordinate(const uint8_t* p, int64_t n);

// True when they hold an ISO 6709 string, or its pair of degrees whatever
// follows: coordinates as a program writes them into a field of any name.
bool HoldsIso6709Pair(const uint8_t* p, int64_t n);
