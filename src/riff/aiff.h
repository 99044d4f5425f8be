// AIFF and AIFF-C files: an IFF form of type AIFF or AIFC, walked chunk by
// chunk. The sound data is passed over, not read.
#pragma once

#include <cstdint>

#include "common/report.h"
#include "common/source.h"

namespace tagdelve {

// "FORM", then "AIFF" or "AIFC" at offset 8: a strong sign.
Probe aiff_probe(const uint8_t* p, int64_t n);

void aiff_file(Report& r, Source& src);

// The 80-bit extended number of a sample rate (a sign bit, a 15-bit
// exponent biased by 16383, a 64-bit mantissa whose top bit is the integer
// part): exact when it is whole (`integer`, the sign apart), else as near
// as a double comes.
struct Extended {
  bool negative = false;
  bool whole = false;
  uint64_t integer = 0;
  double value = 0;
};
Extended extended(const uint8_t* p);

}  // namespace tagdelve
