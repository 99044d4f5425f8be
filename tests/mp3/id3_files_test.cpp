// End-to-end runs of the tool on MP3 files whose ID3v2 frames were written by
// eyeD3, id3v2 (id3lib) and ffmpeg (tests/data/make_id3.sh). The expected
// lines follow the frames' bytes; the pictures are the same 286-byte 8x8
// JPEG from ImageMagick.
#include <gtest/gtest.h>

#include <string>

#include "support/run.h"

namespace {

using test::run_tool;

std::string data(const std::string& name) { return std::string(TAGDELVE_DATA) + "/" + name; }

// Seven MPEG 2.5 layer III frames of 72 bytes at 8 kbit/s (26 ms each for
// the running time).
std::string seven_frames(long long length) {
  return "Statistics\n\tData frames: 7\n\tRunning time: 0m 0.182s\n\tConstant bitrate: 8kbps\n"
         "\tFile length: " + std::to_string(length) + "bytes\nMPEG (MP3) file end\n";
}

// The cover picture walked one level deeper: SOI, JFIF, two quantization
// tables, the 8x8 frame of 3 components, four Huffman tables, the scan with
// its 4 data bytes, EOI.
const std::string kCoverWalk0 =
    "\tJPEG file start\n\tSOI marker\n"
    "\t\tAPP0 marker\n\t\t\tJFIF header\n\t\t\tVersion: 1.1, Units: 0, Density: 1x1, Thumbnail: 0x0\n"
    "\t\tDQT marker\n\t\tDQT marker\n"
    "\t\tSOF0 marker\n\t\t\tDepth: 8, Height: 8, Width: 8, Components: 3\n"
    "\t\tDHT marker\n\t\tDHT marker\n\t\tDHT marker\n\t\tDHT marker\n"
    "\t\tSOS marker\n\t\t\t4 bytes entropy data (the image)\n"
    "\tEOI marker\n\tJPEG file end\n";

const std::string kCoverWalk1 =
    "\tJPEG file start\n\tSOI marker [Start of Image]\n"
    "\t\tAPP0 marker [Application 0]\n\t\t\tJFIF header\n"
    "\t\t\tVersion: 1.1, Units: 0, Density: 1x1, Thumbnail: 0x0\n"
    "\t\tDQT marker [Define Quantization Table], Length: 67\n"
    "\t\tDQT marker [Define Quantization Table], Length: 67\n"
    "\t\tSOF0 marker [Start of Frame (Baseline)]\n"
    "\t\t\tDepth: 8, Height: 8, Width: 8, Components: 3\n"
    "\t\t\t\tComponent: 1, Sampling: 0x22, Quantization table: 0\n"
    "\t\t\t\tComponent: 2, Sampling: 0x11, Quantization table: 1\n"
    "\t\t\t\tComponent: 3, Sampling: 0x11, Quantization table: 1\n"
    "\t\tDHT marker [Define Huffman table], Length: 21\n"
    "\t\tDHT marker [Define Huffman table], Length: 20\n"
    "\t\tDHT marker [Define Huffman table], Length: 20\n"
    "\t\tDHT marker [Define Huffman table], Length: 20\n"
    "\t\tSOS marker [Start of Scan], Length: 12\n\t\t\t4 bytes entropy data (the image)\n"
    "\tEOI marker [End of Image]\n\tJPEG file end\n";

const std::string kNorm = " gain:(0.4576 0.9691) gain:(0.1773 -3.0103)";
const std::string kPeak = " peak:(0.500000 1.000000)";
const std::string kNormWarning =
    "Warning: Incorrect length (103) iTunNORM frame, may not be recognised by iTunes.\n";

TEST(Id3Files, VerboseZero) {
  struct File {
    const char* name;
    std::string report;
  };
  const File files[] = {
      // eyeD3 writes texts in UTF-8 (single bytes, so that its iTunNORM
      // description matches), the user URL's description in ISO-8859-1.
      {"mp3_cover_v24.mp3",
       "ID3v2.4 tag\n"
       "\tAPIC MIME: {image/jpeg}, Type: 3, Description: {Front}\n" + kCoverWalk0 +
           "\tAPIC MIME: {image/png}, Type: 4, Description: {Back}\n"
           "\tCOMM Language: {eng}, {iTunNORM}" + kNormWarning + kNorm + kPeak + "\n"
           "\tCOMM Language: {eng}, {} {A comment}\n"
           "\tGEOB MIME: {application/octet-stream}, {hi.bin} {Greeting}, Value: 5 bytes\n"
           "\tTIT2 {Cover}\n"
           "\tTPE1 {tagdelve}\n"
           "\tTXXX {Mood} = {calm}\n"
           "\tUSLT Language: {eng}, {Verse} {First line\\0aSecond line\\0a}\n"
           "\tWOAR {http://example.com/artist}\n"
           "\tWXXX {Shop} = {http://example.com/shop}\n" +
           seven_frames(1561)},
      {"mp3_itunes_v23.mp3",
       "ID3v2.3 tag\n"
       "\tTIT2 {Gapless}\n"
       "\tCOMM Language: {eng}, {iTunSMPB} Encoder Delay (samples): 576, End Padding (samples): 960, "
       "Original Sample Count: 2400\n"
       "\tCOMM Language: {eng}, {} {plain comment}\n"
       "\tTXXX {Mood} = {calm}\n"
       "\tUSLT Language: {eng}, {Verse} {la la la}\n"
       "\tWCOM {http://example.com/buy}\n" +
           seven_frames(2048)},
      // ffmpeg ends every text with a zero byte, and writes its comment and
      // lyrics as user texts; its Info frame at 24 kbit/s leads the audio.
      {"mp3_ffmpeg_v23.mp3",
       "ID3v2.3 tag\n"
       "\tTIT2 {Framed}\n"
       "\tTXXX {comment} = {made by ffmpeg}\n"
       "\tTXXX {USLT} = {la la}\n"
       "\tTXXX {mood} = {calm}\n"
       "\tTSSE {Lavf59.27.100}\n"
       "\tAPIC MIME: {image/jpeg}, Type: 3, Description: {Cover}\n" + kCoverWalk0 +
           "Statistics\n\tData frames: 8\n\tRunning time: 0m 0.208s\n"
           "\tAverage bitrate: 10kbps (vbr)\n\tFile length: 1175bytes\nMPEG (MP3) file end\n"},
  };
  for (const File& f : files) {
    std::string path = data(f.name);
    test::RunResult r = run_tool({path});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "Processing " + path + "\nMPEG (MP3) file start\n" + f.report) << f.name;
  }
}

