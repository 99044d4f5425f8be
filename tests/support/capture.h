// Runs report-producing code against memory streams and returns the text.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "common/output.h"
#include "common/source.h"

namespace test {

// Points the report (or, given tagdelve::err_out, the command-line messages)
// at a memory stream for its lifetime; text() returns what was written so far.
class Capture {
 public:
  explicit Capture(FILE*& target = tagdelve::out) : target_(target), saved_(target) {
    f_ = open_memstream(&buf_, &len_);
    target_ = f_;
  }
  ~Capture() {
    target_ = saved_;
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

// A Stream over a copy of `bytes`, read through a FILE* from fmemopen.
class MemStream {
 public:
  explicit MemStream(const std::vector<uint8_t>& bytes, size_t buffer = tagdelve::kStreamBuffer)
      : data_(bytes) {
    f_ = data_.empty() ? fopen("/dev/null", "rb") : fmemopen(data_.data(), data_.size(), "rb");
    tagdelve::stream_init(stream_, f_, buffer);
  }
  ~MemStream() { fclose(f_); }
  tagdelve::Stream* get() { return &stream_; }
  long position() { return static_cast<long>(tagdelve::stream_tell(stream_)); }
  MemStream(const MemStream&) = delete;
  MemStream& operator=(const MemStream&) = delete;

 private:
  std::vector<uint8_t> data_;
  FILE* f_;
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

}  // namespace test

