#include "asf/asf_bodies.h"

#include "asf/asf_values.h"
#include "common/decode.h"
#include "common/printers.h"

namespace tagdelve {

namespace {

constexpr double kSteps = 10'000'000.0;  // 100-ns steps a second
constexpr double kMillis = 1'000.0;

// True when `n` bytes from `at` lie inside a body of `len` bytes.
bool fits(size_t len, size_t at, uint64_t n) { return at <= len && n <= len - at; }

// Ends an object whose fields run past the end of its body.
void truncated(Report& r) { r.error_line("Object fields run past the end of the object"); }

// Prints ", Count: %u" with the 16-bit count at the start of the body at
// verbose > 0, ends the heading line, and gives the count; false (after the
// error line) when the body is too short to hold it and `needed` says the
// count is used.
bool heading_count(Report& r, size_t len, const uint8_t* body, bool needed, unsigned* count) {
  if (len < 2) {
    r.outc('\n');
    if (needed) truncated(r);
    return false;
  }
  *count = swab16(body);
  if (r.verbose > 0) r.outf(", Count: %u", *count);
  r.num(1, "count", *count);
  r.outc('\n');
  return true;
}

// A duration line: "<label>%.3f seconds".
void seconds_line(Report& r, const char* label, double seconds, const char* name) {
  r.printi();
  r.outf("%s%.3f seconds\n", label, seconds);
  r.real(0, name, seconds);
}

}  // namespace

void file_properties(Report& r, const uint8_t* p) {
  r.printi();
  r.outs("\t\tFile GUID (unique): ");
  put_guid(r, p, "file_id");
  r.outc('\n');
  r.printi();
  r.outf("\t\tFile size: %llu bytes\n", static_cast<unsigned long long>(swab64(p + 16)));
  r.unum(0, "file_size", swab64(p + 16));
  r.printi();
  r.outs("\t\tFile creation date: ");
  put_ms_time(r, swab64(p + 24), "creation_date");
  r.outc('\n');
  r.printi();
  r.outf("\t\tData packet count: %llu\n", static_cast<unsigned long long>(swab64(p + 32)));
  r.unum(0, "data_packets", swab64(p + 32));
  seconds_line(r, "\t\tPlay duration: ", asf_seconds(swab64(p + 40), kSteps), "play_duration");
  seconds_line(r, "\t\tSend duration: ", asf_seconds(swab64(p + 48), kSteps), "send_duration");
  seconds_line(r, "\t\tPreroll: ", asf_seconds(swab64(p + 56), kMillis), "preroll");
  if (r.verbose > 0) {
    r.printi();
    r.outf("\t\tFlags: <0x%.8x>\n", le32(p + 64));
    r.printi();
    r.outf("\t\tPacket size: %u/%u\n", le32(p + 68), le32(p + 72));
  }
  r.num(1, "flags", le32(p + 64));
  r.num(1, "min_packet_size", le32(p + 68));
  r.num(1, "max_packet_size", le32(p + 72));
  r.printi();
  r.outf("\t\tMaximum bitrate: %u bps\n", le32(p + 76));
  r.num(0, "max_bitrate", le32(p + 76));
}

void stream_properties(Report& r, const Source& held) {
  if (r.verbose <= 0) return;
  const uint8_t* body = held.block;
  const size_t len = static_cast<size_t>(held.limit);
  constexpr size_t kFixed = 54;
  if (len < kFixed) {
    truncated(r);
    return;
  }
  r.printi();
  r.outs("\t\tStream type: ");
  put_guid(r, body, "stream_type");
  r.outc('\n');
  r.printi();
  r.outs("\t\tError correction type: ");
  put_guid(r, body + 16, "error_correction_type");
  r.outc('\n');
  seconds_line(r, "\t\tTime offset: ", asf_seconds(swab64(body + 32), kSteps), "time_offset");
  r.printi();
  r.outf("\t\tFlags: <0x%.4x>\n", swab16(body + 48));
  r.num(1, "flags", swab16(body + 48));
  r.printi();
  r.outs("\t\tReserved: ");
  put_hex(r, 4, body + 50, "reserved");
  r.outc('\n');
  uint32_t type_len = le32(body + 40);
  uint32_t ecc_len = le32(body + 44);
  if (!fits(len, kFixed, type_len)) return truncated(r);
  r.printi();
  r.outs("\t\tType specific data: ");
  put_hex(r, type_len, body + kFixed, "type_specific_data");
  r.outc('\n');
  size_t at = kFixed + type_len;
  if (!fits(len, at, ecc_len)) return truncated(r);
  r.printi();
  r.outs("\t\tError correction data: ");
  put_hex(r, ecc_len, body + at, "error_correction_data");
  r.outc('\n');
}

void codec_list(Report& r, const Source& held) {
  const uint8_t* body = held.block;
  const size_t len = static_cast<size_t>(held.limit);
  r.printi();
  r.outs("\tCodec list object");
  if (len < 20) {
    r.outc('\n');
    return truncated(r);
  }
  uint32_t count = le32(body + 16);
  if (r.verbose > 0) {
    r.outs(", Reserved: ");
    put_guid(r, body, "reserved");
    r.outf(", Count: %u\n", count);
  }
  r.num(1, "count", count);
  r.outc('\n');
  size_t at = 20;
  for (uint32_t i = 0; i < count; ++i) {
    // Lengths in characters are doubled to bytes in 16 bits.
    if (!fits(len, at, 4)) return truncated(r);
    unsigned type = swab16(body + at);
    uint16_t name_len = static_cast<uint16_t>(2 * swab16(body + at + 2));
    size_t desc_at = at + 4 + name_len;
    if (!fits(len, desc_at, 2)) return truncated(r);
    uint16_t desc_len = static_cast<uint16_t>(2 * swab16(body + desc_at));
    size_t info_at = desc_at + 2 + desc_len;
    if (!fits(len, info_at, 2)) return truncated(r);
    unsigned info_len = swab16(body + info_at);
    if (!fits(len, info_at + 2, info_len)) return truncated(r);

    Item entry(r, "codec", held, static_cast<int64_t>(at), static_cast<int64_t>(info_at + 2 + info_len - at));
    r.printi();
    r.outf("\t\tCodec type: %u, name: ", type);
    r.num(0, "type", type);
    put_enc2(r, 0, name_len, body + at + 4, len - at - 4, "name");
    r.outc('\n');
    r.printi();
    r.outs("\t\t\tdescription: ");
    put_enc2(r, 0, desc_len, body + desc_at + 2, len - desc_at - 2, "description");
    r.outc('\n');
    if (r.verbose > 0) {
      r.printi();
      r.outs("\t\t\tinformation: ");
      ext_hex(r, info_len, body + info_at + 2, 3, "information");
    }
    r.outc('\n');
    at = info_at + 2 + info_len;
  }
}

void content_description(Report& r, const Source& held) {
  static const char* const labels[5] = {"\t\tTitle: ", "\t\tAuthor: ", "\t\tCopyright: ", "\t\tDescription: ",
                                        "\t\tRating: "};
  static const char* const names[5] = {"title", "author", "copyright", "description", "rating"};
  const uint8_t* body = held.block;
  const size_t len = static_cast<size_t>(held.limit);
  if (len < 10) return truncated(r);
  size_t at = 10;
  for (int i = 0; i < 5; ++i) {
    uint16_t n = static_cast<uint16_t>(swab16(body + 2 * i));
    if (!fits(len, at, n)) return truncated(r);
    r.printi();
    r.outs(labels[i]);
    put_enc2(r, 0, n, body + at, len - at, names[i]);
    r.outc('\n');
    at += n;
  }
}

void extended_content_description(Report& r, const Source& held) {
  const uint8_t* body = held.block;
  const size_t len = static_cast<size_t>(held.limit);
  r.printi();
  r.outs("\tExtended content description object");
  unsigned count = 0;
  if (!heading_count(r, len, body, true, &count)) return;
  size_t at = 2;
  for (unsigned i = 0; i < count; ++i) {
    if (!fits(len, at, 2)) return truncated(r);
    uint16_t name_len = static_cast<uint16_t>(swab16(body + at));
    size_t type_at = at + 2 + name_len;
    if (!fits(len, type_at, 4)) return truncated(r);
    unsigned type = swab16(body + type_at);
    uint16_t value_len = static_cast<uint16_t>(swab16(body + type_at + 2));
    size_t value_at = type_at + 4;
    if (!fits(len, value_at, value_len)) return truncated(r);

    Item entry(r, "descriptor", held, static_cast<int64_t>(at), static_cast<int64_t>(value_at + value_len - at));
    r.printi();
    r.outs("\t\t");
    put_enc2(r, 0, name_len, body + at + 2, len - at - 2, "name");
    r.outs(" = ");
    put_enc2(r, static_cast<int>(type), value_len, body + value_at, len - value_at, "value");
    r.outc('\n');
    at = value_at + value_len;
  }
}

void stream_bitrate_properties(Report& r, const Source& held) {
  const uint8_t* body = held.block;
  const size_t len = static_cast<size_t>(held.limit);
  r.printi();
  r.outs("\tStream bitrate properties object");
  unsigned count = 0;
  if (!heading_count(r, len, body, r.verbose > 0, &count) || r.verbose <= 0) return;
  size_t at = 2;
  for (unsigned i = 0; i < count; ++i, at += 6) {
    if (!fits(len, at, 6)) return truncated(r);
    Item entry(r, "bitrate record", held, static_cast<int64_t>(at), 6);
    r.printi();
    r.outf("\t\tStream: %u, Bitrate: %u bps\n", swab16(body + at), le32(body + at + 2));
    r.num(1, "stream", swab16(body + at));
    r.num(1, "bitrate", le32(body + at + 2));
  }
}

void language_list(Report& r, const Source& held) {
  const uint8_t* body = held.block;
  const size_t len = static_cast<size_t>(held.limit);
  r.printi();
  r.outs("\t\tLanguage list object");
  unsigned count = 0;
  if (!heading_count(r, len, body, r.verbose > 0, &count) || r.verbose <= 0) return;
  size_t at = 2;
  for (unsigned i = 0; i < count; ++i) {
    if (!fits(len, at, 1)) return truncated(r);
    uint8_t id_len = body[at];
    if (!fits(len, at + 1, id_len)) return truncated(r);
    Item entry(r, "language", held, static_cast<int64_t>(at), 1 + int64_t{id_len});
    r.printi();
    r.outs("\t\t\t");
    put_enc2(r, 0, id_len, body + at + 1, len - at - 1, "id");
    r.outc('\n');
    at += 1 + id_len;
  }
}

// The metadata and metadata library objects share their record layout; the
// first field of a record is reserved in the one and a language list index
// in the other.
static void metadata_records(Report& r, bool library, const Source& held) {
  const uint8_t* body = held.block;
  const size_t len = static_cast<size_t>(held.limit);
  r.printi();
  r.outs(library ? "\t\tMetadata library object" : "\t\tMetadata object");
  unsigned count = 0;
  if (!heading_count(r, len, body, r.verbose > 0, &count) || r.verbose <= 0) return;
  size_t at = 2;
  for (unsigned i = 0; i < count; ++i) {
    if (!fits(len, at, 12)) return truncated(r);
    const uint8_t* rec = body + at;
    unsigned name_len = swab16(rec + 4);
    unsigned type = swab16(rec + 6);
    uint32_t value_len = le32(rec + 8);
    if (!fits(len, at + 12, uint64_t{name_len} + value_len)) return truncated(r);
    size_t value_at = at + 12 + name_len;

    Item entry(r, "record", held, static_cast<int64_t>(at), static_cast<int64_t>(value_at + value_len - at));
    r.printi();
    r.outs("\t\t\t");
    r.outf(library ? "Language: %u, " : "Reserved: %u, ", swab16(rec));
    r.num(1, library ? "language" : "reserved", swab16(rec));
    r.outf("Stream: %u, ", swab16(rec + 2));
    r.num(1, "stream", swab16(rec + 2));
    put_enc2(r, 0, static_cast<uint16_t>(name_len), rec + 12, len - at - 12, "name");
    r.outs(" = ");
    // A value of 64 KiB or more is shown by its first (length mod 65,536) bytes.
    put_enc2(r, static_cast<int>(type), static_cast<uint16_t>(value_len), body + value_at, len - value_at, "value");
    r.outc('\n');
    at = value_at + value_len;
  }
}

void metadata(Report& r, const Source& body) { metadata_records(r, false, body); }

void metadata_library(Report& r, const Source& body) { metadata_records(r, true, body); }

}  // namespace tagdelve
