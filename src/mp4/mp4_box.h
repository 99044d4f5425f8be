// What the parts of the MP4 walker share: the state of one walk, and the
// printers of the values that several kinds of box hold.
#pragma once

#include <cstdint>
#include <string>

#include "common/report.h"
#include "common/source.h"

namespace tagdelve {

// A four-character code as a number, for the tables and switches.
constexpr uint32_t fourcc(const char (&s)[5]) {
  return uint32_t{static_cast<uint8_t>(s[0])} << 24 | uint32_t{static_cast<uint8_t>(s[1])} << 16 |
         uint32_t{static_cast<uint8_t>(s[2])} << 8 | static_cast<uint8_t>(s[3]);
}

// What the walk has learnt so far that later boxes need.
struct Mp4Walk {
  int depth = 0;                 // boxes open
  uint32_t movie_timescale = 0;  // of the last movie header: units of track durations
  uint32_t handler = 0;          // of the track being walked: how its sample entries read
  uint32_t item = 0;             // the metadata item being walked: how its implicit values read
};

// The box being decoded: its type and where its content begins.
struct BoxContent {
  const uint8_t* type;  // the four bytes as stored
  int64_t size;         // bytes of content the box claims (held.limit of them were read)
};

// Decoders of box contents, each given the content's first bytes (held) and
// the whole content's size. They print lines one TAB below the box's heading.
using BoxDecoder = void (*)(Report& r, const Source& held, const BoxContent& box, Mp4Walk& w);

// A four-character code, read as ISO-8859-1 (0xA9 is "©"): as the text
// shows it, a byte outside printable ASCII escaped ("\a9nam"; with --utf8
// only control bytes), and in UTF-8 for an item's kind ("©nam"). put_code
// prints it and gives the JSON field `name`.
std::string code_shown(const Report& r, const uint8_t* p);
std::string code_text(const uint8_t* p);
void put_code(Report& r, const uint8_t* p, const char* name = nullptr);

// A text in braces: UTF-8 (with --utf8 as it is, else every byte outside
// printable ASCII escaped) or UTF-16 big-endian; the JSON field `name`.
void put_utf8_text(Report& r, const uint8_t* p, int64_t n, const char* name);
void put_utf16_text(Report& r, const uint8_t* p, int64_t n, const char* name);

// An error of the box's content, one TAB below its heading.
void box_error(Report& r, const Source& src, int64_t at, const std::string& message);

// "<what> passes the end of the <type> box", for a field the content cuts.
void past_end(Report& r, const Source& held, const BoxContent& box, const char* what);

// Seconds since 1904-01-01 00:00:00 UTC, as "YYYY-MM-DD HH:MM:SS" (the
// JSON field `name` as ISO 8601).
void put_mac_time(Report& r, uint64_t t, const char* name);

// A 16-bit language code: below 0x400 a Macintosh language number, else
// an ISO 639-2 code of three letters packed in 5 bits each from 0x60 (one
// that packs no three letters as its number); the JSON field at `level`.
void put_language(Report& r, uint32_t code, int level);

// Decoders, looked up by the box table (mp4_boxes.cpp, mp4_ilst.cpp).
void file_type(Report& r, const Source& held, const BoxContent& box, Mp4Walk& w);
void movie_header(Report& r, const Source& held, const BoxContent& box, Mp4Walk& w);
void track_header(Report& r, const Source& held, const BoxContent& box, Mp4Walk& w);
void media_header(Report& r, const Source& held, const BoxContent& box, Mp4Walk& w);
void handler(Report& r, const Source& held, const BoxContent& box, Mp4Walk& w);
void sample_table(Report& r, const Source& held, const BoxContent& box, Mp4Walk& w);
void sample_sizes(Report& r, const Source& held, const BoxContent& box, Mp4Walk& w);
void es_descriptor(Report& r, const Source& held, const BoxContent& box, Mp4Walk& w);
void alac_config(Report& r, const Source& held, const BoxContent& box, Mp4Walk& w);
void flac_config(Report& r, const Source& held, const BoxContent& box, Mp4Walk& w);
void opus_config(Report& r, const Source& held, const BoxContent& box, Mp4Walk& w);
void nero_chapters(Report& r, const Source& held, const BoxContent& box, Mp4Walk& w);
void track_reference(Report& r, const Source& held, const BoxContent& box, Mp4Walk& w);
void fragment_field(Report& r, const Source& held, const BoxContent& box, Mp4Walk& w);
void user_type(Report& r, const Source& held, const BoxContent& box, Mp4Walk& w);
void item_data(Report& r, const Source& held, const BoxContent& box, Mp4Walk& w);
void item_text(Report& r, const Source& held, const BoxContent& box, Mp4Walk& w);
void quicktime_text(Report& r, const Source& held, const BoxContent& box, Mp4Walk& w);

// The readable name of an iTunes metadata item, or nullptr.
const char* item_name(const uint8_t* type);

// Sample entries (the children of stsd): how many bytes of fields stand
// before their child boxes, as far as the `have` bytes at p tell (the
// track's handler says which kind of entry it is: sound, video or another,
// whose fields run to its end), and the decoder of those fields.
int64_t entry_fields_size(const Mp4Walk& w, const uint8_t* p, int64_t have, int64_t size);
void sample_entry(Report& r, const Source& held, const BoxContent& box, Mp4Walk& w);

}  // namespace tagdelve
