#include "xiph/flac_blocks.h"

#include <cstring>
#include <string>
#include <vector>

#include "common/decode.h"
#include "common/printers.h"
#include "xiph/xiph_tags.h"

namespace tagdelve {

const char* const flac_block[8] = {
    "Streaminfo", "Padding", "Application", "Seektable", "Vorbis_Comment", "Cuesheet", "Picture", "Unknown",
};

namespace {

// A text field of at most `width` bytes of the body, after its label.
void text_field(Report& r, const char* label, const uint8_t* p, int64_t length, int64_t width, const char* name) {
  r.printi();
  r.outs(label);
  put_field(r, p, static_cast<size_t>(length < width ? length : width), name);
}

// STREAMINFO: each line is printed when the bytes it decodes are in the body.
void streaminfo(Report& r, const uint8_t* b, int64_t n) {
  if (r.verbose > 0 && n >= 10) {
    r.printi();
    r.outf("\tMin blk: %u, Max blk: %u, Min frm: %u, Max frm: %u\n", word16(b), word16(b + 2), word24(b + 4),
           word24(b + 7));
    r.num(1, "min_block_size", word16(b));
    r.num(1, "max_block_size", word16(b + 2));
    r.num(1, "min_frame_size", word24(b + 4));
    r.num(1, "max_frame_size", word24(b + 7));
  }
  if (n >= 14) {
    uint32_t a = word24(b + 10);
    uint32_t bits = word16(b + 12);
    r.printi();
    r.outf("\tSample rate: %uHz, %u Channels, %u Bits\n", a >> 4, ((a & 0x0F) >> 1) + 1, ((bits >> 4) & 0x1F) + 1);
    r.num(0, "sample_rate", a >> 4);
    r.num(0, "channels", ((a & 0x0F) >> 1) + 1);
    r.num(0, "bits_per_sample", ((bits >> 4) & 0x1F) + 1);
  }
  if (r.verbose > 0 && n >= 18) {
    uint64_t total = (uint64_t{word16(b + 12) & 0x0F} << 32) + be32(b + 14);
    r.printi();
    r.outf("\tTotal samples: %lld, MD5: ", static_cast<long long>(total));
    r.num(1, "total_samples", static_cast<int64_t>(total));
    put_hex(r, n >= 34 ? 16 : n - 18, b + 18, "md5");
    r.outc('\n');
  }
}

// A text of n bytes that opens a block (an application's id, a cue sheet's
// catalogue number), and at -v how many bytes follow it.
void text_then_data(Report& r, const char* label, const uint8_t* b, int32_t length, int32_t n, const char* key) {
  text_field(r, label, b, length, n, key);
  const int32_t rest = length < n ? 0 : length - n;
  if (r.verbose > 0) r.outf(", Data: %d bytes", rest);
  r.num(1, "data_length", rest);
  r.outc('\n');
}

}  // namespace

bool metadata_block(Report& r, Source& src) {
  uint8_t head[4];
  const int64_t at = src.tell();
  if (!src.read(head, 4)) {
    src.ended_inside("metadata block header", true);
    return false;
  }
  const bool last = (head[0] & 0x80) != 0;
  int type = head[0] & 0x7F;
  const int32_t length = static_cast<int32_t>(word24(head + 1));
  const int known = type > 6 ? 7 : type;
  const std::string name = std::string(flac_block[known]) + " metadata block";
  Item block(r, name, src, at, 4 + int64_t{length});
  if (r.verbose > 1) {
    r.printi();
    r.outf("Offset %lld, Type: %d, Last=%d\n", static_cast<long long>(at), type, last ? 1 : 0);
  }
  r.num(2, "type", type);
  r.flag(2, "last", last);
  r.num(2, "body_length", length);
  type = known;
  r.printi();
  r.outf("%s metadata block", flac_block[type]);
  if (r.verbose > 1) r.outf(", Length: %d", length);
  r.outc('\n');

  // Padding, seek points and blocks of unknown types print nothing of
  // their content: passed over (a seek in a file), never read, however
  // large they claim to be.
  if (type == 1 || type == 3 || type == 7) {
    if (!src.pass(length)) {
      src.ended_inside(name.c_str());
      return false;
    }
    if (type == 3 && r.verbose > 0) {
      r.printi();
      r.outf("\tLength: %d\n", length);
    }
    if (type == 3) r.num(1, "seek_points", length / 18);
    return !last;
  }
  std::vector<uint8_t> body;
  if (!src.body(body, length)) {
    src.ended_inside(name.c_str());
    return false;
  }
  const uint8_t* b = body.data();
  const Source held = src.held(b, length, at + 4);
  switch (type) {
    case 0:
      streaminfo(r, b, length);
      break;
    case 2:
      text_then_data(r, "\tType: ", b, length, 4, "application_id");
      break;
    case 4:
      vorbis_comment(r, held);
      break;
    case 5:
      text_then_data(r, "\tCatalogue number: ", b, length, 128, "catalogue_number");
      break;
    case 6:
      flac_picture(r, held);
      break;
  }
  return !last;
}

}  // namespace tagdelve
