// Builders of the items of each format, for test inputs: ID3v2 tags and
// frames, FLAC metadata blocks, ASF GUIDs, strings, objects and timestamps,
// JPEG marker segments. TAR headers are in support/tar.h.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <string>

#include "support/bytes.h"

namespace test {

// --- ID3v2 ---

// The tag header: "ID3", major version, revision 0, flags, syncsafe size.
inline Bytes id3v2_tag(int major, int flags, uint32_t size) {
  return Bytes{}.str("ID3").add({major, 0, flags}).syncsafe32(size);
}

// Frames: ID3v2.2 (3-byte big-endian size), ID3v2.3 (4-byte big-endian) and
// ID3v2.4 (syncsafe), each with the stored content as given.
inline Bytes frame2(const std::string& id, const Bytes& content) {
  return Bytes{}.str(id).be24(static_cast<uint32_t>(content.size())).append(content);
}
inline Bytes frame3(const std::string& id, const Bytes& content, int f1 = 0, int f2 = 0) {
  return Bytes{}.str(id).be32(static_cast<uint32_t>(content.size())).add({f1, f2}).append(content);
}
inline Bytes frame4(const std::string& id, const Bytes& content, int f1 = 0, int f2 = 0) {
  return Bytes{}.str(id).syncsafe32(static_cast<uint32_t>(content.size())).add({f1, f2}).append(content);
}

// --- FLAC ---

inline Bytes block_header(int type, bool last, uint32_t length) {
  return Bytes().add({(last ? 0x80 : 0) | type}).be24(length);
}

// A metadata block: its header and body.
inline Bytes meta(int type, bool last, const Bytes& body) {
  return block_header(type, last, static_cast<uint32_t>(body.size())).append(body);
}

// --- JPEG ---

// A marker segment: 0xFF, the code, the length (counting itself), the payload.
inline std::string seg(int code, const std::string& payload) {
  const size_t n = payload.size() + 2;
  return std::string{'\xFF', char(code), char(n >> 8), char(n & 255)} + payload;
}

// SOI, the given bytes, EOI.
inline std::string image(const std::string& middle) { return "\xFF\xD8" + middle + "\xFF\xD9"; }

// --- ASF ---

// The 16 stored bytes of a GUID written in registry form, e.g.
// "75B22630-668E-11CF-A6D9-00AA0062CE6C": the first three groups are stored
// little-endian, the last two as written.
inline Bytes guid(const std::string& s) {
  auto hex = [&](size_t at, size_t n) {
    return static_cast<uint32_t>(std::strtoul(s.substr(at, n).c_str(), nullptr, 16));
  };
  Bytes b;
  b.le32(hex(0, 8)).le16(hex(9, 4)).le16(hex(14, 4)).be16(hex(19, 4));
  for (size_t i = 0; i < 6; ++i) b.add({static_cast<int>(hex(24 + 2 * i, 2))});
  return b;
}

// ASCII text as UTF-16LE code units, with a terminating NUL unit if asked.
inline Bytes utf16(const std::string& s, bool nul = true) {
  Bytes b;
  for (unsigned char c : s) b.le16(c);
  if (nul) b.le16(0);
  return b;
}

// An object: its GUID, a 64-bit size (by default the true one) and the body.
inline Bytes object(const std::string& g, const Bytes& body, uint64_t size = 0) {
  Bytes b = guid(g);
  b.le64(size ? size : 24 + body.size()).append(body);
  return b;
}

// 100-ns steps since 1601 of a count of seconds since 1970.
constexpr uint64_t filetime(int64_t unix_seconds) {
  return static_cast<uint64_t>(unix_seconds + 11644473600LL) * 10000000ULL;
}

}  // namespace test
