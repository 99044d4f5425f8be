#include "ogg/ogg_crc.h"

#include "common/cpu.h"
#ifdef TAGDELVE_X86_FEATURES
#define TAGDELVE_CLMUL_CRC 1
#endif

#include <array>

namespace tagdelve {

namespace {

constexpr uint32_t kPoly = 0x04C11DB7;

// The CRC register after each byte value, computed by the compiler.
constexpr std::array<uint32_t, 256> kCrcTable = [] {
  std::array<uint32_t, 256> t{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t c = i << 24;
    for (int k = 0; k < 8; ++k) c = (c & 0x80000000u) != 0 ? (c << 1) ^ kPoly : c << 1;
    t[i] = c;
  }
  return t;
}();

uint32_t crc_bytes(uint32_t crc, const uint8_t* p, size_t n) {
  for (size_t i = 0; i < n; ++i) crc = (crc << 8) ^ kCrcTable[(crc >> 24) ^ p[i]];
  return crc;
}

#ifdef TAGDELVE_CLMUL_CRC

// x^k modulo the polynomial, the 32 bits of the remainder.
constexpr uint64_t x_power(int k) {
  uint32_t r = 1;
  for (int i = 0; i < k; ++i) r = (r & 0x80000000u) != 0 ? (r << 1) ^ kPoly : r << 1;
  return r;
}

// Folding: 16 bytes A = H x^64 + L (as a polynomial, the first byte the
// highest) moved D bits on, A x^D, is congruent to H (x^(D+64) mod P) +
// L (x^D mod P), a product of fewer than 96 bits, which is added to the 16
// bytes that stand D bits further. The high 64 bits of a constant pair
// multiply H, the low ones L.
constexpr uint64_t kFold128[2] = {x_power(128), x_power(128 + 64)};
constexpr uint64_t kFold512[2] = {x_power(512), x_power(512 + 64)};
constexpr uint64_t kFold256[2] = {x_power(256), x_power(256 + 64)};
constexpr uint64_t kFold1024[2] = {x_power(1024), x_power(1024 + 64)};
constexpr uint64_t kFold2048[2] = {x_power(2048), x_power(2048 + 64)};

[[gnu::target("pclmul,sse4.1")]] inline __m128i fold16(__m128i a, __m128i k) {
  return _mm_xor_si128(_mm_clmulepi64_si128(a, k, 0x11), _mm_clmulepi64_si128(a, k, 0x00));
}

// 16 bytes as a polynomial: the first byte in the top bits.
[[gnu::target("pclmul,sse4.1")]] inline __m128i load16(const uint8_t* p) {
  const __m128i reverse = _mm_set_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
  return _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), reverse);
}

// floor(x^64 / P), for the Barrett reduction.
constexpr uint64_t kMu = [] {
  unsigned __int128 r = static_cast<unsigned __int128>(1) << 64;
  const unsigned __int128 poly = 0x104C11DB7ull;
  uint64_t q = 0;
  for (int i = 64; i >= 32; --i) {
    if (((r >> i) & 1) == 0) continue;
    q |= uint64_t{1} << (i - 32);
    r ^= poly << (i - 32);
  }
  return q;
}();

// The 16 bytes that all before them were folded into, R, stand for the CRC
// of all of it: R x^32 mod P. R x^32 = H x^96 + L x^32 is folded to 96
// bits, its top 32 to 64, and those 64 reduced by Barrett's method; then the
// tail of fewer than 16 bytes through the table.
[[gnu::target("pclmul,sse4.1")]] uint32_t finish(__m128i x, const uint8_t* tail, size_t n) {
  const __m128i k = _mm_set_epi64x(static_cast<long long>(0x104C11DB7ull), static_cast<long long>(x_power(96)));
  const __m128i k64 = _mm_set_epi64x(static_cast<long long>(kMu), static_cast<long long>(x_power(64)));
  const __m128i s = _mm_xor_si128(_mm_clmulepi64_si128(x, k, 0x01), _mm_slli_si128(_mm_move_epi64(x), 4));
  const __m128i t = _mm_xor_si128(_mm_clmulepi64_si128(s, k64, 0x01), _mm_move_epi64(s));
  const __m128i q = _mm_srli_epi64(_mm_clmulepi64_si128(_mm_srli_epi64(t, 32), k64, 0x10), 32);
  const __m128i crc = _mm_xor_si128(t, _mm_clmulepi64_si128(q, k, 0x10));
  return crc_bytes(static_cast<uint32_t>(_mm_cvtsi128_si32(crc)), tail, n);
}

