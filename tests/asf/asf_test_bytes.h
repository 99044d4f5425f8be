// Builders for ASF test inputs: GUIDs, UTF-16LE strings and whole objects.
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

// Published GUIDs of the objects used in the tests.
const std::string kHeaderGuid = "75B22630-668E-11CF-A6D9-00AA0062CE6C";
const std::string kDataGuid = "75B22636-668E-11CF-A6D9-00AA0062CE6C";
const std::string kIndexGuid = "D6E229D3-35DA-11D1-9034-00A0C90349BE";
const std::string kSimpleIndexGuid = "33000890-E5B1-11CF-89F4-00A0C90349CB";
const std::string kFilePropertiesGuid = "8CABDCA1-A947-11CF-8EE4-00C00C205365";
const std::string kStreamPropertiesGuid = "B7DC0791-A9B7-11CF-8EE6-00C00C205365";
const std::string kHeaderExtensionGuid = "5FBF03B5-A92E-11CF-8EE3-00C00C205365";
const std::string kCodecListGuid = "86D15240-311D-11D0-A3A4-00A0C90348F6";
const std::string kContentDescriptionGuid = "75B22633-668E-11CF-A6D9-00AA0062CE6C";
const std::string kExtendedContentGuid = "D2D0A440-E307-11D2-97F0-00A0C95EA850";
const std::string kBitrateGuid = "7BF875CE-468D-11D1-8D82-006097C9A2B2";
const std::string kLanguageListGuid = "7C4346A9-EFE0-4BFC-B229-393EDE415C85";
const std::string kMetadataGuid = "C5F8CBEA-5BAF-4877-8467-AA8C44FA4CCA";
const std::string kMetadataLibraryGuid = "44231C94-9498-49D1-A141-1D134E457054";
const std::string kExtStreamGuid = "14E6A5CB-C672-4332-8399-A96952065B5A";
const std::string kIndexParametersGuid = "D6E229DF-35DA-11D1-9034-00A0C90349BE";
const std::string kPaddingGuid = "1806D474-CADF-4509-A4BA-9AABCB96AAE8";
const std::string kCompatibilityGuid = "26F18B5D-4584-47EC-9F5F-0E651F0452C9";

// ASCII text as UTF-16LE code units, with a terminating NUL unit if asked.
inline Bytes utf16(const std::string& s, bool nul = true) {
  Bytes b;
  for (unsigned char c : s) b.le16(c);
  if (nul) b.le16(0);
  return b;
}

// An object: its GUID, the given 64-bit size and the body.
inline Bytes object_sized(const std::string& g, uint64_t size, const Bytes& body) {
  Bytes b = guid(g);
  b.le64(size).append(body);
  return b;
}

// An object whose size is the true one.
inline Bytes object(const std::string& g, const Bytes& body) {
  return object_sized(g, 24 + body.size(), body);
}

// 100-ns steps since 1601 of a count of seconds since 1970.
constexpr uint64_t filetime(int64_t unix_seconds) {
  return static_cast<uint64_t>(unix_seconds + 11644473600LL) * 10000000ULL;
}

}  // namespace test
