#include "mp3/mpeg.h"

#include <array>
#include <cstring>

#include "common/printers.h"
#include "mp3/ape.h"
#include "mp3/id3v1.h"
#include "mp3/id3v2.h"
#include "mp3/lyrics3.h"
#include "mp3/xing.h"

namespace tagdelve {

const char* const MPEG_versions[4] = {"'MPEG 2.5'", "error", "mpg-ii", "mpg-i"};
const char* const MPEG_layers[4] = {"error", "III", "II", "I"};
const char* const MPEG_flags[2] = {"on", "off"};

constexpr int32_t MPEG_frame_samples[4][4] = {
    {0, 576, 1152, 384},   // MPEG 2.5: reserved layer, III, II, I
    {0, 0, 0, 0},          // reserved version
    {0, 576, 1152, 384},   // MPEG-2
    {0, 1152, 1152, 384},  // MPEG-1
};

namespace {

// The same, as the JSON report names them.
const char* const kVersionNames[4] = {"MPEG-2.5", "reserved", "MPEG-2", "MPEG-1"};
const char kLayerDigits[4] = {'0', '3', '2', '1'};  // 0 for the reserved layer

}  // namespace

constexpr int32_t MPEG_samples[4][4] = {
    {11025, 12000, 8000, -1},   // MPEG 2.5
    {-1, -1, -1, -1},           // reserved version
    {22050, 24000, 16000, -1},  // MPEG-2
    {44100, 48000, 32000, -1},  // MPEG-1
};

// Within a half the rows go by layer index: 0 reserved, 1 layer III, 2 layer
// II, 3 layer I.
constexpr int32_t MPEG_bitrates[2][4][16] = {
    {
        // MPEG 2.5 and MPEG-2 (version indexes 0 and 2)
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, -1},
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, -1},
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, -1},
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, -1},
    },
    {
        // MPEG-1 and the reserved version (indexes 3 and 1)
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, -1},
        {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, -1},
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, -1},
        {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, -1},
    },
};

