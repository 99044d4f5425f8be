// The source reader. A walker reads its source, a buffered stream or a block
// of memory under a length limit, through vfgetm (read) and vfdump (skip),
// keeping its own running offset from 0 at the source's first byte.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace tagdelve {

constexpr size_t kStreamBuffer = 256 * 1024;
constexpr size_t kPage = 4096;

// The read buffer of a run: one block aligned to a page (read() from the
// page cache into an unaligned destination can cost several times as much),
// allocated once and reused by the stream of every file.
class ReadBuffer {
 public:
  explicit ReadBuffer(size_t size = kStreamBuffer);
  ~ReadBuffer();
  ReadBuffer(const ReadBuffer&) = delete;
  ReadBuffer& operator=(const ReadBuffer&) = delete;
  uint8_t* data() const { return data_; }
  size_t size() const { return size_; }

 private:
  uint8_t* data_;
  size_t size_;
};

// A forward-only reader over an open file descriptor, through a ReadBuffer.
// An archive member is read in place through the archive's Stream.
struct Stream {
  int fd = -1;
  uint8_t* buf = nullptr;  // the run's read buffer
  size_t cap = 0;          // its size
  size_t pos = 0;          // next unread byte in buf
  size_t end = 0;          // end of the bytes held in buf
  int64_t file_pos = 0;    // position in the file just after buf[end - 1]
  bool at_eof = false;
  bool regular = false;    // a regular file: its size is known and skips may seek
  int64_t file_size = 0;
  bool after_ff = false;   // the last byte read under unsync was 0xFF
};

// Sets up `s` to read `fd` from its current position through `buffer`.
void stream_init(Stream& s, int fd, const ReadBuffer& buffer);

// Bytes consumed from the underlying file so far (its logical position).
int64_t stream_tell(const Stream& s);

// ID3v2 unsynchronisation: while `unsync` is set, stream reads drop a 0x00
// that directly follows a 0xFF and count it in `ulost`.
extern int16_t unsync;
extern int64_t ulost;

// Reads `count` bytes into dest. Returns count, or -1 when the request passes
// the limit (nothing is read) or the stream ends inside it (the bytes read so
// far stay in dest). A limit of 0 means no limit for a stream; a memory block
// (stream == nullptr) always has its length as the limit.
inline int64_t vfgetm(void* dest, int64_t count, Stream* stream, const uint8_t* block,
                      int64_t offset, int64_t limit);

// Skips `count` bytes. Returns count, or -1 after printing
// "Error: Premature end of file(1)" (request passes the limit, nothing is
// skipped) or "Error: Premature end of file(2)" (the stream ended).
inline int64_t vfdump(int64_t count, Stream* stream, const uint8_t* block,
                      int64_t offset, int64_t limit);

// How many bytes the source can still supply: limit minus offset, bounded by
// the bytes left in a regular file. INT64_MAX when nothing bounds it (a pipe
// without a limit).
int64_t source_left(const Stream* stream, const uint8_t* block, int64_t offset,
                    int64_t limit);

// Reads a body of `count` bytes whose size the input only claims. Behaves as
// vfgetm into a buffer of exactly `count` bytes, but never allocates more than
// the source can still supply: a body larger than that fails (-1) without
// being allocated, consuming the rest of a stream just as a read that meets
// the end would.
int64_t vfget_body(std::vector<uint8_t>& body, int64_t count, Stream* stream,
                   const uint8_t* block, int64_t offset, int64_t limit);

// Skips to the next byte equal to `byte`, without reading that byte: consumes
// the bytes before it and returns their number, with *found set. When the
// source ends (or its limit is reached) first, everything up to there is
// consumed and *found is false. The search runs over the stream's buffer (or
// the memory block) with memchr. Like vfdump, it never applies
// unsynchronisation.
int64_t vfscan(uint8_t byte, bool* found, Stream* stream, const uint8_t* block, int64_t offset,
               int64_t limit);

// The bytes that can be read at `offset` without another refill, for a
// walker that looks over many bytes at once: returns their address and sets
// *avail to their number, bounded by the limit (0 at the end of the source).
// A stream's buffer is filled first when it is empty. Nothing is consumed:
// the walker skips what it has looked over with vfdump. Like vfscan, it never
// applies unsynchronisation.
const uint8_t* vfpeek(int64_t* avail, Stream* stream, const uint8_t* block, int64_t offset,
                      int64_t limit);

// The general cases of vfgetm and vfdump: memory blocks, refills, seeks,
// unsynchronisation, limits and errors.
int64_t vfgetm_any(void* dest, int64_t count, Stream* stream, const uint8_t* block,
                   int64_t offset, int64_t limit);
int64_t vfdump_any(int64_t count, Stream* stream, const uint8_t* block, int64_t offset,
                   int64_t limit);

// True when `count` (> 0) bytes are in the stream's buffer and within the
// limit: the case of almost every read and skip, handled without a call.
inline bool stream_holds(int64_t count, const Stream* stream, int64_t offset, int64_t limit) {
  return stream != nullptr && count > 0 &&
         static_cast<uint64_t>(count) <= stream->end - stream->pos &&
         (limit == 0 || count <= limit - offset);
}

inline int64_t vfgetm(void* dest, int64_t count, Stream* stream, const uint8_t* block,
                      int64_t offset, int64_t limit) {
  if (unsync == 0 && stream_holds(count, stream, offset, limit)) {
    memcpy(dest, stream->buf + stream->pos, static_cast<size_t>(count));
    stream->pos += static_cast<size_t>(count);
    stream->after_ff = false;
    return count;
  }
  return vfgetm_any(dest, count, stream, block, offset, limit);
}

inline int64_t vfdump(int64_t count, Stream* stream, const uint8_t* block, int64_t offset,
                      int64_t limit) {
  if (stream_holds(count, stream, offset, limit)) {
    stream->pos += static_cast<size_t>(count);
    stream->after_ff = false;
    return count;
  }
  return vfdump_any(count, stream, block, offset, limit);
}

}  // namespace tagdelve
