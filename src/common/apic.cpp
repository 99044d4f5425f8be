#include "common/apic.h"

namespace tagdelve {

const char* const apic_type[21] = {
    "Other",
    "32x32 pixel 'file icon' (PNG only)",
    "Other file icon",
    "Cover (front)",
    "Cover (back)",
    "Leaflet page",
    "Media (e.g. label side of CD)",
    "Lead artists/lead performer/soloist",
    "Artist/performer",
    "Conductor",
    "Band/Orchestra",
    "Composer",
    "Lyricist/text writer",
    "Recording location",
    "During recording",
    "During performance",
    "Movie/Video screen capture",
    "A bright coloured fish",
    "Illustration",
    "Band/Artist logotype",
    "Publisher/Studio logotype",
};

const char* apic_name(int64_t type) {
  return type >= 0 && type <= 20 ? apic_type[type] : "Unknown";
}

}  // namespace tagdelve
