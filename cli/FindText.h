// The locator's finds in words, for the companion's lines and JSON.
#pragma once
#include "locate/Find.h"

#include <string>
#include <vector>

// A short name of a find's kind: "Exif GPS IFD", "XMP", ...
const char* FindKindName(FindKind k);

// A container's name: "PNG", "ISOBMFF (HEIF, MP4, MOV)", ...
const char* ContainerName(Container c);

// Why a find cannot be removed, as a clause: "its GPS IFD lies outside the
// Exif segment".
const char* FindWhyText(FindWhy w);

// Where a find lies, as a path through the structures that hold it:
// "picture 2 / APP1 #3 / Exif GPS IFD".
std::string FindCarrier(const PositionFind& f);

// The finds as one line's text: "Exif GPS IFD at 3206, XMP at 5120"; a
// find in a further picture names it ("picture 2: XMP at 901234"); a file
// that was not taken apart says so ("not checked: PNG is not read yet").
std::string DescribeFinds(const std::vector<PositionFind>& finds);