namespace {

// The fields of an audio frame header h[0..3] (version and layer as the
// indexes of MPEG_versions and MPEG_layers).
constexpr int version_of(const uint8_t* h) { return (h[1] >> 3) & 3; }
constexpr int layer_of(const uint8_t* h) { return (h[1] >> 1) & 3; }
constexpr int rate_index(const uint8_t* h) { return (h[2] >> 2) & 3; }
constexpr int32_t bitrate_of(const uint8_t* h) { return MPEG_bitrates[version_of(h) & 1][layer_of(h)][h[2] >> 4]; }

// Items other than audio frames, recognised by their first bytes and tried
// in this order ("TAG+" before "TAG").
struct TagSignature {
  const char* sig;  // compared over its own length
  TagWalker walker;
};

const TagSignature kTagSignatures[] = {
    {"ID3", ID3v2_tag},
    {"TAG+", ID3v1_tag_ext},
    {"TAG", ID3v1_tag},
    {"LYRI", lyrics3_block},
    {"APET", ape_tag},
};

// Length of a frame in bytes, header included. Layer I counts 4-byte slots;
// layer III of MPEG-2 and MPEG 2.5 holds 576 samples a frame, every other
// combination 1152. Reserved entries (-1) and the free format (0) are
// computed like the others and give nonsense lengths.
constexpr int32_t frame_length(int version, int layer, int32_t bitrate, int32_t rate, int padding) {
  if (layer == 3) return (bitrate * 12000 / rate + padding) * 4;
  if (layer == 1 && (version == 2 || version == 0)) return bitrate * 72000 / rate + padding;
  return bitrate * 144000 / rate + padding;
}

// Every frame length, computed once by the compiler: indexed by the 11 bits
// of version, layer, bit-rate index, sample-rate index and padding that
// header bytes 1 and 2 hold (frame_index), so that a frame costs no
// division.
constexpr int frame_index(const uint8_t* h) { return (h[1] & 0x1E) << 6 | h[2] >> 1; }

constexpr std::array<int32_t, 2048> kFrameLengths = [] {
  std::array<int32_t, 2048> t{};
  for (int i = 0; i < 2048; ++i) {
    const int version = i >> 9, layer = (i >> 7) & 3;
    t[i] = frame_length(version, layer, MPEG_bitrates[version & 1][layer][(i >> 3) & 15],
                        MPEG_samples[version][(i >> 1) & 3], i & 1);
  }
  return t;
}();

// The lines of an item at verbose > 1, formatted by hand and written at
// once: the offset line of every item and, for an audio frame, its two frame
// lines. Kept out of the walk's loop, which runs once per frame.
[[gnu::noinline]] void item_lines(Report& r, int64_t at, const uint8_t* h, bool audio) {
  r.begin_line();
  char line[3 * kMaxFmtTabs + 256];
  char* e = fmt_tabs(line, r.indent);
  e = fmt_lit(e, "Offset ");
  e = fmt_dec(e, at);
  e = fmt_lit(e, ", Frame header <0x");
  e = fmt_hex(e, h, 4);
  e = fmt_lit(e, ">\n");
  if (audio) {
    e = fmt_tabs(e, r.indent);
    e = fmt_lit(e, "Data frame, ");
    e = fmt_str(e, MPEG_versions[version_of(h)]);
    e = fmt_lit(e, " layer ");
    e = fmt_str(e, MPEG_layers[layer_of(h)]);
    e = fmt_lit(e, ", Err. prot.: ");
    e = fmt_str(e, MPEG_flags[h[1] & 1]);
    e = fmt_lit(e, ", Bit Rate: ");
    e = fmt_dec(e, bitrate_of(h));
    e = fmt_lit(e, "k,\n");
    const uint8_t flags[2] = {static_cast<uint8_t>(h[2] & 3), h[3]};
    e = fmt_tabs(e, r.indent);
    e = fmt_lit(e, "\tFrame Length: ");
    e = fmt_dec(e, kFrameLengths[frame_index(h)]);
    e = fmt_lit(e, ", Frequency: ");
    e = fmt_dec(e, MPEG_samples[version_of(h)][rate_index(h)]);
    e = fmt_lit(e, "Hz, Flags: <0x");
    e = fmt_hex(e, flags, 2);
    e = fmt_lit(e, ">\n");
  }
  r.outw(line, static_cast<size_t>(e - line));
}

// An audio frame's item in the JSON report at verbose > 1, formatted by hand
// as its text lines are: there is one for every frame.
[[gnu::noinline]] void frame_item(Report& r, const Source& src, int64_t at, const uint8_t* h) {
  char item[512];
  char* e = fmt_lit(item, "{\"kind\":\"audio frame\",\"offset\":");
  e = fmt_dec(e, at);
  e = fmt_lit(e, ",\"absolute\":");
  e = fmt_dec(e, src.absolute(at));
  e = fmt_lit(e, ",\"length\":");
  e = fmt_dec(e, kFrameLengths[frame_index(h)]);
  e = fmt_lit(e, ",\"fields\":{\"header\":\"");
  e = fmt_hex(e, h, 4);
  e = fmt_lit(e, "\",\"version\":\"");
  e = fmt_str(e, kVersionNames[version_of(h)]);
  e = fmt_lit(e, "\",\"layer\":");
  *e++ = kLayerDigits[layer_of(h)];
  e = fmt_lit(e, ",\"protected\":");
  e = (h[1] & 1) != 0 ? fmt_lit(e, "false") : fmt_lit(e, "true");
  e = fmt_lit(e, ",\"bitrate\":");
  e = fmt_dec(e, bitrate_of(h));
  e = fmt_lit(e, ",\"sample_rate\":");
  e = fmt_dec(e, MPEG_samples[version_of(h)][rate_index(h)]);
  e = fmt_lit(e, ",\"padding\":");
  *e++ = static_cast<char>('0' + (h[2] >> 1 & 1));
  e = fmt_lit(e, ",\"private\":");
  *e++ = static_cast<char>('0' + (h[2] & 1));
  e = fmt_lit(e, ",\"mode\":");
  *e++ = static_cast<char>('0' + (h[3] >> 6));
  e = fmt_lit(e, ",\"mode_extension\":");
  *e++ = static_cast<char>('0' + (h[3] >> 4 & 3));
  e = fmt_lit(e, ",\"copyright\":");
  *e++ = static_cast<char>('0' + (h[3] >> 3 & 1));
  e = fmt_lit(e, ",\"original\":");
  *e++ = static_cast<char>('0' + (h[3] >> 2 & 1));
  e = fmt_lit(e, ",\"emphasis\":");
  *e++ = static_cast<char>('0' + (h[3] & 3));
  e = fmt_lit(e, "}}");
  r.raw_item(item, static_cast<size_t>(e - item));
}

// Hands an item that is not an audio frame to its tag walker.
[[gnu::noinline]] bool tag_item(Report& r, Source& src, uint8_t* sig, int64_t at) {
  memset(sig + 4, 0, 6);  // the rest of the walkers' scratch
  for (const TagSignature& tag : kTagSignatures) {
    if (memcmp(sig, tag.sig, strlen(tag.sig)) == 0) return tag.walker(r, src, sig, at);
  }
  char hex[9];
  *fmt_hex(hex, sig, 4) = '\0';
  Item unknown(r, "unrecognised item", src, at, 4);
  r.hex(0, "header", sig, 4);
  r.error(std::string("Frame header <0x") + hex + "> not recognised", &src, at);
  return false;
}

// An ID3v2 tag header: "ID3", a major version the MP3 walker knows, and a
// syncsafe size (every byte below 0x80).
bool id3v2_header(const uint8_t* p, int64_t n) {
  return n >= 10 && memcmp(p, "ID3", 3) == 0 && p[3] >= 2 && p[3] <= 4 && (p[6] | p[7] | p[8] | p[9]) < 0x80;
}

}  // namespace

