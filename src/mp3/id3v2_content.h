// Printers of ID3v2 frame contents, named by the rows of ID3v2_frames. Each
// is given the content `c` of `n` bytes and the tag's major version (which
// only the picture printer looks at). Each continues the frame's line begun by
// the tag walk, decodes the content as far as it knows the frame's layout,
// and ends the line; some print further lines (hex dumps, a JPEG picture).
//
// Every printer reads only inside the content `c` of `n` bytes: a field that
// the content is too short to hold is taken as empty (text) or 0 (a number),
// and a text whose terminator is missing runs to the end of the content.
#pragma once

#include <cstdint>

namespace tagdelve {

// Text information frames (T000 to TZZZ but TXXX): encoding, text.
void text_frame(const uint8_t* c, int64_t n, int major);

// TXXX: encoding, terminated description, then the value in that encoding.
void user_text(const uint8_t* c, int64_t n, int major);

// WXXX: as TXXX, but the value is a URL in ISO-8859-1.
void user_url(const uint8_t* c, int64_t n, int major);

// URL link frames (W000 to WZZZ but WXXX): the URL, the whole content.
void url_link(const uint8_t* c, int64_t n, int major);

// USLT: encoding, language, terminated description, text.
void lyrics_frame(const uint8_t* c, int64_t n, int major);

// COMM: as USLT, with the iTunes "iTunNORM" and "iTunSMPB" comments decoded.
void comment_frame(const uint8_t* c, int64_t n, int major);

// The two iTunNORM volume values at p + 1 and p + 10, as gains in decibels
// against `reference`; `avail` is the number of bytes from p to the end of
// the content (0 or less when p stands at or past it).
void iTunGAIN(const uint8_t* p, int64_t avail, int reference);

// The two iTunNORM peak values at p + 1 and p + 10, as fractions of 32768.
void iTunPEAK(const uint8_t* p, int64_t avail);

// APIC (PIC in ID3v2.2, `major` 2): picture type, description, size; a JPEG
// picture is walked from memory one level deeper.
void attached_picture(const uint8_t* c, int64_t n, int major);

// GEOB: MIME type, file name, description, and the object as a dump at
// verbose > 0.
void encapsulated_object(const uint8_t* c, int64_t n, int major);

// PRIV: owner identifier and the private data as a dump.
void private_frame(const uint8_t* c, int64_t n, int major);

// RGAD: the peak amplitude and the 16-bit gain fields.
void replay_gain(const uint8_t* c, int64_t n, int major);

// One RGAD gain field (16 bits, big-endian, at p): name, originator, value.
void put_gain(const uint8_t* p);

// A hexadecimal number as the C library's "%8x" conversion reads it, from at
// most `avail` bytes at p: leading white space skipped, then at most 8
// characters (an optional sign, an optional "0x" or "0X" after a leading
// zero, hex digits). The value is taken modulo 2^32 as a signed 32-bit
// number; text without a digit gives 0.
int32_t scan_hex8(const uint8_t* p, int64_t avail);

}  // namespace tagdelve
