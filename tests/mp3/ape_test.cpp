#include "mp3/ape.h"

#include <gtest/gtest.h>

#include <string>

#include "mp3/mp3_support.h"
#include "support/bytes.h"

namespace {

using namespace tagdelve;
using test::Bytes;
using test::stats;
using test::walk;

const std::string kStart = "MPEG (MP3) file start\n";

std::string no_frames(long long length) {
  return stats(0, "0m 0.000s", "Constant bitrate: -1kbps", length);
}

Bytes item(uint32_t flags, const std::string& key, const std::string& value) {
  return Bytes{}.le32(static_cast<uint32_t>(value.size())).le32(flags).strz(key).str(value);
}

// Header or footer: APETAGEX, version, size, count, flags, 8 reserved bytes.
Bytes head(uint32_t version, uint32_t size, uint32_t count, uint32_t flags) {
  return Bytes{}.str("APETAGEX").le32(version).le32(size).le32(count).le32(flags).fill(8, 0);
}

// A tag as taggers write it: header, items and footer, with the sizes right.
Bytes ape(const Bytes& items, uint32_t count, uint32_t version = 2000) {
  uint32_t size = static_cast<uint32_t>(items.size()) + 32;
  return head(version, size, count, 0xA0000000)
      .append(items)
      .append(head(version, size, count, 0x80000000));
}

TEST(ApeTag, KeyTable) {
  EXPECT_EQ(find_ape("Title"), 0);
  EXPECT_EQ(find_ape("Dummy"), 29);
  EXPECT_EQ(find_ape("Catalog"), 15);
  EXPECT_EQ(find_ape("ARTIST"), 30);
  EXPECT_EQ(find_ape(""), 30);
  EXPECT_STREQ(ape_keys[30].description, "Unknown key");
}

TEST(ApeTag, TextItemAtEachVerbosity) {
  Bytes file = ape(item(0, "Artist", "Someone"), 1);
  ASSERT_EQ(file.size(), 86u);  // 32 + 22 + 32
  EXPECT_EQ(walk(file, 0), kStart + "APE v2 tag\n\tArtist = {Someone}\n" + no_frames(86));
  EXPECT_EQ(
      walk(file, 1),
      kStart +
          "APE v2 tag Version: <0xd0070000>, Items: 1, Global flags: <0x000000a0>\n"
          "\tItem Flags: <0x00000000> Artist [Performing artist(s)] = UTF-8{Someone}\n"
          "\tFooter Version: <0xd0070000>, Length 54, Items: 1, Global flags: <0x00000080>\n" +
          no_frames(86));
  // At verbose 2 the offset lines of the walk come too.
  std::string v2 = walk(file, 2);
  EXPECT_NE(v2.find("APE v2 tag Version: <0xd0070000>, Length 54, Items: 1, Global flags: "
                    "<0x000000a0>\n"
                    "\tItem Length 7, Flags: <0x00000000> Artist [Performing artist(s)] = "
                    "UTF-8{Someone}\n"),
            std::string::npos)
      << v2;
}

TEST(ApeTag, ItemsByFlagsAndKeys) {
  Bytes items = item(0, "Catalog", "CAT-1")
                    .append(item(0, "ARTIST", "Loud"))
                    .append(item(2, "Cover", "\x01\xff"))
                    .append(item(1, "Title", "RO"))
                    .append(item(0x01000000, "Year", "2024"));  // flags beyond the first byte
  Bytes file = ape(items, 5, 1000);
  long long n = static_cast<long long>(file.size());
  EXPECT_EQ(walk(file, 0), kStart +
                               "APE v2 tag\n"
                               "\tCatalog = {CAT-1}\n"
                               "\tARTIST = {Loud}\n"
                               "\tCover = {<0x01ff>}\n"
                               "\tTitle = {<0x524f>}\n"
                               "\tYear = {2024}\n" +
                               no_frames(n));
  std::string v1 = walk(file, 1);
  EXPECT_NE(v1.find("APE v2 tag Version: <0xe8030000>, Items: 5,"), std::string::npos) << v1;
  EXPECT_NE(v1.find("\tItem Flags: <0x00000000> Catalog [Catalogue number] = UTF-8{CAT-1}\n"
                    "\tItem Flags: <0x00000000> ARTIST [Unknown key] = UTF-8{Loud}\n"
                    "\tItem Flags: <0x02000000> Cover [Unknown key] = Encoding: 4{<0x01ff>}\n"
                    "\tItem Flags: <0x01000000> Title [Music piece title or work] = "
                    "Encoding: 4{<0x524f>}\n"
                    "\tItem Flags: <0x00000001> Year [Release date] = UTF-8{2024}\n"
                    "\tFooter Version: <0xe8030000>,"),
            std::string::npos)
      << v1;
}

TEST(ApeTag, NoFooterFlag) {
  // Bit 30 set: the tag size covers the items alone.
  Bytes items = item(0, "Title", "T");
  Bytes file = head(2000, static_cast<uint32_t>(items.size()), 1, 0x40000000).append(items);
  EXPECT_EQ(walk(file, 1),
            kStart +
                "APE v2 tag Version: <0xd0070000>, Items: 1, Global flags: <0x00000040>\n"
                "\tItem Flags: <0x00000000> Title [Music piece title or work] = UTF-8{T}\n" +
                no_frames(static_cast<long long>(file.size())));
}

TEST(ApeTag, TruncatedTag) {
  Bytes file = ape(item(0, "Title", "Tone"), 1);
  // Inside the header: the tag's line is begun and not ended.
  Bytes header_cut = file;
  header_cut.v.resize(20);
  EXPECT_EQ(walk(header_cut, 1), kStart + "APE v2 tag" + no_frames(4));
  // Inside the items, from a stream and from memory.
  Bytes items_cut = file;
  items_cut.v.resize(50);
  const std::string want = kStart + "APE v2 tag\n" + no_frames(32);
  EXPECT_EQ(walk(items_cut, 0), want);
  EXPECT_EQ(walk(items_cut, 0, 8), want);
  test::Levels lv(0, 0);
  test::Capture cap;
  mpeg_file(nullptr, items_cut.data(), static_cast<long long>(items_cut.size()));
  EXPECT_EQ(cap.text(), want);
}

TEST(ApeTag, ClaimedSizeBeyondTheSource) {
  // A size of 2 GiB - 1 and one of 4 GiB - 1 fail like any read; nothing of
  // that size is allocated.
  for (uint32_t size : {0x7FFFFFFFu, 0xFFFFFFFFu}) {
    Bytes file = head(2000, size, 1, 0).append(item(0, "Title", "x"));
    EXPECT_EQ(walk(file, 0), kStart + "APE v2 tag\n" + no_frames(32)) << size;
  }
}

// `b` without its last `n` bytes.
Bytes cut(Bytes b, size_t n) {
  b.v.resize(b.size() - n);
  return b;
}

struct HostileCase {
  const char* name;
  Bytes body;      // items and footer
  uint32_t count;  // the header's item count
  std::string lines;
};

TEST(ApeTag, HostileCountsKeysAndSizes) {
  // Each tag is read whole; the items that fit are printed, the first that
  // does not stops the walk, and nothing outside the tag is read.
  Bytes good = item(0, "Title", "ok");
  const std::string good_line =
      "\tItem Flags: <0x00000000> Title [Music piece title or work] = UTF-8{ok}\n";
  const std::string footer =
      "\tFooter Version: <0xd0070000>, Length 0, Items: 0, Global flags: <0x00000000>\n";
  const HostileCase cases[] = {
      {"count past the end", Bytes(good), 2,
       good_line + "Error: Item count passes the end of the tag\n"},
      {"count past the footer", Bytes(good).append(head(2000, 0, 0, 0)), 3,
       good_line + "Error: Item value passes the end of the tag\n"},
      {"key without its zero byte", Bytes(good).le32(0).le32(0).str("Title"), 2,
       good_line + "Error: Item key passes the end of the tag\n"},
      {"value size past the end", Bytes{}.le32(100).le32(0).strz("Title").str("short"), 1,
       "Error: Item value passes the end of the tag\n"},
      {"value size negative", Bytes{}.le32(0xFFFFFFF0).le32(0).strz("Title").str("short"), 1,
       "Error: Item value passes the end of the tag\n"},
      {"item header cut", Bytes{}.le32(0).le32(0), 1,
       "Error: Item key passes the end of the tag\n"},
      {"value ends the tag", Bytes{}.le32(2).le32(0).strz("Title").str("ok"), 1, good_line},
      // Footer fields up to the flags need 24 bytes after the last item.
      {"24 bytes after the items", cut(Bytes(good).append(head(2000, 0, 0, 0)), 8), 1,
       good_line + footer},
      {"23 bytes after the items", cut(Bytes(good).append(head(2000, 0, 0, 0)), 9), 1, good_line},
      {"no items, footer at the start", head(2000, 0, 0, 0), 0, footer},
  };
  for (const HostileCase& c : cases) {
    Bytes file = head(2000, static_cast<uint32_t>(c.body.size()), c.count, 0).append(c.body);
    char count[80];
    snprintf(count, sizeof count,
             "APE v2 tag Version: <0xd0070000>, Items: %u, Global flags: <0x00000000>\n", c.count);
    EXPECT_EQ(walk(file, 1),
              kStart + count + c.lines + no_frames(static_cast<long long>(file.size())))
        << c.name;
  }
}

TEST(ApeTag, NegativeCountAndSizeArePrintedSigned) {
  Bytes file = head(2000, 0xFFFFFFFF, 0x80000000, 0);
  EXPECT_EQ(walk(file, 2), kStart +
                               "Offset 0, Frame header <0x41504554>\n"
                               "APE v2 tag Version: <0xd0070000>, Length -1, Items: -2147483648, "
                               "Global flags: <0x00000000>\n" +
                               no_frames(32));
}

}  // namespace
