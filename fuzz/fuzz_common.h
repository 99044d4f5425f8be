// Shared driver for the fuzz targets: the first input byte chooses the
// verbosity, the kind of source, the stream's buffer size, whether the
// stream is a pipe or a regular file, the options --utf8 (with --all-ifds)
// and --detect, and (when the byte has an odd number of bits set) --json;
// the rest is the file. A text report goes to /dev/null; a JSON one is kept
// and must be JSON Lines that parse, or the run aborts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/report.h"
#include "common/source.h"
#include "front/dispatch.h"
#include "json_check.h"
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
  tagdelve::Settings settings;
  settings.verbose = mode % 3;
  // The last bits: texts as UTF-8 (--utf8), and a name without an extension
  // so that the walker is chosen by content (--detect).
  settings.utf8 = (mode / 72) % 2 == 1;
  settings.all_ifds = settings.utf8;  // no bit is left for it alone
  settings.detect = (mode / 144) % 2 == 1;
  if (__builtin_parity(mode)) settings.mode = tagdelve::Mode::json;
  const std::string name = settings.detect ? std::string("fuzz") : std::string("fuzz.") + ext;
  char* json = nullptr;
  size_t json_size = 0;
  FILE* out = settings.mode == tagdelve::Mode::json ? open_memstream(&json, &json_size) : null_out();
  {
    tagdelve::Report r(settings, out, null_out());
    r.dispatch = tagdelve::dispatch();
    r.begin_file(name, static_cast<int64_t>(file.size()));
    int kind = (mode / 3) % 3;
    const size_t buffers[] = {1, 7, 4096, tagdelve::kStreamBuffer};
    static tagdelve::ReadBuffer* read_buffers[4];
    size_t b = (mode / 9) % 4;
    // Tiny buffers cost a system call every few bytes: only small inputs get
    // them, larger ones the 4 KiB buffer.
    if (b < 2 && size > 2048) b = 2;
    if (read_buffers[b] == nullptr) read_buffers[b] = new tagdelve::ReadBuffer(buffers[b]);
    int64_t n = static_cast<int64_t>(file.size());
    int fd = -1;
    tagdelve::Stream s;
    tagdelve::Source src;
    if (kind == 0) {
      // A block of memory, as an embedded picture is walked.
      src = tagdelve::Source::of_memory(file.data(), n, &r);
    } else {
      // A stream, from a regular file or a pipe: without a limit (a file on
      // its own) or under one (an archive member, followed by more bytes
      // that must not be read).
      bool pipe = (mode / 36) % 2 == 1;
      fd = pipe ? test::pipe_holding(file) : -1;
      if (fd < 0) fd = test::file_holding(file);
      if (fd < 0) abort();
      tagdelve::stream_init(s, fd, *read_buffers[b]);
      src = tagdelve::Source::of_stream(s, &r);
      if (kind == 2) src = src.sub(n - n / 4);
    }
    tagdelve::process_file(r, name, src);
    r.end_file();
    r.flush_output();
    if (fd >= 0) close(fd);
  }
  if (out == null_out()) return;
  fclose(out);
  const std::string text(json, json_size);
  free(json);
  if (!JsonCheck(text).lines()) {
    fprintf(stderr, "not JSON Lines:\n%s\n", text.c_str());
    abort();
  }
}

}  // namespace fuzz
