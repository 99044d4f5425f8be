#include "png/png.h"

#include <zlib.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "common/decode.h"
#include "png/png_chunks.h"

namespace tagdelve {

namespace {

constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr uint32_t kMaxLength = 0x7FFFFFFF;

// A chunk's length and type, as they stand before its data.
struct ChunkHead {
  int64_t at = 0;
  uint8_t bytes[8];
  uint32_t length() const { return be32(bytes); }
  const uint8_t* type() const { return bytes + 4; }
  std::string name() const { return std::string(reinterpret_cast<const char*>(bytes + 4), 4) + " chunk"; }
};

bool letters(const uint8_t* t) {
  for (int i = 0; i < 4; ++i)
    if (!((t[i] >= 'A' && t[i] <= 'Z') || (t[i] >= 'a' && t[i] <= 'z'))) return false;
  return true;
}

// What the walk meets next: a chunk, the end of the source between chunks,
// or a fault that has been reported (the source ends inside a chunk, a
// length or type that cannot be a chunk's) after which it cannot go on.
enum class Next { chunk, end, fault };

// Reads the next chunk's length and type.
Next next_head(Report& r, Source& src, ChunkHead& head) {
  head.at = src.tell();
  if (!src.read(head.bytes, 8)) {
    src.ended_inside("chunk header", true);
    return src.shortfall.at == src.shortfall.from ? Next::end : Next::fault;
  }
  if (head.length() > kMaxLength) {
    r.error_line("Chunk length %u at offset %lld is more than 2^31 - 1", head.length(),
                 static_cast<long long>(head.at));
    return Next::fault;
  }
  if (!letters(head.type())) {
    r.error_line("Chunk type 0x%.8x at offset %lld is not four letters", be32(head.type()),
                 static_cast<long long>(head.at));
    return Next::fault;
  }
  return Next::chunk;
}

// The lines of a chunk's heading: at verbose > 1 its offset, length and
// stored CRC (when it was read); then its type, and at verbose > 0 what it
// is and its property bits (the case of each letter of the type).
void heading(Report& r, const ChunkHead& head, const ChunkKind* kind, const uint8_t* crc) {
  const uint8_t* t = head.type();
  if (r.verbose > 1) {
    r.printi();
    r.outf("Offset %lld, Length: %u", static_cast<long long>(head.at), head.length());
    if (crc != nullptr) r.outf(", CRC: 0x%.8x", be32(crc));
    r.outc('\n');
  }
  r.num(2, "length", head.length());
  if (crc != nullptr) r.num(2, "crc", be32(crc));
  const bool ancillary = t[0] & 0x20, priv = t[1] & 0x20, reserved = t[2] & 0x20, safe = t[3] & 0x20;
  r.printi();
  r.outw(t, 4);
  r.outs(" chunk");
  if (r.verbose > 0) {
    if (kind != nullptr) r.outf(" [%s]", kind->what);
    r.outf(", %s, %s%s, %s", ancillary ? "ancillary" : "critical", priv ? "private" : "public",
           reserved ? ", reserved bit set" : "", safe ? "safe to copy" : "unsafe to copy");
  }
  r.outc('\n');
  if (kind != nullptr) r.str(1, "description", kind->what);
  r.flag(1, "ancillary", ancillary);
  r.flag(1, "private", priv);
  r.flag(1, "reserved", reserved);
  r.flag(1, "safe_to_copy", safe);
}

// Moves over n bytes of chunk data, adding them to the CRC: they are looked
// at where they stand in the reader's buffer. False, with the shortfall set,
// when the source ends first.
bool crc_over(Source& src, int64_t n, uLong& crc) {
  int64_t done = 0;
  while (done < n) {
    int64_t avail = 0;
    const uint8_t* p = src.peek(&avail);
    if (avail == 0) return src.pass(n - done);  // fails, and says where
    const int64_t k = std::min(avail, n - done);
    crc = crc32(crc, p, static_cast<uInt>(k));
    src.skip(k);
    done += k;
  }
  return true;
}

// A chunk other than IDAT and fdAT: its data is read (held in memory when it
// is decoded) and its CRC checked. False when the source ends inside it.
bool chunk(Report& r, Source& src, const ChunkHead& head, PngState& png) {
  const uint32_t length = head.length();
  const ChunkKind* kind = find_chunk(head.type());
  const std::string name = head.name();
  Item item(r, name, src, head.at, 12 + int64_t{length});
  uLong crc = crc32(crc32(0, nullptr, 0), head.type(), 4);
  std::vector<uint8_t> data;
  const int64_t data_at = src.tell();
  bool whole = kind != nullptr && kind->decode != nullptr ? src.body(data, length) : crc_over(src, length, crc);
  if (whole && !data.empty()) crc = crc32(crc, data.data(), static_cast<uInt>(data.size()));
  uint8_t stored[4];
  whole = whole && src.read(stored, 4);
  heading(r, head, kind, whole ? stored : nullptr);
  if (!whole) {
    src.ended_inside(name.c_str());
    return false;
  }
  if (be32(stored) != crc)
    r.error_line("Wrong CRC in the %s at offset %lld: 0x%.8x stored, 0x%.8x computed", name.c_str(),
                 static_cast<long long>(head.at), be32(stored), static_cast<unsigned>(crc));
  if (kind == nullptr || kind->decode == nullptr) return true;
  if (kind->size != 0 && length != kind->size) {
    r.error_line("%s of %u bytes: %u expected", name.c_str(), length, kind->size);
    if (length < kind->size) return true;
  }
  const Source held = src.held(data.data(), length, data_at);
  kind->decode(r, held, png);
  return true;
}

// One chunk of a run of IDAT or fdAT chunks: its data passed over, not read;
// shown, and an item, at verbose > 1 only.
bool data_chunk(Report& r, Source& src, const ChunkHead& head) {
  std::optional<Item> item;
  if (r.verbose > 1) item.emplace(r, head.name(), src, head.at, 12 + int64_t{head.length()});
  uint8_t stored[4];
  const bool whole = src.pass(head.length()) && src.read(stored, 4);
  if (r.verbose > 1) heading(r, head, find_chunk(head.type()), whole ? stored : nullptr);
  if (!whole) src.ended_inside(head.name().c_str());
  return whole;
}

// A run of IDAT (or fdAT) chunks, counted, ending in one line: the chunks
// and the bytes of their data. Returns what follows the run, with the next
// chunk's header in `head`.
Next data_run(Report& r, Source& src, ChunkHead& head) {
  const std::string type(reinterpret_cast<const char*>(head.type()), 4);
  Item run(r, type + " chunks", src, head.at);
  const int64_t start = head.at;
  int64_t chunks = 0, bytes = 0;
  Next next = Next::chunk;
  while (next == Next::chunk && memcmp(head.type(), type.data(), 4) == 0) {
    if (!data_chunk(r, src, head)) {
      next = Next::fault;
      break;
    }
    ++chunks;
    bytes += head.length();
    next = next_head(r, src, head);
  }
  run.length = (next == Next::chunk ? head.at : src.tell()) - start;
  r.printi();
  r.outf("%s chunks: %lld, %s: %lld bytes\n", type.c_str(), static_cast<long long>(chunks),
         type == "IDAT" ? "Image data" : "Frame data", static_cast<long long>(bytes));
  r.num(0, "chunks", chunks);
  r.num(0, "data_bytes", bytes);
  return next;
}

}  // namespace

Probe png_probe(const uint8_t* p, int64_t n) {
  return n >= 8 && memcmp(p, kSignature, 8) == 0 ? Probe::strong : Probe::no;
}

void png_file(Report& r, Source& src) {
  Item file(r, "PNG file", src, 0);
  r.printi();
  r.outs("PNG file start\n");
  uint8_t signature[8];
  PngState png;
  if (!src.read(signature, 8)) {
    src.ended_inside("PNG signature", true);
  } else if (memcmp(signature, kSignature, 8) != 0) {
    r.error_line("Not a PNG file");
  } else {
    ChunkHead head;
    Next next = next_head(r, src, head);
    if (next == Next::chunk && memcmp(head.type(), "IHDR", 4) != 0)
      r.error_line("The first chunk is %.4s, not IHDR", reinterpret_cast<const char*>(head.type()));
    // The walk stops at IEND with a chunk in hand; it reaches the end of the
    // data only when IEND is missing.
    while (next == Next::chunk) {
      if (memcmp(head.type(), "IDAT", 4) == 0 || memcmp(head.type(), "fdAT", 4) == 0) {
        next = data_run(r, src, head);
      } else if (!chunk(r, src, head, png)) {
        next = Next::fault;
      } else if (memcmp(head.type(), "IEND", 4) == 0) {
        break;
      } else {
        next = next_head(r, src, head);
      }
    }
    if (next == Next::end) r.error_line("The PNG data ends without an IEND chunk");
    if (png.frames >= 0 && png.frames != png.frame_controls)
      r.error_line("acTL announces %lld frames, %lld fcTL chunks found", static_cast<long long>(png.frames),
                   static_cast<long long>(png.frame_controls));
  }
  // Bytes after IEND in a member or an embedded picture are passed over; a
  // file on its own is not read on.
  if (src.bounded() && src.tell() < src.limit) {
    if (r.verbose > 1) {
      r.printi();
      r.outf("\tBytes after IEND: %lld\n", static_cast<long long>(src.limit - src.tell()));
    }
    r.num(2, "bytes_after_iend", src.limit - src.tell());
    src.skip(src.limit - src.tell());
  }
  r.printi();
  r.outs("PNG file end\n");
  file.length = src.tell();
}

}  // namespace tagdelve
