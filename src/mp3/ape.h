// APE v2 tags: a 32-byte header (APETAGEX), items of a value size, flags, a
// zero-terminated key and a value, and a 32-byte footer laid out like the
// header. All integers are little-endian.
#pragma once

#include <cstdint>

#include "common/report.h"
#include "common/source.h"

namespace tagdelve {

// A known item key and its description.
struct ape_key {
  const char* key;
  const char* description;
};

// The row of an item key (exact, case-sensitive), or nullptr.
const ape_key* find_ape(const char* key);

// Walks the APE v2 tag whose first 4 bytes ("APET") the caller has read.
// Returns true with the source after the tag's footer, false when a read
// failed.
bool ape_tag(Report& r, Source& src, uint8_t* sig, int64_t at);

}  // namespace tagdelve
