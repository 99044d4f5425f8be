// FLAC streams: the "fLaC" marker and the chain of metadata blocks. The audio
// frames after the last block are not decoded. The blocks' printers are
// shared with FLAC in Ogg (xiph/flac_blocks.h).
#pragma once

#include <cstdint>

#include "common/report.h"
#include "common/source.h"

namespace tagdelve {

// "fLaC" at the start: a strong sign.
Probe flac_probe(const uint8_t* p, int64_t n);

void flac_file(Report& r, Source& src);

}  // namespace tagdelve
