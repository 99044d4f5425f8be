#include "jpeg/jpeg.h"

#include "common/cpu.h"
#ifdef TAGDELVE_X86_FEATURES
#define TAGDELVE_AVX2_SCAN 1
#endif

#include <algorithm>
#include <string>
#include <cstring>
#include <vector>

#include "common/decode.h"
#include "common/printers.h"
#include "common/table.h"
#include "tiff/tiff.h"

namespace tagdelve {

namespace {

constexpr uint8_t kSOF0 = 0xC0;
constexpr uint8_t kSOS = 0xDA;
constexpr uint8_t kSOI = 0xD8;
constexpr uint8_t kEOI = 0xD9;
constexpr uint8_t kAPP0 = 0xE0;
constexpr uint8_t kAPP1 = 0xE1;

// How a known segment shows its length and payload on its marker line.
enum class Shape {
  kPlain,      // " [what]" at verbose > 0, ", Length: L" at verbose > 1
  kHexInline,  // " [what], Length: L" at verbose > 0, ", Binary: <hex>" at verbose > 1
  kDumpBelow,  // " [what], Length: L" at verbose > 0, a dump on its own line at verbose > 1
  kHexBelow,   // " [what], Length: L" at verbose > 0, hex on its own line at verbose > 1
};

struct SegmentKind {
  uint8_t code;
  const char* name;
  const char* what;
  Shape shape;
};

const SegmentKind jpeg_segments[] = {
    {0xC0, "SOF0", "Start of Frame (Baseline)", Shape::kPlain},
    {0xC2, "SOF2", "Start of Frame (Progressive)", Shape::kHexInline},
    {0xC4, "DHT", "Define Huffman table", Shape::kDumpBelow},
    {0xDA, "SOS", "Start of Scan", Shape::kHexInline},
    {0xDB, "DQT", "Define Quantization Table", Shape::kDumpBelow},
    {0xDD, "DRI", "Define Restart Interval", Shape::kHexBelow},
    {0xE0, "APP0", "Application 0", Shape::kPlain},
    {0xE1, "APP1", "Application 1", Shape::kPlain},
    {0xFE, "COM", "Comment", Shape::kHexBelow},
};

const SegmentKind* find_segment(uint8_t code) {
  return find_row(jpeg_segments, [code](const SegmentKind& k) { return k.code == code; });
}

// Reads a marker code after its 0xFF. Further 0xFF bytes before the code are
// fill: they are consumed (and counted in the offset) until a byte that is
// not 0xFF, which is the code. False when the source ends first.
bool read_code(uint8_t* code, Source& src) {
  do {
    if (!src.read(code, 1)) return false;
  } while (*code == 0xFF);
  return true;
}

// The SOF0 frame header: the frame line and, at verbose > 0, one line per
// component, as far as the payload holds them.
void frame_header(Report& r, const Source& payload) {
  const uint8_t* p = payload.block;
  const size_t n = static_cast<size_t>(payload.limit);
  if (n < 6) {
    r.error_line("Frame header too short");
    return;
  }
  int components = p[5];
  r.printi();
  r.outf("\t\tDepth: %d, Height: %d, Width: %d, Components: %d\n", p[0], word16(p + 1), word16(p + 3),
         components);
  r.num(0, "depth", p[0]);
  r.num(0, "height", word16(p + 1));
  r.num(0, "width", word16(p + 3));
  r.num(0, "components", components);
  int held = static_cast<int>(std::min<size_t>(static_cast<size_t>(components), (n - 6) / 3));
  if (r.verbose > 0) {
    for (int i = 0; i < held; ++i) {
      const uint8_t* c = p + 6 + 3 * i;
      Item component(r, "component", payload, 6 + 3 * i, 3);
      r.printi();
      r.outf("\t\t\tComponent: %d, Sampling: 0x%.2x, Quantization table: %d\n", c[0], c[1], c[2]);
      r.num(1, "id", c[0]);
      r.num(1, "sampling", c[1]);
      r.num(1, "quantization_table", c[2]);
    }
  }
  if (held < components) {
    r.error_line("Frame header holds %d of %d components", held, components);
  }
}

// APP0 and APP1: the identifier line, then the JFIF header or the Exif data.
void app_segment(Report& r, uint8_t code, const Source& payload) {
  const uint8_t* p = payload.block;
  const size_t n = static_cast<size_t>(payload.limit);
  const size_t id_len = field_length(p, n);
  r.printi();
  r.outs("\t\t");
  put_field(r, p, id_len, "identifier");
  r.outs(" header\n");
  if (id_len == n) return;  // no terminated identifier: nothing to decode
  if (code == kAPP0 && strcmp(reinterpret_cast<const char*>(p), "JFIF") == 0) {
    if (n < 5 + 9) {
      r.error_line("JFIF header too short");
      return;
    }
    jfif_header(r, p + 5);
  } else if (code == kAPP1 && strcmp(reinterpret_cast<const char*>(p), "Exif") == 0) {
    // "Exif", its zero byte and one pad byte precede the TIFF header.
    const int64_t at = static_cast<int64_t>(std::min<size_t>(6, n));
    const Source tiff = payload.held(p + at, payload.limit - at, at);
    tiff_header(r, tiff, tiff.limit, TiffOptions{r.all_ifds, 2, "Exif data"});
  }
}

// Prints a segment whose payload has been read; `kind` is its code's row,
// or nullptr for an unsupported code.
void segment_lines(Report& r, const SegmentKind* kind, uint8_t code, int length, const Source& payload) {
  r.printi();
  r.num(2, "length", length);
  if (kind == nullptr) {
    r.outf("\tUnsupported marker: 0x%.2x, Length: %d\n", code, length);
    return;
  }
  const uint8_t* data = payload.block;
  const int64_t n = payload.limit;
  r.outf("\t%s marker", kind->name);
  r.str(1, "description", kind->what);
  switch (kind->shape) {
    case Shape::kPlain:
      if (r.verbose > 0) r.outf(" [%s]", kind->what);
      if (r.verbose > 1) r.outf(", Length: %d", length);
      break;
    case Shape::kHexInline:
      if (r.verbose > 0) r.outf(" [%s], Length: %d", kind->what, length);
      if (r.verbose > 1) {
        r.outs(", Binary: ");
        put_hex(r, n, data, "payload");
      }
      break;
    case Shape::kDumpBelow:
    case Shape::kHexBelow:
      if (r.verbose > 0) r.outf(" [%s], Length: %d", kind->what, length);
      if (r.verbose > 1) {
        r.outc('\n');
        r.printi();
        r.outs("\t\tBinary: ");
        if (kind->shape == Shape::kDumpBelow)
          ext_hex(r, n, data, 2, "payload");
        else
          put_hex(r, n, data, "payload");
      }
      break;
  }
  r.outc('\n');
  if (code == kSOF0) frame_header(r, payload);
  if (code == kAPP0 || code == kAPP1) app_segment(r, code, payload);
}

// What a marker is called, as its item and where its end is reported.
std::string marker_name(uint8_t code, const SegmentKind* kind) {
  char name[32];
  if (code == kSOI || code == kEOI)
    snprintf(name, sizeof name, "%s marker", code == kSOI ? "SOI" : "EOI");
  else if (kind != nullptr)
    snprintf(name, sizeof name, "%s marker", kind->name);
  else
    snprintf(name, sizeof name, "unsupported marker 0x%.2x", code);
  return name;
}

bool restart_or_stuffed(uint8_t code) { return code == 0x00 || (code >= 0xD0 && code <= 0xD7); }

// Vectors of 16 bytes, compiled to SSE2 on any x86-64 (and to what other
// CPUs have).
typedef uint8_t Bytes16 __attribute__((vector_size(16)));
typedef int8_t Mask16 __attribute__((vector_size(16)));
typedef uint64_t Words16 __attribute__((vector_size(16)));

// Whole 64-byte blocks at p (of n) in which every 0xFF is followed by 0x00,
// tested with vector compares: the offset of the first block that holds
// another 0xFF, or of the bytes left after the last whole block.
int64_t clean_blocks_16(const uint8_t* p, int64_t n) {
  const Bytes16 ff = Bytes16{} + 0xFF, zero = Bytes16{};
  int64_t at = 0;
  for (; at + 65 <= n; at += 64) {
    Mask16 m = {};
    for (int k = 0; k < 64; k += 16) {
      Bytes16 a, a1;  // the bytes, and the bytes after them
      memcpy(&a, p + at + k, 16);
      memcpy(&a1, p + at + k + 1, 16);
      m |= (a == ff) & (a1 != zero);
    }
    const Words16 w = reinterpret_cast<Words16>(m);
    if ((w[0] | w[1]) != 0) break;
  }
  return at;
}

#ifdef TAGDELVE_AVX2_SCAN
// The same 32 bytes wide; the block is tested with one VPTEST.
[[gnu::target("avx2")]] int64_t clean_blocks_32(const uint8_t* p, int64_t n) {
  const __m256i ff = _mm256_set1_epi8(-1), zero = _mm256_setzero_si256();
  int64_t at = 0;
  for (; at + 65 <= n; at += 64) {
    __m256i m = zero;
    for (int k = 0; k < 64; k += 32) {
      const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + at + k));
      const __m256i a1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + at + k + 1));
      m = _mm256_or_si256(m, _mm256_andnot_si256(_mm256_cmpeq_epi8(a1, zero), _mm256_cmpeq_epi8(a, ff)));
    }
    if (!_mm256_testz_si256(m, m)) break;
  }
  return at;
}
#endif

