// End-to-end runs of the tool on MP3 files made by lame, ffmpeg, id3v2 and
// eyeD3 (tests/data/make_mp3.sh). Frame counts and lengths were checked
// against the files' bytes and ffprobe's packet counts.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "support/bytes.h"
#include "support/run.h"

namespace {

using test::Bytes;
using test::run_tool;

std::string data(const std::string& name) { return std::string(TAGDELVE_DATA) + "/" + name; }

long long file_size(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 ? static_cast<long long>(st.st_size) : -1;
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

bool has_line(const std::string& text, const std::string& line) {
  for (const std::string& l : lines_of(text))
    if (l == line) return true;
  return false;
}

std::string statistics(int frames, const char* time, const char* rate, long long length) {
  return "Statistics\n\tData frames: " + std::to_string(frames) + "\n\tRunning time: " + time +
         "\n\t" + rate + "\n\tFile length: " + std::to_string(length) +
         "bytes\nMPEG (MP3) file end\n";
}

struct FileCase {
  const char* name;
  const char* tag;  // the tag and frame lines at verbose 0
  int frames;
  const char* time;
  const char* rate;
  long long length;
};

const FileCase kFiles[] = {
    {"mp3_cbr_v23.mp3",
     // id3lib writes the comment's language as three zero bytes.
     "ID3v2.3 tag\n\tTIT2 {Tone}\n\tTPE1 {tagdelve}\n\tTALB {Test files}\n"
     "\tTYER {2024}\n\tTRCK {1/3}\n\tCOMM Language: {\\00\\00}, {} {made by lame}\n",
     21, "0m 0.546s", "Constant bitrate: 32kbps", 4096},
    {"mp3_vbr_v24.mp3",
     "ID3v2.4 tag\n\tTALB {Test files}\n\tTIT2 {Tone}\n\tTPE1 {tagdelve}\n"
     "\tTRCK {02}\n\tTSOP {Performer sort}\n",
     41, "0m 1.066s", "Average bitrate: 37kbps (vbr)", 5354},
    {"mp3_mpeg2_mono.mp3", "", 22, "0m 0.572s", "Constant bitrate: 16kbps", 1150},
    {"mp3_mpeg25_v23.mp3", "ID3v2.3 tag\n\tTIT2 {Low}\n", 16, "0m 0.416s",
     "Constant bitrate: 8kbps", 1437},
    {"mp3_layer2_v24.mp3", "ID3v2.4 tag\n\tTIT2 {Layer two}\n", 14, "0m 0.364s",
     "Constant bitrate: 32kbps", 2302},
};

TEST(Mp3Files, VerboseZeroOutline) {
  for (const FileCase& c : kFiles) {
    std::string path = data(c.name);
    ASSERT_EQ(file_size(path), c.length) << c.name;
    test::RunResult r = run_tool({path});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "Processing " + path + "\nMPEG (MP3) file start\n" + c.tag +
                         statistics(c.frames, c.time, c.rate, c.length))
        << c.name;
    EXPECT_EQ(r.err, "");
  }
}

TEST(Mp3Files, VerboseOneAddsFlagsAndDescriptions) {
  std::string path = data("mp3_cbr_v23.mp3");
  test::RunResult r = run_tool({"-v", path});
  EXPECT_EQ(r.out, "tagdelve v1.5\nProcessing " + path +
                       "\nMPEG (MP3) file start\n"
                       "ID3v2.3 tag, Revision: 0, Flags: <0x00>\n"
                       "\tTIT2 [Title/songname/content description] Flags: <0x0000>, ISO-8859-1{Tone}\n"
                       "\tTPE1 [Lead performers(s)/soloist(s)] Flags: <0x0000>, ISO-8859-1{tagdelve}\n"
                       "\tTALB [Album/movie/show title] Flags: <0x0000>, ISO-8859-1{Test files}\n"
                       "\tTYER [Year (yyyy)] Flags: <0x0000>, ISO-8859-1{2024}\n"
                       "\tTRCK [Track number/position in set] Flags: <0x0000>, ISO-8859-1{1/3}\n"
                       "\tCOMM [Comments] Flags: <0x0000>, Language: ISO-8859-1{\\00\\00}, "
                       "ISO-8859-1{} ISO-8859-1{made by lame}\n" +
                       statistics(21, "0m 0.546s", "Constant bitrate: 32kbps", 4096) +
                       "tagdelve end of job\n");

  std::string v24 = data("mp3_vbr_v24.mp3");
  r = run_tool({"-v", v24});
  EXPECT_TRUE(has_line(r.out, "ID3v2.4 tag, Revision: 0, Flags: <0x00>")) << r.out;
  EXPECT_TRUE(has_line(r.out, "\tTSOP [Performer sort order] Flags: <0x0000>, UTF-8{Performer sort}"));
  EXPECT_TRUE(has_line(r.out, "\tAverage bitrate: 37kbps (vbr)"));
}

// At verbose 2 every item has its offset line, and each audio frame starts
// where the one before it ended; the file length is the file's size.
void check_frame_chain(const std::string& report, long long first, long long size, int frames) {
  std::vector<std::string> lines = lines_of(report);
  long long expected = first;
  int seen = 0;
  for (size_t i = 0; i + 2 < lines.size(); ++i) {
    long long at;
    unsigned header;
    if (sscanf(lines[i].c_str(), "Offset %lld, Frame header <0x%x>", &at, &header) != 2) continue;
    if (at < first) continue;  // the tag's own offset line
    ASSERT_EQ(lines[i + 1].rfind("Data frame, ", 0), 0u) << lines[i + 1];
    int length;
    ASSERT_EQ(sscanf(lines[i + 2].c_str(), "\tFrame Length: %d,", &length), 1) << lines[i + 2];
    EXPECT_EQ(at, expected) << "frame " << seen;
    expected = at + length;
    ++seen;
  }
  EXPECT_EQ(seen, frames);
  EXPECT_EQ(expected, size);
  EXPECT_TRUE(has_line(report, "\tFile length: " + std::to_string(size) + "bytes"));
}

TEST(Mp3Files, VerboseTwoListsEveryItem) {
  std::string path = data("mp3_cbr_v23.mp3");
  test::RunResult r = run_tool({"-v", "-v", path});
  // The tag line with its length, one line per frame (text frames are
  // decoded, not dumped), the padding (1892 - 6 frames of 111 bytes - the zero header of 10).
  std::string head =
      "tagdelve v1.5\nProcessing " + path +
      "\nMPEG (MP3) file start\n"
      "Offset 0, Frame header <0x49443303>\n"
      "ID3v2.3 tag, Revision: 0, Flags: <0x00>, Length: 1892\n"
      "\tTIT2 [Title/songname/content description] Length: 5, Flags: <0x0000>, ISO-8859-1{Tone}\n"
      "\tTPE1 [Lead performers(s)/soloist(s)] Length: 9, Flags: <0x0000>, ISO-8859-1{tagdelve}\n"
      "\tTALB [Album/movie/show title] Length: 11, Flags: <0x0000>, ISO-8859-1{Test files}\n"
      "\tTYER [Year (yyyy)] Length: 5, Flags: <0x0000>, ISO-8859-1{2024}\n"
      "\tTRCK [Track number/position in set] Length: 4, Flags: <0x0000>, ISO-8859-1{1/3}\n"
      "\tCOMM [Comments] Length: 17, Flags: <0x0000>, Language: ISO-8859-1{\\00\\00}, "
      "ISO-8859-1{} ISO-8859-1{made by lame}\n"
      "\tID3v2 tag padding 1771 bytes\n"
      "Offset 1902, Frame header <0xfffb1064>\n"
      "Data frame, mpg-i layer III, Err. prot.: off, Bit Rate: 32k,\n"
      "\tFrame Length: 104, Frequency: 44100Hz, Flags: <0x0064>\n";
  EXPECT_EQ(r.out.substr(0, head.size()), head);
  check_frame_chain(r.out, 1902, 4096, 21);
  std::string tail = statistics(21, "0m 0.546s", "Constant bitrate: 32kbps", 4096) +
                     "tagdelve end of job\n";
  ASSERT_GT(r.out.size(), tail.size());
  EXPECT_EQ(r.out.substr(r.out.size() - tail.size()), tail);

  struct Chain {
    const char* name;
    long long first;
    const char* first_frame;
    int frames;
  };
  const Chain chains[] = {
      {"mp3_vbr_v24.mp3", 359,
       "Offset 359, Frame header <0xfffb90c4>\n"
       "Data frame, mpg-i layer III, Err. prot.: off, Bit Rate: 128k,\n"
       "\tFrame Length: 417, Frequency: 44100Hz, Flags: <0x00c4>\n", 41},
      {"mp3_mpeg2_mono.mp3", 0,
       "Offset 0, Frame header <0xfff320c4>\n"
       "Data frame, mpg-ii layer III, Err. prot.: off, Bit Rate: 16k,\n"
       "\tFrame Length: 52, Frequency: 22050Hz, Flags: <0x00c4>\n", 22},
      {"mp3_mpeg25_v23.mp3", 285,
       "Offset 285, Frame header <0xffe318c4>\n"
       "Data frame, 'MPEG 2.5' layer III, Err. prot.: off, Bit Rate: 8k,\n"
       "\tFrame Length: 72, Frequency: 8000Hz, Flags: <0x00c4>\n", 16},
      {"mp3_layer2_v24.mp3", 286,
       "Offset 286, Frame header <0xfffd18c4>\n"
       "Data frame, mpg-i layer II, Err. prot.: off, Bit Rate: 32k,\n"
       "\tFrame Length: 144, Frequency: 32000Hz, Flags: <0x00c4>\n", 14},
  };
  for (const Chain& c : chains) {
    std::string p = data(c.name);
    test::RunResult rc = run_tool({"-v", "-v", p});
    EXPECT_NE(rc.out.find(c.first_frame), std::string::npos) << c.name;
    check_frame_chain(rc.out, c.first, file_size(p), c.frames);
  }
  test::RunResult v24 = run_tool({"-v", "-v", data("mp3_vbr_v24.mp3")});
  EXPECT_TRUE(has_line(v24.out, "ID3v2.4 tag, Revision: 0, Flags: <0x00>, Length: 349"));
  EXPECT_TRUE(has_line(v24.out, "\tID3v2 tag padding 246 bytes"));
}

TEST(Mp3Files, NextFileAfterAFailedTagIsReadAsItIs) {
  // The first file ends inside an unsynchronised frame, after a dropped byte.
  std::string dir = test::temp_dir();
  Bytes cut = Bytes{}.str("ID3").add({3, 0, 0x80}).syncsafe32(100).str("ZZZZ").be32(3).add(
      {0, 0, 0xFF, 0x00, 'A'});
  test::write_file(dir + "/cut.mp3", cut.v);
  std::string second = data("mp3_mpeg2_mono.mp3");
  test::RunResult alone = run_tool({"-v", "-v", second});
  test::RunResult r = run_tool({"-v", "-v", dir + "/cut.mp3", second});
  EXPECT_EQ(r.out,
            "tagdelve v1.5\nProcessing " + dir +
                "/cut.mp3\nMPEG (MP3) file start\n"
                "Offset 0, Frame header <0x49443303>\n"
                "ID3v2.3 tag, Revision: 0, Flags: <0x80>, Length: 100\n"
                "\tZZZZ [Unknown frame type] Length: 3, Flags: <0x0000>, " +
                statistics(0, "0m 0.000s", "Constant bitrate: -1kbps", 20) +
                alone.out.substr(std::string("tagdelve v1.5\n").size()));
  std::system(("rm -rf " + test::shell_quote(dir)).c_str());
}

TEST(Mp3Files, TenMegabytesAtVerboseZero) {
  std::string dir = test::temp_dir();
  Bytes big = Bytes{}.str("ID3").add({3, 0, 0}).syncsafe32(1024).str("PCNT").be32(5).add({0, 0, 0}).str(
      "Big!");
  big.fill(1024 - 15, 0);
  Bytes frame = Bytes{0xFF, 0xFB, 0x90, 0x64}.fill(413, 0x55);
  big.v.reserve(10u << 20);
  const int frames = 25000;  // 417 bytes each: 10.4 MB
  for (int i = 0; i < frames; ++i) big.append(frame);
  std::string path = dir + "/big.mp3";
  test::write_file(path, big.v);
  test::RunResult r = run_tool({path});
  EXPECT_EQ(r.out, "Processing " + path +
                       "\nMPEG (MP3) file start\nID3v2.3 tag\n\tPCNT Length: 5 bytes\n" +
                       statistics(frames, "10m 50.000s", "Constant bitrate: 128kbps",
                                  1034 + 417LL * frames));
  std::system(("rm -rf " + test::shell_quote(dir)).c_str());
}

}  // namespace
