// Files made to be broken: control bytes never reach the report raw, a cut
// file says where it ends, every line is ended, and a report that cannot be
// written ends the run with an error.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "jpeg/tiff.h"
#include "mp3/id3v2_content.h"
#include "support/capture.h"
#include "support/formats.h"
#include "support/run.h"
#include "support/tar.h"

namespace {

using namespace std::string_literals;
using test::Bytes;

// ESC [31m, BEL, DEL and a C1 CSI: what a crafted tag puts in a text.
const std::string kHostile = "\x1b[31mX\x07\x7f\x9b";
const std::string kEscaped = "\\1b[31mX\\07\\7f\\9b";

Bytes field(const std::string& s, size_t width) {
  Bytes b;
  b.str(s).fill(width - s.size(), 0);
  return b;
}

Bytes id3v1(const std::string& title) {
  return Bytes{}.str("TAG").append(field(title, 30)).append(field("", 94)).add({0});
}

Bytes tar_of(test::TarHeader h) { return test::tar_member(h, Bytes()).append(test::tar_end()); }

TEST(HostileInput, RawFieldsShowControlBytesEscaped) {
  test::TarHeader named = test::named("m" + kHostile + ".txt");
  test::TarHeader link = test::named("l", '2');
  link.linkname = kHostile;
  test::TarHeader owner = test::named("o");
  owner.uname = kHostile;
  owner.gname = kHostile;
  owner.prefix = kHostile;
  test::TarHeader flag = test::named("f", '\x1b');
  const struct {
    const char* what;
    std::string name;
    Bytes file;
    int verbose;
    std::string want;
  } cases[] = {
      {"ID3v1 title", "a.mp3", id3v1(kHostile), 0, "\tTrack  : {" + kEscaped + "}\n"},
      {"TAG+ speed", "a.mp3", Bytes{}.str("TAG+").fill(180, 'a').add({0x1b}).fill(42, 'b'), 0,
       "\tSpeed           : {\\1b}\n"},
      {"Lyrics3 field", "a.mp3",
       Bytes{}.str("LYRICSBEGININD0000" + std::to_string(kHostile.size()) + kHostile + "000022LYRICS200"), 0,
       "\tIND [Indications]: {" + kEscaped + "}\n"},
      {"APE key", "a.mp3",
       Bytes{}.str("APETAGEX").le32(2000).le32(20).le32(1).le32(0x40000000).fill(8, 0)
           .le32(1).le32(0).str("K" + kHostile).add({0, 'v'}),
       0, "\tK" + kEscaped + " = {v}\n"},
      {"ID3v2 frame identifier", "a.mp3", test::id3v2_tag(3, 0, 14).append(test::frame3("\x1b\x07\x7f\x9b", Bytes{1, 2, 3, 4})),
       0, "\t\\1b\\07\\7f\\9b Length: 4 bytes\n"},
      {"TAR name and the note on it", "a.tar", tar_of(named), 1,
       "File name: m" + kEscaped + ".txt\n"},
      {"", "a.tar", tar_of(named), 1, "\tFile type txt not supported, skipped over m" + kEscaped + ".txt\n"},
      {"TAR link name", "a.tar", tar_of(link), 0, "\tSize: 0, Type: Symbolic link to: " + kEscaped + "\n"},
      {"TAR user and group", "a.tar", tar_of(owner), 0, "\tUser: " + kEscaped + ", Group: " + kEscaped + "\n"},
      {"TAR prefix", "a.tar", tar_of(owner), 1, "Filename prefix: " + kEscaped + "\n"},
      {"TAR type flag", "a.tar", tar_of(flag), 1, ", File type: \\1b\n"},
      {"JPEG APP identifier", "a.jpg", Bytes{}.str(test::image(test::seg(0xE0, kHostile + "\0"s))), 0,
       "\t\t" + kEscaped + " header\n"},
      {"FLAC application", "a.flac",
       Bytes{}.str("fLaC").append(test::meta(2, true, Bytes{}.add({0x1b, 'a', 0x7f, 0x9b}))), 0,
       "\tType: \\1ba\\7f\\9b\n"},
  };
  for (const auto& c : cases) {
    std::string out = test::walk_as(c.name, c.file.v, c.verbose);
    EXPECT_NE(out.find(c.want), std::string::npos) << c.what << "\n" << out;
    EXPECT_EQ(out.find('\x1b'), std::string::npos) << c.what;
  }
}

TEST(HostileInput, EncodedTextsAndExifShowControlBytesEscaped) {
  test::Levels lv(0, 0);
  {
    test::Capture cap;
    const Bytes pic = Bytes{0}.str("\x1bP\x9b").add({3}).add({0});
    tagdelve::attached_picture(pic.data(), static_cast<int64_t>(pic.size()), 2);
    EXPECT_EQ(cap.text().substr(0, 16), "Format: \\1bP\\9b,");
  }
  {
    // Exif ASCII keeps its octal form, now for 0x7F-0x9F too.
    test::Capture cap;
    Bytes tiff = Bytes{}.str("MM").be16(42).be32(8).be16(1).be16(0x010f).be16(2).be32(10).be32(26).be32(0);
    tiff.str(kHostile).add({0});
    tagdelve::tiff_header(tiff.data(), static_cast<int64_t>(tiff.size()));
    EXPECT_NE(cap.text().find("[Make] = {\\33[31mX\\7\\177\\233}"), std::string::npos) << cap.text();
  }
}

TEST(HostileInput, CutsInsideItemsAreReportedAndCutsBetweenThemAreNot) {
  const Bytes frame = Bytes{0xFF, 0xFB, 0x10, 0x64}.fill(100, 0);  // 104 bytes
  const Bytes flac = Bytes{}.str("fLaC").append(test::meta(1, false, Bytes{}.fill(10, 0)));
  const Bytes asf = test::object("75B22630-668E-11CF-A6D9-00AA0062CE6C", Bytes{}.le32(0).add({1, 2}));
  const Bytes jpeg = Bytes{}.str("\xFF\xD8" + test::seg(0xFE, "comment"));
  test::TarHeader mp3 = test::named("x.mp3");
  const Bytes cut_member = test::tar_member(mp3, Bytes{}.str("TAG").fill(20, 'x'));
  test::TarHeader pic = test::named("p.mp3");
  const Bytes cut_picture = test::tar_member(
      pic, test::id3v2_tag(3, 0, 33).append(test::frame3("APIC", Bytes{0}.str("image/jpeg").add({0, 3, 0}).str("\xFF\xD8\xFF\xDB\x00\x43"s))));
  auto first = [](Bytes b, size_t n) {
    b.v.resize(n);
    return b;
  };
  const struct {
    std::string name;
    Bytes file;
    std::string error;  // empty: the walk ends without a word
  } cases[] = {
      {"a.mp3", Bytes(frame).append(Bytes{0xFF, 0xFB}), "Error: File ends inside the frame header at offset 106: 2 more bytes expected"},
      {"a.mp3", frame, ""},
      {"a.mp3", first(test::id3v2_tag(3, 0, 30).append(test::frame3("TIT2", Bytes{0}.str("Title"))), 18),
       "Error: File ends inside the frame header at offset 18: 2 more bytes expected"},
      {"a.mp3", first(test::id3v2_tag(3, 0, 30).append(test::frame3("TIT2", Bytes{0}.str("Title"))), 24),
       "Error: File ends inside the TIT2 frame at offset 24: 2 more bytes expected"},
      {"a.flac", first(Bytes(flac).append(test::meta(6, true, Bytes{}.fill(40, 0))), 30),
       "Error: File ends inside the Picture metadata block at offset 30: 32 more bytes expected"},
      {"a.flac", flac, ""},
      {"a.wma", first(asf, 27), "Error: File ends inside the Header object at offset 27: 3 more bytes expected"},
      {"a.wma", asf, ""},
      {"a.jpg", first(jpeg, 8), "Error: File ends inside the COM marker at offset 8: 5 more bytes expected"},
      {"a.jpg", jpeg, ""},
      {"a.tar", first(test::tar_end(), 700), "Error: File ends inside the header block at offset 700: 324 more bytes expected"},
      {"a.tar", test::tar_end(), ""},
      {"a.tar", cut_member, "\tError: Member ends inside the ID3v1 tag at offset 23: 105 more bytes expected"},
      {"a.tar", cut_picture, "\t\tError: Picture ends inside the DQT marker at offset 6: 65 more bytes expected"},
  };
  for (const auto& c : cases) {
    for (size_t buffer : {size_t{0}, size_t{3}}) {
      std::string out = test::walk_as(c.name, c.file.v, 0, buffer);
      if (c.error.empty())
        EXPECT_EQ(out.find("Error"), std::string::npos) << out;
      else
        EXPECT_NE(out.find("\n" + c.error + "\n"), std::string::npos) << c.error << "\n" << out;
    }
  }
}

TEST(HostileInput, ALineThatWasBegunIsEnded) {
  // Walks that stop inside a line: the next line (here the statistics)
  // always begins a line of its own.
  const Bytes cases[] = {
      test::id3v2_tag(3, 0, 100).append(Bytes{}.str("TXXX").be32(361414714).add({0, 0, 0xAB, 0xAB})),
      Bytes{}.str("APETAGEX").fill(10, 0),
      test::id3v2_tag(4, 0x40, 20).add({0, 0}),
      Bytes{}.str("LYRICSBEGINno end"),
  };
  for (const Bytes& file : cases) {
    for (int v = 0; v <= 2; ++v) {
      std::string out = test::walk_as("a.mp3", file.v, v);
      EXPECT_NE(out.find("\nStatistics\n"), std::string::npos) << out;
      EXPECT_EQ(out.find("Statistics"), out.find("\nStatistics\n") + 1) << out;
    }
  }
}

TEST(HostileInput, ArchivesNestDeepOnlySoFar) {
  // Forty archives, each the only member of the one around it: the walk
  // stops descending at the 33rd, with a line that says so.
  Bytes archive = test::tar_end();
  for (int i = 0; i < 40; ++i) archive = test::tar_member(test::named("n.tar"), archive);
  std::string out = test::walk_as("a.tar", archive.v, 0);
  EXPECT_NE(out.find("\n" + std::string(33, '\t') + "Error: Members nested more than 32 deep: n.tar not walked\n"),
            std::string::npos);
  EXPECT_EQ(out.substr(out.size() - 13), "TAR file end\n");
}

TEST(HostileInput, AReportThatCannotBeWrittenEndsTheRunWithAnError) {
  test::RunResult r = test::run_tool({std::string(TAGDELVE_ROOT) + "/samples/song.mp3"}, "", "", "/dev/full");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "Error: writing the report failed: No space left on device\n");
}

}  // namespace
