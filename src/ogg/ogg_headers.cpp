#include "ogg/ogg_headers.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "common/decode.h"
#include "common/printers.h"
#include "common/table.h"
#include "xiph/flac_blocks.h"
#include "xiph/xiph_tags.h"

namespace tagdelve {

namespace {

enum class Codec : uint8_t { vorbis, opus, flac, speex, other };

// The codecs, by the first bytes of a stream's first packet, and how many
// header packets come first (FLAC: until its last metadata block; Speex:
// two and the extra ones its header counts).
struct CodecRow {
  const char* magic;
  size_t size;
  const char* name;
  Codec codec;
  int headers;
};

const CodecRow kCodecs[] = {
    {"\x01vorbis", 7, "Vorbis", Codec::vorbis, 3},
    {"OpusHead", 8, "Opus", Codec::opus, 2},
    {"\x7f" "FLAC", 5, "FLAC", Codec::flac, 1},
    {"Speex   ", 8, "Speex", Codec::speex, 2},
    {"\x80theora", 7, "Theora", Codec::other, 1},
    {"fishead\0", 8, "Skeleton", Codec::other, 1},
};

// Extra Speex headers are taken as headers up to this number.
constexpr int64_t kMaxExtraHeaders = 8;

const CodecRow* codec_of(const char* name) {
  return find_row(kCodecs, [&](const CodecRow& c) { return name != nullptr && strcmp(c.name, name) == 0; });
}

void too_short(Report& r, const char* what) { r.error_line("%s passes the end of the packet", what); }

// Vorbis: the identification header's fields in 30 bytes.
void vorbis_identification(Report& r, const uint8_t* b, int64_t n, CodecInfo& info) {
  if (n < 30) return too_short(r, "Identification header");
  info.rate = le32(b + 12);
  r.printi();
  r.outf("\tChannels: %u, Sample rate: %uHz\n", b[11], le32(b + 12));
  r.num(0, "channels", b[11]);
  r.num(0, "sample_rate", le32(b + 12));
  r.num(1, "version", le32(b + 7));
  r.num(1, "bitrate_maximum", swab32(b + 16));
  r.num(1, "bitrate_nominal", swab32(b + 20));
  r.num(1, "bitrate_minimum", swab32(b + 24));
  r.num(1, "blocksize_0", 1 << (b[28] & 15));
  r.num(1, "blocksize_1", 1 << (b[28] >> 4));
  r.num(1, "framing", b[29] & 1);
  if (r.verbose == 0) return;
  r.printi();
  r.outf("\tVersion: %u, Bit rates: maximum %d, nominal %d, minimum %d\n", le32(b + 7), swab32(b + 16),
         swab32(b + 20), swab32(b + 24));
  r.printi();
  r.outf("\tBlock sizes: %d and %d, Framing: %d\n", 1 << (b[28] & 15), 1 << (b[28] >> 4), b[29] & 1);
}

// Opus: the identification header, 19 bytes and, for a mapping family
// other than 0, the stream counts and the channel mapping.
void opus_identification(Report& r, const uint8_t* b, int64_t n, CodecInfo& info) {
  if (n < 19) return too_short(r, "Identification header");
  info.rate = 48000;  // Opus granule positions count at 48 kHz whatever the input's rate
  info.pre_skip = swab16(b + 10);
  r.printi();
  r.outf("\tChannels: %u, Pre-skip: %u, Input sample rate: %uHz\n", b[9], swab16(b + 10), le32(b + 12));
  r.num(0, "channels", b[9]);
  r.num(0, "pre_skip", swab16(b + 10));
  r.num(0, "input_sample_rate", le32(b + 12));
  const int gain = static_cast<int16_t>(swab16(b + 16));
  r.num(1, "version", b[8]);
  r.num(1, "output_gain", gain);
  r.num(1, "mapping_family", b[18]);
  if (r.verbose > 0) {
    r.printi();
    r.outf("\tVersion: %u, Output gain: %d (%.2f dB), Mapping family: %u\n", b[8], gain, gain / 256.0, b[18]);
  }
  if (b[18] == 0) return;
  if (n < 21 + int64_t{b[9]}) return too_short(r, "Channel mapping");
  r.num(1, "streams", b[19]);
  r.num(1, "coupled_streams", b[20]);
  if (r.verbose == 0) return;
  r.printi();
  r.outf("\tStreams: %u, Coupled: %u, Mapping: ", b[19], b[20]);
  put_hex(r, b[9], b + 21, "mapping");
  r.outc('\n');
}

// Speex: the 80-byte header.
void speex_header(Report& r, const uint8_t* b, int64_t n, CodecInfo& info) {
  if (n < 80) return too_short(r, "Speex header");
  info.rate = le32(b + 36);
  info.headers_left = 1 + std::min<int64_t>(le32(b + 68), kMaxExtraHeaders);
  r.printi();
  r.outf("\tChannels: %d, Sample rate: %dHz\n", swab32(b + 48), swab32(b + 36));
  r.num(0, "channels", swab32(b + 48));
  r.num(0, "sample_rate", swab32(b + 36));
  r.num(1, "mode", swab32(b + 40));
  r.num(1, "bitrate", swab32(b + 52));
  r.num(1, "frame_size", swab32(b + 56));
  r.num(1, "vbr", swab32(b + 60));
  r.num(1, "frames_per_packet", swab32(b + 64));
  r.num(1, "extra_headers", swab32(b + 68));
  if (r.verbose == 0) return;
  r.printi();
  r.outs("\tVersion: ");
  put_field(r, b + 8, 20, "encoder_version");
  r.outf(", Mode: %d, Bit rate: %d, Frame size: %d\n", swab32(b + 40), swab32(b + 52), swab32(b + 56));
  r.printi();
  r.outf("\tVBR: %d, Frames per packet: %d, Extra headers: %d\n", swab32(b + 60), swab32(b + 64), swab32(b + 68));
}

// FLAC: one metadata block filling the packet, from `from` on; whether
// another follows.
bool flac_block_packet(Report& r, const Source& packet, int64_t from) {
  Source blocks = packet.held(packet.block + from, packet.limit - from, from);
  blocks.name = "Packet";
  ++r.indent;
  const bool more = metadata_block(r, blocks);
  --r.indent;
  return more;
}

// The FLAC mapping header: version, the number of header packets that
// follow, "fLaC", then the STREAMINFO block.
void flac_mapping(Report& r, const Source& packet, CodecInfo& info) {
  const uint8_t* b = packet.block;
  const int64_t n = packet.limit;
  if (n < 13) return too_short(r, "Mapping header");
  r.num(1, "mapping_version_major", b[5]);
  r.num(1, "mapping_version_minor", b[6]);
  r.num(1, "header_packets", word16(b + 7));
  if (r.verbose > 0) {
    r.printi();
    r.outf("\tVersion: %u.%u, Header packets: %u\n", b[5], b[6], word16(b + 7));
  }
  if (memcmp(b + 9, "fLaC", 4) != 0) {
    r.error_line("Mapping header without the fLaC marker");
    return;
  }
  if (n >= 30) info.rate = word24(b + 27) >> 4;
  info.headers_left = flac_block_packet(r, packet, 13) ? 1 : 0;
}

// What a packet of a known codec is, by its first bytes; nullptr when it is
// none of that codec's headers.
const char* header_kind(Codec codec, const uint8_t* b, int64_t n, int64_t index) {
  switch (codec) {
    case Codec::vorbis:
      if (n < 7 || memcmp(b + 1, "vorbis", 6) != 0) return nullptr;
      return b[0] == 1 ? "Vorbis identification header"
             : b[0] == 3 ? "Vorbis comment header"
             : b[0] == 5 ? "Vorbis setup header"
                         : nullptr;
    case Codec::opus:
      if (n >= 8 && memcmp(b, "OpusHead", 8) == 0) return "Opus identification header";
      return n >= 8 && memcmp(b, "OpusTags", 8) == 0 ? "Opus comment header" : nullptr;
    case Codec::flac:
      if (index == 0) return "FLAC mapping header";
      return n > 0 && b[0] != 0xFF ? "FLAC metadata header" : nullptr;  // 0xFF: an audio frame's sync code
    case Codec::speex:
      return index == 0 ? "Speex header" : index == 1 ? "Speex comment header" : "Speex extra header";
    case Codec::other:
      break;
  }
  return nullptr;
}

}  // namespace

bool header_packet(Report& r, const Source& src, const Source& packet, int64_t at, int stream, int64_t index,
                   CodecInfo& info) {
  const uint8_t* b = packet.block;
  const int64_t n = packet.limit;
  const CodecRow* row = nullptr;
  if (index == 0) {
    row = find_row(kCodecs, [&](const CodecRow& c) { return n >= static_cast<int64_t>(c.size) && memcmp(b, c.magic, c.size) == 0; });
    info = CodecInfo{};
    if (row != nullptr) {
      info.name = row->name;
      info.headers_left = row->headers;
    }
  } else {
    row = codec_of(info.name);
  }
  if (index > 0) {
    if (row == nullptr || info.headers_left <= 0) return false;
    --info.headers_left;
  } else if (row != nullptr) {
    --info.headers_left;
  }
  std::string named;  // of a codec whose headers are not decoded, or of a packet that is not a header
  const char* kind = row == nullptr                 ? "Unknown header"
                     : row->codec == Codec::other ? (named = std::string(row->name) + " header").c_str()
                                                  : header_kind(row->codec, b, n, index);
  if (kind == nullptr && row->codec == Codec::flac) {
    info.headers_left = 0;  // the audio frames have begun
    return false;
  }
  if (kind == nullptr) named = std::string(row->name) + " header packet";
  Item item(r, kind != nullptr ? kind : named.c_str(), src, at);
  if (r.verbose > 1) {
    r.printi();
    r.outf("Offset %lld, Packet %lld of stream %d, Length: %lld\n", static_cast<long long>(at),
           static_cast<long long>(index + 1), stream, static_cast<long long>(n));
  }
  r.num(0, "stream", stream);
  r.num(2, "packet", index + 1);
  r.num(2, "packet_length", n);
  r.printi();
  r.outf("%s, Stream %d\n", kind != nullptr ? kind : named.c_str(), stream);
  if (kind == nullptr) {
    r.error_line("Packet %lld is no %s header", static_cast<long long>(index + 1), row->name);
    return true;
  }
  if (row == nullptr) {
    r.printi();
    r.outs("\tFirst bytes: ");
    put_hex(r, std::min<int64_t>(n, 8), b, "first_bytes");
    r.outc('\n');
    return true;
  }
  switch (row->codec) {
    case Codec::vorbis:
      if (b[0] == 1) vorbis_identification(r, b, n, info);
      if (b[0] == 3) vorbis_comment(r, packet.held(b + 7, n - 7, 7), "packet");
      if (b[0] == 5 && r.verbose > 0 && n > 7) {
        r.printi();
        r.outf("\tCodebooks: %u\n", b[7] + 1u);
        r.num(1, "codebooks", b[7] + 1);
      }
      break;
    case Codec::opus:
      if (b[4] == 'H') opus_identification(r, b, n, info);
      if (b[4] == 'T') vorbis_comment(r, packet.held(b + 8, n - 8, 8), "packet");
      break;
    case Codec::flac:
      if (index == 0)
        flac_mapping(r, packet, info);
      else
        info.headers_left = flac_block_packet(r, packet, 0) ? 1 : 0;
      break;
    case Codec::speex:
      if (index == 0) speex_header(r, b, n, info);
      if (index == 1) vorbis_comment(r, packet, "packet");
      break;
    case Codec::other:
      break;
  }
  return true;
}

}  // namespace tagdelve
