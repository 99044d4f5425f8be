// The contents of the movie's boxes: file type, movie, track and media
// headers, handlers, sample entries and their codec configurations, sample
// tables, chapters and fragments.
#include <chrono>
#include <cstring>
#include <string>

#include "common/decode.h"
#include "common/printers.h"
#include "common/table.h"
#include "mp4/mp4_box.h"

namespace tagdelve {

namespace {


// A fixed-point value with `bits` bits of fraction: whole numbers as they
// are, others to three places.
void put_fixed(Report& r, int64_t v, int bits, const char* name) {
  const double d = static_cast<double>(v) / static_cast<double>(int64_t{1} << bits);
  if (v % (int64_t{1} << bits) == 0)
    r.outf("%lld", static_cast<long long>(v >> bits));
  else
    r.outf("%.3f", d);
  r.real(1, name, d);
}

// ", Duration: S seconds" for `units` of which `timescale` make a second;
// all bits set means it is not known.
void put_duration(Report& r, uint64_t units, uint32_t timescale, bool wide) {
  r.outs(", Duration: ");
  r.unum(1, "duration_units", units);
  if (units == (wide ? ~uint64_t{0} : 0xFFFFFFFFu)) {
    r.outs("unknown");
  } else if (timescale == 0) {
    r.outf("%llu units (no timescale)", static_cast<unsigned long long>(units));
  } else {
    const double seconds = static_cast<double>(units) / timescale;
    r.outf("%.3f seconds", seconds);
    r.real(0, "duration", seconds);
  }
}

// The creation and modification dates of a header, at -v.
void put_dates(Report& r, uint64_t created, uint64_t modified) {
  if (r.verbose < 1) return;
  r.printi();
  r.outs("\tCreated: ");
  put_mac_time(r, created, "created");
  r.outs(", Modified: ");
  put_mac_time(r, modified, "modified");
  r.outc('\n');
}

// The times, timescale and duration that open the movie and media headers:
// 32-bit fields in version 0, 64-bit ones in version 1. False when the
// content is too short for them.
struct Times {
  uint64_t created, modified, duration;
  uint32_t timescale;
  int64_t next;  // the offset after them
};

bool header_times(const uint8_t* p, int64_t n, Times* t) {
  if (n >= 1 && p[0] == 1) {
    if (n < 32) return false;
    *t = Times{be64(p + 4), be64(p + 12), be64(p + 24), be32(p + 20), 32};
  } else {
    if (n < 20) return false;
    *t = Times{be32(p + 4), be32(p + 8), be32(p + 16), be32(p + 12), 20};
  }
  return true;
}


}  // namespace

void put_language(Report& r, uint32_t code, int level) {
  const char lang[3] = {static_cast<char>(0x60 + (code >> 10 & 31)), static_cast<char>(0x60 + (code >> 5 & 31)),
                        static_cast<char>(0x60 + (code & 31))};
  if (code < 0x400 || code > 0x7FFF) {
    r.outf("Macintosh %u", code);
    r.num(level, "mac_language", code);
  } else if (lang[0] >= 'a' && lang[0] <= 'z' && lang[1] >= 'a' && lang[1] <= 'z' && lang[2] >= 'a' && lang[2] <= 'z') {
    r.outw(lang, 3);
    r.text(level, "language", Enc::latin1, lang, 3);
  } else {
    r.outf("0x%.4x", code);
    r.num(level, "language_code", code);
  }
}

namespace {

const struct Named {
  uint32_t code;
  const char* name;
} kObjectTypes[] = {
    {0x20, "MPEG-4 video"}, {0x21, "H.264"},         {0x40, "MPEG-4 audio"}, {0x66, "MPEG-2 AAC Main"},
    {0x67, "MPEG-2 AAC LC"}, {0x68, "MPEG-2 AAC SSR"}, {0x69, "MPEG-2 audio"}, {0x6B, "MPEG-1 audio"},
    {0x6C, "JPEG"},          {0xA5, "AC-3"},          {0xA6, "E-AC-3"},       {0xAD, "Opus"},
    {0xDD, "Vorbis"},
}, kAudioObjectTypes[] = {
    {1, "AAC Main"}, {2, "AAC LC"},  {3, "AAC SSR"},       {4, "AAC LTP"},       {5, "SBR (HE-AAC)"},
    {6, "AAC scalable"}, {23, "ER AAC LD"}, {29, "PS (HE-AAC v2)"}, {34, "Layer 3"}, {39, "ER AAC ELD"},
    {42, "USAC"},
};

template <size_t N>
void put_name(Report& r, const Named (&table)[N], uint32_t code, const char* name) {
  const Named* row = find_row(table, [code](const Named& n) { return n.code == code; });
  const char* text = row != nullptr ? row->name : "Unknown";
  if (r.verbose > 0) r.outf(" [%s]", text);
  r.str(1, name, text);
}

// Bits read from the top of each byte down; reading past the end gives 0
// and sets `over`.
struct Bits {
  const uint8_t* p;
  int64_t n;
  int64_t at = 0;
  bool over = false;
  uint32_t get(int count) {
    uint32_t v = 0;
    for (int i = 0; i < count; ++i, ++at) {
      if (at >= n * 8) {
        over = true;
        return 0;
      }
      v = v << 1 | (p[at / 8] >> (7 - at % 8) & 1);
    }
    return v;
  }
};

// An MPEG-4 audio decoder configuration: object type, sample rate and
// channel configuration.
void audio_config(Report& r, const uint8_t* p, int64_t n) {
  static const uint32_t kRates[13] = {96000, 88200, 64000, 48000, 44100, 32000, 24000,
                                      22050, 16000, 12000, 11025, 8000,  7350};
  Bits b{p, n};
  uint32_t type = b.get(5);
  if (type == 31) type = 32 + b.get(6);
  const uint32_t index = b.get(4);
  const uint32_t rate = index == 15 ? b.get(24) : index < 13 ? kRates[index] : 0;
  const uint32_t channels = b.get(4);
  if (b.over) return;  // too short: its bytes are shown at -v -v
  r.printi();
  r.outf("\tAudio object type: %u", type);
  r.num(0, "audio_object_type", type);
  put_name(r, kAudioObjectTypes, type, "audio_object_type_name");
  r.outf(", Sample rate: %u, Channel configuration: %u\n", rate, channels);
  r.num(0, "config_sample_rate", rate);
  r.num(0, "channel_configuration", channels);
}

}  // namespace

void file_type(Report& r, const Source& held, const BoxContent& box, Mp4Walk&) {
  const uint8_t* p = held.block;
  const int64_t n = held.limit;
  if (n < 8) return past_end(r, held, box, "Major brand or minor version");
  r.printi();
  r.outs("\tMajor brand: ");
  put_code(r, p, "major_brand");
  r.outf(", Minor version: %u\n", be32(p + 4));
  r.num(0, "minor_version", be32(p + 4));
  r.printi();
  r.outs("\tCompatible brands:");
  std::string brands;
  for (int64_t i = 8; i + 4 <= n; i += 4) {
    r.outs(i == 8 ? " " : ", ");
    put_code(r, p + i);
    if (i > 8) brands += ", ";
    brands.append(reinterpret_cast<const char*>(p + i), 4);
  }
  r.outc('\n');
  r.text(0, "compatible_brands", Enc::latin1, brands.data(), brands.size());
  if ((n - 8) % 4 != 0) past_end(r, held, box, "A compatible brand");
}

void movie_header(Report& r, const Source& held, const BoxContent& box, Mp4Walk& w) {
  const uint8_t* p = held.block;
  const int64_t n = held.limit;
  Times t;
  if (!header_times(p, n, &t)) return past_end(r, held, box, "Times or timescale");
  w.movie_timescale = t.timescale;
  r.printi();
  r.outf("\tTimescale: %u", t.timescale);
  r.num(0, "timescale", t.timescale);
  put_duration(r, t.duration, t.timescale, p[0] == 1);
  r.outc('\n');
  put_dates(r, t.created, t.modified);
  const uint8_t* f = p + t.next;
  if (n - t.next < 80) return past_end(r, held, box, "Rate, volume or next track ID");
  if (r.verbose > 0) {
    r.printi();
    r.outs("\tRate: ");
    put_fixed(r, be32(f), 16, "rate");
    r.outs(", Volume: ");
    put_fixed(r, word16(f + 4), 8, "volume");
    r.outf(", Next track ID: %u\n", be32(f + 76));
    r.num(1, "next_track_id", be32(f + 76));
  }
}

void track_header(Report& r, const Source& held, const BoxContent& box, Mp4Walk& w) {
  const uint8_t* p = held.block;
  const int64_t n = held.limit;
  const bool wide = n >= 1 && p[0] == 1;
  const int64_t fields = wide ? 36 : 24;
  if (n < fields) return past_end(r, held, box, "Times, track ID or duration");
  const uint32_t id = be32(p + (wide ? 20 : 12));
  r.printi();
  r.outf("\tTrack ID: %u", id);
  r.num(0, "track_id", id);
  put_duration(r, wide ? be64(p + 28) : be32(p + 20), w.movie_timescale, wide);
  r.outc('\n');
  put_dates(r, wide ? be64(p + 4) : be32(p + 4), wide ? be64(p + 12) : be32(p + 8));
  const uint8_t* f = p + fields + 8;
  if (n < fields + 60) return past_end(r, held, box, "Layer, volume or dimensions");
  if (r.verbose > 0) {
    r.printi();
    r.outf("\tLayer: %d, Alternate group: %u, Volume: ", static_cast<int16_t>(word16(f)), word16(f + 2));
    r.num(1, "layer", static_cast<int16_t>(word16(f)));
    r.num(1, "alternate_group", word16(f + 2));
    put_fixed(r, word16(f + 4), 8, "volume");
    r.outs(", Width: ");
    put_fixed(r, be32(f + 44), 16, "width");
    r.outs(", Height: ");
    put_fixed(r, be32(f + 48), 16, "height");
    r.outc('\n');
  }
}

void media_header(Report& r, const Source& held, const BoxContent& box, Mp4Walk&) {
  const uint8_t* p = held.block;
  const int64_t n = held.limit;
  Times t;
  if (!header_times(p, n, &t) || n < t.next + 2) return past_end(r, held, box, "Times, timescale or language");
  r.printi();
  r.outf("\tTimescale: %u", t.timescale);
  r.num(0, "timescale", t.timescale);
  put_duration(r, t.duration, t.timescale, p[0] == 1);
  r.outs(", Language: ");
  put_language(r, word16(p + t.next) & 0x7FFF, 0);
  r.outc('\n');
  put_dates(r, t.created, t.modified);
}

void handler(Report& r, const Source& held, const BoxContent& box, Mp4Walk& w) {
  const uint8_t* p = held.block;
  const int64_t n = held.limit;
  if (n < 12) return past_end(r, held, box, "Handler type");
  if (w.handler == 0) w.handler = be32(p + 8);  // the first of a track is its media's
  r.printi();
  r.outs("\tHandler type: ");
  put_code(r, p + 8, "handler_type");
  if (r.verbose > 0 && n >= 24) {
    // A C string; in QuickTime files a counted one.
    const uint8_t* name = p + 24;
    int64_t len = n - 24;
    if (len > 0 && name[0] == len - 1) ++name, --len;
    r.outs(", Name: ");
    put_enc(r, 3, len, name, "handler_name");
  }
  r.outc('\n');
}

void sample_table(Report& r, const Source& held, const BoxContent& box, Mp4Walk&) {
  const uint8_t* p = held.block;
  const int64_t n = held.limit;
  if (n < 8) return past_end(r, held, box, "Entry count");
  const uint32_t type = be32(box.type);
  const bool v1 = p[0] == 1;
  int64_t width = 4;
  switch (type) {
    case fourcc("stts"): case fourcc("ctts"): case fourcc("co64"): width = 8; break;
    case fourcc("stsc"): width = 12; break;
    case fourcc("elst"): width = v1 ? 20 : 12; break;
    default: break;
  }
  const uint32_t count = be32(p + 4);
  r.printi();
  r.outf("\tEntries: %u\n", count);
  r.num(0, "entries", count);
  if (static_cast<int64_t>(count) > (box.size - 8) / width) {
    box_error(r, held, 4, std::to_string(count) + " entries of " + std::to_string(width) + " bytes pass the end of the " +
                              code_shown(r, box.type) + " box");
  }
  if (r.verbose < 2) return;
  const int64_t shown = std::min<int64_t>(count, (n - 8) / width);
  for (int64_t i = 0; i < shown; ++i) {
    const uint8_t* e = p + 8 + i * width;
    Item entry(r, "entry", held, 8 + i * width, width);
    r.printi();
    r.outf("\t\tEntry %lld: ", static_cast<long long>(i + 1));
    switch (type) {
      case fourcc("stts"):
      case fourcc("ctts"):
        r.outf("Samples %u, %s %d\n", be32(e), type == fourcc("stts") ? "Delta" : "Offset",
               type == fourcc("stts") ? static_cast<int32_t>(be32(e + 4) & 0x7FFFFFFF) : word32(e + 4));
        r.num(2, "samples", be32(e));
        r.num(2, type == fourcc("stts") ? "delta" : "offset", type == fourcc("stts") ? be32(e + 4) : word32(e + 4));
        break;
      case fourcc("stsc"):
        r.outf("First chunk %u, Samples per chunk %u, Description %u\n", be32(e), be32(e + 4), be32(e + 8));
        r.num(2, "first_chunk", be32(e));
        r.num(2, "samples_per_chunk", be32(e + 4));
        r.num(2, "description", be32(e + 8));
        break;
      case fourcc("elst"): {
        const uint64_t duration = v1 ? be64(e) : be32(e);
        const int64_t media = v1 ? static_cast<int64_t>(be64(e + 8)) : word32(e + 4);
        r.outf("Duration %llu, Media time %lld, Rate ", static_cast<unsigned long long>(duration),
               static_cast<long long>(media));
        r.unum(2, "segment_duration", duration);
        r.num(2, "media_time", media);
        put_fixed(r, word32(e + width - 4), 16, "media_rate");
        r.outc('\n');
        break;
      }
      case fourcc("co64"):
        r.outf("Offset %llu\n", static_cast<unsigned long long>(be64(e)));
        r.unum(2, "chunk_offset", be64(e));
        break;
      case fourcc("stss"):
        r.outf("Sample %u\n", be32(e));
        r.num(2, "sample", be32(e));
        break;
      default:
        r.outf("Offset %u\n", be32(e));
        r.num(2, "chunk_offset", be32(e));
        break;
    }
  }
  if (count > shown && shown == 3) {
    r.printi();
    r.outf("\t\t... %lld more\n", static_cast<long long>(count - shown));
  }
}

void sample_sizes(Report& r, const Source& held, const BoxContent& box, Mp4Walk&) {
  const uint8_t* p = held.block;
  const int64_t n = held.limit;
  if (n < 12) return past_end(r, held, box, "Sample size or count");
  const uint32_t each = be32(p + 4);
  const uint32_t count = be32(p + 8);
  r.printi();
  r.outf("\tSample size: %u, Samples: %u\n", each, count);
  r.num(0, "sample_size", each);
  r.num(0, "samples", count);
  if (each != 0) return;
  if (static_cast<int64_t>(count) > (box.size - 12) / 4)
    box_error(r, held, 8, std::to_string(count) + " sample sizes pass the end of the stsz box");
  if (r.verbose < 2) return;
  const int64_t shown = std::min<int64_t>(count, (n - 12) / 4);
  for (int64_t i = 0; i < shown; ++i) {
    Item entry(r, "entry", held, 12 + i * 4, 4);
    r.printi();
    r.outf("\t\tSample %lld: %u bytes\n", static_cast<long long>(i + 1), be32(p + 12 + i * 4));
    r.num(2, "size", be32(p + 12 + i * 4));
  }
  if (count > shown && shown == 3) {
    r.printi();
    r.outf("\t\t... %lld more\n", static_cast<long long>(count - shown));
  }
}

int64_t entry_fields_size(const Mp4Walk& w, const uint8_t* p, int64_t have, int64_t) {
  if (have < 8) return 8;
  switch (w.handler) {
    case fourcc("soun"):
      if (have < 28) return 28;
      switch (word16(p + 8)) {
        case 1: return 28 + 16;
        case 2: return 28 + 36;
        default: return 28;
      }
    case fourcc("vide"): return 78;
    default: return -1;  // fields to the end: no child boxes
  }
}

void sample_entry(Report& r, const Source& held, const BoxContent& box, Mp4Walk& w) {
  const uint8_t* p = held.block;
  const int64_t n = held.limit;
  if (n < 8) return past_end(r, held, box, "Data reference index");
  if (r.verbose > 0) {
    r.printi();
    r.outf("\tData reference index: %u\n", word16(p + 6));
  }
  r.num(1, "data_reference_index", word16(p + 6));
  if (w.handler == fourcc("soun")) {
    if (n < 28) return past_end(r, held, box, "Sound fields");
    const uint32_t version = word16(p + 8);
    uint32_t channels = word16(p + 16), bits = word16(p + 18);
    double rate = be32(p + 24) / 65536.0;
    if (version == 2 && n >= 64) {
      uint64_t b = be64(p + 32);
      memcpy(&rate, &b, sizeof rate);
      channels = be32(p + 40);
      bits = be32(p + 48);
    }
    r.printi();
    r.outf("\tChannels: %u, Sample size: %u, Sample rate: %g\n", channels, bits, rate);
    r.num(0, "channels", channels);
    r.num(0, "sample_size", bits);
    r.real(0, "sample_rate", rate);
    if (r.verbose > 0) {
      r.printi();
      r.outf("\tSound version: %u, Compression ID: %d, Packet size: %u\n", version,
             static_cast<int16_t>(word16(p + 20)), word16(p + 22));
    }
    r.num(1, "sound_version", version);
    r.num(1, "compression_id", static_cast<int16_t>(word16(p + 20)));
    r.num(1, "packet_size", word16(p + 22));
    if ((version == 1 && n < 44) || (version == 2 && n < 64)) past_end(r, held, box, "Sound fields");
  } else if (w.handler == fourcc("vide")) {
    if (n < 78) return past_end(r, held, box, "Video fields");
    r.printi();
    r.outf("\tWidth: %u, Height: %u, Depth: %u\n", word16(p + 24), word16(p + 26), word16(p + 74));
    r.num(0, "width", word16(p + 24));
    r.num(0, "height", word16(p + 26));
    r.num(0, "depth", word16(p + 74));
    if (r.verbose > 0) {
      r.printi();
      r.outs("\tResolution: ");
      put_fixed(r, be32(p + 28), 16, "horizontal_resolution");
      r.outs("x");
      put_fixed(r, be32(p + 32), 16, "vertical_resolution");
      r.outf(", Frames per sample: %u, Compressor: ", word16(p + 40));
      r.num(1, "frames_per_sample", word16(p + 40));
      put_raw(r, p + 43, std::min<size_t>(p[42], 31), "compressor");
      r.outc('\n');
    }
  }
}

void es_descriptor(Report& r, const Source& held, const BoxContent& box, Mp4Walk&) {
  const uint8_t* p = held.block;
  const int64_t n = held.limit;
  // Descriptors nest; those that hold others are entered after their own
  // fields, so that one pass meets them all in order. Only the first of
  // each kind is shown.
  unsigned seen = 0;
  for (int64_t at = 4; at < n;) {
    const int tag = p[at];
    int64_t len = 0;
    int64_t body = at + 1;
    for (int i = 0; i < 4; ++i) {
      if (body >= n) return past_end(r, held, box, "Descriptor length");
      len = len << 7 | (p[body] & 0x7F);
      if ((p[body++] & 0x80) == 0) break;
    }
    if (len > n - body) return past_end(r, held, box, "A descriptor");
    const uint8_t* d = p + body;
    at = body + len;
    if (tag < 8 && (seen & 1u << tag) != 0) continue;
    if (tag < 8) seen |= 1u << tag;
    if (tag == 3 && len >= 3) {
      int64_t skip = 3 + ((d[2] & 0x80) ? 2 : 0) + ((d[2] & 0x20) ? 2 : 0);
      if (d[2] & 0x40) skip += 1 + (len > 3 ? d[3] : 0);
      if (r.verbose > 0) {
        r.printi();
        r.outf("\tES ID: %u, Flags: 0x%.2x\n", word16(d), d[2]);
      }
      r.num(1, "es_id", word16(d));
      if (skip <= len) at = body + skip;
    } else if (tag == 4 && len >= 13) {
      r.printi();
      r.outf("\tObject type: 0x%.2x", d[0]);
      r.num(0, "object_type", d[0]);
      put_name(r, kObjectTypes, d[0], "object_type_name");
      r.outc('\n');
      if (r.verbose > 0) {
        r.printi();
        r.outf("\tStream type: %u, Buffer size: %u, Max bit rate: %u, Average bit rate: %u\n", d[1] >> 2,
               word24(d + 2), be32(d + 5), be32(d + 9));
      }
      r.num(1, "stream_type", d[1] >> 2);
      r.num(1, "buffer_size", word24(d + 2));
      r.num(1, "max_bit_rate", be32(d + 5));
      r.num(1, "average_bit_rate", be32(d + 9));
      at = body + 13;
    } else if (tag == 5) {
      audio_config(r, d, len);
      if (r.verbose > 1) {
        r.printi();
        r.outs("\tDecoder configuration: ");
        put_hex(r, len, d, "decoder_configuration");
        r.outc('\n');
      }
    }
  }
}

void alac_config(Report& r, const Source& held, const BoxContent& box, Mp4Walk&) {
  if (held.limit < 28) return past_end(r, held, box, "ALAC configuration");
  const uint8_t* p = held.block + 4;
  r.printi();
  r.outf("\tSample rate: %u, Channels: %u, Bit depth: %u\n", be32(p + 20), p[9], p[5]);
  r.num(0, "sample_rate", be32(p + 20));
  r.num(0, "channels", p[9]);
  r.num(0, "bit_depth", p[5]);
  if (r.verbose > 0) {
    r.printi();
    r.outf("\tFrame length: %u, Compatible version: %u, Rice: %u/%u/%u, Max run: %u, Max frame bytes: %u, "
           "Average bit rate: %u\n",
           be32(p), p[4], p[6], p[7], p[8], word16(p + 10), be32(p + 12), be32(p + 16));
  }
  r.num(1, "frame_length", be32(p));
  r.num(1, "compatible_version", p[4]);
  r.num(1, "rice_history_mult", p[6]);
  r.num(1, "rice_initial_history", p[7]);
  r.num(1, "rice_limit", p[8]);
  r.num(1, "max_run", word16(p + 10));
  r.num(1, "max_frame_bytes", be32(p + 12));
  r.num(1, "average_bit_rate", be32(p + 16));
}

void flac_config(Report& r, const Source& held, const BoxContent& box, Mp4Walk&) {
  // The stream's metadata blocks, STREAMINFO first: a 4-byte header, then
  // 20 bits of sample rate, 3 of channels - 1, 5 of bits - 1 and 36 of
  // total samples after 10 bytes of block and frame sizes.
  const uint8_t* p = held.block;
  if (held.limit < 4 + 4 + 18 || (p[4] & 0x7F) != 0) return past_end(r, held, box, "STREAMINFO block");
  const uint8_t* s = p + 8 + 10;
  const uint32_t rate = word24(s) >> 4;
  const uint32_t channels = ((s[2] >> 1) & 7) + 1;
  const uint32_t bits = ((s[2] & 1) << 4 | s[3] >> 4) + 1;
  const uint64_t total = uint64_t{s[3] & 0x0Fu} << 32 | be32(s + 4);
  r.printi();
  r.outf("\tSample rate: %u, Channels: %u, Bits: %u\n", rate, channels, bits);
  r.num(0, "sample_rate", rate);
  r.num(0, "channels", channels);
  r.num(0, "bits_per_sample", bits);
  if (r.verbose > 0) {
    r.printi();
    r.outf("\tTotal samples: %llu\n", static_cast<unsigned long long>(total));
  }
  r.unum(1, "total_samples", total);
}

void opus_config(Report& r, const Source& held, const BoxContent& box, Mp4Walk&) {
  const uint8_t* p = held.block;
  if (held.limit < 11) return past_end(r, held, box, "Opus configuration");
  r.printi();
  r.outf("\tChannels: %u, Input sample rate: %u\n", p[1], be32(p + 4));
  r.num(0, "channels", p[1]);
  r.num(0, "input_sample_rate", be32(p + 4));
  if (r.verbose > 0) {
    r.printi();
    r.outf("\tVersion: %u, Pre-skip: %u, Output gain: %d, Channel mapping family: %u\n", p[0], word16(p + 2),
           static_cast<int16_t>(word16(p + 8)), p[10]);
  }
  r.num(1, "opus_version", p[0]);
  r.num(1, "pre_skip", word16(p + 2));
  r.num(1, "output_gain", static_cast<int16_t>(word16(p + 8)));
  r.num(1, "channel_mapping_family", p[10]);
}

void nero_chapters(Report& r, const Source& held, const BoxContent& box, Mp4Walk&) {
  const uint8_t* p = held.block;
  const int64_t n = held.limit;
  // Version 1 has four more bytes before the count.
  int64_t at = n >= 1 && p[0] == 1 ? 8 : 4;
  if (n <= at) return past_end(r, held, box, "Chapter count");
  const uint32_t count = p[at++];
  r.printi();
  r.outf("\tChapters: %u\n", count);
  r.num(0, "chapters", count);
  for (uint32_t i = 0; i < count; ++i) {
    if (n - at < 9) return past_end(r, held, box, "A chapter");
    const uint32_t len = p[at + 8];
    if (n - at - 9 < len) return past_end(r, held, box, "A chapter title");
    Item chapter(r, "chapter", held, at, 9 + len);
    // The start in 100-nanosecond units.
    const double start = static_cast<double>(be64(p + at)) / 1e7;
    r.printi();
    r.outf("\t\tStart: %.3f seconds, Title: ", start);
    r.real(0, "start", start);
    put_enc(r, 3, len, p + at + 9, "title");
    r.outc('\n');
    at += 9 + len;
  }
}

void track_reference(Report& r, const Source& held, const BoxContent& box, Mp4Walk&) {
  const uint8_t* p = held.block;
  const int64_t n = held.limit;
  r.printi();
  r.outs("\tTrack IDs:");
  std::string ids = "[";
  for (int64_t i = 0; i + 4 <= n; i += 4) {
    r.outf("%s %u", i == 0 ? "" : ",", be32(p + i));
    if (i > 0) ids += ',';
    ids += std::to_string(be32(p + i));
  }
  r.outc('\n');
  r.json_value(0, "track_ids", ids + "]");
  if (n % 4 != 0) past_end(r, held, box, "A track ID");
}

void fragment_field(Report& r, const Source& held, const BoxContent& box, Mp4Walk&) {
  const uint8_t* p = held.block;
  const int64_t n = held.limit;
  const uint32_t type = be32(box.type);
  const char* label = "Track ID";
  const char* name = "track_id";
  if (type == fourcc("mfhd")) label = "Sequence number", name = "sequence_number";
  if (type == fourcc("trun")) label = "Samples", name = "samples";
  if (type == fourcc("tfdt")) label = "Base decode time", name = "base_decode_time";
  const int64_t width = type == fourcc("tfdt") && n >= 1 && p[0] == 1 ? 8 : 4;
  if (n < 4 + width) return past_end(r, held, box, label);
  const uint64_t v = width == 8 ? be64(p + 4) : be32(p + 4);
  r.printi();
  r.outf("\t%s: %llu\n", label, static_cast<unsigned long long>(v));
  r.unum(0, name, v);
}

void user_type(Report& r, const Source& held, const BoxContent& box, Mp4Walk&) {
  if (held.limit < 16) return past_end(r, held, box, "User type");
  r.printi();
  r.outs("\tUser type: ");
  put_hex(r, 16, held.block, "user_type");
  r.outc('\n');
}

std::string code_shown(const Report& r, const uint8_t* p) {
  std::string s;
  for (int i = 0; i < 4; ++i) {
    if (control_byte(p[i]) || (p[i] >= 0x80 && !r.utf8)) {
      s += '\\';
      s += kHexDigits[p[i] >> 4];
      s += kHexDigits[p[i] & 15];
    } else if (p[i] >= 0x80) {
      s += static_cast<char>(0xC0 | p[i] >> 6);
      s += static_cast<char>(0x80 | (p[i] & 0x3F));
    } else {
      s += static_cast<char>(p[i]);
    }
  }
  return s;
}

void put_code(Report& r, const uint8_t* p, const char* name) {
  if (name != nullptr) r.text(0, name, Enc::latin1, p, 4);
  if (r.text()) r.outs(code_shown(r, p).c_str());
}

std::string code_text(const uint8_t* p) {
  std::string s;
  for (int i = 0; i < 4; ++i) {
    if (p[i] < 0x80) {
      s += static_cast<char>(p[i]);
    } else {
      s += static_cast<char>(0xC0 | p[i] >> 6);
      s += static_cast<char>(0x80 | (p[i] & 0x3F));
    }
  }
  return s;
}

void put_utf8_text(Report& r, const uint8_t* p, int64_t n, const char* name) {
  r.text(0, name, Enc::utf8, p, static_cast<size_t>(n));
  r.outc('{');
  if (r.utf8)
    put_utf8(r, p, static_cast<size_t>(n), Escape::hex);
  else
    put_ascii(r, p, static_cast<size_t>(n), Escape::hex);
  r.outc('}');
}

void put_utf16_text(Report& r, const uint8_t* p, int64_t n, const char* name) {
  r.outc('{');
  if (n > 0)
    put_utf16(r, p, n, true, name);
  else
    r.str(0, name, "");
  r.outc('}');
}

void box_error(Report& r, const Source& src, int64_t at, const std::string& message) {
  ++r.indent;
  r.error(message, &src, at);
  --r.indent;
}

void past_end(Report& r, const Source& held, const BoxContent& box, const char* what) {
  box_error(r, held, held.limit, std::string(what) + " passes the end of the " + code_shown(r, box.type) + " box");
}

void put_mac_time(Report& r, uint64_t t, const char* name) {
  using namespace std::chrono;
  constexpr int64_t kDay = 86'400;
  constexpr int64_t kCycle = 146'097;  // days in 400 Gregorian years, after which the calendar repeats
  constexpr int64_t kFrom1904 = 24'107;  // days from 1904-01-01 to 1970-01-01
  // Days are counted within one 400-year cycle from 1970, so that every
  // 64-bit count stays within std::chrono's years; the cycles are added back
  // to the year.
  int64_t day = static_cast<int64_t>(t / kDay) - kFrom1904;
  const int64_t sod = static_cast<int64_t>(t % kDay);
  int64_t cycles = day / kCycle;
  day %= kCycle;
  if (day < 0) {
    day += kCycle;
    --cycles;
  }
  const year_month_day ymd{sys_days{days{day}}};
  const long long year = static_cast<int>(ymd.year()) + 400 * cycles;
  char text[64];
  snprintf(text, sizeof text, "%04lld-%02u-%02u %02lld:%02lld:%02lld", year, static_cast<unsigned>(ymd.month()),
           static_cast<unsigned>(ymd.day()), static_cast<long long>(sod / 3600),
           static_cast<long long>(sod / 60 % 60), static_cast<long long>(sod % 60));
  r.outs(text);
  if (name == nullptr || !r.json()) return;
  text[10] = 'T';
  r.str(1, name, std::string(text) + "Z");
}

}  // namespace tagdelve
