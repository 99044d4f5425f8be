// WAV files: a RIFF form of type WAVE (RF64 and BW64 for 64-bit sizes),
// walked chunk by chunk. The audio samples are passed over, not read.
#pragma once

#include <cstdint>

#include "common/report.h"
#include "common/source.h"

namespace tagdelve {

// "RIFF", "RF64" or "BW64", then "WAVE" at offset 8: a strong sign.
Probe wav_probe(const uint8_t* p, int64_t n);

void wav_file(Report& r, Source& src);

}  // namespace tagdelve
