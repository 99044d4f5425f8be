#include "front/detect.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "mp3/mpeg.h"

namespace tagdelve {

namespace {

// An ID3v2 tag header: "ID3", a major version the MP3 walker knows, and a
// syncsafe size (every byte below 0x80).
bool id3v2_header(const uint8_t* p, int64_t n) {
  return n >= 10 && memcmp(p, "ID3", 3) == 0 && p[3] >= 2 && p[3] <= 4 && (p[6] | p[7] | p[8] | p[9]) < 0x80;
}

// An audio frame header followed, where the frame ends, by another: a stray
// pair of sync bytes in other data is not taken for MPEG audio.
bool mpeg_frames(const uint8_t* p, int64_t n) {
  if (n < 4) return false;
  const int32_t length = mpeg_frame_length(p);
  return length > 4 && n >= length + 4 && mpeg_frame_length(p + length) > 0;
}

// The ASF header object's GUID, 75B22630-668E-11CF-A6D9-00AA0062CE6C, as stored.
const uint8_t kAsfHeader[16] = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};

// A TAR header block: "ustar" at offset 257 (POSIX), or a checksum that
// matches (the old layout): the sum of the block's bytes, the checksum
// field counted as blanks, in octal in that field.
bool tar_header(const uint8_t* p, int64_t n) {
  if (n < 512) return false;
  if (memcmp(p + 257, "ustar", 5) == 0) return true;
  unsigned sum = 0;
  for (int i = 0; i < 512; ++i) sum += (i >= 148 && i < 156) ? ' ' : p[i];
  const std::string field(reinterpret_cast<const char*>(p + 148), 8);
  char* end = nullptr;
  const long stored = strtol(field.c_str(), &end, 8);
  return end != field.c_str() && stored == static_cast<long>(sum);
}

}  // namespace

const char* detect_format(Source& src) {
  int64_t n = 0;
  const uint8_t* p = src.look(kLookahead, &n);
  if (id3v2_header(p, n)) return "mp3";
  if (n >= 4 && memcmp(p, "fLaC", 4) == 0) return "flac";
  if (n >= 16 && memcmp(p, kAsfHeader, 16) == 0) return "wma";
  if (n >= 3 && p[0] == 0xFF && p[1] == 0xD8 && p[2] == 0xFF) return "jpg";
  if (tar_header(p, n)) return "tar";
  if (mpeg_frames(p, n)) return "mp3";
  return nullptr;
}

}  // namespace tagdelve
