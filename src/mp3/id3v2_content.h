// Printers of ID3v2 frame contents, named by the rows of ID3v2_frames. Each
// is given the content as a source held in memory (its bytes `c` and their
// number `n` are content.block and content.limit) and the tag's major
// version (which only the picture printer looks at). Each continues the frame's line begun by
// the tag walk, decodes the content as far as it knows the frame's layout,
// and ends the line; some print further lines (hex dumps, a JPEG picture).
//
// Every printer reads only inside the content `c` of `n` bytes: a field that
// the content is too short to hold is taken as empty (text) or 0 (a number),
// and a text whose terminator is missing runs to the end of the content.
#pragma once

#include <cstdint>
#include <string>

#include "common/report.h"
#include "common/source.h"

namespace tagdelve {

// Text information frames (T000 to TZZZ but TXXX): encoding, text.
void text_frame(Report& r, const Source& content, int major);

// TXXX: encoding, terminated description, then the value in that encoding.
void user_text(Report& r, const Source& content, int major);

// WXXX: as TXXX, but the value is a URL in ISO-8859-1.
void user_url(Report& r, const Source& content, int major);

// URL link frames (W000 to WZZZ but WXXX): the URL, the whole content.
void url_link(Report& r, const Source& content, int major);

// USLT: encoding, language, terminated description, text.
void lyrics_frame(Report& r, const Source& content, int major);

// COMM: as USLT, with the iTunes "iTunNORM" and "iTunSMPB" comments decoded.
void comment_frame(Report& r, const Source& content, int major);

// The two iTunNORM volume values at p + 1 and p + 10, as gains in decibels
// against `reference`; `avail` is the number of bytes from p to the end of
// the content (0 or less when p stands at or past it).
void iTunGAIN(Report& r, const uint8_t* p, int64_t avail, int reference);

// The two iTunNORM peak values at p + 1 and p + 10, as fractions of 32768.
void iTunPEAK(Report& r, const uint8_t* p, int64_t avail);

// APIC (PIC in ID3v2.2, `major` 2): picture type, description, size; a JPEG
// picture is walked from memory one level deeper.
void attached_picture(Report& r, const Source& content, int major);

// GEOB: MIME type, file name, description, and the object as a dump at
// verbose > 0.
void encapsulated_object(Report& r, const Source& content, int major);

// PRIV: owner identifier and the private data as a dump.
void private_frame(Report& r, const Source& content, int major);

// RGAD: the peak amplitude and the 16-bit gain fields.
void replay_gain(Report& r, const Source& content, int major);

// One RGAD gain field (16 bits, big-endian, at p): name, originator, value.
std::string gain_text(const uint8_t* p);

// A hexadecimal number as the C library's "%8x" conversion reads it, from at
// most `avail` bytes at p: leading white space skipped, then at most 8
// characters (an optional sign, an optional "0x" or "0X" after a leading
// zero, hex digits). The value is taken modulo 2^32 as a signed 32-bit
// number; text without a digit gives 0.
int32_t scan_hex8(const uint8_t* p, int64_t avail);

}  // namespace tagdelve
