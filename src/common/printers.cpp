#include "common/printers.h"

#include <cstring>
#include <string>

#include "common/output.h"

namespace tagdelve {

const char* const ID3v2_encodings[4] = {"ISO-8859-1", "UTF-16(+BOM)", "UTF-16", "UTF-8"};

// Writes count bytes as hex digits, through a small stack buffer.
static void hex_digits(int64_t count, const uint8_t* p) {
  char line[512];
  while (count > 0) {
    int64_t n = count < 256 ? count : 256;
    outw(line, static_cast<size_t>(fmt_hex(line, p, static_cast<size_t>(n)) - line));
    p += n;
    count -= n;
  }
}

// Writes the character column of a dump row: printable ASCII as itself,
// anything else as a blank.
static void dump_chars(int64_t count, const uint8_t* p) {
  char line[32];
  for (int64_t i = 0; i < count; ++i) line[i] = (p[i] >= 0x20 && p[i] <= 0x7E) ? static_cast<char>(p[i]) : ' ';
  outw(line, static_cast<size_t>(count));
}

void put_hex(int64_t count, const uint8_t* p) {
  outs("<0x");
  if (count > 0) hex_digits(count, p);
  outc('>');
}

void ext_hex(int64_t count, const uint8_t* p, int extra_tabs) {
  outs("<0x");
  if (count < 0) count = 0;
  for (int64_t rows = count / 32; rows > 0; --rows) {
    hex_digits(32, p);
    outs(" |");
    dump_chars(32, p);
    outs("|\n\t");
    put_indent();
    for (int i = 0; i < extra_tabs; ++i) outc('\t');
    p += 32;
  }
  int64_t rest = count % 32;
  hex_digits(rest, p);
  outs(" |");
  dump_chars(rest, p);
  outs("|>");
}

void put_enc(int enc, int64_t len, const uint8_t* p) {
  if (verbose > 0) {
    if (enc >= 0 && enc <= 3)
      outs(ID3v2_encodings[enc]);
    else
      outf("Encoding: %d", enc);
  }
  outc('{');
  if (len <= 0) {
    outc('}');
    return;
  }
  if (enc == 0 || enc == 3) {
    if (p[len - 1] == 0) --len;
    for (int64_t i = 0; i < len; ++i) {
      uint8_t b = p[i];
      if (b < 0x20 || b >= 0x7F)
        outf("\\%.2x", b);
      else
        outc(b);
    }
  } else if (enc == 1 || enc == 2) {
    // A byte-order mark in front of an encoding 1 text says which order
    // its units are in; without one they are little-endian.
    bool big = (enc == 2);
    int64_t start = 0;
    if (enc == 1 && len >= 2) {
      if (p[0] == 0xFE && p[1] == 0xFF) {
        big = true;
        start = 2;
      } else if (p[0] == 0xFF && p[1] == 0xFE) {
        start = 2;
      }
    }
    put_utf16(p + start, len - start, big);
  } else {
    put_hex(len, p);
  }
  outc('}');
}

void put_utf16(const uint8_t* p, int64_t len, bool big) {
  if (len >= 2 && p[len - 1] == 0 && p[len - 2] == 0) len -= 2;
  int64_t i = 0;
  for (; i + 1 < len; i += 2) {
    unsigned unit = big ? (p[i] << 8) | p[i + 1] : p[i] | (p[i + 1] << 8);
    if (unit >= 0x20 && unit <= 0x7E)
      outc(static_cast<int>(unit));
    else
      outf("\\%.4x", unit);
  }
  if (i < len) outf("\\%.4x", p[i]);  // a lone last byte
}

size_t field_length(const uint8_t* p, size_t width) {
  if (width == 0) return 0;
  const void* zero = memchr(p, 0, width);
  return zero != nullptr ? static_cast<size_t>(static_cast<const uint8_t*>(zero) - p) : width;
}

bool control_byte(uint8_t b) { return b < 0x20 || (b >= 0x7F && b <= 0x9F); }

void put_raw(const void* bytes, size_t n) {
  const uint8_t* p = static_cast<const uint8_t*>(bytes);
  size_t from = 0;
  for (size_t i = 0; i < n; ++i) {
    if (!control_byte(p[i])) continue;
    outw(p + from, i - from);
    const char escape[3] = {'\\', kHexDigits[p[i] >> 4], kHexDigits[p[i] & 15]};
    outw(escape, 3);
    from = i + 1;
  }
  outw(p + from, n - from);
}

std::string escaped(const std::string& s) {
  std::string e;
  for (unsigned char c : s) {
    if (control_byte(c)) {
      e += '\\';
      e += kHexDigits[c >> 4];
      e += kHexDigits[c & 15];
    } else {
      e += static_cast<char>(c);
    }
  }
  return e;
}

void put_field(const uint8_t* p, size_t width) { put_raw(p, field_length(p, width)); }

int64_t strlen_enc(int enc, const uint8_t* p, int64_t avail, int* width) {
  if (avail < 0) avail = 0;
  if (enc == 1 || enc == 2) {
    *width = 2;
    for (int64_t i = 0; i + 1 < avail; i += 2)
      if (p[i] == 0 && p[i + 1] == 0) return i;
  } else {
    *width = 1;
    if (avail > 0) {
      const void* z = memchr(p, 0, static_cast<size_t>(avail));
      if (z != nullptr) return static_cast<const uint8_t*>(z) - p;
    }
  }
  *width = 0;
  return avail;
}

}  // namespace tagdelve
