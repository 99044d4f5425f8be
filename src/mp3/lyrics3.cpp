#include "mp3/lyrics3.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "common/output.h"

namespace tagdelve {

const lyrics3v2_field lyrics3v2_fields[10] = {
    {"IND", "Indications"},
    {"LYR", "Lyrics"},
    {"INF", "Additional information"},
    {"AUT", "Lyrics/music author name"},
    {"EAL", "Extended album name"},
    {"EAR", "Extended artist name"},
    {"ETT", "Extended track title"},
    {"IMG", "Link to image files"},
    {"GRE", "Genre"},
    {"", ""},
};

int find_field(const char* id) {
  for (int i = 0; lyrics3v2_fields[i].id[0] != '\0'; ++i)
    if (strcmp(lyrics3v2_fields[i].id, id) == 0) return i;
  return -1;
}

namespace {

// Reads `count` bytes at the running offset and advances it; false when the
// read failed.
bool read(void* dest, int64_t count, Stream* stream, const uint8_t* block, int64_t& offset,
          int64_t limit) {
  if (vfgetm(dest, count, stream, block, offset, limit) < 0) return false;
  offset += count;
  return true;
}

// A decimal number the way atoi reads it: blanks skipped, digits up to the
// first other character, 0 when there are none.
int decimal(const uint8_t* digits) { return atoi(reinterpret_cast<const char*>(digits)); }

// Version 2: the field list (its first identifier is in sig[0..2]), the block
// size and the end marker. The value of a field may be as long as its five
// size digits allow; it is read whole so that the offset stays right.
int version2(Stream* stream, const uint8_t* block, uint8_t* sig, int64_t& offset, int64_t limit,
             int field) {
  printi();
  outs("\tVersion 2 fields\n");
  std::vector<uint8_t> value;
  while (field >= 0) {
    if (!read(sig + 4, 5, stream, block, offset, limit)) return 0;
    sig[9] = '\0';
    int size = decimal(sig + 4);
    if (vfget_body(value, size, stream, block, offset, limit) < 0) return 0;
    offset += size;
    printi();
    outf("\t%s [%s]: {", reinterpret_cast<const char*>(sig), lyrics3v2_fields[field].description);
    if (!value.empty())
      outw(value.data(), strnlen(reinterpret_cast<const char*>(value.data()), value.size()));
    outs("}\n");
    if (!read(sig, 3, stream, block, offset, limit)) return 0;
    sig[3] = '\0';
    field = find_field(reinterpret_cast<const char*>(sig));
  }
  // Not an identifier: the first half of the block size.
  if (!read(sig + 3, 3, stream, block, offset, limit)) return 0;
  sig[6] = '\0';
  printi();
  outf("\tTotal block size: %d bytes\n", decimal(sig));
  if (!read(sig, 9, stream, block, offset, limit)) return 0;
  sig[9] = '\0';
  if (verbose > 0) {
    printi();
    outf("\tFooter: %s\n", reinterpret_cast<const char*>(sig));
  }
  return 1;
}

// Version 1: the lyrics text, printed raw up to LYRICSEND. Every "L" is read
// with the 8 bytes after it; when they are not the rest of the end marker,
// they are printed and the scan goes on after them.
int version1(Stream* stream, const uint8_t* block, uint8_t* sig, int64_t& offset, int64_t limit) {
  printi();
  outf("\tVersion 1 data\n%s", reinterpret_cast<const char*>(sig));
  for (;;) {
    uint8_t c;
    if (!read(&c, 1, stream, block, offset, limit)) return 0;
    if (c != 'L') {
      outc(c);
      continue;
    }
    if (!read(sig, 8, stream, block, offset, limit)) return 0;
    sig[8] = '\0';
    if (memcmp(sig, "YRICSEND", 8) == 0) break;
    outf("L%s", reinterpret_cast<const char*>(sig));
  }
  if (verbose > 0) {
    printi();
    outf("\tFooter: L%s\n", reinterpret_cast<const char*>(sig));
  }
  return 1;
}

}  // namespace

int lyrics3_block(Stream* stream, const uint8_t* block, uint8_t* sig, int64_t& offset,
                  int64_t limit) {
  printi();
  outs("Lyrics3 block\n");
  uint8_t marker[7];  // "CSBEGIN", not compared
  if (!read(marker, 7, stream, block, offset, limit)) return 0;
  if (!read(sig, 3, stream, block, offset, limit)) return 0;
  sig[3] = '\0';
  sig[9] = '\0';
  int field = find_field(reinterpret_cast<const char*>(sig));
  if (field >= 0) return version2(stream, block, sig, offset, limit, field);
  return version1(stream, block, sig, offset, limit);
}

}  // namespace tagdelve
