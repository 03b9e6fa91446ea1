// MPEG transport streams: AVCHD clips from camcorders and cameras (.MTS,
// .M2TS: 192-byte packets, a 4-byte time stamp before each) and plain
// transport streams (188-byte packets). Every packet's header is read; each
// video PES (an H.264 access unit; its first MiB) is gathered across
// packets and its NAL units scanned for the MDPM block that holds the
// camera's fix (see H264Sei.h). The PAT and the PMTs say each stream's
// type: sound and subtitle bitmaps are not read; every other stream that
// is not pictures (private data, metadata, text subtitles, and a PID no
// table names, as dashcams and drones keep their fixes there) is read unit
// by unit (a PES, or the bytes between two unit starts), and a unit that
// holds a fix (see StreamDataHoldsFix) is zeroed after its PES header.
// The other tables (service names, events) follow the opaque rule. Packets whose sync
// byte is lost, and a cut last packet, cannot be taken apart: a find when
// they hold an MDPM block or a position's text.
#pragma once
#include "platform/ByteRange.h"

#include <cstdint>

class ByteReader;
class Sink;
struct Carrier;

// True when 188- or 192-byte packets start at pos (three sync bytes in a row).
bool StartsTransportStream(const ByteReader& file, int64_t pos, int64_t end);

// Walks the transport stream in `whole`.
void WalkTsContainer(ByteRange whole, const Carrier& at, Sink& sink);
