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

// Text of at most `width` bytes, up to its first zero byte.
std::string bounded_text(const uint8_t* p, int64_t width) {
  if (width <= 0) return std::string();
  const char* s = reinterpret_cast<const char*>(p);
  return std::string(s, strnlen(s, static_cast<size_t>(width)));
}

// STREAMINFO: each line is printed when the bytes it decodes are in the body.
void streaminfo(const uint8_t* b, int64_t n) {
  if (verbose > 0 && n >= 10) {
    printi();
    outf("\tMin blk: %d, Max blk: %d, Min frm: %ld, Max frm: %ld\n", word16(b), word16(b + 2),
         static_cast<long>(word24(b + 4)), static_cast<long>(word24(b + 7)));
  }
  if (n >= 14) {
    int32_t a = word24(b + 10);
    int32_t bits = word16(b + 12);
    printi();
    outf("\tSample rate: %dHz, %d Channels, %d Bits\n", a >> 4, ((a & 0x0F) >> 1) + 1, ((bits >> 4) & 0x1F) + 1);
  }
  if (verbose > 0 && n >= 18) {
    uint64_t total = (static_cast<uint64_t>(word16(b + 12) & 0x0F) << 32) + static_cast<uint32_t>(word32(b + 14));
    printi();
    outf("\tTotal samples: %lld, MD5: ", static_cast<long long>(total));
    put_hex(n >= 34 ? 16 : n - 18, b + 18);
    outc('\n');
  }
}

}  // namespace

int metadata_block(Stream* stream, const uint8_t* block, int64_t* offset, int64_t limit) {
  uint8_t head[4];
  if (vfgetm(head, 4, stream, block, *offset, limit) != 4) return 0;
  int last = head[0] >> 7;
  int type = head[0] & 0x7F;
  head[0] = 0;
  int32_t length = word32(head);
  if (verbose > 1) {
    printi();
    outf("Offset %lld, Type: %d, Last=%d\n", static_cast<long long>(*offset), type, last);
  }
  *offset += 4;
  if (type > 6) type = 7;
  printi();
  outf("%s metadata block", flac_block[type]);
  if (verbose > 1) outf(", Length: %d", length);
  outc('\n');

  std::vector<uint8_t> body;
  if (vfget_body(body, length, stream, block, *offset, limit) != length) return 0;
  *offset += length;
  const uint8_t* b = body.data();
  switch (type) {
    case 0:
      streaminfo(b, length);
      break;
    case 2:
      printi();
      outf("\tType: %s", bounded_text(b, length < 4 ? length : 4).c_str());
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
      printi();
      outf("\tCatalogue number: %s", bounded_text(b, length < 128 ? length : 128).c_str());
      if (verbose > 0) outf(", Data: %d bytes", length < 128 ? 0 : length - 128);
      outc('\n');
      break;
    case 6:
      flac_picture(b, length);
      break;
    default:  // padding and unknown types: read, nothing printed
      break;
  }
  return last ? 0 : 1;
}

int flac_file(Stream* stream, const uint8_t* block, int64_t limit) {
  printi();
  outs("FLAC file start\n");
  int64_t offset = 0;
  uint8_t marker[4];
  if (vfgetm(marker, 4, stream, block, offset, limit) != 4) return 0;
  offset += 4;
  if (memcmp(marker, "fLaC", 4) != 0) {
    printi();
    outs("Error: Not a FLAC format file\n");
    return 0;
  }
  while (metadata_block(stream, block, &offset, limit)) {
  }
  printi();
  outs("FLAC audio data\n");
  // Under a limit (an archive member) the audio is skipped so that the
  // source stands at the member's end; a file on its own is not read on.
  if (limit != 0) {
    vfdump(limit - offset, stream, block, offset, limit);
    offset = limit;
  }
  printi();
  outs("FLAC file end\n");
  return 1;
}

}  // namespace tagdelve
