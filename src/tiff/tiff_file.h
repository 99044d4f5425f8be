// The TIFF file walker (.tif, .tiff, .dng): the header and every directory
// it leads to, read in place at their offsets; strips and tiles are never
// read.
#pragma once

#include <cstdint>

#include "common/report.h"
#include "common/source.h"

namespace tagdelve {

// "II*\0" or "MM\0*" at the start: a strong sign.
Probe tiff_probe(const uint8_t* p, int64_t n);

// Walks the TIFF data of a source: a file, an archive member or bytes held in
// memory. From a pipe, which cannot be read at positions, the first
// kPipeHeld bytes are held in memory and walked.
void tiff_file(Report& r, Source& src);

constexpr int64_t kPipeHeld = int64_t{64} << 20;

}  // namespace tagdelve