int32_t mpeg_frame_length(const uint8_t* h) {
  const int bitrate = h[2] >> 4;
  if (h[0] != 0xFF || (h[1] & 0xE0) != 0xE0 || version_of(h) == 1 || layer_of(h) == 0 || bitrate == 0 ||
      bitrate == 15 || rate_index(h) == 3)
    return 0;
  return kFrameLengths[frame_index(h)];
}

Probe mp3_probe(const uint8_t* p, int64_t n) {
  if (id3v2_header(p, n)) return Probe::strong;
  if (n < 4) return Probe::no;
  const int32_t length = mpeg_frame_length(p);
  return length > 4 && n >= length + 4 && mpeg_frame_length(p + length) > 0 ? Probe::weak : Probe::no;
}

bool mpeg_frame(Report& r, Source& src, MpegStats& stats) {
  uint8_t sig[10];
  const int64_t at = src.tell();
  if (!src.read(sig, 4)) {
    src.ended_inside("frame header", true);
    return false;
  }
  const bool audio = sig[0] == 0xFF && (sig[1] & 0xE0) == 0xE0;
  if (r.verbose > 1) {
    if (r.text()) item_lines(r, at, sig, audio);
    if (r.json() && audio) frame_item(r, src, at, sig);
  }
  if (!audio) return tag_item(r, src, sig, at);

  // An audio frame: counted, and passed over by its length. The first may
  // hold an encoder's info header.
  const int32_t bitrate = bitrate_of(sig);
  const int64_t length = kFrameLengths[frame_index(sig)];
  if (stats.data_frames == 0 && length > 4) info_frame(r, src, sig, at, length, stats);
  ++stats.data_frames;
  stats.cum_bitrate += bitrate;
  if (stats.last_bitrate > 0 && stats.last_bitrate != bitrate) stats.vbr = true;
  stats.last_bitrate = bitrate;
  stats.samples[version_of(sig)][rate_index(sig)] += MPEG_frame_samples[version_of(sig)][layer_of(sig)];
  // A length of 4 or less (reserved or free-format entries) passes nothing:
  // the walk goes on at the byte after the header, never backwards.
  if (length > 4 && !src.pass(length - 4)) {
    src.ended_inside("audio frame");
    return false;
  }
  return true;
}

double running_time(const MpegStats& stats) {
  double seconds = 0;
  for (int version = 0; version < 4; ++version)
    for (int rate = 0; rate < 3; ++rate)
      if (MPEG_samples[version][rate] > 0)
        seconds += static_cast<double>(stats.samples[version][rate]) / MPEG_samples[version][rate];
  return seconds;
}

void mpeg_file(Report& r, Source& src) {
  Item file(r, "MP3 file", src, 0);
  r.printi();
  r.outs("MPEG (MP3) file start\n");
  MpegStats stats;
  while (mpeg_frame(r, src, stats)) {
  }

  // Each frame lasts its samples over its own sample rate. The length
  // covered: up to where the walk ended, or where the file ended inside the
  // item it was reading.
  const double total = running_time(stats);
  const int minutes = static_cast<int>(total / 60);
  const double seconds = total - minutes * 60;
  const int64_t covered = src.consumed();

  r.printi();
  r.outs("Statistics\n");
  r.printi();
  r.outf("\tData frames: %lld\n", static_cast<long long>(stats.data_frames));
  r.printi();
  r.outf("\tRunning time: %dm %1.3fs\n", minutes, seconds);
  r.printi();
  if (stats.vbr)
    r.outf("\tAverage bitrate: %lldkbps (vbr)\n", static_cast<long long>(stats.cum_bitrate / stats.data_frames));
  else if (stats.last_bitrate >= 0)
    r.outf("\tConstant bitrate: %dkbps\n", stats.last_bitrate);
  else
    r.outs("\tConstant bitrate: none\n");
  r.printi();
  r.outf("\tFile length: %lldbytes\n", static_cast<long long>(covered));
  // The frame count an info header gives, where the walk found another: a
  // file cut or patched since it was written.
  if (stats.info_frames >= 0 && stats.info_frames != stats.data_frames - 1 && r.verbose > 0) {
    r.printi();
    r.outf("\t%s header: %lld frames after it, %lld walked\n", stats.info_kind,
           static_cast<long long>(stats.info_frames), static_cast<long long>(stats.data_frames - 1));
  }
  r.printi();
  r.outs("MPEG (MP3) file end\n");

  // The statistics follow the items they are taken over.
  r.num(0, "frames", stats.data_frames);
  r.real(0, "running_time", total);
  if (stats.vbr) {
    r.num(0, "average_bitrate", stats.cum_bitrate / stats.data_frames);
    r.flag(0, "vbr", true);
  } else if (stats.last_bitrate > 0) {
    // None without a frame, nor for the free format: its header gives no
    // rate (index 0), and 0 is no rate.
    r.num(0, "bitrate", stats.last_bitrate);
  }
  r.num(0, "file_length", covered);
  if (stats.info_frames >= 0) r.num(1, "frames_after_info_header", stats.data_frames - 1);
  file.length = covered;
}

}  // namespace tagdelve
