// A strict check of JSON Lines, for the fuzz targets: every line one JSON
// object (RFC 8259: no trailing commas, no bare control characters, every
// escape well-formed), the whole text well-formed UTF-8, no object with a
// name twice. Nesting deeper than the walks can go is refused too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>

namespace fuzz {

class JsonCheck {
 public:
  explicit JsonCheck(const std::string& text) : s_(text) {}

  // True when the text is lines of JSON objects, each ending with '\n'.
  bool lines() {
    while (i_ < s_.size()) {
      if (!object(0) || i_ >= s_.size() || s_[i_] != '\n') return false;
      ++i_;
    }
    return true;
  }

 private:
  bool object(int depth) {
    if (depth > 400 || !eat('{')) return false;
    std::set<std::string> names;
    if (eat('}')) return true;
    do {
      std::string name;
      if (!string(&name) || !names.insert(name).second || !eat(':') || !value(depth + 1)) return false;
    } while (eat(','));
    return eat('}');
  }
  bool array(int depth) {
    if (depth > 400 || !eat('[')) return false;
    if (eat(']')) return true;
    do {
      if (!value(depth + 1)) return false;
    } while (eat(','));
    return eat(']');
  }
  bool value(int depth) {
    if (i_ >= s_.size()) return false;
    switch (s_[i_]) {
      case '{': return object(depth);
      case '[': return array(depth);
      case '"': return string(nullptr);
      case 't': return word("true");
      case 'f': return word("false");
      case 'n': return word("null");
      default: return number();
    }
  }
  bool word(const char* w) {
    for (; *w != 0; ++w)
      if (!eat(*w)) return false;
    return true;
  }
  bool digits() {
    size_t from = i_;
    while (i_ < s_.size() && s_[i_] >= '0' && s_[i_] <= '9') ++i_;
    return i_ > from;
  }
  bool number() {
    eat('-');
    if (eat('0')) {
    } else if (!digits()) {
      return false;
    }
    if (eat('.') && !digits()) return false;
    if (i_ < s_.size() && (s_[i_] == 'e' || s_[i_] == 'E')) {
      ++i_;
      if (!eat('+')) eat('-');
      if (!digits()) return false;
    }
    return true;
  }
  bool string(std::string* out) {
    if (!eat('"')) return false;
    while (i_ < s_.size()) {
      const uint8_t c = static_cast<uint8_t>(s_[i_]);
      if (c == '"') {
        ++i_;
        return true;
      }
      if (c < 0x20) return false;
      if (c == '\\') {
        if (++i_ >= s_.size()) return false;
        const char e = s_[i_++];
        if (e == 'u') {
          for (int k = 0; k < 4; ++k, ++i_)
            if (i_ >= s_.size() || !isxdigit(static_cast<uint8_t>(s_[i_]))) return false;
        } else if (std::string("\"\\/bfnrt").find(e) == std::string::npos) {
          return false;
        }
        if (out != nullptr) out->append(s_, i_ - 2, 2);
        continue;
      }
      const size_t n = c < 0x80 ? 1 : c >= 0xC2 && c <= 0xDF ? 2 : c >= 0xE0 && c <= 0xEF ? 3 : c >= 0xF0 && c <= 0xF4 ? 4 : 0;
      if (n == 0 || i_ + n > s_.size()) return false;
      uint32_t cp = n == 1 ? c : c & (0x3F >> (n - 1));
      for (size_t k = 1; k < n; ++k) {
        const uint8_t b = static_cast<uint8_t>(s_[i_ + k]);
        if ((b & 0xC0) != 0x80) return false;
        cp = cp << 6 | (b & 0x3F);
      }
      static const uint32_t kMin[5] = {0, 0, 0x80, 0x800, 0x10000};
      if (cp < kMin[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
      if (out != nullptr) out->append(s_, i_, n);
      i_ += n;
    }
    return false;
  }
  bool eat(char c) {
    if (i_ < s_.size() && s_[i_] == c) {
      ++i_;
      return true;
    }
    return false;
  }

  const std::string& s_;
  size_t i_ = 0;
};

}  // namespace fuzz
