#include "tiff/tiff.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "common/decode.h"
#include "common/printers.h"
#include "tiff/tiff_tags.h"

namespace tagdelve {

namespace {

struct TiffType {
  const char* name;  // printed at verbose > 0
  int size;          // bytes per value
};

// The field types 1 to 12 (and 13 in the full walk), indexed by type. The
// Exif walk without --all-ifds keeps the names its reports have always had.
const TiffType legacy_types[] = {
    {"", 0},          {"UINT8", 1}, {"ASCII", 1},     {"UINT16", 2}, {"UNIT32", 4},
    {"URATIONAL", 8}, {"SINT8", 1}, {"UNDEFINED", 1}, {"SINT16", 2}, {"SINT32", 4},
    {"SRATIONAL", 8}, {"FLOAT", 4}, {"DFLOAT", 8},
};
const TiffType field_types[] = {
    {"", 0},          {"UINT8", 1}, {"ASCII", 1},     {"UINT16", 2}, {"UINT32", 4},
    {"URATIONAL", 8}, {"SINT8", 1}, {"UNDEFINED", 1}, {"SINT16", 2}, {"SINT32", 4},
    {"SRATIONAL", 8}, {"FLOAT", 4}, {"DFLOAT", 8},    {"IFD", 4},
};

constexpr uint32_t kExifOffsetTag = 0x8769;
constexpr uint32_t kGpsTag = 0x8825;
constexpr uint32_t kInteropTag = 0xa005;
constexpr uint32_t kSubIfdsTag = 0x014a;
constexpr uint32_t kJpegOffsetTag = 0x0201;
constexpr uint32_t kJpegLengthTag = 0x0202;

// The full walk shows at most this many values of an entry and counts the
// rest: bytes of a text, strip and tile offsets and byte counts, others.
constexpr int64_t kShownText = 4096;
constexpr int64_t kShownImageData = 8;
constexpr int64_t kShownValues = 64;
constexpr int kMaxDepth = 8;                  // directories pointed to from directories
constexpr int kMaxThumbnails = 16;            // JPEG thumbnails walked in one TIFF walk
constexpr int64_t kMaxThumbnail = 16 << 20;   // bytes of a thumbnail held to walk it

// One walk over TIFF data.
struct Walk {
  Walk(Report& r_, const Source& data_, const TiffOptions& o_, int64_t length_)
      : r(r_), data(data_), o(o_), length(length_) {}
  Report& r;
  const Source& data;
  const TiffOptions& o;
  int64_t length;
  int order = 0;                 // 1 little-endian ("II"), 0 big-endian
  std::set<uint32_t> walked;     // the full walk: every directory begun
  int64_t room = 0;              // the full walk: bytes of directories the data still has room for
  int thumbnails = 0;
  bool stopped = false;
};

// What the entries of a directory lead to in the full walk.
struct Leads {
  struct Pointer {
    IfdKind kind;
    uint32_t offset;
    int index;  // of a SubIFD
  };
  std::vector<Pointer> directories;
  int64_t jpeg_at = -1;
  int64_t jpeg_length = -1;
};

// Integers in the byte order of the header.
uint32_t get16(int order, const uint8_t* p) { return order ? swab16(p) : word16(p); }
uint32_t get32(int order, const uint8_t* p) { return order ? le32(p) : be32(p); }

// Whether the `size` bytes at `offset` lie inside the data.
bool inside(int64_t offset, int64_t size, int64_t length) {
  return offset >= 0 && size >= 0 && offset <= length && size <= length - offset;
}

// The n bytes at `at`, when they lie inside the data and can be read.
bool fetch(const Walk& w, int64_t at, int64_t n, uint8_t* dest) {
  return inside(at, n, w.length) && w.data.read_at(at, dest, n) == n;
}

// A new line, `tabs` TABs below the report's depth.
void line(Report& r, int tabs) {
  static const char kTabs[] = "\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t";
  r.printi();
  r.outw(kTabs, static_cast<size_t>(std::clamp(tabs, 0, 16)));
}

// A rational is divided in single precision (in double precision in the
// full walk). A zero denominator gives what the division would: an
// infinity with the numerator's sign, or "nan" for 0/0 (printed without the
// sign a NaN may carry).
void put_rational(Report& r, double num, double den, bool full) {
  if (den == 0) {
    r.outs(num > 0 ? "inf " : num < 0 ? "-inf " : "nan ");
    return;
  }
  const double q = full ? num / den : static_cast<double>(static_cast<float>(num) / static_cast<float>(den));
  r.outf("%f ", q);
}

// The float or double at p.
double real_at(int order, int type, const uint8_t* p) {
  if (type == 11) {
    const uint32_t bits = get32(order, p);
    float f;
    memcpy(&f, &bits, sizeof f);
    return f;
  }
  const uint64_t bits = uint64_t{get32(order, p + (order ? 4 : 0))} << 32 | get32(order, p + (order ? 0 : 4));
  double d;
  memcpy(&d, &bits, sizeof d);
  return d;
}

// One value of the given field type (1 to 13) at p. Floats are shown in the
// full walk only.
void put_value(Report& r, int order, int type, const uint8_t* p, bool full) {
  if (full && (type == 11 || type == 12)) {
    const double v = real_at(order, type, p);
    if (std::isnan(v))
      r.outs("nan ");
    else
      r.outf("%g ", v);
    return;
  }
  switch (type) {
    case 1:
      r.outf("%u ", p[0]);
      break;
    case 2:  // a control byte as a backslash and its octal code
      if (control_byte(p[0]))
        r.outf("\\%o", p[0]);
      else
        r.outc(p[0]);
      break;
    case 3:
      r.outf("%u ", get16(order, p));
      break;
    case 4:
    case 13:
      r.outf("%lu ", static_cast<unsigned long>(get32(order, p)));
      break;
    case 5:
      put_rational(r, get32(order, p), get32(order, p + 4), full);
      break;
    case 6:
      r.outf("%d ", static_cast<int8_t>(p[0]));
      break;
    case 7:
      r.outf("%.2x", p[0]);
      break;
    case 8:
      r.outf("%d ", static_cast<int16_t>(get16(order, p)));
      break;
    case 9:
      r.outf("%ld ", static_cast<long>(static_cast<int32_t>(get32(order, p))));
      break;
    case 10:
      put_rational(r, static_cast<int32_t>(get32(order, p)), static_cast<int32_t>(get32(order, p + 4)), full);
      break;
    case 11:
      r.outs("Fl ");
      break;
    case 12:
      r.outs("DFl ");
      break;
    default:
      break;
  }
}

// One value of a numeric field type at p, as JSON: integers as they are,
// rationals divided (null over a zero denominator), floats decoded.
void json_value(std::string& out, int order, int type, const uint8_t* p) {
  char b[40];
  double real = 0;
  switch (type) {
    case 1: out += std::to_string(p[0]); return;
    case 3: out += std::to_string(get16(order, p)); return;
    case 4:
    case 13: out += std::to_string(get32(order, p)); return;
    case 6: out += std::to_string(static_cast<int8_t>(p[0])); return;
    case 8: out += std::to_string(static_cast<int16_t>(get16(order, p))); return;
    case 9: out += std::to_string(static_cast<int32_t>(get32(order, p))); return;
    case 5:
    case 10: {
      const bool sign = type == 10;
      // Each branch made a double: the two of a conditional would share the
      // unsigned type, and a negative value would wrap.
      const double num = sign ? static_cast<double>(static_cast<int32_t>(get32(order, p))) : static_cast<double>(get32(order, p));
      const double den = sign ? static_cast<double>(static_cast<int32_t>(get32(order, p + 4))) : static_cast<double>(get32(order, p + 4));
      if (den == 0) {
        out += "null";
        return;
      }
      real = num / den;
      break;
    }
    default:
      real = real_at(order, type, p);
      break;
  }
  if (!std::isfinite(real)) {
    out += "null";
    return;
  }
  snprintf(b, sizeof b, "%.17g", real);
  out += b;
}

// The JSON value of an entry's `shown` values at p: a text for ASCII, hex for
// UNDEFINED, else a number, or an array of them when there are several.
std::string json_values(int order, int type, int size, const uint8_t* p, int64_t shown) {
  std::string out;
  if (type == 2) {
    json_string(out, Enc::utf8, p, static_cast<size_t>(shown));
    return out;
  }
  if (type == 7) {
    out.resize(2 * static_cast<size_t>(shown) + 2);
    out[0] = '"';
    *fmt_hex(out.data() + 1, p, static_cast<size_t>(shown)) = '"';
    return out;
  }
  if (shown == 1) {
    json_value(out, order, type, p);
    return out;
  }
  out += '[';
  for (int64_t i = 0; i < shown; ++i) {
    if (i > 0) out += ',';
    json_value(out, order, type, p + i * size);
  }
  return out + ']';
}


// How many values of an entry the full walk shows.
int64_t shown_at_most(uint32_t tag, int type) {
  if (type == 2) return kShownText;
  const bool image_data = tag == 0x0111 || tag == 0x0117 || tag == 0x0144 || tag == 0x0145;
  return image_data ? kShownImageData : kShownValues;
}

// Prints the values of the entry `e` (its 12 bytes, at offset `at`): its
// type at verbose > 0, then the values in braces; the full walk then counts
// those not shown. The integers shown are added to `ints`. False when some
// values lie past the end of the data (those are not printed).
bool put_values(Walk& w, const uint8_t* e, uint32_t at, std::vector<uint32_t>& ints) {
  Report& r = w.r;
  const uint32_t tag = get16(w.order, e);
  const uint32_t type = get16(w.order, e + 2);
  const uint32_t count = get32(w.order, e + 4);
  const bool full = w.o.full;
  if (type >= (full ? std::size(field_types) : std::size(legacy_types))) {
    r.outs("{}");  // a type without a row in the table: no value
    return true;
  }
  const TiffType& t = (full ? field_types : legacy_types)[type];
  const int64_t total = static_cast<int64_t>(t.size) * count;
  const int64_t pos = total > 4 ? get32(w.order, e + 8) : at + 8;  // the values, or their offset
  int64_t shown = t.size == 0 ? 0 : count;
  bool whole = inside(pos, total, w.length);
  if (!whole) shown = pos < w.length ? (w.length - pos) / t.size : 0;
  int64_t more = 0;
  if (full && shown > shown_at_most(tag, static_cast<int>(type))) {
    shown = shown_at_most(tag, static_cast<int>(type));
    more = count - shown;
  }
  std::vector<uint8_t> bytes(static_cast<size_t>(shown * t.size));
  if (bytes.empty()) {
  } else if (total <= 4) {
    memcpy(bytes.data(), e + 8, bytes.size());
  } else {
    const int64_t got = std::max<int64_t>(w.data.read_at(pos, bytes.data(), shown * t.size), 0);
    if (got < shown * t.size) whole = false;  // a read error
    shown = got / t.size;
  }
  const uint8_t* p = bytes.data();
  if (type == 2 && whole && more == 0 && count > 0 && p[count - 1] == 0) --shown;
  if (r.verbose > 0) r.outs(t.name);
  r.str(1, "type", t.name);
  if (r.json() && t.size > 0) {
    const std::string value = json_values(w.order, static_cast<int>(type), t.size, p, shown);
    if (value != "null") r.json_value(0, "value", value);  // a ratio over zero: no value
  }
  r.outc('{');
  if (!r.text()) {
  } else if (type == 2 && r.utf8) {
    put_utf8(r, p, static_cast<size_t>(shown), Escape::octal);  // a text, not byte by byte
  } else if (type == 2 && full) {
    put_ascii(r, p, static_cast<size_t>(shown), Escape::octal);  // no byte past ASCII as it is
  } else {
    for (int64_t i = 0; i < shown; ++i) put_value(r, w.order, static_cast<int>(type), p + i * t.size, full);
  }
  r.outc('}');
  if (more > 0) {
    r.outf(" + %lld more", static_cast<long long>(more));
    r.num(0, "values_not_shown", more);
  }
  if (type == 1 || type == 3 || type == 4 || type == 13)
    for (int64_t i = 0; i < shown; ++i)
      ints.push_back(t.size == 1 ? p[i] : t.size == 2 ? get16(w.order, p + 2 * i) : get32(w.order, p + 4 * i));
  return whole;
}

// One directory entry (its 12 bytes `e`, at offset `at`), `tabs` TABs deep,
// in a directory of the given kind. Returns its value field; adds what it
// points to to `leads` in the full walk.
uint32_t put_entry(Walk& w, const uint8_t* e, uint32_t at, int tabs, IfdKind kind, Leads& leads) {
  Report& r = w.r;
  const uint32_t tag = get16(w.order, e);
  const uint32_t count = get32(w.order, e + 4);
  Item item(r, "entry", w.data, at, 12);
  line(r, tabs);
  if (r.verbose > 0) {
    r.outf("Tag: 0x%.4x", tag);
    if (r.verbose > 1) r.outf(", Length: %ld", static_cast<long>(static_cast<int32_t>(count)));
    r.outc(' ');
  }
  r.num(1, "tag", tag);
  r.num(2, "count", count);
  const TiffTag* known = w.o.full ? find_tiff_tag(kind, tag) : find_exif_legacy(tag);
  if (known != nullptr) {
    r.outf("[%s]", known->name);
    r.str(0, "name", known->name);
  } else {
    r.outf("[Unknown tag 0x%.4x]", tag);
  }
  r.outs(" = ");
  std::vector<uint32_t> ints;
  const bool whole = put_values(w, e, at, ints);
  r.outc('\n');
  if (!whole) r.error_line("Values of tag 0x%.4x lie past the end of the %s", tag, w.o.data);
  if (w.o.full && kind != IfdKind::gps && kind != IfdKind::interop && !ints.empty()) {
    const IfdKind to = tag == kExifOffsetTag ? IfdKind::exif
                       : tag == kGpsTag      ? IfdKind::gps
                       : tag == kInteropTag  ? IfdKind::interop
                                             : IfdKind::sub;
    if (tag == kExifOffsetTag || tag == kGpsTag || tag == kInteropTag) {
      leads.directories.push_back({to, ints[0], 0});
    } else if (tag == kSubIfdsTag) {
      for (size_t i = 0; i < ints.size(); ++i) leads.directories.push_back({to, ints[i], static_cast<int>(i)});
    }
    if (tag == kJpegOffsetTag) leads.jpeg_at = ints[0];
    if (tag == kJpegLengthTag) leads.jpeg_length = ints[0];
  }
  return get32(w.order, e + 8);
}

// The entries of the directory at `offset`, whose count `n` is known to lie
// inside the data: as many as do, `tabs` TABs deep. Returns how many.
uint32_t entries(Walk& w, uint32_t offset, uint32_t n, int tabs, IfdKind kind, Leads& leads,
                 uint32_t* exif = nullptr) {
  const int64_t first = static_cast<int64_t>(offset) + 2;
  const uint32_t held = static_cast<uint32_t>(std::min<int64_t>(n, (w.length - first) / 12));
  std::vector<uint8_t> bytes(12 * static_cast<size_t>(held));
  const uint32_t got = static_cast<uint32_t>(std::max<int64_t>(w.data.read_at(first, bytes.data(), 12 * held), 0) / 12);
  for (uint32_t i = 0; i < got; ++i) {
    const uint8_t* e = bytes.data() + 12 * i;
    const uint32_t value = put_entry(w, e, static_cast<uint32_t>(first + 12 * i), tabs, kind, leads);
    if (exif != nullptr && get16(w.order, e) == kExifOffsetTag) *exif = value;
  }
  if (got < n) w.r.error_line("Directory cut short after %u of %u entries", got, n);
  return got;
}

// --- The Exif walk of JPEG reports without --all-ifds ---

// A directory heading: "IFD0 (main image)", "IFD (Exif)" and the like.
void legacy_heading(Report& r, const char* what, uint32_t offset) {
  line(r, 2);
  if (r.verbose > 1) r.outf("Offset: %d, ", static_cast<int32_t>(offset));
  r.outs(what);
  r.outc('\n');
}

// The item kind of a directory, from its heading.
const char* legacy_kind(const char* heading) {
  return strncmp(heading, "IFD0", 4) == 0 ? "IFD0" : strncmp(heading, "IFD1", 4) == 0 ? "IFD1" : "Exif IFD";
}

// Prints the entries of the directory at `offset`, headed `title`, and then
// walks the Exif directory that an ExifOffset entry names. Returns 2 + 12 *
// N, the directory's size without its link to the next one, or 0 when its
// entry count lies outside the data.
int64_t legacy_ifd(Walk& w, uint32_t offset, const char* title) {
  Report& r = w.r;
  // The Exif directory is walked after the last entry, so the walk follows a
  // chain of directories; those in it are all still being walked, and an
  // Exif offset that leads back to one of them is not followed.
  std::vector<uint32_t> walking;
  int64_t size = 0;
  for (;;) {
    legacy_heading(r, title, offset);
    Item directory(r, legacy_kind(title), w.data, offset);
    if (std::find(walking.begin(), walking.end(), offset) != walking.end()) {
      r.error_line("Directory at offset %u is already being walked", offset);
      return size;
    }
    uint8_t count[2];
    if (!fetch(w, offset, 2, count)) {
      r.error_line("Directory at offset %u lies outside the %s", offset, w.o.data);
      return size;
    }
    walking.push_back(offset);
    const uint32_t n = get16(w.order, count);
    if (walking.size() == 1) size = 2 + 12 * static_cast<int64_t>(n);
    directory.length = 2 + 12 * static_cast<int64_t>(n);
    r.num(1, "entries", n);
    uint32_t exif = 0;
    Leads none;
    entries(w, offset, n, 3, IfdKind::chain, none, &exif);
    if (exif == 0) return size;
    title = "IFD (Exif)";
    offset = exif;
  }
}

void legacy_walk(Walk& w, uint32_t ifd0) {
  const int64_t size = legacy_ifd(w, ifd0, "IFD0 (main image)");
  if (size == 0) return;
  // The link to IFD1 follows IFD0's entries. When the entries themselves
  // were cut short, that has been reported already.
  const int64_t link_at = static_cast<int64_t>(ifd0) + size;
  uint8_t link[4];
  if (!fetch(w, link_at, 4, link)) {
    if (link_at <= w.length) w.r.error_line("Link to the next directory lies past the end of the %s", w.o.data);
    return;
  }
  const uint32_t ifd1 = get32(w.order, link);
  if (ifd1 == 0) return;
  legacy_ifd(w, ifd1, "IFD1 (thumbnail image)");  // the link after IFD1 is not followed
}

// --- The full walk ---

// The JPEG data that JPEGInterchangeFormat and its length give, walked by
// the JPEG walker with its lines at the depth of the entries. A thumbnail's
// own thumbnails are not walked, nor more than a few of one TIFF walk.
void thumbnail(Walk& w, const Leads& leads, int tabs) {
  Report& r = w.r;
  if (leads.jpeg_at <= 0 || leads.jpeg_length <= 0 || r.thumbnails > 0 || w.thumbnails >= kMaxThumbnails ||
      r.dispatch.embedded == nullptr)
    return;
  if (!inside(leads.jpeg_at, leads.jpeg_length, w.length)) {
    r.error_line("JPEG thumbnail at offset %lld (%lld bytes) lies outside the %s",
                 static_cast<long long>(leads.jpeg_at), static_cast<long long>(leads.jpeg_length), w.o.data);
    return;
  }
  if (leads.jpeg_length > kMaxThumbnail) {
    r.error_line("JPEG thumbnail of %lld bytes not walked: more than %lld", static_cast<long long>(leads.jpeg_length),
                 static_cast<long long>(kMaxThumbnail));
    return;
  }
  std::vector<uint8_t> jpeg(static_cast<size_t>(leads.jpeg_length));
  if (w.data.read_at(leads.jpeg_at, jpeg.data(), leads.jpeg_length) != leads.jpeg_length) return;
  Source held = w.data.held(jpeg.data(), leads.jpeg_length, leads.jpeg_at);
  const int32_t indent = r.indent;
  r.indent += tabs - 1;
  ++r.thumbnails;
  ++w.thumbnails;
  r.dispatch.embedded(r, "jpg", held);
  --r.thumbnails;
  r.indent = indent;
}

// Walks the directory at `offset`, of the given kind, with its heading
// `depth` levels below the first directory's: its entries, then the
// directories they point to and the JPEG thumbnail they give. Returns its
// link to the next directory (0 when it gives none).
uint32_t directory(Walk& w, uint32_t offset, IfdKind kind, int index, int depth) {
  Report& r = w.r;
  static const char* const kKinds[] = {"IFD", "Exif IFD", "GPS IFD", "Interoperability IFD", "SubIFD"};
  const char* what = kKinds[static_cast<int>(kind)];
  line(r, w.o.tabs + depth);
  if (r.verbose > 1) r.outf("Offset: %u, ", offset);
  r.outs(what);
  std::string item_kind = what;
  if (kind == IfdKind::chain) {
    r.outf("%d", index);
    item_kind += std::to_string(index);
  } else if (kind == IfdKind::sub) {
    r.outf(" %d", index);
  }
  Item item(r, item_kind, w.data, offset);
  if (kind == IfdKind::sub) r.num(0, "index", index);
  if (!w.walked.insert(offset).second) {
    r.error_line("Directory at offset %u has been walked already", offset);
    return 0;
  }
  uint8_t count[2];
  if (!fetch(w, offset, 2, count)) {
    r.error_line("Directory at offset %u lies outside the %s", offset, w.o.data);
    return 0;
  }
  const uint32_t n = get16(w.order, count);
  if (r.verbose > 0) r.outf(", Entries: %u", n);
  r.outc('\n');
  r.num(1, "entries", n);
  item.length = 2 + 12 * static_cast<int64_t>(n);
  // Directories that overlap could hold the same bytes over and over: no
  // more of them are walked than the data has room for side by side.
  const int64_t size = 2 + 12 * std::min<int64_t>(n, (w.length - offset - 2) / 12);
  if (size > w.room) {
    r.error_line("Directories take more room than the %s holds: the walk stops", w.o.data);
    w.stopped = true;
    return 0;
  }
  w.room -= size;
  Leads leads;
  uint32_t link = 0;
  if (entries(w, offset, n, w.o.tabs + depth + 1, kind, leads) == n) {
    uint8_t bytes[4];
    if (fetch(w, offset + 2 + 12 * int64_t{n}, 4, bytes))
      link = get32(w.order, bytes);
    else
      r.error_line("Link to the next directory lies past the end of the %s", w.o.data);
  }
  for (const Leads::Pointer& p : leads.directories) {
    if (w.stopped || p.offset == 0) continue;
    if (depth + 1 > kMaxDepth) {
      r.error_line("Directory at offset %u lies more than %d directories deep: not walked", p.offset, kMaxDepth);
      continue;
    }
    directory(w, p.offset, p.kind, p.index, depth + 1);
  }
  thumbnail(w, leads, w.o.tabs + depth + 1);
  return link;
}

}  // namespace

void tiff_header(Report& r, const Source& tiff, int64_t length, const TiffOptions& o) {
  Walk w(r, tiff, o, length);
  uint8_t h[8];
  if (!fetch(w, 0, 8, h)) {
    r.error_line("TIFF header too short");
    return;
  }
  w.order = (h[0] == 'I' && h[1] == 'I') ? 1 : 0;
  if (r.verbose > 0) {
    line(r, o.tabs);
    r.outs("Byte order: ");
    put_raw(r, h, 2);
    if (o.full)
      r.outf(", Magic: %u\n", get16(w.order, h + 2));
    else
      r.outf(", Length marker: %.4x\n", get16(w.order, h + 2));
  }
  r.text(1, "byte_order", Enc::utf8, h, 2);
  r.num(1, "magic", get16(w.order, h + 2));
  const uint32_t ifd0 = get32(w.order, h + 4);
  if (!o.full) return legacy_walk(w, ifd0);
  w.room = length;
  uint32_t next = ifd0;
  for (int n = 0; next != 0 && !w.stopped; ++n) next = directory(w, next, IfdKind::chain, n, 0);
  if (ifd0 == 0) r.error_line("The TIFF header gives no IFD0 (its offset is 0)");
}

}  // namespace tagdelve
