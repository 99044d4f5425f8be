// Printers for the values particular to ASF: typed values of descriptors
// and metadata records, 64-bit FILETIME timestamps and durations (GUIDs,
// which WAV files hold too, are printed by common/printers.h). None prints indentation or ends the line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "common/report.h"

namespace tagdelve {

// Names of the value type codes 0 to 4 (Unicode string, byte array, BOOL,
// DWORD, QWORD); a DWORD has no name.
extern const char* const asf_encodings[5];

// One typed value of `len` bytes at p, in braces, preceded at verbose > 0 by
// the name of its type. `room` is the number of bytes from p to the end of
// the buffer that holds the value (at least `len`): a BOOL, DWORD, QWORD or
// WORD is decoded from its full width (4, 4, 8 or 2 bytes) whatever `len`
// says, as far as the buffer reaches; missing high bytes count as zero.
// The JSON field `name` gets the value, and `name`_type its type's name.
void put_enc2(Report& r, int type, uint16_t len, const uint8_t* p, size_t room, const char* name = nullptr);

// A count of 100-nanosecond steps since 1601-01-01 00:00:00 UTC, as
// "MM/DD/YY HH:MM:SS + <n>ns" (the JSON field `name` as an ISO 8601 date
// and time, to the 100 nanoseconds).
void put_ms_time(Report& r, uint64_t t, const char* name = nullptr);

// A duration in seconds: `count` units of which `per_second` make a second
// (10,000,000 for 100-nanosecond steps, 1,000 for milliseconds).
double asf_seconds(uint64_t count, double per_second);

}  // namespace tagdelve
