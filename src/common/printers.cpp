#include "common/printers.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "common/decode.h"
#include "common/utf.h"

namespace tagdelve {

const char* const ID3v2_encodings[4] = {"ISO-8859-1", "UTF-16(+BOM)", "UTF-16", "UTF-8"};

namespace {

// Writes count bytes as hex digits, through a small stack buffer.
void hex_digits(Report& r, int64_t count, const uint8_t* p) {
  char line[512];
  while (count > 0) {
    int64_t n = count < 256 ? count : 256;
    r.outw(line, static_cast<size_t>(fmt_hex(line, p, static_cast<size_t>(n)) - line));
    p += n;
    count -= n;
  }
}

// Writes the character column of a dump row: printable ASCII as itself,
// anything else as a blank.
void dump_chars(Report& r, int64_t count, const uint8_t* p) {
  char line[32];
  for (int64_t i = 0; i < count; ++i) line[i] = (p[i] >= 0x20 && p[i] <= 0x7E) ? static_cast<char>(p[i]) : ' ';
  r.outw(line, static_cast<size_t>(count));
}

// Where the text printers below write: the report, or a string that goes
// into a message.
struct Sink {
  Report& r;
  std::string* text = nullptr;
  void write(const void* p, size_t n) const {
    if (text != nullptr)
      text->append(static_cast<const char*>(p), n);
    else
      r.outw(p, n);
  }
};

void code_point_to(const Sink& out, uint32_t cp) {
  char b[4];
  out.write(b, utf8_encode(cp, b));
}

void escape_to(const Sink& out, uint8_t b, Escape form) {
  char e[5] = {'\\', kHexDigits[b >> 4], kHexDigits[b & 15]};
  size_t n = 3;
  if (form == Escape::octal) n = static_cast<size_t>(snprintf(e, sizeof e, "\\%o", b));
  out.write(e, n);
}

void latin1_to(const Sink& out, const uint8_t* p, size_t n) {
  size_t from = 0;
  for (size_t i = 0; i < n; ++i) {
    if (!control_byte(p[i]) && (p[i] < 0x80 || !out.r.utf8)) continue;
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
    if (len > 0 && !unsafe_code_point(cp)) {
      i += len;
      continue;
    }
    // A control character (or one that changes how the text around it is
    // shown) is escaped byte by byte; of a sequence that is not
    // well-formed, the first byte, and the next may begin a character.
    out.write(p + from, i - from);
    for (size_t k = 0; k < (len > 0 ? len : 1); ++k) escape_to(out, p[i + k], form);
    i += len > 0 ? len : 1;
    from = i;
  }
  out.write(p + from, n - from);
}

void raw_to(const Sink& out, const uint8_t* p, size_t n) {
  if (out.r.utf8)
    utf8_to(out, p, n, Escape::hex);
  else
    latin1_to(out, p, n);
}

}  // namespace

void put_hex(Report& r, int64_t count, const uint8_t* p, const char* name) {
  if (!r.text()) {
    if (name != nullptr) r.hex(0, name, p, static_cast<size_t>(count > 0 ? count : 0));
    return;
  }
  r.outs("<0x");
  if (count > 0) hex_digits(r, count, p);
  r.outc('>');
}

std::string guid_text(const uint8_t* p) {
  char g[40];
  snprintf(g, sizeof g, "{%.8x-%.4x-%.4x-%.4x-%.2x%.2x%.2x%.2x%.2x%.2x}", le32(p), swab16(p + 4), swab16(p + 6),
           word16(p + 8), p[10], p[11], p[12], p[13], p[14], p[15]);
  return g;
}

void put_guid(Report& r, const uint8_t* p, const char* name) {
  const std::string g = guid_text(p);
  r.outw(g.data(), g.size());
  if (name != nullptr) r.str(0, name, g.substr(1, g.size() - 2));
}

void ext_hex(Report& r, int64_t count, const uint8_t* p, int extra_tabs, const char* name) {
  if (count < 0) count = 0;
  if (!r.text()) {
    if (name != nullptr && r.verbose > 1) r.hex(0, name, p, static_cast<size_t>(count));
    return;
  }
  r.outs("<0x");
  for (int64_t rows = count / 32; rows > 0; --rows) {
    hex_digits(r, 32, p);
    r.outs(" |");
    dump_chars(r, 32, p);
    r.outs("|\n\t");
    r.put_indent();
    for (int i = 0; i < extra_tabs; ++i) r.outc('\t');
    p += 32;
  }
  int64_t rest = count % 32;
  hex_digits(r, rest, p);
  r.outs(" |");
  dump_chars(r, rest, p);
  r.outs("|>");
}

void put_enc(Report& r, int enc, int64_t len, const uint8_t* p, const char* name) {
  if (r.verbose > 0) {
    if (enc >= 0 && enc <= 3)
      r.outs(ID3v2_encodings[enc]);
    else
      r.outf("Encoding: %d", enc);
  }
  r.outc('{');
  if (len <= 0) {
    r.outc('}');
    if (name != nullptr) r.str(0, name, "");
    return;
  }
  if (enc == 0 || enc == 3) {
    if (p[len - 1] == 0) --len;
    const size_t n = static_cast<size_t>(len);
    if (name != nullptr) r.text(0, name, enc == 0 ? Enc::latin1 : Enc::utf8, p, n);
    if (!r.text()) return;
    if (!r.utf8)
      put_ascii(r, p, n, Escape::hex);
    else if (enc == 0)
      put_latin1(r, p, n);
    else
      put_utf8(r, p, n, Escape::hex);
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
    put_utf16(r, p + start, len - start, big, name);
  } else {
    put_hex(r, len, p, name);
  }
  r.outc('}');
}

void put_utf16(Report& r, const uint8_t* p, int64_t len, bool big, const char* name) {
  if (len >= 2 && p[len - 1] == 0 && p[len - 2] == 0) len -= 2;
  if (!r.text()) {
    if (name != nullptr) r.text(0, name, big ? Enc::utf16be : Enc::utf16le, p, static_cast<size_t>(len > 0 ? len : 0));
    return;
  }
  int64_t i = 0;
  for (; i + 1 < len; i += 2) {
    uint32_t unit = utf16_unit(p + i, big);
    if (unit >= 0x20 && unit <= 0x7E) {
      r.outc(static_cast<int>(unit));
    } else if (!r.utf8 || unsafe_code_point(unit) || (unit >= 0xDC00 && unit <= 0xDFFF)) {
      r.outf("\\%.4x", unit);  // controls, bidirectional controls and the like, and, unpaired, the second half of a pair
    } else if (unit >= 0xD800 && unit <= 0xDBFF) {
      uint32_t low = i + 3 < len ? utf16_unit(p + i + 2, big) : 0;
      if (low >= 0xDC00 && low <= 0xDFFF) {
        code_point_to(Sink{r}, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
        i += 2;
      } else {
        r.outf("\\%.4x", unit);  // the first half of a pair, alone
      }
    } else {
      code_point_to(Sink{r}, unit);
    }
  }
  if (i < len) r.outf("\\%.4x", p[i]);  // a lone last byte
}

void put_ascii(Report& r, const uint8_t* p, size_t n, Escape form) {
  size_t from = 0;
  for (size_t i = 0; i < n; ++i) {
    if (p[i] >= 0x20 && p[i] < 0x7F) continue;
    r.outw(p + from, i - from);
    escape_to(Sink{r}, p[i], form);
    from = i + 1;
  }
  r.outw(p + from, n - from);
}

void put_latin1(Report& r, const uint8_t* p, size_t n) { latin1_to(Sink{r}, p, n); }

void put_utf8(Report& r, const uint8_t* p, size_t n, Escape form) { utf8_to(Sink{r}, p, n, form); }

size_t field_length(const uint8_t* p, size_t width) {
  if (width == 0) return 0;
  const void* zero = memchr(p, 0, width);
  return zero != nullptr ? static_cast<size_t>(static_cast<const uint8_t*>(zero) - p) : width;
}

bool control_byte(uint8_t b) { return b < 0x20 || (b >= 0x7F && b <= 0x9F); }

void put_raw(Report& r, const void* bytes, size_t n, const char* name) {
  if (name != nullptr) r.text(0, name, Enc::utf8, bytes, n);
  if (r.text()) raw_to(Sink{r}, static_cast<const uint8_t*>(bytes), n);
}

std::string escaped(const Report& r, const std::string& s) {
  std::string e;
  raw_to(Sink{const_cast<Report&>(r), &e}, reinterpret_cast<const uint8_t*>(s.data()), s.size());
  return e;
}

void put_field(Report& r, const uint8_t* p, size_t width, const char* name) {
  put_raw(r, p, field_length(p, width), name);
}

void put_latin1_field(Report& r, const uint8_t* p, size_t width, const char* name) {
  const size_t n = field_length(p, width);
  if (name != nullptr) r.text(0, name, Enc::latin1, p, n);
  if (r.text()) put_latin1(r, p, n);
}

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
