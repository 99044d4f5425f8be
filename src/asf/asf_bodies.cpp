#include "asf/asf_bodies.h"

#include "asf/asf_values.h"
#include "common/decode.h"
#include "common/output.h"
#include "common/printers.h"

namespace tagdelve {

namespace {

constexpr double kSteps = 10'000'000.0;  // 100-ns steps a second
constexpr double kMillis = 1'000.0;

// True when `n` bytes from `at` lie inside a body of `len` bytes.
bool fits(size_t len, size_t at, uint64_t n) { return at <= len && n <= len - at; }

// Ends an object whose fields run past the end of its body.
void truncated() {
  error_line("Object fields run past the end of the object");
}

// Prints ", Count: %u" with the 16-bit count at the start of the body at
// verbose > 0, ends the heading line, and gives the count; false (after the
// error line) when the body is too short to hold it and `needed` says the
// count is used.
bool heading_count(size_t len, const uint8_t* body, bool needed, unsigned* count) {
  if (len < 2) {
    outc('\n');
    if (needed) truncated();
    return false;
  }
  *count = swab16(body);
  if (verbose > 0) outf(", Count: %u", *count);
  outc('\n');
  return true;
}

}  // namespace

void file_properties(const uint8_t* p) {
  printi();
  outs("\t\tFile GUID (unique): ");
  put_guid(p);
  outc('\n');
  printi();
  outf("\t\tFile size: %llu bytes\n", static_cast<unsigned long long>(swab64(p + 16)));
  printi();
  outs("\t\tFile creation date: ");
  put_ms_time(swab64(p + 24));
  outc('\n');
  printi();
  outf("\t\tData packet count: %llu\n", static_cast<unsigned long long>(swab64(p + 32)));
  printi();
  outf("\t\tPlay duration: %.3f seconds\n", asf_seconds(swab64(p + 40), kSteps));
  printi();
  outf("\t\tSend duration: %.3f seconds\n", asf_seconds(swab64(p + 48), kSteps));
  printi();
  outf("\t\tPreroll: %.3f seconds\n", asf_seconds(swab64(p + 56), kMillis));
  if (verbose > 0) {
    printi();
    outf("\t\tFlags: <0x%.8x>\n", le32(p + 64));
    printi();
    outf("\t\tPacket size: %u/%u\n", le32(p + 68), le32(p + 72));
  }
  printi();
  outf("\t\tMaximum bitrate: %u bps\n", le32(p + 76));
}

void stream_properties(const uint8_t* body, size_t len) {
  if (verbose <= 0) return;
  constexpr size_t kFixed = 54;
  if (len < kFixed) {
    truncated();
    return;
  }
  printi();
  outs("\t\tStream type: ");
  put_guid(body);
  outc('\n');
  printi();
  outs("\t\tError correction type: ");
  put_guid(body + 16);
  outc('\n');
  printi();
  outf("\t\tTime offset: %.3f seconds\n", asf_seconds(swab64(body + 32), kSteps));
  printi();
  outf("\t\tFlags: <0x%.4x>\n", swab16(body + 48));
  printi();
  outs("\t\tReserved: ");
  put_hex(4, body + 50);
  outc('\n');
  uint32_t type_len = le32(body + 40);
  uint32_t ecc_len = le32(body + 44);
  if (!fits(len, kFixed, type_len)) return truncated();
  printi();
  outs("\t\tType specific data: ");
  put_hex(type_len, body + kFixed);
  outc('\n');
  size_t at = kFixed + type_len;
  if (!fits(len, at, ecc_len)) return truncated();
  printi();
  outs("\t\tError correction data: ");
  put_hex(ecc_len, body + at);
  outc('\n');
}

void codec_list(const uint8_t* body, size_t len) {
  printi();
  outs("\tCodec list object");
  if (len < 20) {
    outc('\n');
    return truncated();
  }
  uint32_t count = le32(body + 16);
  if (verbose > 0) {
    outs(", Reserved: ");
    put_guid(body);
    outf(", Count: %u\n", count);
  }
  outc('\n');
  size_t at = 20;
  for (uint32_t i = 0; i < count; ++i) {
    // Lengths in characters are doubled to bytes in 16 bits.
    if (!fits(len, at, 4)) return truncated();
    unsigned type = swab16(body + at);
    uint16_t name_len = static_cast<uint16_t>(2 * swab16(body + at + 2));
    size_t desc_at = at + 4 + name_len;
    if (!fits(len, desc_at, 2)) return truncated();
    uint16_t desc_len = static_cast<uint16_t>(2 * swab16(body + desc_at));
    size_t info_at = desc_at + 2 + desc_len;
    if (!fits(len, info_at, 2)) return truncated();
    unsigned info_len = swab16(body + info_at);
    if (!fits(len, info_at + 2, info_len)) return truncated();

    printi();
    outf("\t\tCodec type: %u, name: ", type);
    put_enc2(0, name_len, body + at + 4, len - at - 4);
    outc('\n');
    printi();
    outs("\t\t\tdescription: ");
    put_enc2(0, desc_len, body + desc_at + 2, len - desc_at - 2);
    outc('\n');
    if (verbose > 0) {
      printi();
      outs("\t\t\tinformation: ");
      ext_hex(info_len, body + info_at + 2, 3);
    }
    outc('\n');
    at = info_at + 2 + info_len;
  }
}

void content_description(const uint8_t* body, size_t len) {
  static const char* const labels[5] = {"\t\tTitle: ", "\t\tAuthor: ", "\t\tCopyright: ",
                                        "\t\tDescription: ", "\t\tRating: "};
  if (len < 10) return truncated();
  size_t at = 10;
  for (int i = 0; i < 5; ++i) {
    uint16_t n = static_cast<uint16_t>(swab16(body + 2 * i));
    if (!fits(len, at, n)) return truncated();
    printi();
    outs(labels[i]);
    put_enc2(0, n, body + at, len - at);
    outc('\n');
    at += n;
  }
}

void extended_content_description(const uint8_t* body, size_t len) {
  printi();
  outs("\tExtended content description object");
  unsigned count = 0;
  if (!heading_count(len, body, true, &count)) return;
  size_t at = 2;
  for (unsigned i = 0; i < count; ++i) {
    if (!fits(len, at, 2)) return truncated();
    uint16_t name_len = static_cast<uint16_t>(swab16(body + at));
    size_t type_at = at + 2 + name_len;
    if (!fits(len, type_at, 4)) return truncated();
    unsigned type = swab16(body + type_at);
    uint16_t value_len = static_cast<uint16_t>(swab16(body + type_at + 2));
    size_t value_at = type_at + 4;
    if (!fits(len, value_at, value_len)) return truncated();

    printi();
    outs("\t\t");
    put_enc2(0, name_len, body + at + 2, len - at - 2);
    outs(" = ");
    put_enc2(static_cast<int>(type), value_len, body + value_at, len - value_at);
    outc('\n');
    at = value_at + value_len;
  }
}

void stream_bitrate_properties(const uint8_t* body, size_t len) {
  printi();
  outs("\tStream bitrate properties object");
  unsigned count = 0;
  if (!heading_count(len, body, verbose > 0, &count) || verbose <= 0) return;
  size_t at = 2;
  for (unsigned i = 0; i < count; ++i, at += 6) {
    if (!fits(len, at, 6)) return truncated();
    printi();
    outf("\t\tStream: %u, Bitrate: %u bps\n", swab16(body + at), le32(body + at + 2));
  }
}

void language_list(const uint8_t* body, size_t len) {
  printi();
  outs("\t\tLanguage list object");
  unsigned count = 0;
  if (!heading_count(len, body, verbose > 0, &count) || verbose <= 0) return;
  size_t at = 2;
  for (unsigned i = 0; i < count; ++i) {
    if (!fits(len, at, 1)) return truncated();
    uint8_t id_len = body[at];
    if (!fits(len, at + 1, id_len)) return truncated();
    printi();
    outs("\t\t\t");
    put_enc2(0, id_len, body + at + 1, len - at - 1);
    outc('\n');
    at += 1 + id_len;
  }
}

// The metadata and metadata library objects share their record layout; the
// first field of a record is reserved in the one and a language list index
// in the other.
static void metadata_records(bool library, const uint8_t* body, size_t len) {
  printi();
  outs(library ? "\t\tMetadata library object" : "\t\tMetadata object");
  unsigned count = 0;
  if (!heading_count(len, body, verbose > 0, &count) || verbose <= 0) return;
  size_t at = 2;
  for (unsigned i = 0; i < count; ++i) {
    if (!fits(len, at, 12)) return truncated();
    const uint8_t* r = body + at;
    unsigned name_len = swab16(r + 4);
    unsigned type = swab16(r + 6);
    uint32_t value_len = le32(r + 8);
    if (!fits(len, at + 12, uint64_t{name_len} + value_len)) return truncated();
    size_t value_at = at + 12 + name_len;

    printi();
    outs("\t\t\t");
    outf(library ? "Language: %u, " : "Reserved: %u, ", swab16(r));
    outf("Stream: %u, ", swab16(r + 2));
    put_enc2(0, static_cast<uint16_t>(name_len), r + 12, len - at - 12);
    outs(" = ");
    // A value of 64 KiB or more is shown by its first (length mod 65,536) bytes.
    put_enc2(static_cast<int>(type), static_cast<uint16_t>(value_len), body + value_at,
             len - value_at);
    outc('\n');
    at = value_at + value_len;
  }
}

void metadata(const uint8_t* body, size_t len) {
  metadata_records(false, body, len);
}

void metadata_library(const uint8_t* body, size_t len) {
  metadata_records(true, body, len);
}

}  // namespace tagdelve
