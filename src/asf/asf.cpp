#include "asf/asf.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

#include "asf/asf_bodies.h"
#include "asf/asf_values.h"
#include "common/decode.h"
#include "common/output.h"
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
    report_end(s.file_end ? "File" : src.name, name, s.at, count - static_cast<uint64_t>(s.at - from));
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
void body_length(uint64_t size) {
  if (verbose > 0) outf(", Length %llu", static_cast<unsigned long long>(size - kObjectHeader));
  outc('\n');
}

}  // namespace

const AsfObjectType* find_asf_object(uint32_t first_group) {
  return find_row(asf_objects, [first_group](const AsfObjectType& t) { return t.first_group == first_group; });
}

void asf_file(Source& src) {
  printi();
  outs("ASF (WMA) file start\n");
  while (asf_object(src)) {
  }
  printi();
  outs("ASF (WMA) file end\n");
}

bool asf_object(Source& src) {
  const int64_t at = src.tell();
  uint8_t head[kObjectHeader];
  if (!src.read(head, kObjectHeader)) {
    src.ended_inside("object header", true);
    return false;
  }
  const uint8_t* guid = head;
  uint64_t size = swab64(head + 16);
  if (verbose > 1) {
    printi();
    outf("Offset %lld, GUID: ", static_cast<long long>(at));
    put_guid(guid);
    outf(", Length: %llu\n", static_cast<unsigned long long>(size));
  }
  uint64_t consumed = kObjectHeader;

  const AsfObjectType* type = find_asf_object(le32(guid));
  AsfKind kind = type == nullptr ? AsfKind::unknown : type->kind;
  const char* heading = type == nullptr ? "" : type->heading;
  // When the source ends inside the object: named as its heading names it.
  const char* name = type == nullptr ? "unknown object" : heading + strspn(heading, "\t");
  auto cut = [&src, name] {
    src.ended_inside(name);
    return false;
  };

  // A size that does not even cover what is read of the object cannot be
  // skipped by; the walk has lost its place.
  uint64_t minimum = kObjectHeader + fixed_part(kind);
  if (size < minimum) {
    printi();
    outf("Error: Object size %llu is less than %llu bytes, GUID=",
         static_cast<unsigned long long>(size), static_cast<unsigned long long>(minimum));
    put_guid(guid);
    outc('\n');
    return false;
  }

  uint8_t fixed[kFilePropertiesSize];
  std::vector<uint8_t> body;
  switch (kind) {
    case AsfKind::header:
      printi();
      outs(heading);
      if (!src.read(fixed, 6)) return cut();
      if (verbose > 0) {
        outf(", Objects: %u, Reserved: ", le32(fixed));
        put_hex(2, fixed + 4);
      }
      outc('\n');
      return true;  // the children follow

    case AsfKind::header_extension:
      printi();
      outs(heading);
      outc('\n');
      if (!src.read(fixed, 22)) return cut();
      if (verbose > 0) {
        printi();
        outs("\t\tReserved GUID: ");
        put_guid(fixed);
        outc('\n');
        printi();
        outf("\t\tReserved: %u\n", swab16(fixed + 16));
        printi();
        outf("\t\tExtension size: %u\n", le32(fixed + 18));
      }
      return true;  // the children follow

    case AsfKind::data:
      printi();
      outs(heading);
      outc('\n');
      if (!src.read(fixed, 26)) return cut();
      consumed += 26;
      printi();
      outs("\tFile GUID (unique): ");
      put_guid(fixed);
      outc('\n');
      if (verbose > 0) {
        printi();
        outs("\tReserved: ");
        put_hex(2, fixed + 24);
        outc('\n');
      }
      printi();
      outf("\t\t%llu data packets here\n", static_cast<unsigned long long>(swab64(fixed + 16)));
      skip_rest(src, size, consumed);
      return true;

    case AsfKind::index:
    case AsfKind::skipped:
      printi();
      outs(heading);
      body_length(size);
      skip_rest(src, size, consumed);
      return true;

    case AsfKind::simple_index:
      printi();
      outs(heading);
      body_length(size);
      if (!src.read(fixed, 32)) return cut();  // not shown
      consumed += 32;
      skip_rest(src, size, consumed);
      return true;

    case AsfKind::unknown:
      printi();
      outs("Unknown object type, GUID=");
      put_guid(guid);
      if (verbose > 0) outf(", Length: %llu", static_cast<unsigned long long>(size));
      outc('\n');
      skip_rest(src, size, consumed);
      return true;

    case AsfKind::file_properties:
      // The declared size is not used: the walk goes on after the fixed part.
      printi();
      outs(heading);
      outc('\n');
      if (!src.read(fixed, kFilePropertiesSize)) return cut();
      file_properties(fixed);
      return true;

    case AsfKind::stream_properties:
    case AsfKind::content_description:
      // These headings stand even when the body cannot be read.
      printi();
      outs(heading);
      outc('\n');
      if (!read_body(src, body, size, name)) return false;
      if (kind == AsfKind::stream_properties)
        stream_properties(body.data(), body.size());
      else
        content_description(body.data(), body.size());
      return true;

    case AsfKind::codec_list:
    case AsfKind::extended_content_description:
    case AsfKind::stream_bitrate_properties:
    case AsfKind::language_list:
    case AsfKind::metadata:
    case AsfKind::metadata_library:
      if (!read_body(src, body, size, name)) return false;
      switch (kind) {
        case AsfKind::codec_list: codec_list(body.data(), body.size()); break;
        case AsfKind::extended_content_description:
          extended_content_description(body.data(), body.size());
          break;
        case AsfKind::stream_bitrate_properties:
          stream_bitrate_properties(body.data(), body.size());
          break;
        case AsfKind::language_list: language_list(body.data(), body.size()); break;
        case AsfKind::metadata: metadata(body.data(), body.size()); break;
        default: metadata_library(body.data(), body.size()); break;
      }
      return true;
  }
  return true;
}

}  // namespace tagdelve
