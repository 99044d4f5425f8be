// The CRC-32 of Ogg pages: polynomial 0x04C11DB7, most significant bit
// first (not reflected), initial value 0, no final XOR; the page's CRC field
// is taken as zero while it is computed.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tagdelve {

// How the CRC of long runs is computed: folded by carry-less multiplication,
// 64, 32 or 16 bytes at a time, where the CPU can (AVX-512, AVX2 with
// VPCLMULQDQ, PCLMULQDQ); byte by byte through a table elsewhere. The same
// value every way.
enum class CrcPath : uint8_t { table, clmul16, clmul32, clmul64 };

// The fastest path this CPU offers (as glibc found at start-up).
CrcPath crc_path();

// The CRC of the bytes that came before (`crc`) continued over p[0..n).
uint32_t ogg_crc(CrcPath path, uint32_t crc, const uint8_t* p, size_t n);

}  // namespace tagdelve