TEST(Id3Files, VerboseOneCoverAndItunesComments) {
  std::string path = data("mp3_cover_v24.mp3");
  test::RunResult r = run_tool({"-v", path});
  const std::string flags = " Flags: <0x0000>, ";
  EXPECT_EQ(r.out,
            "tagdelve v1.5\nProcessing " + path +
                "\nMPEG (MP3) file start\n"
                "ID3v2.4 tag, Revision: 0, Flags: <0x00>\n"
                "\tAPIC [Attached picture]" + flags + "MIME: ISO-8859-1{image/jpeg},\n"
                "\t\tType: 3 [Cover (front)], Description: UTF-8{Front}, Binary: 286 bytes\n"
                "\t\tJPEG content, Length: 286\n" + kCoverWalk1 +
                "\tAPIC [Attached picture]" + flags + "MIME: ISO-8859-1{image/png},\n"
                "\t\tType: 4 [Cover (back)], Description: UTF-8{Back}, Binary: 83 bytes\n"
                "\tCOMM [Comments]" + flags + "Language: ISO-8859-1{eng}, UTF-8{iTunNORM}" +
                kNormWarning + kNorm + " (0000AB12 0000CD34)" + kPeak + " (00024CA8 00024CA9)\n"
                "\tCOMM [Comments]" + flags + "Language: ISO-8859-1{eng}, UTF-8{} UTF-8{A comment}\n"
                "\tGEOB [General encapsulated object]" + flags +
                "MIME: ISO-8859-1{application/octet-stream},\n"
                "\t\tUTF-8{hi.bin} UTF-8{Greeting}, Value: 5 bytes\n"
                "\t\t<0x68656c6c6f |hello|>\n"
                "\tTIT2 [Title/songname/content description]" + flags + "UTF-8{Cover}\n"
                "\tTPE1 [Lead performers(s)/soloist(s)]" + flags + "UTF-8{tagdelve}\n"
                "\tTXXX [User defined text information]" + flags + "UTF-8{Mood} = UTF-8{calm}\n"
                "\tUSLT [Unsynchronised lyric/text transcription]" + flags +
                "Language: ISO-8859-1{eng}, UTF-8{Verse} UTF-8{First line\\0aSecond line\\0a}\n"
                "\tWOAR [Official artist/performer webpage]" + flags +
                "ISO-8859-1{http://example.com/artist}\n"
                "\tWXXX [User defined URL link]" + flags +
                "ISO-8859-1{Shop} = ISO-8859-1{http://example.com/shop}\n" +
                seven_frames(1561) + "tagdelve end of job\n");

  r = run_tool({"-v", data("mp3_itunes_v23.mp3")});
  EXPECT_NE(r.out.find("\n\tCOMM [Comments]" + flags +
                       "Language: ISO-8859-1{eng}, ISO-8859-1{iTunSMPB} (00000000) Encoder Delay "
                       "(samples): 576, End Padding (samples): 960, Original Sample Count: 2400 "
                       "(00000000 00000000)\n"),
            std::string::npos)
      << r.out;
}

