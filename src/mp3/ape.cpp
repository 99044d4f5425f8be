#include "mp3/ape.h"

#include <cstring>
#include <vector>

#include "common/decode.h"
#include "common/printers.h"
#include "common/table.h"

namespace tagdelve {

namespace {

const ape_key ape_keys[] = {
    {"Title", "Music piece title or work"},
    {"Subtitle", "Additional sub title"},
    {"Artist", "Performing artist(s)"},
    {"Album", "Album name"},
    {"Debut album", "Debut album name"},
    {"Publisher", "Record label or publisher"},
    {"Conductor", "Conductor"},
    {"Track", "Track number[/Total tracks number]"},
    {"Composer", "Name of original composer(s)/arranger(s)"},
    {"Comment", "User comments"},
    {"Copyright", "Copyright holder(s)"},
    {"Publicationright", "Publication right holder(s)"},
    {"File", "file location(s)"},
    {"EAN/UPC", "EAN-13/UPC-A bar code identifier"},
    {"ISBN", "ISBN number with check digit"},
    {"Catalog", "Catalogue number"},
    {"LC", "Label code"},
    {"Year", "Release date"},
    {"Record Date", "Record date"},
    {"Record Location", "Record location(s)"},
    {"Genre", "Genre(s)"},
    {"Media", "Source"},
    {"Index", "Indexes for quick access"},
    {"Related", "Location of related information"},
    {"ISRC", "International Standard Recording Code"},
    {"Abstract", "Abstract"},
    {"Language", "Used language(s)"},
    {"Bibliography", "Bibliography/Discography"},
    {"introplay", "Chacteristic part of piece"},
    {"Dummy", "Place holder"},
};

// Header and footer: version, tag size, item count and global flags. The
// tag size counts the items and the footer, not the header.
constexpr int kVersion = 8;
constexpr int kSize = 12;
constexpr int kCount = 16;
constexpr int kFlags = 20;
constexpr uint8_t kNoFooter = 0x40;  // bit 30 of the global flags, in their last byte

// Four bytes in file order, as the version and the flags are shown.
void put_quad(Report& r, const uint8_t* p) { r.outf("<0x%.2x%.2x%.2x%.2x>", p[0], p[1], p[2], p[3]); }

void cut_off(Report& r, const char* what) { r.error_line("%s passes the end of the tag", what); }

// Prints the items of the tag body `body` and returns the position after the
// last one, or -1 when an item did not fit: the count, a key or a value size
// claimed more than the body holds.
int64_t items(Report& r, const Source& body, int32_t count) {
  const uint8_t* tag = body.block;
  const int64_t size = body.limit;
  int64_t pos = 0;
  for (int32_t i = 0; i < count; ++i) {
    if (size - pos < 8) {
      cut_off(r, "Item count");
      return -1;
    }
    const uint8_t* item = tag + pos;
    uint32_t value_size = le32(item);
    const uint8_t* key = item + 8;
    const size_t room = static_cast<size_t>(size - pos - 8);
    const size_t key_length = field_length(key, room);
    if (key_length == room) {  // no terminator within the body
      cut_off(r, "Item key");
      return -1;
    }
    const uint8_t* value = key + key_length + 1;
    if (value_size > size - (value - tag)) {
      cut_off(r, "Item value");
      return -1;
    }

    Item entry(r, "item", body, pos, (value - tag) + value_size - pos);
    r.printi();
    r.outc('\t');
    if (r.verbose > 0) r.outs("Item");
    if (r.verbose > 1) r.outf(" Length %d,", swab32(item));
    if (r.verbose > 0) {
      r.outs(" Flags: ");
      put_quad(r, item + 4);
      r.outc(' ');
    }
    r.num(2, "value_length", swab32(item));
    r.num(1, "flags", le32(item + 4));
    put_raw(r, key, key_length, "key");
    const ape_key* known = find_ape(reinterpret_cast<const char*>(key));
    if (r.verbose > 0) r.outf(" [%s]", known != nullptr ? known->description : "Unknown key");
    r.str(1, "key_description", known != nullptr ? known->description : "Unknown key");
    r.outs(" = ");
    // Any of the low flag bits (read-only, binary, external locator) shows
    // the value in hex.
    put_enc(r, item[4] != 0 ? 4 : 3, value_size, value, "value");
    r.outc('\n');
    pos = (value - tag) + value_size;
  }
  return pos;
}

}  // namespace

const ape_key* find_ape(const char* key) {
  return find_row(ape_keys, [key](const ape_key& k) { return strcmp(k.key, key) == 0; });
}

bool ape_tag(Report& r, Source& src, uint8_t* /*sig*/, int64_t at) {
  Item item(r, "APE v2 tag", src, at);
  r.printi();
  r.outs("APE v2 tag");
  uint8_t header[32];
  memcpy(header, "APET", 4);
  if (!src.read(header + 4, 28)) {
    src.ended_inside("APE v2 tag");
    return false;
  }
  // The size is used as an unsigned number, so that no claim can lead
  // backwards; it is printed as the signed number it is declared as.
  uint32_t size = le32(header + kSize);
  int32_t count = swab32(header + kCount);  // a negative count lists nothing
  if (r.verbose > 0) {
    r.outs(" Version: ");
    put_quad(r, header + kVersion);
  }
  if (r.verbose > 1) r.outf(", Length %d", swab32(header + kSize));
  if (r.verbose > 0) {
    r.outf(", Items: %d, Global flags: ", swab32(header + kCount));
    put_quad(r, header + kFlags);
  }
  r.outc('\n');
  r.num(1, "version", le32(header + kVersion));
  r.num(2, "size", swab32(header + kSize));
  r.num(1, "item_count", swab32(header + kCount));
  r.num(1, "flags", le32(header + kFlags));

  std::vector<uint8_t> tag;
  const int64_t body_at = src.tell();
  if (!src.body(tag, size)) {
    src.ended_inside("APE v2 tag");
    return false;
  }
  item.length = src.tell() - at;

  const Source body = src.held(tag.data(), static_cast<int64_t>(size), body_at);
  int64_t end = items(r, body, count);
  // The footer follows the last item; its fields up to the flags must be in
  // the body. After an item that did not fit, where it stands is unknown.
  if (r.verbose > 0 && !(header[kFlags + 3] & kNoFooter) && end >= 0 && size - end >= 24) {
    Item footer_item(r, "APE v2 footer", body, end, size - end);
    const uint8_t* footer = tag.data() + end;
    r.printi();
    r.outs("\tFooter Version: ");
    put_quad(r, footer + kVersion);
    r.outf(", Length %d, Items: %d, Global flags: ", swab32(footer + kSize), swab32(footer + kCount));
    put_quad(r, footer + kFlags);
    r.outc('\n');
    r.num(1, "version", le32(footer + kVersion));
    r.num(1, "size", swab32(footer + kSize));
    r.num(1, "item_count", swab32(footer + kCount));
    r.num(1, "flags", le32(footer + kFlags));
  }
  return true;
}

}  // namespace tagdelve
