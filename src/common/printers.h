// Shared value printers. None of them ends the line.
//
// Those that take a field `name` also give the value to the JSON report as
// that field of the open item (when they are called, the value is shown:
// the caller's verbosity gate holds for both renderers).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "common/report.h"

namespace tagdelve {

// Names of the ID3v2 text encodings 0 to 3.
extern const char* const ID3v2_encodings[4];

// "<0x" then each byte as two lower-case hex digits, then ">".
void put_hex(Report& r, int64_t count, const uint8_t* p, const char* name = nullptr);

// The 16 bytes at p in registry form: "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}",
// the first three groups little-endian as ASF and WAV store them (the JSON
// field `name` without the braces).
void put_guid(Report& r, const uint8_t* p, const char* name = nullptr);
std::string guid_text(const uint8_t* p);

// Hex and character dump, 32 bytes a row; each continuation row starts with a
// TAB, the current depth and `extra_tabs` more TABs. Ends with "|>". A dump
// goes into the JSON at verbose > 1 only.
void ext_hex(Report& r, int64_t count, const uint8_t* p, int extra_tabs, const char* name = nullptr);

// A text value in an ID3v2 text encoding, in braces, preceded at verbose > 0
// by the encoding's name. `len` is the number of bytes available.
void put_enc(Report& r, int enc, int64_t len, const uint8_t* p, const char* name = nullptr);

// UTF-16 text of `len` bytes without a byte-order mark, big- or
// little-endian: one terminating 0x0000 unit is left out, printable ASCII
// units print as themselves, any other as "\\%.4x" (with --utf8, units from
// 0xA0 up and surrogate pairs as UTF-8), and a lone last byte as "\\%.4x" of
// its value. No braces.
void put_utf16(Report& r, const uint8_t* p, int64_t len, bool big, const char* name = nullptr);

// How a byte that is not shown as itself is written: "\\%.2x" as the
// encoded-text printer writes it, or "\\%o" as Exif ASCII values have it.
enum class Escape { hex, octal };

// A control byte: 0x00-0x1F, 0x7F and 0x80-0x9F.
bool control_byte(uint8_t b);

// Printable ASCII as itself, every other byte as an escape.
void put_ascii(Report& r, const uint8_t* p, size_t n, Escape form);

// ISO-8859-1 text: control bytes escaped, letters (0xA0-0xFF) as they are
// or, with --utf8, converted.
void put_latin1(Report& r, const uint8_t* p, size_t n);

// UTF-8 text: well-formed characters as they are; control characters, the
// characters that change how text around them is shown (bidirectional
// overrides and isolates, line and paragraph separators, U+FFFE and U+FFFF)
// and ill-formed bytes as escapes.
void put_utf8(Report& r, const uint8_t* p, size_t n, Escape form);

// Text printed raw, as the file holds it: bytes as they are, but a control
// byte never reaches the report as itself; it is shown as "\\%.2x", as the
// encoded-text printer shows it. With --utf8, well-formed UTF-8 passes and
// other bytes above 0x7F are escaped too. `escaped` gives the same text as
// a string, for a message.
void put_raw(Report& r, const void* p, size_t n, const char* name = nullptr);
std::string escaped(const Report& r, const std::string& s);

// A text field of fixed width: its bytes up to the first zero byte, or all
// `width` of them when it holds none; printed raw.
size_t field_length(const uint8_t* p, size_t width);
void put_field(Report& r, const uint8_t* p, size_t width, const char* name = nullptr);

// The same for fields that hold ISO-8859-1 text (ID3v1, TAG+, Lyrics3).
void put_latin1_field(Report& r, const uint8_t* p, size_t width, const char* name = nullptr);

// Length in bytes of the terminated text at p, scanning at most `avail`
// bytes, without its terminator; *width gets the terminator's width (2 for
// the UTF-16 encodings 1 and 2, else 1). When no terminator stands within
// `avail` bytes the text runs to the end: the result is `avail` and *width 0,
// so the next field starts at the end of the data.
int64_t strlen_enc(int enc, const uint8_t* p, int64_t avail, int* width);

}  // namespace tagdelve
