// A small builder for the test inputs made in C++ (most inputs are files
// written by tests/cases/make_*.py with the builders of support/cases.py).
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace test {

struct Bytes {
  std::vector<uint8_t> v;

  Bytes() = default;
  Bytes(std::initializer_list<int> bytes) { add(bytes); }

  Bytes& add(std::initializer_list<int> bytes) {
    for (int b : bytes) v.push_back(static_cast<uint8_t>(b));
    return *this;
  }
  Bytes& str(const std::string& s) {  // without a terminator
    v.insert(v.end(), s.begin(), s.end());
    return *this;
  }
  Bytes& fill(size_t n, int b) {
    v.insert(v.end(), n, static_cast<uint8_t>(b));
    return *this;
  }
  Bytes& append(const Bytes& b) {
    v.insert(v.end(), b.v.begin(), b.v.end());
    return *this;
  }
  Bytes& be16(uint32_t x) { return add({int(x >> 8 & 255), int(x & 255)}); }
  Bytes& be32(uint32_t x) { return be16(x >> 16).be16(x & 0xFFFF); }
  Bytes& le16(uint32_t x) { return add({int(x & 255), int(x >> 8 & 255)}); }
  Bytes& le32(uint32_t x) { return le16(x & 0xFFFF).le16(x >> 16); }
  Bytes& le64(uint64_t x) { return le32(uint32_t(x)).le32(uint32_t(x >> 32)); }

  size_t size() const { return v.size(); }
  const uint8_t* data() const { return v.data(); }
};

}  // namespace test
