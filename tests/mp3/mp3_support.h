// Helpers for the MP3 walker tests: audio frames and report runs.
#pragma once

#include <cstdint>
#include <string>

#include "common/source.h"
#include "mp3/mpeg.h"
#include "support/bytes.h"
#include "support/capture.h"

namespace test {

inline const std::string kStart = "MPEG (MP3) file start\n";

// An audio frame: the header bytes FF b1 b2 b3, then zeros up to `length`.
inline Bytes audio_frame(int b1, int b2, int b3, size_t length) {
  Bytes b{0xFF, b1, b2, b3};
  if (length > 4) b.fill(length - 4, 0);
  return b;
}

// The 4-byte free-format frame FF FB 00 00 (bit rate 0): a frame of
// length 0 that the walker passes over header only.
inline Bytes free_frame() { return Bytes{0xFF, 0xFB, 0x00, 0x00}; }

// Walks `bytes` as an MP3 file at depth 0, from a stream or, with
// memory, from a memory block.
inline std::string walk(const Bytes& bytes, int verbosity, size_t buffer = tagdelve::kStreamBuffer,
                        bool memory = false) {
  Levels lv(verbosity, 0);
  Capture cap;
  MemStream ms(bytes.v, buffer);
  tagdelve::Source src =
      memory ? tagdelve::Source::of_memory(bytes.data(), static_cast<int64_t>(bytes.size())) : ms.source();
  tagdelve::mpeg_file(src);
  return cap.text();
}
inline std::string walk_memory(const Bytes& bytes, int verbosity) {
  return walk(bytes, verbosity, tagdelve::kStreamBuffer, true);
}

// The statistics and end lines at depth 0.
inline std::string stats(long long frames, const std::string& time, const std::string& rate,
                         long long length) {
  return "Statistics\n\tData frames: " + std::to_string(frames) + "\n\tRunning time: " + time +
         "\n\t" + rate + "\n\tFile length: " + std::to_string(length) +
         "bytes\nMPEG (MP3) file end\n";
}
inline std::string no_frames(long long length) {
  return stats(0, "0m 0.000s", "Constant bitrate: -1kbps", length);
}
// A file whose only audio frame is a free-format one.
inline std::string one_free_frame(long long length) {
  return stats(1, "0m 0.026s", "Constant bitrate: 0kbps", length);
}

}  // namespace test
