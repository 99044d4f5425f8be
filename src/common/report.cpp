#include "common/report.h"

#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdarg>
#include <cstdlib>

#include "common/source.h"
#include "common/utf.h"

namespace tagdelve {

const char kHexDigits[17] = "0123456789abcdef";

Report::Report(const Settings& s, FILE* out_, FILE* err_)
    : verbose(s.verbose),
      mode(s.mode),
      utf8(s.utf8),
      detect(s.detect),
      all_ifds(s.all_ifds),
      out(out_),
      err(err_) {}

int Report::errno_or_eio() { return errno != 0 ? errno : EIO; }

// --- Text ---

void Report::check_output() {
  if (write_error == 0) return;
  if (write_error != EPIPE) {
    fprintf(err, "Error: writing the report failed: %s\n", strerror(write_error));
    fflush(err);
  }
  _exit(1);
}

void Report::begin_line() {
  if (line_open) wrote(1, putc_unlocked('\n', out) == EOF ? 0 : 1, '\n');
  check_output();
}

void Report::flush_output() {
  if ((fflush(out) != 0 || ferror(out)) && write_error == 0) write_error = errno_or_eio();
  check_output();
}

void Report::put_indent() {
  if (mode != Mode::text) return;
  char tabs[16];
  memset(tabs, '\t', sizeof tabs);
  for (int32_t n = indent; n > 0; n -= 16) outw(tabs, static_cast<size_t>(n < 16 ? n : 16));
}

// Formats straight into the report stream. Whether the line is left open
// is told by the format's last character: every format ends either with its
// line end or with text that holds none (a number, a name from a table).
void Report::outf(const char* fmt, ...) {
  if (mode != Mode::text) return;
  va_list ap;
  va_start(ap, fmt);
  const int n = vfprintf(out, fmt, ap);
  va_end(ap);
  if (n != 0) {
    const size_t len = strlen(fmt);
    wrote(1, n < 0 ? 0 : 1, len > 0 ? fmt[len - 1] : '\0');
  }
}

void Report::errf(const char* fmt, ...) {
  if (out != nullptr) flush_output();
  va_list ap;
  va_start(ap, fmt);
  vfprintf(err, fmt, ap);
  va_end(ap);
}

// --- Errors ---

void Report::error(const std::string& message, const Source* src, int64_t at, bool indented) {
  ++error_count;
  if (error_count == 1) first_error = message;
  if (mode == Mode::text) {
    begin_line();
    if (indented) put_indent();
    outs("Error: ");
    outw(message.data(), message.size());
    outc('\n');
    return;
  }
  damage_json(message, src, at);
}

void Report::damage(const std::string& message, const Source* src, int64_t at) {
  ++error_count;
  if (error_count == 1) first_error = message;
  damage_json(message, src, at);
}

void Report::damage_json(const std::string& message, const Source* src, int64_t at) {
  if (mode != Mode::json || depth == 0) return;
  std::string e = "{\"message\":";
  json_string(e, Enc::utf8, reinterpret_cast<const uint8_t*>(message.data()), message.size());
  std::string where;
  if (src != nullptr) where = ",\"offset\":" + std::to_string(at) + ",\"absolute\":" + std::to_string(src->absolute(at));
  JsonItem& top = items[depth - 1];
  if (!top.root && top.errors < kErrorsKept) {
    top.error_text += top.errors++ > 0 ? "," : "";
    top.error_text += e + where + "}";
  }
  if (error_count <= kErrorsKept) {
    file_errors += error_count > 1 ? "," : "";
    file_errors += e;
    if (src != nullptr) file_errors += ",\"absolute\":" + std::to_string(src->absolute(at));
    file_errors += "}";
  }
}

void Report::error_line(const char* fmt, ...) {
  char small[256];
  va_list ap;
  va_start(ap, fmt);
  int n = vsnprintf(small, sizeof small, fmt, ap);
  va_end(ap);
  if (n < 0) n = 0;
  if (static_cast<size_t>(n) < sizeof small) return error(std::string(small, static_cast<size_t>(n)));
  std::string big(static_cast<size_t>(n) + 1, '\0');
  va_start(ap, fmt);
  vsnprintf(big.data(), big.size(), fmt, ap);
  va_end(ap);
  big.pop_back();
  error(big);
}

// --- JSON ---

namespace {

void append_dec(std::string& s, int64_t v) {
  char b[24];
  s.append(b, static_cast<size_t>(fmt_dec(b, v) - b));
}

}  // namespace

void Report::begin_file(const std::string& name, int64_t size) {
  if (mode != Mode::json) return;
  std::string s = "{\"file\":";
  json_string(s, Enc::utf8, reinterpret_cast<const uint8_t*>(name.data()), name.size());
  s += ",\"size\":";
  if (size >= 0)
    append_dec(s, size);
  else
    s += "null";
  write_raw(s.data(), s.size());
  if (items.empty()) items.resize(1);
  items[0] = JsonItem{};
  items[0].root = true;
  items[0].part = JsonItem::fields;
  depth = 1;
}

void Report::end_file() {
  if (mode != Mode::json || depth == 0) return;
  while (depth > 1) end_item(-1);
  JsonItem& root = items[0];
  std::string s = root.part == JsonItem::items ? "]" : root.part == JsonItem::summary ? "}" : "";
  s += ",\"errors\":[" + file_errors + "]";
  if (error_count > kErrorsKept) s += ",\"errors_not_listed\":" + std::to_string(error_count - kErrorsKept);
  s += "}\n";
  write_raw(s.data(), s.size());
  depth = 0;
  check_output();
}

// An item begins in the open one: its items' list is opened, or continued.
void Report::child() {
  JsonItem& top = items[depth - 1];
  const char* sep = ",";
  std::string key;
  switch (top.part) {
    case JsonItem::head:
    case JsonItem::fields:
    case JsonItem::summary:
      key = top.part == JsonItem::summary                   ? "},\"items_" + std::to_string(++top.parts) + "\":["
            : top.part == JsonItem::fields && !top.root     ? "},\"items\":["
                                                            : ",\"items\":[";
      if (top.parts == 0) top.parts = 1;
      top.part = JsonItem::items;
      write_raw(key.data(), key.size());
      return;
    case JsonItem::items:
      write_raw(sep, 1);
      return;
  }
}

void Report::begin_item(const char* kind, size_t n, const Source& src, int64_t at, int64_t length) {
  if (depth == 0) return;  // not inside a file's object
  child();
  std::string s = "{\"kind\":";
  json_string(s, Enc::utf8, reinterpret_cast<const uint8_t*>(kind), n);
  s += ",\"offset\":";
  append_dec(s, at);
  s += ",\"absolute\":";
  append_dec(s, src.absolute(at));
  if (length >= 0) {
    s += ",\"length\":";
    append_dec(s, length);
  }
  write_raw(s.data(), s.size());
  if (items.size() <= depth) items.resize(depth + 1);
  JsonItem& item = items[depth++];
  std::string errors = std::move(item.error_text);  // its storage is reused
  errors.clear();
  item = JsonItem{};
  item.error_text = std::move(errors);
  item.has_length = length >= 0;
  item.start = at;
}

void Report::end_item(int64_t length) {
  if (depth <= 1) return;
  JsonItem& item = items[depth - 1];
  std::string s = item.part == JsonItem::fields || item.part == JsonItem::summary ? "}"
                  : item.part == JsonItem::items                                 ? "]"
                                                                                 : "";
  if (!item.has_length && length >= 0) {
    s += ",\"length\":";
    append_dec(s, length);
  }
  if (item.errors > 0) s += ",\"errors\":[" + item.error_text + "]";
  s += "}";
  write_raw(s.data(), s.size());
  --depth;
}

void Report::raw_item(const char* json, size_t n) {
  if (mode != Mode::json || depth == 0) return;
  child();
  write_raw(json, n);
}

// A field's name, after what the open item has so far.
void Report::key(const char* name) {
  JsonItem& top = items[depth - 1];
  std::string s;
  switch (top.part) {
    case JsonItem::head:
      s = top.root ? "," : ",\"fields\":{";
      top.part = JsonItem::fields;
      break;
    case JsonItem::fields:
    case JsonItem::summary:
      s = ",";
      break;
    case JsonItem::items:
      s = top.parts > 1 ? "],\"summary_" + std::to_string(top.parts) + "\":{" : "],\"summary\":{";
      top.part = JsonItem::summary;
      break;
  }
  s += '"';
  s += name;
  s += "\":";
  write_raw(s.data(), s.size());
}

void Report::put_num(const char* name, int64_t v) {
  if (depth == 0) return;
  key(name);
  char b[24];
  write_raw(b, static_cast<size_t>(fmt_dec(b, v) - b));
}

void Report::put_unum(const char* name, uint64_t v) {
  if (depth == 0) return;
  key(name);
  char b[24];
  const int n = snprintf(b, sizeof b, "%llu", static_cast<unsigned long long>(v));
  write_raw(b, static_cast<size_t>(n));
}

// A number that has no JSON form (an infinity, a NaN) is left out.
void Report::put_real(const char* name, double v) {
  if (depth == 0 || !std::isfinite(v)) return;
  key(name);
  char b[40];
  const int n = snprintf(b, sizeof b, "%.17g", v);
  write_raw(b, static_cast<size_t>(n));
}

void Report::put_literal(const char* name, const char* v) {
  if (depth == 0) return;
  key(name);
  write_raw(v, strlen(v));
}

void Report::put_text(const char* name, Enc enc, const uint8_t* p, size_t n) {
  if (depth == 0) return;
  key(name);
  std::string s;
  json_string(s, enc, p, n);
  write_raw(s.data(), s.size());
}

void Report::put_hex(const char* name, const uint8_t* p, size_t n) {
  if (depth == 0) return;
  key(name);
  write_raw("\"", 1);
  char b[512];
  while (n > 0) {
    const size_t k = n < 256 ? n : 256;
    write_raw(b, static_cast<size_t>(fmt_hex(b, p, k) - b));
    p += k;
    n -= k;
  }
  write_raw("\"", 1);
}

namespace {

void escape_unit(std::string& out, uint32_t u) {
  char e[7] = {'\\', 'u', kHexDigits[u >> 12 & 15], kHexDigits[u >> 8 & 15], kHexDigits[u >> 4 & 15],
               kHexDigits[u & 15]};
  out.append(e, 6);
}

// One code point of a decoded text.
void put_code_point(std::string& out, uint32_t cp) {
  if (cp == '"' || cp == '\\') {
    out += '\\';
    out += static_cast<char>(cp);
  } else if (unsafe_code_point(cp)) {
    escape_unit(out, cp);
  } else {
    char b[4];
    out.append(b, utf8_encode(cp, b));
  }
}

}  // namespace

void json_string(std::string& out, Enc enc, const uint8_t* p, size_t n) {
  out += '"';
  switch (enc) {
    case Enc::latin1:
      for (size_t i = 0; i < n; ++i) put_code_point(out, p[i]);
      break;
    case Enc::utf8:
      for (size_t i = 0; i < n;) {
        // Runs of plain ASCII are copied as they are.
        size_t k = i;
        while (k < n && p[k] >= 0x20 && p[k] < 0x7F && p[k] != '"' && p[k] != '\\') ++k;
        out.append(reinterpret_cast<const char*>(p + i), k - i);
        if ((i = k) == n) break;
        uint32_t cp = p[i];
        const size_t len = cp < 0x80 ? 1 : utf8_sequence(p + i, n - i, &cp);
        if (len == 0) {
          escape_unit(out, 0xDC00 + p[i]);  // not well-formed: the byte itself
          ++i;
          continue;
        }
        put_code_point(out, cp);
        i += len;
      }
      break;
    case Enc::utf16le:
    case Enc::utf16be: {
      const bool big = enc == Enc::utf16be;
      size_t i = 0;
      for (; i + 1 < n; i += 2) {
        const uint32_t unit = utf16_unit(p + i, big);
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 3 < n) {
          const uint32_t low = utf16_unit(p + i + 2, big);
          if (low >= 0xDC00 && low <= 0xDFFF) {
            put_code_point(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
            i += 2;
            continue;
          }
        }
        if (unit >= 0xD800 && unit <= 0xDFFF)
          escape_unit(out, unit);  // unpaired
        else
          put_code_point(out, unit);
      }
      if (i < n) escape_unit(out, 0xDC00 + p[i]);  // a lone last byte
      break;
    }
  }
  out += '"';
}

// --- Hand-made formatting ---

char* fmt_dec(char* at, int64_t v) {
  static const char kPairs[] =
      "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
      "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
      "8081828384858687888990919293949596979899";
  // The magnitude as unsigned, so that the most negative value has one too;
  // its digits are written from the last, two at a time, into their place.
  uint64_t u = v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
  if (v < 0) *at++ = '-';
  static const uint64_t kTens[] = {10ull, 100ull, 1000ull, 10000ull, 100000ull, 1000000ull, 10000000ull,
                                   100000000ull, 1000000000ull, 10000000000ull, 100000000000ull,
                                   1000000000000ull, 10000000000000ull, 100000000000000ull,
                                   1000000000000000ull, 10000000000000000ull, 100000000000000000ull,
                                   1000000000000000000ull, 10000000000000000000ull};
  int n = 1;
  while (n < 20 && u >= kTens[n - 1]) ++n;
  char* end = at + n;
  char* d = end;
  while (u >= 100) {
    d -= 2;
    memcpy(d, kPairs + 2 * (u % 100), 2);
    u /= 100;
  }
  if (u >= 10)
    memcpy(d - 2, kPairs + 2 * u, 2);
  else
    d[-1] = static_cast<char>('0' + u);
  return end;
}

char* fmt_tabs(char* at, int32_t depth) {
  int n = depth < 0 ? 0 : depth > kMaxFmtTabs ? kMaxFmtTabs : depth;
  for (int i = 0; i < n; ++i) *at++ = '\t';  // a loop: most lines have none or one
  return at;
}

char* fmt_hex(char* at, const uint8_t* p, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    *at++ = kHexDigits[p[i] >> 4];
    *at++ = kHexDigits[p[i] & 15];
  }
  return at;
}

}  // namespace tagdelve
