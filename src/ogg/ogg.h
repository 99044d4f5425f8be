// Ogg streams (Vorbis, Opus, FLAC and Speex in Ogg): pages, each checked by
// its CRC, the logical streams that their serial numbers tell apart, and
// the header packets of each stream, gathered from the pages they span and
// decoded. Audio packets are counted, not decoded.
#pragma once

#include <cstdint>

#include "common/report.h"
#include "common/source.h"

namespace tagdelve {

// "OggS" and version 0 at the start: a strong sign.
Probe ogg_probe(const uint8_t* p, int64_t n);

void ogg_file(Report& r, Source& src);

}  // namespace tagdelve
