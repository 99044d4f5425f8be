// The source reader. Every walker reads through one Source: a stream (a file,
// or an archive member read in place in the archive's stream) or a block of
// memory (an embedded picture, an ID3v2 tag with its unsynchronisation
// undone). The Source keeps the position and the limit itself; the position
// counts from 0 at the source's first byte and is the offset a walker prints.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <utility>
#include <vector>

namespace tagdelve {

struct Report;

constexpr size_t kStreamBuffer = 256 * 1024;
constexpr size_t kPage = 4096;

// Bytes a walker may look at ahead without consuming them (Source::look).
constexpr size_t kLookahead = kPage;

// The read buffer of a run: one block aligned to a page (read() from the
// page cache into an unaligned destination can cost several times as much),
// allocated once and reused by the stream of every file. A page of room
// before the part that read() fills holds the bytes kept for a look ahead.
class ReadBuffer {
 public:
  explicit ReadBuffer(size_t size = kStreamBuffer);
  ~ReadBuffer();
  ReadBuffer(const ReadBuffer&) = delete;
  ReadBuffer& operator=(const ReadBuffer&) = delete;
  uint8_t* data() const { return data_; }  // kLookahead bytes of room, then size()
  size_t size() const { return size_; }

 private:
  uint8_t* data_;
  size_t size_;
};

// A forward-only reader over an open file descriptor, through a ReadBuffer.
// Reads and skips go through the buffer; a skip seeks only past it.
struct Stream {
  int fd = -1;
  uint8_t* buf = nullptr;  // the run's read buffer: read() fills it from buf + kLookahead
  size_t cap = 0;          // the size of that part
  size_t pos = 0;          // next unread byte in buf
  size_t end = 0;          // end of the bytes held in buf
  int64_t file_pos = 0;    // position in the file just after buf[end - 1]
  bool at_eof = false;
  bool regular = false;    // a regular file: its size is known and skips may seek
  int64_t file_size = 0;
  // A read that failed (EIO and the like) ends the stream as its end does;
  // its errno is kept, and it is reported once, as the failure it is.
  int error = 0;
  bool error_reported = false;
  const char* name = "";     // the file's name, for that report
  Report* report = nullptr;  // where it goes, when the read fails
  std::atomic<int64_t>* progress = nullptr;  // bytes read, counted for a progress line
};

// Reports a read error of the stream once: "Error: reading <name> failed:
// <system message>" at the report's current depth. False when there was
// none.
bool report_read_error(Stream& s, Report& r);

// Sets up `s` to read `fd` from its current position through `buffer`.
void stream_init(Stream& s, int fd, const ReadBuffer& buffer);

// Bytes consumed from the file so far (its logical position).
int64_t stream_tell(const Stream& s);

// A limit that never refuses: a stream read up to its end.
constexpr int64_t kNoLimit = std::numeric_limits<int64_t>::max();

// What a failed read or body lacked: where the data ran out, how many more
// bytes were asked for, and whether it was the end of the file (rather than
// the end of the source: a member's, a picture's) that was met.
struct Shortfall {
  int64_t from = 0;     // where the request began
  int64_t at = 0;       // where the data ran out
  int64_t missing = 0;  // bytes asked for beyond that
  bool file_end = false;
};

struct Source {
  Stream* stream = nullptr;        // bytes come from the stream's position,
  const uint8_t* block = nullptr;  // or, without a stream, from block + pos
  int64_t pos = 0;                 // offset of the next byte
  int64_t limit = kNoLimit;        // bytes the source holds (0: empty)
  int64_t origin = 0;              // the stream's position at offset 0
  const char* name = "File";       // what the source is, when its end is reported
  Shortfall shortfall;             // of the last read or body that failed
  Report* report = nullptr;        // where its errors are reported

  // Where the source's bytes stand in the file: offset 0 is at `base`; or,
  // for bytes held in memory whose positions do not map one to one (a tag
  // with its unsynchronisation undone, a part of such bytes), at `start` of
  // `parent`. `dropped` lists the positions before which a stored byte was
  // dropped.
  int64_t base = 0;
  const Source* parent = nullptr;
  int64_t start = 0;
  const std::vector<uint32_t>* dropped = nullptr;
  // Or, for bytes gathered from places apart in the file (an Ogg packet
  // from the pages it spans): each entry (from, at) says that the bytes
  // from offset `from` of this source on stand at offset `at` of the file,
  // up to the next entry's `from`. Entries go by `from`, the first from 0.
  const std::vector<std::pair<int64_t, int64_t>>* spans = nullptr;

  static Source of_stream(Stream& s, Report* r = nullptr) {
    Source src;
    src.stream = &s;
    src.origin = src.base = stream_tell(s);
    src.report = r;
    return src;
  }
  static Source of_memory(const uint8_t* p, int64_t n, Report* r = nullptr) {
    Source src;
    src.block = p;
    src.limit = n;
    src.report = r;
    return src;
  }

  // `n` bytes at p that were read from this source at offset `at`, held in
  // memory, as a source of their own (an item's content, a picture).
  Source held(const uint8_t* p, int64_t n, int64_t at) const;

  // The offset in the file of the byte at offset `at` of this source.
  int64_t absolute(int64_t at) const;

  int64_t tell() const { return pos; }
  bool bounded() const { return limit != kNoLimit; }

