// The header packets of the codecs carried in Ogg: Vorbis (identification,
// comment, setup), Opus (identification, comment), FLAC (the mapping header
// with STREAMINFO, then one metadata block a packet) and Speex (header,
// comment); other codecs are named by their first packet.
#pragma once

#include <cstdint>

#include "common/report.h"
#include "common/source.h"

namespace tagdelve {

// What a logical stream's header packets tell the page walk.
struct CodecInfo {
  const char* name = nullptr;  // nullptr: not known
  int64_t rate = 0;            // granule positions a second (0: not a time)
  int64_t pre_skip = 0;        // granule positions decoded and dropped at the start
  int64_t headers_left = 0;    // header packets still to come
};

// Packet `index` (0 the first) of logical stream `stream`, held in memory as
// `packet`, whose first byte stands at `at` of `src`: when it is a header
// packet, printed as an item and true; `info` learns what the headers say.
// A first packet always names the codec, or says that it is not known.
bool header_packet(Report& r, const Source& src, const Source& packet, int64_t at, int stream, int64_t index,
                   CodecInfo& info);

}  // namespace tagdelve
