#include "mp3/xing.h"

#include <array>
#include <cstring>
#include <string>

#include "common/decode.h"
#include "common/printers.h"

namespace tagdelve {

namespace {

constexpr std::array<uint16_t, 256> kCrcTable = [] {
  std::array<uint16_t, 256> t{};
  for (unsigned i = 0; i < 256; ++i) {
    unsigned c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1) != 0 ? (c >> 1) ^ 0xA001 : c >> 1;
    t[i] = static_cast<uint16_t>(c);
  }
  return t;
}();

// Xing header flags: which of its fields are there.
constexpr uint32_t kFrames = 1, kBytes = 2, kToc = 4, kQuality = 8;
constexpr int64_t kLameTag = 36;  // bytes of a LAME tag
constexpr int64_t kVbriAt = 36;   // a VBRI header stands 32 bytes after the frame header

// Where an info header's fields end, checked against the bytes there are:
// those the frame holds (`frame`) and those the source holds of it (`held`).
// False after the error line when the frame ends first; a file that ends
// first has its cut reported with the frame's.
bool fits(Report& r, const Source& src, int64_t at, const char* kind, int64_t end, int64_t frame, int64_t held) {
  if (end <= frame) return end <= held;
  r.error(std::string(kind) + " header runs past the end of its frame", &src, at);
  return false;
}

// The LAME tag's CRC as ffmpeg writes it: over the frame's first 190 bytes
// (where the tag's CRC stands in an MPEG-1 frame of two channels) whatever
// the layout, the CRC field itself taken as zero.
bool ffmpeg_crc(const uint8_t* frame, int64_t crc_at, int64_t held, uint16_t stored) {
  if (crc_at >= 190 || held < 190) return false;
  uint8_t bytes[190];
  memcpy(bytes, frame, sizeof bytes);
  bytes[crc_at] = bytes[crc_at + 1] = 0;
  return lame_crc(bytes, sizeof bytes) == stored;
}

// The LAME tag after a Xing header's fields, `tag` at frame offset `k`:
// encoder, delay and padding, and its CRC over the frame's bytes before it.
void lame_tag(Report& r, const Source& src, const uint8_t* frame, int64_t frame_at, int64_t k, int64_t held) {
  const uint8_t* tag = frame + k;
  const uint16_t stored = static_cast<uint16_t>(word16(tag + 34));
  uint16_t computed = lame_crc(frame, static_cast<size_t>(k + 34));
  if (computed != stored && ffmpeg_crc(frame, k + 34, held, stored)) computed = stored;
  const int delay = tag[21] << 4 | tag[22] >> 4;
  const int padding = (tag[22] & 15) << 8 | tag[23];
  Item item(r, "LAME tag", src, frame_at + k, kLameTag);
  if (r.verbose > 0) {
    r.printi();
    r.outs("\tEncoder: ");
    put_field(r, tag, 9);
    r.outf(", Delay: %d, Padding: %d, Tag CRC: ", delay, padding);
    put_hex(r, 2, tag + 34);
    r.outc('\n');
  }
  r.text(1, "encoder", Enc::utf8, tag, field_length(tag, 9));
  r.num(1, "encoder_delay", delay);
  r.num(1, "padding", padding);
  r.num(1, "vbr_method", tag[9] & 15);
  r.num(1, "lowpass_hz", tag[10] * 100);
  r.num(1, "music_length", be32(tag + 28));
  r.hex(1, "crc", tag + 34, 2);
  r.flag(1, "crc_right", stored == computed);
  if (stored != computed) {
    char text[80];
    snprintf(text, sizeof text, "LAME tag CRC <0x%.4x> is not that of its frame's bytes (<0x%.4x>)", stored, computed);
    r.error(text, &src, frame_at + k + 34);
  }
}

// A Xing or Info header at frame offset `k`.
void xing(Report& r, const Source& src, const uint8_t* frame, int64_t frame_at, int64_t k, int64_t length,
          int64_t held, MpegStats& stats) {
  const char* kind = frame[k] == 'X' ? "Xing" : "Info";
  Item item(r, std::string(kind) + " header", src, frame_at + k);
  if (!fits(r, src, frame_at + k, kind, k + 8, length, held)) return;
  const uint32_t flags = be32(frame + k + 4);
  int64_t end = k + 8 + ((flags & kFrames) ? 4 : 0) + ((flags & kBytes) ? 4 : 0) + ((flags & kToc) ? 100 : 0) +
                ((flags & kQuality) ? 4 : 0);
  if (!fits(r, src, frame_at + k, kind, end, length, held)) return;
  item.length = end - k;
  const uint8_t* p = frame + k + 8;
  if (r.verbose > 0) {
    r.printi();
    r.outs(kind);
    r.outs(" header");
  }
  r.num(1, "flags", flags);
  if (flags & kFrames) {
    stats.info_frames = be32(p);
    stats.info_kind = kind;
    if (r.verbose > 0) r.outf(", Frames: %u", be32(p));
    r.num(1, "frames", be32(p));
    p += 4;
  }
  if (flags & kBytes) {
    if (r.verbose > 0) r.outf(", Bytes: %u", be32(p));
    r.num(1, "bytes", be32(p));
    p += 4;
  }
  r.flag(1, "seek_table", (flags & kToc) != 0);
  if (flags & kToc) {
    if (r.verbose > 0) r.outs(", Seek table");
    r.num(2, "seek_table_entries", 100);
    p += 100;
  }
  if (flags & kQuality) {
    if (r.verbose > 0) r.outf(", Quality: %u", be32(p));
    r.num(1, "quality", be32(p));
  }
  if (r.verbose > 0) r.outc('\n');
  if (flags & kToc && r.verbose > 1) {
    r.printi();
    r.outs("\tSeek table: 100 entries\n");
  }
  // A LAME tag: an encoder's name of printable letters, "LAME3.100" or
  // "Lavc59.37".
  if (end + kLameTag > length || end + kLameTag > held || frame[end] != 'L') return;
  for (int i = 0; i < 4; ++i)
    if (frame[end + i] < 0x20 || frame[end + i] > 0x7E) return;
  lame_tag(r, src, frame, frame_at, end, held);
}

// A VBRI header at frame offset 36.
void vbri(Report& r, const Source& src, const uint8_t* frame, int64_t frame_at, int64_t length, int64_t held,
          MpegStats& stats) {
  Item item(r, "VBRI header", src, frame_at + kVbriAt, 26);
  if (!fits(r, src, frame_at + kVbriAt, "VBRI", kVbriAt + 26, length, held)) return;
  const uint8_t* p = frame + kVbriAt;
  stats.info_frames = be32(p + 14);
  stats.info_kind = "VBRI";
  if (r.verbose > 0) {
    r.printi();
    r.outf("VBRI header, Version: %u, Delay: %u, Quality: %u, Frames: %u, Bytes: %u\n", word16(p + 4),
           word16(p + 6), word16(p + 8), be32(p + 14), be32(p + 10));
  }
  if (r.verbose > 1) {
    r.printi();
    r.outf("\tSeek table: %u entries\n", word16(p + 18));
  }
  r.num(1, "version", word16(p + 4));
  r.num(1, "delay", word16(p + 6));
  r.num(1, "quality", word16(p + 8));
  r.num(1, "bytes", be32(p + 10));
  r.num(1, "frames", be32(p + 14));
  r.num(2, "seek_table_entries", word16(p + 18));
}

}  // namespace

