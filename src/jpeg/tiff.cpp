#include "jpeg/tiff.h"

#include <algorithm>
#include <iterator>
#include <vector>

#include "common/decode.h"
#include "common/output.h"
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
void heading(const char* what, uint32_t offset) {
  printi();
  outs("\t\t");
  if (verbose > 1) outf("Offset: %d, ", static_cast<int32_t>(offset));
  outs(what);
  outc('\n');
}

// A rational is divided in single precision. A zero denominator gives what
// the division would: an infinity with the numerator's sign, or "nan" for
// 0/0 (printed without the sign a NaN may carry).
void put_rational(float num, float den) {
  if (den == 0) {
    outs(num > 0 ? "inf " : num < 0 ? "-inf " : "nan ");
    return;
  }
  float q = num / den;
  outf("%f ", static_cast<double>(q));
}

// One value of the given field type (1 to 12) at p.
void put_value(int order, int type, const uint8_t* p) {
  switch (type) {
    case 1:
      outf("%u ", p[0]);
      break;
    case 2:  // a control byte as a backslash and its octal code
      if (control_byte(p[0]))
        outf("\\%o", p[0]);
      else
        outc(p[0]);
      break;
    case 3:
      outf("%u ", get16(order, p));
      break;
    case 4:
      outf("%lu ", static_cast<unsigned long>(get32(order, p)));
      break;
    case 5:
      put_rational(static_cast<float>(get32(order, p)), static_cast<float>(get32(order, p + 4)));
      break;
    case 6:
      outf("%d ", static_cast<int8_t>(p[0]));
      break;
    case 7:
      outf("%.2x", p[0]);
      break;
    case 8:
      outf("%d ", static_cast<int16_t>(get16(order, p)));
      break;
    case 9:
      outf("%ld ", static_cast<long>(static_cast<int32_t>(get32(order, p))));
      break;
    case 10:
      put_rational(static_cast<float>(static_cast<int32_t>(get32(order, p))),
                   static_cast<float>(static_cast<int32_t>(get32(order, p + 4))));
      break;
    case 11:
      outs("Fl ");
      break;
    case 12:
      outs("DFl ");
      break;
    default:
      break;
  }
}

// One directory entry, known to lie inside the data. Returns its value field.
uint32_t put_entry(int order, const uint8_t* base, int64_t length, uint32_t entry) {
  const uint8_t* p = base + entry;
  uint32_t tag = get16(order, p);
  int type = static_cast<int>(get16(order, p + 2));
  uint32_t count = get32(order, p + 4);
  printi();
  outs("\t\t\t");
  if (verbose > 0) {
    outf("Tag: 0x%.4x", tag);
    if (verbose > 1) outf(", Length: %ld", static_cast<long>(static_cast<int32_t>(count)));
    outc(' ');
  }
  if (const TiffTag* known = find_tiff(tag))
    outf("[%s]", known->name);
  else
    outf("[Unknown tag 0x%.4x]", tag);
  outs(" = ");
  bool whole = put_tiff_data(order, type, count, base, length, entry) != 0;
  outc('\n');
  if (!whole) {
    error_line("Values of tag 0x%.4x lie past the end of the Exif data", tag);
  }
  return get32(order, p + 8);
}

}  // namespace

const TiffTag* find_tiff(uint32_t tag) {
  return find_row(tiff_tags, [tag](const TiffTag& t) { return t.tag == tag; });
}

int put_tiff_data(int order, int type, uint32_t count, const uint8_t* base, int64_t length,
                  uint32_t entry) {
  if (!inside(entry, 12, length)) {
    outs("{}");
    return 0;
  }
  if (type < 0 || type >= static_cast<int>(std::size(tiff_field_types))) {
    outs("{}");  // a type without a row in the table: no value
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
  if (verbose > 0) outs(t.name);
  outc('{');
  if (type == 2 && utf8_text)
    put_utf8(base + pos, static_cast<size_t>(shown), Escape::octal);  // a text, not byte by byte
  else
    for (int64_t i = 0; i < shown; ++i) put_value(order, type, base + pos + i * t.size);
  outc('}');
  return whole ? 1 : 0;
}

int64_t ifd(int order, const uint8_t* base, int64_t length, uint32_t offset) {
  // The Exif directory is walked after the last entry, so the walk follows a
  // chain of directories; those in it are all still being walked, and an
  // Exif offset that leads back to one of them is not followed.
  std::vector<uint32_t> walking;
  int64_t size = 0;
  for (;;) {
    if (!inside(offset, 2, length)) {
      error_line("Directory at offset %u lies outside the Exif data", offset);
      return size;
    }
    walking.push_back(offset);
    const uint32_t n = get16(order, base + offset);
    if (walking.size() == 1) size = 2 + 12 * static_cast<int64_t>(n);
    uint32_t exif = 0;
    uint32_t i = 0;
    for (; i < n; ++i) {
      const int64_t entry = offset + 2 + 12 * static_cast<int64_t>(i);
      if (!inside(entry, 12, length)) break;
      const uint8_t* p = base + entry;
      uint32_t value = put_entry(order, base, length, static_cast<uint32_t>(entry));
      if (get16(order, p) == kExifOffsetTag) exif = value;
    }
    if (i < n) {
      error_line("Directory cut short after %u of %u entries", i, n);
    }
    if (exif == 0) return size;
    heading("IFD (Exif)", exif);
    if (std::find(walking.begin(), walking.end(), exif) != walking.end()) {
      error_line("Directory at offset %u is already being walked", exif);
      return size;
    }
    offset = exif;
  }
}

void tiff_header(const uint8_t* base, int64_t length) {
  if (length < 8) {
    error_line("TIFF header too short");
    return;
  }
  const int order = (base[0] == 'I' && base[1] == 'I') ? 1 : 0;
  if (verbose > 0) {
    printi();
    outs("\t\tByte order: ");
    put_raw(base, 2);
    outf(", Length marker: %.4x\n", get16(order, base + 2));
  }
  const uint32_t ifd0 = get32(order, base + 4);
  heading("IFD0 (main image)", ifd0);
  const int64_t size = ifd(order, base, length, ifd0);
  if (size == 0) return;
  // The link to IFD1 follows IFD0's entries. When the entries themselves
  // were cut short, that has been reported already.
  const int64_t link_at = static_cast<int64_t>(ifd0) + size;
  if (!inside(link_at, 4, length)) {
    if (link_at <= length) {
      error_line("Link to the next directory lies past the end of the Exif data");
    }
    return;
  }
  const uint32_t ifd1 = get32(order, base + link_at);
  if (ifd1 == 0) return;
  heading("IFD1 (thumbnail image)", ifd1);
  ifd(order, base, length, ifd1);  // the link after IFD1 is not followed
}

}  // namespace tagdelve
