#include "common/source.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

#include "common/printers.h"
#include "common/report.h"

namespace tagdelve {

ReadBuffer::ReadBuffer(size_t size) : size_(size < 1 ? 1 : size) {
  size_t rounded = (size_ + kPage - 1) / kPage * kPage;
  data_ = static_cast<uint8_t*>(::operator new(kLookahead + rounded, std::align_val_t{kPage}));
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

namespace {

// Keeps the errno of a read that failed, and reports it once.
void read_error(Stream& s) {
  s.error = errno != 0 ? errno : EIO;
  if (s.report != nullptr) report_read_error(s, *s.report);
}

// Reads the next bytes of the file into the page-aligned part of the
// buffer; false at the end of the stream. A read error ends the stream as
// its end does.
bool read_more(Stream& s) {
  if (s.at_eof) return false;
  ssize_t n;
  do {
    n = read(s.fd, s.buf + kLookahead, s.cap);
  } while (n < 0 && errno == EINTR);
  if (n <= 0) {
    s.at_eof = true;
    if (n < 0) read_error(s);
    return false;
  }
  s.end = kLookahead + static_cast<size_t>(n);
  s.file_pos += n;
  if (s.progress != nullptr) s.progress->fetch_add(n, std::memory_order_relaxed);
  return true;
}

// Fills the buffer when it is empty; false at the end of the stream.
bool refill(Stream& s) {
  if (s.pos < s.end) return true;
  s.pos = s.end = kLookahead;
  return read_more(s);
}

// Moves the file position on by n bytes, past the buffered ones.
bool seek_over(Stream& s, int64_t n) {
  if (lseek(s.fd, static_cast<off_t>(n), SEEK_CUR) < 0) return false;
  s.file_pos += n;
  return true;
}

// Consumes everything the stream still holds.
void drain(Stream& s) {
  s.pos = s.end;
  if (s.regular && !s.at_eof && s.file_size > s.file_pos) seek_over(s, s.file_size - s.file_pos);
  while (refill(s)) s.pos = s.end;
}

}  // namespace

int64_t Source::fetch(uint8_t* dest, int64_t n) {
  int64_t done = 0;
  while (done < n && refill(*stream)) {
    size_t k = static_cast<size_t>(std::min<int64_t>(n - done, static_cast<int64_t>(stream->end - stream->pos)));
    memcpy(dest + done, stream->buf + stream->pos, k);
    stream->pos += k;
    done += static_cast<int64_t>(k);
  }
  return done;
}

bool Source::short_of(int64_t n, int64_t got, bool file_end) {
  got = std::min(got, kNoLimit - pos);  // a position past every source's end
  shortfall = Shortfall{pos, pos + got, n - got, file_end};
  return false;
}

bool Source::read_any(void* dest, int64_t n) {
  if (n < 0) return short_of(0, 0, false);
  if (n > limit - pos) {
    // Refused: the bytes there were reach up to the limit, or to the end of
    // a regular file that ends first.
    int64_t got = left();
    return short_of(n, got, got < limit - pos);
  }
  if (n == 0) return true;
  if (stream == nullptr) {
    memcpy(dest, block + pos, static_cast<size_t>(n));
  } else if (int64_t got = fetch(static_cast<uint8_t*>(dest), n); got < n) {
    return short_of(n, got, true);
  }
  pos += n;
  return true;
}

bool Source::skip_any(int64_t n) {
  if (n <= 0) return true;
  const int64_t from = pos;
  pos = n < kNoLimit - pos ? pos + n : kNoLimit;
  if (n > limit - from) {
    premature(1, from);
    return false;
  }
  if (stream == nullptr) return true;
  Stream& s = *stream;
  int64_t need = n;
  size_t take = static_cast<size_t>(std::min<int64_t>(need, static_cast<int64_t>(s.end - s.pos)));
  s.pos += take;
  need -= static_cast<int64_t>(take);
  if (need >= static_cast<int64_t>(s.cap) && s.regular && !s.at_eof) {
    // Seek over what is inside the file; the end is then met by reading, as a
    // byte-by-byte skip would meet it. A skip shorter than the buffer is read
    // through instead: the next refill brings those bytes anyway, and a seek
    // would cost two more system calls.
    int64_t inside = std::min(need, s.file_size - s.file_pos);
    if (inside > 0 && seek_over(s, inside)) need -= inside;
  }
  while (need > 0) {
    if (!refill(s)) {
      premature(2, from);
      return false;
    }
    size_t k = static_cast<size_t>(std::min<int64_t>(need, static_cast<int64_t>(s.end - s.pos)));
    s.pos += k;
    need -= static_cast<int64_t>(k);
  }
  return true;
}

int64_t Source::left() const {
  int64_t n = bounded() || stream == nullptr ? limit - pos : kNoLimit;
  if (stream != nullptr && stream->regular) n = std::min(n, stream->file_size - stream_tell(*stream));
  return n < 0 ? 0 : n;
}

bool Source::supplies(int64_t n) {
  const int64_t got = left();
  if (n <= got) return true;
  // Refused by the limit: nothing is read. Otherwise the stream would end
  // inside the claim: consume what is left, as the failed read would.
  const bool file_end = got < limit - pos;
  if (stream != nullptr && n <= limit - pos) drain(*stream);
  return short_of(n, got, file_end);
}

bool Source::body(std::vector<uint8_t>& bytes, int64_t n) {
  bytes.clear();
  if (n < 0) return short_of(0, 0, false);
  if (!supplies(n)) return false;
  const int64_t start = pos;
  if (int64_t got = read_upto(bytes, n); got == n) return true;
  pos = start;  // the stream ended inside the body: consumed, not read
  return short_of(n, static_cast<int64_t>(bytes.size()), true);
}

bool report_read_error(Stream& s, Report& r) {
  if (s.error == 0) return false;
  if (!s.error_reported) r.error(std::string("reading ") + escaped(r, s.name) + " failed: " + strerror(s.error));
  s.error_reported = true;
  return true;
}

// Where a read came short because reading failed, the failure is what is
// reported.
static bool read_failed(const Source& src) {
  return src.stream != nullptr && src.report != nullptr && report_read_error(*src.stream, *src.report);
}

void report_end(const Source& src, const char* source, const char* item, int64_t at, uint64_t missing) {
  if (src.report == nullptr || read_failed(src)) return;
  char m[64];
  snprintf(m, sizeof m, " at offset %lld: %llu more byte%s expected", static_cast<long long>(at),
           static_cast<unsigned long long>(missing), missing == 1 ? "" : "s");
  src.report->error(std::string(source) + " ends inside the " + item + m, &src, at);
}

void Source::ended_inside(const char* item, bool first) const {
  if (shortfall.missing <= 0 || (first && shortfall.at == shortfall.from)) return;
  report_end(*this, shortfall.file_end ? "File" : name, item, shortfall.at,
             static_cast<uint64_t>(shortfall.missing));
}

// "Premature end of file(1)" (a skip past the limit) or "(2)" (the stream
// ended inside the skip), on a line of its own without indentation.
void Source::premature(int which, int64_t from) const {
  if (report == nullptr || read_failed(*this)) return;
  report->error(which == 1 ? "Premature end of file(1)" : "Premature end of file(2)", this, from, false);
}

Source Source::held(const uint8_t* p, int64_t n, int64_t at) const {
  Source h = of_memory(p, n, report);
  if (parent != nullptr || dropped != nullptr || spans != nullptr) {
    h.parent = this;
    h.start = at;
  } else {
    h.base = absolute(at);
  }
  return h;
}

int64_t Source::absolute(int64_t at) const {
  if (spans != nullptr && !spans->empty()) {
    auto after = std::upper_bound(spans->begin(), spans->end(), at,
                                  [](int64_t v, const std::pair<int64_t, int64_t>& s) { return v < s.first; });
    if (after != spans->begin()) --after;
    return after->second + (at - after->first);
  }
  if (dropped != nullptr) at += std::upper_bound(dropped->begin(), dropped->end(), at) - dropped->begin();
  return parent != nullptr ? parent->absolute(start + at) : base + at;
}

int64_t Source::read_upto(std::vector<uint8_t>& bytes, int64_t n) {
  bytes.clear();
  n = std::min(n, left());
  if (n <= 0) return 0;
  if (stream == nullptr) {
    bytes.assign(block + pos, block + pos + n);
  } else if (stream->regular) {
    // A regular file holds what left() says.
    bytes.resize(static_cast<size_t>(n));
    bytes.resize(static_cast<size_t>(fetch(bytes.data(), n)));
  } else {
    // From a pipe the bytes grow as they arrive, so that no claim is
    // allocated ahead of its data.
    int64_t done = 0;
    while (done < n) {
      int64_t k = std::min(std::max<int64_t>(done, 64 * 1024), n - done);
      bytes.resize(static_cast<size_t>(done + k));
      int64_t got = fetch(bytes.data() + done, k);
      done += got;
      if (got < k) break;
    }
    bytes.resize(static_cast<size_t>(done));
  }
  pos += static_cast<int64_t>(bytes.size());
  return static_cast<int64_t>(bytes.size());
}

const uint8_t* Source::look(int64_t n, int64_t* avail) {
  n = std::clamp<int64_t>(std::min(n, limit - pos), 0, static_cast<int64_t>(kLookahead));
  if (stream == nullptr) {
    *avail = n;
    return block + pos;
  }
  // The bytes held are moved into the room before the read area, and the
  // next read appends to them there.
  Stream& s = *stream;
  while (static_cast<int64_t>(s.end - s.pos) < n) {
    const size_t kept = s.end - s.pos;
    memmove(s.buf + kLookahead - kept, s.buf + s.pos, kept);
    s.pos = kLookahead - kept;
    s.end = kLookahead;
    if (!read_more(s)) break;
  }
  *avail = std::min(n, static_cast<int64_t>(s.end - s.pos));
  return s.buf + s.pos;
}

const uint8_t* Source::peek(int64_t* avail) {
  *avail = 0;
  int64_t room = limit - pos;
  if (stream == nullptr) {
    if (room <= 0) return block;
    *avail = room;
    return block + pos;
  }
  Stream& s = *stream;
  if (room <= 0 || !refill(s)) return s.buf + s.pos;
  *avail = std::min(static_cast<int64_t>(s.end - s.pos), room);
  return s.buf + s.pos;
}

bool Source::pass_any(int64_t n) {
  if (n <= 0) return true;
  if (!supplies(n)) return false;
  // Memory and regular files hold what left() said; a pipe may still end.
  if (stream == nullptr || stream->regular) return skip(n);
  const int64_t start = pos;
  for (int64_t done = 0; done < n;) {
    int64_t avail = 0;
    peek(&avail);
    if (avail == 0) {
      pos = start;  // consumed, not read
      return short_of(n, done, true);
    }
    const int64_t k = std::min(avail, n - done);
    skip(k);
    done += k;
  }
  return true;
}

int64_t Source::scan(uint8_t byte, bool* found, void (*seen)(void*, const uint8_t*, size_t), void* context) {
  *found = false;
  int64_t passed = 0;
  for (;;) {
    int64_t avail = 0;
    const uint8_t* from = peek(&avail);
    if (avail == 0) break;
    const void* hit = memchr(from, byte, static_cast<size_t>(avail));
    int64_t k = hit != nullptr ? static_cast<const uint8_t*>(hit) - from : avail;
    if (seen != nullptr) seen(context, from, static_cast<size_t>(k));
    skip(k);
    passed += k;
    if (hit != nullptr) {
      *found = true;
      break;
    }
  }
  return passed;
}

Source Source::sub(int64_t n) const {
  int64_t room = std::max<int64_t>(limit - pos, 0);
  n = std::clamp<int64_t>(n, 0, room);
  if (stream == nullptr) {
    Source member = held(block + pos, n, pos);
    member.name = "Member";
    return member;
  }
  Source member = of_stream(*stream, report);
  member.limit = n;
  member.name = "Member";
  return member;
}

int64_t Source::read_at(int64_t at, void* dest, int64_t n) const {
  if (!positioned()) return -1;
  if (at < 0 || n <= 0 || at >= limit) return 0;
  n = std::min(n, limit - at);
  if (stream == nullptr) {
    memcpy(dest, block + at, static_cast<size_t>(n));
    return n;
  }
  const int64_t in_file = stream->file_size - origin;  // bytes from offset 0 to the file's end
  if (at >= in_file) return 0;
  n = std::min(n, in_file - at);
  int64_t done = 0;
  while (done < n) {
    const ssize_t k = pread(stream->fd, static_cast<uint8_t*>(dest) + done, static_cast<size_t>(n - done),
                            static_cast<off_t>(origin + at + done));
    if (k < 0 && errno == EINTR) continue;
    if (k < 0) read_error(*stream);  // not the file's end: reported as what it is
    if (k <= 0) break;
    done += k;
  }
  return done;
}

int64_t Source::consumed() const {
  if (stream != nullptr) return stream_tell(*stream) - origin;
  return std::clamp<int64_t>(pos, 0, limit);
}

}  // namespace tagdelve
