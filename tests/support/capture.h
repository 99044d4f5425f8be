// Runs report-producing code against memory streams and returns the text.
#pragma once

#include <csignal>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "common/report.h"
#include "common/source.h"
#include "front/dispatch.h"
#include "support/fds.h"

namespace test {

// A report written to memory, for one test: `r` writes its text (and its
// command-line messages, on `err`) into strings that text() and errors()
// return.
class Captured {
 public:
  explicit Captured(int32_t verbose = 0, int32_t indent = -1, tagdelve::Settings s = {}) {
    out_ = open_memstream(&out_buf_, &out_len_);
    err_ = open_memstream(&err_buf_, &err_len_);
    s.verbose = verbose;
    r = std::make_unique<tagdelve::Report>(s, out_, err_);
    r->dispatch = tagdelve::dispatch();
    r->indent = indent;
  }
  ~Captured() {
    r.reset();
    fclose(out_);
    fclose(err_);
    free(out_buf_);
    free(err_buf_);
  }
  tagdelve::Report& report() { return *r; }
  std::string text() {
    fflush(out_);
    return std::string(out_buf_, out_len_);
  }
  std::string errors() {
    fflush(err_);
    return std::string(err_buf_, err_len_);
  }
  Captured(const Captured&) = delete;
  Captured& operator=(const Captured&) = delete;

  std::unique_ptr<tagdelve::Report> r;

 private:
  FILE* out_;
  FILE* err_;
  char* out_buf_ = nullptr;
  char* err_buf_ = nullptr;
  size_t out_len_ = 0;
  size_t err_len_ = 0;
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
  // The stream as a source, reporting to `r`: read to its end, or (an
  // archive member) as a source of `limit` bytes.
  tagdelve::Source source(tagdelve::Report* r = nullptr) { return tagdelve::Source::of_stream(stream_, r); }
  tagdelve::Source source(int64_t limit, tagdelve::Report* r = nullptr) { return source(r).sub(limit); }
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

// The report of `bytes` walked as a file named `name` (its extension picks
// the walker) at depth 0: from a pipe (or a regular file) with a read buffer
// of `buffer` bytes, or from a block of memory when `buffer` is 0.
inline std::string walk_as(const std::string& name, const std::vector<uint8_t>& bytes, int verbose,
                           size_t buffer = 0, MemStream::Kind kind = MemStream::kPipe,
                           tagdelve::Settings settings = {}) {
  Captured cap(verbose, -1, settings);
  if (buffer == 0) {
    tagdelve::Source src = tagdelve::Source::of_memory(bytes.data(), static_cast<int64_t>(bytes.size()), cap.r.get());
    tagdelve::process_file(*cap.r, name, src);
  } else {
    MemStream ms(bytes, buffer, kind);
    tagdelve::Source src = ms.source(cap.r.get());
    tagdelve::process_file(*cap.r, name, src);
  }
  return cap.text();
}

}  // namespace test

