#include "ogg/ogg.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "common/decode.h"
#include "common/printers.h"
#include "ogg/ogg_crc.h"
#include "ogg/ogg_headers.h"

namespace tagdelve {

namespace {

// Page header: "OggS", version, header type flags, granule position (64
// bits), serial number, page sequence number, CRC (32 bits each, all
// little-endian), the number of segments; then the lacing values, one a
// segment. A lacing value below 255 ends a packet.
constexpr int kHeader = 27;
constexpr char kCapture[5] = {'O', 'g', 'g', 'S', 0};  // and version 0
constexpr uint8_t kContinued = 1, kFirst = 2, kLast = 4;

// Logical streams tracked in one file; the pages of any more are passed over.
constexpr size_t kMaxStreams = 256;

// A header packet is gathered up to this size (its bytes, and 16 for each
// piece of it that a page holds); past it, it is counted but not decoded.
constexpr int64_t kMaxHeaderPacket = 16 << 20;

// A header packet gathered from the pages it spans.
struct Gathered {
  std::vector<uint8_t> bytes;
  std::vector<std::pair<int64_t, int64_t>> spans;  // where its pieces stand in the file (Source::spans)
  int64_t at = 0;                                  // its first byte, in the walked source
  bool over = false;                               // passed kMaxHeaderPacket: no more bytes kept
};

struct LogicalStream {
  uint32_t serial = 0;
  int number = 0;  // 1 for the first stream met
  CodecInfo info;
  int64_t pages = 0;
  int64_t packets = 0;        // packets that ended
  int64_t first_page = 0, last_page = 0;
  uint8_t first_flags = 0, last_flags = 0;
  int64_t first_granule = -1;  // of the first page on which an audio packet ends
  int64_t last_granule = -1;   // of the last such page
  uint32_t next_sequence = 0;
  bool identified = false;    // its first packet has been decoded
  bool open = false;          // a packet goes on in the next page
  int64_t open_at = 0;        // where that packet began
  bool holding = false;       // the open packet is a header packet, gathered
  bool lost = false;          // the open packet began on a page not seen: not counted
  Gathered packet;
};

// Header packets that ended on the page just read, decoded after it.
struct Ended {
  size_t stream;
  int64_t index;
  Gathered packet;
};

struct Walk {
  CrcPath crc_path;
  std::vector<LogicalStream> streams;
  size_t last = 0;  // the stream of the last page, looked at first
  bool too_many = false;
  std::vector<Ended> ended;
};

// A new packet is gathered while the stream's codec is not known yet (its
// first page is decoded only when it has been read) and while its headers
// say that more headers follow.
bool gathers(const LogicalStream& s) { return !s.identified || s.info.headers_left > 0; }

// The stream a page belongs to: the latest of its serial number, or a new
// one for a first page or an unknown number; nullptr when no more are
// tracked.
LogicalStream* stream_of(Report& r, Walk& w, uint32_t serial, uint8_t flags, int64_t at) {
  if (w.last < w.streams.size() && w.streams[w.last].serial == serial && (flags & kFirst) == 0)
    return &w.streams[w.last];
  if ((flags & kFirst) == 0) {
    for (size_t i = w.streams.size(); i-- > 0;) {
      if (w.streams[i].serial == serial) {
        w.last = i;
        return &w.streams[i];
      }
    }
  }
  if (w.streams.size() == kMaxStreams) {
    if (!w.too_many)
      r.error_line("More than %zu logical streams: the pages of serial number %u and later ones are passed over",
                   kMaxStreams, serial);
    w.too_many = true;
    return nullptr;
  }
  LogicalStream& s = w.streams.emplace_back();
  s.serial = serial;
  s.number = static_cast<int>(w.streams.size());
  s.first_page = at;
  s.first_flags = flags;
  w.last = w.streams.size() - 1;
  return &s;
}

// Reads n bytes of the page's body into its CRC, and into `keep` when given;
// false, with the error said, when the source ends first.
bool take(Source& src, int64_t n, uint32_t& crc, CrcPath path, std::vector<uint8_t>* keep) {
  while (n > 0) {
    int64_t avail = 0;
    const uint8_t* p = src.peek(&avail);
    if (avail == 0) {
      report_end(src, src.end_name(0), "page", src.tell(), static_cast<uint64_t>(n));
      return false;
    }
    const int64_t k = std::min(avail, n);
    crc = ogg_crc(path, crc, p, static_cast<size_t>(k));
    if (keep != nullptr) keep->insert(keep->end(), p, p + k);
    src.skip(k);
    n -= k;
  }
  return true;
}

// A piece of a header packet: its place in the file is noted and its bytes
// kept, up to kMaxHeaderPacket.
bool gather(Report& r, Source& src, int64_t n, uint32_t& crc, CrcPath path, LogicalStream& s) {
  Gathered& g = s.packet;
  if (!g.over && n > 0) {
    const int64_t size = static_cast<int64_t>(g.bytes.size() + 16 * (g.spans.size() + 1));
    if (n > kMaxHeaderPacket - size) {
      r.error_line("Header packet of stream %d at offset %lld passes %lld bytes: not decoded", s.number,
                   static_cast<long long>(g.at), static_cast<long long>(kMaxHeaderPacket));
      g.over = true;
      g.bytes = std::vector<uint8_t>();
      g.spans = std::vector<std::pair<int64_t, int64_t>>();
    } else {
      g.spans.emplace_back(static_cast<int64_t>(g.bytes.size()), src.absolute(src.tell()));
    }
  }
  return take(src, n, crc, path, g.over ? nullptr : &g.bytes);
}

// The pieces of the page's packets as its lacing values make them: "+"
// before a piece that continues a packet, after one that the next page
// continues.
void put_lacing(Report& r, const uint8_t* lacing, int count, bool continued) {
  if (count == 0) r.outs("none");
  int64_t piece = 0;
  bool first = true;
  for (int k = 0; k < count; ++k) {
    piece += lacing[k];
    if (lacing[k] == 255 && k + 1 < count) continue;
    r.outf("%s%s%lld%s", first ? "" : ", ", first && continued ? "+" : "", static_cast<long long>(piece),
           lacing[k] == 255 ? "+" : "");
    first = false;
    piece = 0;
  }
}

void put_flags(Report& r, uint8_t flags) {
  r.outf("0x%02x", flags);
  if ((flags & 7) == 0) return;
  r.outf(" [%s%s%s%s%s]", flags & kContinued ? "continued" : "", flags & kContinued && flags & 6 ? ", " : "",
         flags & kFirst ? "first" : "", flags & kFirst && flags & kLast ? ", " : "", flags & kLast ? "last" : "");
}

// The page's lines and fields at verbose > 1.
void page_lines(Report& r, const uint8_t* h, uint32_t crc, int64_t at, int64_t length, int stream) {
  const uint8_t flags = h[5];
  const int64_t granule = static_cast<int64_t>(swab64(h + 6));
  r.printi();
  r.outf("Offset %lld, Page header: Stream %d, Serial: %u, Sequence: %u\n", static_cast<long long>(at), stream,
         le32(h + 14), le32(h + 18));
  r.printi();
  r.outs("Ogg page, Flags: ");
  put_flags(r, flags);
  r.outf(", Granule: %lld, Length: %lld\n", static_cast<long long>(granule), static_cast<long long>(length));
  r.printi();
  r.outf("\tVersion: %u, CRC: 0x%08x, Segments: %u, Lacing: ", h[4], crc, h[26]);
  put_lacing(r, h + kHeader, h[26], (flags & kContinued) != 0);
  r.outc('\n');
  r.num(2, "stream", stream);
  r.unum(2, "serial", le32(h + 14));
  r.unum(2, "sequence", le32(h + 18));
  r.num(2, "version", h[4]);
  r.num(2, "flags", flags);
  r.flag(2, "continued", (flags & kContinued) != 0);
  r.flag(2, "first", (flags & kFirst) != 0);
  r.flag(2, "last", (flags & kLast) != 0);
  r.num(2, "granule", granule);
  r.unum(2, "crc", crc);
  r.num(2, "segments", h[26]);
  r.hex(2, "lacing", h + kHeader, h[26]);
}

// Passes over bytes that are no page, from `at` up to the next capture
// pattern, and says how many; false when the source ends first. A pattern
// cut by the end counts as a page's (cut) header.
bool resync(Report& r, Source& src, int64_t at) {
  src.skip(1);
  for (;;) {
    bool found = false;
    src.scan('O', &found);
    int64_t n = 0;
    const uint8_t* p = found ? src.look(5, &n) : nullptr;
    if (!found) {
      r.error_line("No Ogg page at offset %lld: %lld bytes skipped, no page follows", static_cast<long long>(at),
                   static_cast<long long>(src.tell() - at));
      return false;
    }
    if (memcmp(p, kCapture, static_cast<size_t>(n)) == 0) {
      r.error_line("No Ogg page at offset %lld: %lld bytes skipped to the next page", static_cast<long long>(at),
                   static_cast<long long>(src.tell() - at));
      return true;
    }
    src.skip(1);
  }
}

// The header packets that ended on the page, each decoded as an item. One
// that is no header after all is an audio packet.
void decode_ended(Report& r, const Source& src, Walk& w, bool& audio) {
  for (Ended& e : w.ended) {
    LogicalStream& s = w.streams[e.stream];
    s.identified = true;
    if (e.packet.over) {
      if (e.index > 0 && s.info.headers_left > 0) --s.info.headers_left;
      continue;
    }
    Source packet = Source::of_memory(e.packet.bytes.data(), static_cast<int64_t>(e.packet.bytes.size()), src.report);
    packet.spans = &e.packet.spans;
    packet.name = "Packet";
    if (!header_packet(r, src, packet, e.packet.at, s.number, e.index, s.info)) audio = true;
  }
  w.ended.clear();
}

// One page: false when no page can follow.
bool page(Report& r, Source& src, Walk& w) {
  const int64_t at = src.tell();
  int64_t n = 0;
  const uint8_t* p = src.look(kHeader, &n);
  if (n == 0) return false;
  // A header that the end cuts, inside its capture pattern or after it.
  if (n < kHeader && memcmp(p, kCapture, static_cast<size_t>(std::min<int64_t>(n, 5))) == 0) {
    report_end(src, src.end_name(n), "page header", at + n, static_cast<uint64_t>(kHeader - n));
    src.skip(n);
    return false;
  }
  if (n < 5 || memcmp(p, kCapture, 5) != 0) return resync(r, src, at);
  uint8_t h[kHeader + 255];
  const int segments = p[26];
  p = src.look(kHeader + segments, &n);
  if (n < kHeader + segments) {
    report_end(src, src.end_name(n), "segment table", at + n, static_cast<uint64_t>(kHeader + segments - n));
    src.skip(n);
    return false;
  }
  memcpy(h, p, static_cast<size_t>(kHeader + segments));
  src.skip(kHeader + segments);
  const uint8_t* lacing = h + kHeader;
  int64_t body = 0;
  int ends = 0;  // lacing values that end a packet
  for (int k = 0; k < segments; ++k) {
    body += lacing[k];
    ends += lacing[k] != 255;
  }
  const uint8_t flags = h[5];
  const int64_t granule = static_cast<int64_t>(swab64(h + 6));
  const uint32_t serial = le32(h + 14), sequence = le32(h + 18), stored = le32(h + 22);
  memset(h + 22, 0, 4);  // the CRC is computed with its own field zero
  uint32_t crc = ogg_crc(w.crc_path, 0, h, static_cast<size_t>(kHeader + segments));

  LogicalStream* s = stream_of(r, w, serial, flags, at);
  const bool item = r.verbose > 1;
  if (item) {
    r.begin("page", src, at, kHeader + segments + body);
    page_lines(r, h, stored, at, kHeader + segments + body, s != nullptr ? s->number : 0);
  }
  if (s == nullptr) {
    const bool whole = take(src, body, crc, w.crc_path, nullptr);
    if (item) r.end();
    return whole;
  }

  bool gap = false;  // pages are missing before this one
  if (s->pages > 0 && sequence != s->next_sequence) {
    r.error_line("Page at offset %lld (stream %d) has sequence number %u, %u expected", static_cast<long long>(at),
                 s->number, sequence, s->next_sequence);
    gap = true;
  }
  ++s->pages;
  s->next_sequence = sequence + 1;
  s->last_page = at;
  s->last_flags = flags;

  // The first piece: a packet's continuation, or the start of a new one.
  if ((flags & kContinued) != 0 && !s->open && segments > 0) {
    if (!gap)
      r.error_line("Page at offset %lld (stream %d) continues a packet that no page began",
                   static_cast<long long>(at), s->number);
    s->open = s->lost = true;
  } else if ((flags & kContinued) == 0 && s->open) {
    if (!gap)
      r.error_line("Page at offset %lld (stream %d) does not continue the packet begun at offset %lld",
                   static_cast<long long>(at), s->number, static_cast<long long>(s->open_at));
    s->open = s->holding = s->lost = false;
    s->packet = Gathered();
  }

  bool audio = false;  // an audio packet ends on the page
  bool whole = true;
  if (!s->holding && !gathers(*s)) {
    // Every packet that ends here is counted; the body is read for the CRC only.
    const int64_t body_at = src.tell();
    whole = take(src, body, crc, w.crc_path, nullptr);
    if (whole) {
      int64_t counted = ends;
      if (s->lost && ends > 0) {
        --counted;  // the first end is the lost packet's
        s->lost = false;
      }
      s->packets += counted;
      audio = counted > 0;
      int k = segments;
      while (k > 0 && lacing[k - 1] == 255) --k;  // segments k.. are of a packet that the next page continues
      if (k == segments) {
        s->open = false;
      } else if (k > 0 || !s->open) {
        int64_t before = 0;
        for (int i = 0; i < k; ++i) before += lacing[i];
        s->open = true;
        s->open_at = body_at + before;
      }
    }
  } else {
    // Piece by piece: header packets are gathered.
    int64_t piece = 0;
    for (int k = 0; k < segments && whole; ++k) {
      piece += lacing[k];
      if (lacing[k] == 255 && k + 1 < segments) continue;
      if (!s->open) {
        s->open = true;
        s->open_at = src.tell();
        s->holding = gathers(*s);
        if (s->holding) {
          s->packet = Gathered();
          s->packet.at = src.tell();
        }
      }
      whole = s->holding ? gather(r, src, piece, crc, w.crc_path, *s) : take(src, piece, crc, w.crc_path, nullptr);
      if (whole && lacing[k] != 255) {
        if (s->holding)
          w.ended.push_back(Ended{static_cast<size_t>(s - w.streams.data()), s->packets, std::move(s->packet)});
        else
          audio = audio || !s->lost;
        s->packets += s->lost ? 0 : 1;
        s->open = s->holding = s->lost = false;
      }
      piece = 0;
    }
  }
  if (whole && crc != stored)
    r.error_line("CRC of the page at offset %lld (stream %d, sequence %u) is 0x%08x, computed 0x%08x",
                 static_cast<long long>(at), s->number, sequence, stored, crc);
  if (item) r.end();
  decode_ended(r, src, w, audio);
  // Granule positions count audio: those of pages on which only headers end
  // are left out.
  if (whole && granule != -1 && audio) {
    s->last_granule = granule;
    if (s->first_granule == -1) s->first_granule = granule;
  }
  return whole;
}

// A logical stream's summary, after the walk.
void summary(Report& r, const Source& src, const LogicalStream& s) {
  Item item(r, "logical stream", src, s.first_page);
  if (r.verbose > 1) {
    r.printi();
    r.outf("Offset %lld, Stream %d, Last page at offset %lld\n", static_cast<long long>(s.first_page), s.number,
           static_cast<long long>(s.last_page));
  }
  r.printi();
  r.outf("Stream %d: %s, Serial: %u\n", s.number, s.info.name != nullptr ? s.info.name : "unknown codec", s.serial);
  r.num(0, "stream", s.number);
  r.unum(0, "serial", s.serial);
  if (s.info.name != nullptr) r.str(0, "codec", s.info.name);
  r.num(0, "pages", s.pages);
  r.num(0, "packets", s.packets);
  r.printi();
  r.outf("\tPages: %lld, Packets: %lld", static_cast<long long>(s.pages), static_cast<long long>(s.packets));
  if (s.first_granule != -1) {
    r.outf(", Granule: %lld to %lld", static_cast<long long>(s.first_granule), static_cast<long long>(s.last_granule));
    r.num(0, "first_granule", s.first_granule);
    r.num(0, "last_granule", s.last_granule);
  }
  if (s.info.rate > 0 && s.last_granule != -1) {
    const double seconds = static_cast<double>(std::max<int64_t>(s.last_granule - s.info.pre_skip, 0)) /
                           static_cast<double>(s.info.rate);
    const int64_t minutes = static_cast<int64_t>(seconds / 60);  // granule positions are 63 bits: it fits
    r.outf(", Duration: %lldm %.3fs", static_cast<long long>(minutes), seconds - static_cast<double>(minutes) * 60);
    r.real(0, "duration", seconds);
  }
  r.outc('\n');
  r.num(1, "first_page", s.first_page);
  r.num(1, "last_page", s.last_page);
  r.flag(1, "first_page_flagged", (s.first_flags & kFirst) != 0);
  r.flag(1, "last_page_flagged", (s.last_flags & kLast) != 0);
  if (r.verbose > 0) {
    r.printi();
    r.outf("\tFirst page: offset %lld%s, Last page: offset %lld%s\n", static_cast<long long>(s.first_page),
           (s.first_flags & kFirst) != 0 ? " [first]" : "", static_cast<long long>(s.last_page),
           (s.last_flags & kLast) != 0 ? " [last]" : "");
  }
  if (s.open)
    r.error_line("The packet begun at offset %lld does not end", static_cast<long long>(s.open_at));
}

}  // namespace

Probe ogg_probe(const uint8_t* p, int64_t n) {
  return n >= 5 && memcmp(p, kCapture, 5) == 0 ? Probe::strong : Probe::no;
}

void ogg_file(Report& r, Source& src) {
  Item file(r, "Ogg file", src, 0);
  r.printi();
  r.outs("Ogg file start\n");
  Walk w{crc_path(), {}, 0, false, {}};
  while (page(r, src, w)) {
  }
  for (const LogicalStream& s : w.streams) summary(r, src, s);
  r.printi();
  r.outs("Ogg file end\n");
  file.length = src.tell();
}

}  // namespace tagdelve
