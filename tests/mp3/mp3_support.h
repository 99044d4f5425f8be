// Helpers for the MP3 walker tests: audio frames and report runs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/source.h"
#include "mp3/mpeg.h"
#include "support/bytes.h"
#include "support/capture.h"

namespace test {

// An audio frame: the header bytes FF b1 b2 b3, then zeros up to `length`.
inline Bytes audio_frame(int b1, int b2, int b3, size_t length) {
  Bytes b{0xFF, b1, b2, b3};
  if (length > 4) b.fill(length - 4, 0);
  return b;
}

// The 4-byte free-format frame FF FB 00 00 (bit rate 0): a frame of
// length 0 that the walker passes over header only.
inline Bytes free_frame() { return Bytes{0xFF, 0xFB, 0x00, 0x00}; }

// Walks `bytes` as an MP3 file read from a stream, at depth 0.
inline std::string walk(const Bytes& bytes, int verbosity, size_t buffer = tagdelve::kStreamBuffer) {
  Levels lv(verbosity, 0);
  Capture cap;
  MemStream ms(bytes.v, buffer);
  tagdelve::mpeg_file(ms.get(), nullptr, 0);
  return cap.text();
}

// The statistics and end lines at depth 0.
inline std::string stats(long long frames, const std::string& time, const std::string& rate,
                         long long length) {
  return "Statistics\n\tData frames: " + std::to_string(frames) + "\n\tRunning time: " + time +
         "\n\t" + rate + "\n\tFile length: " + std::to_string(length) +
         "bytes\nMPEG (MP3) file end\n";
}

}  // namespace test
