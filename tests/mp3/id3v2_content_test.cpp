// What the MP3 reports cannot show. The walks themselves, frame by frame and
// tag by tag, are pinned by the reference reports of tests/cases/mp3/
// (written by tests/cases/make_mp3.py).
#include "mp3/id3v2_content.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "mp3/id3v2.h"
#include "support/capture.h"

namespace {

using namespace std::string_literals;

// A copy of the first n bytes of `s` in a heap block of exactly that size.
std::unique_ptr<uint8_t[]> exact(const std::string& s, size_t n) {
  std::unique_ptr<uint8_t[]> p(new uint8_t[n]);
  if (n > 0) memcpy(p.get(), s.data(), n);
  return p;
}

// "%8x" read inside the buffer agrees with the C library reading the same
// text with a terminator after it.
TEST(ID3v2Content, HexScanAgreesWithSscanf) {
  const char* texts[] = {" 000003C0", " \t\n\v\f\r7f", "123456789", "1234567g", "ffffffff", "-1", "+ff",
                         "0x", "0X1234567", "0x12345678", "  ", "- 1", "00000000001", ""};
  for (const char* t : texts) {
    unsigned value = 0;
    sscanf(t, "%8x", &value);
    EXPECT_EQ(tagdelve::scan_hex8(exact(t, strlen(t)).get(), static_cast<int64_t>(strlen(t))),
              static_cast<int32_t>(value))
        << t;
  }
}

// Every printer, in ID3v2.2 and later tags, given every prefix of contents
// that fill its fields, each in a heap block of exactly its size: a read past
// the content's end is caught by the address sanitizer (TAGDELVE_SANITIZE).
TEST(ID3v2Content, PrintersReadOnlyInsideTheContent) {
  const std::string contents[] = {
      "\0eng\0iTunNORM\0 00000384 00000320 00000960 00001388 0000AB12 0000CD34 00004000 00008000 00024CA8 00024CA9\0"s,
      "\0eng\0iTunSMPB\0 00000000 00000240 000003C0 0000000000015A18 00000000 00000001"s,
      "\0image/jpeg\0\3c\0\xFF\xD8\xFF\xDB\0\x43"s, "\0JPG\4c\0\xFF\xD8\xFF\xD9"s,
      "\1\xFF\xFEK\0\0\0\xFF\xFEv\0\0\0"s, "\2\0K\0\0\0v"s, "\0text/plain\0a.txt\0Notes\0hi"s,
      "\x3F\x80\0\0\x26\x1F\x4A\x41\x2C"s};
  for (tagdelve::Mode mode : {tagdelve::Mode::text, tagdelve::Mode::json}) {
    test::Captured cap(2, 0, tagdelve::Settings{2, mode});
    for (const tagdelve::ID3v2_frame_type& type : tagdelve::ID3v2_frames)
      for (const std::string& c : contents)
        for (size_t n = 0; n <= c.size(); ++n)
          for (int major : {2, 3}) {
            const std::unique_ptr<uint8_t[]> held = exact(c, n);
            type.print(*cap.r, tagdelve::Source::of_memory(held.get(), static_cast<int64_t>(n), cap.r.get()), major);
          }
    EXPECT_EQ(cap.text().empty(), mode == tagdelve::Mode::json);
  }
}

}  // namespace
