// The bodies of the PNG chunks that the walker decodes, and what it knows of
// every chunk type.
#pragma once

#include <cstdint>

#include "common/report.h"
#include "common/source.h"

namespace tagdelve {

// What the walk of one PNG file keeps from chunk to chunk.
struct PngState {
  int colour_type = -1;  // from IHDR
  int64_t frames = -1;   // as acTL announces them
  int64_t frame_controls = 0;  // fcTL chunks met
};

struct ChunkKind {
  char type[5];
  const char* what;  // shown at verbose > 0
  uint32_t size;     // of a chunk whose size is fixed; 0 for any other
  // Decodes the chunk's data, held in memory; nullptr for a chunk whose data
  // is only passed over (its CRC checked as it goes by).
  void (*decode)(Report& r, const Source& data, PngState& png);
};

// The row of a chunk type, or nullptr.
const ChunkKind* find_chunk(const uint8_t* type);

// At most this many bytes are inflated of a compressed text or profile.
constexpr int64_t kInflateCap = int64_t{1} << 20;

}  // namespace tagdelve