TEST(Id3Files, VerboseTwoSizesDumpsAndPictureOffsets) {
  test::RunResult r = run_tool({"-v", "-v", data("mp3_cover_v24.mp3")});
  // 11 frames of 10 + 681 bytes and the zero header that ends them: 246 of
  // the tag's 1047 bytes are padding. The JPEG walk counts its offsets from
  // the picture's first byte, and its EOI ends the picture exactly.
  const char* const pieces[] = {
      "Offset 0, Frame header <0x49443304>\n"
      "ID3v2.4 tag, Revision: 0, Flags: <0x00>, Length: 1047\n"
      "\tAPIC [Attached picture] Length: 305, Flags: <0x0000>, MIME: ISO-8859-1{image/jpeg},\n"
      "\t\tType: 3 [Cover (front)], Description: UTF-8{Front}, Binary: 286 bytes\n"
      "\t\tJPEG content, Length: 286\n"
      "\tJPEG file start\n"
      "\tOffset 0, JPEG marker: 0xffd8\n"
      "\tSOI marker [Start of Image]\n"
      "\tOffset 2, JPEG marker: 0xffe0\n"
      "\t\tAPP0 marker [Application 0], Length: 16\n",
      "\t\t\t4 bytes entropy data (the image)\n"
      "\tEOI marker [End of Image]\n"
      "\tJPEG file end\n"
      "\tAPIC [Attached picture] Length: 100, Flags: <0x0000>, MIME: ISO-8859-1{image/png},\n",
      "\tGEOB [General encapsulated object] Length: 47, Flags: <0x0000>, "
      "MIME: ISO-8859-1{application/octet-stream},\n"
      "\t\tUTF-8{hi.bin} UTF-8{Greeting}, Value: 5 bytes\n"
      "\t\t<0x68656c6c6f |hello|>\n"
      "\tTIT2 [Title/songname/content description] Length: 6, Flags: <0x0000>, UTF-8{Cover}\n",
      "\tWXXX [User defined URL link] Length: 29, Flags: <0x0000>, "
      "ISO-8859-1{Shop} = ISO-8859-1{http://example.com/shop}\n"
      "\tID3v2 tag padding 246 bytes\n"
      "Offset 1057, Frame header <0xffe318c4>\n",
  };
  for (const char* p : pieces) EXPECT_NE(r.out.find(p), std::string::npos) << p << "\n---\n" << r.out;
}

}  // namespace
