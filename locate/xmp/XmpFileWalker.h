// An XMP packet that is a file of its own: the sidecar a raw converter or
// a photo manager writes beside a raw file, holding the edits and often
// the position the user gave the picture. The whole file is one XMP
// document, scanned and cleaned as a JPEG's XMP is (properties overwritten
// with spaces, the length kept).
#pragma once
#include "platform/ByteRange.h"

#include <cstdint>

class Sink;
struct Carrier;

// True when `p` (the first n bytes of a file) starts an XMP packet: an
// optional UTF-8 byte order mark, white space, an XML declaration and
// comments, then the packet's wrapper (<?xpacket), its x:xmpmeta (or older
// x:xapmeta) element or its rdf:RDF element. Other XML (an SVG, a web
// page) is not a packet.
bool StartsXmpPacket(const uint8_t* p, int64_t n);

// Walks the packet in `whole`.
void WalkXmpFileContainer(ByteRange whole, const Carrier& at, Sink& sink);
