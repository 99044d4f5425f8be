// End-to-end runs of the tool on real MP3 files (tests/data/make_mp3.sh,
// make_id3.sh, make_mp3_tags.sh): audio by lame and ffmpeg; ID3v2 tags by
// id3v2, eyeD3 and ffmpeg; ID3v1.1 by id3v2; APE v2 by mutagen; Lyrics3 and
// extended ID3v1 blocks composed by a script. The expected lines follow the
// files' bytes; frame counts were checked against ffprobe's packet counts.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "mp3/mp3_support.h"
#include "support/run.h"

namespace {

using test::Bytes;
using test::run_tool;

std::string data(const std::string& name) { return std::string(TAGDELVE_DATA) + "/" + name; }

long long file_size(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 ? static_cast<long long>(st.st_size) : -1;
}

test::RunResult run(const std::string& path, int verbose) {
  std::vector<std::string> args(static_cast<size_t>(verbose), "-v");
  args.push_back(path);
  return run_tool(args);
}

struct FileCase {
  const char* name;
  int verbose;
  int frames;
  const char* time;
  const char* rate;
  std::vector<std::string> pieces;  // in this order in the report
};

const FileCase kFiles[] = {
    // id3lib writes the comment's language as three zero bytes.
    {"mp3_cbr_v23.mp3", 1, 21, "0m 0.546s", "Constant bitrate: 32kbps",
     {"ID3v2.3 tag, Revision: 0, Flags: <0x00>\n"
      "\tTIT2 [Title/songname/content description] Flags: <0x0000>, ISO-8859-1{Tone}\n",
      "\tCOMM [Comments] Flags: <0x0000>, Language: ISO-8859-1{\\00\\00}, ISO-8859-1{} "
      "ISO-8859-1{made by lame}\nStatistics"}},
    // 1892 - 6 frames of 111 bytes - the zero header of 10: 1771 of padding.
    {"mp3_cbr_v23.mp3", 2, 21, "0m 0.546s", "Constant bitrate: 32kbps",
     {"Offset 0, Frame header <0x49443303>\nID3v2.3 tag, Revision: 0, Flags: <0x00>, Length: 1892\n"
      "\tTIT2 [Title/songname/content description] Length: 5, Flags: <0x0000>, ISO-8859-1{Tone}\n",
      "\tID3v2 tag padding 1771 bytes\nOffset 1902, Frame header <0xfffb1064>\n"
      "Data frame, mpg-i layer III, Err. prot.: off, Bit Rate: 32k,\n"
      "\tFrame Length: 104, Frequency: 44100Hz, Flags: <0x0064>\n"}},
    {"mp3_vbr_v24.mp3", 0, 41, "0m 1.066s", "Average bitrate: 37kbps (vbr)",
     {"ID3v2.4 tag\n\tTALB {Test files}\n", "\tTSOP {Performer sort}\nStatistics"}},
    {"mp3_mpeg2_mono.mp3", 0, 22, "0m 0.572s", "Constant bitrate: 16kbps",
     {"MPEG (MP3) file start\nStatistics"}},
    {"mp3_mpeg25_v23.mp3", 0, 16, "0m 0.416s", "Constant bitrate: 8kbps", {"ID3v2.3 tag\n\tTIT2 {Low}\nStatistics"}},
    {"mp3_layer2_v24.mp3", 0, 14, "0m 0.364s", "Constant bitrate: 32kbps",
     {"ID3v2.4 tag\n\tTIT2 {Layer two}\nStatistics"}},
    // eyeD3 writes texts in UTF-8; the cover is an 8x8 JPEG of 286 bytes,
    // walked one level deeper.
    {"mp3_cover_v24.mp3", 0, 7, "0m 0.182s", "Constant bitrate: 8kbps",
     {"ID3v2.4 tag\n\tAPIC MIME: {image/jpeg}, Type: 3, Description: {Front}\n\tJPEG file start\n",
      "\tCOMM Language: {eng}, {iTunNORM}Warning: Incorrect length (103) iTunNORM frame, may not be "
      "recognised by iTunes.\n gain:(0.4576 0.9691) gain:(0.1773 -3.0103) peak:(0.500000 1.000000)\n",
      "\tUSLT Language: {eng}, {Verse} {First line\\0aSecond line\\0a}\n"
      "\tWOAR {http://example.com/artist}\n\tWXXX {Shop} = {http://example.com/shop}\nStatistics"}},
    {"mp3_cover_v24.mp3", 1, 7, "0m 0.182s", "Constant bitrate: 8kbps",
     {"\tAPIC [Attached picture] Flags: <0x0000>, MIME: ISO-8859-1{image/jpeg},\n"
      "\t\tType: 3 [Cover (front)], Description: UTF-8{Front}, Binary: 286 bytes\n"
      "\t\tJPEG content, Length: 286\n\tJPEG file start\n\tSOI marker [Start of Image]\n",
      "\tEOI marker [End of Image]\n\tJPEG file end\n"
      "\tAPIC [Attached picture] Flags: <0x0000>, MIME: ISO-8859-1{image/png},\n"
      "\t\tType: 4 [Cover (back)], Description: UTF-8{Back}, Binary: 83 bytes\n"}},
    // 11 frames of 10 + 681 bytes and the zero header: 246 of 1047 are
    // padding. The JPEG walk counts offsets from the picture's first byte.
    {"mp3_cover_v24.mp3", 2, 7, "0m 0.182s", "Constant bitrate: 8kbps",
     {"ID3v2.4 tag, Revision: 0, Flags: <0x00>, Length: 1047\n"
      "\tAPIC [Attached picture] Length: 305, Flags: <0x0000>, MIME: ISO-8859-1{image/jpeg},\n",
      "\tJPEG file start\n\tOffset 0, JPEG marker: 0xffd8\n\tSOI marker [Start of Image]\n",
      "\tID3v2 tag padding 246 bytes\nOffset 1057, Frame header <0xffe318c4>\n"}},
    {"mp3_itunes_v23.mp3", 0, 7, "0m 0.182s", "Constant bitrate: 8kbps",
     {"\tCOMM Language: {eng}, {iTunSMPB} Encoder Delay (samples): 576, End Padding (samples): 960, "
      "Original Sample Count: 2400\n",
      "\tUSLT Language: {eng}, {Verse} {la la la}\n\tWCOM {http://example.com/buy}\nStatistics"}},
    // ffmpeg writes comment and lyrics as user texts; its Info frame at
    // 24 kbit/s leads the audio.
    {"mp3_ffmpeg_v23.mp3", 0, 8, "0m 0.208s", "Average bitrate: 10kbps (vbr)",
     {"\tTXXX {comment} = {made by ffmpeg}\n\tTXXX {USLT} = {la la}\n",
      "\tAPIC MIME: {image/jpeg}, Type: 3, Description: {Cover}\n\tJPEG file start\n"}},
    // Tags after 5 frames of audio (360 bytes).
    {"mp3_id3v1.mp3", 0, 5, "0m 0.130s", "Constant bitrate: 8kbps",
     {"ID3v1 tag\n\tTrack  : {Tone}\n", "\tComment: {made by lame}\n\tTrack #: 5\n\tGenre  : 17 [Rock]\nStatistics"}},
    // mutagen writes the items shortest first; flags 2 is binary data.
    {"mp3_ape.mp3", 1, 5, "0m 0.130s", "Constant bitrate: 8kbps",
     {"APE v2 tag Version: <0xd0070000>, Items: 5, Global flags: <0x000000a0>\n"
      "\tItem Flags: <0x00000000> Title [Music piece title or work] = UTF-8{Tone}\n",
      "\tItem Flags: <0x02000000> Cover Art (Front) [Unknown key] = "
      "Encoding: 4{<0x636f7665722e6a706700ffd8ffe0>}\n"
      "\tFooter Version: <0xd0070000>, Length 171, Items: 5, Global flags: <0x00000080>\nStatistics"}},
    {"mp3_ape_lyrics3_id3v1.mp3", 1, 5, "0m 0.130s", "Constant bitrate: 8kbps",
     {"APE v2 tag Version: <0xd0070000>, Items: 3,",
      "\tFooter Version: <0xd0070000>, Length 90, Items: 3, Global flags: <0x00000080>\n"
      "Lyrics3 block\n\tVersion 2 fields\n\tIND [Indications]: {10}\n"
      "\tLYR [Lyrics]: {[00:00]La la\\0d\\0a[00:01]Lo lo}\n",
      "\tTotal block size: 79 bytes\n\tFooter: LYRICS200\nID3v1 tag\n",
      "\tTrack #: 3\n\tGenre  : 52 [Electronic]\nStatistics"}},
    // Audio 360 bytes, APE 32 + 90, Lyrics3 79 + 6 + 9, ID3v1 128.
    {"mp3_ape_lyrics3_id3v1.mp3", 2, 5, "0m 0.130s", "Constant bitrate: 8kbps",
     {"Offset 360, Frame header <0x41504554>\nAPE v2 tag Version: <0xd0070000>, Length 90, Items: 3,",
      "\tItem Length 8, Flags: <0x00000000> Artist", "Offset 482, Frame header <0x4c595249>\nLyrics3 block\n",
      "Offset 576, Frame header <0x54414754>\nID3v1 tag\n"}},
    {"mp3_lyrics3v1_ext.mp3", 1, 5, "0m 0.130s", "Constant bitrate: 8kbps",
     {"Lyrics3 block\n\tVersion 1 data\nLine one\\0d\\0aLast Line\\0d\\0a\n\tFooter: LYRICSEND\n"
      "ID3v1 extended tag\n\tTrack remainder : {ich goes on in the extended tag}\n",
      "\tSpeed           : {1}\n", "ID3v1 tag\n\tTrack  : {A tone with a longer title, wh}\n",
      "\tTrack #: 9\n\tGenre  : 255\nStatistics"}},
};

TEST(Mp3Files, KeyLinesAndStatistics) {
  for (const FileCase& c : kFiles) {
    std::string path = data(c.name);
    test::RunResult r = run(path, c.verbose);
    std::string where = std::string(c.name) + " at verbose " + std::to_string(c.verbose);
    EXPECT_EQ(r.status, 0) << where;
    EXPECT_EQ(r.err, "") << where;
    EXPECT_NE(r.out.find("Processing " + path + "\nMPEG (MP3) file start\n"), std::string::npos) << where;
    size_t at = 0;
    for (const std::string& p : c.pieces) {
      size_t found = r.out.find(p, at);
      EXPECT_NE(found, std::string::npos) << where << ": missing or out of order:\n" << p << "\n---\n" << r.out;
      if (found != std::string::npos) at = found + p.size();
    }
    std::string tail = test::stats(c.frames, c.time, c.rate, file_size(path)) +
                       (c.verbose > 0 ? "tagdelve end of job\n" : "");
    EXPECT_TRUE(r.out.ends_with(tail)) << where << ": want the report to end with\n" << tail << "---\n" << r.out;
  }
}

// At verbose 2 each audio frame has its offset line and two frame lines, and
// starts where the one before it ended; the last ends at the end of the file.
TEST(Mp3Files, VerboseTwoChainsTheAudioFrames) {
  const struct {
    const char* name;
    long long first;
    int frames;
  } files[] = {{"mp3_cbr_v23.mp3", 1902, 21}, {"mp3_vbr_v24.mp3", 359, 41}, {"mp3_mpeg2_mono.mp3", 0, 22},
               {"mp3_mpeg25_v23.mp3", 285, 16}, {"mp3_layer2_v24.mp3", 286, 14}};
  for (const auto& f : files) {
    std::string out = "\n" + run(data(f.name), 2).out;
    long long expected = f.first, at;
    int seen = 0, length;
    for (size_t i = out.find("\nOffset "); i != std::string::npos; i = out.find("\nOffset ", i + 1)) {
      if (sscanf(out.c_str() + i, "\nOffset %lld, Frame header <0xff%*x>\nData frame, %*[^\n]\n\tFrame Length: %d,",
                 &at, &length) != 2)
        continue;  // the tag's offset line
      EXPECT_EQ(at, expected) << f.name << " frame " << seen;
      expected = at + length;
      ++seen;
    }
    EXPECT_EQ(seen, f.frames) << f.name;
    EXPECT_EQ(expected, file_size(data(f.name))) << f.name;
  }
}

TEST(Mp3Files, TenMegabytesAtVerboseZero) {
  std::string dir = test::temp_dir();
  Bytes big = Bytes{}.str("ID3").add({3, 0, 0}).syncsafe32(1024).str("PCNT").be32(5).add({0, 0, 0}).str("Big!");
  big.fill(1024 - 15, 0);
  Bytes frame = Bytes{0xFF, 0xFB, 0x90, 0x64}.fill(413, 0x55);
  const int frames = 25000;  // 417 bytes each: 10.4 MB
  for (int i = 0; i < frames; ++i) big.append(frame);
  std::string path = dir + "/big.mp3";
  test::write_file(path, big.v);
  EXPECT_EQ(run(path, 0).out,
            "Processing " + path + "\nMPEG (MP3) file start\nID3v2.3 tag\n\tPCNT Length: 5 bytes\n" +
                test::stats(frames, "10m 50.000s", "Constant bitrate: 128kbps", 1034 + 417LL * frames));
  std::system(("rm -rf " + test::shell_quote(dir)).c_str());
}

}  // namespace
