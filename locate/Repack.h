// Content a container keeps deflated (a gzip member, a ZIP archive's entry)
// is walked as a file of its own; its positions are removed in the content,
// which is then compressed anew at exactly the stream's length (see
// DeflateToLength: spaces after text, zeros after anything else fill the
// rest). The container writes the new stream with the content's new CRC-32
// and size in its own fields.
#pragma once
#include "locate/Locator.h"

#include <cstdint>
#include <string>
#include <vector>

// The CRC-32 (ISO 3309, as gzip and ZIP keep it) of `bytes`.
uint32_t Crc32Of(const std::vector<uint8_t>& bytes);

// `v` as 4 little-endian bytes.
std::string Le32Text(uint32_t v);

struct Repacked {
    std::string stream;  // exactly the old stream's length
    uint32_t crc = 0;    // of the new content, as it inflates
    int64_t size = 0;    // ... and its length, the padding included
};

// Removes the finds of `inner` (a walk of `content`) and compresses the
// result as raw deflate into `streamLen` bytes; false when the finds
// cannot all be removed or the result does not fit.
bool RepackHeld(const std::vector<uint8_t>& content, const LocateResult& inner, int64_t streamLen, Repacked& out);
