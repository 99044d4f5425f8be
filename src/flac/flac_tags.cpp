#include "flac/flac_tags.h"

#include <cstring>

#include "common/decode.h"
#include "common/output.h"
#include "common/printers.h"
#include "jpeg/jpeg.h"
#include "common/apic.h"

namespace tagdelve {

namespace {

void cut_off(const char* what) { error_line("%s passes the end of the block", what); }

}  // namespace

void vorbis_comment(const uint8_t* body, int64_t length) {
  if (length < 4) return cut_off("Vendor length");
  uint32_t vendor = le32(body);
  if (vendor > length - 4) return cut_off("Vendor string");
  printi();
  outs("\tVendor: ");
  put_enc(3, vendor, body + 4);
  outc('\n');
  int64_t pos = 4 + int64_t{vendor};
  if (length - pos < 4) return cut_off("Comment count");
  int32_t count = swab32(body + pos);
  pos += 4;
  for (int32_t i = 0; i < count; ++i) {
    if (length - pos < 4) return cut_off("Comment length");
    uint32_t n = le32(body + pos);
    if (n > length - pos - 4) return cut_off("Comment");
    printi();
    outc('\t');
    put_enc(3, n, body + pos + 4);
    outc('\n');
    pos += 4 + int64_t{n};
  }
}

void flac_picture(const uint8_t* body, int64_t length) {
  if (length < 4) return cut_off("Picture type");
  int32_t type = word32(body);
  printi();
  outf("\tType: %d", type);
  if (verbose > 0) outf(" [%s]", apic_name(type));
  outc('\n');
  if (length < 8) return cut_off("MIME type length");
  uint32_t mime_len = be32(body + 4);
  if (mime_len > length - 8) return cut_off("MIME type");
  const uint8_t* mime = body + 8;
  int64_t pos = 8 + int64_t{mime_len};
  if (length - pos < 4) return cut_off("Description length");
  uint32_t desc_len = be32(body + pos);
  if (desc_len > length - pos - 4) return cut_off("Description");
  const uint8_t* desc = body + pos + 4;
  pos += 4 + int64_t{desc_len};
  printi();
  outs("\tMIME: ");
  put_enc(0, mime_len, mime);
  outs(", Description: ");
  put_enc(3, desc_len, desc);
  outc('\n');
  if (length - pos < 20) return cut_off("Picture dimensions");
  const uint8_t* f = body + pos;
  int32_t data_len = word32(f + 16);
  printi();
  outf("\tWidth: %ld, Height: %ld, Depth: %ld, Colours: %ld", static_cast<long>(word32(f)),
       static_cast<long>(word32(f + 4)), static_cast<long>(word32(f + 8)), static_cast<long>(word32(f + 12)));
  if (verbose > 0) outf(", Binary: %d bytes", data_len);
  outc('\n');
  pos += 20;
  // Picture data that passes the end of the block is reported whatever its
  // type, though only a JPEG picture is read.
  uint32_t picture = static_cast<uint32_t>(data_len);
  if (picture > length - pos) return cut_off("Picture data");
  // As strncmp bounded by the MIME length: "image/jpeg", and every leading
  // piece of it (the empty type included), counts as JPEG.
  if (strncmp(reinterpret_cast<const char*>(mime), "image/jpeg", mime_len) != 0) return;
  embedded_jpeg(body + pos, picture);
}

}  // namespace tagdelve
