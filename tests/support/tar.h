// Builds TAR archives for tests: ustar headers with chosen fields.
#pragma once

#include <cstdio>
#include <cstring>
#include <string>

#include "support/bytes.h"

namespace test {

struct TarHeader {
  std::string name;
  long long size = 0;
  char type = '0';
  std::string linkname;
  std::string magic = std::string("ustar\0", 6);
  std::string version = "00";
  std::string size_text;  // overrides the octal size when not empty
  std::string mode = "0000644";
  std::string uid = "0001750";
  std::string gid = "0001750";
  std::string mtime = "14733147260";
  std::string chksum = "0012345";  // never verified by the reader
  std::string uname = "me";
  std::string gname = "us";
  std::string devmajor = "0000000";
  std::string devminor = "0000000";
  std::string prefix;
};

// A header for the member `name`, the other fields as above.
inline TarHeader named(const std::string& name, char type = '0', long long size = 0) {
  TarHeader h;
  h.name = name;
  h.type = type;
  h.size = size;
  return h;
}

inline void put_field(Bytes& b, size_t at, size_t width, const std::string& s) {
  memcpy(b.v.data() + at, s.data(), s.size() < width ? s.size() : width);
}

inline Bytes tar_header(const TarHeader& h) {
  Bytes b;
  b.fill(512, 0);
  char size[16];
  snprintf(size, sizeof size, "%011llo", h.size);
  put_field(b, 0, 100, h.name);
  put_field(b, 100, 8, h.mode);
  put_field(b, 108, 8, h.uid);
  put_field(b, 116, 8, h.gid);
  put_field(b, 124, 12, h.size_text.empty() ? std::string(size) : h.size_text);
  put_field(b, 136, 12, h.mtime);
  put_field(b, 148, 8, h.chksum);
  b.v[156] = static_cast<uint8_t>(h.type);
  put_field(b, 157, 100, h.linkname);
  put_field(b, 257, 6, h.magic);
  put_field(b, 263, 2, h.version);
  put_field(b, 265, 32, h.uname);
  put_field(b, 297, 32, h.gname);
  put_field(b, 329, 8, h.devmajor);
  put_field(b, 337, 8, h.devminor);
  put_field(b, 345, 155, h.prefix);
  return b;
}

// A header, the member's data and the padding to the next block.
inline Bytes tar_member(TarHeader h, const Bytes& data) {
  if (h.size_text.empty() && h.size == 0) h.size = static_cast<long long>(data.size());
  Bytes b = tar_header(h);
  b.append(data);
  b.fill((512 - data.size() % 512) % 512, 0);
  return b;
}

// The two null blocks that end an archive.
inline Bytes tar_end() { return Bytes().fill(1024, 0); }

}  // namespace test
