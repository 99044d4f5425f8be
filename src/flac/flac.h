// FLAC streams: the "fLaC" marker and the chain of metadata blocks. The audio
// frames after the last block are not decoded.
#pragma once

#include <cstdint>

#include "common/source.h"

namespace tagdelve {

// Block type names, indexed by type; every type above 6 uses row 7.
extern const char* const flac_block[8];

int flac_file(Stream* stream, const uint8_t* block, int64_t limit);

// Reads, prints and releases one metadata block at *offset and advances the
// offset past it. Returns 1 when another block follows, 0 after the last
// block or when the header or body cannot be read.
int metadata_block(Stream* stream, const uint8_t* block, int64_t* offset, int64_t limit);

}  // namespace tagdelve
