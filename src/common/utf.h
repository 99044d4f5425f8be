// UTF-8 and UTF-16 at the byte level, for the text printers and the JSON
// strings alike.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tagdelve {

// The length of the well-formed UTF-8 sequence at p (of n bytes), with its
// code point in *cp, or 0: overlong forms, surrogates and values past
// U+10FFFF are not well-formed.
inline size_t utf8_sequence(const uint8_t* p, size_t n, uint32_t* cp) {
  const uint8_t b = p[0];
  size_t len;
  uint32_t min;
  if (b >= 0xC2 && b <= 0xDF) {
    len = 2, min = 0x80, *cp = b & 0x1F;
  } else if (b >= 0xE0 && b <= 0xEF) {
    len = 3, min = 0x800, *cp = b & 0x0F;
  } else if (b >= 0xF0 && b <= 0xF4) {
    len = 4, min = 0x10000, *cp = b & 0x07;
  } else {
    return 0;
  }
  if (len > n) return 0;
  for (size_t i = 1; i < len; ++i) {
    if ((p[i] & 0xC0) != 0x80) return 0;
    *cp = *cp << 6 | (p[i] & 0x3F);
  }
  if (*cp < min || *cp > 0x10FFFF || (*cp >= 0xD800 && *cp <= 0xDFFF)) return 0;
  return len;
}

// A code point's UTF-8 bytes at b (room for 4); returns their number.
inline size_t utf8_encode(uint32_t cp, char* b) {
  if (cp < 0x80) {
    b[0] = static_cast<char>(cp);
    return 1;
  }
  if (cp < 0x800) {
    b[0] = static_cast<char>(0xC0 | cp >> 6);
    b[1] = static_cast<char>(0x80 | (cp & 0x3F));
    return 2;
  }
  if (cp < 0x10000) {
    b[0] = static_cast<char>(0xE0 | cp >> 12);
    b[1] = static_cast<char>(0x80 | (cp >> 6 & 0x3F));
    b[2] = static_cast<char>(0x80 | (cp & 0x3F));
    return 3;
  }
  b[0] = static_cast<char>(0xF0 | cp >> 18);
  b[1] = static_cast<char>(0x80 | (cp >> 12 & 0x3F));
  b[2] = static_cast<char>(0x80 | (cp >> 6 & 0x3F));
  b[3] = static_cast<char>(0x80 | (cp & 0x3F));
  return 4;
}

// The 16-bit unit at p, big- or little-endian.
inline uint32_t utf16_unit(const uint8_t* p, bool big) {
  return big ? uint32_t{p[0]} << 8 | p[1] : p[0] | uint32_t{p[1]} << 8;
}

// Characters that a terminal may take as commands or that change how the
// text around them is shown: C0 and C1 controls, DEL, the bidirectional
// embeddings, overrides and isolates (U+202A-U+202E, U+2066-U+2069), the
// line and paragraph separators and the noncharacters U+FFFE and U+FFFF.
inline bool unsafe_code_point(uint32_t cp) {
  return cp < 0x20 || (cp >= 0x7F && cp <= 0x9F) || cp == 0x2028 || cp == 0x2029 ||
         (cp >= 0x202A && cp <= 0x202E) || (cp >= 0x2066 && cp <= 0x2069) || cp == 0xFFFE || cp == 0xFFFF;
}

}  // namespace tagdelve
