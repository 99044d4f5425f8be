// APE v2 tags: a 32-byte header (APETAGEX), items of a value size, flags, a
// zero-terminated key and a value, and a 32-byte footer laid out like the
// header. All integers are little-endian.
#pragma once

#include <cstdint>

#include "common/source.h"

namespace tagdelve {

// A known item key and its description; the final row, whose number is -1,
// describes every other key.
struct ape_key {
  char key[32];
  char description[64];
  int32_t number;
};

extern const ape_key ape_keys[31];

// Row of an item key (exact, case-sensitive), the final row when none matches.
int find_ape(const char* key);

// Walks the APE v2 tag whose first 4 bytes ("APET") the caller has read.
// Returns 1 with `offset` after the tag's footer, or 0 when a read failed.
int ape_tag(Stream* stream, const uint8_t* block, uint8_t* sig, int64_t& offset, int64_t limit);

}  // namespace tagdelve
