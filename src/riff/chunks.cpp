#include "riff/chunks.h"

#include <algorithm>
#include <cstring>

#include "common/decode.h"
#include "common/printers.h"

namespace tagdelve {

int64_t Chunk::end() const {
  return size > static_cast<uint64_t>(kNoLimit - body()) ? kNoLimit : body() + static_cast<int64_t>(size);
}

bool chunk_id(const uint8_t* p) {
  return std::all_of(p, p + 4, [](uint8_t b) { return b >= 0x20 && b < 0x7F; });
}

namespace {

// The chunk whose header `h` holds, at offset `at`.
void take_header(const ChunkWalk& w, Chunk& c, const uint8_t* h, int64_t at) {
  c.at = at;
  memcpy(c.id, h, 4);
  c.stored = w.big_endian ? be32(h + 4) : le32(h + 4);
  c.size = c.stored;
  c.from_ds64 = false;
  c.kind.assign(reinterpret_cast<const char*>(h), 4);
  c.name = escaped(w.r, c.kind) + " chunk";
  c.kind += " chunk";
}

}  // namespace

bool next_chunk(ChunkWalk& w, Source& src, Chunk& c) {
  if (w.stopped) return false;
  uint8_t h[8];
  const int64_t at = src.tell();
  if (!src.read(h, 8)) {
    src.ended_inside("chunk header", true);
    // Bytes of a header, and then the end of the file: the file is cut.
    if (src.shortfall.file_end && src.shortfall.at > src.shortfall.from) w.stopped = true;
    return false;
  }
  if (!chunk_id(h)) {
    // Not a chunk: the walk has lost its place (or the chunks have ended
    // and something else follows).
    char m[80];
    snprintf(m, sizeof m, "No chunk at offset %lld: its id <0x%.8x> is not four characters",
             static_cast<long long>(at), be32(h));
    w.r.error(m, &src, at);
    return false;
  }
  take_header(w, c, h, at);
  return true;
}

void chunk_heading(Report& r, const Chunk& c, const ChunkType* type, bool text) {
  if (r.verbose > 1) {
    r.printi();
    r.outf("Offset %lld, Size: %llu%s\n", static_cast<long long>(c.at), static_cast<unsigned long long>(c.size),
           c.from_ds64 ? " (ds64)" : "");
  }
  r.printi();
  put_raw(r, c.id, 4, "id");
  if (!text) r.outs(" chunk");
  if (r.verbose > 0 && type != nullptr) r.outf(" [%s]", type->description);
  if (type != nullptr) r.str(1, "chunk_type", type->description);
  r.unum(2, "size", c.size);
  if (c.from_ds64) r.flag(2, "size_from_ds64", true);
}

void chunk_cut(ChunkWalk& w, const Source& src, const Chunk& c) {
  const Shortfall& s = src.shortfall;
  if (s.missing <= 0) return;
  // Counted from the chunk's own size, which may pass what any position
  // can hold.
  const uint64_t missing = c.size - static_cast<uint64_t>(std::max<int64_t>(s.at - c.body(), 0));
  report_end(src, s.file_end ? "File" : src.name, c.name.c_str(), s.at, missing);
  if (s.file_end) w.stopped = true;
}

bool chunk_head(ChunkWalk& w, Source& src, const Chunk& c, std::vector<uint8_t>& bytes, uint64_t most) {
  const uint64_t want = std::min(c.size, most);
  const int64_t room = kNoLimit - src.tell();
  if (want <= static_cast<uint64_t>(room) && src.body(bytes, static_cast<int64_t>(want))) return true;
  if (want > static_cast<uint64_t>(room)) src.pass(room);  // finds where the source ends
  chunk_cut(w, src, c);
  return false;
}

bool too_short(Report& r, const Source& src, const Chunk& c, size_t have, size_t need) {
  if (have >= need) return false;
  char m[64];
  snprintf(m, sizeof m, " too short: %zu of %zu bytes", have, need);
  r.error(c.name + m, &src, c.body());
  return true;
}

Source inside(const Source& src, const Chunk& c) {
  Source in = src;
  in.limit = std::min(src.limit, c.end());
  in.name = c.name.c_str();
  return in;
}

void id3_chunk(Report& r, Source& src, const Chunk& c) {
  Source tag = src.sub(c.size > static_cast<uint64_t>(kNoLimit) ? kNoLimit : static_cast<int64_t>(c.size));
  tag.name = c.name.c_str();
  r.dispatch.embedded(r, "id3", tag);
  src.took(tag.consumed());
}

void chunk_text(Report& r, const uint8_t* p, size_t n, const char* name) {
  n = field_length(p, n);
  r.text(0, name, Enc::utf8, p, n);
  r.outc('{');
  if (r.text()) {
    if (r.utf8)
      put_utf8(r, p, n, Escape::hex);
    else
      put_ascii(r, p, n, Escape::hex);
  }
  r.outc('}');
}

bool end_chunk(ChunkWalk& w, Source& src, const Chunk& c, Item& item) {
  if (w.stopped) return false;
  const int64_t end = c.end();
  if (src.tell() < end && !src.pass(end - src.tell())) {
    chunk_cut(w, src, c);
    return false;
  }
  item.length = end - c.at;
  if (c.size % 2 == 0) return true;
  // The pad byte. Where the source ends, or where a chunk id stands that
  // one byte further on would not, the writer left it out.
  int64_t n = 0;
  const uint8_t* p = src.look(5, &n);
  if (n == 0 || (p[0] != 0 && n >= 4 && chunk_id(p) && !(n >= 5 && chunk_id(p + 1)))) {
    char m[40];
    snprintf(m, sizeof m, " missing at offset %lld", static_cast<long long>(end));
    w.r.error("Pad byte of the " + c.name + m, &src, end);
    return true;
  }
  if (w.r.verbose > 1) {
    w.r.printi();
    w.r.outf("\tPad byte: <0x%.2x>\n", p[0]);
  }
  w.r.num(2, "pad_byte", p[0]);
  src.skip(1);
  item.length += 1;
  return true;
}

bool form_header(ChunkWalk& w, Source& src, Chunk& form, uint8_t* type) {
  uint8_t h[12];
  if (!src.read(h, 12)) {
    src.ended_inside("form header", true);
    w.stopped = true;
    return false;
  }
  take_header(w, form, h, 0);
  memcpy(type, h + 8, 4);
  return true;
}

void form_end(ChunkWalk& w, Source& src, const Chunk& form, uint64_t declared) {
  if (w.stopped) return;
  // To the end of the file (of an archive member, its end): at once where
  // its size is known, else read through.
  if (int64_t left = src.left(); left != kNoLimit) src.pass(left);
  for (int64_t n = 1; n > 0;) {
    src.peek(&n);
    src.skip(n);
  }
  const int64_t follow = src.tell() - form.body();
  if (declared == static_cast<uint64_t>(follow)) return;
  char m[120];
  snprintf(m, sizeof m, " size %llu%s disagrees with the %lld bytes that follow it",
           static_cast<unsigned long long>(declared), form.from_ds64 ? " (ds64)" : "",
           static_cast<long long>(follow));
  w.r.error(std::string(reinterpret_cast<const char*>(form.id), 4) + m, &src, form.at + 4);
}

}  // namespace tagdelve
