#include "asf/asf.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

#include "asf/asf_bodies.h"
#include "asf/asf_values.h"
#include "common/decode.h"
#include "common/printers.h"
#include "common/table.h"

namespace tagdelve {

namespace {

const AsfObjectType asf_objects[] = {
    {0x75B22630, "Header object", AsfKind::header},
    {0x75B22636, "Data object", AsfKind::data},
    {0xD6E229D3, "Index object", AsfKind::index},
    {0x33000890, "Simple index object", AsfKind::simple_index},
    {0x8CABDCA1, "\tFile properties object", AsfKind::file_properties},
    {0xB7DC0791, "\tStream properties object", AsfKind::stream_properties},
    {0x5FBF03B5, "\tHeader extension object", AsfKind::header_extension},
    {0x86D15240, "\tCodec list object", AsfKind::codec_list},
    {0x75B22633, "\tContent description object", AsfKind::content_description},
    {0xD2D0A440, "\tExtended content description object", AsfKind::extended_content_description},
    {0x7BF875CE, "\tStream bitrate properties object", AsfKind::stream_bitrate_properties},
    {0x7C4346A9, "\t\tLanguage list object", AsfKind::language_list},
    {0xC5F8CBEA, "\t\tMetadata object", AsfKind::metadata},
    {0x44231C94, "\t\tMetadata library object", AsfKind::metadata_library},
    {0x14E6A5CB, "\t\tExtended stream properties object", AsfKind::skipped},
    {0xD6E229DF, "\t\tIndex parameters object", AsfKind::skipped},
    {0x1806D474, "\t\tPadding object", AsfKind::skipped},
    {0x26F18B5D, "\t\tCompatability object", AsfKind::skipped},
};

constexpr uint64_t kObjectHeader = 24;  // GUID and 64-bit size

// Bytes of the body that the walker reads before anything is skipped.
uint64_t fixed_part(AsfKind kind) {
  switch (kind) {
    case AsfKind::header: return 6;
    case AsfKind::header_extension: return 22;
    case AsfKind::data: return 26;
    case AsfKind::simple_index: return 32;
    case AsfKind::file_properties: return kFilePropertiesSize;
    default: return 0;
  }
}

// Reads the whole body of an object of `size` bytes (nothing is allocated
// beyond what the source holds). When the source cannot supply it, reports
// where it ends inside the object, `name`, and returns false.
bool read_body(Source& src, std::vector<uint8_t>& body, uint64_t size, const char* name) {
  const uint64_t count = size - kObjectHeader;
  const int64_t from = src.tell();
  if (count > static_cast<uint64_t>(kNoLimit - from)) {
    // A size no position can express, let alone a source hold. Passing over
    // all there is finds where the source ends (of a pipe, by reading).
    src.pass(kNoLimit - from);
    const Shortfall& s = src.shortfall;
    report_end(src, s.file_end ? "File" : src.name, name, s.at, count - static_cast<uint64_t>(s.at - from));
    return false;
  }
  if (src.body(body, static_cast<int64_t>(count))) return true;
  src.ended_inside(name);
  return false;
}

// Skips the rest of an object. The position moves on by the count whether
// or not the skip succeeded, so a skip past the limit makes the next read
// fail. A count beyond what any position can express is cut to the largest
// position: no source holds that much, so the skip fails as it would have.
void skip_rest(Source& src, uint64_t size, uint64_t consumed) {
  uint64_t rest = size - consumed;
  uint64_t room = static_cast<uint64_t>(kNoLimit - src.tell());
  src.skip(static_cast<int64_t>(rest < room ? rest : room));
}

// ", Length %llu" with the body length, at verbose > 0, and the line end.
void body_length(Report& r, uint64_t size) {
  if (r.verbose > 0) r.outf(", Length %llu", static_cast<unsigned long long>(size - kObjectHeader));
  r.outc('\n');
}

// The header object's GUID, 75B22630-668E-11CF-A6D9-00AA0062CE6C, as stored.
const uint8_t kAsfHeader[16] = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};

}  // namespace

const AsfObjectType* find_asf_object(uint32_t first_group) {
  return find_row(asf_objects, [first_group](const AsfObjectType& t) { return t.first_group == first_group; });
}

Probe asf_probe(const uint8_t* p, int64_t n) {
  return n >= 16 && memcmp(p, kAsfHeader, 16) == 0 ? Probe::strong : Probe::no;
}

void asf_file(Report& r, Source& src) {
  Item file(r, "ASF (WMA) file", src, 0);
  r.printi();
  r.outs("ASF (WMA) file start\n");
  while (asf_object(r, src)) {
  }
  r.printi();
  r.outs("ASF (WMA) file end\n");
  file.length = src.tell();
}

