#include "png/png_chunks.h"

#include <zlib.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/decode.h"
#include "common/printers.h"
#include "common/table.h"
#include "tiff/tiff.h"

namespace tagdelve {

namespace {

// The bytes inflated from zlib data, up to kInflateCap: kept, or only
// counted.
struct Inflated {
  std::vector<uint8_t> bytes;
  int64_t size = 0;
  bool capped = false;          // more would have come
  std::string fault;            // why the data is not valid zlib data
};

Inflated inflate_capped(const uint8_t* p, size_t n, bool keep) {
  Inflated out;
  z_stream z{};
  if (inflateInit(&z) != Z_OK) {
    out.fault = "zlib cannot start";
    return out;
  }
  z.next_in = const_cast<Bytef*>(p);
  z.avail_in = static_cast<uInt>(n);
  uint8_t scratch[16384];
  int rc = Z_OK;
  while (rc == Z_OK) {
    z.next_out = scratch;
    z.avail_out = sizeof scratch;
    rc = inflate(&z, Z_NO_FLUSH);
    int64_t got = static_cast<int64_t>(sizeof scratch - z.avail_out);
    if (got > kInflateCap - out.size) {
      got = kInflateCap - out.size;
      out.capped = true;
    }
    if (keep) out.bytes.insert(out.bytes.end(), scratch, scratch + got);
    out.size += got;
    if (out.capped) break;
  }
  if (!out.capped && rc != Z_STREAM_END)
    out.fault = rc == Z_BUF_ERROR ? "it ends early" : rc == Z_NEED_DICT ? "it asks for a preset dictionary"
                : z.msg != nullptr ? z.msg : "zlib fails";
  inflateEnd(&z);
  return out;
}

// Reports what stopped an inflate, for `what` ("zTXt text", "iCCP profile").
void inflate_faults(Report& r, const Inflated& z, const char* what) {
  if (z.capped)
    r.error_line("The %s inflates past %lld bytes: cut there", what, static_cast<long long>(kInflateCap));
  else if (!z.fault.empty())
    r.error_line("The %s is not valid zlib data: %s", what, z.fault.c_str());
}

// A keyword or language tag: ISO-8859-1 (ASCII for the language), shown as
// texts are, without the name of the encoding.
void put_keyword(Report& r, const uint8_t* p, size_t n, const char* name) {
  r.text(0, name, Enc::latin1, p, n);
  r.outc('{');
  if (!r.text()) {
  } else if (r.utf8) {
    put_latin1(r, p, n);
  } else {
    put_ascii(r, p, n, Escape::hex);
  }
  r.outc('}');
}

// The next text at p that a zero byte ends, within `end`: its length, or -1
// when no zero byte ends it.
int64_t terminated(const uint8_t* p, const uint8_t* end) {
  if (p >= end) return -1;
  const void* zero = memchr(p, 0, static_cast<size_t>(end - p));
  return zero == nullptr ? -1 : static_cast<const uint8_t*>(zero) - p;
}

// A text's line, "{keyword} = {text}", with its encoding's name at verbose
// > 0 (0: ISO-8859-1, 3: UTF-8); the keyword alone when the text cannot be
// had (`p` is nullptr).
void text_line(Report& r, const uint8_t* key, size_t key_n, int enc, const uint8_t* p, size_t n) {
  r.printi();
  r.outc('\t');
  put_keyword(r, key, key_n, "keyword");
  if (p == nullptr) {
  } else if (n == 0) {
    r.outs(r.verbose > 0 ? (enc == 0 ? " = ISO-8859-1{}" : " = UTF-8{}") : " = {}");
    r.str(0, "text", "");
  } else {
    r.outs(" = ");
    put_enc(r, enc, static_cast<int64_t>(n), p, "text");
  }
  r.outc('\n');
}

// The sizes of a compressed text at verbose > 0.
void compressed_line(Report& r, int64_t compressed, const Inflated& z) {
  if (r.verbose > 0) {
    r.printi();
    r.outf("\t\tCompressed: %lld bytes, Inflated: %lld bytes\n", static_cast<long long>(compressed),
           static_cast<long long>(z.size));
  }
  r.num(1, "compressed_bytes", compressed);
  r.num(1, "inflated_bytes", z.size);
}

// A keyword and the zero byte after it at the start of the data: the
// keyword's length, or -1 after an error line.
int64_t keyword(Report& r, const Source& d, const char* type) {
  const int64_t n = terminated(d.block, d.block + d.limit);
  if (n < 0) r.error_line("The %s chunk holds no zero byte after its keyword", type);
  return n;
}

const char* const kColourTypes[] = {"Greyscale", "unknown", "Truecolour", "Indexed-colour",
                                    "Greyscale with alpha", "unknown", "Truecolour with alpha"};
const char* const kIntents[] = {"Perceptual", "Relative colorimetric", "Saturation", "Absolute colorimetric"};

void ihdr(Report& r, const Source& d, PngState& png) {
  const uint8_t* p = d.block;
  png.colour_type = p[9];
  r.printi();
  r.outf("\tWidth: %u, Height: %u, Bit depth: %u, Colour type: %u [%s]\n", be32(p), be32(p + 4), p[8], p[9],
         p[9] < 7 ? kColourTypes[p[9]] : "unknown");
  r.printi();
  r.outf("\tCompression: %u, Filter: %u, Interlace: %u [%s]\n", p[10], p[11], p[12],
         p[12] == 0 ? "none" : p[12] == 1 ? "Adam7" : "unknown");
  r.num(0, "width", be32(p));
  r.num(0, "height", be32(p + 4));
  r.num(0, "bit_depth", p[8]);
  r.num(0, "colour_type", p[9]);
  r.num(0, "compression", p[10]);
  r.num(0, "filter", p[11]);
  r.num(0, "interlace", p[12]);
}

void plte(Report& r, const Source& d, PngState&) {
  r.printi();
  r.outf("\tEntries: %lld\n", static_cast<long long>(d.limit / 3));
  r.num(0, "entries", d.limit / 3);
  if (d.limit % 3 != 0) r.error_line("PLTE chunk of %lld bytes: not a whole number of entries", static_cast<long long>(d.limit));
}

// tRNS: an alpha value for each palette entry, or the one transparent grey
// or RGB sample value.
void trns(Report& r, const Source& d, PngState& png) {
  const uint8_t* p = d.block;
  r.printi();
  if (png.colour_type == 0 && d.limit >= 2) {
    r.outf("\tGrey: %u\n", word16(p));
    r.num(0, "grey", word16(p));
  } else if (png.colour_type == 2 && d.limit >= 6) {
    r.outf("\tRed: %u, Green: %u, Blue: %u\n", word16(p), word16(p + 2), word16(p + 4));
    r.num(0, "red", word16(p));
    r.num(0, "green", word16(p + 2));
    r.num(0, "blue", word16(p + 4));
  } else {
    r.outf("\tEntries: %lld\n", static_cast<long long>(d.limit));
    r.num(0, "entries", d.limit);
  }
}

void gama(Report& r, const Source& d, PngState&) {
  r.printi();
  r.outf("\tGamma: %.5f\n", be32(d.block) / 100000.0);
  r.real(0, "gamma", be32(d.block) / 100000.0);
}

void chrm(Report& r, const Source& d, PngState&) {
  static const char* const kNames[] = {"white_x", "white_y", "red_x", "red_y", "green_x", "green_y", "blue_x", "blue_y"};
  double v[8];
  for (int i = 0; i < 8; ++i) {
    v[i] = be32(d.block + 4 * i) / 100000.0;
    r.real(0, kNames[i], v[i]);
  }
  r.printi();
  r.outf("\tWhite point: %.5f, %.5f, Red: %.5f, %.5f, Green: %.5f, %.5f, Blue: %.5f, %.5f\n", v[0], v[1], v[2], v[3],
         v[4], v[5], v[6], v[7]);
}

void srgb(Report& r, const Source& d, PngState&) {
  const uint8_t intent = d.block[0];
  r.printi();
  r.outf("\tRendering intent: %u [%s]\n", intent, intent < 4 ? kIntents[intent] : "unknown");
  r.num(0, "rendering_intent", intent);
}

void iccp(Report& r, const Source& d, PngState&) {
  const uint8_t* p = d.block;
  const int64_t n = keyword(r, d, "iCCP");
  if (n < 0) return;
  r.printi();
  r.outs("\tProfile: ");
  put_keyword(r, p, static_cast<size_t>(n), "profile_name");
  const int64_t method_at = n + 1;
  if (method_at >= d.limit || p[method_at] != 0) {
    r.outc('\n');
    if (method_at >= d.limit)
      r.error_line("The iCCP chunk ends before its compression method");
    else
      r.error_line("iCCP compression method %u is not 0 (zlib)", p[method_at]);
    return;
  }
  const int64_t compressed = d.limit - method_at - 1;
  const Inflated z = inflate_capped(p + method_at + 1, static_cast<size_t>(compressed), false);
  r.outf(", Compressed: %lld bytes, Size: %lld bytes\n", static_cast<long long>(compressed),
         static_cast<long long>(z.size));
  r.num(0, "compressed_bytes", compressed);
  r.num(0, "profile_bytes", z.size);
  inflate_faults(r, z, "iCCP profile");
}

void phys(Report& r, const Source& d, PngState&) {
  const uint8_t* p = d.block;
  r.printi();
  r.outf("\tPixels per unit: %ux%u, Unit: %u [%s]\n", be32(p), be32(p + 4), p[8],
         p[8] == 0 ? "unknown" : p[8] == 1 ? "metre" : "invalid");
  r.num(0, "pixels_per_unit_x", be32(p));
  r.num(0, "pixels_per_unit_y", be32(p + 4));
  r.num(0, "unit", p[8]);
}

void modification_time(Report& r, const Source& d, PngState&) {
  const uint8_t* p = d.block;
  char t[64];
  snprintf(t, sizeof t, "%04u-%02u-%02uT%02u:%02u:%02u", word16(p), p[2], p[3], p[4], p[5], p[6]);
  r.str(0, "modified", t);
  t[10] = ' ';
  r.printi();
  r.outf("\tModified: %s\n", t);
}

void latin1_text(Report& r, const Source& d, PngState&) {
  const int64_t n = keyword(r, d, "tEXt");
  if (n < 0) return;
  text_line(r, d.block, static_cast<size_t>(n), 0, d.block + n + 1, static_cast<size_t>(d.limit - n - 1));
}

void ztxt(Report& r, const Source& d, PngState&) {
  const uint8_t* p = d.block;
  const int64_t n = keyword(r, d, "zTXt");
  if (n < 0) return;
  if (n + 1 >= d.limit || p[n + 1] != 0) {
    text_line(r, p, static_cast<size_t>(n), 0, nullptr, 0);
    if (n + 1 >= d.limit)
      r.error_line("The zTXt chunk ends before its compression method");
    else
      r.error_line("zTXt compression method %u is not 0 (zlib)", p[n + 1]);
    return;
  }
  const int64_t compressed = d.limit - n - 2;
  const Inflated z = inflate_capped(p + n + 2, static_cast<size_t>(compressed), true);
  text_line(r, p, static_cast<size_t>(n), 0, z.bytes.empty() ? p : z.bytes.data(), z.bytes.size());
  compressed_line(r, compressed, z);
  inflate_faults(r, z, "zTXt text");
}

void itxt(Report& r, const Source& d, PngState&) {
  const uint8_t* p = d.block;
  const uint8_t* end = p + d.limit;
  const int64_t n = keyword(r, d, "iTXt");
  if (n < 0) return;
  // The compression flag and method, the language tag and the translated
  // keyword, each of the last two ended by a zero byte.
  const int64_t lang_at = n + 3;
  const int64_t lang_n = lang_at <= d.limit ? terminated(p + lang_at, end) : -1;
  const int64_t translated_at = lang_at + lang_n + 1;
  const int64_t translated_n = lang_n < 0 ? -1 : terminated(p + translated_at, end);
  if (translated_n < 0) {
    r.error_line("The iTXt chunk ends before its text");
    return;
  }
  const uint8_t flag = p[n + 1], method = p[n + 2];
  r.num(1, "compressed", flag);
  r.num(1, "compression_method", method);
  const uint8_t* body = p + translated_at + translated_n + 1;
  const int64_t body_n = end - body;
  Inflated z;
  if (flag == 0) {
    text_line(r, p, static_cast<size_t>(n), 3, body, static_cast<size_t>(body_n));
  } else if (flag == 1 && method == 0) {
    z = inflate_capped(body, static_cast<size_t>(body_n), true);
    text_line(r, p, static_cast<size_t>(n), 3, z.bytes.empty() ? p : z.bytes.data(), z.bytes.size());
  } else {
    text_line(r, p, static_cast<size_t>(n), 3, nullptr, 0);
  }
  r.printi();
  r.outs("\t\tLanguage: ");
  put_keyword(r, p + lang_at, static_cast<size_t>(lang_n), "language");
  r.outs(", Translated keyword: {");
  r.text(0, "translated_keyword", Enc::utf8, p + translated_at, static_cast<size_t>(translated_n));
  if (r.text()) {
    if (r.utf8)
      put_utf8(r, p + translated_at, static_cast<size_t>(translated_n), Escape::hex);
    else
      put_ascii(r, p + translated_at, static_cast<size_t>(translated_n), Escape::hex);
  }
  r.outs("}\n");
  if (flag > 1) {
    r.error_line("iTXt compression flag %u is neither 0 nor 1", flag);
  } else if (flag == 1 && method != 0) {
    r.error_line("iTXt compression method %u is not 0 (zlib)", method);
  } else if (flag == 1) {
    compressed_line(r, body_n, z);
    inflate_faults(r, z, "iTXt text");
  }
}

// eXIf: TIFF data, walked by the shared TIFF directory walker in full.
void exif(Report& r, const Source& d, PngState&) {
  tiff_header(r, d, d.limit, TiffOptions{true, 1, "Exif data"});
}

void actl(Report& r, const Source& d, PngState& png) {
  const uint32_t frames = be32(d.block), plays = be32(d.block + 4);
  png.frames = frames;
  r.printi();
  r.outf("\tFrames: %u, Plays: %u%s\n", frames, plays, plays == 0 ? " [forever]" : "");
  r.num(0, "frames", frames);
  r.num(0, "plays", plays);
}

void fctl(Report& r, const Source& d, PngState& png) {
  const uint8_t* p = d.block;
  ++png.frame_controls;
  r.printi();
  r.outf("\tSequence: %u, Width: %u, Height: %u, X offset: %u, Y offset: %u\n", be32(p), be32(p + 4), be32(p + 8),
         be32(p + 12), be32(p + 16));
  r.num(0, "sequence", be32(p));
  r.num(0, "width", be32(p + 4));
  r.num(0, "height", be32(p + 8));
  r.num(0, "x_offset", be32(p + 12));
  r.num(0, "y_offset", be32(p + 16));
  if (r.verbose > 0) {
    r.printi();
    r.outf("\tDelay: %u/%u, Dispose: %u, Blend: %u\n", word16(p + 20), word16(p + 22), p[24], p[25]);
  }
  r.num(1, "delay_numerator", word16(p + 20));
  r.num(1, "delay_denominator", word16(p + 22));
  r.num(1, "dispose", p[24]);
  r.num(1, "blend", p[25]);
}

const ChunkKind kChunks[] = {
    {"IHDR", "Image header", 13, ihdr},
    {"PLTE", "Palette", 0, plte},
    {"IDAT", "Image data", 0, nullptr},
    {"IEND", "Image trailer", 0, nullptr},
    {"tRNS", "Transparency", 0, trns},
    {"cHRM", "Primary chromaticities", 32, chrm},
    {"gAMA", "Image gamma", 4, gama},
    {"iCCP", "Embedded ICC profile", 0, iccp},
    {"sBIT", "Significant bits", 0, nullptr},
    {"sRGB", "Standard RGB colour space", 1, srgb},
    {"cICP", "Coding-independent code points", 0, nullptr},
    {"mDCV", "Mastering display colour volume", 0, nullptr},
    {"cLLI", "Content light level information", 0, nullptr},
    {"tEXt", "Textual data", 0, latin1_text},
    {"zTXt", "Compressed textual data", 0, ztxt},
    {"iTXt", "International textual data", 0, itxt},
    {"bKGD", "Background colour", 0, nullptr},
    {"hIST", "Image histogram", 0, nullptr},
    {"pHYs", "Physical pixel dimensions", 9, phys},
    {"sPLT", "Suggested palette", 0, nullptr},
    {"eXIf", "Exif data", 0, exif},
    {"tIME", "Image last-modification time", 7, modification_time},
    {"acTL", "Animation control", 8, actl},
    {"fcTL", "Frame control", 26, fctl},
    {"fdAT", "Frame data", 0, nullptr},
};

}  // namespace

const ChunkKind* find_chunk(const uint8_t* type) {
  return find_row(kChunks, [type](const ChunkKind& k) { return memcmp(k.type, type, 4) == 0; });
}

}  // namespace tagdelve
