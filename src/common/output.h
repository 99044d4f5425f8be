// Report output. Every report byte goes through these functions to `out`,
// which is stdout in the tool and may be pointed at a memory stream in tests.
//
// No line of the report is left open: the module knows whether the last
// byte written ended a line, and a new line (printi, begin_line) ends an open
// one first, so that a walk that stops in the middle of a line never runs on
// into the next. A failed write ends the run (check_output).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace tagdelve {

extern FILE* out;         // where the report goes (see set_report_stream)
extern FILE* err_out;     // where the command-line messages go (stderr)
extern int32_t verbose;   // number of verbosity options given
extern int32_t indent;    // current depth of the report, in TABs

// Lower-case hex digits, for every hex form of the report.
extern const char kHexDigits[17];

// Points the report at `f`, with no line open and no write failed yet.
void set_report_stream(FILE* f);

// Starts a report line: ends an open line, then `indent` TABs (none at
// depth 0 or below).
void printi();

// Starts a line without indentation: ends an open line.
void begin_line();

// The indentation alone, for a line that a printer continues onto.
void put_indent();

// Ends the run when writing the report has failed: one line on standard
// error with the system's message, and exit status 1. A reader that has
// gone away (a closed pipe) ends it quietly. Checked as each line begins.
void check_output();

// Flushes the report, then checks it as above.
void flush_output();

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
