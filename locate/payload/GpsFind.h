// What the thorough locator hands its parts (file ranges of segment
// payloads) and what they report back: each place that holds a position,
// whether it can be removed, and every byte a strip may change.
#pragma once
#include "platform/ByteRange.h"

#include <cstdint>


struct GpsFind {
    enum Kind : uint8_t {
        kXmpAttribute,          // exif:GPS...="..." in a main XMP packet
        kXmpElement,            // <exif:GPS...>...</exif:GPS...> or <exif:GPS.../>
        kXmpUnparsed,           // a main packet that is not well-formed and may hold one
        kExtendedXmpAttribute,  // the same in the assembled extended XMP
        kExtendedXmpElement,
        kExtendedXmpUnparsed,   // extended XMP that cannot be assembled or parsed
        kFlirGpsRecord,         // a FLIR FFF GPS record (type 0x2B) holding data
    };
    Kind kind = kXmpAttribute;
    // File position of the find's first byte, and its length. A property
    // of extended XMP may continue in the next chunk's segment: then `len`
    // counts its bytes in the assembled content. An unparsed find covers
    // the packet's payload, or the payload of the first extension segment
    // of the GUID that could not be read.
    int64_t pos = 0;
    int64_t len = 0;
    // False when the strip cannot remove it: the file cannot be made clean.
    bool removable = false;
};

// Short English name of a kind, for the companion's lines ("XMP element").
inline const char* GpsFindKindName(GpsFind::Kind k) {
    switch (k) {
    case GpsFind::kXmpAttribute: return "XMP attribute";
    case GpsFind::kXmpElement: return "XMP element";
    case GpsFind::kXmpUnparsed: return "unreadable XMP";
    case GpsFind::kExtendedXmpAttribute: return "extended XMP attribute";
    case GpsFind::kExtendedXmpElement: return "extended XMP element";
    case GpsFind::kExtendedXmpUnparsed: return "unreadable extended XMP";
    case GpsFind::kFlirGpsRecord: return "FLIR GPS record";
    }
    return "?";
}
