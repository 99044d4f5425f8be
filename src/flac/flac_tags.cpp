#include "flac/flac_tags.h"

#include <cstring>

#include "common/apic.h"
#include "common/decode.h"
#include "common/printers.h"

namespace tagdelve {

namespace {

void cut_off(Report& r, const char* what) { r.error_line("%s passes the end of the block", what); }

}  // namespace

void vorbis_comment(Report& r, const Source& held) {
  const uint8_t* body = held.block;
  const int64_t length = held.limit;
  if (length < 4) return cut_off(r, "Vendor length");
  uint32_t vendor = le32(body);
  if (vendor > length - 4) return cut_off(r, "Vendor string");
  r.printi();
  r.outs("\tVendor: ");
  put_enc(r, 3, vendor, body + 4, "vendor");
  r.outc('\n');
  int64_t pos = 4 + int64_t{vendor};
  if (length - pos < 4) return cut_off(r, "Comment count");
  int32_t count = swab32(body + pos);
  r.num(1, "comment_count", count);
  pos += 4;
  for (int32_t i = 0; i < count; ++i) {
    if (length - pos < 4) return cut_off(r, "Comment length");
    uint32_t n = le32(body + pos);
    if (n > length - pos - 4) return cut_off(r, "Comment");
    Item comment(r, "comment", held, pos, 4 + int64_t{n});
    const uint8_t* text = body + pos + 4;
    r.printi();
    r.outc('\t');
    put_enc(r, 3, n, text, "text");
    r.outc('\n');
    // The name and the value, for scripts: the name ends at the first '='.
    if (const void* eq = memchr(text, '=', n)) {
      const size_t name_len = static_cast<size_t>(static_cast<const uint8_t*>(eq) - text);
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
