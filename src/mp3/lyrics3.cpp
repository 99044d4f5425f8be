#include "mp3/lyrics3.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "common/output.h"
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
bool version2(Source& src, uint8_t* sig, const lyrics3v2_field* field) {
  printi();
  outs("\tVersion 2 fields\n");
  std::vector<uint8_t> value;
  while (field != nullptr) {
    if (!src.read(sig + 4, 5)) return false;
    sig[9] = '\0';
    // A size field of five digits holds no sign: "-0001" is damage, and
    // no value is read for it.
    if (!src.body(value, std::max(decimal(sig + 4), 0))) return false;
    printi();
    outf("\t%s [%s]: {", text(sig), field->description);
    put_latin1_field(value.data(), value.size());
    outs("}\n");
    if (!src.read(sig, 3)) return false;
    sig[3] = '\0';
    field = find_field(text(sig));
  }
  // Not an identifier: the first half of the block size.
  if (!src.read(sig + 3, 3)) return false;
  sig[6] = '\0';
  printi();
  outf("\tTotal block size: %d bytes\n", decimal(sig));
  if (!src.read(sig, 9)) return false;
  sig[9] = '\0';
  if (verbose > 0) {
    printi();
    outs("\tFooter: ");
    put_latin1_field(sig, 9);
    outc('\n');
  }
  return true;
}

// Version 1: the lyrics text, printed raw up to LYRICSEND. Every "L" is read
// with the 8 bytes after it; when they are not the rest of the end marker,
// they are printed and the scan goes on after them.
bool version1(Source& src, uint8_t* sig) {
  printi();
  outs("\tVersion 1 data\n");
  put_latin1_field(sig, 3);
  for (;;) {
    bool found;
    src.scan('L', &found, put_latin1);
    uint8_t c;
    if (!src.read(&c, 1) || !src.read(sig, 8)) return false;  // read() fails where scan() ended
    sig[8] = '\0';
    if (memcmp(sig, "YRICSEND", 8) == 0) break;
    outc('L');
    put_latin1_field(sig, 8);
  }
  if (verbose > 0) {
    printi();
    outs("\tFooter: L");
    put_latin1_field(sig, 8);
    outc('\n');
  }
  return true;
}

}  // namespace

const lyrics3v2_field* find_field(const char* id) {
  return find_row(lyrics3v2_fields, [id](const lyrics3v2_field& f) { return strcmp(f.id, id) == 0; });
}

bool lyrics3_block(Source& src, uint8_t* sig) {
  printi();
  outs("Lyrics3 block\n");
  uint8_t marker[7];  // "CSBEGIN", not compared
  bool ok = src.read(marker, 7) && src.read(sig, 3);
  if (ok) {
    sig[3] = '\0';
    sig[9] = '\0';
    const lyrics3v2_field* field = find_field(text(sig));
    ok = field != nullptr ? version2(src, sig, field) : version1(src, sig);
  }
  if (!ok) src.ended_inside("Lyrics3 block");
  return ok;
}

}  // namespace tagdelve