uint16_t lame_crc(const uint8_t* p, size_t n) {
  uint16_t crc = 0;
  for (size_t i = 0; i < n; ++i) crc = static_cast<uint16_t>(crc >> 8 ^ kCrcTable[(crc ^ p[i]) & 0xFF]);
  return crc;
}

void info_frame(Report& r, Source& src, const uint8_t* h, int64_t at, int64_t length, MpegStats& stats) {
  // The frame's bytes as one piece, the header in front of those the source
  // still holds (it stands after the header).
  uint8_t frame[4 + kLookahead];
  memcpy(frame, h, 4);
  int64_t avail = 0;
  const uint8_t* rest = src.look(length - 4, &avail);
  memcpy(frame + 4, rest, static_cast<size_t>(avail));
  const int64_t held = 4 + avail;
  // The side information before a Xing header: 17 or 32 bytes (MPEG-1), 9
  // or 17 (MPEG-2 and MPEG 2.5), for one channel or more; 2 more after a
  // CRC.
  const bool mono = (h[3] >> 6) == 3;
  const int64_t side = ((h[1] >> 3) & 3) == 3 ? (mono ? 17 : 32) : (mono ? 9 : 17);
  const int64_t k = 4 + side + ((h[1] & 1) == 0 ? 2 : 0);
  if (k + 4 <= held && (memcmp(frame + k, "Xing", 4) == 0 || memcmp(frame + k, "Info", 4) == 0))
    xing(r, src, frame, at, k, length, held, stats);
  else if (kVbriAt + 4 <= held && memcmp(frame + kVbriAt, "VBRI", 4) == 0)
    vbri(r, src, frame, at, length, held, stats);
}

}  // namespace tagdelve
