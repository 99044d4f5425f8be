#include "common/output.h"

#include <cstdarg>
#include <cstring>

namespace tagdelve {

FILE* out = stdout;
FILE* err_out = stderr;
int32_t verbose = 0;
int32_t indent = -1;

const char kHexDigits[17] = "0123456789abcdef";

void printi() {
  static const char tabs[] = "\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t";
  int32_t n = indent;
  while (n > 0) {
    int32_t k = n < 16 ? n : 16;
    fwrite_unlocked(tabs, 1, static_cast<size_t>(k), out);
    n -= k;
  }
}

void outf(const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  vfprintf(out, fmt, ap);
  va_end(ap);
}

void error_line(const char* fmt, ...) {
  printi();
  outs("Error: ");
  va_list ap;
  va_start(ap, fmt);
  vfprintf(out, fmt, ap);
  va_end(ap);
  outc('\n');
}

void outs(const char* s) { fwrite_unlocked(s, 1, strlen(s), out); }

void outc(int c) { putc_unlocked(c, out); }

void outw(const void* p, size_t n) {
  if (n > 0) fwrite_unlocked(p, 1, n, out);
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
  fflush(out);
  if (out != stdout) fflush(stdout);
  va_list ap;
  va_start(ap, fmt);
  vfprintf(err_out, fmt, ap);
  va_end(ap);
}

}  // namespace tagdelve
