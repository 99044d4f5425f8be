#include "common/output.h"

#include <cstdarg>
#include <cstring>

namespace tagdelve {

FILE* out = stdout;
FILE* err_out = stderr;
int32_t verbose = 0;
int32_t indent = -1;

void printi() {
  static const char tabs[] = "\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t";
  int32_t n = indent;
  while (n > 0) {
    int32_t k = n < 16 ? n : 16;
    fwrite(tabs, 1, static_cast<size_t>(k), out);
    n -= k;
  }
}

void outf(const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  vfprintf(out, fmt, ap);
  va_end(ap);
}

void outs(const char* s) { fwrite(s, 1, strlen(s), out); }

void outc(int c) { putc(c, out); }

void outw(const void* p, size_t n) {
  if (n > 0) fwrite(p, 1, n, out);
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
