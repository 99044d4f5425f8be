// MPEG audio files: the item scanner that walks audio frames and the tags
// that stand before, between or after them, with statistics over the frames.
#pragma once

#include <cstdint>

#include "common/source.h"

namespace tagdelve {

// Frame header field names, indexed by the version, layer and protection bits.
extern const char* const MPEG_versions[4];
extern const char* const MPEG_layers[4];
extern const char* const MPEG_flags[2];

// Sample rates in Hz by version * 4 + sample-rate index; bit rates in kbit/s
// by ((version & 1) * 4 + layer) * 16 + bit-rate index. -1 marks a reserved
// entry, 0 the free-format bit rate.
extern const int32_t MPEG_samples[16];
extern const int32_t MPEG_bitrates[128];

// Statistics over the audio frames of the current walk, reset by mpeg_file.
extern int64_t data_frames;   // audio frames seen
extern int64_t cum_bitrate;   // sum of their bit rates, kbit/s
extern int32_t last_bitrate;  // bit rate of the latest frame, -1 before any
extern int16_t vbr;           // set once two successive frames differ

// A tag walker, handed an item by its signature. On entry `sig` (10 bytes)
// holds the 4 bytes already read and `offset` stands after them; the walker
// reads the rest of its item, advances `offset` by every byte it consumes and
// returns non-zero in its low 16 bits to go on, 0 to end the walk.
using TagWalker = int (*)(Stream* stream, const uint8_t* block, uint8_t* sig, int64_t& offset,
                          int64_t limit);

// Walks an MPEG audio file item by item and prints the statistics.
int mpeg_file(Stream* stream, const uint8_t* block, int64_t limit);

// Reads and handles one item at `offset`: an audio frame is decoded and
// skipped here, a tag is handed to its walker. Returns 0 when the walk ends.
int mpeg_frame(Stream* stream, const uint8_t* block, int64_t& offset, int64_t limit);

}  // namespace tagdelve
