// Integer decoders for header fields: big-endian, 7 bits per byte (ID3v2
// "syncsafe"; every byte is taken at its full value) and little-endian.
// None checks its input: the caller guarantees the bytes are there.
#pragma once

#include <cstdint>

namespace tagdelve {

inline int32_t word16(const uint8_t* p) { return (p[0] << 8) | p[1]; }

inline int32_t word24(const uint8_t* p) { return (p[0] << 16) | (p[1] << 8) | p[2]; }

// The 32-bit pattern as a signed value: a first byte of 0x80 or more is negative.
inline int32_t word32(const uint8_t* p) {
  return static_cast<int32_t>((uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) |
                              (uint32_t{p[2]} << 8) | p[3]);
}

inline int32_t syncsafe(const uint8_t* p) {
  return ((p[0] * 128 + p[1]) * 128 + p[2]) * 128 + p[3];
}

inline int32_t syncsafe3(const uint8_t* p) { return (p[0] * 128 + p[1]) * 128 + p[2]; }

inline int32_t swab16(const uint8_t* p) { return p[0] | (p[1] << 8); }

inline int32_t swab32(const uint8_t* p) {
  return static_cast<int32_t>(p[0] | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) |
                              (uint32_t{p[3]} << 24));
}

inline uint64_t swab64(const uint8_t* p) {
  uint64_t v = 0;
  for (int i = 7; i >= 0; --i) v = (v << 8) | p[i];
  return v;
}

}  // namespace tagdelve
