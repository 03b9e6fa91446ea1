// Photoshop's PSD and PSB files: a 26-byte header ("8BPS", version 1 or
// 2), the colour mode data and the image resources, each after its 32-bit
// big-endian length, then the layers and the image data. An image
// resource is a signature ("8BIM"), a 16-bit id, a Pascal name padded to
// an even length, a 32-bit size and the data, padded to an even length.
// The Exif resource (0x0422, a TIFF structure) and the XMP (0x0424) are
// scanned as in a JPEG; the thumbnails (0x040C, 0x0409) are JPEGs after a
// 28-byte header; IPTC (0x0404) is read for place names on request; other
// resources are opaque. Of the layers, only the files placed in them (smart
// objects) are read (see PsdLayers.h); the image data is not read.
#pragma once
#include "platform/ByteRange.h"

class Sink;
struct Carrier;

// Walks the image resources in `resources` (a PSD's section, a TIFF's
// tag 0x8649), their IPTC place names too with `iptcPlaces`.
void WalkImageResources(ByteRange resources, const Carrier& at, Sink& sink, bool iptcPlaces);

// Walks the PSD or PSB file in `whole`.
void WalkPsdContainer(ByteRange whole, const Carrier& at, Sink& sink);
