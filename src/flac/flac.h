// FLAC streams: the "fLaC" marker and the chain of metadata blocks. The audio
// frames after the last block are not decoded.
#pragma once

#include <cstdint>

#include "common/report.h"
#include "common/source.h"

namespace tagdelve {

// Block type names, indexed by type; every type above 6 uses row 7.
extern const char* const flac_block[8];

// "fLaC" at the start: a strong sign.
Probe flac_probe(const uint8_t* p, int64_t n);

void flac_file(Report& r, Source& src);

// Reads and prints one metadata block. Returns true when another block
// follows, false after the last block or when the header or body cannot be
// read.
bool metadata_block(Report& r, Source& src);

}  // namespace tagdelve
