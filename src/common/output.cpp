#include "common/output.h"

#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <cstring>

namespace tagdelve {

FILE* out = stdout;
FILE* err_out = stderr;
int32_t verbose = 0;
int32_t indent = -1;

const char kHexDigits[17] = "0123456789abcdef";

namespace {

FILE* line_out = nullptr;  // the stream whose line state is kept
bool line_open = false;    // the last byte written to it did not end a line
int write_error = 0;       // errno of the first write that failed

void wrote(size_t asked, size_t written, char last) {
  if (written < asked && write_error == 0) write_error = errno != 0 ? errno : EIO;
  if (written > 0) {
    line_out = out;
    line_open = last != '\n';
  }
}

}  // namespace

void set_report_stream(FILE* f) {
  out = f;
  line_out = nullptr;
  line_open = false;
  write_error = 0;
}

void check_output() {
  if (write_error == 0) return;
  if (write_error != EPIPE) {
    fprintf(err_out, "Error: writing the report failed: %s\n", strerror(write_error));
    fflush(err_out);
  }
  _exit(1);
}

void begin_line() {
  if (line_open && line_out == out) {
    wrote(1, putc_unlocked('\n', out) == EOF ? 0 : 1, '\n');
  }
  check_output();
}

void flush_output() {
  if (fflush(out) != 0 && write_error == 0) write_error = errno != 0 ? errno : EIO;
  check_output();
}

void put_indent() {
  static const char tabs[] = "\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t";
  int32_t n = indent;
  while (n > 0) {
    int32_t k = n < 16 ? n : 16;
    outw(tabs, static_cast<size_t>(k));
    n -= k;
  }
}

void printi() {
  begin_line();
  put_indent();
}

// Formats straight into the report stream. Whether the line is left open
// is told by the format's last character: every format ends either with its
// line end or with text that holds none (a number, a name from a table).
static void voutf(const char* fmt, va_list ap) {
  const int n = vfprintf(out, fmt, ap);
  if (n != 0) {
    const size_t len = strlen(fmt);
    wrote(1, n < 0 ? 0 : 1, len > 0 ? fmt[len - 1] : '\0');
  }
}

void outf(const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  voutf(fmt, ap);
  va_end(ap);
}

void error_line(const char* fmt, ...) {
  printi();
  outs("Error: ");
  va_list ap;
  va_start(ap, fmt);
  voutf(fmt, ap);
  va_end(ap);
  outc('\n');
}

void outs(const char* s) { outw(s, strlen(s)); }

void outc(int c) { wrote(1, putc_unlocked(c, out) == EOF ? 0 : 1, static_cast<char>(c)); }

void outw(const void* p, size_t n) {
  if (n > 0) wrote(n, fwrite_unlocked(p, 1, n, out), static_cast<const char*>(p)[n - 1]);
}

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

char* fmt_tabs(char* at) {
  int n = indent < 0 ? 0 : indent > kMaxFmtTabs ? kMaxFmtTabs : indent;
  for (int i = 0; i < n; ++i) *at++ = '\t';
  return at;
}

char* fmt_hex(char* at, const uint8_t* p, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    *at++ = kHexDigits[p[i] >> 4];
    *at++ = kHexDigits[p[i] & 15];
  }
  return at;
}

void errf(const char* fmt, ...) {
  flush_output();
  if (out != stdout) fflush(stdout);
  va_list ap;
  va_start(ap, fmt);
  vfprintf(err_out, fmt, ap);
  va_end(ap);
}

}  // namespace tagdelve
