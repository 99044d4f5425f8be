// An RF64 file whose data chunk holds 5 GiB, held as a sparse file: its size
// stands in the ds64 chunk only, and the chunk after it at an offset past
// 2^32. Every other WAV and AIFF case is a committed input with its
// reference report (tests/cases/make_wav.py, make_aiff.py).
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "support/bytes.h"
#include "support/run.h"

namespace {

TEST(Rf64, DataOfFiveGibibytes) {
  const uint64_t data = 5ULL << 30;
  test::Bytes head;
  head.str("RF64").le32(0xFFFFFFFF).str("WAVE").str("ds64").le32(28).le64(4 + 36 + 24 + 8 + data + 10);
  head.le64(data).le64(data / 2).le32(0);
  head.str("fmt ").le32(16).le16(1).le16(1).le32(8000).le32(16000).le16(2).le16(16);
  head.str("data").le32(0xFFFFFFFF);
  const std::string dir = test::temp_dir(), path = dir + "/huge.wav";
  bool written;
  {
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<const char*>(head.data()), static_cast<std::streamsize>(head.size()));
    f.seekp(static_cast<std::streamoff>(head.size() + data));  // a hole: no blocks on disk
    f.write("JUNK\2\0\0\0ab", 10);
    written = f.good();
  }
  const test::RunResult r = written ? test::run_tool({"-v", "-v", path}) : test::RunResult{};
  std::system(("rm -rf " + test::shell_quote(dir)).c_str());
  if (!written) GTEST_SKIP() << "no room for a sparse 5 GiB file here";
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("\tOffset 72, Size: 5368709120 (ds64)\n\tdata chunk [Audio data]\n"
                       "\t\tAudio: 5368709120 bytes, 2684354560 sample frames, 335544.320 seconds\n"
                       "\tOffset 5368709200, Size: 2\n\tJUNK chunk [Filler]\nWAV file end\n"),
            std::string::npos)
      << r.out;
}

}  // namespace
