#include "riff/aiff.h"

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "common/decode.h"
#include "common/printers.h"
#include "riff/chunks.h"

namespace tagdelve {

namespace {

enum AiffKind { plain, text, common, sound, version, markers, instrument, comments, application, id3 };

const ChunkType aiff_types[] = {
    {"COMM", "Common", common},
    {"SSND", "Sound data", sound},
    {"FVER", "Format version", version},
    {"NAME", "Name", text},
    {"AUTH", "Author", text},
    {"(c) ", "Copyright", text},
    {"ANNO", "Annotation", text},
    {"MARK", "Markers", markers},
    {"INST", "Instrument", instrument},
    {"COMT", "Comments", comments},
    {"APPL", "Application", application},
    {"ID3 ", "ID3v2 tag", id3},
    {"id3 ", "ID3v2 tag", id3},
    {"MIDI", "MIDI data", plain},
    {"AESD", "Audio recording", plain},
    {"CHAN", "Channel layout", plain},
};

// The bytes of a chunk's body that its kind decodes; the rest is passed
// over.
uint64_t decoded(int kind) {
  switch (kind) {
    case text: return UINT64_MAX;
    case common: return 22 + 256;  // and the compression name of AIFF-C
    case sound: return 8;
    case version:
    case application: return 4;
    case markers:
    case comments: return 2;
    case instrument: return 20;
    default: return 0;
  }
}

// The COMM chunk: the sound's layout, and in AIFF-C its compression.
void common_chunk(Report& r, const Source& src, const Chunk& c, const std::vector<uint8_t>& bytes, bool aifc) {
  const uint8_t* b = bytes.data();
  const size_t n = bytes.size();
  if (too_short(r, src, c, n, 18)) return;
  const Extended rate = extended(b + 8);
  r.printi();
  r.outf("\tChannels: %u, Sample frames: %u, Bits: %u, Sample rate: ", word16(b), be32(b + 2), word16(b + 6));
  r.num(0, "channels", word16(b));
  r.num(0, "sample_frames", be32(b + 2));
  r.num(0, "bits_per_sample", word16(b + 6));
  if (rate.whole) {
    r.outf("%s%lluHz\n", rate.negative ? "-" : "", static_cast<unsigned long long>(rate.integer));
    if (rate.integer <= static_cast<uint64_t>(INT64_MAX))
      r.num(0, "sample_rate", rate.negative ? -static_cast<int64_t>(rate.integer) : static_cast<int64_t>(rate.integer));
    else
      r.real(0, "sample_rate", rate.value);
  } else {
    r.outf("%.10gHz\n", rate.value);
    r.real(0, "sample_rate", rate.value);
  }
  if (rate.value > 0 && std::isfinite(rate.value)) {
    const double seconds = be32(b + 2) / rate.value;
    r.printi();
    r.outf("\tDuration: %.3f seconds\n", seconds);
    r.real(0, "duration", seconds);
  }
  if (!aifc || too_short(r, src, c, n, 22)) return;
  r.printi();
  r.outs("\tCompression: ");
  put_raw(r, b + 18, 4, "compression_type");
  if (n > 22) {
    const size_t length = b[22], held = n - 23 < length ? n - 23 : length;
    r.outc(' ');
    chunk_text(r, b + 23, held, "compression_name");
    r.outc('\n');
    too_short(r, src, c, n, 23 + length);
  } else {
    r.outc('\n');
    too_short(r, src, c, n, 23);
  }
}

void instrument_chunk(Report& r, const uint8_t* b) {
  r.printi();
  r.outf("\tBase note: %u, Detune: %d, Notes: %u-%u, Velocities: %u-%u, Gain: %d dB\n", b[0],
         static_cast<int8_t>(b[1]), b[2], b[3], b[4], b[5], static_cast<int16_t>(word16(b + 6)));
  static const char* const notes[6] = {"base_note", "detune", "low_note", "high_note", "low_velocity", "high_velocity"};
  for (int i = 0; i < 6; ++i) r.num(0, notes[i], i == 1 ? static_cast<int8_t>(b[1]) : b[i]);
  r.num(0, "gain", static_cast<int16_t>(word16(b + 6)));
  if (r.verbose > 0) {
    r.printi();
    r.outf("\tSustain loop: mode %u, markers %u-%u, Release loop: mode %u, markers %u-%u\n", word16(b + 8),
           word16(b + 10), word16(b + 12), word16(b + 14), word16(b + 16), word16(b + 18));
  }
  static const char* const loops[6] = {"sustain_mode", "sustain_begin", "sustain_end",
                                       "release_mode", "release_begin", "release_end"};
  for (int i = 0; i < 6; ++i) r.num(1, loops[i], word16(b + 8 + 2 * i));
}

// A count that leads its chunk's body (markers, comments).
void count_line(Report& r, const char* label, const char* name, uint32_t count) {
  r.printi();
  r.outf("\t%s: %u\n", label, count);
  r.num(0, name, count);
}

// The body of one chunk, after its heading. False when it could not be
// read (reported).
bool aiff_body(ChunkWalk& w, Source& src, const Chunk& c, int kind, bool aifc) {
  Report& r = w.r;
  std::vector<uint8_t> bytes;
  if (const uint64_t want = decoded(kind); want > 0 && !chunk_head(w, src, c, bytes, want)) return false;
  const uint8_t* b = bytes.data();
  const size_t n = bytes.size();
  if (kind == text) {
    r.outc(' ');
    chunk_text(r, b, n, "text");
  }
  r.outc('\n');
  switch (kind) {
    case common: common_chunk(r, src, c, bytes, aifc); break;
    case sound:
      if (too_short(r, src, c, n, 8)) break;
      r.printi();
      r.outf("\tAudio: %llu bytes, Data offset: %u, Block size: %u\n", static_cast<unsigned long long>(c.size - 8),
             be32(b), be32(b + 4));
      r.unum(0, "audio_bytes", c.size - 8);
      r.num(0, "data_offset", be32(b));
      r.num(0, "block_size", be32(b + 4));
      break;
    case version:
      if (too_short(r, src, c, n, 4)) break;
      r.printi();
      r.outf("\tFormat version: 0x%.8x\n", be32(b));
      r.num(0, "format_version", be32(b));
      break;
    case markers:
      if (!too_short(r, src, c, n, 2)) count_line(r, "Markers", "markers", word16(b));
      break;
    case comments:
      if (!too_short(r, src, c, n, 2)) count_line(r, "Comments", "comments", word16(b));
      break;
    case instrument:
      if (!too_short(r, src, c, n, 20)) instrument_chunk(r, b);
      break;
    case application:
      if (too_short(r, src, c, n, 4)) break;
      r.printi();
      r.outs("\tApplication: ");
      put_raw(r, b, 4, "application");
      r.outc('\n');
      break;
    case id3: id3_chunk(r, src, c); break;
    default: break;
  }
  return true;
}

}  // namespace

Extended extended(const uint8_t* p) {
  Extended e;
  e.negative = (p[0] & 0x80) != 0;
  const int exponent = static_cast<int>(word16(p) & 0x7FFF);
  const uint64_t mantissa = be64(p + 2);
  if (exponent == 0x7FFF) {
    e.value = (mantissa << 1) == 0 ? INFINITY : NAN;
  } else {
    // The value is mantissa * 2^shift.
    const int shift = exponent - 16383 - 63;
    if (mantissa == 0) {
      e.whole = true;
    } else if (shift <= 0 && shift > -64 && (mantissa & ((uint64_t{1} << -shift) - 1)) == 0) {
      e.whole = true;
      e.integer = mantissa >> -shift;
    } else if (shift > 0 && shift < 64 && (mantissa >> (64 - shift)) == 0) {
      e.whole = true;
      e.integer = mantissa << shift;
    }
    e.value = std::ldexp(static_cast<double>(mantissa), shift);
  }
  if (e.negative) e.value = -e.value;
  return e;
}

Probe aiff_probe(const uint8_t* p, int64_t n) {
  return n >= 12 && memcmp(p, "FORM", 4) == 0 && (memcmp(p + 8, "AIFF", 4) == 0 || memcmp(p + 8, "AIFC", 4) == 0)
             ? Probe::strong
             : Probe::no;
}

void aiff_file(Report& r, Source& src) {
  Item file(r, "AIFF file", src, 0);
  r.printi();
  r.outs("AIFF file start\n");
  ChunkWalk w{r, true};
  Chunk form;
  uint8_t type[4];
  if (!form_header(w, src, form, type)) {
  } else if (memcmp(form.id, "FORM", 4) != 0) {
    r.error_line("Not an AIFF file");
  } else if (memcmp(type, "AIFF", 4) != 0 && memcmp(type, "AIFC", 4) != 0) {
    r.error("Form type " + escaped(r, std::string(reinterpret_cast<const char*>(type), 4)) + " is not AIFF or AIFC",
            &src, 8);
  } else {
    Item aiff(r, form.kind, src, 0);
    const bool aifc = memcmp(type, "AIFC", 4) == 0;
    chunk_heading(r, form, nullptr);
    r.outs(", Form type: ");
    put_raw(r, type, 4, "form_type");
    r.outc('\n');
    ++r.indent;
    Chunk c;
    while (next_chunk(w, src, c)) {
      const ChunkType* t = find_chunk(aiff_types, c.id);
      const int kind = t != nullptr ? t->kind : plain;
      Item item(r, c.kind, src, c.at);
      chunk_heading(r, c, t, kind == text);
      if (!aiff_body(w, src, c, kind, aifc) || !end_chunk(w, src, c, item)) break;
    }
    --r.indent;
    form_end(w, src, form, form.size);
    aiff.length = src.tell();
  }
  r.printi();
  r.outs("AIFF file end\n");
  file.length = src.tell();
}

}  // namespace tagdelve
