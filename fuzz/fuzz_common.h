// Shared driver for the fuzz targets: the first input byte chooses the
// verbosity, the kind of source, the stream's buffer size, whether the
// stream is a pipe or a regular file, and the options --utf8 and --detect;
// the rest is the file. The report goes
// to /dev/null.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "common/output.h"
#include "common/printers.h"
#include "common/source.h"
#include "front/dispatch.h"
#include "support/fds.h"

namespace fuzz {


inline FILE* null_out() {
  static FILE* f = fopen("/dev/null", "w");
  return f;
}

// Walks the input as a file whose name has the extension `ext`.
inline void run(const char* ext, const uint8_t* data, size_t size) {
  if (size < 1) return;
  uint8_t mode = data[0];
  std::vector<uint8_t> file(data + 1, data + size);
  tagdelve::out = null_out();
  tagdelve::err_out = null_out();
  tagdelve::verbose = mode % 3;
  tagdelve::indent = -1;
  // The last bits: texts as UTF-8 (--utf8), and a name without an extension
  // so that the walker is chosen by content (--detect).
  tagdelve::utf8_text = (mode / 72) % 2 == 1;
  tagdelve::detect_content = (mode / 144) % 2 == 1;
  const std::string name = tagdelve::detect_content ? std::string("fuzz") : std::string("fuzz.") + ext;
  int kind = (mode / 3) % 3;
  const size_t buffers[] = {1, 7, 4096, tagdelve::kStreamBuffer};
  static tagdelve::ReadBuffer* read_buffers[4];
  size_t b = (mode / 9) % 4;
  // Tiny buffers cost a system call every few bytes: only small inputs get
  // them, larger ones the 4 KiB buffer.
  if (b < 2 && size > 2048) b = 2;
  if (read_buffers[b] == nullptr) read_buffers[b] = new tagdelve::ReadBuffer(buffers[b]);
  int64_t n = static_cast<int64_t>(file.size());
  if (kind == 0) {
    // A block of memory, as an embedded picture is walked.
    tagdelve::Source src = tagdelve::Source::of_memory(file.data(), n);
    tagdelve::process_file(name, src);
    return;
  }
  // A stream, from a regular file or a pipe: without a limit (a file on its
  // own) or under one (an archive member, followed by more bytes that must
  // not be read).
  bool pipe = (mode / 36) % 2 == 1;
  int fd = pipe ? test::pipe_holding(file) : -1;
  if (fd < 0) fd = test::file_holding(file);
  if (fd < 0) return;
  tagdelve::Stream s;
  tagdelve::stream_init(s, fd, *read_buffers[b]);
  tagdelve::Source src = tagdelve::Source::of_stream(s);
  if (kind == 2) src = src.sub(n - n / 4);
  tagdelve::process_file(name, src);
  close(fd);
}

}  // namespace fuzz
