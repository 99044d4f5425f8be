#include "asf/asf.h"

#include <cstring>
#include <limits>
#include <vector>

#include "asf/asf_bodies.h"
#include "asf/asf_values.h"
#include "common/decode.h"
#include "common/output.h"
#include "common/printers.h"

namespace tagdelve {

const AsfObjectType asf_objects[18] = {
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

int find_asf_object(uint32_t first_group) {
  for (int i = 0; i < static_cast<int>(sizeof asf_objects / sizeof asf_objects[0]); ++i)
    if (asf_objects[i].first_group == first_group) return i;
  return -1;
}

namespace {

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

// The source of the walk and its running offset.
struct Walk {
  Stream* stream;
  const uint8_t* block;
  int64_t limit;
  int64_t* offset;
};

// Reads `n` bytes of a fixed part and counts them.
bool read_fixed(const Walk& w, uint8_t* dest, int64_t n) {
  if (vfgetm(dest, n, w.stream, w.block, *w.offset, w.limit) != n) return false;
  *w.offset += n;
  return true;
}

// Reads the whole body of an object of `size` bytes; false when the source
// cannot supply it (nothing is allocated beyond what the source holds).
bool read_body(const Walk& w, std::vector<uint8_t>& body, uint64_t size) {
  uint64_t count = size - kObjectHeader;
  if (count > static_cast<uint64_t>(std::numeric_limits<int64_t>::max() - *w.offset))
    return false;
  if (vfget_body(body, static_cast<int64_t>(count), w.stream, w.block, *w.offset, w.limit) < 0)
    return false;
  *w.offset += static_cast<int64_t>(count);
  return true;
}

// Skips the rest of an object. The offset advances by the count whether or
// not the skip succeeded, so a skip past the limit makes the next read fail.
// A count beyond what any offset can express is cut to the largest offset:
// no source holds that much, so the skip fails as it would have.
void skip_rest(const Walk& w, uint64_t size, uint64_t consumed) {
  uint64_t rest = size - consumed;
  uint64_t room = static_cast<uint64_t>(std::numeric_limits<int64_t>::max() - *w.offset);
  int64_t count = static_cast<int64_t>(rest < room ? rest : room);
  vfdump(count, w.stream, w.block, *w.offset, w.limit);
  *w.offset += count;
}

// ", Length %llu" with the body length, at verbose > 0, and the line end.
void body_length(uint64_t size) {
  if (verbose > 0) outf(", Length %llu", static_cast<unsigned long long>(size - kObjectHeader));
  outc('\n');
}

}  // namespace

int asf_file(Stream* stream, const uint8_t* block, int64_t limit) {
  printi();
  outs("ASF (WMA) file start\n");
  int64_t offset = 0;
  while (asf_object(stream, block, limit, &offset)) {
  }
  printi();
  outs("ASF (WMA) file end\n");
  return 1;
}

int asf_object(Stream* stream, const uint8_t* block, int64_t limit, int64_t* offset) {
  const Walk w{stream, block, limit, offset};
  uint8_t head[kObjectHeader];
  if (vfgetm(head, kObjectHeader, stream, block, *offset, limit) != int64_t{kObjectHeader})
    return 0;
  const uint8_t* guid = head;
  uint64_t size = swab64(head + 16);
  if (verbose > 1) {
    printi();
    outf("Offset %lld, GUID: ", static_cast<long long>(*offset));
    put_guid(guid);
    outf(", Length: %llu\n", static_cast<unsigned long long>(size));
  }
  *offset += kObjectHeader;
  uint64_t consumed = kObjectHeader;

  int index = find_asf_object(static_cast<uint32_t>(swab32(guid)));
  AsfKind kind = index < 0 ? AsfKind::unknown : asf_objects[index].kind;
  const char* heading = index < 0 ? "" : asf_objects[index].heading;

  // A size that does not even cover what is read of the object cannot be
  // skipped by; the walk has lost its place.
  uint64_t minimum = kObjectHeader + fixed_part(kind);
  if (size < minimum) {
    printi();
    outf("Error: Object size %llu is less than %llu bytes, GUID=",
         static_cast<unsigned long long>(size), static_cast<unsigned long long>(minimum));
    put_guid(guid);
    outc('\n');
    return 0;
  }

  uint8_t fixed[kFilePropertiesSize];
  std::vector<uint8_t> body;
  switch (kind) {
    case AsfKind::header:
      printi();
      outs(heading);
      if (!read_fixed(w, fixed, 6)) {
        outc('\n');
        return 0;
      }
      if (verbose > 0) {
        outf(", Objects: %u, Reserved: ", static_cast<uint32_t>(swab32(fixed)));
        put_hex(2, fixed + 4);
      }
      outc('\n');
      return 1;  // the children follow

    case AsfKind::header_extension:
      printi();
      outs(heading);
      outc('\n');
      if (!read_fixed(w, fixed, 22)) return 0;
      if (verbose > 0) {
        printi();
        outs("\t\tReserved GUID: ");
        put_guid(fixed);
        outc('\n');
        printi();
        outf("\t\tReserved: %u\n", static_cast<unsigned>(swab16(fixed + 16)));
        printi();
        outf("\t\tExtension size: %u\n", static_cast<uint32_t>(swab32(fixed + 18)));
      }
      return 1;  // the children follow

    case AsfKind::data:
      printi();
      outs(heading);
      outc('\n');
      if (!read_fixed(w, fixed, 26)) return 0;
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
      skip_rest(w, size, consumed);
      return 1;

    case AsfKind::index:
    case AsfKind::skipped:
      printi();
      outs(heading);
      body_length(size);
      skip_rest(w, size, consumed);
      return 1;

    case AsfKind::simple_index:
      printi();
      outs(heading);
      body_length(size);
      if (!read_fixed(w, fixed, 32)) return 0;  // not shown
      consumed += 32;
      skip_rest(w, size, consumed);
      return 1;

    case AsfKind::unknown:
      printi();
      outs("Unknown object type, GUID=");
      put_guid(guid);
      if (verbose > 0) outf(", Length: %llu", static_cast<unsigned long long>(size));
      outc('\n');
      skip_rest(w, size, consumed);
      return 1;

    case AsfKind::file_properties:
      // The declared size is not used: the walk goes on after the fixed part.
      printi();
      outs(heading);
      outc('\n');
      if (!read_fixed(w, fixed, kFilePropertiesSize)) return 0;
      file_properties(fixed);
      return 1;

    case AsfKind::stream_properties:
    case AsfKind::content_description:
      // These headings stand even when the body cannot be read.
      printi();
      outs(heading);
      outc('\n');
      if (!read_body(w, body, size)) return 0;
      if (kind == AsfKind::stream_properties)
        stream_properties(body.data(), body.size());
      else
        content_description(body.data(), body.size());
      return 1;

    case AsfKind::codec_list:
    case AsfKind::extended_content_description:
    case AsfKind::stream_bitrate_properties:
    case AsfKind::language_list:
    case AsfKind::metadata:
    case AsfKind::metadata_library:
      if (!read_body(w, body, size)) return 0;
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
      return 1;
  }
  return 1;
}

}  // namespace tagdelve
