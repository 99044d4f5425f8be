// Picture types of attached pictures (ID3v2 APIC frames and FLAC PICTURE
// blocks share them).
#pragma once

#include <cstdint>

namespace tagdelve {

extern const char* const apic_type[21];

// The name of a picture type, "Unknown" for a type without one.
const char* apic_name(int64_t type);

}  // namespace tagdelve
