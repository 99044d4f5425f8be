// --detect: the walker chosen by a file's first bytes where its name selects
// none.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "front/dispatch.h"
#include "support/capture.h"
#include "support/run.h"
#include "support/tar.h"

namespace {

using test::Bytes;

struct Detecting {
  Detecting() { tagdelve::detect_content = true; }
  ~Detecting() { tagdelve::detect_content = false; }
};

std::vector<uint8_t> data(const std::string& name) {
  std::string s = test::slurp(std::string(TAGDELVE_DATA) + "/" + name);
  return std::vector<uint8_t>(s.begin(), s.end());
}

TEST(Detect, TheContentChoosesTheWalker) {
  const struct {
    const char* file;
    const char* upper;  // the name with its extension in capitals
    std::string note, start;
  } cases[] = {
      {"mp3_cbr_v23.mp3", "A.MP3", "MP3", "MPEG (MP3) file start"},      // an ID3v2 tag
      {"mp3_mpeg2_mono.mp3", "A.MP3", "MP3", "MPEG (MP3) file start"},   // audio frames only
      {"flac_tagged.flac", "A.FLAC", "FLAC", "FLAC file start"},
      {"asf_wmav2_tags.wma", "A.WMA", "ASF (WMA)", "ASF (WMA) file start"},
      {"jpeg_baseline.jpg", "IMG_0001.JPG", "JPEG", "JPEG file start"},
      {"tar_ustar.tar", "A.TAR", "TAR", "TAR file start"},
      {"tar_v7.tar", "A.TAR", "TAR", "TAR file start"},  // no magic: its checksum
  };
  Detecting on;
  for (const auto& c : cases) {
    const std::vector<uint8_t> bytes = data(c.file);
    for (std::string name : {std::string("a.dat"), std::string(c.upper), std::string("noextension")}) {
      for (size_t buffer : {size_t{0}, size_t{3}}) {  // memory, and a pipe read 3 bytes at a time
        const std::string want = "Walked by content as " + c.note + ": " + name + "\n" + c.start + "\n";
        EXPECT_EQ(test::walk_as(name, bytes, 1, buffer).substr(0, want.size()), want) << c.file << " " << buffer;
      }
      EXPECT_EQ(test::walk_as(name, bytes, 0).substr(0, c.start.size() + 1), c.start + "\n") << c.file;
    }
  }
}

TEST(Detect, ArchiveMembersToo) {
  Detecting on;
  const std::vector<uint8_t> flac = data("flac_tagged.flac");
  Bytes member;
  member.v = flac;
  Bytes archive = test::tar_member(test::named("track"), member).append(test::tar_end());
  std::string out = test::walk_as("a.tar", archive.v, 1, 7);
  EXPECT_NE(out.find("\tWalked by content as FLAC: track\n\tFLAC file start\n"), std::string::npos) << out;
  EXPECT_NE(out.find("\tFLAC file end\nTAR file end\n"), std::string::npos) << out;  // read to the member's end
}

TEST(Detect, LookAlikesAreNotTaken) {
  Bytes stray{0xFF, 0xFB, 0x90, 0x64};  // one frame header in other data
  stray.fill(900, 0x55);
  Bytes tar_block;  // a block whose checksum field does not match
  tar_block.str("name").fill(508, 0).v[148] = '1';
  const Bytes cases[] = {
      Bytes{}.str("ID3 is a tag format\n"),
      Bytes{}.str("ID3").add({3, 0, 0, 0x80, 0, 0, 0}),  // a size byte with its top bit set
      stray,
      Bytes{0xFF, 0xD8, 0x00},
      tar_block,
      Bytes{},
  };
  Detecting on;
  for (const Bytes& b : cases)
    EXPECT_EQ(test::walk_as("a.bin", b.v, 1), "File type bin not supported, skipped over a.bin\n");
}

TEST(Detect, TheExtensionStillSelectsFirst) {
  Detecting on;
  EXPECT_EQ(test::walk_as("a.mp3", data("flac_tagged.flac"), 1).substr(0, 22), "MPEG (MP3) file start\n");
}

}  // namespace
