#include "mp3/mpeg.h"

#include <cstring>

#include "common/output.h"
#include "common/printers.h"
#include "mp3/ape.h"
#include "mp3/id3v1.h"
#include "mp3/id3v2.h"
#include "mp3/lyrics3.h"

namespace tagdelve {

const char* const MPEG_versions[4] = {"'MPEG 2.5'", "error", "mpg-ii", "mpg-i"};
const char* const MPEG_layers[4] = {"error", "III", "II", "I"};
const char* const MPEG_flags[2] = {"on", "off"};

const int32_t MPEG_samples[16] = {
    11025, 12000, 8000,  -1,  // MPEG 2.5
    -1,    -1,    -1,    -1,  // reserved version
    22050, 24000, 16000, -1,  // MPEG-2
    44100, 48000, 32000, -1,  // MPEG-1
};

// Version indexes 0 and 2 (MPEG 2.5 and MPEG-2) share the first half, 1 and 3
// the second; within a half the rows go by layer index (0 reserved, 1 layer
// III, 2 layer II, 3 layer I).
const int32_t MPEG_bitrates[128] = {
    0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, -1,
    0, 8,  16, 24, 32, 40, 48, 56,  64,  80,  96,  112, 128, 144, 160, -1,
    0, 8,  16, 24, 32, 40, 48, 56,  64,  80,  96,  112, 128, 144, 160, -1,
    0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, -1,
    0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, -1,
    0, 32, 40, 48, 56, 64, 80, 96,  112, 128, 160, 192, 224, 256, 320, -1,
    0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, -1,
    0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, -1,
};

int64_t data_frames = 0;
int64_t cum_bitrate = 0;
int32_t last_bitrate = -1;
int16_t vbr = 0;

namespace {

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
int32_t frame_length(int version, int layer, int32_t bitrate, int32_t rate, int padding) {
  if (layer == 3) return (bitrate * 12000 / rate + padding) * 4;
  if (layer == 1 && (version == 2 || version == 0)) return bitrate * 72000 / rate + padding;
  return bitrate * 144000 / rate + padding;
}

// Decodes, counts and skips the audio frame whose 4 header bytes are in h.
void audio_frame(const uint8_t* h, Stream* stream, const uint8_t* block, int64_t& offset,
                 int64_t limit) {
  int version = (h[1] >> 3) & 3;
  int layer = (h[1] >> 1) & 3;
  int protection = h[1] & 1;
  int bitrate_index = h[2] >> 4;
  int rate_index = (h[2] >> 2) & 3;
  int padding = (h[2] >> 1) & 1;
  int32_t bitrate = MPEG_bitrates[((version & 1) * 4 + layer) * 16 + bitrate_index];
  int32_t rate = MPEG_samples[version * 4 + rate_index];
  int32_t length = frame_length(version, layer, bitrate, rate, padding);

  if (verbose > 1) {
    // Two lines for every frame: formatted by hand, each written at once.
    char line[128];
    char* e = fmt_str(line, "Data frame, ");
    e = fmt_str(e, MPEG_versions[version]);
    e = fmt_str(e, " layer ");
    e = fmt_str(e, MPEG_layers[layer]);
    e = fmt_str(e, ", Err. prot.: ");
    e = fmt_str(e, MPEG_flags[protection]);
    e = fmt_str(e, ", Bit Rate: ");
    e = fmt_dec(e, bitrate);
    e = fmt_str(e, "k,\n");
    printi();
    outw(line, static_cast<size_t>(e - line));
    const uint8_t flags[2] = {static_cast<uint8_t>(h[2] & 3), h[3]};
    e = fmt_str(line, "\tFrame Length: ");
    e = fmt_dec(e, length);
    e = fmt_str(e, ", Frequency: ");
    e = fmt_dec(e, rate);
    e = fmt_str(e, "Hz, Flags: <0x");
    e = fmt_hex(e, flags, 2);
    e = fmt_str(e, ">\n");
    printi();
    outw(line, static_cast<size_t>(e - line));
  }

  ++data_frames;
  cum_bitrate += bitrate;
  if (last_bitrate > 0 && last_bitrate != bitrate) vbr = 1;
  last_bitrate = bitrate;

  // A length of 4 or less (reserved or free-format entries) skips nothing:
  // the walk goes on at the byte after the header, never backwards.
  int64_t rest = int64_t{length} - 4;
  if (rest > 0) {
    vfdump(rest, stream, block, offset, limit);
    offset += rest;
  }
}

}  // namespace

int mpeg_frame(Stream* stream, const uint8_t* block, int64_t& offset, int64_t limit) {
  uint8_t sig[10] = {};
  if (vfgetm(sig, 4, stream, block, offset, limit) < 0) return 0;
  if (verbose > 1) {
    char line[64];
    char* e = fmt_str(line, "Offset ");
    e = fmt_dec(e, offset);
    e = fmt_str(e, ", Frame header <0x");
    e = fmt_hex(e, sig, 4);
    e = fmt_str(e, ">\n");
    printi();
    outw(line, static_cast<size_t>(e - line));
  }
  offset += 4;

  if (sig[0] == 0xFF && (sig[1] & 0xE0) == 0xE0) {
    audio_frame(sig, stream, block, offset, limit);
    return 1;
  }
  for (const TagSignature& tag : kTagSignatures) {
    if (memcmp(sig, tag.sig, strlen(tag.sig)) == 0)
      return tag.walker(stream, block, sig, offset, limit);
  }
  printi();
  outs("Error: Frame header ");
  put_hex(4, sig);
  outs(" not recognised\n");
  return 0;
}

int mpeg_file(Stream* stream, const uint8_t* block, int64_t limit) {
  printi();
  outs("MPEG (MP3) file start\n");
  int64_t offset = 0;
  data_frames = 0;
  cum_bitrate = 0;
  last_bitrate = -1;
  vbr = 0;

  while ((mpeg_frame(stream, block, offset, limit) & 0xFFFF) != 0) {
  }

  // The running time takes every frame as 26 ms long, whatever its layer
  // and sample rate.
  double total = static_cast<double>(data_frames) * 0.026;
  int minutes = static_cast<int>(total / 60);
  double seconds = total - minutes * 60;

  printi();
  outs("Statistics\n");
  printi();
  outf("\tData frames: %lld\n", static_cast<long long>(data_frames));
  printi();
  outf("\tRunning time: %dm %1.3fs\n", minutes, seconds);
  printi();
  if (vbr)
    outf("\tAverage bitrate: %lldkbps (vbr)\n", static_cast<long long>(cum_bitrate / data_frames));
  else
    outf("\tConstant bitrate: %dkbps\n", last_bitrate);
  printi();
  outf("\tFile length: %lldbytes\n", static_cast<long long>(offset));
  printi();
  outs("MPEG (MP3) file end\n");
  return 1;
}

}  // namespace tagdelve
