// Builders of ASF items for the inputs no case file can hold: GUIDs and
// objects. Every other input is written by the scripts of tests/cases/.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <string>

#include "support/bytes.h"

namespace test {

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

// An object: its GUID, a 64-bit size (by default the true one) and the body.
inline Bytes object(const std::string& g, const Bytes& body, uint64_t size = 0) {
  Bytes b = guid(g);
  b.le64(size ? size : 24 + body.size()).append(body);
  return b;
}

}  // namespace test
