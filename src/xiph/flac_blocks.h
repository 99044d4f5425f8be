// FLAC metadata blocks, as a FLAC file chains them after its "fLaC" marker
// and as FLAC in Ogg carries them, one to a header packet.
#pragma once

#include <cstdint>

#include "common/report.h"
#include "common/source.h"

namespace tagdelve {

// Block type names, indexed by type; every type above 6 uses row 7.
extern const char* const flac_block[8];

// Reads and prints one metadata block. Returns true when another block
// follows, false after the last block or when the header or body cannot be
// read.
bool metadata_block(Report& r, Source& src);

}  // namespace tagdelve
