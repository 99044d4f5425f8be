#include "xiph/xiph_tags.h"

#include <cstring>
#include <vector>

#include "common/apic.h"
#include "common/decode.h"
#include "common/printers.h"

namespace tagdelve {

namespace {

void cut_off(Report& r, const char* what, const char* whole = "block") {
  r.error_line("%s passes the end of the %s", what, whole);
}

// The value of a base64 digit, or -1.
int base64_digit(uint8_t c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  return c == '+' ? 62 : c == '/' ? 63 : -1;
}

// Decodes base64 text (its padding optional; nothing else allowed) into
// `out`, which never grows beyond three quarters of the text. Returns the
// index of the first character out of place (the end of the digits when
// their number cannot be), or -1 when all are in place.
int64_t base64_decode(const uint8_t* p, int64_t n, std::vector<uint8_t>& out) {
  int64_t end = n;
  if (end > 0 && p[end - 1] == '=') --end;
  if (end > 0 && p[end - 1] == '=') --end;
  out.clear();
  out.reserve(static_cast<size_t>(end / 4 * 3 + 2));
  uint32_t bits = 0;
  for (int64_t i = 0; i < end; ++i) {
    const int d = base64_digit(p[i]);
    if (d < 0) return i;
    bits = bits << 6 | static_cast<uint32_t>(d);
    if (i % 4 == 3) {
      out.push_back(static_cast<uint8_t>(bits >> 16));
      out.push_back(static_cast<uint8_t>(bits >> 8));
      out.push_back(static_cast<uint8_t>(bits));
    }
  }
  // A lone digit in the last group, or padding that does not fill it.
  if (end % 4 == 1 || (end < n && n % 4 != 0)) return end;
  // Two or three digits left: one or two bytes.
  if (end % 4 == 2) out.push_back(static_cast<uint8_t>(bits >> 4));
  if (end % 4 == 3) {
    out.push_back(static_cast<uint8_t>(bits >> 10));
    out.push_back(static_cast<uint8_t>(bits >> 2));
  }
  return -1;
}

// A METADATA_BLOCK_PICTURE comment: its value (at `at` of `held`, `n`
// bytes) is a picture block in base64, walked one level deeper. The decoded
// bytes map back to the text four characters for every three bytes.
void picture_comment(Report& r, const Source& held, int64_t at, int64_t n) {
  r.num(0, "base64_length", n);
  std::vector<uint8_t> block;
  if (int64_t bad = base64_decode(held.block + at, n, block); bad >= 0) {
    r.error_line("METADATA_BLOCK_PICTURE is not valid base64 (at character %lld)", static_cast<long long>(bad));
    return;
  }
  std::vector<uint32_t> skipped;  // the position of every fourth character
  skipped.reserve(block.size() / 3);
  for (uint32_t k = 3; k <= block.size(); k += 3) skipped.push_back(k);
  Source picture = Source::of_memory(block.data(), static_cast<int64_t>(block.size()), held.report);
  picture.parent = &held;
  picture.start = at;
  picture.dropped = &skipped;
  Item item(r, "picture", picture, 0, picture.limit);
  ++r.indent;
  flac_picture(r, picture);
  --r.indent;
}

bool is_picture_name(const uint8_t* p, size_t n) {
  static constexpr char kName[] = "METADATA_BLOCK_PICTURE";
  if (n != sizeof kName - 1) return false;
  for (size_t i = 0; i < n; ++i)
    if ((p[i] >= 'a' && p[i] <= 'z' ? p[i] - 32 : p[i]) != kName[i]) return false;
  return true;
}

}  // namespace

void vorbis_comment(Report& r, const Source& held, const char* whole) {
  const uint8_t* body = held.block;
  const int64_t length = held.limit;
  if (length < 4) return cut_off(r, "Vendor length", whole);
  uint32_t vendor = le32(body);
  if (vendor > length - 4) return cut_off(r, "Vendor string", whole);
  r.printi();
  r.outs("\tVendor: ");
  put_enc(r, 3, vendor, body + 4, "vendor");
  r.outc('\n');
  int64_t pos = 4 + int64_t{vendor};
  if (length - pos < 4) return cut_off(r, "Comment count", whole);
  int32_t count = swab32(body + pos);
  r.num(1, "comment_count", count);
  pos += 4;
  for (int32_t i = 0; i < count; ++i) {
    if (length - pos < 4) return cut_off(r, "Comment length", whole);
    uint32_t n = le32(body + pos);
    if (n > length - pos - 4) return cut_off(r, "Comment", whole);
    Item comment(r, "comment", held, pos, 4 + int64_t{n});
    const uint8_t* text = body + pos + 4;
    const void* eq = memchr(text, '=', n);
    const size_t name_len = eq != nullptr ? static_cast<size_t>(static_cast<const uint8_t*>(eq) - text) : 0;
    if (eq != nullptr && is_picture_name(text, name_len)) {
      // The name, and the length of its base64 text, which is not shown.
      r.printi();
      r.outs("\t");
      put_enc(r, 3, static_cast<int64_t>(name_len), text, "name");
      r.outf(": %lld bytes of base64\n", static_cast<long long>(n - name_len - 1));
      picture_comment(r, held, pos + 4 + static_cast<int64_t>(name_len) + 1, n - static_cast<int64_t>(name_len) - 1);
      pos += 4 + int64_t{n};
      continue;
    }
    r.printi();
    r.outc('\t');
    put_enc(r, 3, n, text, "text");
    r.outc('\n');
    // The name and the value, for scripts: the name ends at the first '='.
    if (eq != nullptr) {
      r.text(0, "name", Enc::utf8, text, name_len);
      r.text(0, "value", Enc::utf8, text + name_len + 1, n - name_len - 1);
    }
    pos += 4 + int64_t{n};
  }
}

void flac_picture(Report& r, const Source& held) {
  const uint8_t* body = held.block;
  const int64_t length = held.limit;
  if (length < 4) return cut_off(r, "Picture type");
  int32_t type = word32(body);
  r.printi();
  r.outf("\tType: %d", type);
  r.num(0, "picture_type", type);
  if (r.verbose > 0) r.outf(" [%s]", apic_name(type));
  r.str(1, "picture_type_name", apic_name(type));
  r.outc('\n');
  if (length < 8) return cut_off(r, "MIME type length");
  uint32_t mime_len = be32(body + 4);
  if (mime_len > length - 8) return cut_off(r, "MIME type");
  const uint8_t* mime = body + 8;
  int64_t pos = 8 + int64_t{mime_len};
  if (length - pos < 4) return cut_off(r, "Description length");
  uint32_t desc_len = be32(body + pos);
  if (desc_len > length - pos - 4) return cut_off(r, "Description");
  const uint8_t* desc = body + pos + 4;
  pos += 4 + int64_t{desc_len};
  r.printi();
  r.outs("\tMIME: ");
  put_enc(r, 0, mime_len, mime, "mime");
  r.outs(", Description: ");
  put_enc(r, 3, desc_len, desc, "description");
  r.outc('\n');
  if (length - pos < 20) return cut_off(r, "Picture dimensions");
  const uint8_t* f = body + pos;
  int32_t data_len = word32(f + 16);
  r.printi();
  r.outf("\tWidth: %ld, Height: %ld, Depth: %ld, Colours: %ld", static_cast<long>(word32(f)),
         static_cast<long>(word32(f + 4)), static_cast<long>(word32(f + 8)), static_cast<long>(word32(f + 12)));
  r.num(0, "width", word32(f));
  r.num(0, "height", word32(f + 4));
  r.num(0, "depth", word32(f + 8));
  r.num(0, "colours", word32(f + 12));
  if (r.verbose > 0) r.outf(", Binary: %d bytes", data_len);
  r.num(1, "picture_length", data_len);
  r.outc('\n');
  pos += 20;
  // Picture data that passes the end of the block is reported whatever its
  // type, though only a JPEG picture is read.
  uint32_t picture = static_cast<uint32_t>(data_len);
  if (picture > length - pos) return cut_off(r, "Picture data");
  // As strncmp bounded by the MIME length: "image/jpeg", and every leading
  // piece of it (the empty type included), counts as JPEG.
  if (strncmp(reinterpret_cast<const char*>(mime), "image/jpeg", mime_len) != 0 || picture == 0) return;
  Source jpeg = held.held(body + pos, picture, pos);
  jpeg.name = "Picture";
  r.dispatch.embedded(r, "jpg", jpeg);
}

}  // namespace tagdelve