// The length of the run of entropy-coded bytes at p (of n) in which every
// 0xFF is followed by 0x00: it ends at the first 0xFF that is followed by
// anything else (a marker, a restart code, fill) or by the end of the span.
// Such a run is data throughout and counts byte for byte. Encoders write a
// stuffed pair about every 256 bytes, so whole blocks are tested with
// vector compares that pass stuffed pairs in place, 32 bytes wide where the
// CPU has AVX2 (as glibc found at start-up: asking the CPU again costs a
// fraction of a millisecond under a hypervisor); the block that holds the
// run's end is finished byte by byte.
int64_t stuffed_run(const uint8_t* p, int64_t n) {
#ifdef TAGDELVE_AVX2_SCAN
  static const bool avx2 = CPU_FEATURE_ACTIVE(AVX2);
  int64_t at = avx2 ? clean_blocks_32(p, n) : clean_blocks_16(p, n);
#else
  int64_t at = clean_blocks_16(p, n);
#endif
  for (; at < n; ++at) {
    if (p[at] != 0xFF) continue;
    if (at + 1 == n || p[at + 1] != 0x00) break;
    ++at;
  }
  return at;
}

// Counts the entropy-coded bytes that follow a scan header, up to the marker
// that ends them; stuffed 0xFF 0x00 pairs and restart markers are data, fill
// bytes before a code are not counted. Prints the count line. Returns true
// with the ending marker's code, false when the source ran out first.
//
// The data is looked over where it stands in the reader's buffer: runs of
// plain bytes and stuffed pairs are passed at vector speed, each other 0xFF
// is decoded in place, and the bytes looked over are then consumed at once.
// Only a 0xFF whose code lies past the buffered bytes is read byte by byte.
bool entropy_scan(Report& r, uint8_t* code, Source& src) {
  int64_t count = 0;
  bool marker = false;
  bool dangling = false;  // a 0xFF was read, and no code after it
  while (!marker) {
    int64_t avail = 0;
    const uint8_t* p = src.peek(&avail);
    if (avail == 0) break;
    int64_t at = 0;  // bytes looked over
    bool split = false;
    while (at < avail) {
      const int64_t ff = at + stuffed_run(p + at, avail - at);
      count += ff - at;
      if (ff == avail) {
        at = avail;
        break;
      }
      int64_t c = ff + 1;
      while (c < avail && p[c] == 0xFF) ++c;  // fill bytes
      if (c == avail) {
        at = ff;
        split = true;
        break;
      }
      at = c + 1;
      if (restart_or_stuffed(p[c])) {
        count += 2;
        continue;
      }
      *code = p[c];
      marker = true;
      break;
    }
    src.skip(at);
    if (!split) continue;
    // The 0xFF and its code straddle the end of the buffered bytes.
    uint8_t ff, c;
    if (!src.read(&ff, 1)) break;
    if (!read_code(&c, src)) {
      dangling = true;
      break;
    }
    if (restart_or_stuffed(c)) {
      count += 2;
    } else {
      *code = c;
      marker = true;
    }
  }
  r.printi();
  r.outf("\t\t%lld bytes entropy data (the image)\n", static_cast<long long>(count));
  r.num(0, "entropy_coded_bytes", count);
  // Data that the source ends inside: the marker that ends it is missing, or
  // its code.
  if (dangling)
    src.ended_inside("entropy-coded data");
  else if (!marker)
    report_end(src, src.end_name(0), "entropy-coded data", src.tell(), 2);
  return marker;
}

}  // namespace

