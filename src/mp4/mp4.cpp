#include "mp4/mp4.h"

#include <cstring>
#include <string>
#include <vector>

#include "common/decode.h"
#include "common/printers.h"
#include "common/table.h"
#include "mp4/mp4_box.h"

namespace tagdelve {

namespace {

// Boxes within boxes are walked this deep; a box deeper still is passed
// over whole, with one error line.
constexpr int kMaxDepth = 64;

// What the walker does with a box's content.
enum class Shape : uint8_t {
  container,  // child boxes, after `fields` bytes of fields
  data,       // read (up to `cap` bytes) and decoded; the rest passed over
  passed,     // passed over without being read
  entry,      // a sample entry: fields as the track's handler says, then child boxes
};

// Where a box stands, which decides how its children read.
enum class Role : uint8_t { plain, ilst, item, stsd, udta, tref };

struct BoxType {
  uint32_t type;
  const char* name;
  Shape shape;
  bool full;       // the content begins with a version byte and 24 bits of flags
  uint8_t fields;  // container: bytes before the children (with the version and flags)
  int32_t cap;     // data: bytes read at most (0: all)
  BoxDecoder decode;
};

constexpr Shape C = Shape::container, D = Shape::data, P = Shape::passed;

const BoxType kBoxes[] = {
    {fourcc("ftyp"), "File type", D, false, 0, 0, file_type},
    {fourcc("styp"), "Segment type", D, false, 0, 0, file_type},
    {fourcc("moov"), "Movie", C, false, 0, 0, nullptr},
    {fourcc("mvhd"), "Movie header", D, true, 0, 0, movie_header},
    {fourcc("trak"), "Track", C, false, 0, 0, nullptr},
    {fourcc("tkhd"), "Track header", D, true, 0, 0, track_header},
    {fourcc("tref"), "Track references", C, false, 0, 0, nullptr},
    {fourcc("edts"), "Edits", C, false, 0, 0, nullptr},
    {fourcc("elst"), "Edit list", D, true, 0, 8 + 3 * 20, sample_table},
    {fourcc("mdia"), "Media", C, false, 0, 0, nullptr},
    {fourcc("mdhd"), "Media header", D, true, 0, 0, media_header},
    {fourcc("hdlr"), "Handler", D, true, 0, 0, handler},
    {fourcc("minf"), "Media information", C, false, 0, 0, nullptr},
    {fourcc("smhd"), "Sound media header", D, true, 0, 0, nullptr},
    {fourcc("vmhd"), "Video media header", D, true, 0, 0, nullptr},
    {fourcc("nmhd"), "Null media header", D, true, 0, 0, nullptr},
    {fourcc("gmhd"), "Generic media header", C, false, 0, 0, nullptr},
    {fourcc("dinf"), "Data information", C, false, 0, 0, nullptr},
    {fourcc("dref"), "Data references", C, true, 8, 0, nullptr},
    {fourcc("url "), "Data location", D, true, 0, 0, nullptr},
    {fourcc("stbl"), "Sample table", C, false, 0, 0, nullptr},
    {fourcc("stsd"), "Sample descriptions", C, true, 8, 0, nullptr},
    {fourcc("stts"), "Decoding times", D, true, 0, 8 + 3 * 8, sample_table},
    {fourcc("ctts"), "Composition offsets", D, true, 0, 8 + 3 * 8, sample_table},
    {fourcc("stsc"), "Samples to chunks", D, true, 0, 8 + 3 * 12, sample_table},
    {fourcc("stsz"), "Sample sizes", D, true, 0, 12 + 3 * 4, sample_sizes},
    {fourcc("stz2"), "Compact sample sizes", D, true, 0, 12, nullptr},
    {fourcc("stco"), "Chunk offsets", D, true, 0, 8 + 3 * 4, sample_table},
    {fourcc("co64"), "Chunk offsets (64-bit)", D, true, 0, 8 + 3 * 8, sample_table},
    {fourcc("stss"), "Sync samples", D, true, 0, 8 + 3 * 4, sample_table},
    {fourcc("sgpd"), "Sample group descriptions", D, true, 0, 0, nullptr},
    {fourcc("sbgp"), "Samples to groups", D, true, 0, 0, nullptr},
    {fourcc("esds"), "Elementary stream descriptor", D, true, 0, 0, es_descriptor},
    {fourcc("alac"), "Apple Lossless configuration", D, true, 0, 0, alac_config},
    {fourcc("dfLa"), "FLAC configuration", D, true, 0, 0, flac_config},
    {fourcc("dOps"), "Opus configuration", D, false, 0, 0, opus_config},
    {fourcc("btrt"), "Bit rates", D, false, 0, 0, nullptr},
    {fourcc("wave"), "Sound description extension", C, false, 0, 0, nullptr},
    {fourcc("frma"), "Original format", D, false, 0, 0, nullptr},
    {fourcc("chan"), "Channel layout", D, true, 0, 0, nullptr},
    {fourcc("avcC"), "H.264 configuration", D, false, 0, 0, nullptr},
    {fourcc("hvcC"), "H.265 configuration", D, false, 0, 0, nullptr},
    {fourcc("pasp"), "Pixel aspect ratio", D, false, 0, 0, nullptr},
    {fourcc("colr"), "Colour information", D, false, 0, 0, nullptr},
    {fourcc("sinf"), "Protection scheme information", C, false, 0, 0, nullptr},
    {fourcc("schi"), "Scheme information", C, false, 0, 0, nullptr},
    {fourcc("iods"), "Object descriptor", D, true, 0, 0, nullptr},
    {fourcc("udta"), "User data", C, false, 0, 0, nullptr},
    {fourcc("meta"), "Metadata", C, true, 4, 0, nullptr},
    {fourcc("ilst"), "iTunes metadata items", C, false, 0, 0, nullptr},
    {fourcc("keys"), "Metadata keys", D, true, 0, 0, nullptr},
    {fourcc("chpl"), "Chapter list", D, true, 0, 0, nero_chapters},
    {fourcc("mvex"), "Movie extends", C, false, 0, 0, nullptr},
    {fourcc("mehd"), "Movie extends header", D, true, 0, 0, nullptr},
    {fourcc("trex"), "Track extends", D, true, 0, 0, fragment_field},
    {fourcc("moof"), "Movie fragment", C, false, 0, 0, nullptr},
    {fourcc("mfhd"), "Movie fragment header", D, true, 0, 0, fragment_field},
    {fourcc("traf"), "Track fragment", C, false, 0, 0, nullptr},
    {fourcc("tfhd"), "Track fragment header", D, true, 0, 0, fragment_field},
    {fourcc("tfdt"), "Track fragment decode time", D, true, 0, 0, fragment_field},
    {fourcc("trun"), "Track fragment run", D, true, 0, 8, fragment_field},
    {fourcc("mfra"), "Movie fragment random access", C, false, 0, 0, nullptr},
    {fourcc("tfra"), "Track fragment random access", D, true, 0, 0, nullptr},
    {fourcc("mfro"), "Movie fragment random access offset", D, true, 0, 0, nullptr},
    {fourcc("sidx"), "Segment index", D, true, 0, 0, nullptr},
    {fourcc("mdat"), "Media data", P, false, 0, 0, nullptr},
    {fourcc("free"), "Free space", P, false, 0, 0, nullptr},
    {fourcc("skip"), "Free space", P, false, 0, 0, nullptr},
    {fourcc("wide"), "Room for a 64-bit size", P, false, 0, 0, nullptr},
    {fourcc("uuid"), "User type", D, false, 0, 16, user_type},
};

// Rows for the boxes whose meaning depends on where they stand.
const BoxType kItem = {0, nullptr, C, false, 0, 0, nullptr};
const BoxType kItemData = {fourcc("data"), "Value", D, false, 0, 0, item_data};
const BoxType kItemMean = {fourcc("mean"), "Name space", D, true, 0, 0, item_text};
const BoxType kItemName = {fourcc("name"), "Name", D, true, 0, 0, item_text};
const BoxType kUserText = {0, nullptr, D, false, 0, 0, quicktime_text};
const BoxType kReference = {0, "Track reference", D, false, 0, 0, track_reference};
const BoxType kEntry = {0, nullptr, Shape::entry, false, 0, 0, nullptr};
const BoxType kUnknown = {0, nullptr, P, false, 0, 0, nullptr};

// The codecs of sample entries, by their code.
const struct Codec {
  uint32_t type;
  const char* name;
} kCodecs[] = {
    {fourcc("mp4a"), "MPEG-4 audio"}, {fourcc("alac"), "Apple Lossless"}, {fourcc("fLaC"), "FLAC"},
    {fourcc("Opus"), "Opus"},         {fourcc("ac-3"), "AC-3"},           {fourcc("ec-3"), "E-AC-3"},
    {fourcc(".mp3"), "MP3"},          {fourcc("lpcm"), "PCM"},            {fourcc("sowt"), "PCM, little-endian"},
    {fourcc("twos"), "PCM, big-endian"}, {fourcc("samr"), "AMR"},         {fourcc("sawb"), "AMR wideband"},
    {fourcc("ulaw"), "mu-law"},       {fourcc("alaw"), "A-law"},          {fourcc("avc1"), "H.264"},
    {fourcc("avc3"), "H.264"},        {fourcc("hvc1"), "H.265"},          {fourcc("hev1"), "H.265"},
    {fourcc("mp4v"), "MPEG-4 video"}, {fourcc("av01"), "AV1"},            {fourcc("vp09"), "VP9"},
    {fourcc("jpeg"), "JPEG"},         {fourcc("png "), "PNG"},            {fourcc("s263"), "H.263"},
    {fourcc("text"), "QuickTime text"}, {fourcc("tx3g"), "Timed text"},   {fourcc("mp4s"), "MPEG-4 systems"},
};

// The row that says how a box of type `type` reads, standing where `role` says.
const BoxType* box_type(Role role, uint32_t type) {
  switch (role) {
    case Role::ilst: return &kItem;
    case Role::stsd: return &kEntry;
    case Role::tref: return &kReference;
    case Role::item:
      if (type == kItemData.type) return &kItemData;
      if (type == kItemMean.type) return &kItemMean;
      if (type == kItemName.type) return &kItemName;
      break;
    case Role::udta:
      if (type >> 24 == 0xA9) return &kUserText;
      break;
    case Role::plain: break;
  }
  const BoxType* row = find_row(kBoxes, [type](const BoxType& b) { return b.type == type; });
  return row != nullptr ? row : &kUnknown;
}

// How the children of a box read.
Role role_of(Role role, uint32_t type) {
  if (role == Role::ilst) return Role::item;
  switch (type) {
    case fourcc("ilst"): return Role::ilst;
    case fourcc("stsd"): return Role::stsd;
    case fourcc("udta"): return Role::udta;
    case fourcc("tref"): return Role::tref;
    default: return Role::plain;
  }
}

// The readable name of a box: of a metadata item its item's name, of a
// sample entry its codec's.
const char* name_of(const BoxType* row, Role role, const uint8_t* code, uint32_t type) {
  if (role == Role::ilst || (role == Role::udta && code[0] == 0xA9)) return item_name(code);
  if (role == Role::stsd) {
    const Codec* codec = find_row(kCodecs, [type](const Codec& c) { return c.type == type; });
    return codec != nullptr ? codec->name : nullptr;
  }
  return row->name;
}

// A box header as read.
struct Header {
  int64_t at = 0;
  uint8_t type[4] = {};
  uint64_t size = 0;    // as declared (0: to the end of the parent)
  int64_t header = 8;   // 16 with a 64-bit size
  bool large = false;
};

std::string box_label(const Report& r, const uint8_t* type) { return code_shown(r, type) + " box"; }

// Passes over everything the source still holds; its length.
int64_t pass_to_end(Source& src) {
  const int64_t from = src.tell();
  const int64_t left = src.left();
  if (left != kNoLimit) {
    src.pass(left);
  } else {
    for (int64_t avail = 0; src.peek(&avail), avail > 0;) src.skip(avail);
  }
  return src.tell() - from;
}

bool boxes(Report& r, Source& src, Mp4Walk& w, int64_t end, Role role, const char* parent);

// After a read or pass for the box `label` failed: where the source ended
// inside it, one TAB below the box's heading, with the bytes missing up to
// where the box claims to end: `claim` bytes from `from` (0: as many as the
// request lacked).
bool cut(Report& r, const Source& src, const std::string& label, int64_t from, uint64_t claim) {
  const Shortfall& s = src.shortfall;
  const uint64_t got = static_cast<uint64_t>(s.at - from);
  ++r.indent;
  if (claim == 0 || s.at < from || claim < got)
    src.ended_inside(label.c_str());
  else
    report_end(src, s.file_end ? "File" : src.name, label.c_str(), s.at, claim - got);
  --r.indent;
  return false;
}

// Walks a box's children, one level deeper, up to `end`.
bool children(Report& r, Source& src, Mp4Walk& w, int64_t end, Role role, const std::string& label) {
  ++r.indent;
  ++w.depth;
  const bool go_on = boxes(r, src, w, end, role, label.c_str());
  --w.depth;
  --r.indent;
  return go_on;
}

// The fields of a sample entry, read as its track's handler says, then its
// child boxes. `content` is the box's content size; false when the source
// ended.
bool walk_entry(Report& r, Source& src, Mp4Walk& w, const Header& h, int64_t content, const std::string& label) {
  const uint64_t claim = content == kNoLimit ? 0 : static_cast<uint64_t>(h.header + content);
  uint8_t fields[96];
  int64_t have = 0;
  int64_t need = 8;
  while (have < need && have < content) {
    const int64_t k = std::min(need, content) - have;
    if (!src.read(fields + have, k)) return cut(r, src, label, h.at, claim);
    have += k;
    need = entry_fields_size(w, fields, have, content);
  }
  const Source held = src.held(fields, have, h.at + h.header);
  sample_entry(r, held, BoxContent{h.type, content}, w);
  if (need < 0 || have < need) {
    // The fields run to the end (an entry of another kind), or past it.
    if (content == kNoLimit) return pass_to_end(src), true;
    return src.pass(content - have) || cut(r, src, label, h.at, claim);
  }
  return children(r, src, w, content == kNoLimit ? kNoLimit : h.at + h.header + content, Role::plain, label);
}

// Walks one box whose header is read. `end`: the parent's end (kNoLimit:
// the end of the source). False when the walk has to stop.
bool box(Report& r, Source& src, Mp4Walk& w, Header& h, int64_t end, Role role, const char* parent) {
  const uint32_t type = be32(h.type);
  const BoxType* row = box_type(role, type);
  const bool to_end = h.size == 0;
  const bool open_end = to_end && end == kNoLimit;  // to the end of a source of unknown size
  // A claim past the largest position is cut to it: no source reaches there.
  const uint64_t room = static_cast<uint64_t>(kNoLimit - h.at);
  int64_t size = to_end ? (open_end ? -1 : end - h.at) : static_cast<int64_t>(std::min(h.size, room));
  const std::string label = box_label(r, h.type);
  Item item(r, r.json() ? code_text(h.type) + " box" : std::string(), src, h.at, h.size > room ? -1 : size);
  if (r.verbose > 1) {
    r.printi();
    r.outf("Offset %lld, Size: %llu", static_cast<long long>(h.at), static_cast<unsigned long long>(h.size));
    if (h.large) r.outs(" (64-bit)");
    if (to_end) r.outf(" (to the end of the %s)", parent == nullptr ? "file" : parent);
    r.outc('\n');
  }
  if (h.large) r.flag(2, "large_size", true);
  if (to_end) r.flag(2, "to_end", true);

  // A size that does not even cover the header: the walk has lost its place.
  const bool too_small = !to_end && h.size < static_cast<uint64_t>(h.header);
  // A size that passes the parent's end: the box is taken to end there.
  std::string passes;
  if (!too_small && !open_end && end != kNoLimit && size > end - h.at) {
    passes = "Box size " + std::to_string(h.size) + " passes the end of the " + parent + " by " +
             std::to_string(h.size - static_cast<uint64_t>(end - h.at)) + " bytes";
    size = end - h.at;
  }
  const int64_t content = too_small ? 0 : open_end ? kNoLimit : size - h.header;
  // How long the box claims to be, for a cut: a claim beyond any position too.
  const uint64_t claim = open_end ? 0 : passes.empty() && !to_end ? h.size : static_cast<uint64_t>(size);
  const bool walked_into = row->shape == Shape::container || row->shape == Shape::entry;
  const bool deep = w.depth >= kMaxDepth && walked_into;

  // The fields that the heading shows (a full box's version and flags, the
  // entry count of a list) are read before it is printed: a data box's
  // content, or a container's fields.
  std::vector<uint8_t> body;
  int64_t fields = row->shape == Shape::container ? row->fields : 0;
  if (type == fourcc("meta") && !too_small && !deep) {
    // QuickTime's metadata box has no version and flags: its handler box
    // follows the header at once.
    int64_t avail = 0;
    const uint8_t* p = src.look(8, &avail);
    if (avail == 8 && memcmp(p + 4, "hdlr", 4) == 0) fields = 0;
  }
  const bool short_fields = fields > content;
  bool read_ok = true;
  if (!too_small && !deep && !(open_end && row->shape == Shape::data)) {
    if (row->shape == Shape::data) {
      // Of a box without a decoder only the version and flags are read.
      const int64_t cap = row->decode == nullptr ? (row->full ? 4 : 0) : row->cap > 0 ? row->cap : content;
      read_ok = src.body(body, std::min(cap, content));
    }
    else if (fields > 0 && !short_fields)
      read_ok = src.body(body, fields);
  }

  r.printi();
  put_code(r, h.type);
  r.outs(" box");
  const char* name = name_of(row, role, h.type, type);
  const bool item_level = role == Role::ilst || (role == Role::udta && h.type[0] == 0xA9);
  if (name != nullptr && (r.verbose > 0 || item_level)) r.outf(" [%s]", name);
  if (name != nullptr) r.str(item_level ? 0 : 1, "name", name);
  if (row->shape == Shape::entry) r.text(0, "codec", Enc::latin1, h.type, 4);
  if ((row->full || fields >= 4) && read_ok && body.size() >= 4) {
    if (r.verbose > 0) r.outf(", Version: %u, Flags: 0x%.6x", body[0], word24(&body[1]));
    r.num(1, "version", body[0]);
    r.num(1, "flags", word24(&body[1]));
  }
  if (fields == 8 && read_ok && body.size() >= 8) {
    if (r.verbose > 0) r.outf(", Entries: %u", be32(&body[4]));
    r.num(1, "entries", be32(&body[4]));
  }
  r.outc('\n');

  if (too_small) {
    box_error(r, src, h.at, "Box size " + std::to_string(h.size) + " is less than its " + std::to_string(h.header) +
                                "-byte header");
    if (end == kNoLimit) return false;
    return src.pass(end - src.tell()) || cut(r, src, parent, h.at, static_cast<uint64_t>(end - h.at));
  }
  if (!passes.empty()) box_error(r, src, h.at, passes);
  if (!read_ok) return cut(r, src, label, h.at, claim);
  if (deep) {
    box_error(r, src, h.at, "Boxes nested more than " + std::to_string(kMaxDepth) + " deep: the " + label +
                                " is passed over");
    return open_end ? (pass_to_end(src), true) : src.pass(content) || cut(r, src, label, h.at, claim);
  }
  if (short_fields) {
    box_error(r, src, h.at, "Box size " + std::to_string(h.size) + " leaves no room for its " +
                                std::to_string(fields) + " bytes of fields");
    return src.pass(content) || cut(r, src, label, h.at, claim);
  }

  const int64_t box_end = open_end ? kNoLimit : h.at + size;
  bool go_on = true;
  switch (row->shape) {
    case Shape::passed:
      if (open_end)
        pass_to_end(src);
      else
        go_on = src.pass(content) || cut(r, src, label, h.at, claim);
      break;
    case Shape::data: {
      if (open_end) {
        pass_to_end(src);
        break;
      }
      const int64_t n = static_cast<int64_t>(body.size());
      if (row->decode != nullptr) {
        const Source held = src.held(body.data(), n, h.at + h.header);
        row->decode(r, held, BoxContent{h.type, content}, w);
      }
      go_on = src.pass(content - n) || cut(r, src, label, h.at, claim);
      break;
    }
    case Shape::entry:
      go_on = walk_entry(r, src, w, h, content, label);
      break;
    case Shape::container:
      if (type == fourcc("trak")) w.handler = 0;
      if (role == Role::ilst) w.item = type;
      go_on = children(r, src, w, box_end, role_of(role, type), label);
      break;
  }
  if (open_end) item.length = src.tell() - h.at;
  return go_on;
}

// Four characters that can be a box's type: printable ASCII, or "©".
bool box_code(const uint8_t* p) {
  for (int i = 0; i < 4; ++i)
    if ((p[i] < 0x20 || p[i] > 0x7E) && p[i] != 0xA9) return false;
  return true;
}

bool boxes(Report& r, Source& src, Mp4Walk& w, int64_t end, Role role, const char* parent) {
  for (;;) {
    Header h;
    h.at = src.tell();
    if (end != kNoLimit && h.at >= end) return true;
    uint8_t head[16];
    if (end != kNoLimit && end - h.at < 8) {
      // Too few bytes for another box: zeros (QuickTime ends some lists
      // with a 32-bit zero) are shown at -v -v; anything else is an error.
      const int64_t n = end - h.at;
      if (!src.read(head, n)) {
        --r.indent;
        cut(r, src, parent, h.at, static_cast<uint64_t>(end - h.at));
        ++r.indent;
        return false;
      }
      bool zeros = true;
      for (int64_t i = 0; i < n; ++i) zeros = zeros && head[i] == 0;
      if (!zeros) {
        r.error(std::to_string(n) + " bytes after the last box of the " + parent + " are too few for a box", &src,
                h.at);
      } else if (r.verbose > 1) {
        r.printi();
        r.outf("%lld zero bytes end the %s\n", static_cast<long long>(n), parent);
      }
      return true;
    }
    if (!src.read(head, 8)) {
      const Shortfall& s = src.shortfall;
      if (s.at != s.from)
        src.ended_inside("box header");
      else if (end != kNoLimit)  // not between the file's boxes: inside the parent
        report_end(src, s.file_end ? "File" : src.name, parent, h.at, static_cast<uint64_t>(end - h.at));
      return false;
    }
    memcpy(h.type, head + 4, 4);
    if (parent == nullptr && h.at == 0 && !box_code(h.type)) {
      r.error("Not an MP4 file: no box type at offset 4", &src, 4);
      return false;
    }
    h.size = be32(head);
    if (h.size == 1) {
      h.large = true;
      h.header = 16;
      if (!src.read(head + 8, 8)) {
        src.ended_inside("box header");
        return false;
      }
      h.size = uint64_t{be32(head + 8)} << 32 | be32(head + 12);
    }
    if (!box(r, src, w, h, end, role, parent)) return false;
  }
}

// The box types that may stand first in a file without a file type box.
bool first_box(const uint8_t* p) {
  static const char* const kFirst[] = {"moov", "mdat", "free", "wide", "skip"};
  for (const char* t : kFirst)
    if (memcmp(p + 4, t, 4) == 0) return true;
  return false;
}

}  // namespace

Probe mp4_probe(const uint8_t* p, int64_t n) {
  if (n < 8) return Probe::no;
  if (memcmp(p + 4, "ftyp", 4) == 0) return Probe::strong;
  if (!first_box(p)) return Probe::no;
  // A size a box can have: 0 (to the end of the file), a whole header's
  // worth or more, or 1 with a 64-bit size after the type.
  const uint32_t size = be32(p);
  if (size == 1) return n < 16 || be32(p + 8) != 0 || be32(p + 12) >= 16 ? Probe::weak : Probe::no;
  return size == 0 || size >= 8 ? Probe::weak : Probe::no;
}

void mp4_file(Report& r, Source& src) {
  Item file(r, "MP4 file", src, 0);
  r.printi();
  r.outs("MP4 file start\n");
  Mp4Walk w;
  boxes(r, src, w, kNoLimit, Role::plain, nullptr);
  r.printi();
  r.outs("MP4 file end\n");
  file.length = src.tell();
}

}  // namespace tagdelve
