#include "jpeg/tiff.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <iterator>
#include <vector>

#include "common/decode.h"
#include "common/printers.h"
#include "common/table.h"

namespace tagdelve {

namespace {

// Tag names, searched in order: a tag number that stands twice keeps its
// first name.
const TiffTag tiff_tags[] = {
    {0x010e, "ImageDescription"},
    {0x010f, "Make"},
    {0x0110, "Model"},
    {0x0112, "Orientation"},
    {0x011a, "XResolution"},
    {0x011b, "YResolution"},
    {0x0128, "ResolutionUnit"},
    {0x0131, "Software"},
    {0x0132, "DateTime"},
    {0x013e, "WhitePoint"},
    {0x013f, "PrimaryChromacities"},
    {0x0211, "YCbCrCoefficients"},
    {0x0213, "YCbCrPositioning"},
    {0x0214, "ReferenceBlackWhite"},
    {0x8298, "Copyright"},
    {0x8769, "ExifOffset"},
    {0x829a, "ExposureTime"},
    {0x829d, "FNumber"},
    {0x8822, "ExposureProgram"},
    {0x8827, "ISOSpeedratings"},
    {0x9000, "ExifVersion"},
    {0x9003, "DateTimeOriginal"},
    {0x9004, "DateTimeDigitized"},
    {0x9101, "ComponentConfiguration"},
    {0x9102, "CompressedBitsPerPixel"},
    {0x9201, "ShutterSpeedValue"},
    {0x9202, "ApertureValue"},
    {0x9203, "BrightnessValue"},
    {0x9204, "ExposureBiasValue"},
    {0x9205, "MaxApertureValue"},
    {0x9206, "SubjectDistance"},
    {0x9207, "MeteringMode"},
    {0x9208, "LightSource"},
    {0x9209, "Flash"},
    {0x920a, "FocalLength"},
    {0x927c, "MakerNote"},
    {0x9286, "UserComment"},
    {0xa000, "FlashPixVersion"},
    {0xa001, "ColourSpace"},
    {0xa002, "ExifImageWidth"},
    {0xa003, "ExifImageHeight"},
    {0xa004, "relatedSoundFile"},
    {0xa005, "ExifInteroperabilityOffset"},
    {0xa20e, "FocalPlaneXResolution"},
    {0xa20f, "FocalPlaneYResolution"},
    {0xa210, "FocalPlaneResolutionUnit"},
    {0xa217, "SensingMethod"},
    {0xa300, "FileSource"},
    {0xa301, "SceneType"},
    {0x0100, "ImageWidth"},
    {0x0101, "ImageLength"},
    {0x0102, "BitsPerSample"},
    {0x0103, "Compression"},
    {0x0106, "PhotometricInterpretation"},
    {0x0111, "StripOffsets"},
    {0x0115, "SamplesPerPixel"},
    {0x0116, "RowsPerStrip"},
    {0x0117, "StripByteCounts"},
    {0x011c, "PlanarConfiguration"},
    {0x0201, "JpegIFOffset"},
    {0x0202, "JpegIFByteCount"},
    {0x0212, "YCbCrSubSampling"},
    {0x00fe, "NewSubfileType"},
    {0x00ff, "SubfileType"},
    {0x012d, "TransferFunction"},
    {0x013b, "Artist"},
    {0x013d, "Predictor"},
    {0x0142, "TileWidth"},
    {0x0143, "TileLength"},
    {0x0144, "TileOffsets"},
    {0x0145, "TileByteCounts"},
    {0x015b, "JPEGTables"},
    {0x828d, "CFARepeatPatternDim"},
    {0x828e, "CFAPattern"},
    {0x828f, "BatteryLevel"},
    {0x83bb, "IPTC/NAA"},
    {0x8773, "InterColourProfile"},
    {0x8824, "SpectralDensity"},
    {0x8825, "GPSInfo"},
    {0x8828, "OECF"},
    {0x8829, "Interlace"},
    {0x882a, "TimeZoneOffset"},
    {0x882b, "SelfTimerMode"},
    {0x920b, "FlashEnergy"},
    {0x920c, "SpacialFrequencyResponse"},
    {0x920d, "Noise"},
    {0x9211, "ImageNumber"},
    {0x9212, "SecurityClassification"},
    {0x9213, "ImageHistory"},
    {0x9214, "SubjectLocation"},
    {0x9215, "ExposureIndex"},
    {0x9216, "TIFF/EPStandardID"},
    {0x9290, "SubSecTime"},
    {0x9291, "SubSecTimeOriginal"},
    {0x9292, "SubSecTimeDigitized"},
    {0xa20b, "FlashEnergy"},
    {0xa20c, "SpacialFrequencyResponse"},
    {0xa214, "SubjectLocation"},
    {0xa215, "ExposureIndex"},
    {0xa302, "CFAPattern"},
    {0x0200, "SpecialMode"},
    {0x0201, "JpegQual"},
    {0x0202, "Macro"},
    {0x0204, "DigiZoom"},
    {0x0207, "SoftwareRelease"},
    {0x0208, "PicInfo"},
    {0x0209, "CameraID"},
    {0x0f00, "DataDump"},
};

struct TiffType {
  const char* name;  // printed at verbose > 0
  int size;          // bytes per value
};

// The TIFF field types 0 to 12, indexed by type.
const TiffType tiff_field_types[] = {
    {"", 0},          {"UINT8", 1}, {"ASCII", 1},     {"UINT16", 2}, {"UNIT32", 4},
    {"URATIONAL", 8}, {"SINT8", 1}, {"UNDEFINED", 1}, {"SINT16", 2}, {"SINT32", 4},
    {"SRATIONAL", 8}, {"FLOAT", 4}, {"DFLOAT", 8},
};


constexpr uint32_t kExifOffsetTag = 0x8769;

// Integers in the byte order of the header: 1 little-endian, 0 big-endian.
uint32_t get16(int order, const uint8_t* p) { return order ? swab16(p) : word16(p); }
uint32_t get32(int order, const uint8_t* p) { return order ? le32(p) : be32(p); }

// Whether the `size` bytes at `offset` lie inside the data.
bool inside(int64_t offset, int64_t size, int64_t length) {
  return offset >= 0 && size >= 0 && offset <= length && size <= length - offset;
}

// A directory heading: "IFD0 (main image)", "IFD (Exif)" and the like.
void heading(Report& r, const char* what, uint32_t offset) {
  r.printi();
  r.outs("\t\t");
  if (r.verbose > 1) r.outf("Offset: %d, ", static_cast<int32_t>(offset));
  r.outs(what);
  r.outc('\n');
}

// The item kind of a directory, from its heading.
const char* directory_kind(const char* heading) {
  return strncmp(heading, "IFD0", 4) == 0 ? "IFD0" : strncmp(heading, "IFD1", 4) == 0 ? "IFD1" : "Exif IFD";
}

// A rational is divided in single precision. A zero denominator gives what
// the division would: an infinity with the numerator's sign, or "nan" for
// 0/0 (printed without the sign a NaN may carry).
void put_rational(Report& r, float num, float den) {
  if (den == 0) {
    r.outs(num > 0 ? "inf " : num < 0 ? "-inf " : "nan ");
    return;
  }
  float q = num / den;
  r.outf("%f ", static_cast<double>(q));
}

// One value of the given field type (1 to 12) at p.
void put_value(Report& r, int order, int type, const uint8_t* p) {
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
      r.outf("%lu ", static_cast<unsigned long>(get32(order, p)));
      break;
    case 5:
      put_rational(r, static_cast<float>(get32(order, p)), static_cast<float>(get32(order, p + 4)));
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
      put_rational(r, static_cast<float>(static_cast<int32_t>(get32(order, p))),
                   static_cast<float>(static_cast<int32_t>(get32(order, p + 4))));
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
    case 4: out += std::to_string(get32(order, p)); return;
    case 6: out += std::to_string(static_cast<int8_t>(p[0])); return;
    case 8: out += std::to_string(static_cast<int16_t>(get16(order, p))); return;
    case 9: out += std::to_string(static_cast<int32_t>(get32(order, p))); return;
    case 5:
    case 10: {
      const bool sign = type == 10;
      const double num = sign ? static_cast<int32_t>(get32(order, p)) : get32(order, p);
      const double den = sign ? static_cast<int32_t>(get32(order, p + 4)) : get32(order, p + 4);
      if (den == 0) {
        out += "null";
        return;
      }
      real = num / den;
      break;
    }
    case 11: {
      const uint32_t bits = get32(order, p);
      float f;
      memcpy(&f, &bits, sizeof f);
      real = f;
      break;
    }
    default: {
      const uint64_t bits = uint64_t{get32(order, p + (order ? 4 : 0))} << 32 | get32(order, p + (order ? 0 : 4));
      memcpy(&real, &bits, sizeof real);
      break;
    }
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

// One directory entry, known to lie inside the data. Returns its value field.
uint32_t put_entry(Report& r, int order, const Source& tiff, uint32_t entry) {
  const uint8_t* p = tiff.block + entry;
  uint32_t tag = get16(order, p);
  int type = static_cast<int>(get16(order, p + 2));
  uint32_t count = get32(order, p + 4);
  Item item(r, "entry", tiff, entry, 12);
  r.printi();
  r.outs("\t\t\t");
  if (r.verbose > 0) {
    r.outf("Tag: 0x%.4x", tag);
    if (r.verbose > 1) r.outf(", Length: %ld", static_cast<long>(static_cast<int32_t>(count)));
    r.outc(' ');
  }
  r.num(1, "tag", tag);
  r.num(2, "count", count);
  const TiffTag* known = find_tiff(tag);
  if (known != nullptr) {
    r.outf("[%s]", known->name);
    r.str(0, "name", known->name);
  } else {
    r.outf("[Unknown tag 0x%.4x]", tag);
  }
  r.outs(" = ");
  bool whole = put_tiff_data(r, order, type, count, tiff, entry) != 0;
  r.outc('\n');
  if (!whole) {
    r.error_line("Values of tag 0x%.4x lie past the end of the Exif data", tag);
  }
  return get32(order, p + 8);
}

}  // namespace

const TiffTag* find_tiff(uint32_t tag) {
  return find_row(tiff_tags, [tag](const TiffTag& t) { return t.tag == tag; });
}

int put_tiff_data(Report& r, int order, int type, uint32_t count, const Source& tiff, uint32_t entry) {
  const uint8_t* base = tiff.block;
  const int64_t length = tiff.limit;
  if (!inside(entry, 12, length)) {
    r.outs("{}");
    return 0;
  }
  if (type < 0 || type >= static_cast<int>(std::size(tiff_field_types))) {
    r.outs("{}");  // a type without a row in the table: no value
    return 1;
  }
  const TiffType& t = tiff_field_types[type];
  const int64_t total = static_cast<int64_t>(t.size) * count;
  int64_t pos = static_cast<int64_t>(entry) + 8;
  if (total > 4) pos = get32(order, base + pos);
  int64_t shown = t.size == 0 ? 0 : count;
  bool whole = inside(pos, total, length);
  if (!whole) shown = pos < length ? (length - pos) / t.size : 0;
  if (type == 2 && whole && count > 0 && base[pos + count - 1] == 0) --shown;
  if (r.verbose > 0) r.outs(t.name);
  r.str(1, "type", t.name);
  if (r.json() && t.size > 0) {
    const std::string value = json_values(order, type, t.size, base + pos, shown);
    if (value != "null") r.json_value(0, "value", value);  // a ratio over zero: no value
  }
  r.outc('{');
  if (!r.text()) {
  } else if (type == 2 && r.utf8) {
    put_utf8(r, base + pos, static_cast<size_t>(shown), Escape::octal);  // a text, not byte by byte
  } else {
    for (int64_t i = 0; i < shown; ++i) put_value(r, order, type, base + pos + i * t.size);
  }
  r.outc('}');
  return whole ? 1 : 0;
}

int64_t ifd(Report& r, int order, const Source& tiff, uint32_t offset, const char* title) {
  const uint8_t* base = tiff.block;
  const int64_t length = tiff.limit;
  // The Exif directory is walked after the last entry, so the walk follows a
  // chain of directories; those in it are all still being walked, and an
  // Exif offset that leads back to one of them is not followed.
  std::vector<uint32_t> walking;
  int64_t size = 0;
  for (;;) {
    heading(r, title, offset);
    Item directory(r, directory_kind(title), tiff, offset);
    if (!walking.empty() && std::find(walking.begin(), walking.end(), offset) != walking.end()) {
      r.error_line("Directory at offset %u is already being walked", offset);
      return size;
    }
    if (!inside(offset, 2, length)) {
      r.error_line("Directory at offset %u lies outside the Exif data", offset);
      return size;
    }
    walking.push_back(offset);
    const uint32_t n = get16(order, base + offset);
    if (walking.size() == 1) size = 2 + 12 * static_cast<int64_t>(n);
    directory.length = 2 + 12 * static_cast<int64_t>(n);
    r.num(1, "entries", n);
    uint32_t exif = 0;
    uint32_t i = 0;
    for (; i < n; ++i) {
      const int64_t entry = offset + 2 + 12 * static_cast<int64_t>(i);
      if (!inside(entry, 12, length)) break;
      const uint8_t* p = base + entry;
      uint32_t value = put_entry(r, order, tiff, static_cast<uint32_t>(entry));
      if (get16(order, p) == kExifOffsetTag) exif = value;
    }
    if (i < n) {
      r.error_line("Directory cut short after %u of %u entries", i, n);
    }
    if (exif == 0) return size;
    title = "IFD (Exif)";
    offset = exif;
  }
}

void tiff_header(Report& r, const Source& tiff) {
  const uint8_t* base = tiff.block;
  const int64_t length = tiff.limit;
  if (length < 8) {
    r.error_line("TIFF header too short");
    return;
  }
  const int order = (base[0] == 'I' && base[1] == 'I') ? 1 : 0;
  if (r.verbose > 0) {
    r.printi();
    r.outs("\t\tByte order: ");
    put_raw(r, base, 2);
    r.outf(", Length marker: %.4x\n", get16(order, base + 2));
  }
  r.text(1, "byte_order", Enc::utf8, base, 2);
  r.num(1, "magic", get16(order, base + 2));
  const uint32_t ifd0 = get32(order, base + 4);
  const int64_t size = ifd(r, order, tiff, ifd0, "IFD0 (main image)");
  if (size == 0) return;
  // The link to IFD1 follows IFD0's entries. When the entries themselves
  // were cut short, that has been reported already.
  const int64_t link_at = static_cast<int64_t>(ifd0) + size;
  if (!inside(link_at, 4, length)) {
    if (link_at <= length) {
      r.error_line("Link to the next directory lies past the end of the Exif data");
    }
    return;
  }
  const uint32_t ifd1 = get32(order, base + link_at);
  if (ifd1 == 0) return;
  ifd(r, order, tiff, ifd1, "IFD1 (thumbnail image)");  // the link after IFD1 is not followed
}

}  // namespace tagdelve
