// The ASF (Windows Media) walker: the file is listed as one flat sequence of
// objects. Container objects (the header and the header extension) are
// entered by reading only their fixed part, so that their children follow
// as objects in their own right; the nesting shows only in the TABs of the
// heading texts.
#pragma once

#include <cstdint>

#include "common/report.h"
#include "common/source.h"

namespace tagdelve {

// How the walker handles an object.
enum class AsfKind : uint8_t {
  header,                        // 6-byte fixed part, children follow
  data,                          // 26-byte fixed part, packets skipped
  index,                         // skipped
  simple_index,                  // 32 bytes read, entries skipped
  file_properties,               // 80-byte fixed part, printed
  stream_properties,             // body read whole and printed (also the five below)
  header_extension,              // 22-byte fixed part, children follow
  codec_list,
  content_description,
  extended_content_description,
  stream_bitrate_properties,
  language_list,                 // (the three below are children of the header extension)
  metadata,
  metadata_library,
  skipped,                       // heading and length only, body skipped
  unknown,
};

// An object is recognised by the first group of its GUID alone.
struct AsfObjectType {
  uint32_t first_group;
  const char* heading;  // its leading TABs give the object's level in the ASF tree
  AsfKind kind;
};

// The object type with this first GUID group, or nullptr.
const AsfObjectType* find_asf_object(uint32_t first_group);

// The header object's GUID at the start: a strong sign.
Probe asf_probe(const uint8_t* p, int64_t n);

// Lists one ASF source.
void asf_file(Report& r, Source& src);

// Reads, prints and passes over one object. Returns true to go on, false
// when the walk ends.
bool asf_object(Report& r, Source& src);

}  // namespace tagdelve