bool asf_object(Report& r, Source& src) {
  const int64_t at = src.tell();
  uint8_t head[kObjectHeader];
  if (!src.read(head, kObjectHeader)) {
    src.ended_inside("object header", true);
    return false;
  }
  const uint8_t* guid = head;
  uint64_t size = swab64(head + 16);
  const AsfObjectType* type = find_asf_object(le32(guid));
  AsfKind kind = type == nullptr ? AsfKind::unknown : type->kind;
  const char* heading = type == nullptr ? "" : type->heading;
  // When the source ends inside the object: named as its heading names it.
  const char* name = type == nullptr ? "unknown object" : heading + strspn(heading, "\t");
  Item object(r, type == nullptr ? "Unknown object" : name, src, at,
              size <= static_cast<uint64_t>(kNoLimit) ? static_cast<int64_t>(size) : -1);
  if (r.verbose > 1) {
    r.printi();
    r.outf("Offset %lld, GUID: ", static_cast<long long>(at));
    put_guid(r, guid);
    r.outf(", Length: %llu\n", static_cast<unsigned long long>(size));
  }
  if (r.wants(2)) put_guid(r, guid, "guid");
  r.unum(2, "size", size);
  uint64_t consumed = kObjectHeader;

  auto cut = [&src, name] {
    src.ended_inside(name);
    return false;
  };

  // A size that does not even cover what is read of the object cannot be
  // skipped by; the walk has lost its place.
  uint64_t minimum = kObjectHeader + fixed_part(kind);
  if (size < minimum) {
    char text[160];
    snprintf(text, sizeof text, "Object size %llu is less than %llu bytes, GUID=", static_cast<unsigned long long>(size),
             static_cast<unsigned long long>(minimum));
    r.error(std::string(text) + guid_text(guid), &src, at);
    return false;
  }

  uint8_t fixed[kFilePropertiesSize];
  std::vector<uint8_t> body;
  switch (kind) {
    case AsfKind::header:
      r.printi();
      r.outs(heading);
      if (!src.read(fixed, 6)) return cut();
      if (r.verbose > 0) {
        r.outf(", Objects: %u, Reserved: ", le32(fixed));
        put_hex(r, 2, fixed + 4);
      }
      r.num(1, "objects", le32(fixed));
      r.hex(1, "reserved", fixed + 4, 2);
      r.outc('\n');
      return true;  // the children follow

    case AsfKind::header_extension:
      r.printi();
      r.outs(heading);
      r.outc('\n');
      if (!src.read(fixed, 22)) return cut();
      if (r.verbose > 0) {
        r.printi();
        r.outs("\t\tReserved GUID: ");
        put_guid(r, fixed, "reserved_guid");
        r.outc('\n');
        r.printi();
        r.outf("\t\tReserved: %u\n", swab16(fixed + 16));
        r.printi();
        r.outf("\t\tExtension size: %u\n", le32(fixed + 18));
      }
      r.num(1, "reserved", swab16(fixed + 16));
      r.num(1, "extension_size", le32(fixed + 18));
      return true;  // the children follow

    case AsfKind::data:
      r.printi();
      r.outs(heading);
      r.outc('\n');
      if (!src.read(fixed, 26)) return cut();
      consumed += 26;
      r.printi();
      r.outs("\tFile GUID (unique): ");
      put_guid(r, fixed, "file_id");
      r.outc('\n');
      if (r.verbose > 0) {
        r.printi();
        r.outs("\tReserved: ");
        put_hex(r, 2, fixed + 24, "reserved");
        r.outc('\n');
      }
      r.printi();
      r.outf("\t\t%llu data packets here\n", static_cast<unsigned long long>(swab64(fixed + 16)));
      r.unum(0, "data_packets", swab64(fixed + 16));
      skip_rest(src, size, consumed);
      return true;

    case AsfKind::index:
    case AsfKind::skipped:
      r.printi();
      r.outs(heading);
      body_length(r, size);
      skip_rest(src, size, consumed);
      return true;

    case AsfKind::simple_index:
      r.printi();
      r.outs(heading);
      body_length(r, size);
      if (!src.read(fixed, 32)) return cut();  // not shown
      consumed += 32;
      skip_rest(src, size, consumed);
      return true;

    case AsfKind::unknown:
      r.printi();
      r.outs("Unknown object type, GUID=");
      put_guid(r, guid, r.wants(2) ? nullptr : "guid");  // given already from -v on
      if (r.verbose > 0) r.outf(", Length: %llu", static_cast<unsigned long long>(size));
      r.outc('\n');
      skip_rest(src, size, consumed);
      return true;

    case AsfKind::file_properties:
      // The declared size is not used: the walk goes on after the fixed part.
      r.printi();
      r.outs(heading);
      r.outc('\n');
      if (!src.read(fixed, kFilePropertiesSize)) return cut();
      file_properties(r, fixed);
      return true;

    case AsfKind::stream_properties:
    case AsfKind::content_description: {
      // These headings stand even when the body cannot be read.
      r.printi();
      r.outs(heading);
      r.outc('\n');
      const int64_t body_at = src.tell();
      if (!read_body(src, body, size, name)) return false;
      const Source held = src.held(body.data(), static_cast<int64_t>(body.size()), body_at);
      if (kind == AsfKind::stream_properties)
        stream_properties(r, held);
      else
        content_description(r, held);
      return true;
    }

    case AsfKind::codec_list:
    case AsfKind::extended_content_description:
    case AsfKind::stream_bitrate_properties:
    case AsfKind::language_list:
    case AsfKind::metadata:
    case AsfKind::metadata_library: {
      const int64_t body_at = src.tell();
      if (!read_body(src, body, size, name)) return false;
      const Source held = src.held(body.data(), static_cast<int64_t>(body.size()), body_at);
      switch (kind) {
        case AsfKind::codec_list: codec_list(r, held); break;
        case AsfKind::extended_content_description: extended_content_description(r, held); break;
        case AsfKind::stream_bitrate_properties: stream_bitrate_properties(r, held); break;
        case AsfKind::language_list: language_list(r, held); break;
        case AsfKind::metadata: metadata(r, held); break;
        default: metadata_library(r, held); break;
      }
      return true;
    }
  }
  return true;
}

}  // namespace tagdelve
