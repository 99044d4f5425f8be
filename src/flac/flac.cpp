#include "flac/flac.h"

#include <cstring>
#include <string>
#include <vector>

#include "common/decode.h"
#include "common/output.h"
#include "common/printers.h"
#include "flac/flac_tags.h"

namespace tagdelve {

const char* const flac_block[8] = {
    "Streaminfo", "Padding", "Application", "Seektable", "Vorbis_Comment", "Cuesheet", "Picture", "Unknown",
};

namespace {

// A text field of at most `width` bytes of the body, after its label.
void text_field(const char* label, const uint8_t* p, int64_t length, int64_t width) {
  printi();
  outs(label);
  put_field(p, static_cast<size_t>(length < width ? length : width));
}

// STREAMINFO: each line is printed when the bytes it decodes are in the body.
void streaminfo(const uint8_t* b, int64_t n) {
  if (verbose > 0 && n >= 10) {
    printi();
    outf("\tMin blk: %u, Max blk: %u, Min frm: %u, Max frm: %u\n", word16(b), word16(b + 2), word24(b + 4),
         word24(b + 7));
  }
  if (n >= 14) {
    uint32_t a = word24(b + 10);
    uint32_t bits = word16(b + 12);
    printi();
    outf("\tSample rate: %uHz, %u Channels, %u Bits\n", a >> 4, ((a & 0x0F) >> 1) + 1, ((bits >> 4) & 0x1F) + 1);
  }
  if (verbose > 0 && n >= 18) {
    uint64_t total = (uint64_t{word16(b + 12) & 0x0F} << 32) + be32(b + 14);
    printi();
    outf("\tTotal samples: %lld, MD5: ", static_cast<long long>(total));
    put_hex(n >= 34 ? 16 : n - 18, b + 18);
    outc('\n');
  }
}

}  // namespace

bool metadata_block(Source& src) {
  uint8_t head[4];
  const int64_t at = src.tell();
  if (!src.read(head, 4)) {
    src.ended_inside("metadata block header", true);
    return false;
  }
  const bool last = (head[0] & 0x80) != 0;
  int type = head[0] & 0x7F;
  const int32_t length = static_cast<int32_t>(word24(head + 1));
  if (verbose > 1) {
    printi();
    outf("Offset %lld, Type: %d, Last=%d\n", static_cast<long long>(at), type, last ? 1 : 0);
  }
  if (type > 6) type = 7;
  printi();
  outf("%s metadata block", flac_block[type]);
  if (verbose > 1) outf(", Length: %d", length);
  outc('\n');

  std::vector<uint8_t> body;
  if (!src.body(body, length)) {
    src.ended_inside((std::string(flac_block[type]) + " metadata block").c_str());
    return false;
  }
  const uint8_t* b = body.data();
  switch (type) {
    case 0:
      streaminfo(b, length);
      break;
    case 2:
      text_field("\tType: ", b, length, 4);
      if (verbose > 0) outf(", Data: %d bytes", length < 4 ? 0 : length - 4);
      outc('\n');
      break;
    case 3:
      if (verbose > 0) {
        printi();
        outf("\tLength: %d\n", length);
      }
      break;
    case 4:
      vorbis_comment(b, length);
      break;
    case 5:
      text_field("\tCatalogue number: ", b, length, 128);
      if (verbose > 0) outf(", Data: %d bytes", length < 128 ? 0 : length - 128);
      outc('\n');
      break;
    case 6:
      flac_picture(b, length);
      break;
    default:  // padding and unknown types: read, nothing printed
      break;
  }
  return !last;
}

void flac_file(Source& src) {
  printi();
  outs("FLAC file start\n");
  uint8_t marker[4];
  if (!src.read(marker, 4)) {
    src.ended_inside("stream marker", true);
    return;
  }
  if (memcmp(marker, "fLaC", 4) != 0) {
    error_line("Not a FLAC format file");
    return;
  }
  while (metadata_block(src)) {
  }
  printi();
  outs("FLAC audio data\n");
  // Under a limit (an archive member) the audio is skipped so that the
  // source stands at the member's end; a file on its own is not read on.
  if (src.bounded()) src.skip(src.limit - src.tell());
  printi();
  outs("FLAC file end\n");
}

}  // namespace tagdelve
