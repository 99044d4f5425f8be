#include "tar/tar.h"

#include <gtest/gtest.h>

#include <string>

#include "front/dispatch.h"
#include "support/bytes.h"
#include "support/capture.h"
#include "support/tar.h"

namespace {

using namespace tagdelve;
using test::Bytes;
using test::Capture;
using test::Levels;
using test::MemStream;
using test::TarHeader;

// Walks `archive` as the file "t.tar" at depth 0, from a stream.
std::string walk(const Bytes& archive, int32_t v) {
  Levels lv(v, -1);
  Capture cap;
  MemStream ms(archive.v, 100);  // a small buffer: members cross refills
  Source src = ms.source();
  process_file("t.tar", src);
  EXPECT_EQ(indent, -1);
  return cap.text();
}

Bytes text_archive() {
  TarHeader h = test::named("a.txt");
  return test::tar_member(h, Bytes().str("0123456789")).append(test::tar_end());
}

TEST(Tar, TextMemberAtEachLevel) {
  Bytes archive = text_archive();
  EXPECT_EQ(walk(archive, 0),
            "TAR file start\n"
            "File name: a.txt\n"
            "\tMode: 0000644, UID: 0001750(1000), GID: 0001750(1000)\n"
            "\tSize: 10, Type: Normal\n"
            "\tUser: me, Group: us\n"
            "TAR file end\n");
  // Verbose 1 adds the raw fields, the stored size and the skip note, not
  // the offsets and padding.
  std::string v1 = walk(archive, 1);
  EXPECT_NE(v1.find("\tStored size: 512\n\tFile type txt not supported, skipped over a.txt\nTAR file end\n"),
            std::string::npos);
  EXPECT_EQ(v1.find("Offset"), std::string::npos);
  EXPECT_EQ(walk(archive, 2),
            "TAR file start\n"
            "Offset 0, File header block\n"
            "File name: a.txt\n"
            "\tMode: 0000644, UID: 0001750(1000), GID: 0001750(1000)\n"
            "\tStated size: 00000000012, Modified: 14733147260, Checksum: 0012345, File type: 0\n"
            "\tSize: 10, Type: Normal\n"
            "\tMagic: ustar, Version: 00\n"
            "\tUser: me, Group: us\n"
            "\tDevice major: 0000000, Device minor: 0000000, Filename prefix: \n"
            "\tStored size: 512\n"
            "\tFile type txt not supported, skipped over a.txt\n"
            "\ttar section padding 502 bytes\n"
            "Offset 1024, Null block\n"
            "Offset 1536, Null block\n"
            "TAR file end\n");
}

TEST(Tar, SameReportFromAMemoryBlock) {
  Bytes archive = text_archive();
  Levels lv(2, 0);
  Capture cap;
  Source src = Source::of_memory(archive.data(), static_cast<int64_t>(archive.size()));
  tar_file(src, process_file);
  std::string mem = cap.text();
  EXPECT_EQ(mem, walk(archive, 2));
}

TEST(Tar, LinksOldHeadersAndDirectories) {
  TarHeader link = test::named("song.mp3", '2');
  link.linkname = "music/real.mp3";
  TarHeader hard = test::named("h", '1');
  hard.linkname = "a.txt";
  TarHeader old = test::named("old.txt");
  old.magic = std::string(6, '\0');
  old.version = std::string(2, '\0');
  TarHeader dir = test::named("d.tar/", '5');
  dir.size = 1000;  // a directory stores no data whatever its size says
  Bytes archive = test::tar_header(link);
  archive.append(test::tar_header(hard));
  archive.append(test::tar_member(old, Bytes().str("abc")));
  archive.append(test::tar_header(dir));
  TarHeader after = test::named("z.txt");
  archive.append(test::tar_header(after)).append(test::tar_end());
  EXPECT_EQ(walk(archive, 0),
            "TAR file start\n"
            "File name: song.mp3\n"
            "\tMode: 0000644, UID: 0001750(1000), GID: 0001750(1000)\n"
            "\tSize: 0, Type: Symbolic link to: music/real.mp3\n"
            "\tUser: me, Group: us\n"
            // A member without data is walked over an empty source.
            "\tMPEG (MP3) file start\n"
            "\tStatistics\n"
            "\t\tData frames: 0\n"
            "\t\tRunning time: 0m 0.000s\n"
            "\t\tConstant bitrate: -1kbps\n"
            "\t\tFile length: 0bytes\n"
            "\tMPEG (MP3) file end\n"
            "File name: h\n"
            "\tMode: 0000644, UID: 0001750(1000), GID: 0001750(1000)\n"
            "\tSize: 0, Type: Hard link to: a.txt\n"
            "\tUser: me, Group: us\n"
            "File name: old.txt\n"
            "\tMode: 0000644, UID: 0001750(1000), GID: 0001750(1000)\n"
            "\tSize: 3, Type: Normal\n"
            "File name: d.tar/\n"
            "\tMode: 0000644, UID: 0001750(1000), GID: 0001750(1000)\n"
            "\tSize: 1000, Type: Directory\n"
            "\tUser: me, Group: us\n"
            "File name: z.txt\n"
            "\tMode: 0000644, UID: 0001750(1000), GID: 0001750(1000)\n"
            "\tSize: 0, Type: Normal\n"
            "\tUser: me, Group: us\n"
            "TAR file end\n");
  std::string v2 = walk(archive, 2);
  // The directory's padding is negative and skips nothing: the next header
  // follows directly.
  EXPECT_NE(v2.find("\tStored size: 0\n"
                    "\tFile type tar/ not supported, skipped over d.tar/\n"
                    "\ttar section padding -1000 bytes\n"
                    "Offset 2560, File header block\n"
                    "File name: z.txt\n"),
            std::string::npos)
      << v2;
}

TEST(Tar, OtherTypeFlags) {
  const std::pair<char, const char*> cases[] = {
      {'3', "Character special"}, {'4', "Block special"},  {'6', "FIFO"},
      {'7', "Contiguous file"},   {'x', "Extended header"}, {'g', "Global extended header"},
      {'L', "Long name"},         {'K', "Long link name"},  {'Z', "Unknown"},
  };
  for (const auto& [flag, name] : cases) {
    TarHeader h = test::named("m");
    h.type = flag;
    Bytes archive = test::tar_member(h, Bytes());
    std::string want = std::string("TAR file start\nFile name: m\n") +
                       "\tMode: 0000644, UID: 0001750(1000), GID: 0001750(1000)\n" +
                       "\tSize: 0, Type: " + name + "\n\tUser: me, Group: us\nTAR file end\n";
    EXPECT_EQ(walk(archive, 0), want) << flag;
  }
}

TEST(Tar, MetadataBlocksAreNotHandedToTheDispatch) {
  TarHeader pax = test::named("PaxHeaders/x.tar", 'x');
  TarHeader next = test::named("b.txt");
  Bytes archive = test::tar_member(pax, Bytes().str("30 path=PaxHeaders/x.tar\n"))
                      .append(test::tar_member(next, Bytes().str("x")));
  std::string v2 = walk(archive, 2);
  EXPECT_EQ(v2.find("TAR file start\n", 1), std::string::npos);  // no nested walk
  EXPECT_NE(v2.find("\tStored size: 512\n"
                    "\ttar section padding 487 bytes\n"
                    "Offset 1024, File header block\n"
                    "File name: b.txt\n"),
            std::string::npos)
      << v2;
}

TEST(Tar, TextFieldsStayWithinTheirWidth) {
  TarHeader h;
  h.name = std::string(100, 'n');  // no zero byte before the mode
  h.mode = "12345678";
  h.uid = "00000017";
  h.gid = "00000020";
  h.magic = "ustar ";  // GNU: the magic runs into the version
  h.version = " ";
  h.uname = std::string(32, 'u');
  h.gname = "g";
  h.prefix = std::string(155, 'p');  // up to the block's unread tail
  Bytes archive = test::tar_member(h, Bytes());
  archive.v[500] = 'X';  // the tail must not show up after the prefix
  std::string v1 = walk(archive, 1);
  std::string want = "TAR file start\nFile name: " + std::string(100, 'n') + "\n" +
                     "\tMode: 12345678, UID: 00000017(15), GID: 00000020(16)\n" +
                     "\tStated size: 00000000000, Modified: 14733147260, Checksum: 0012345, File type: 0\n" +
                     "\tSize: 0, Type: Normal\n" + "\tMagic: ustar , Version:  \\00\n" + "\tUser: " + std::string(32, 'u') + ", Group: g\n" +
                     "\tDevice major: 0000000, Device minor: 0000000, Filename prefix: " +
                     std::string(155, 'p') + "\n" + "\tStored size: 0\n" +
                     "\tFile type  not supported, skipped over " + std::string(100, 'n') + "\n" +
                     "TAR file end\n";
  EXPECT_EQ(v1, want);
}

struct SizeCase {
  std::string text;
  long long shown;
};

TEST(Tar, SizeFieldsReadLikeStrtol) {
  const SizeCase cases[] = {
      {"   17", 15}, {"17 junk", 15}, {"", 0}, {"junk", 0}, {"+7", 7}, {"777777777777", 68719476735LL},
  };
  for (const SizeCase& c : cases) {
    TarHeader h = test::named("s");
    h.size_text = c.text.empty() ? std::string(1, '\0') : c.text;
    Bytes archive = test::tar_header(h);
    std::string out = walk(archive, 0);
    EXPECT_NE(out.find("\tSize: " + std::to_string(c.shown) + ", Type: Normal\n"), std::string::npos)
        << c.text << "\n" << out;
  }
}

TEST(Tar, NegativeSizeStoresNothing) {
  TarHeader h = test::named("neg.tar");
  h.size_text = "-1000";  // octal: -512
  TarHeader next = test::named("n.txt");
  Bytes archive = test::tar_header(h).append(test::tar_header(next));
  std::string v2 = walk(archive, 2);
  EXPECT_NE(v2.find("\tSize: -512, Type: Normal\n"), std::string::npos) << v2;
  // Walked over an empty source; the next header follows at 512.
  EXPECT_NE(v2.find("\tStored size: 0\n"
                    "\tTAR file start\n"
                    "\tTAR file end\n"
                    "\ttar section padding 0 bytes\n"
                    "Offset 512, File header block\n"),
            std::string::npos)
      << v2;
}

TEST(Tar, NestedArchiveIsWalkedInPlace) {
  TarHeader inner_h = test::named("in.txt");
  Bytes inner = test::tar_member(inner_h, Bytes().str("hello"));  // 1024 bytes
  TarHeader outer_h = test::named("inner.tar");
  TarHeader last = test::named("last.txt");
  Bytes archive = test::tar_member(outer_h, inner).append(test::tar_member(last, Bytes().str("x")));
  archive.append(test::tar_end());
  std::string out = walk(archive, 2);
  // The inner archive's lines stand one level deeper, its offsets count from
  // its own start, and the outer walk goes on after it.
  const char* const pieces[] = {
      "\tStored size: 1024\n"
      "\tTAR file start\n"
      "\tOffset 0, File header block\n"
      "\tFile name: in.txt\n"
      "\t\tMode: 0000644, UID: 0001750(1000), GID: 0001750(1000)\n",
      "\t\tFile type txt not supported, skipped over in.txt\n"
      "\t\ttar section padding 507 bytes\n"
      "\tTAR file end\n"
      "\ttar section padding 0 bytes\n"
      "Offset 1536, File header block\n"
      "File name: last.txt\n",
      "\ttar section padding 511 bytes\n"
      "Offset 2560, Null block\n"
      "Offset 3072, Null block\n"
      "TAR file end\n",
  };
  for (const char* p : pieces) EXPECT_NE(out.find(p), std::string::npos) << p << "\n" << out;
}

TEST(Tar, MemberWalkThatStopsEarlyIsResynchronised) {
  // An inner archive of 700 bytes: its walker reads one block and stops
  // (the second would pass the member's end, which it reports), leaving 188
  // bytes unread.
  TarHeader inner_h = test::named("in.txt");
  Bytes inner = test::tar_header(inner_h).fill(188, 'j');
  TarHeader outer_h = test::named("short.tar");
  TarHeader next = test::named("next.txt");
  Bytes archive = test::tar_member(outer_h, inner).append(test::tar_member(next, Bytes().str("n")));
  for (size_t bs : {1u, 7u, 100u, 4096u}) {
    Levels lv(2, -1);
    Capture cap;
    MemStream ms(archive.v, bs);
    Source src = ms.source();
    process_file("t.tar", src);
    std::string out = cap.text();
    EXPECT_NE(out.find("\tError: Member ends inside the header block at offset 700: 324 more bytes expected\n"
                       "\tTAR file end\n"
                       "\ttar section padding 324 bytes\n"
                       "Offset 1536, File header block\n"
                       "File name: next.txt\n"),
              std::string::npos)
        << out;
  }
}

TEST(Tar, TruncatedArchives) {
  TarHeader h = test::named("big.txt", '0', 5000);
  Bytes archive = test::tar_header(h).fill(100, 'x');  // the data ends early
  EXPECT_EQ(walk(archive, 2),
            "TAR file start\n"
            "Offset 0, File header block\n"
            "File name: big.txt\n"
            "\tMode: 0000644, UID: 0001750(1000), GID: 0001750(1000)\n"
            "\tStated size: 00000011610, Modified: 14733147260, Checksum: 0012345, File type: 0\n"
            "\tSize: 5000, Type: Normal\n"
            "\tMagic: ustar, Version: 00\n"
            "\tUser: me, Group: us\n"
            "\tDevice major: 0000000, Device minor: 0000000, Filename prefix: \n"
            "\tStored size: 5120\n"
            "\tFile type txt not supported, skipped over big.txt\n"
            "Error: Premature end of file(2)\n"
            "\ttar section padding 120 bytes\n"
            "TAR file end\n");
  // A header cut short ends the walk, and says so; an empty archive ends
  // quietly.
  Bytes cut = test::tar_header(h);
  cut.v.resize(300);
  EXPECT_EQ(walk(cut, 2),
            "TAR file start\nError: File ends inside the header block at offset 300: 212 more bytes expected\n"
            "TAR file end\n");
  EXPECT_EQ(walk(Bytes(), 2), "TAR file start\nTAR file end\n");
}

TEST(Tar, MemberPastTheEndOfANestedArchive) {
  // The inner archive's member claims more than the inner archive holds: it
  // is bounded by the inner archive, which is bounded by the outer member.
  TarHeader deep = test::named("deep.tar", '0', 100000);
  Bytes inner = test::tar_header(deep).fill(512, 0);
  TarHeader outer_h = test::named("in.tar");
  TarHeader next = test::named("next.txt");
  Bytes archive = test::tar_member(outer_h, inner).append(test::tar_member(next, Bytes().str("n")));
  std::string out = walk(archive, 2);
  EXPECT_NE(out.find("\t\tTAR file start\n"
                     "\t\tOffset 0, Null block\n"
                     "\t\tTAR file end\n"
                     "Error: Premature end of file(1)\n"
                     "\t\ttar section padding 352 bytes\n"
                     "\tTAR file end\n"
                     "\ttar section padding 0 bytes\n"
                     "Offset 1536, File header block\n"
                     "File name: next.txt\n"),
            std::string::npos)
      << out;
}

TEST(Tar, ZeroSizeMembersAreWalkedLikeEmptyFiles) {
  for (const char* name : {"e.mp3", "e.wma", "e.jpg", "e.jpeg", "e.flac", "e.tar"}) {
    std::string alone;
    {
      Levels lv(2, -1);
      Capture cap;
      MemStream empty({});
      Source src = empty.source();
      process_file(name, src);
      alone = cap.text();
    }
    TarHeader h = test::named(name);
    TarHeader next = test::named("n.txt");
    Bytes archive = test::tar_header(h).append(test::tar_member(next, Bytes().str("abc")));
    std::string out = walk(archive, 2);
    // One level deeper, and nothing of the next header is read.
    std::string deeper;
    for (size_t at = 0; at < alone.size();) {
      size_t nl = alone.find('\n', at);
      deeper += "\t" + alone.substr(at, nl + 1 - at);
      at = nl + 1;
    }
    EXPECT_NE(out.find("\tStored size: 0\n" + deeper + "\ttar section padding 0 bytes\n"
                       "Offset 512, File header block\nFile name: n.txt\n"),
              std::string::npos)
        << name << "\n" << out;
  }
}

struct LongNameCase {
  const char* what;
  Bytes meta;       // the metadata member, header and data
  std::string shown;  // the name the next member's walk is given
};

TEST(Tar, LongNamesFromMetadataBlocks) {
  auto meta = [](char type, const Bytes& data) {
    TarHeader h = test::named("././@LongLink");
    h.type = type;
    return test::tar_member(h, data);
  };
  std::string big(70000, 'x');
  const LongNameCase cases[] = {
      {"GNU long name", meta('L', Bytes().strz("dir/real name.flac")), "dir/real name.flac"},
      {"pax path", meta('x', Bytes().str("20 mtime=1622548800\n23 path=dir/pax.tar.gz\n")), "dir/pax.tar.gz"},
      {"pax record with a bad length", meta('x', Bytes().str("99 path=x.flac\n")), "m.mp3"},
      {"pax record without a length", meta('x', Bytes().str("path=x.flac\n")), "m.mp3"},
      {"global header is not applied", meta('g', Bytes().str("16 path=x.flac\n")), "m.mp3"},
      {"long link name is not applied", meta('K', Bytes().strz("x.flac")), "m.mp3"},
      {"too long to read", meta('L', Bytes().str(big + ".flac").add({0})), "m.mp3"},
  };
  for (const LongNameCase& c : cases) {
    TarHeader m = test::named("m.mp3");
    TarHeader after = test::named("after.mp4");
    Bytes archive = c.meta;
    archive.append(test::tar_member(m, Bytes().str("abcd"))).append(test::tar_member(after, Bytes().str("z")));
    std::string out = walk(archive, 1);
    std::string ext = c.shown.substr(c.shown.rfind('.') + 1);
    bool walked = ext == "mp3" || ext == "flac";
    if (!walked)
      EXPECT_NE(out.find("\tFile type " + ext + " not supported, skipped over " + c.shown + "\n"),
                std::string::npos)
          << c.what << "\n" << out;
    else
      EXPECT_NE(out.find(ext == "mp3" ? "\tMPEG (MP3) file start\n" : "\tFLAC file start\n"), std::string::npos)
          << c.what << "\n" << out;
    // The header's own name is what "File name" shows; the long name is
    // used once.
    EXPECT_NE(out.find("File name: m.mp3\n"), std::string::npos) << c.what;
    EXPECT_NE(out.find("\tFile type mp4 not supported, skipped over after.mp4\n"), std::string::npos) << c.what;
  }
}

TEST(Tar, UnsynchronisedTagCannotReadIntoTheNextMember) {
  // An ID3v2.3 tag, unsynchronised, with an extended header that claims 1000
  // bytes more than its fields; 100 of them are stored as FF 00 pairs. Undone,
  // they need more stored bytes than the 1024-byte member holds.
  Bytes tag = Bytes().str("ID3").add({3, 0, 0xC0}).syncsafe32(2000);
  tag.be32(1010).add({0, 0}).be32(0);
  for (int i = 0; i < 100; ++i) tag.add({0xFF, 0x00});
  tag.fill(900, 'A');
  tag.v.resize(1024);
  TarHeader a = test::named("a.mp3");
  TarHeader b = test::named("b.txt");
  Bytes archive = test::tar_member(a, tag).append(test::tar_member(b, Bytes().str("b")));
  std::string out = walk(archive, 2);
  EXPECT_NE(out.find("\ttar section padding 0 bytes\nOffset 1536, File header block\nFile name: b.txt\n"),
            std::string::npos)
      << out;
}

}  // namespace
