#include "tiff/tiff_file.h"

#include <cstring>
#include <vector>

#include "common/decode.h"
#include "tiff/tiff.h"

namespace tagdelve {

Probe tiff_probe(const uint8_t* p, int64_t n) {
  return n >= 4 && (memcmp(p, "II*\0", 4) == 0 || memcmp(p, "MM\0*", 4) == 0) ? Probe::strong : Probe::no;
}

namespace {

// Whether the header at the start of `data` is one this walker reads; an
// error line when it is not.
bool header_known(Report& r, const Source& src, const Source& data, int64_t length) {
  uint8_t h[8];
  const int64_t got = data.read_at(0, h, 8);
  if (got < 8) {
    if (got > 0) report_end(data, src.end_name(length), "TIFF header", got, static_cast<uint64_t>(8 - got));
    return false;
  }
  const bool little = memcmp(h, "II", 2) == 0, big = memcmp(h, "MM", 2) == 0;
  const uint32_t magic = little ? swab16(h + 2) : word16(h + 2);
  if ((little || big) && magic == 43) {
    r.error_line("BigTIFF files are not walked");
    return false;
  }
  if (!(little || big) || magic != 42) {
    r.error_line("Not a TIFF file");
    return false;
  }
  return true;
}

}  // namespace

void tiff_file(Report& r, Source& src) {
  Item file(r, "TIFF file", src, 0);
  r.printi();
  r.outs("TIFF file start\n");
  std::vector<uint8_t> bytes;
  Source data = src;
  int64_t length = src.left();
  if (!src.positioned()) {
    length = src.read_upto(bytes, kPipeHeld);
    data = src.held(bytes.data(), length, 0);
  }
  if (header_known(r, src, data, length)) {
    if (length == kPipeHeld && !src.positioned() && src.left() > 0) {
      int64_t more = 0;
      src.look(1, &more);
      if (more > 0)
        r.error_line("TIFF data read from a pipe is held up to %lld bytes: what lies beyond is not walked",
                     static_cast<long long>(kPipeHeld));
    }
    tiff_header(r, data, length, TiffOptions{true, 0, "TIFF data"});
  }
  // Under a limit (an archive member, bytes held) the source is left at its
  // end; a file on its own is not read on.
  if (src.bounded() && src.tell() < src.limit) src.skip(src.limit - src.tell());
  r.printi();
  r.outs("TIFF file end\n");
  if (src.positioned() || length < kPipeHeld) file.length = length;
}

}  // namespace tagdelve
