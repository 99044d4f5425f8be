#include "common/printers.h"

#include <cstdio>
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
    const size_t n = static_cast<size_t>(len);
    if (!utf8_text)
      put_ascii(p, n, Escape::hex);
    else if (enc == 0)
      put_latin1(p, n);
    else
      put_utf8(p, n, Escape::hex);
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
  auto unit_at = [p, big](int64_t i) -> uint32_t { return big ? (p[i] << 8) | p[i + 1] : p[i] | (p[i + 1] << 8); };
  int64_t i = 0;
  for (; i + 1 < len; i += 2) {
    uint32_t unit = unit_at(i);
    if (unit >= 0x20 && unit <= 0x7E) {
      outc(static_cast<int>(unit));
    } else if (!utf8_text || unit < 0xA0 || (unit >= 0xDC00 && unit <= 0xDFFF)) {
      outf("\\%.4x", unit);  // controls and, unpaired, the second half of a pair
    } else if (unit >= 0xD800 && unit <= 0xDBFF) {
      uint32_t low = i + 3 < len ? unit_at(i + 2) : 0;
      if (low >= 0xDC00 && low <= 0xDFFF) {
        put_code_point(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
        i += 2;
      } else {
        outf("\\%.4x", unit);  // the first half of a pair, alone
      }
    } else {
      put_code_point(unit);
    }
  }
  if (i < len) outf("\\%.4x", p[i]);  // a lone last byte
}

bool utf8_text = false;

namespace {

// Where the text printers below write: the report, or a string that goes
// into a message.
struct Sink {
  std::string* text = nullptr;
  void write(const void* p, size_t n) const {
    if (text != nullptr)
      text->append(static_cast<const char*>(p), n);
    else
      outw(p, n);
  }
};

void code_point_to(const Sink& out, uint32_t cp) {
  char b[4];
  size_t n;
  if (cp < 0x80) {
    b[0] = static_cast<char>(cp);
    n = 1;
  } else if (cp < 0x800) {
    b[0] = static_cast<char>(0xC0 | cp >> 6);
    b[1] = static_cast<char>(0x80 | (cp & 0x3F));
    n = 2;
  } else if (cp < 0x10000) {
    b[0] = static_cast<char>(0xE0 | cp >> 12);
    b[1] = static_cast<char>(0x80 | (cp >> 6 & 0x3F));
    b[2] = static_cast<char>(0x80 | (cp & 0x3F));
    n = 3;
  } else {
    b[0] = static_cast<char>(0xF0 | cp >> 18);
    b[1] = static_cast<char>(0x80 | (cp >> 12 & 0x3F));
    b[2] = static_cast<char>(0x80 | (cp >> 6 & 0x3F));
    b[3] = static_cast<char>(0x80 | (cp & 0x3F));
    n = 4;
  }
  out.write(b, n);
}

void escape_to(const Sink& out, uint8_t b, Escape form) {
  char e[5] = {'\\', kHexDigits[b >> 4], kHexDigits[b & 15]};
  size_t n = 3;
  if (form == Escape::octal) n = static_cast<size_t>(snprintf(e, sizeof e, "\\%o", b));
  out.write(e, n);
}

// The length of the well-formed UTF-8 sequence at p (of n bytes), with its
// code point, or 0: overlong forms, surrogates and values past U+10FFFF
// are not well-formed.
size_t utf8_sequence(const uint8_t* p, size_t n, uint32_t* cp) {
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

void latin1_to(const Sink& out, const uint8_t* p, size_t n) {
  size_t from = 0;
  for (size_t i = 0; i < n; ++i) {
    if (!control_byte(p[i]) && (p[i] < 0x80 || !utf8_text)) continue;
    out.write(p + from, i - from);
    if (control_byte(p[i]))
      escape_to(out, p[i], Escape::hex);
    else
      code_point_to(out, p[i]);
    from = i + 1;
  }
  out.write(p + from, n - from);
}

void utf8_to(const Sink& out, const uint8_t* p, size_t n, Escape form) {
  size_t from = 0;
  for (size_t i = 0; i < n;) {
    uint32_t cp = p[i];
    size_t len = p[i] < 0x80 ? 1 : utf8_sequence(p + i, n - i, &cp);
    if (len > 0 && cp >= 0x20 && (cp < 0x7F || cp > 0x9F)) {
      i += len;
      continue;
    }
    // A control character is escaped byte by byte; of a sequence that is
    // not well-formed, the first byte, and the next may begin a character.
    out.write(p + from, i - from);
    for (size_t k = 0; k < (len > 0 ? len : 1); ++k) escape_to(out, p[i + k], form);
    i += len > 0 ? len : 1;
    from = i;
  }
  out.write(p + from, n - from);
}

void raw_to(const Sink& out, const uint8_t* p, size_t n) {
  if (utf8_text)
    utf8_to(out, p, n, Escape::hex);
  else
    latin1_to(out, p, n);
}

}  // namespace

void put_code_point(uint32_t cp) { code_point_to(Sink{}, cp); }

void put_ascii(const uint8_t* p, size_t n, Escape form) {
  size_t from = 0;
  for (size_t i = 0; i < n; ++i) {
    if (p[i] >= 0x20 && p[i] < 0x7F) continue;
    outw(p + from, i - from);
    escape_to(Sink{}, p[i], form);
    from = i + 1;
  }
  outw(p + from, n - from);
}

void put_latin1(const uint8_t* p, size_t n) { latin1_to(Sink{}, p, n); }

void put_utf8(const uint8_t* p, size_t n, Escape form) { utf8_to(Sink{}, p, n, form); }

size_t field_length(const uint8_t* p, size_t width) {
  if (width == 0) return 0;
  const void* zero = memchr(p, 0, width);
  return zero != nullptr ? static_cast<size_t>(static_cast<const uint8_t*>(zero) - p) : width;
}

bool control_byte(uint8_t b) { return b < 0x20 || (b >= 0x7F && b <= 0x9F); }

void put_raw(const void* bytes, size_t n) { raw_to(Sink{}, static_cast<const uint8_t*>(bytes), n); }

std::string escaped(const std::string& s) {
  std::string e;
  raw_to(Sink{&e}, reinterpret_cast<const uint8_t*>(s.data()), s.size());
  return e;
}

void put_field(const uint8_t* p, size_t width) { put_raw(p, field_length(p, width)); }

void put_latin1_field(const uint8_t* p, size_t width) { put_latin1(p, field_length(p, width)); }

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
