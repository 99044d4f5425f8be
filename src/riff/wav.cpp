#include "riff/wav.h"

#include <cstring>
#include <string>
#include <vector>

#include "common/decode.h"
#include "common/printers.h"
#include "riff/chunks.h"

namespace tagdelve {

namespace {

enum WavKind { plain, text, format, fact, data, ds64, list, bext, cue, sampler, id3 };

const ChunkType wav_types[] = {
    {"fmt ", "Format", format},
    {"fact", "Fact", fact},
    {"data", "Audio data", data},
    {"ds64", "64-bit sizes", ds64},
    {"LIST", "List", list},
    {"bext", "Broadcast extension", bext},
    {"cue ", "Cue points", cue},
    {"smpl", "Sampler", sampler},
    {"id3 ", "ID3v2 tag", id3},
    {"ID3 ", "ID3v2 tag", id3},
    {"JUNK", "Filler", plain},
    {"junk", "Filler", plain},
    {"FLLR", "Filler", plain},
    {"PAD ", "Padding", plain},
    {"levl", "Peak envelope", plain},
    {"PEAK", "Peak envelope", plain},
    {"iXML", "iXML metadata", plain},
    {"axml", "XML metadata", plain},
    {"cart", "Cart", plain},
    {"inst", "Instrument", plain},
    {"acid", "ACID loop", plain},
    {"plst", "Playlist", plain},
    {"labl", "Label", plain},
    {"note", "Note", plain},
    {"ltxt", "Labelled text", plain},
};

// The chunks of a LIST of type INFO: every one holds a text.
const ChunkType info_texts[] = {
    {"IARL", "Archival location", text}, {"IART", "Artist", text},       {"ICMS", "Commissioned", text},
    {"ICMT", "Comment", text},           {"ICOP", "Copyright", text},    {"ICRD", "Creation date", text},
    {"ICRP", "Cropped", text},           {"IDIM", "Dimensions", text},   {"IDPI", "Dots per inch", text},
    {"IENG", "Engineer", text},          {"IGNR", "Genre", text},        {"IKEY", "Keywords", text},
    {"ILGT", "Lightness", text},         {"IMED", "Medium", text},       {"INAM", "Name", text},
    {"IPLT", "Palette setting", text},   {"IPRD", "Product", text},      {"ISBJ", "Subject", text},
    {"ISFT", "Software", text},          {"ISHP", "Sharpness", text},    {"ISRC", "Source", text},
    {"ISRF", "Source form", text},       {"ITCH", "Technician", text},   {"ITRK", "Track number", text},
};

// Format tags; `linear`: a block holds one sample frame, so the frames
// are the data's size over the block alignment.
struct FormatTag {
  uint32_t tag;
  const char* name;
  bool linear;
};

const FormatTag format_tags[] = {
    {0x0001, "PCM", true},
    {0x0002, "Microsoft ADPCM", false},
    {0x0003, "IEEE float", true},
    {0x0006, "A-law", true},
    {0x0007, "mu-law", true},
    {0x0011, "IMA ADPCM", false},
    {0x0031, "GSM 6.10", false},
    {0x0050, "MPEG", false},
    {0x0055, "MPEG layer III", false},
    {0x0092, "AC-3 over S/PDIF", false},
    {0x00FF, "AAC", false},
    {0x0161, "Windows Media Audio", false},
    {0x2000, "AC-3", false},
    {0x2001, "DTS", false},
    {0xF1AC, "FLAC", false},
    {0xFFFE, "Extensible", false},
};

constexpr uint32_t kExtensible = 0xFFFE;

// The last 12 bytes of the subformat GUIDs that stand for a format tag
// (held in their first two bytes): {XXXXXXXX-0000-0010-8000-00aa00389b71}.
const uint8_t kTagGuid[12] = {0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

// The speaker of each bit of a channel mask, from bit 0 up.
const char* const speakers[18] = {"FL",  "FR",  "FC", "LFE", "BL", "BR",  "FLC", "FRC", "BC",
                                  "SL",  "SR",  "TC", "TFL", "TFC", "TFR", "TBL", "TBC", "TBR"};

const FormatTag* find_tag(uint32_t tag) {
  return find_row(format_tags, [tag](const FormatTag& t) { return t.tag == tag; });
}

// What a walk keeps from one chunk for the next ones.
struct Wav {
  explicit Wav(Report& r) : walk{r, false} {}
  ChunkWalk walk;
  bool rf64 = false;
  // The format chunk: for the duration of the data and the bext time
  // reference.
  bool have_format = false, linear = false;
  uint32_t rate = 0, byte_rate = 0, block_align = 0;
  bool have_fact = false;
  uint32_t fact = 0;
  // The ds64 chunk: the 64-bit sizes of RF64 and its table of other sizes.
  bool have_ds64 = false;
  uint64_t riff_size = 0, data_size = 0;
  std::vector<Chunk> table;
};

void format_chunk(Wav& w, const Source& src, const Chunk& c, const std::vector<uint8_t>& bytes) {
  Report& r = w.walk.r;
  const uint8_t* b = bytes.data();
  const size_t n = bytes.size();
  if (too_short(r, src, c, n, 16)) return;
  const uint32_t tag = swab16(b), channels = swab16(b + 2), bits = swab16(b + 14);
  const FormatTag* known = find_tag(tag);
  w.have_format = true;
  w.linear = known != nullptr && known->linear;
  w.rate = le32(b + 4);
  w.byte_rate = le32(b + 8);
  w.block_align = swab16(b + 12);
  r.printi();
  r.outf("\tFormat: 0x%.4x", tag);
  if (known != nullptr) r.outf(" [%s]", known->name);
  r.outf(", Channels: %u, Sample rate: %uHz, Bits: %u\n", channels, w.rate, bits);
  r.num(0, "format_tag", tag);
  if (known != nullptr) r.str(0, "format_name", known->name);
  r.num(0, "channels", channels);
  r.num(0, "sample_rate", w.rate);
  r.num(0, "bits_per_sample", bits);
  if (r.verbose > 0) {
    r.printi();
    r.outf("\tByte rate: %u, Block align: %u", w.byte_rate, w.block_align);
    if (n >= 18) r.outf(", Extension size: %u", swab16(b + 16));
    r.outc('\n');
  }
  r.num(1, "byte_rate", w.byte_rate);
  r.num(1, "block_align", w.block_align);
  if (n >= 18) r.num(1, "extension_size", swab16(b + 16));
  if (tag != kExtensible || too_short(r, src, c, n, 40)) return;

  const uint8_t* guid = b + 24;
  const FormatTag* sub = memcmp(guid + 4, kTagGuid, 12) == 0 ? find_tag(le32(guid)) : nullptr;
  w.linear = sub != nullptr && sub->linear;
  r.printi();
  r.outs("\tSubformat: ");
  put_guid(r, guid, "subformat");
  if (sub != nullptr) r.outf(" [%s]", sub->name);
  if (sub != nullptr) r.str(0, "subformat_name", sub->name);
  r.outf(", Valid bits: %u\n", swab16(b + 18));
  r.num(0, "valid_bits", swab16(b + 18));
  const uint32_t mask = le32(b + 20);
  std::string names;
  for (int bit = 0; bit < 18; ++bit) {
    if (((mask >> bit) & 1) == 0) continue;
    if (!names.empty()) names += ' ';
    names += speakers[bit];
  }
  r.printi();
  r.outf("\tChannel mask: 0x%.8x", mask);
  if (!names.empty()) r.outf(" [%s]", names.c_str());
  r.outc('\n');
  r.num(0, "channel_mask", mask);
  if (!names.empty()) r.str(0, "speakers", names);
}

// The data chunk: its size, and the frames and time they hold as far as
// the format (or a fact chunk) tells.
void data_chunk(Wav& w, const Chunk& c) {
  Report& r = w.walk.r;
  r.printi();
  r.outf("\tAudio: %llu bytes", static_cast<unsigned long long>(c.size));
  r.unum(0, "audio_bytes", c.size);
  uint64_t frames = 0;
  bool have_frames = false;
  double seconds = -1;
  if (w.have_format && w.linear && w.block_align > 0) {
    frames = c.size / w.block_align;
    have_frames = true;
  } else if (w.have_format && w.have_fact) {
    frames = w.fact;
    have_frames = true;
  }
  if (have_frames) {
    r.outf(", %llu sample frames", static_cast<unsigned long long>(frames));
    r.unum(0, "sample_frames", frames);
    if (w.rate > 0) seconds = static_cast<double>(frames) / w.rate;
  } else if (w.have_format && w.byte_rate > 0) {
    seconds = static_cast<double>(c.size) / w.byte_rate;
  }
  if (seconds >= 0) {
    r.outf(", %.3f seconds", seconds);
    r.real(0, "duration", seconds);
  }
  r.outc('\n');
}

void ds64_chunk(Wav& w, const Source& src, const Chunk& c, const std::vector<uint8_t>& bytes) {
  Report& r = w.walk.r;
  const uint8_t* b = bytes.data();
  const size_t n = bytes.size();
  if (too_short(r, src, c, n, 28)) return;
  w.have_ds64 = true;
  w.riff_size = swab64(b);
  w.data_size = swab64(b + 8);
  const uint32_t entries = le32(b + 24);
  r.printi();
  r.outf("\tRIFF size: %llu, Data size: %llu, Sample count: %llu\n", static_cast<unsigned long long>(w.riff_size),
         static_cast<unsigned long long>(w.data_size), static_cast<unsigned long long>(swab64(b + 16)));
  r.unum(0, "riff_size", w.riff_size);
  r.unum(0, "data_size", w.data_size);
  r.unum(0, "sample_count", swab64(b + 16));
  if (r.verbose > 0) {
    r.printi();
    r.outf("\tTable entries: %u\n", entries);
  }
  r.num(1, "table_entries", entries);
  size_t at = 28;
  for (uint32_t i = 0; i < entries && at + 12 <= n; ++i, at += 12) {
    Item entry(r, "table entry", src, c.body() + static_cast<int64_t>(at), 12);
    Chunk sized;
    memcpy(sized.id, b + at, 4);
    sized.size = swab64(b + at + 4);
    w.table.push_back(sized);
    if (r.verbose > 0) {
      r.printi();
      r.outs("\t\t");
      put_raw(r, sized.id, 4, "id");
      r.outf(" size: %llu\n", static_cast<unsigned long long>(sized.size));
    }
    r.unum(0, "size", sized.size);
  }
  too_short(r, src, c, n, 28 + 12 * static_cast<size_t>(entries));
}

void bext_chunk(Wav& w, const Source& src, const Chunk& c, const std::vector<uint8_t>& bytes) {
  Report& r = w.walk.r;
  const uint8_t* b = bytes.data();
  const size_t n = bytes.size();
  if (too_short(r, src, c, n, 602)) return;
  r.printi();
  r.outs("\tDescription: ");
  chunk_text(r, b, 256, "description");
  r.printi();
  r.outs("\tOriginator: ");
  chunk_text(r, b + 256, 32, "originator");
  r.outs(", Reference: ");
  chunk_text(r, b + 288, 32, "originator_reference");
  r.printi();
  r.outs("\tOrigination date: ");
  chunk_text(r, b + 320, 10, "origination_date");
  r.outs(", Time: ");
  chunk_text(r, b + 330, 8, "origination_time");
  const uint64_t reference = swab64(b + 338);
  r.printi();
  r.outf("\tTime reference: %llu samples", static_cast<unsigned long long>(reference));
  r.unum(0, "time_reference", reference);
  if (w.have_format && w.rate > 0) {
    r.outf(", %.3f seconds", static_cast<double>(reference) / w.rate);
    r.real(0, "time_reference_seconds", static_cast<double>(reference) / w.rate);
  }
  r.outc('\n');
  const uint32_t version = swab16(b + 346);
  if (r.verbose > 0) {
    r.printi();
    r.outf("\tVersion: %u\n", version);
  }
  r.num(1, "version", version);
  if (r.verbose > 1) {
    r.printi();
    r.outs("\tUMID: ");
    put_hex(r, 64, b + 348, "umid");
    r.outc('\n');
  }
  if (version >= 2) {
    // Hundredths of LUFS, LU and dBTP, signed.
    static const char* const names[5] = {"loudness_value", "loudness_range", "max_true_peak_level",
                                         "max_momentary_loudness", "max_short_term_loudness"};
    double v[5];
    for (int i = 0; i < 5; ++i) {
      v[i] = static_cast<int16_t>(swab16(b + 412 + 2 * i)) / 100.0;
      r.real(1, names[i], v[i]);
    }
    if (r.verbose > 0) {
      r.printi();
      r.outf("\tLoudness: %.2f LUFS, Range: %.2f LU, True peak: %.2f dBTP, Momentary: %.2f LUFS, "
             "Short-term: %.2f LUFS\n", v[0], v[1], v[2], v[3], v[4]);
    }
  }
  if (r.verbose > 0) {
    r.printi();
    r.outs("\tCoding history: ");
    chunk_text(r, b + 602, n - 602, "coding_history");
    r.outc('\n');
  }
}

void sampler_chunk(Report& r, const Source& src, const Chunk& c, const std::vector<uint8_t>& bytes) {
  const uint8_t* b = bytes.data();
  if (too_short(r, src, c, bytes.size(), 36)) return;
  r.printi();
  r.outf("\tSample loops: %u\n", le32(b + 28));
  r.num(0, "sample_loops", le32(b + 28));
  if (r.verbose > 0) {
    r.printi();
    r.outf("\tManufacturer: %u, Product: %u, Sample period: %u ns, MIDI unity note: %u, Pitch fraction: %u\n", le32(b),
           le32(b + 4), le32(b + 8), le32(b + 12), le32(b + 16));
    r.printi();
    r.outf("\tSMPTE format: %u, SMPTE offset: ", le32(b + 20));
    put_hex(r, 4, b + 24, "smpte_offset");
    r.outf(", Sampler data: %u\n", le32(b + 32));
  }
  static const char* const names[6] = {"manufacturer",     "product",      "sample_period",
                                       "midi_unity_note", "pitch_fraction", "smpte_format"};
  for (int i = 0; i < 6; ++i) r.num(1, names[i], le32(b + 4 * i));
  r.num(1, "sampler_data", le32(b + 32));
}

void walk_chunks(Wav& w, Source& src, bool info);

// A LIST chunk: its type, then its chunks one level deeper.
bool list_chunk(Wav& w, Source& src, const Chunk& c) {
  Report& r = w.walk.r;
  uint8_t type[4];
  if (c.size < 4) {
    r.outc('\n');
    too_short(r, src, c, static_cast<size_t>(c.size), 4);
    return true;
  }
  if (!src.read(type, 4)) {
    chunk_cut(w.walk, src, c);
    return false;
  }
  r.outs(", Type: ");
  put_raw(r, type, 4, "list_type");
  r.outc('\n');
  Source in = inside(src, c);
  ++r.indent;
  walk_chunks(w, in, memcmp(type, "INFO", 4) == 0);
  --r.indent;
  back_from(src, in);
  return true;
}

// The bytes of a chunk's body that its kind decodes; the rest is passed
// over.
uint64_t decoded(int kind) {
  switch (kind) {
    case text:
    case ds64:
    case bext: return UINT64_MAX;
    case format: return 40;
    case fact:
    case cue: return 4;
    case sampler: return 36;
    default: return 0;
  }
}

// The body of one chunk, after its heading. False when it could not be
// read (reported).
bool wav_body(Wav& w, Source& src, const Chunk& c, int kind) {
  Report& r = w.walk.r;
  std::vector<uint8_t> bytes;
  if (const uint64_t want = decoded(kind); want > 0 && !chunk_head(w.walk, src, c, bytes, want)) return false;
  if (kind == text) {
    r.outc(' ');
    chunk_text(r, bytes.data(), bytes.size(), "text");
  }
  if (kind != list) r.outc('\n');
  switch (kind) {
    case format: format_chunk(w, src, c, bytes); break;
    case fact:
      if (too_short(r, src, c, bytes.size(), 4)) break;
      w.have_fact = true;
      w.fact = le32(bytes.data());
      r.printi();
      r.outf("\tSample length: %u\n", w.fact);
      r.num(0, "sample_length", w.fact);
      break;
    case data: data_chunk(w, c); break;
    case ds64: ds64_chunk(w, src, c, bytes); break;
    case list: return list_chunk(w, src, c);
    case bext: bext_chunk(w, src, c, bytes); break;
    case cue:
      if (too_short(r, src, c, bytes.size(), 4)) break;
      r.printi();
      r.outf("\tCue points: %u\n", le32(bytes.data()));
      r.num(0, "cue_points", le32(bytes.data()));
      break;
    case sampler: sampler_chunk(r, src, c, bytes); break;
    case id3: id3_chunk(r, src, c); break;
    default: break;
  }
  return true;
}

// The chunks of the form, or of a LIST (`info`: of type INFO), to the end
// of the source.
void walk_chunks(Wav& w, Source& src, bool info) {
  Report& r = w.walk.r;
  Chunk c;
  while (next_chunk(w.walk, src, c)) {
    const ChunkType* type = info ? find_chunk(info_texts, c.id) : find_chunk(wav_types, c.id);
    const int kind = info ? text : type != nullptr ? type->kind : plain;
    if (w.rf64 && c.stored == 0xFFFFFFFF) {
      // The true size stands in the ds64 chunk: the data's, or another
      // chunk's in its table.
      const Chunk* sized = nullptr;
      for (const Chunk& t : w.table)
        if (memcmp(t.id, c.id, 4) == 0) sized = &t;
      if (kind == data && w.have_ds64) {
        c.size = w.data_size;
        c.from_ds64 = true;
      } else if (sized != nullptr) {
        c.size = sized->size;
        c.from_ds64 = true;
      }
    }
    Item item(r, c.kind, src, c.at);
    chunk_heading(r, c, type, kind == text);
    if (!wav_body(w, src, c, kind) || !end_chunk(w.walk, src, c, item)) return;
  }
}

}  // namespace

Probe wav_probe(const uint8_t* p, int64_t n) {
  if (n < 12 || memcmp(p + 8, "WAVE", 4) != 0) return Probe::no;
  return memcmp(p, "RIFF", 4) == 0 || memcmp(p, "RF64", 4) == 0 || memcmp(p, "BW64", 4) == 0 ? Probe::strong
                                                                                              : Probe::no;
}

void wav_file(Report& r, Source& src) {
  Item file(r, "WAV file", src, 0);
  r.printi();
  r.outs("WAV file start\n");
  Wav w(r);
  Chunk form;
  uint8_t type[4];
  if (!form_header(w.walk, src, form, type)) {
  } else if (memcmp(form.id, "RIFF", 4) != 0 && memcmp(form.id, "RF64", 4) != 0 && memcmp(form.id, "BW64", 4) != 0) {
    r.error_line("Not a WAV file");
  } else if (memcmp(type, "WAVE", 4) != 0) {
    r.error("Form type " + escaped(r, std::string(reinterpret_cast<const char*>(type), 4)) + " is not WAVE", &src, 8);
  } else {
    Item riff(r, form.kind, src, 0);
    w.rf64 = memcmp(form.id, "RIFF", 4) != 0;
    chunk_heading(r, form, nullptr);
    r.outs(", Form type: ");
    put_raw(r, type, 4, "form_type");
    r.outc('\n');
    ++r.indent;
    walk_chunks(w, src, false);
    --r.indent;
    if (w.rf64 && form.stored == 0xFFFFFFFF && w.have_ds64) {
      form.size = w.riff_size;
      form.from_ds64 = true;
    }
    form_end(w.walk, src, form, form.size);
    riff.length = src.tell();
  }
  r.printi();
  r.outs("WAV file end\n");
  file.length = src.tell();
}

}  // namespace tagdelve
