// Runs report-producing code against memory streams and returns the text.
#pragma once

#include <csignal>
#include <cstdint>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "common/output.h"
#include "common/source.h"
#include "front/dispatch.h"
#include "support/fds.h"

namespace test {

// Points the report (or, given tagdelve::err_out, the command-line messages)
// at a memory stream for its lifetime; text() returns what was written so far.
class Capture {
 public:
  explicit Capture(FILE*& target = tagdelve::out) : target_(target), saved_(target) {
    f_ = open_memstream(&buf_, &len_);
    point(f_);
  }
  ~Capture() {
    point(saved_);
    fclose(f_);
    free(buf_);
  }
  std::string text() {
    fflush(f_);
    return std::string(buf_, len_);
  }
  Capture(const Capture&) = delete;
  Capture& operator=(const Capture&) = delete;

 private:
  void point(FILE* f) {
    if (&target_ == &tagdelve::out)
      tagdelve::set_report_stream(f);
    else
      target_ = f;
  }
  FILE*& target_;
  FILE* saved_;
  FILE* f_;
  char* buf_ = nullptr;
  size_t len_ = 0;
};

// The command-line messages (stderr).
struct CaptureErr : Capture {
  CaptureErr() : Capture(tagdelve::err_out) {}
};

// A Stream over `bytes`, read through a pipe (by default, as from another
// program: its size unknown, no seeking) or a regular file, with a read
// buffer of `buffer` bytes (small ones make reads cross refills).
class MemStream {
 public:
  enum Kind { kPipe, kFile };
  explicit MemStream(const std::vector<uint8_t>& bytes, size_t buffer = tagdelve::kStreamBuffer,
                     Kind kind = kPipe)
      : buffer_(buffer) {
    fd_ = kind == kFile ? file_holding(bytes) : pipe_holding(bytes);
    if (fd_ < 0 && kind == kPipe) fd_ = fed_pipe(bytes);
    if (fd_ < 0) abort();
    tagdelve::stream_init(stream_, fd_, buffer_);
  }
  ~MemStream() {
    close(fd_);  // a writer still at work then fails and ends
    if (writer_.joinable()) writer_.join();
  }
  tagdelve::Stream* get() { return &stream_; }
  // The stream as a source: read to its end, or (an archive member) as a
  // source of `limit` bytes.
  tagdelve::Source source() { return tagdelve::Source::of_stream(stream_); }
  tagdelve::Source source(int64_t limit) { return source().sub(limit); }
  long position() { return static_cast<long>(tagdelve::stream_tell(stream_)); }
  MemStream(const MemStream&) = delete;
  MemStream& operator=(const MemStream&) = delete;

 private:
  // A pipe too small for the bytes: a thread writes them as they are read.
  int fed_pipe(const std::vector<uint8_t>& bytes) {
    int p[2];
    if (pipe2(p, O_CLOEXEC) != 0) return -1;
    signal(SIGPIPE, SIG_IGN);
    writer_ = std::thread([fd = p[1], data = bytes] {
      size_t done = 0;
      while (done < data.size()) {
        ssize_t n = write(fd, data.data() + done, data.size() - done);
        if (n <= 0) break;
        done += static_cast<size_t>(n);
      }
      close(fd);
    });
    return p[0];
  }

  tagdelve::ReadBuffer buffer_;
  int fd_;
  std::thread writer_;
  tagdelve::Stream stream_;
};

// Sets verbose and indent for one test and restores them afterwards.
struct Levels {
  int32_t v, i;
  Levels(int32_t verbose, int32_t indent) : v(tagdelve::verbose), i(tagdelve::indent) {
    tagdelve::verbose = verbose;
    tagdelve::indent = indent;
  }
  ~Levels() {
    tagdelve::verbose = v;
    tagdelve::indent = i;
  }
};

// The report of `bytes` walked as a file named `name` (its extension picks
// the walker) at depth 0: from a pipe (or a regular file) with a read buffer
// of `buffer` bytes, or from a block of memory when `buffer` is 0.
inline std::string walk_as(const std::string& name, const std::vector<uint8_t>& bytes, int verbose,
                           size_t buffer = 0, MemStream::Kind kind = MemStream::kPipe) {
  Levels lv(verbose, -1);
  Capture cap;
  if (buffer == 0) {
    tagdelve::Source src = tagdelve::Source::of_memory(bytes.data(), static_cast<int64_t>(bytes.size()));
    tagdelve::process_file(name, src);
  } else {
    MemStream ms(bytes, buffer, kind);
    tagdelve::Source src = ms.source();
    tagdelve::process_file(name, src);
  }
  return cap.text();
}

}  // namespace test

