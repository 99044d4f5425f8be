#include "mp3/id3v2_content.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "mp3/id3v2.h"
#include "support/bytes.h"
#include "support/capture.h"

namespace {

using namespace tagdelve;
using test::Bytes;

// Prints a frame content through the kind's printer. The content is copied
// into a heap buffer of exactly its size, so that a read past its end is
// caught by the address sanitizer.
std::string content(FramePrinter print, const Bytes& b, int v, int major = 3, int depth = 0) {
  test::Levels lv(v, depth);
  test::Capture cap;
  std::unique_ptr<uint8_t[]> exact(new uint8_t[b.size()]);
  if (b.size() > 0) memcpy(exact.get(), b.data(), b.size());
  print(exact.get(), static_cast<int64_t>(b.size()), major);
  return cap.text();
}

const FramePrinter kText = text_frame, kUserText = user_text, kUrl = url_link, kUserUrl = user_url,
                   kLyrics = lyrics_frame, kComment = comment_frame, kPicture = attached_picture,
                   kObject = encapsulated_object, kPrivate = private_frame, kGain = replay_gain,
                   kCounter = generic_frame;

// Encoding, language and a terminated description: the head of a comment.
Bytes comment_head(const std::string& description) { return Bytes{0}.str("eng").strz(description); }

TEST(ID3v2Content, EachPrinterAtVerboseZeroAndOne) {
  struct Case {
    const char* name;
    FramePrinter kind;
    Bytes bytes;
    const char* v0;
    const char* v1;
  };
  const Case cases[] = {
      {"TIT2 ISO-8859-1", kText, Bytes{0}.str("Tone"), "{Tone}\n", "ISO-8859-1{Tone}\n"},
      {"TIT2 UTF-16 FF FE", kText, Bytes{1, 0xFF, 0xFE, 'A', 0, 'b', 0, 0, 0}, "{Ab}\n",
       "UTF-16(+BOM){Ab}\n"},
      {"TIT2 UTF-16 FE FF", kText, Bytes{1, 0xFE, 0xFF, 0, 'A', 0, 'b'}, "{Ab}\n", "UTF-16(+BOM){Ab}\n"},
      {"TIT2 UTF-16 no mark", kText, Bytes{1, 'A', 0, 'b', 0}, "{Ab}\n", "UTF-16(+BOM){Ab}\n"},
      {"TIT2 UTF-16BE", kText, Bytes{2, 0, 'A', 0, 0xE9}, "{A\\00e9}\n", "UTF-16{A\\00e9}\n"},
      {"TIT2 UTF-8", kText, Bytes{3}.str("caf").add({0xC3, 0xA9, 0}), "{caf\\c3\\a9}\n",
       "UTF-8{caf\\c3\\a9}\n"},
      {"TXXX", kUserText, Bytes{0}.strz("Mood").str("calm"), "{Mood} = {calm}\n",
       "ISO-8859-1{Mood} = ISO-8859-1{calm}\n"},
      // The UTF-16 terminator is 2 bytes; the value has its own mark.
      {"TXXX UTF-16", kUserText, Bytes{1, 0xFF, 0xFE, 'K', 0, 0, 0, 0xFF, 0xFE, 'v', 0, 0, 0},
       "{K} = {v}\n", "UTF-16(+BOM){K} = UTF-16(+BOM){v}\n"},
      // The URL is ISO-8859-1 whatever the description's encoding.
      {"WXXX", kUserUrl, Bytes{1, 0xFF, 0xFE, 'H', 0, 0, 0}.str("http://x"), "{H} = {http://x}\n",
       "UTF-16(+BOM){H} = ISO-8859-1{http://x}\n"},
      {"WOAR", kUrl, Bytes{}.str("http://a.b/"), "{http://a.b/}\n", "ISO-8859-1{http://a.b/}\n"},
      {"COMM, empty description", kComment, comment_head("").str("Hi"), "Language: {eng}, {} {Hi}\n",
       "Language: ISO-8859-1{eng}, ISO-8859-1{} ISO-8859-1{Hi}\n"},
      {"USLT", kLyrics, comment_head("v1").str("la"), "Language: {eng}, {v1} {la}\n",
       "Language: ISO-8859-1{eng}, ISO-8859-1{v1} ISO-8859-1{la}\n"},
      {"PRIV", kPrivate, Bytes{}.strz("ab.c").add({1, 2, 'z'}), "{ab.c}, Value: 3 bytes\n\t\t<0x01027a |  z|>\n",
       "ISO-8859-1{ab.c}, Value: 3 bytes\n\t\t<0x01027a |  z|>\n"},
      {"GEOB", kObject, Bytes{0}.strz("text/plain").strz("a.txt").strz("Notes").str("hi"),
       "MIME: {text/plain}, {a.txt} {Notes}, Value: 2 bytes\n",
       "MIME: ISO-8859-1{text/plain},\n\t\tISO-8859-1{a.txt} ISO-8859-1{Notes}, Value: 2 bytes\n"
       "\t\t<0x6869 |hi|>\n"},
      {"PCNT (generic)", kCounter, Bytes{0, 0, 0, 5}, "Length: 4 bytes\n", "Length: 4 bytes\n"},
      // Peak 1.0 (0x3F800000), a track gain of -3.1 dB set by the producer,
      // and an empty field.
      {"RGAD", kGain, Bytes{}.be32(0x3F800000).be16(0x261F).be16(0x0000),
       "Peak: 1.000000, Track Gain (Producer) -3.1, Not set(Not set)\n",
       "Peak: 1.000000, Track Gain (Producer) -3.1, Not set(Not set)\n"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(content(c.kind, c.bytes, 0), c.v0) << c.name;
    EXPECT_EQ(content(c.kind, c.bytes, 1), c.v1) << c.name;
  }
  // The generic printer dumps from verbose 2 on.
  EXPECT_EQ(content(kCounter, Bytes{0, 0, 0, 5}, 2), "Length: 4 bytes\n\t\t<0x00000005 |    |>\n");
}

Bytes cut(Bytes b, size_t n) {  // the first n bytes
  b.v.resize(n);
  return b;
}

TEST(ID3v2Content, ITunNorm) {
  // Ten values of a space and 8 hex digits, and iTunes' final zero: 104 bytes.
  const Bytes full = comment_head("iTunNORM")
                         .str(" 00000384 00000320 00000960 00001388 0000AB12 0000CD34 00004000 "
                              "00008000 00024CA8 00024CA9")
                         .add({0});
  ASSERT_EQ(full.size(), 104u);
  // Gains -10 log10(v / 1000) for 900 and 800, -10 log10(v / 2500) for 2400
  // and 5000; peaks 0x4000 and 0x8000 over 32768.
  const std::string gains = " gain:(0.4576 0.9691) gain:(0.1773 -3.0103)";
  const std::string peaks = " peak:(0.500000 1.000000)";
  const std::string head = "Language: ISO-8859-1{eng}, ISO-8859-1{iTunNORM}";
  auto warning = [](int n) {
    return "Warning: Incorrect length (" + std::to_string(n) +
           ") iTunNORM frame, may not be recognised by iTunes.\n";
  };
  EXPECT_EQ(content(kComment, full, 0), "Language: {eng}, {iTunNORM}" + gains + peaks + "\n");
  EXPECT_EQ(content(kComment, full, 1),
            head + gains + " (0000AB12 0000CD34)" + peaks + " (00024CA8 00024CA9)\n");
  EXPECT_EQ(content(kComment, cut(full, 103), 1),
            head + warning(103) + gains + " (0000AB12 0000CD34)" + peaks + " (00024CA8 00024CA9)\n");
  // Cut inside value 6: the peaks are missing and read as 0, the raw texts
  // stop at the end of the content.
  EXPECT_EQ(content(kComment, cut(full, 60), 1),
            head + warning(60) + gains + " (0000AB12 0) peak:(0.000000 0.000000) ()\n");
}

TEST(ID3v2Content, ITunSmpb) {
  const Bytes full = comment_head("iTunSMPB")
                         .str(" 00000000 00000240 000003C0 0000000000015A18 00000000 00000001")
                         .add({0});
  EXPECT_EQ(content(kComment, full, 0),
            "Language: {eng}, {iTunSMPB} Encoder Delay (samples): 576, End Padding (samples): 960, "
            "Original Sample Count: 88600\n");
  const std::string head = "Language: ISO-8859-1{eng}, ISO-8859-1{iTunSMPB} (00000000) ";
  EXPECT_EQ(content(kComment, full, 1),
            head + "Encoder Delay (samples): 576, End Padding (samples): 960, "
                   "Original Sample Count: 88600 (00000000 00000001)\n");
  // Cut after 6 digits of the end padding (0x3).
  EXPECT_EQ(content(kComment, cut(full, 38), 1),
            head + "Encoder Delay (samples): 576, End Padding (samples): 3, Original Sample Count: 0 ()\n");
}

// "%8x" read inside the buffer agrees with the C library reading the same
// text with a terminator after it.
TEST(ID3v2Content, HexScanAgreesWithSscanf) {
  const char* texts[] = {" 000003C0", " \t\n\v\f\r7f", "123456789", "1234567g", "ffffffff", "-1",
                         "+ff", "0x", "0X1234567", "0x12345678", "  ", "- 1", "00000000001"};
  for (const char* t : texts) {
    unsigned value = 0;
    sscanf(t, "%8x", &value);
    size_t n = strlen(t);
    std::unique_ptr<uint8_t[]> exact(new uint8_t[n]);
    if (n > 0) memcpy(exact.get(), t, n);
    EXPECT_EQ(scan_hex8(exact.get(), static_cast<int64_t>(n)), static_cast<int32_t>(value)) << t;
  }
}

const Bytes kJpeg{0xFF, 0xD8, 0xFF, 0xD9};

Bytes apic(const std::string& mime, int type, const Bytes& data) {
  return Bytes{0}.strz(mime).add({type}).strz("c").append(data);
}

TEST(ID3v2Content, JpegPictureOneLevelDeeper) {
  // At depth 1, as inside a top-level MP3 walk: the JPEG walk at depth 2.
  EXPECT_EQ(content(kPicture, apic("image/jpeg", 3, kJpeg), 1, 4, 1),
            "MIME: ISO-8859-1{image/jpeg},\n"
            "\t\t\tType: 3 [Cover (front)], Description: ISO-8859-1{c}, Binary: 4 bytes\n"
            "\t\t\tJPEG content, Length: 4\n"
            "\t\tJPEG file start\n\t\tSOI marker [Start of Image]\n\t\tEOI marker [End of Image]\n"
            "\t\tJPEG file end\n");
}

// Other pictures, and contents shorter than their layout, which are read only
// inside their buffer.
TEST(ID3v2Content, PicturesAndShortContents) {
  struct Short {
    const char* name;
    FramePrinter kind;
    int major;
    Bytes bytes;
    int v;
    const char* want;
  };
  const Short cases[] = {
      // ID3v2.2: a 3-character image format instead of the MIME type.
      {"PIC JPG", kPicture, 2, Bytes{0}.str("JPG").add({4}).strz("c").append(kJpeg), 0,
       "Format: JPG, Type: 4, Description: {c}\n\tJPEG file start\n\tSOI marker\n\tEOI marker\n\tJPEG file end\n"},
      {"PIC PNG", kPicture, 2, Bytes{0}.str("PNG").add({3}).strz("").append(kJpeg), 0,
       "Format: PNG, Type: 3, Description: {}\n"},
      // Only "image/jpeg" is walked.
      {"image/png", kPicture, 3, apic("image/png", 0, kJpeg), 1,
       "MIME: ISO-8859-1{image/png},\n\t\tType: 0 [Other], Description: ISO-8859-1{c}, Binary: 4 bytes\n"},
      {"image/JPEG", kPicture, 3, apic("image/JPEG", 0, kJpeg), 1,
       "MIME: ISO-8859-1{image/JPEG},\n\t\tType: 0 [Other], Description: ISO-8859-1{c}, Binary: 4 bytes\n"},
      {"image/jpg", kPicture, 3, apic("image/jpg", 0, kJpeg), 1,
       "MIME: ISO-8859-1{image/jpg},\n\t\tType: 0 [Other], Description: ISO-8859-1{c}, Binary: 4 bytes\n"},
      {"empty text", kText, 3, Bytes{}, 1, "ISO-8859-1{}\n"},
      {"TXXX without terminator", kUserText, 3, Bytes{0}.str("ab"), 0, "{ab} = {}\n"},
      {"COMM of 2 bytes", kComment, 3, Bytes{0, 'e'}, 0, "Language: {e}, {} {}\n"},
      // No picture bytes are left: nothing is handed to the JPEG walker.
      {"JPEG description without terminator", kPicture, 3,
       Bytes{0}.strz("image/jpeg").add({3}).str("ab"), 1,
       "MIME: ISO-8859-1{image/jpeg},\n\t\tType: 3 [Cover (front)], Description: ISO-8859-1{ab}, "
       "Binary: 0 bytes\n"},
      {"JPEG without data", kPicture, 3, apic("image/jpeg", 3, Bytes{}), 0,
       "MIME: {image/jpeg}, Type: 3, Description: {c}\n"},
      {"picture type 21", kPicture, 3, apic("image/png", 21, Bytes{}), 1,
       "MIME: ISO-8859-1{image/png},\n\t\tType: 21 [Unknown], Description: ISO-8859-1{c}, Binary: 0 bytes\n"},
      {"PIC of 2 bytes", kPicture, 2, Bytes{0, 'J'}, 0, "Format: J, Type: 0, Description: {}\n"},
      {"PRIV without terminator", kPrivate, 3, Bytes{}.str("ow"), 0, "{ow}, Value: 0 bytes\n\t\t<0x ||>\n"},
      {"RGAD with a lone last byte", kGain, 3, Bytes{}.be32(0x3F800000).be16(0x261F).add({0x41}), 0,
       "Peak: 1.000000, Track Gain (Producer) -3.1\n"},
  };
  for (const Short& c : cases) EXPECT_EQ(content(c.kind, c.bytes, c.v, c.major), c.want) << c.name;
}

}  // namespace
