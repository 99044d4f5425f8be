#include "flac/flac.h"

#include <cstring>

#include "xiph/flac_blocks.h"

namespace tagdelve {

Probe flac_probe(const uint8_t* p, int64_t n) {
  return n >= 4 && memcmp(p, "fLaC", 4) == 0 ? Probe::strong : Probe::no;
}

void flac_file(Report& r, Source& src) {
  Item file(r, "FLAC file", src, 0);
  r.printi();
  r.outs("FLAC file start\n");
  uint8_t marker[4];
  if (!src.read(marker, 4)) {
    src.ended_inside("stream marker", true);
    return;
  }
  if (memcmp(marker, "fLaC", 4) != 0) {
    r.error_line("Not a FLAC format file");
    return;
  }
  while (metadata_block(r, src)) {
  }
  {
    Item audio(r, "audio data", src, src.tell(), src.bounded() ? src.limit - src.tell() : -1);
    r.printi();
    r.outs("FLAC audio data\n");
  }
  // Under a limit (an archive member) the audio is skipped so that the
  // source stands at the member's end; a file on its own is not read on.
  if (src.bounded()) src.skip(src.limit - src.tell());
  r.printi();
  r.outs("FLAC file end\n");
  if (src.bounded()) file.length = src.limit;
}

}  // namespace tagdelve