void jfif_header(Report& r, const uint8_t* p) {
  r.printi();
  r.outf("\t\tVersion: %d.%d, Units: %d, Density: %dx%d, Thumbnail: %dx%d\n", p[0], p[1], p[2],
         word16(p + 3), word16(p + 5), p[7], p[8]);
  r.num(0, "version_major", p[0]);
  r.num(0, "version_minor", p[1]);
  r.num(0, "units", p[2]);
  r.num(0, "density_x", word16(p + 3));
  r.num(0, "density_y", word16(p + 5));
  r.num(0, "thumbnail_width", p[7]);
  r.num(0, "thumbnail_height", p[8]);
}

Probe jpeg_probe(const uint8_t* p, int64_t n) {
  return n >= 3 && p[0] == 0xFF && p[1] == 0xD8 && p[2] == 0xFF ? Probe::strong : Probe::no;
}

bool jpeg_marker(Report& r, Source& src) {
  const int64_t start = src.tell();
  uint8_t m[2];
  if (!src.read(m, 2)) {
    src.ended_inside("JPEG marker", true);
    return false;
  }
  uint8_t code = m[1];
  if (m[0] == 0xFF && code == 0xFF && !read_code(&code, src)) {
    src.ended_inside("JPEG marker");
    return false;
  }
  if (r.verbose > 1) {
    r.printi();
    r.outf("Offset %lld, JPEG marker: 0x%.2x%.2x\n", static_cast<long long>(start), m[0], code);
  }
  if (m[0] != 0xFF) {
    Item invalid(r, "invalid marker", src, start, 2);
    r.printi();
    r.outf("\tInvalid JPEG marker: 0x%.2x%.2x\n", m[0], m[1]);
    char text[48];
    snprintf(text, sizeof text, "Invalid JPEG marker: 0x%.2x%.2x", m[0], m[1]);
    r.damage(text, &src, start);
    return false;
  }
  // After a scan, the marker that ended its data is handled here at once.
  for (int64_t at = start;; at = src.tell() - 2) {
    const SegmentKind* kind = find_segment(code);
    Item marker(r, r.json() ? marker_name(code, kind) : std::string(), src, at);
    r.num(kind == nullptr && code != kSOI && code != kEOI ? 0 : 1, "code", code);
    if (code == kSOI) {
      r.printi();
      r.outs(r.verbose > 0 ? "SOI marker [Start of Image]\n" : "SOI marker\n");
      marker.length = 2;
      return true;
    }
    if (code == kEOI) {
      r.printi();
      r.outs(r.verbose > 0 ? "EOI marker [End of Image]\n" : "EOI marker\n");
      marker.length = 2;
      // Bytes after the image in a member or an embedded picture are passed
      // over; a file on its own is not read on.
      if (src.bounded() && src.tell() < src.limit) {
        if (r.verbose > 1) {
          r.printi();
          r.outf("\tjpeg file padding %lld bytes\n", static_cast<long long>(src.limit - src.tell()));
        }
        r.num(2, "padding_after", src.limit - src.tell());
        src.skip(src.limit - src.tell());
      }
      return false;
    }
    auto ended_inside = [&] {
      src.ended_inside(marker_name(code, kind).c_str());
      return false;
    };
    uint8_t len[2];
    if (!src.read(len, 2)) return ended_inside();
    const int length = static_cast<int>(word16(len));
    if (length < 2) {
      r.error_line("Segment length %d is below 2", length);
      return false;
    }
    {
      std::vector<uint8_t> payload;
      const int64_t payload_at = src.tell();
      if (!src.body(payload, length - 2)) return ended_inside();
      const Source held = src.held(payload.data(), static_cast<int64_t>(payload.size()), payload_at);
      segment_lines(r, kind, code, length, held);
    }
    if (code != kSOS) {
      marker.length = src.tell() - at;
      return true;
    }
    const bool more = entropy_scan(r, &code, src);
    marker.length = src.tell() - at - (more ? 2 : 0);
    if (!more) return false;
  }
}

void jpeg_file(Report& r, Source& src) {
  Item file(r, "JPEG file", src, 0);
  r.printi();
  r.outs("JPEG file start\n");
  while (jpeg_marker(r, src)) {
  }
  r.printi();
  r.outs("JPEG file end\n");
  file.length = src.tell();
}

}  // namespace tagdelve
