// Printers of the ASF objects that describe the file, its streams and its
// metadata. Each is given the object's body (from byte 24 of the object) and
// its length, and never reads outside it: a count or length that would pass
// the end stops the object's lines with an "Error: " line.
//
// The file properties, stream properties and content description objects
// have their heading printed by the walker before it reads the body; their
// printers print the fields only. The other printers print their heading.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tagdelve {

// The 80-byte fixed part of the file properties object.
constexpr size_t kFilePropertiesSize = 80;
void file_properties(const uint8_t* p);

void stream_properties(const uint8_t* body, size_t len);
void codec_list(const uint8_t* body, size_t len);
void content_description(const uint8_t* body, size_t len);
void extended_content_description(const uint8_t* body, size_t len);
void stream_bitrate_properties(const uint8_t* body, size_t len);
void language_list(const uint8_t* body, size_t len);
void metadata(const uint8_t* body, size_t len);
void metadata_library(const uint8_t* body, size_t len);

}  // namespace tagdelve
