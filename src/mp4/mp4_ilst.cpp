// iTunes metadata: the items of an ilst box, each holding its value in data
// boxes (and a freeform item its name space and name), and QuickTime's
// texts held straight in a user data box.
#include <cstring>
#include <string>

#include "common/decode.h"
#include "common/printers.h"
#include "common/table.h"
#include "mp4/mp4_box.h"

namespace tagdelve {

namespace {

const struct ItemName {
  char code[5];
  const char* name;
} kItems[] = {
    {"\xa9nam", "Title"},        {"\xa9" "ART", "Artist"},      {"aART", "Album artist"},
    {"\xa9" "alb", "Album"},     {"\xa9" "day", "Year"},        {"\xa9" "gen", "Genre"},
    {"gnre", "Genre number"},    {"trkn", "Track number"},      {"disk", "Disc number"},
    {"tmpo", "Tempo"},           {"cpil", "Compilation"},       {"covr", "Cover art"},
    {"\xa9" "cmt", "Comment"},   {"\xa9wrt", "Composer"},       {"\xa9too", "Encoder"},
    {"\xa9lyr", "Lyrics"},       {"\xa9grp", "Grouping"},       {"desc", "Description"},
    {"ldes", "Long description"}, {"cprt", "Copyright"},        {"\xa9" "cpy", "Copyright"},
    {"pgap", "Gapless playback"}, {"rtng", "Rating"},           {"stik", "Media kind"},
    {"soal", "Sort album"},      {"soar", "Sort artist"},       {"soaa", "Sort album artist"},
    {"sonm", "Sort title"},      {"soco", "Sort composer"},     {"sosn", "Sort show"},
    {"tvsh", "TV show"},         {"tven", "TV episode ID"},     {"tvsn", "TV season"},
    {"tves", "TV episode"},      {"tvnn", "TV network"},        {"purd", "Purchase date"},
    {"pcst", "Podcast"},         {"purl", "Podcast URL"},       {"catg", "Category"},
    {"keyw", "Keywords"},        {"hdvd", "HD video"},          {"apID", "Account"},
    {"ownr", "Owner"},           {"\xa9wrk", "Work"},           {"\xa9mvn", "Movement"},
    {"\xa9mvi", "Movement number"}, {"\xa9mvc", "Movement count"}, {"shwm", "Show movement"},
    {"\xa9" "dir", "Director"},  {"\xa9" "enc", "Encoded by"},  {"\xa9" "des", "Description"},
    {"\xa9" "inf", "Information"}, {"\xa9" "req", "Requirements"}, {"\xa9" "fmt", "Format"},
    {"\xa9" "src", "Source"},    {"\xa9xyz", "Location"},       {"----", "Freeform"},
};

// How a data box's value reads, by its type code.
enum class Value : uint8_t { binary, utf8, utf16, picture, sint, uint, real };

const struct DataType {
  uint32_t code;
  const char* name;
  Value value;
  int width;  // of numbers: bytes (0: 1, 2, 3, 4 or 8)
} kDataTypes[] = {
    {0, "Implicit", Value::binary, 0},
    {1, "UTF-8", Value::utf8, 0},
    {2, "UTF-16", Value::utf16, 0},
    {3, "S/JIS", Value::binary, 0},
    {4, "UTF-8 sort", Value::utf8, 0},
    {5, "UTF-16 sort", Value::utf16, 0},
    {13, "JPEG", Value::picture, 0},
    {14, "PNG", Value::picture, 0},
    {21, "Signed integer", Value::sint, 0},
    {22, "Unsigned integer", Value::uint, 0},
    {23, "Float32", Value::real, 4},
    {24, "Float64", Value::real, 8},
    {27, "BMP", Value::picture, 0},
    {28, "Metadata atom", Value::binary, 0},
    {65, "8-bit signed integer", Value::sint, 1},
    {66, "16-bit signed integer", Value::sint, 2},
    {67, "32-bit signed integer", Value::sint, 4},
    {74, "64-bit signed integer", Value::sint, 8},
    {75, "8-bit unsigned integer", Value::uint, 1},
    {76, "16-bit unsigned integer", Value::uint, 2},
    {77, "32-bit unsigned integer", Value::uint, 4},
    {78, "64-bit unsigned integer", Value::uint, 8},
};

// A big-endian number of n bytes, sign-extended when `sign`.
int64_t number(const uint8_t* p, int64_t n, bool sign) {
  uint64_t v = 0;
  for (int64_t i = 0; i < n; ++i) v = v << 8 | p[i];
  if (sign && n < 8 && (p[0] & 0x80)) v |= ~uint64_t{0} << (8 * n);
  return static_cast<int64_t>(v);
}

// Values longer than this are shown as their length (and dumped at -v -v).
constexpr int64_t kShortBinary = 16;

void put_binary(Report& r, const uint8_t* p, int64_t n) {
  if (n <= kShortBinary) {
    put_hex(r, n, p, "value");
    r.outc('\n');
    return;
  }
  r.outf("%lld bytes\n", static_cast<long long>(n));
  r.num(0, "value_length", n);
  if (r.verbose > 1) {
    r.printi();
    r.outs("\t\t");
    ext_hex(r, n, p, 2, "value");
    r.outc('\n');
  }
}

// The values whose type is implicit: a number and a total (track, disc),
// or an ID3v1 genre number plus one; others as bytes.
void implicit_value(Report& r, const Source& held, const uint8_t* v, int64_t n, uint32_t item) {
  if (item == fourcc("trkn") || item == fourcc("disk")) {
    if (n < 6) {
      put_binary(r, v, n);
      box_error(r, held, 8, "A number and total need 6 bytes, not " + std::to_string(n));
      return;
    }
    r.outf("%u of %u\n", word16(v + 2), word16(v + 4));
    r.num(0, "number", word16(v + 2));
    r.num(0, "total", word16(v + 4));
  } else if (item == fourcc("gnre") && n == 2) {
    r.outf("%u\n", word16(v));
    r.num(0, "value", word16(v));
  } else {
    put_binary(r, v, n);
  }
}

}  // namespace

const char* item_name(const uint8_t* type) {
  const ItemName* row = find_row(kItems, [type](const ItemName& i) { return memcmp(i.code, type, 4) == 0; });
  return row != nullptr ? row->name : nullptr;
}

void item_data(Report& r, const Source& held, const BoxContent& box, Mp4Walk& w) {
  const uint8_t* p = held.block;
  const int64_t n = held.limit;
  if (n < 8) return past_end(r, held, box, "Type or locale");
  const uint32_t code = word24(p + 1);
  const DataType* type = find_row(kDataTypes, [code](const DataType& t) { return t.code == code; });
  r.printi();
  r.outs("\tType: ");
  if (type != nullptr) {
    r.outs(type->name);
    r.str(0, "data_type", type->name);
  } else {
    r.outf("%u", code);
    r.str(0, "data_type", "Unknown");
  }
  if (r.verbose > 0 && type != nullptr) r.outf(" (%u)", code);
  if (r.verbose > 0) r.outf(", Type set: %u, Locale: %u", p[0], be32(p + 4));
  r.num(1, "data_type_code", code);
  r.num(1, "type_set", p[0]);
  r.num(1, "locale", be32(p + 4));
  r.outs(", Value: ");
  const uint8_t* v = p + 8;
  const int64_t len = n - 8;
  switch (type != nullptr && p[0] == 0 ? type->value : Value::binary) {
    case Value::utf8:
      put_utf8_text(r, v, len, "value");
      r.outc('\n');
      break;
    case Value::utf16:
      put_utf16_text(r, v, len, "value");
      r.outc('\n');
      break;
    case Value::picture: {
      r.outf("%lld bytes\n", static_cast<long long>(len));
      r.num(0, "picture_length", len);
      if (len == 0 || code == 27) break;
      Source picture = held.held(v, len, 8);
      picture.name = "Picture";
      r.dispatch.embedded(r, code == 13 ? "jpg" : "png", picture);
      break;
    }
    case Value::sint:
    case Value::uint: {
      const bool fits = type->width != 0 ? len == type->width : (len >= 1 && len <= 4) || len == 8;
      if (!fits) {
        put_binary(r, v, len);
        box_error(r, held, 8, "An integer of " + std::to_string(len) + " bytes: " +
                                  (type->width != 0 ? std::to_string(type->width) : "1, 2, 3, 4 or 8") + " expected");
      } else if (type->value == Value::sint) {
        r.outf("%lld\n", static_cast<long long>(number(v, len, true)));
        r.num(0, "value", number(v, len, true));
      } else {
        r.outf("%llu\n", static_cast<unsigned long long>(number(v, len, false)));
        r.unum(0, "value", static_cast<uint64_t>(number(v, len, false)));
      }
      break;
    }
    case Value::real: {
      if (len != type->width) {
        put_binary(r, v, len);
        box_error(r, held, 8, "A floating-point number of " + std::to_string(len) + " bytes: " +
                                  std::to_string(type->width) + " expected");
        break;
      }
      double d;
      if (len == 4) {
        const uint32_t bits = be32(v);
        float f;
        memcpy(&f, &bits, sizeof f);
        d = f;
      } else {
        const uint64_t bits = uint64_t{be32(v)} << 32 | be32(v + 4);
        memcpy(&d, &bits, sizeof d);
      }
      r.outf("%g\n", d);
      r.real(0, "value", d);
      break;
    }
    case Value::binary:
      if (code == 0 && p[0] == 0)
        implicit_value(r, held, v, len, w.item);
      else
        put_binary(r, v, len);
      break;
  }
}

void item_text(Report& r, const Source& held, const BoxContent& box, Mp4Walk&) {
  if (held.limit < 4) return past_end(r, held, box, "Version or flags");
  r.printi();
  r.outc('\t');
  put_enc(r, 3, held.limit - 4, held.block + 4, "text");
  r.outc('\n');
}

void quicktime_text(Report& r, const Source& held, const BoxContent& box, Mp4Walk&) {
  // Texts, each a 16-bit length and a 16-bit language code before its bytes.
  const uint8_t* p = held.block;
  const int64_t n = held.limit;
  for (int64_t at = 0, i = 0; at < n; ++i) {
    if (n - at < 4) return past_end(r, held, box, "A text's length or language");
    const uint32_t len = word16(p + at);
    if (n - at - 4 < len) return past_end(r, held, box, "A text");
    Item text(r, "text", held, at, 4 + len);
    r.printi();
    r.outc('\t');
    put_enc(r, 3, len, p + at + 4, "text");
    if (r.verbose > 0) {
      r.outs(", Language: ");
      put_language(r, word16(p + at + 2), 1);
    }
    r.outc('\n');
    at += 4 + len;
  }
}

}  // namespace tagdelve
