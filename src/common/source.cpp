#include "common/source.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <new>

#include <algorithm>
#include <cstring>
#include <limits>

#include "common/output.h"

namespace tagdelve {

int16_t unsync = 0;
int64_t ulost = 0;

ReadBuffer::ReadBuffer(size_t size) : size_(size < 1 ? 1 : size) {
  size_t rounded = (size_ + kPage - 1) / kPage * kPage;
  data_ = static_cast<uint8_t*>(::operator new(rounded, std::align_val_t{kPage}));
}

ReadBuffer::~ReadBuffer() { ::operator delete(data_, std::align_val_t{kPage}); }

void stream_init(Stream& s, int fd, const ReadBuffer& buffer) {
  s = Stream{};
  s.fd = fd;
  s.buf = buffer.data();
  s.cap = buffer.size();
  off_t at = lseek(fd, 0, SEEK_CUR);
  s.file_pos = at > 0 ? at : 0;
  struct stat st;
  if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && at >= 0) {
    s.regular = true;
    s.file_size = st.st_size;
  }
}

int64_t stream_tell(const Stream& s) {
  return s.file_pos - static_cast<int64_t>(s.end - s.pos);
}

// Fills the buffer when it is empty, always from its first byte; false at
// the end of the stream. A read error ends the stream as its end does.
static bool refill(Stream& s) {
  if (s.pos < s.end) return true;
  if (s.at_eof) return false;
  ssize_t n;
  do {
    n = read(s.fd, s.buf, s.cap);
  } while (n < 0 && errno == EINTR);
  if (n <= 0) {
    s.at_eof = true;
    return false;
  }
  s.pos = 0;
  s.end = static_cast<size_t>(n);
  s.file_pos += n;
  return true;
}

// Moves the file position on by n bytes (past the buffered ones).
static bool seek_over(Stream& s, int64_t n) {
  if (lseek(s.fd, static_cast<off_t>(n), SEEK_CUR) < 0) return false;
  s.file_pos += n;
  return true;
}

// Consumes everything the stream still holds.
static void drain(Stream& s) {
  s.pos = s.end;
  s.after_ff = false;
  if (s.regular && !s.at_eof && s.file_size > s.file_pos) seek_over(s, s.file_size - s.file_pos);
  while (refill(s)) s.pos = s.end;
}

static bool past_limit(int64_t count, int64_t offset, int64_t limit) {
  return count > limit - offset;
}

int64_t vfgetm_any(void* dest, int64_t count, Stream* stream, const uint8_t* block,
                   int64_t offset, int64_t limit) {
  if (count < 0) return -1;
  if (stream == nullptr) {
    if (offset < 0 || past_limit(count, offset, limit)) return -1;
    if (count > 0) memcpy(dest, block + offset, static_cast<size_t>(count));
    return count;
  }
  if (limit != 0 && past_limit(count, offset, limit)) return -1;
  Stream& s = *stream;
  auto* d = static_cast<uint8_t*>(dest);
  int64_t need = count;
  if (!unsync) {
    s.after_ff = false;
    while (need > 0) {
      if (!refill(s)) return -1;
      size_t n = static_cast<size_t>(std::min<int64_t>(need, static_cast<int64_t>(s.end - s.pos)));
      memcpy(d, s.buf + s.pos, n);
      s.pos += n;
      d += n;
      need -= static_cast<int64_t>(n);
    }
    return count;
  }
  // Every dropped byte costs one more stored byte: under a limit, the
  // stored bytes must stay inside it too.
  int64_t room = limit != 0 ? limit - offset : std::numeric_limits<int64_t>::max();
  while (need > 0) {
    if (room-- <= 0 || !refill(s)) return -1;
    uint8_t b = s.buf[s.pos++];
    if (s.after_ff && b == 0) {
      s.after_ff = false;
      ++ulost;
      continue;
    }
    s.after_ff = (b == 0xFF);
    *d++ = b;
    --need;
  }
  return count;
}

