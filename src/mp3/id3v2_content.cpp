#include "mp3/id3v2_content.h"

#include <cmath>
#include <cstring>

#include "common/decode.h"
#include "common/output.h"
#include "common/printers.h"
#include "jpeg/jpeg.h"
#include "common/apic.h"

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

void put_text(int enc, const uint8_t* c, const Text& t) { put_enc(enc, t.len, c + t.at); }

// The rest of the content from an offset, as one text.
void put_rest(int enc, const uint8_t* c, int64_t n, int64_t at) {
  at = within(at, n);
  put_enc(enc, n - at, c + at);
}

// The bytes from `from` up to the first zero byte, `to` or the end of the
// content, whichever comes first, printed as they are, in parentheses.
void raw_text(const uint8_t* c, int64_t n, int64_t from, int64_t to) {
  from = within(from, n);
  to = within(to, n);
  outs(" (");
  if (to > from) put_field(c + from, static_cast<size_t>(to - from));
  outc(')');
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
Text language_and_description(const uint8_t* c, int64_t n, int enc) {
  outs("Language: ");
  put_enc(0, within(3, n - 1), c + within(1, n));
  outs(", ");
  Text description = terminated(enc, c, n, 4);
  put_text(enc, c, description);
  return description;
}

// iTunes' normalisation values: ten hex numbers, each after a space, from
// offset 13 (the usual frame is 104 bytes, ending with a zero byte).
void iTunNORM(const uint8_t* c, int64_t n) {
  if (n != 104)
    outf("Warning: Incorrect length (%lld) iTunNORM frame, may not be recognised by iTunes.\n",
         static_cast<long long>(n));
  iTunGAIN(c + within(13, n), n - 13, 1000);
  iTunGAIN(c + within(31, n), n - 31, 2500);
  if (verbose > 0) raw_text(c, n, 50, 67);  // values 5 and 6
  iTunPEAK(c + within(67, n), n - 67);
  if (verbose > 0) raw_text(c, n, 86, 105);  // values 9 and 10
  outc('\n');
}

// iTunes' gapless playback values: a field, the encoder delay, the end
// padding and a 16-digit sample count (of which the last 8 digits are read),
// each after a space, from offset 13.
void iTunSMPB(const uint8_t* c, int64_t n) {
  if (verbose > 0) raw_text(c, n, 14, 22);
  outf(" Encoder Delay (samples): %i", scan_at(c, n, 23));
  outf(", End Padding (samples): %i", scan_at(c, n, 32));
  outf(", Original Sample Count: %i", scan_at(c, n, 49));
  if (verbose > 0) raw_text(c, n, 58, n);
  outc('\n');
}

// A picture's or object's second line starts one level deeper at verbose > 0.
void next_line() {
  if (verbose > 0) {
    outs(",\n");
    printi();
    outs("\t\t");
  } else {
    outs(", ");
  }
}

// A description and a value: the value in `value_enc`, or in the frame's
// encoding when that is -1.
void described_value(const uint8_t* c, int64_t n, int value_enc) {
  int enc = byte_at(c, n, 0);
  Text description = terminated(enc, c, n, 1);
  put_text(enc, c, description);
  outs(" = ");
  put_rest(value_enc < 0 ? enc : value_enc, c, n, description.next);
  outc('\n');
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

void text_frame(const uint8_t* c, int64_t n, int /*major*/) {
  put_rest(byte_at(c, n, 0), c, n, 1);
  outc('\n');
}

void user_text(const uint8_t* c, int64_t n, int /*major*/) { described_value(c, n, -1); }

void user_url(const uint8_t* c, int64_t n, int /*major*/) { described_value(c, n, 0); }

void url_link(const uint8_t* c, int64_t n, int /*major*/) {
  put_enc(0, n, c);
  outc('\n');
}

void lyrics_frame(const uint8_t* c, int64_t n, int /*major*/) {
  int enc = byte_at(c, n, 0);
  Text description = language_and_description(c, n, enc);
  outc(' ');
  put_rest(enc, c, n, description.next);
  outc('\n');
}

void comment_frame(const uint8_t* c, int64_t n, int /*major*/) {
  int enc = byte_at(c, n, 0);
  Text description = language_and_description(c, n, enc);
  if (description.len == 8 && memcmp(c + description.at, "iTunNORM", 8) == 0) {
    iTunNORM(c, n);
  } else if (description.len == 8 && memcmp(c + description.at, "iTunSMPB", 8) == 0) {
    iTunSMPB(c, n);
  } else {
    outc(' ');
    put_rest(enc, c, n, description.next);
    outc('\n');
  }
}

void iTunGAIN(const uint8_t* p, int64_t avail, int reference) {
  outf(" gain:(%.4f", -10 * log10(static_cast<double>(scan_at(p, avail, 1)) / reference));
  outf(" %.4f)", -10 * log10(static_cast<double>(scan_at(p, avail, 10)) / reference));
}

void iTunPEAK(const uint8_t* p, int64_t avail) {
  outf(" peak:(%6f", static_cast<double>(scan_at(p, avail, 1)) / 32768);
  outf(" %6f)", static_cast<double>(scan_at(p, avail, 10)) / 32768);
}

void attached_picture(const uint8_t* c, int64_t n, int major) {
  int enc = byte_at(c, n, 0);
  int64_t type_at;
  bool jpeg;
  if (major == 2) {
    outs("Format: ");
    put_raw(c + within(1, n), static_cast<size_t>(within(3, n - within(1, n))));
    jpeg = n >= 4 && memcmp(c + 1, "JPG", 3) == 0;
    type_at = 4;
  } else {
    Text mime = terminated(0, c, n, 1);
    outs("MIME: ");
    put_text(0, c, mime);
    jpeg = mime.len == 10 && memcmp(c + mime.at, "image/jpeg", 10) == 0;
    type_at = mime.next;
  }
  next_line();
  int type = byte_at(c, n, type_at);
  outf("Type: %d", type);
  if (verbose > 0) outf(" [%s]", apic_name(type));
  outs(", Description: ");
  Text description = terminated(enc, c, n, type_at + 1);
  put_text(enc, c, description);
  const int64_t size = n - description.next;
  if (verbose > 0) outf(", Binary: %lld bytes", static_cast<long long>(size));
  outc('\n');
  if (jpeg) embedded_jpeg(c + description.next, size);
}

void encapsulated_object(const uint8_t* c, int64_t n, int /*major*/) {
  int enc = byte_at(c, n, 0);
  Text mime = terminated(0, c, n, 1);
  outs("MIME: ");
  put_text(0, c, mime);
  next_line();
  Text file = terminated(enc, c, n, mime.next);
  put_text(enc, c, file);
  outc(' ');
  Text description = terminated(enc, c, n, file.next);
  put_text(enc, c, description);
  const int64_t size = n - description.next;
  outf(", Value: %lld bytes\n", static_cast<long long>(size));
  if (verbose > 0) {
    printi();
    outs("\t\t");
    ext_hex(size, c + description.next, 2);
    outc('\n');
  }
}

void private_frame(const uint8_t* c, int64_t n, int /*major*/) {
  Text owner = terminated(0, c, n, 0);
  put_text(0, c, owner);
  const int64_t size = n - owner.next;
  outf(", Value: %lld bytes\n", static_cast<long long>(size));
  printi();
  outs("\t\t");
  ext_hex(size, c + owner.next, 2);
  outc('\n');
}

void replay_gain(const uint8_t* c, int64_t n, int /*major*/) {
  // The peak is a big-endian single-precision value; bytes the frame lacks
  // count as 0.
  uint8_t b[4] = {0, 0, 0, 0};
  for (int64_t i = 0; i < 4 && i < n; ++i) b[i] = c[i];
  const uint32_t bits = static_cast<uint32_t>(word32(b));
  float peak;
  memcpy(&peak, &bits, sizeof peak);
  outf("Peak: %f", static_cast<double>(peak));
  // Gain fields of 2 bytes; a lone last byte is no field.
  for (int64_t i = 4; i + 1 < n; i += 2) {
    outs(", ");
    put_gain(c + i);
  }
  outc('\n');
}

void put_gain(const uint8_t* p) {
  const int v = word16(p);
  switch (v >> 13) {
    case 0: outs("Not set"); break;
    case 1: outs("Track Gain "); break;
    case 2: outs("Album Gain "); break;
    default: outf("Unknown %d", v >> 13); return;
  }
  static const char* const originators[] = {nullptr, "(Producer) ", "(User) ", "(DJMR algorithm) ",
                                            "(RMS algorithm) "};
  const int originator = (v >> 10) & 7;
  if (originator == 0) {
    outs("(Not set)");
    return;
  }
  if (originator <= 4)
    outs(originators[originator]);
  else
    outf("(Unknown %d) ", originator);
  const double magnitude = (v & 0x1FF) / 10.0;
  if ((v >> 9) & 1)
    outf("-%0.1f", magnitude);
  else
    outf("%0.1f", magnitude);
}

}  // namespace tagdelve
