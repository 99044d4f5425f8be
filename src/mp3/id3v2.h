// ID3v2 tags (major versions 2, 3 and 4): the tag header, the extended
// header, the frames, the padding and the footer.
#pragma once

#include <cstdint>

#include "common/source.h"

namespace tagdelve {

// One known frame: its identifier in ID3v2.3/ID3v2.4 and in ID3v2.2 (empty
// where the frame has no such form), its description, and the kind code that
// selects the printer of its content. The final row, with both identifiers
// empty and kind -1, stands for every unknown frame.
struct ID3v2_frame_type {
  char id[5];
  char id2[4];
  char description[67];
  int32_t kind;
};

extern const ID3v2_frame_type ID3v2_frames[101];

// Row of a 4-character (find_type) or 3-character (find_type2) identifier;
// the final row when none matches.
int find_type(const char* id);
int find_type2(const char* id);

// Walks the ID3v2 tag whose first 4 bytes ("ID3" and the major version) the
// caller has read into `sig` (10 bytes, used as scratch). Returns 1 with
// `offset` after the tag, or 0 when a read failed.
int ID3v2_tag(Stream* stream, const uint8_t* block, uint8_t* sig, int64_t& offset, int64_t limit);

// The extended header in the ID3v2.4 layout: a syncsafe size, the number of
// flag bytes, the flags, and a length-prefixed data block per set flag.
// Returns 1, or 0 when a read failed.
int ID3_ext_head(Stream* stream, const uint8_t* block, int64_t& offset, int64_t limit);

// The extended header in the ID3v2.3 layout: a size that excludes itself,
// 2 flag bytes, the padding size and, when flagged, a CRC.
int ID3_ext_head3(Stream* stream, const uint8_t* block, int64_t& offset, int64_t limit);

// Prints the content of a frame, `n` bytes at `c`, with the printer its
// kind code selects; the frame's line has been begun and is ended here.
void ID3v2_content(int32_t kind, int major, uint8_t* c, int64_t n);

// The printer for contents not otherwise decoded: the length, and at
// verbose > 1 a hex dump.
void generic_frame(const uint8_t* c, int64_t n);

}  // namespace tagdelve
