// Report output. Every report byte goes through these functions to `out`,
// which is stdout in the tool and may be pointed at a memory stream in tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace tagdelve {

extern FILE* out;         // where the report goes
extern FILE* err_out;     // where the command-line messages go (stderr)
extern int32_t verbose;   // number of verbosity options given
extern int32_t indent;    // current depth of the report, in TABs

// Lower-case hex digits, for every hex form of the report.
extern const char kHexDigits[17];

// Starts a report line: `indent` TABs (none at depth 0 or below).
void printi();

// A whole line reporting damaged or cut-off data: the indentation,
// "Error: ", the formatted text and the line end.
void error_line(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// Formatted report text.
void outf(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// Unformatted report text.
void outs(const char* s);
void outc(int c);
void outw(const void* p, size_t n);

// Hand-made formatting for the lines that a long walk prints once per item
// (the frames of an MP3 file), where formatted printing would take most of
// the run time. Each writes at `at` and returns the end of what it wrote; the
// caller's buffer must have room for it (a decimal takes at most 20
// characters). The line is then written with one outw.
inline char* fmt_str(char* at, const char* s) {
  size_t n = strlen(s);
  memcpy(at, s, n);
  return at + n;
}
template <size_t N>
inline char* fmt_lit(char* at, const char (&s)[N]) {  // a literal: its length is known
  memcpy(at, s, N - 1);
  return at + N - 1;
}
char* fmt_dec(char* at, int64_t v);                   // as "%lld" prints it
// The indentation as printi writes it. Walks never nest deep enough to pass
// kMaxFmtTabs (archives within archives are walked only so deep); a deeper
// line would get that many.
constexpr int kMaxFmtTabs = 64;
char* fmt_tabs(char* at);
char* fmt_hex(char* at, const uint8_t* p, size_t n);  // two lower-case digits a byte

// Messages for the command line's user: the report is flushed first, so that
// a terminal shows both in the order they were produced.
void errf(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

}  // namespace tagdelve
