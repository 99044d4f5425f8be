// Members of 9 GiB, held as sparse files: GNU tar writes such a size in
// base-256, POSIX (pax) tar as a size record of an extended header. The
// headers are GNU tar's own, for a sparse file of 9 GiB; the member's data is
// a hole, and an MP3 member follows it, whose header stands past 2^33. Every
// other archive case is a committed input with its reference report
// (tests/cases/make_tar.py).
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "support/run.h"

namespace {

constexpr long long kSize = 9LL << 30;

// A ustar header for `name` of `octal_size`, with its checksum.
std::string header(const std::string& name, const std::string& octal_size) {
  std::string h(512, '\0');
  h.replace(0, name.size(), name);
  h.replace(124, octal_size.size(), octal_size);
  h[156] = '0';
  h.replace(257, 8, std::string("ustar\0" "00", 8));
  h.replace(148, 8, "        ");
  unsigned sum = 0;
  for (unsigned char c : h) sum += c;
  char field[8];
  snprintf(field, sizeof field, "%06o", sum);
  h.replace(148, 7, std::string(field, 7));
  return h;
}

TEST(TarHuge, MembersOfNineGibibytes) {
  const std::string dir = test::temp_dir();
  // An MPEG-1 layer III frame, 128 kbit/s at 44100 Hz: 417 bytes.
  const std::string frame = std::string("\xFF\xFB\x90\x64", 4) + std::string(413, '\0');
  for (const char* format : {"gnu", "pax"}) {
    SCOPED_TRACE(format);
    const std::string path = dir + "/huge-" + format + ".tar";
    const std::string headers = dir + "/head";
    // GNU tar's headers for a sparse file of 9 GiB: the blocks before its data.
    const std::string make = "cd " + dir + " && truncate -s " + std::to_string(kSize) + " big.bin && tar --format=" +
                             format + " -cf - big.bin 2>/dev/null | head -c " + (format[0] == 'g' ? "512" : "1536") +
                             " > head; rm -f big.bin";
    if (std::system(make.c_str()) != 0 || test::slurp(headers).size() < 512) GTEST_SKIP() << "no GNU tar here";
    bool written;
    {
      std::ofstream f(path, std::ios::binary);
      f << test::slurp(headers);
      f.seekp(static_cast<std::streamoff>(f.tellp()) + kSize);  // a hole: no blocks on disk
      f << header("after.mp3", "1502") << frame << frame << std::string(190 + 1024, '\0');
      written = f.good();
    }
    if (!written) GTEST_SKIP() << "no room for a sparse 9 GiB file here";
    const test::RunResult r = test::run_tool({"-v", "-v", path});
    EXPECT_EQ(r.status, 0);
    for (const char* piece : {"File name: big.bin\n", "\tSize: 9663676416, Type: Normal\n",
                              "\tStored size: 9663676416\n", "\tFile type bin not supported, skipped over big.bin\n",
                              "\t\tData frames: 2\n", "\t\tFile length: 834bytes\n\tMPEG (MP3) file end\n"})
      EXPECT_NE(r.out.find(piece), std::string::npos) << piece << "\n---\n" << r.out;
    const std::string after = std::string("Offset ") + std::to_string(kSize + (format[0] == 'g' ? 512 : 1536)) +
                              ", File header block\nFile name: after.mp3\n";
    EXPECT_NE(r.out.find(after), std::string::npos) << after << "\n---\n" << r.out;
    EXPECT_EQ(r.out.find("Error"), std::string::npos) << r.out;
  }
  std::system(("rm -rf " + test::shell_quote(dir)).c_str());
}

}  // namespace
