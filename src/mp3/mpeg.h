// MPEG audio files: the item scanner that walks audio frames and the tags
// that stand before, between or after them, with statistics over the frames.
#pragma once

#include <cstdint>

#include "common/report.h"
#include "common/source.h"

namespace tagdelve {

// Frame header field names, indexed by the version, layer and protection bits.
extern const char* const MPEG_versions[4];
extern const char* const MPEG_layers[4];
extern const char* const MPEG_flags[2];

// Sample rates in Hz by version and sample-rate index; bit rates in kbit/s by
// the low bit of the version (MPEG-2 and MPEG 2.5 share theirs), the layer
// and the bit-rate index. -1 marks a reserved entry, 0 the free format.
extern const int32_t MPEG_samples[4][4];
extern const int32_t MPEG_bitrates[2][4][16];

// Statistics over the audio frames of one walk.
struct MpegStats {
  int64_t data_frames = 0;   // audio frames seen
  int64_t cum_bitrate = 0;   // sum of their bit rates, kbit/s
  int32_t last_bitrate = -1; // bit rate of the latest frame, -1 before any
  bool vbr = false;          // set once two successive frames differ
  // Samples of the frames by version and sample-rate index (the indexes of
  // MPEG_samples): a frame lasts its samples over its own sample rate.
  int64_t samples[4][4] = {};
  // The frame count that an encoder's info header (Xing, Info, VBRI) in the
  // first frame gives for the frames after it, and the header's name; -1
  // without one.
  int64_t info_frames = -1;
  const char* info_kind = nullptr;
};

// Samples in a frame, by version and layer index: 384 for layer I, 1152 for
// layer II, 1152 for MPEG-1 layer III and 576 for MPEG-2 and MPEG 2.5 layer
// III; 0 for the reserved version or layer.
extern const int32_t MPEG_frame_samples[4][4];

// The running time of the frames counted, in seconds.
double running_time(const MpegStats& stats);

// A tag walker, handed an item by its signature: `sig` (10 bytes) holds the
// 4 bytes already read, which began at offset `at`. The walker reads the
// rest of its item and returns true to go on with the next item, false to
// end the walk.
using TagWalker = bool (*)(Report& r, Source& src, uint8_t* sig, int64_t at);

// The length of the audio frame whose header is at h (4 bytes), or 0 when
// the header has a reserved version, layer, bit-rate or sample-rate index,
// or the free format: a frame whose length the header does not give.
int32_t mpeg_frame_length(const uint8_t* h);

// The first bytes of an MP3 file: an ID3v2 tag header (a strong sign), or
// an audio frame header followed, where the frame ends, by another (a weak
// one: a stray pair of sync bytes in other data is not taken for MPEG audio).
Probe mp3_probe(const uint8_t* p, int64_t n);

// Walks an MPEG audio file item by item and prints the statistics.
void mpeg_file(Report& r, Source& src);

// Reads and handles one item: an audio frame is decoded and skipped here, a
// tag is handed to its walker. Returns false when the walk ends.
bool mpeg_frame(Report& r, Source& src, MpegStats& stats);

}  // namespace tagdelve
