#include "mp3/id3v2_content.h"

#include <cmath>
#include <cstring>

#include "common/apic.h"
#include "common/decode.h"
#include "common/printers.h"

namespace tagdelve {

namespace {

// An offset into the content, held inside it: 0 to n.
int64_t within(int64_t at, int64_t n) { return at < 0 ? 0 : at > n ? n : at; }

// The byte at an offset, 0 when the content does not reach it.
int byte_at(const uint8_t* c, int64_t n, int64_t at) { return at >= 0 && at < n ? c[at] : 0; }

// A terminated text inside the content: where it starts, its length without
// the terminator, and where the next field starts (after the terminator, or
// at the end of the content when the terminator is missing).
struct Text {
  int64_t at;
  int64_t len;
  int64_t next;
};

Text terminated(int enc, const uint8_t* c, int64_t n, int64_t at) {
  at = within(at, n);
  int width;
  int64_t len = strlen_enc(enc, c + at, n - at, &width);
  return {at, len, at + len + width};
}

void put_text(Report& r, int enc, const uint8_t* c, const Text& t, const char* name) {
  put_enc(r, enc, t.len, c + t.at, name);
}

// The rest of the content from an offset, as one text.
void put_rest(Report& r, int enc, const uint8_t* c, int64_t n, int64_t at, const char* name) {
  at = within(at, n);
  put_enc(r, enc, n - at, c + at, name);
}

// The bytes from `from` up to the first zero byte, `to` or the end of the
// content, whichever comes first, printed as they are, in parentheses.
void raw_text(Report& r, const uint8_t* c, int64_t n, int64_t from, int64_t to, const char* name) {
  from = within(from, n);
  to = within(to, n);
  r.outs(" (");
  put_field(r, c + from, static_cast<size_t>(to > from ? to - from : 0), name);
  r.outc(')');
}

// The frame's text encoding, named (at verbose > 0) as the text shows it.
void encoding_field(Report& r, int enc) {
  if (!r.wants(1)) return;
  if (enc >= 0 && enc <= 3)
    r.str(1, "encoding", ID3v2_encodings[enc]);
  else
    r.str(1, "encoding", "Encoding: " + std::to_string(enc));
}

// "%8x" at p + k, where p has `avail` bytes after it; 0 past the end.
int32_t scan_at(const uint8_t* p, int64_t avail, int64_t k) {
  return k < avail ? scan_hex8(p + k, avail - k) : 0;
}

int hex_digit(uint8_t b) {
  if (b >= '0' && b <= '9') return b - '0';
  if (b >= 'a' && b <= 'f') return b - 'a' + 10;
  if (b >= 'A' && b <= 'F') return b - 'A' + 10;
  return -1;
}

// The first line of a lyrics or comment frame, up to its description.
Text language_and_description(Report& r, const uint8_t* c, int64_t n, int enc) {
  encoding_field(r, enc);
  r.outs("Language: ");
  put_enc(r, 0, within(3, n - 1), c + within(1, n), "language");
  r.outs(", ");
  Text description = terminated(enc, c, n, 4);
  put_text(r, enc, c, description, "description");
  return description;
}

// iTunes' normalisation values: ten hex numbers, each after a space, from
// offset 13 (the usual frame is 104 bytes, ending with a zero byte).
void iTunNORM(Report& r, const uint8_t* c, int64_t n) {
  if (n != 104) {
    r.outf("Warning: Incorrect length (%lld) iTunNORM frame, may not be recognised by iTunes.\n",
           static_cast<long long>(n));
    r.str(0, "warning", "Incorrect length (" + std::to_string(n) + ") iTunNORM frame, may not be recognised by iTunes.");
  }
  iTunGAIN(r, c + within(13, n), n - 13, 1000);
  iTunGAIN(r, c + within(31, n), n - 31, 2500);
  if (r.verbose > 0) raw_text(r, c, n, 50, 67, "values_5_6");
  iTunPEAK(r, c + within(67, n), n - 67);
  if (r.verbose > 0) raw_text(r, c, n, 86, 105, "values_9_10");
  r.outc('\n');
}

// iTunes' gapless playback values: a field, the encoder delay, the end
// padding and a 16-digit sample count (of which the last 8 digits are read),
// each after a space, from offset 13.
void iTunSMPB(Report& r, const uint8_t* c, int64_t n) {
  if (r.verbose > 0) raw_text(r, c, n, 14, 22, "value_1");
  r.outf(" Encoder Delay (samples): %i", scan_at(c, n, 23));
  r.outf(", End Padding (samples): %i", scan_at(c, n, 32));
  r.outf(", Original Sample Count: %i", scan_at(c, n, 49));
  r.num(0, "encoder_delay", scan_at(c, n, 23));
  r.num(0, "end_padding", scan_at(c, n, 32));
  r.num(0, "original_sample_count", scan_at(c, n, 49));
  if (r.verbose > 0) raw_text(r, c, n, 58, n, "values_5_on");
  r.outc('\n');
}

// A picture's or object's second line starts one level deeper at verbose > 0.
void next_line(Report& r) {
  if (r.verbose > 0) {
    r.outs(",\n");
    r.printi();
    r.outs("\t\t");
  } else {
    r.outs(", ");
  }
}

// A description and a value: the value in `value_enc`, or in the frame's
// encoding when that is -1.
void described_value(Report& r, const uint8_t* c, int64_t n, int value_enc, const char* value_name) {
  int enc = byte_at(c, n, 0);
  encoding_field(r, enc);
  Text description = terminated(enc, c, n, 1);
  put_text(r, enc, c, description, "description");
  r.outs(" = ");
  put_rest(r, value_enc < 0 ? enc : value_enc, c, n, description.next, value_name);
  r.outc('\n');
}

}  // namespace

int32_t scan_hex8(const uint8_t* p, int64_t avail) {
  int64_t i = 0;
  while (i < avail && (p[i] == ' ' || (p[i] >= '\t' && p[i] <= '\r'))) ++i;
  const int64_t end = i + 8 < avail ? i + 8 : avail;
  bool negative = false;
  if (i < end && (p[i] == '+' || p[i] == '-')) negative = (p[i++] == '-');
  uint32_t value = 0;  // no digits read as 0
  // A leading zero may be followed by the "0x" prefix; "0x" alone reads 0.
  if (i < end && p[i] == '0') {
    ++i;
    if (i < end && (p[i] == 'x' || p[i] == 'X')) ++i;
  }
  for (; i < end && hex_digit(p[i]) >= 0; ++i) value = value * 16 + static_cast<uint32_t>(hex_digit(p[i]));
  if (negative) value = 0u - value;
  return static_cast<int32_t>(value);
}

void text_frame(Report& r, const Source& content, int /*major*/) {
  const uint8_t* c = content.block;
  const int64_t n = content.limit;
  encoding_field(r, byte_at(c, n, 0));
  put_rest(r, byte_at(c, n, 0), c, n, 1, "text");
  r.outc('\n');
}

void user_text(Report& r, const Source& content, int /*major*/) {
  described_value(r, content.block, content.limit, -1, "value");
}

void user_url(Report& r, const Source& content, int /*major*/) {
  described_value(r, content.block, content.limit, 0, "url");
}

void url_link(Report& r, const Source& content, int /*major*/) {
  put_enc(r, 0, content.limit, content.block, "url");
  r.outc('\n');
}

void lyrics_frame(Report& r, const Source& content, int /*major*/) {
  const uint8_t* c = content.block;
  const int64_t n = content.limit;
  int enc = byte_at(c, n, 0);
  Text description = language_and_description(r, c, n, enc);
  r.outc(' ');
  put_rest(r, enc, c, n, description.next, "text");
  r.outc('\n');
}

void comment_frame(Report& r, const Source& content, int /*major*/) {
  const uint8_t* c = content.block;
  const int64_t n = content.limit;
  int enc = byte_at(c, n, 0);
  Text description = language_and_description(r, c, n, enc);
  if (description.len == 8 && memcmp(c + description.at, "iTunNORM", 8) == 0) {
    iTunNORM(r, c, n);
  } else if (description.len == 8 && memcmp(c + description.at, "iTunSMPB", 8) == 0) {
    iTunSMPB(r, c, n);
  } else {
    r.outc(' ');
    put_rest(r, enc, c, n, description.next, "text");
    r.outc('\n');
  }
}

void iTunGAIN(Report& r, const uint8_t* p, int64_t avail, int reference) {
  const double left = -10 * log10(static_cast<double>(scan_at(p, avail, 1)) / reference);
  const double right = -10 * log10(static_cast<double>(scan_at(p, avail, 10)) / reference);
  r.outf(" gain:(%.4f", left);
  r.outf(" %.4f)", right);
  r.real(0, reference == 1000 ? "gain_1000_left" : "gain_2500_left", left);
  r.real(0, reference == 1000 ? "gain_1000_right" : "gain_2500_right", right);
}

void iTunPEAK(Report& r, const uint8_t* p, int64_t avail) {
  const double left = static_cast<double>(scan_at(p, avail, 1)) / 32768;
  const double right = static_cast<double>(scan_at(p, avail, 10)) / 32768;
  r.outf(" peak:(%6f", left);
  r.outf(" %6f)", right);
  r.real(0, "peak_left", left);
  r.real(0, "peak_right", right);
}

void attached_picture(Report& r, const Source& content, int major) {
  const uint8_t* c = content.block;
  const int64_t n = content.limit;
  int enc = byte_at(c, n, 0);
  encoding_field(r, enc);
  int64_t type_at;
  bool jpeg;
  if (major == 2) {
    r.outs("Format: ");
    put_raw(r, c + within(1, n), static_cast<size_t>(within(3, n - within(1, n))), "format");
    jpeg = n >= 4 && memcmp(c + 1, "JPG", 3) == 0;
    type_at = 4;
  } else {
    Text mime = terminated(0, c, n, 1);
    r.outs("MIME: ");
    put_text(r, 0, c, mime, "mime");
    jpeg = mime.len == 10 && memcmp(c + mime.at, "image/jpeg", 10) == 0;
    type_at = mime.next;
  }
  next_line(r);
  int type = byte_at(c, n, type_at);
  r.outf("Type: %d", type);
  r.num(0, "picture_type", type);
  if (r.verbose > 0) r.outf(" [%s]", apic_name(type));
  r.str(1, "picture_type_name", apic_name(type));
  r.outs(", Description: ");
  Text description = terminated(enc, c, n, type_at + 1);
  put_text(r, enc, c, description, "description");
  const int64_t size = n - description.next;
  if (r.verbose > 0) r.outf(", Binary: %lld bytes", static_cast<long long>(size));
  r.num(1, "picture_length", size);
  r.outc('\n');
  if (!jpeg || size <= 0) return;
  Source picture = content.held(c + description.next, size, description.next);
  picture.name = "Picture";
  r.dispatch.embedded(r, "jpg", picture);
}

void encapsulated_object(Report& r, const Source& content, int /*major*/) {
  const uint8_t* c = content.block;
  const int64_t n = content.limit;
  int enc = byte_at(c, n, 0);
  encoding_field(r, enc);
  Text mime = terminated(0, c, n, 1);
  r.outs("MIME: ");
  put_text(r, 0, c, mime, "mime");
  next_line(r);
  Text file = terminated(enc, c, n, mime.next);
  put_text(r, enc, c, file, "file_name");
  r.outc(' ');
  Text description = terminated(enc, c, n, file.next);
  put_text(r, enc, c, description, "description");
  const int64_t size = n - description.next;
  r.outf(", Value: %lld bytes\n", static_cast<long long>(size));
  r.num(0, "object_length", size);
  if (r.verbose > 0) {
    r.printi();
    r.outs("\t\t");
    ext_hex(r, size, c + description.next, 2, "object");
    r.outc('\n');
  }
}

void private_frame(Report& r, const Source& content, int /*major*/) {
  const uint8_t* c = content.block;
  const int64_t n = content.limit;
  Text owner = terminated(0, c, n, 0);
  put_text(r, 0, c, owner, "owner");
  const int64_t size = n - owner.next;
  r.outf(", Value: %lld bytes\n", static_cast<long long>(size));
  r.num(0, "value_length", size);
  r.printi();
  r.outs("\t\t");
  ext_hex(r, size, c + owner.next, 2, "value");
  r.outc('\n');
}

void replay_gain(Report& r, const Source& content, int /*major*/) {
  const uint8_t* c = content.block;
  const int64_t n = content.limit;
  // The peak is a big-endian single-precision value; bytes the frame lacks
  // count as 0.
  uint8_t b[4] = {0, 0, 0, 0};
  for (int64_t i = 0; i < 4 && i < n; ++i) b[i] = c[i];
  const uint32_t bits = static_cast<uint32_t>(word32(b));
  float peak;
  memcpy(&peak, &bits, sizeof peak);
  r.outf("Peak: %f", static_cast<double>(peak));
  r.real(0, "peak", static_cast<double>(peak));
  // Gain fields of 2 bytes; a lone last byte is no field.
  for (int64_t i = 4; i + 1 < n; i += 2) {
    const std::string gain = gain_text(c + i);
    r.outs(", ");
    r.outs(gain.c_str());
    r.str(0, ("gain_" + std::to_string(i / 2 - 1)).c_str(), gain);
  }
  r.outc('\n');
}

std::string gain_text(const uint8_t* p) {
  const int v = word16(p);
  std::string s;
  switch (v >> 13) {
    case 0: s = "Not set"; break;
    case 1: s = "Track Gain "; break;
    case 2: s = "Album Gain "; break;
    default: return "Unknown " + std::to_string(v >> 13);
  }
  static const char* const originators[] = {nullptr, "(Producer) ", "(User) ", "(DJMR algorithm) ",
                                            "(RMS algorithm) "};
  const int originator = (v >> 10) & 7;
  if (originator == 0) return s + "(Not set)";
  if (originator <= 4)
    s += originators[originator];
  else
    s += "(Unknown " + std::to_string(originator) + ") ";
  char magnitude[16];
  snprintf(magnitude, sizeof magnitude, "%s%0.1f", (v >> 9) & 1 ? "-" : "", (v & 0x1FF) / 10.0);
  return s + magnitude;
}

}  // namespace tagdelve
