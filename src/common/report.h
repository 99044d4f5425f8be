// The report of one walk. Walkers write through one Report: the lines of the
// text report, and the same walk as events: items (what an item is, where it
// stands in its source and in the file, its length), the typed fields of each
// item, and errors. One renderer takes them, chosen by the options:
//
//   text   the lines, as the walkers write them; items and fields are not
//          shown (an item's heading and values are the walker's own lines);
//   json   one JSON object per file: the items as nested objects with their
//          fields and errors, streamed as the walk goes; lines are dropped;
//   check  nothing is written; the first error is kept, for the verdict.
//
// A Report belongs to one walk (one file named on the command line), so that
// files can be walked side by side; nothing of it is global.
//
// No line of the text is left open: the report knows whether the last byte
// it wrote ended a line, and a new line (printi, begin_line) ends an open one
// first, so that a walk that stops in the middle of a line never runs on into
// the next. A failed write ends the run (check_output).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace tagdelve {

struct Source;
struct Report;

enum class Mode : uint8_t { text, json, check };

// How the bytes of a text are decoded for its JSON string.
enum class Enc : uint8_t { latin1, utf8, utf16le, utf16be };

// How sure a format's probe is that the first bytes of a file are of its
// format (--detect).
enum class Probe : uint8_t { no, weak, strong };

// What the options ask of every walk of a run.
struct Settings {
  int32_t verbose = 0;  // number of verbosity options given
  Mode mode = Mode::text;
  bool utf8 = false;      // --utf8: texts shown as UTF-8
  bool detect = false;    // --detect: the walker chosen by content where the name selects none
  bool all_ifds = false;  // --all-ifds: every TIFF directory of JPEG Exif data
};

// How a walker hands on content it holds to the walker of its kind: an
// archive member by its name (chosen as a file's walker is), embedded content
// (a cover picture, Exif data, an ID3v2 tag in a chunk) by the extension its
// type calls for ("jpg", "png", "tif", "id3"); `embedded` is false when no
// walker takes that extension, or the content is empty. The front end sets
// them; format walkers never call each other by name.
struct Dispatch {
  bool (*member)(Report& r, const std::string& name, Source& src) = nullptr;
  bool (*embedded)(Report& r, const char* ext, Source& src) = nullptr;
};

// The JSON object of an item that is open, and which of its parts is open.
struct JsonItem {
  enum Part : uint8_t { head, fields, items, summary };
  Part part = head;
  bool root = false;       // the file's object: its fields stand in it directly
  bool has_length = false; // the length was known when the item began
  int64_t start = 0;       // the item's offset in its source
  int parts = 0;           // parts opened so far (items or summary after summary)
  int errors = 0;          // errors kept in `error_text`
  std::string error_text;  // the item's errors, written when it ends
};

// Errors kept per item and per file; more are counted, not kept.
constexpr int kErrorsKept = 100;

struct Report {
  explicit Report(const Settings& s, FILE* out = stdout, FILE* err = stderr);

  // Set for the walk.
  int32_t verbose;
  Mode mode;
  bool utf8;
  bool detect;
  bool all_ifds;
  FILE* out;  // the report
  FILE* err;  // the command-line messages
  Dispatch dispatch;

  // The text.
  int32_t indent = -1;  // depth, in TABs
  int32_t nesting = -1;  // archive members within archives: 0 for the file itself
  int32_t thumbnails = 0;  // JPEG thumbnails of TIFF data being walked: none is walked inside another
  bool line_open = false;
  int write_error = 0;  // errno of the first write that failed

  // Errors of the walk: their number, the first one's message (the verdict
  // of --check) and, for JSON, the file's list.
  int64_t error_count = 0;
  std::string first_error;
  std::string file_errors;
  std::vector<JsonItem> items;  // the JSON items that are open, the file's first
  size_t depth = 0;             // how many of `items` are open

  bool text() const { return mode == Mode::text; }
  bool json() const { return mode == Mode::json; }

  // Whether a field given at `level` (0: shown at every verbosity; 1 or 2:
  // shown by the text from that verbosity on) goes into the JSON: from the
  // first -v on, every field does.
  bool wants(int level) const { return mode == Mode::json && (level == 0 || verbose > 0); }

  // --- Text lines (written by the text renderer only) ---

  // Starts a report line: ends an open line, then `indent` TABs.
  void printi() {
    if (mode != Mode::text) return;
    begin_line();
    put_indent();
  }
  // Starts a line without indentation: ends an open line.
  void begin_line();
  // The indentation alone, for a line that a printer continues onto.
  void put_indent();
  void outs(const char* s) {
    if (mode == Mode::text) outw(s, strlen(s));
  }
  void outc(int c) {
    if (mode != Mode::text) return;
    wrote(1, putc_unlocked(c, out) == EOF ? 0 : 1, static_cast<char>(c));
  }
  void outw(const void* p, size_t n) {
    if (mode == Mode::text && n > 0) write_raw(p, n);
  }
  void outf(const char* fmt, ...) __attribute__((format(printf, 2, 3)));

  // Ends the run when writing has failed: one line on standard error with the
  // system's message, and exit status 1. A reader that has gone away (a closed
  // pipe) ends it quietly. Checked as each line begins.
  void check_output();
  // Flushes the report, then checks it as above.
  void flush_output();
  // A message for the command line's user, on `err`; the report is flushed
  // first, so that a terminal shows both in the order they were produced.
  void errf(const char* fmt, ...) __attribute__((format(printf, 2, 3)));

  // --- Errors (every renderer) ---