int64_t vfdump_any(int64_t count, Stream* stream, const uint8_t* /*block*/, int64_t offset,
                   int64_t limit) {
  if ((limit != 0 || stream == nullptr) && past_limit(count, offset, limit)) {
    outs("Error: Premature end of file(1)\n");
    return -1;
  }
  if (count <= 0 || stream == nullptr) return count;
  Stream& s = *stream;
  s.after_ff = false;
  int64_t need = count;
  size_t take = static_cast<size_t>(std::min<int64_t>(need, static_cast<int64_t>(s.end - s.pos)));
  s.pos += take;
  need -= static_cast<int64_t>(take);
  if (need >= static_cast<int64_t>(s.cap) && s.regular && !s.at_eof) {
    // Seek over what is inside the file; the end is then met by reading, as a
    // byte-by-byte skip would meet it. A skip shorter than the buffer is read
    // through instead: the next refill brings those bytes anyway, and a seek
    // would cost two more system calls for an unaligned read.
    int64_t inside = std::min(need, s.file_size - s.file_pos);
    if (inside > 0 && seek_over(s, inside)) need -= inside;
  }
  while (need > 0) {
    if (!refill(s)) {
      outs("Error: Premature end of file(2)\n");
      return -1;
    }
    size_t n = static_cast<size_t>(std::min<int64_t>(need, static_cast<int64_t>(s.end - s.pos)));
    s.pos += n;
    need -= static_cast<int64_t>(n);
  }
  return count;
}

int64_t source_left(const Stream* stream, const uint8_t* /*block*/, int64_t offset,
                    int64_t limit) {
  int64_t left = std::numeric_limits<int64_t>::max();
  if (stream == nullptr || limit != 0) left = limit - offset;
  if (stream != nullptr && stream->regular)
    left = std::min(left, stream->file_size - stream_tell(*stream));
  return left < 0 ? 0 : left;
}

int64_t vfget_body(std::vector<uint8_t>& body, int64_t count, Stream* stream,
                   const uint8_t* block, int64_t offset, int64_t limit) {
  body.clear();
  if (count < 0) return -1;
  int64_t left = source_left(stream, block, offset, limit);
  if (count > left) {
    // Refused by the limit: nothing is read. Otherwise the stream would end
    // inside the body: consume what is left, as the failed read would.
    if (stream != nullptr && !(limit != 0 && past_limit(count, offset, limit))) drain(*stream);
    return -1;
  }
  // A block of memory or a regular file holds what it claims to; otherwise
  // (a pipe, even under a limit taken from the input) the body grows only as
  // its bytes arrive, so no claim is allocated ahead of its data.
  if (stream == nullptr || stream->regular) {
    body.resize(static_cast<size_t>(count));
    return vfgetm(body.data(), count, stream, block, offset, limit);
  }
  const int64_t lost_before = ulost;
  int64_t done = 0;
  while (done < count) {
    int64_t n = std::min(std::max<int64_t>(done, 64 * 1024), count - done);
    body.resize(static_cast<size_t>(done + n));
    // Bytes dropped by unsynchronisation so far were consumed too.
    int64_t at = offset + done + (ulost - lost_before);
    if (vfgetm(body.data() + done, n, stream, block, at, limit) < 0) return -1;
    done += n;
  }
  return count;
}

const uint8_t* vfpeek(int64_t* avail, Stream* stream, const uint8_t* block, int64_t offset,
                      int64_t limit) {
  *avail = 0;
  if (stream == nullptr) {
    if (block == nullptr || offset < 0 || offset >= limit) return block;
    *avail = limit - offset;
    return block + offset;
  }
  Stream& s = *stream;
  if (!refill(s)) return s.buf + s.pos;
  int64_t n = static_cast<int64_t>(s.end - s.pos);
  if (limit != 0) n = std::min(n, limit - offset);
  *avail = n < 0 ? 0 : n;
  return s.buf + s.pos;
}

int64_t vfscan(uint8_t byte, bool* found, Stream* stream, const uint8_t* block, int64_t offset,
               int64_t limit) {
  *found = false;
  if (stream == nullptr) {
    if (block == nullptr || offset < 0 || offset >= limit) return 0;
    const uint8_t* from = block + offset;
    size_t avail = static_cast<size_t>(limit - offset);
    const void* hit = memchr(from, byte, avail);
    if (hit == nullptr) return static_cast<int64_t>(avail);
    *found = true;
    return static_cast<const uint8_t*>(hit) - from;
  }
  int64_t avail = std::numeric_limits<int64_t>::max();
  if (limit != 0) avail = limit - offset;
  Stream& s = *stream;
  s.after_ff = false;
  int64_t n = 0;
  while (n < avail && refill(s)) {
    size_t chunk = static_cast<size_t>(std::min<int64_t>(avail - n, static_cast<int64_t>(s.end - s.pos)));
    const uint8_t* from = s.buf + s.pos;
    const void* hit = memchr(from, byte, chunk);
    if (hit != nullptr) {
      size_t k = static_cast<size_t>(static_cast<const uint8_t*>(hit) - from);
      s.pos += k;
      *found = true;
      return n + static_cast<int64_t>(k);
    }
    s.pos += chunk;
    n += static_cast<int64_t>(chunk);
  }
  return n;
}

}  // namespace tagdelve