// Every 16 bytes after the first folded in one by one.
[[gnu::target("pclmul,sse4.1")]] uint32_t fold_rest(__m128i x, const uint8_t* p, size_t n) {
  const __m128i k128 = _mm_set_epi64x(static_cast<long long>(kFold128[1]), static_cast<long long>(kFold128[0]));
  size_t at = 0;
  for (; at + 16 <= n; at += 16) x = _mm_xor_si128(fold16(x, k128), load16(p + at));
  return finish(x, p + at, n - at);
}

// 16 bytes and more, one lane: the CRC so far added to the first four bytes.
[[gnu::target("pclmul,sse4.1")]] uint32_t crc_clmul16_short(uint32_t crc, const uint8_t* p, size_t n) {
  return fold_rest(_mm_xor_si128(load16(p), _mm_set_epi32(static_cast<int>(crc), 0, 0, 0)), p + 16, n - 16);
}

// 64 bytes a round in four lanes of 16; n >= 64.
[[gnu::target("pclmul,sse4.1")]] uint32_t crc_clmul16(uint32_t crc, const uint8_t* p, size_t n) {
  const __m128i k512 = _mm_set_epi64x(static_cast<long long>(kFold512[1]), static_cast<long long>(kFold512[0]));
  const __m128i k128 = _mm_set_epi64x(static_cast<long long>(kFold128[1]), static_cast<long long>(kFold128[0]));
  __m128i x0 = _mm_xor_si128(load16(p), _mm_set_epi32(static_cast<int>(crc), 0, 0, 0));
  __m128i x1 = load16(p + 16), x2 = load16(p + 32), x3 = load16(p + 48);
  size_t at = 64;
  for (; at + 64 <= n; at += 64) {
    x0 = _mm_xor_si128(fold16(x0, k512), load16(p + at));
    x1 = _mm_xor_si128(fold16(x1, k512), load16(p + at + 16));
    x2 = _mm_xor_si128(fold16(x2, k512), load16(p + at + 32));
    x3 = _mm_xor_si128(fold16(x3, k512), load16(p + at + 48));
  }
  __m128i x = _mm_xor_si128(fold16(x0, k128), x1);
  x = _mm_xor_si128(fold16(x, k128), x2);
  x = _mm_xor_si128(fold16(x, k128), x3);
  return fold_rest(x, p + at, n - at);
}

// The same 32 and 64 bytes wide, each 16 bytes a lane.
[[gnu::target("avx2,pclmul,vpclmulqdq")]] inline __m256i load32(const uint8_t* p) {
  const __m256i reverse = _mm256_broadcastsi128_si256(_mm_set_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15));
  return _mm256_shuffle_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)), reverse);
}

[[gnu::target("avx2,pclmul,vpclmulqdq")]] inline __m256i fold32(__m256i a, const uint64_t (&k)[2]) {
  const __m256i kk = _mm256_set_epi64x(static_cast<long long>(k[1]), static_cast<long long>(k[0]),
                                       static_cast<long long>(k[1]), static_cast<long long>(k[0]));
  return _mm256_xor_si256(_mm256_clmulepi64_epi128(a, kk, 0x11), _mm256_clmulepi64_epi128(a, kk, 0x00));
}

[[gnu::target("avx512f,avx512bw,pclmul,vpclmulqdq")]] inline __m512i load64(const uint8_t* p) {
  constexpr long long hi = 0x0001020304050607, lo = 0x08090a0b0c0d0e0f;
  const __m512i reverse = _mm512_set_epi64(hi, lo, hi, lo, hi, lo, hi, lo);
  return _mm512_shuffle_epi8(_mm512_loadu_si512(p), reverse);
}

[[gnu::target("avx512f,avx512bw,pclmul,vpclmulqdq")]] inline __m512i fold64(__m512i a, const uint64_t (&k)[2]) {
  const long long hi = static_cast<long long>(k[1]), lo = static_cast<long long>(k[0]);
  const __m512i kk = _mm512_set_epi64(hi, lo, hi, lo, hi, lo, hi, lo);
  return _mm512_xor_si512(_mm512_clmulepi64_epi128(a, kk, 0x11), _mm512_clmulepi64_epi128(a, kk, 0x00));
}