  // Damaged or cut-off data: in the text a whole line, the indentation,
  // "Error: " and the message; in the JSON an error of the open item, with
  // where it was met when `src` is given (`at` in its coordinates). Not
  // `indented`: the text's line begins at the margin.
  void error(const std::string& message, const Source* src = nullptr, int64_t at = 0, bool indented = true);
  void error_line(const char* fmt, ...) __attribute__((format(printf, 2, 3)));
  // Damage that the text reports in a line of its own words (not an "Error:"
  // line): an error for the JSON and the damage check, nothing for the text.
  void damage(const std::string& message, const Source* src = nullptr, int64_t at = 0);

  // --- Items and fields (the JSON renderer only) ---

  // An item begins at offset `at` of `src`, `length` bytes long (-1: not
  // known yet). Items nest: an item begun before another ends is its child.
  void begin(const char* kind, const Source& src, int64_t at, int64_t length = -1) {
    if (mode == Mode::json) begin_item(kind, strlen(kind), src, at, length);
  }
  void begin(const std::string& kind, const Source& src, int64_t at, int64_t length = -1) {
    if (mode == Mode::json) begin_item(kind.data(), kind.size(), src, at, length);
  }
  // The item ends; `length` is given here when it was not known at its
  // beginning (-1: still not known).
  void end(int64_t length = -1) {
    if (mode == Mode::json) end_item(length);
  }

  // Fields of the open item, each given at the verbosity `level` at which
  // the text shows it (see wants()).
  void num(int level, const char* name, int64_t v) {
    if (wants(level)) put_num(name, v);
  }
  void unum(int level, const char* name, uint64_t v) {
    if (wants(level)) put_unum(name, v);
  }
  void real(int level, const char* name, double v) {
    if (wants(level)) put_real(name, v);
  }
  void flag(int level, const char* name, bool v) {
    if (wants(level)) put_literal(name, v ? "true" : "false");
  }
  void str(int level, const char* name, const char* s) {
    if (wants(level)) put_text(name, Enc::utf8, reinterpret_cast<const uint8_t*>(s), strlen(s));
  }
  void str(int level, const char* name, const std::string& s) {
    if (wants(level)) put_text(name, Enc::utf8, reinterpret_cast<const uint8_t*>(s.data()), s.size());
  }
  void text(int level, const char* name, Enc enc, const void* p, size_t n) {
    if (wants(level)) put_text(name, enc, static_cast<const uint8_t*>(p), n);
  }
  // Raw bytes, as a string of hex digits.
  void hex(int level, const char* name, const void* p, size_t n) {
    if (wants(level)) put_hex(name, static_cast<const uint8_t*>(p), n);
  }
  // A value the caller has written as JSON text (an array, say).
  void json_value(int level, const char* name, const std::string& json) {
    if (wants(level)) put_literal(name, json.c_str());
  }

  // The file's object (the JSON renderer): its name and size (-1 when not
  // known), then whatever the dispatch and the walk give, then its errors.
  void begin_file(const std::string& name, int64_t size);
  void end_file();

  // A whole item written by the caller as JSON text (an object), where items
  // are so many that formatting them field by field would cost most of the
  // run (MPEG audio frames); its separator is written here.
  void raw_item(const char* json, size_t n);

  void write_raw(const void* p, size_t n) {
    wrote(n, fwrite_unlocked(p, 1, n, out), static_cast<const char*>(p)[n - 1]);
  }

 private:
  void wrote(size_t asked, size_t written, char last) {
    if (written < asked && write_error == 0) write_error = errno_or_eio();
    if (written > 0) line_open = last != '\n';
  }
  static int errno_or_eio();
  void damage_json(const std::string& message, const Source* src, int64_t at);
  void begin_item(const char* kind, size_t n, const Source& src, int64_t at, int64_t length);
  void end_item(int64_t length);
  void key(const char* name);
  void child();
  void put_num(const char* name, int64_t v);
  void put_unum(const char* name, uint64_t v);
  void put_real(const char* name, double v);
  void put_literal(const char* name, const char* v);
  void put_text(const char* name, Enc enc, const uint8_t* p, size_t n);
  void put_hex(const char* name, const uint8_t* p, size_t n);
};

// An item from its beginning to the end of the scope; `length`, when it is
// found only by the walk, is given at the end.
struct Item {
  Report& r;
  int64_t length = -1;
  Item(Report& report, const char* kind, const Source& src, int64_t at, int64_t length = -1) : r(report) {
    r.begin(kind, src, at, length);
  }
  Item(Report& report, const std::string& kind, const Source& src, int64_t at, int64_t length = -1)
      : r(report) {
    r.begin(kind, src, at, length);
  }
  ~Item() { r.end(length); }
  Item(const Item&) = delete;
  Item& operator=(const Item&) = delete;
};

// Lower-case hex digits, for every hex form of the report.
extern const char kHexDigits[17];

// A JSON string of the text `p` of `n` bytes, with its quotes, appended to
// `out`: decoded as `enc` says; control characters as \u escapes; a byte
// that is not part of well-formed UTF-8 (or a lone last byte of UTF-16) as
// the escape of U+DC00 plus its value (Python's "surrogateescape"), and an
// unpaired UTF-16 surrogate as its own escape, so that the bytes can always
// be recovered.
void json_string(std::string& out, Enc enc, const uint8_t* p, size_t n);

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
// The indentation as printi writes it at `depth`. Walks never nest deep
// enough to pass kMaxFmtTabs (archives within archives are walked only so
// deep); a deeper line would get that many.
constexpr int kMaxFmtTabs = 64;
char* fmt_tabs(char* at, int32_t depth);
char* fmt_hex(char* at, const uint8_t* p, size_t n);  // two lower-case digits a byte

}  // namespace tagdelve
