// The chunks that WAV (RIFF, RF64, BW64) and AIFF (IFF) files are made of:
// a four-character id, a 32-bit size (little-endian in RIFF, big-endian in
// IFF), that many bytes of body, and after an odd size one pad byte that
// brings the next chunk to an even offset. The file is one form chunk (RIFF
// or FORM) whose body is a form type and the chunks; a LIST chunk holds a
// list type and chunks of its own.
//
// Both walkers read their chunks through these helpers: the header, the
// heading lines, the end of the body and the pad byte, the damage reports.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/report.h"
#include "common/source.h"
#include "common/table.h"

namespace tagdelve {

struct Chunk {
  int64_t at = 0;         // the header's offset in the source
  uint8_t id[4] = {};
  uint32_t stored = 0;    // the size field
  uint64_t size = 0;      // bytes of body: the size field, or an RF64 size from the ds64 chunk
  bool from_ds64 = false;
  std::string kind;       // "<id> chunk", the id as stored: the item's kind
  std::string name;       // the same with the id escaped: in messages

  int64_t body() const { return at + 8; }
  // Where the body ends; a size past every position ends at the largest.
  int64_t end() const;
};

// One walk's place: where the file ended inside a chunk, nothing more is
// walked (the damage has been reported).
struct ChunkWalk {
  Report& r;
  bool big_endian;      // IFF sizes
  bool stopped = false;
};

// A row of a format's chunk table: the id, what the chunk is (shown at
// -v), and how the walker takes its body.
struct ChunkType {
  char id[5];
  const char* description;
  int kind;
};

template <size_t N>
const ChunkType* find_chunk(const ChunkType (&table)[N], const uint8_t* id) {
  return find_row(table, [id](const ChunkType& t) { return memcmp(t.id, id, 4) == 0; });
}

// Four characters of printable ASCII: what every chunk id is made of.
bool chunk_id(const uint8_t* p);

// Reads the header of the next chunk into `c`. False at the end of the
// source (nothing said when no byte of a header is left), after a header
// cut short, or when its id is no chunk id: that is reported, and the rest
// of the source is not walked.
bool next_chunk(ChunkWalk& w, Source& src, Chunk& c);

// The offset line (-v -v: "Offset N, Size: S") and the start of the
// heading: the id, " chunk" unless `text` (a text chunk shows its id
// alone), and at -v the description in brackets. The line is left open.
void chunk_heading(Report& r, const Chunk& c, const ChunkType* type, bool text = false);

// Reads the first bytes of the body, up to `most` (all of it by default),
// into `bytes`. False after reporting where the file or the container ended
// inside the chunk.
bool chunk_head(ChunkWalk& w, Source& src, const Chunk& c, std::vector<uint8_t>& bytes, uint64_t most = UINT64_MAX);

// Reports, after a read, pass or body inside the chunk failed, where the
// file or the container (`src`, named for its messages) ended inside it.
void chunk_cut(ChunkWalk& w, const Source& src, const Chunk& c);

// "Error: <chunk> too short: N of M bytes" when `have` is below `need`.
bool too_short(Report& r, const Source& src, const Chunk& c, size_t have, size_t need);

// The body of a container chunk as a source of its own in the same
// offsets, ending where the chunk or `src` ends and named after the chunk;
// `src` is moved on by what it took with back_from.
Source inside(const Source& src, const Chunk& c);
inline void back_from(Source& src, const Source& in) { src.took(in.tell() - src.tell()); }

// An ID3v2 tag held in the chunk, walked by the ID3v2 walker over the
// chunk's body; whatever the tag leaves of it is passed over by end_chunk.
void id3_chunk(Report& r, Source& src, const Chunk& c);

// A text chunk's text (up to its first zero byte): "{...}" as UTF-8 that
// --utf8 shows, escaped otherwise; the JSON field `name`.
void chunk_text(Report& r, const uint8_t* p, size_t n, const char* name);

// Passes over what the walk of its body left of the chunk, then its pad
// byte; the item's length then covers both. A missing pad byte is reported
// and the walk goes on where the next chunk stands. False when the source
// ended inside the chunk.
bool end_chunk(ChunkWalk& w, Source& src, const Chunk& c, Item& item);

// Reads the form chunk's header and its form type, the file's first 12
// bytes. False at a file cut short (an empty one is not reported).
bool form_header(ChunkWalk& w, Source& src, Chunk& form, uint8_t* type);

// After the form's chunks: passes over whatever follows a walk that stopped
// at a bad id, then compares the size the form declares with the bytes that
// follow its size field (when the file did not end inside a chunk).
void form_end(ChunkWalk& w, Source& src, const Chunk& form, uint64_t declared);

}  // namespace tagdelve
