// File descriptors that hold given bytes, for streams in tests and fuzzing:
// a pipe (its size unknown, no seeking, as from another program) or a
// regular file held in memory.
#pragma once

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace test {

// The read end of a pipe that holds `bytes` and whose write end is closed.
// -1 when the pipe cannot hold them all (more than about 1 MiB).
inline int pipe_holding(const std::vector<uint8_t>& bytes) {
  int p[2];
  if (pipe2(p, O_CLOEXEC) != 0) return -1;
  fcntl(p[1], F_SETPIPE_SZ, static_cast<int>(std::max<size_t>(bytes.size(), 4096)));
  fcntl(p[1], F_SETFL, O_NONBLOCK);
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = write(p[1], bytes.data() + done, bytes.size() - done);
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  close(p[1]);
  if (done < bytes.size()) {
    close(p[0]);
    return -1;
  }
  return p[0];
}

// A regular file in memory that holds `bytes`, positioned at its start.
inline int file_holding(const std::vector<uint8_t>& bytes) {
  int fd = memfd_create("tagdelve-test", MFD_CLOEXEC);
  if (fd < 0) return -1;
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  lseek(fd, 0, SEEK_SET);
  return fd;
}

}  // namespace test
