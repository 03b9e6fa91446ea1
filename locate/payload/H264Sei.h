// Positions in H.264 video as camcorders and cameras recording AVCHD keep
// them: an SEI message of unregistered user data with the UUID
// 17ee8c60-f84d-11d9-8cd6-0800200c9a66 and "MDPM" (modified DV pack
// metadata), then a count and entries of a tag and four bytes. Tags 0xB0
// to 0xCF are the GPS IFD's (0xB0 plus the Exif GPS tag number): version,
// latitude and longitude with their references, altitude, time, speed,
// direction, datum.
//
// The bytes given are the start of an access unit as the stream holds it:
// NAL units after start codes, with their emulation prevention bytes
// (00 00 03). Every NAL unit is looked at: the SEI should come before the
// slices, but some writers put it after them.
//
// Removal writes each GPS entry's four bytes as a value that names no
// place: 0 over 65535 for a number, an empty text. It is written in the
// raw form, escaped again, and takes exactly the raw bytes the old value
// took (where the old one needed an emulation prevention byte, the new one
// needs one too), so that nothing after it moves. A value whose raw bytes
// no such form fits, an SEI cut short that may hold one, cannot be removed.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct MdpmScan {
    struct Write {
        int64_t off;      // in the bytes given
        std::string raw;  // written there, its length the old value's
    };
    int64_t first = -1;  // the first GPS value, in the bytes given
    int64_t bad = -1;    // the first place that cannot be taken apart or changed
    std::vector<Write> writes;
};

// Scans the n bytes at p, the start of an access unit; `cut` when the
// access unit goes on past them.
void ScanAccessUnit(const uint8_t* p, int64_t n, bool cut, MdpmScan& out);
