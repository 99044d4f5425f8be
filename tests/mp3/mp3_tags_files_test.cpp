// End-to-end runs of the tool on MP3 files with tags after the audio
// (tests/data/make_mp3_tags.sh): lame's audio, ID3v1.1 tags by id3v2, APE v2
// tags by mutagen, and Lyrics3 and extended ID3v1 blocks composed by the
// script. Every file has the same audio: 5 MPEG 2.5 layer III frames of 72
// bytes (8 kbit/s at 8000 Hz), 360 bytes before the first tag.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "support/run.h"

namespace {

using test::run_tool;

std::string data(const std::string& name) { return std::string(TAGDELVE_DATA) + "/" + name; }

long long file_size(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 ? static_cast<long long>(st.st_size) : -1;
}

std::string statistics(long long length) {
  return "Statistics\n\tData frames: 5\n\tRunning time: 0m 0.130s\n\tConstant bitrate: 8kbps\n"
         "\tFile length: " +
         std::to_string(length) + "bytes\nMPEG (MP3) file end\n";
}

struct FileCase {
  const char* name;
  const char* option;  // "" for verbose 0
  long long size;
  const char* tags;  // the lines between the start line and the statistics
};

const FileCase kFiles[] = {
    {"mp3_id3v1.mp3", "", 488,
     "ID3v1 tag\n"
     "\tTrack  : {Tone}\n"
     "\tArtist : {tagdelve}\n"
     "\tAlbum  : {Test files}\n"
     "\tYear   : {2024}\n"
     "\tComment: {made by lame}\n"
     "\tTrack #: 5\n"
     "\tGenre  : 17 [Rock]\n"},
    // mutagen writes the items shortest first; flags 4 is an external
    // locator, 2 binary data.
    {"mp3_ape.mp3", "-v", 563,
     "APE v2 tag Version: <0xd0070000>, Items: 5, Global flags: <0x000000a0>\n"
     "\tItem Flags: <0x00000000> Title [Music piece title or work] = UTF-8{Tone}\n"
     "\tItem Flags: <0x00000000> Catalog [Catalogue number] = UTF-8{TD-0001}\n"
     "\tItem Flags: <0x00000000> Artist [Performing artist(s)] = UTF-8{tagdelve}\n"
     "\tItem Flags: <0x04000000> Related [Location of related information] = "
     "Encoding: 4{<0x687474703a2f2f6578616d706c652e6f72672f>}\n"
     "\tItem Flags: <0x02000000> Cover Art (Front) [Unknown key] = "
     "Encoding: 4{<0x636f7665722e6a706700ffd8ffe0>}\n"
     "\tFooter Version: <0xd0070000>, Length 171, Items: 5, Global flags: <0x00000080>\n"},
    {"mp3_ape_lyrics3_id3v1.mp3", "-v", 704,
     "APE v2 tag Version: <0xd0070000>, Items: 3, Global flags: <0x000000a0>\n"
     "\tItem Flags: <0x00000000> Year [Release date] = UTF-8{2024}\n"
     "\tItem Flags: <0x00000000> Title [Music piece title or work] = UTF-8{Tone}\n"
     "\tItem Flags: <0x00000000> Artist [Performing artist(s)] = UTF-8{tagdelve}\n"
     "\tFooter Version: <0xd0070000>, Length 90, Items: 3, Global flags: <0x00000080>\n"
     "Lyrics3 block\n"
     "\tVersion 2 fields\n"
     "\tIND [Indications]: {10}\n"
     "\tLYR [Lyrics]: {[00:00]La la\r\n[00:01]Lo lo}\n"
     "\tETT [Extended track title]: {Tone with lyrics}\n"
     "\tTotal block size: 79 bytes\n"
     "\tFooter: LYRICS200\n"
     "ID3v1 tag\n"
     "\tTrack  : {Tone}\n"
     "\tArtist : {tagdelve}\n"
     "\tAlbum  : {Test files}\n"
     "\tYear   : {2024}\n"
     "\tComment: {all three}\n"
     "\tTrack #: 3\n"
     "\tGenre  : 52 [Electronic]\n"},
    {"mp3_lyrics3v1_ext.mp3", "-v", 756,
     "Lyrics3 block\n"
     "\tVersion 1 data\n"
     "Line one\r\nLast Line\r\n"
     "\tFooter: LYRICSEND\n"
     "ID3v1 extended tag\n"
     "\tTrack remainder : {ich goes on in the extended tag}\n"
     "\tArtist remainder: {tagdelve}\n"
     "\tAlbum remainder : {Test files}\n"
     "\tSpeed           : {1}\n"
     "\tGenre           : {Sine Wave}\n"
     "\tStart time      : {000:00}\n"
     "\tEnd time mmm:ss : {000:01}\n"
     "ID3v1 tag\n"
     "\tTrack  : {A tone with a longer title, wh}\n"
     "\tArtist : {tagdelve}\n"
     "\tAlbum  : {Test files}\n"
     "\tYear   : {2024}\n"
     "\tComment: {}\n"
     "\tTrack #: 9\n"
     "\tGenre  : 255\n"},
};

TEST(Mp3TagFiles, TagsAfterTheAudio) {
  for (const FileCase& c : kFiles) {
    std::string path = data(c.name);
    ASSERT_EQ(file_size(path), c.size) << c.name;
    bool v = c.option[0] != '\0';
    test::RunResult r = v ? run_tool({c.option, path}) : run_tool({path});
    EXPECT_EQ(r.status, 0);
    std::string want = std::string(v ? "tagdelve v1.5\n" : "") + "Processing " + path +
                       "\nMPEG (MP3) file start\n" + c.tags + statistics(c.size) +
                       (v ? "tagdelve end of job\n" : "");
    EXPECT_EQ(r.out, want) << c.name;
    EXPECT_EQ(r.err, "");
  }
}

TEST(Mp3TagFiles, EachTagStartsWhereTheItemBeforeEnds) {
  // Audio 360 bytes, APE 32 + 90, Lyrics3 79 + 6 + 9, ID3v1 128.
  std::string path = data("mp3_ape_lyrics3_id3v1.mp3");
  test::RunResult r = run_tool({"-v", "-v", path});
  for (const char* line :
       {"Offset 288, Frame header <0xffe318c4>\n"
        "Data frame, 'MPEG 2.5' layer III, Err. prot.: off, Bit Rate: 8k,\n",
        "Offset 360, Frame header <0x41504554>\n"
        "APE v2 tag Version: <0xd0070000>, Length 90, Items: 3,",
        "\tItem Length 8, Flags: <0x00000000> Artist",
        "Offset 482, Frame header <0x4c595249>\nLyrics3 block\n",
        "Offset 576, Frame header <0x54414754>\nID3v1 tag\n", "\tFile length: 704bytes\n"}) {
    EXPECT_NE(r.out.find(line), std::string::npos) << line << "\n" << r.out;
  }
}

}  // namespace
