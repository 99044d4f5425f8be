#include "asf/asf_values.h"

#include <chrono>

#include <string>

#include "common/decode.h"
#include "common/printers.h"

namespace tagdelve {

const char* const asf_encodings[5] = {"UTF-16", "Unknown", "UINT32", "", "DATETIME"};

// Little-endian value of `width` bytes at p, of which only the first `room`
// exist; the others count as zero.
static uint64_t le_value(const uint8_t* p, size_t width, size_t room) {
  size_t n = width < room ? width : room;
  uint64_t v = 0;
  for (size_t i = n; i > 0; --i) v = (v << 8) | p[i - 1];
  return v;
}

void put_enc2(Report& r, int type, uint16_t len, const uint8_t* p, size_t room, const char* name) {
  if (r.verbose > 0) {
    if (type > 4 || type < 0)
      r.outf("Encoding: %d", type);
    else
      r.outs(asf_encodings[type]);
  }
  if (name != nullptr && r.wants(1))
    r.str(1, (std::string(name) + "_type").c_str(),
          type >= 0 && type <= 4 ? std::string(asf_encodings[type]) : "Encoding: " + std::to_string(type));
  r.outc('{');
  if (len == 0) {
    if (name != nullptr) r.str(0, name, "");
  } else {
    switch (type) {
      case 0:
        put_utf16(r, p, len, false, name);
        break;
      case 2:
        r.outf("%.8x", static_cast<uint32_t>(le_value(p, 4, room)));
        if (name != nullptr) r.num(0, name, static_cast<uint32_t>(le_value(p, 4, room)));
        break;
      case 3:
        r.outf("%u", static_cast<uint32_t>(le_value(p, 4, room)));
        if (name != nullptr) r.num(0, name, static_cast<uint32_t>(le_value(p, 4, room)));
        break;
      case 4:
        put_ms_time(r, le_value(p, 8, room), name);
        break;
      case 5:
        r.outf("%u", static_cast<unsigned>(le_value(p, 2, room)));
        if (name != nullptr) r.num(0, name, static_cast<int64_t>(le_value(p, 2, room)));
        break;
      default:  // byte array, GUID and unknown codes
        put_hex(r, len, p, name);
        break;
    }
  }
  r.outc('}');
}

void put_ms_time(Report& r, uint64_t t, const char* name) {
  using namespace std::chrono;
  constexpr uint64_t kSteps = 10'000'000;           // 100-ns steps a second
  constexpr int64_t kEpochGap = 11'644'473'600;     // seconds from 1601 to 1970
  constexpr int64_t kDay = 86'400;
  // The Gregorian calendar repeats every 400 years (146,097 days). Folding the
  // day number into one such cycle from 1970 keeps the year within the range
  // of std::chrono::year for every 64-bit timestamp and changes neither the
  // month, the day nor the last two digits of the year.
  constexpr int64_t kCycle = 146'097;

  int64_t secs = static_cast<int64_t>(t / kSteps) - kEpochGap;
  int64_t day = secs / kDay;
  int64_t sod = secs % kDay;
  if (sod < 0) {
    sod += kDay;
    --day;
  }
  int64_t cycles = day / kCycle;
  day %= kCycle;
  if (day < 0) {
    day += kCycle;
    --cycles;
  }
  year_month_day ymd{sys_days{days{day}}};
  hh_mm_ss<seconds> hms{seconds{sod}};
  r.outf("%.2u/%.2u/%.2d %.2d:%.2d:%.2d + %uns", static_cast<unsigned>(ymd.month()),
         static_cast<unsigned>(ymd.day()), static_cast<int>(ymd.year()) % 100,
         static_cast<int>(hms.hours().count()), static_cast<int>(hms.minutes().count()),
         static_cast<int>(hms.seconds().count()), static_cast<unsigned>(t % kSteps * 100));
  if (name == nullptr || !r.json()) return;
  // The whole year: the cycles folded away above added back.
  char iso[64];
  snprintf(iso, sizeof iso, "%04lld-%02u-%02uT%02d:%02d:%02d.%07uZ",
           static_cast<long long>(static_cast<int>(ymd.year()) + 400 * cycles), static_cast<unsigned>(ymd.month()),
           static_cast<unsigned>(ymd.day()), static_cast<int>(hms.hours().count()),
           static_cast<int>(hms.minutes().count()), static_cast<int>(hms.seconds().count()),
           static_cast<unsigned>(t % kSteps));
  r.str(0, name, iso);
}

double asf_seconds(uint64_t count, double per_second) {
  return static_cast<double>(count) / per_second;
}

}  // namespace tagdelve
