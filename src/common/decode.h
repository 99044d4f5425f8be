// Integer decoders for header fields: big-endian, 7 bits per byte (ID3v2
// "syncsafe"; every byte is taken at its full value) and little-endian.
// None checks its input: the caller guarantees the bytes are there.
#pragma once

#include <cstdint>

namespace tagdelve {

// Unsigned, big-endian.
inline uint32_t word16(const uint8_t* p) { return uint32_t{p[0]} << 8 | p[1]; }
inline uint32_t word24(const uint8_t* p) { return uint32_t{p[0]} << 16 | word16(p + 1); }
inline uint32_t be32(const uint8_t* p) { return uint32_t{p[0]} << 24 | word24(p + 1); }
inline uint64_t be64(const uint8_t* p) { return uint64_t{be32(p)} << 32 | be32(p + 4); }

// Unsigned, little-endian.
inline uint32_t swab16(const uint8_t* p) { return p[0] | uint32_t{p[1]} << 8; }
inline uint32_t le32(const uint8_t* p) { return swab16(p) | swab16(p + 2) << 16; }
inline uint64_t swab64(const uint8_t* p) { return le32(p) | uint64_t{le32(p + 4)} << 32; }

// The 32-bit patterns as the signed numbers some formats declare: a top
// byte of 0x80 or more is negative.
inline int32_t word32(const uint8_t* p) { return static_cast<int32_t>(be32(p)); }
inline int32_t swab32(const uint8_t* p) { return static_cast<int32_t>(le32(p)); }

inline int32_t syncsafe(const uint8_t* p) {
  return ((p[0] * 128 + p[1]) * 128 + p[2]) * 128 + p[3];
}

inline int32_t syncsafe3(const uint8_t* p) { return (p[0] * 128 + p[1]) * 128 + p[2]; }

}  // namespace tagdelve
