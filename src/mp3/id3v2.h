// ID3v2 tags (major versions 2, 3 and 4): the tag header, the extended
// header, the frames, the padding and the footer.
#pragma once

#include <cstdint>
#include <vector>

#include "common/report.h"
#include "common/source.h"

namespace tagdelve {

// Prints the content of a frame, held in memory as the source `content`
// (its bytes and their number are content.block and content.limit),
// continuing the frame's line and ending it. `major` is the tag's major
// version.
using FramePrinter = void (*)(Report& r, const Source& content, int major);

// One known frame: its identifier in ID3v2.3/ID3v2.4 and in ID3v2.2 (empty
// where the frame has no such form), its description and its printer.
struct ID3v2_frame_type {
  const char* id;
  const char* id2;
  const char* description;
  FramePrinter print;
};

extern const ID3v2_frame_type ID3v2_frames[100];

// Every frame the table does not know.
extern const ID3v2_frame_type kUnknownFrame;

// The row of a 4-character (find_type) or 3-character (find_type2)
// identifier, or nullptr.
const ID3v2_frame_type* find_type(const char* id);
const ID3v2_frame_type* find_type2(const char* id);

// Walks the ID3v2 tag whose first 4 bytes ("ID3" and the major version) the
// caller has read into `sig` (10 bytes, used as scratch) from offset `at`.
// Returns true with the source after the tag, false when a read failed.
bool ID3v2_tag(Report& r, Source& src, uint8_t* sig, int64_t at);

// A source that holds an ID3v2 tag alone: a .id3 file, or the tag held in a
// chunk of a WAV or AIFF file.
void id3_file(Report& r, Source& src);

// The printer for contents not otherwise decoded: the length, and at
// verbose > 1 a hex dump.
void generic_frame(Report& r, const Source& content, int major);

}  // namespace tagdelve
