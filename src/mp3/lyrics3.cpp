#include "mp3/lyrics3.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "common/printers.h"
#include "common/table.h"

namespace tagdelve {

namespace {

const lyrics3v2_field lyrics3v2_fields[] = {
    {"IND", "Indications"},
    {"LYR", "Lyrics"},
    {"INF", "Additional information"},
    {"AUT", "Lyrics/music author name"},
    {"EAL", "Extended album name"},
    {"EAR", "Extended artist name"},
    {"ETT", "Extended track title"},
    {"IMG", "Link to image files"},
    {"GRE", "Genre"},
};

// A decimal number the way atoi reads it: blanks skipped, a sign, digits up
// to the first other character, 0 when there are none.
int decimal(const uint8_t* digits) { return atoi(reinterpret_cast<const char*>(digits)); }

const char* text(const uint8_t* sig) { return reinterpret_cast<const char*>(sig); }

// Version 2: the field list (its first identifier is in sig[0..2]), the block
// size and the end marker. The value of a field may be as long as its five
// size digits allow; it is read whole so that the position stays right.
bool version2(Report& r, Source& src, uint8_t* sig, const lyrics3v2_field* field) {
  r.printi();
  r.outs("\tVersion 2 fields\n");
  r.num(0, "version", 2);
  std::vector<uint8_t> value;
  while (field != nullptr) {
    const int64_t field_at = src.tell() - 3;
    Item item(r, "field", src, field_at);
    r.text(0, "id", Enc::latin1, sig, 3);
    r.str(0, "description", field->description);
    if (!src.read(sig + 4, 5)) return false;
    sig[9] = '\0';
    // A size field of five digits holds no sign: "-0001" is damage, and
    // no value is read for it.
    if (!src.body(value, std::max(decimal(sig + 4), 0))) return false;
    item.length = src.tell() - field_at;
    r.printi();
    r.outf("\t%s [%s]: {", text(sig), field->description);
    put_latin1_field(r, value.data(), value.size(), "value");
    r.outs("}\n");
    if (!src.read(sig, 3)) return false;
    sig[3] = '\0';
    field = find_field(text(sig));
  }
  // Not an identifier: the first half of the block size.
  if (!src.read(sig + 3, 3)) return false;
  sig[6] = '\0';
  r.printi();
  r.outf("\tTotal block size: %d bytes\n", decimal(sig));
  r.num(0, "block_size", decimal(sig));
  if (!src.read(sig, 9)) return false;
  sig[9] = '\0';
  if (r.verbose > 0) {
    r.printi();
    r.outs("\tFooter: ");
    put_latin1_field(r, sig, 9, "footer");
    r.outc('\n');
  }
  return true;
}

// The lyrics text of a version 1 block, for the JSON report: its bytes as
// the text shows them, up to a size that no real block comes near.
struct Lyrics {
  std::string bytes;
  static constexpr size_t kMax = 1 << 20;
  void add(const uint8_t* p, size_t n) { bytes.append(reinterpret_cast<const char*>(p), std::min(n, kMax - std::min(kMax, bytes.size()))); }
  static void seen(void* self, const uint8_t* p, size_t n) { static_cast<Lyrics*>(self)->add(p, n); }
};

// Version 1: the lyrics text, printed raw up to LYRICSEND. Every "L" is read
// with the 8 bytes after it; when they are not the rest of the end marker,
// they are printed and the scan goes on after them.
bool version1(Report& r, Source& src, uint8_t* sig) {
  r.printi();
  r.outs("\tVersion 1 data\n");
  r.num(0, "version", 1);
  // The text is written as it is found, or gathered for the JSON report.
  Lyrics lyrics;
  auto put = [&r, &lyrics](const uint8_t* p, size_t n) {
    if (r.text())
      put_latin1(r, p, n);
    else if (r.json())
      lyrics.add(p, n);
  };
  put(sig, field_length(sig, 3));
  bool ok = true;
  for (;;) {
    bool found;
    if (r.text())
      src.scan('L', &found, [](void* rep, const uint8_t* p, size_t n) { put_latin1(*static_cast<Report*>(rep), p, n); }, &r);
    else
      src.scan('L', &found, r.json() ? Lyrics::seen : nullptr, &lyrics);
    uint8_t c;
    if (!src.read(&c, 1) || !src.read(sig, 8)) {  // read() fails where scan() ended
      ok = false;
      break;
    }
    sig[8] = '\0';
    if (memcmp(sig, "YRICSEND", 8) == 0) break;
    put(&c, 1);
    put(sig, field_length(sig, 8));
  }
  r.text(0, "lyrics", Enc::latin1, lyrics.bytes.data(), lyrics.bytes.size());
  if (!ok) return false;
  if (r.verbose > 0) {
    r.printi();
    r.outs("\tFooter: L");
    put_latin1_field(r, sig, 8);
    r.outc('\n');
    r.text(1, "footer", Enc::latin1, "LYRICSEND", 9);
  }
  return true;
}

}  // namespace

const lyrics3v2_field* find_field(const char* id) {
  return find_row(lyrics3v2_fields, [id](const lyrics3v2_field& f) { return strcmp(f.id, id) == 0; });
}

bool lyrics3_block(Report& r, Source& src, uint8_t* sig, int64_t at) {
  Item item(r, "Lyrics3 block", src, at);
  r.printi();
  r.outs("Lyrics3 block\n");
  uint8_t marker[7];  // "CSBEGIN", not compared
  bool ok = src.read(marker, 7) && src.read(sig, 3);
  if (ok) {
    sig[3] = '\0';
    sig[9] = '\0';
    const lyrics3v2_field* field = find_field(text(sig));
    ok = field != nullptr ? version2(r, src, sig, field) : version1(r, src, sig);
  }
  if (!ok) src.ended_inside("Lyrics3 block");
  item.length = src.tell() - at;
  return ok;
}

}  // namespace tagdelve