// 128 bytes a round in four lanes of 32; n >= 128. Each lane is then folded
// into the next (each of its halves moved 32 bytes on), the last's halves
// into one.
[[gnu::target("avx2,pclmul,vpclmulqdq")]] uint32_t crc_clmul32(uint32_t crc, const uint8_t* p, size_t n) {
  __m256i y0 = _mm256_xor_si256(load32(p), _mm256_set_epi32(0, 0, 0, 0, static_cast<int>(crc), 0, 0, 0));
  __m256i y1 = load32(p + 32), y2 = load32(p + 64), y3 = load32(p + 96);
  size_t at = 128;
  for (; at + 128 <= n; at += 128) {
    y0 = _mm256_xor_si256(fold32(y0, kFold1024), load32(p + at));
    y1 = _mm256_xor_si256(fold32(y1, kFold1024), load32(p + at + 32));
    y2 = _mm256_xor_si256(fold32(y2, kFold1024), load32(p + at + 64));
    y3 = _mm256_xor_si256(fold32(y3, kFold1024), load32(p + at + 96));
  }
  y1 = _mm256_xor_si256(fold32(y0, kFold256), y1);
  y2 = _mm256_xor_si256(fold32(y1, kFold256), y2);
  y3 = _mm256_xor_si256(fold32(y2, kFold256), y3);
  const __m128i k128 = _mm_set_epi64x(static_cast<long long>(kFold128[1]), static_cast<long long>(kFold128[0]));
  const __m128i x = _mm_xor_si128(fold16(_mm256_castsi256_si128(y3), k128), _mm256_extracti128_si256(y3, 1));
  return fold_rest(x, p + at, n - at);
}

// 256 bytes a round in four lanes of 64; n >= 256.
[[gnu::target("avx512f,avx512bw,pclmul,vpclmulqdq")]] uint32_t crc_clmul64(uint32_t crc, const uint8_t* p, size_t n) {
  __m512i y0 = _mm512_xor_si512(load64(p), _mm512_set_epi32(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                                            static_cast<int>(crc), 0, 0, 0));
  __m512i y1 = load64(p + 64), y2 = load64(p + 128), y3 = load64(p + 192);
  size_t at = 256;
  for (; at + 256 <= n; at += 256) {
    y0 = _mm512_xor_si512(fold64(y0, kFold2048), load64(p + at));
    y1 = _mm512_xor_si512(fold64(y1, kFold2048), load64(p + at + 64));
    y2 = _mm512_xor_si512(fold64(y2, kFold2048), load64(p + at + 128));
    y3 = _mm512_xor_si512(fold64(y3, kFold2048), load64(p + at + 192));
  }
  y1 = _mm512_xor_si512(fold64(y0, kFold512), y1);
  y2 = _mm512_xor_si512(fold64(y1, kFold512), y2);
  y3 = _mm512_xor_si512(fold64(y2, kFold512), y3);
  for (; at + 64 <= n; at += 64) y3 = _mm512_xor_si512(fold64(y3, kFold512), load64(p + at));
  const __m128i k128 = _mm_set_epi64x(static_cast<long long>(kFold128[1]), static_cast<long long>(kFold128[0]));
  alignas(64) __m128i lanes[4];
  _mm512_store_si512(lanes, y3);
  __m128i x = lanes[0];
  for (int i = 1; i < 4; ++i) x = _mm_xor_si128(fold16(x, k128), lanes[i]);
  return fold_rest(x, p + at, n - at);
}

#endif

}  // namespace

CrcPath crc_path() {
#ifdef TAGDELVE_CLMUL_CRC
  if (!CPU_FEATURE_ACTIVE(PCLMULQDQ) || !CPU_FEATURE_ACTIVE(SSE4_1)) return CrcPath::table;
  if (!CPU_FEATURE_ACTIVE(AVX2) || !CPU_FEATURE_ACTIVE(VPCLMULQDQ)) return CrcPath::clmul16;
  return CPU_FEATURE_ACTIVE(AVX512F) && CPU_FEATURE_ACTIVE(AVX512BW) ? CrcPath::clmul64 : CrcPath::clmul32;
#else
  return CrcPath::table;
#endif
}

uint32_t ogg_crc(CrcPath path, uint32_t crc, const uint8_t* p, size_t n) {
#ifdef TAGDELVE_CLMUL_CRC
  if (path == CrcPath::clmul64 && n >= 512) return crc_clmul64(crc, p, n);
  if (path >= CrcPath::clmul32 && n >= 256) return crc_clmul32(crc, p, n);
  if (path != CrcPath::table && n >= 64) return crc_clmul16(crc, p, n);
  if (path != CrcPath::table && n >= 16) return crc_clmul16_short(crc, p, n);
#else
  (void)path;
#endif
  return crc_bytes(crc, p, n);
}

}  // namespace tagdelve