  // What ended a request at the position of which only `held` bytes could
  // be had: this source's own limit (its name) or the file ("File").
  const char* end_name(int64_t held) const { return held >= limit - pos ? name : "File"; }

  // Reads n bytes into dest and moves on. False, with the position
  // unchanged, when the request passes the limit (nothing is read) or the
  // stream ends inside it (the bytes read stay in dest, and are consumed).
  bool read(void* dest, int64_t n);

  // Skips n bytes. The position moves on by n in any case, so that after a
  // failed skip the next read fails too. False after printing "Error:
  // Premature end of file(1)" (the skip passes the limit; nothing is
  // skipped) or "(2)" (the stream ended). n <= 0 skips nothing.
  bool skip(int64_t n);

  // Reads a body of n bytes whose size the input only claims, as read()
  // into `body`. Nothing beyond what the source can still supply is
  // allocated: a larger claim fails at once, consuming the rest of the
  // stream as a read that meets the end would; from a pipe the body grows
  // as its bytes arrive.
  bool body(std::vector<uint8_t>& body, int64_t n);

  // Reads up to n bytes into `bytes`, as many as the source still holds, and
  // moves on by their number, which it returns.
  int64_t read_upto(std::vector<uint8_t>& bytes, int64_t n);

  // Moves over n bytes that the input claims, as read() would take them but
  // without copying them anywhere. False, with the shortfall set, when the
  // source cannot supply them all.
  bool pass(int64_t n);

  // Moves on to the next byte equal to `byte`, without reading it: returns
  // the number of bytes passed, with *found set, handing each buffered span
  // passed to `seen` (with `context`) when given. When the source ends
  // first, everything up to there is passed and *found is false.
  int64_t scan(uint8_t byte, bool* found, void (*seen)(void* context, const uint8_t*, size_t) = nullptr,
               void* context = nullptr);

  // The next n bytes (at most kLookahead), or as many as the source still
  // holds, in one piece: their address, with their number in *avail.
  // Nothing is consumed, so that a walker chosen by them reads them again.
  const uint8_t* look(int64_t n, int64_t* avail);

  // The bytes at the position that can be looked at without another
  // refill (a stream's buffer is filled first when it is empty), bounded by
  // the limit: their address, with their number in *avail (0 at the end).
  // Nothing is consumed; the walker skips what it has looked over.
  const uint8_t* peek(int64_t* avail);

  // How many bytes the source can still supply: up to the limit, and for a
  // regular file up to its end. kNoLimit when nothing bounds it (a pipe).
  int64_t left() const;

  // The next n bytes, or as many of them as the source still holds, as a
  // source of their own (an archive member, named "Member"), read in place.
  Source sub(int64_t n) const;

  // Bytes this source has taken from its stream or block so far: of a
  // stream, after a read that failed at its end, more than the position
  // says; of a block, all of it once a skip has passed its end.
  int64_t consumed() const;

  // Whether bytes can be read at any offset (read_at): memory and regular
  // files can, a pipe cannot.
  bool positioned() const { return stream == nullptr || stream->regular; }

  // Up to n bytes at offset `at` into dest, for formats whose parts stand
  // anywhere (TIFF directories, often after the image data), without moving
  // the position or the stream: a copy from memory, pread() from a regular
  // file. Returns how many were read: fewer at the limit or the file's end
  // (or on a read error, which is reported), -1 when the source is not
  // positioned().
  int64_t read_at(int64_t at, void* dest, int64_t n) const;

  // Moves the position over n bytes that a sub-source has taken.
  void took(int64_t n) { pos += n; }

  // After a read or body for `item` failed for want of bytes, reports
  // where, as "Error: File ends inside the <item> at offset N: M more bytes
  // expected" (the source's own name instead of "File" when its limit, not
  // the file, ended it). With `first`, the request was the item's first, so
  // that a source that held no byte of it at all ended between items and
  // nothing is said.
  void ended_inside(const char* item, bool first = false) const;

 private:
  bool short_of(int64_t n, int64_t got, bool file_end);
  bool supplies(int64_t n);
  bool read_any(void* dest, int64_t n);
  bool skip_any(int64_t n);
  bool pass_any(int64_t n);
  // Whether the next n bytes (n > 0) stand in the stream's buffer, within
  // the limit.
  bool buffered(int64_t n) const {
    return stream != nullptr && n > 0 && static_cast<uint64_t>(n) <= stream->end - stream->pos && n <= limit - pos;
  }
  int64_t fetch(uint8_t* dest, int64_t n);
  void premature(int which, int64_t from) const;
};

// Reads, skips and passes within the stream's buffer, the case of almost
// every request, are handled here without a call.
inline bool Source::read(void* dest, int64_t n) {
  if (buffered(n)) {
    memcpy(dest, stream->buf + stream->pos, static_cast<size_t>(n));
    stream->pos += static_cast<size_t>(n);
    pos += n;
    return true;
  }
  return read_any(dest, n);
}

// Reports a shortfall as ended_inside does, with the name of what ended
// (`source`) and the offset in `src` given.
void report_end(const Source& src, const char* source, const char* item, int64_t at, uint64_t missing);

inline bool Source::skip(int64_t n) {
  if (buffered(n)) {
    stream->pos += static_cast<size_t>(n);
    pos += n;
    return true;
  }
  return skip_any(n);
}

inline bool Source::pass(int64_t n) { return buffered(n) ? skip(n) : pass_any(n); }

}  // namespace tagdelve
