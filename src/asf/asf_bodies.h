// Printers of the ASF objects that describe the file, its streams and its
// metadata. Each is given the object's body (from byte 24 of the object),
// held in memory (its bytes and their number are body.block and
// body.limit), and never reads outside it: a count or length that would pass
// the end stops the object's lines with an "Error: " line.
//
// The file properties, stream properties and content description objects
// have their heading printed by the walker before it reads the body; their
// printers print the fields only. The other printers print their heading.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/report.h"
#include "common/source.h"

namespace tagdelve {

// The 80-byte fixed part of the file properties object.
constexpr size_t kFilePropertiesSize = 80;
void file_properties(Report& r, const uint8_t* p);

void stream_properties(Report& r, const Source& body);
void codec_list(Report& r, const Source& body);
void content_description(Report& r, const Source& body);
void extended_content_description(Report& r, const Source& body);
void stream_bitrate_properties(Report& r, const Source& body);
void language_list(Report& r, const Source& body);
void metadata(Report& r, const Source& body);
void metadata_library(Report& r, const Source& body);

}  // namespace tagdelve
