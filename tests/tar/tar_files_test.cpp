// End-to-end runs on archives made by GNU tar from the other test files (see
// tests/data/make_tar.sh).
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "support/run.h"

namespace {

const std::string kData = TAGDELVE_DATA;

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

bool starts(const std::string& s, const std::string& prefix) { return s.compare(0, prefix.size(), prefix) == 0; }

// The archive's own lines (no indentation) and, one level deeper, each
// member walk's start and end lines, "File length" and the padding notes.
std::vector<std::string> outline(const std::string& report) {
  std::vector<std::string> kept;
  for (const std::string& l : lines_of(report)) {
    bool archive = !l.empty() && l[0] != '\t' && l[0] != ' ';
    bool member = l.size() > 1 && l[0] == '\t' && l[1] != '\t' &&
                  (l.find(" file start") != std::string::npos || l.find(" file end") != std::string::npos ||
                   starts(l, "\ttar section padding") || starts(l, "\tStored size") || starts(l, "\tSize: ") ||
                   starts(l, "\tFile type "));
    if (archive || member || starts(l, "\t\tFile length: ")) kept.push_back(l);
  }
  return kept;
}

// What the archive walker prints for a normal member at verbose 2, from the
// TAR rules: the header at `offset`, the data stored in 512-byte blocks.
std::vector<std::string> member_lines(long long offset, const std::string& name, long long size,
                                      const std::vector<std::string>& walk) {
  long long stored = size == 0 ? 0 : ((size - 1) / 512 + 1) * 512;
  std::vector<std::string> l = {"Offset " + std::to_string(offset) + ", File header block", "File name: " + name,
                                "\tSize: " + std::to_string(size) + ", Type: Normal",
                                "\tStored size: " + std::to_string(stored)};
  l.insert(l.end(), walk.begin(), walk.end());
  l.push_back("\ttar section padding " + std::to_string(stored - size) + " bytes");
  return l;
}

std::vector<std::string> cat(std::initializer_list<std::vector<std::string>> parts) {
  std::vector<std::string> all;
  for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

std::vector<std::string> null_blocks(long long from, long long to) {
  std::vector<std::string> l;
  for (long long at = from; at < to; at += 512) l.push_back("Offset " + std::to_string(at) + ", Null block");
  return l;
}

TEST(TarFiles, GnuArchiveWithEveryKindOfMember) {
  std::string file = kData + "/tar_gnu.tar";
  test::RunResult r = test::run_tool({"-v", "-v", file});
  ASSERT_EQ(r.status, 0);
  // Members: song.mp3 1561 (an ID3v2.4 tag with a JPEG front cover),
  // tone.flac 1271, tone.wma 16872, photo.jpg 1007, notes.txt 12, inner.tar
  // 10240 (photo.jpg and notes.txt again, ustar).
  std::vector<std::string> want = cat({
      {"tagdelve v1.5", "Processing " + file, "TAR file start"},
      member_lines(0, "song.mp3", 1561,
                   {"\tMPEG (MP3) file start", "\t\tFile length: 1561bytes", "\tMPEG (MP3) file end"}),
      member_lines(2560, "tone.flac", 1271, {"\tFLAC file start", "\tFLAC file end"}),
      member_lines(4608, "tone.wma", 16872, {"\tASF (WMA) file start", "\tASF (WMA) file end"}),
      member_lines(22016, "photo.jpg", 1007, {"\tJPEG file start", "\tJPEG file end"}),
      member_lines(23552, "notes.txt", 12, {"\tFile type txt not supported, skipped over notes.txt"}),
      member_lines(24576, "inner.tar", 10240, {"\tTAR file start", "\tTAR file end"}),
      null_blocks(35328, 40960),
      {"TAR file end", "tagdelve end of job"},
  });
  std::vector<std::string> got = outline(r.out);
  EXPECT_EQ(got, want) << r.out;
  // The cover art of the MP3 member is walked one level deeper again.
  EXPECT_NE(r.out.find("\t\t\tJPEG content, Length: 286\n\t\tJPEG file start\n\t\tOffset 0, JPEG marker: 0xffd8\n"),
            std::string::npos);
  // The nested archive's own lines stand one level deeper, with its offsets.
  EXPECT_NE(r.out.find("\tOffset 0, File header block\n\tFile name: photo.jpg\n"), std::string::npos);
  EXPECT_NE(r.out.find("\tOffset 1536, File header block\n\tFile name: notes.txt\n"), std::string::npos);
  EXPECT_NE(r.out.find("\t\tFile type txt not supported, skipped over notes.txt\n"), std::string::npos);
  // The GNU magic is "ustar " with the version " " and a zero byte.
  EXPECT_NE(r.out.find("\tMagic: ustar , Version:  \\00\n"), std::string::npos);
}

TEST(TarFiles, ResynchronisedAfterMembersThatStopEarly) {
  std::string file = kData + "/tar_resync.tar";
  test::RunResult r = test::run_tool({"-v", file});
  ASSERT_EQ(r.status, 0);
  const std::vector<std::string> good = {"\tMPEG (MP3) file start", "\t\tFile length: 1150bytes",
                                         "\tMPEG (MP3) file end"};
  auto member = [](const std::string& name, long long size, std::vector<std::string> walk) {
    std::vector<std::string> l = member_lines(0, name, size, walk);
    l.erase(l.begin());  // no offset line at verbose 1
    l.pop_back();        // nor a padding line
    return l;
  };
  std::vector<std::string> want = cat({
      {"tagdelve v1.5", "Processing " + file, "TAR file start"},
      // 40 lines of text: the MP3 walk stops at the first 4 bytes.
      member("bad.mp3", 1240, {"\tMPEG (MP3) file start", "\t\tFile length: 4bytes", "\tMPEG (MP3) file end"}),
      member("good1.mp3", 1150, good),
      // The JPEG ends inside its Exif segment.
      member("cut.jpg", 600, {"\tJPEG file start", "\tJPEG file end"}),
      member("good2.mp3", 1150, good),
      // No end line after a wrong marker.
      member("wrong.flac", 1271, {"\tFLAC file start"}),
      member("good3.mp3", 1150, good),
      member("empty.mp3", 0, {"\tMPEG (MP3) file start", "\t\tFile length: 0bytes", "\tMPEG (MP3) file end"}),
      member("good4.mp3", 1150, good),
      {"TAR file end", "tagdelve end of job"},
  });
  EXPECT_EQ(outline(r.out), want) << r.out;
  EXPECT_NE(r.out.find("\tError: Frame header <0x74686973> not recognised\n"), std::string::npos);
  EXPECT_NE(r.out.find("\tError: Not a FLAC format file\n"), std::string::npos);
}

struct FormatCase {
  const char* file;
  bool ustar;  // user and group lines
};

TEST(TarFiles, OtherFormats) {
  // GNU tar's pax format adds an extended header before each member.
  const FormatCase cases[] = {{"tar_ustar.tar", true}, {"tar_pax.tar", true}, {"tar_v7.tar", false}};
  for (const FormatCase& c : cases) {
    test::RunResult r = test::run_tool({kData + "/" + c.file});
    ASSERT_EQ(r.status, 0) << c.file;
    std::string want = "File name: song.mp3\n\tMode: 0000644, UID: 0001750(1000), GID: 0001750(1000)\n"
                       "\tSize: 1561, Type: Normal\n";
    want += c.ustar ? "\tUser: me, Group: us\n" : "";
    want += "\tMPEG (MP3) file start\n";
    EXPECT_NE(r.out.find(want), std::string::npos) << c.file << "\n" << r.out;
    EXPECT_NE(r.out.find("File name: photo.jpg\n"), std::string::npos) << c.file;
    EXPECT_NE(r.out.find("\tJPEG file start\n"), std::string::npos) << c.file;
    EXPECT_NE(r.out.find("\tJPEG file end\n"), std::string::npos) << c.file;
    EXPECT_NE(r.out.find("File name: notes.txt\n"), std::string::npos) << c.file;
    EXPECT_EQ(r.out.substr(r.out.size() - 13), "TAR file end\n") << c.file;
  }
}

TEST(TarFiles, LongNamesNameTheNextMember) {
  const std::string dir(110, 'd');
  struct Case {
    const char* file;
    const char* block;  // the metadata block's type line
  };
  const Case cases[] = {{"tar_longname_gnu.tar", "\tSize: 120, Type: Long name"},
                        {"tar_longname_pax.tar", "Type: Extended header"}};
  for (const Case& c : cases) {
    test::RunResult r = test::run_tool({"-v", kData + "/" + c.file});
    ASSERT_EQ(r.status, 0) << c.file;
    EXPECT_NE(r.out.find(c.block), std::string::npos) << r.out;
    // The header's own name field is cut at 100 characters; the long name
    // chooses the walker.
    EXPECT_NE(r.out.find("File name: " + dir.substr(0, 100) + "\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\tMPEG (MP3) file start\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\t\tFile length: 1150bytes\n"), std::string::npos) << r.out;
    // The metadata block itself is never walked.
    EXPECT_EQ(r.out.find("not supported"), std::string::npos) << r.out;
  }
}

}  // namespace
