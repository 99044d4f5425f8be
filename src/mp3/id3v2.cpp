#include "mp3/id3v2.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "common/decode.h"
#include "common/printers.h"
#include "common/table.h"
#include "mp3/id3v2_content.h"

namespace tagdelve {

// The frames of ID3v2.2 to ID3v2.4, with the podcast frames some programs
// write; the contents of the frames without a printer of their own are dumped.
const ID3v2_frame_type ID3v2_frames[100] = {
    {"AENC", "CRA", "Audio encryption", generic_frame},
    {"APIC", "PIC", "Attached picture", attached_picture},
    {"ASPI", "", "Audio seek point index", generic_frame},
    {"COMM", "COM", "Comments", comment_frame},
    {"COMR", "", "Commercial", generic_frame},
    {"ENCR", "", "Encryption method registration", generic_frame},
    {"EQUA", "EQU", "Equalisation", generic_frame},
    {"EQU2", "", "Equalisation (2)", generic_frame},
    {"ETCO", "ETC", "Event timing codes", generic_frame},
    {"GEOB", "GEO", "General encapsulated object", encapsulated_object},
    {"GRID", "", "Group identification registration", generic_frame},
    {"IPLS", "IPL", "Involved people list", generic_frame},
    {"LINK", "LNK", "Linked information", generic_frame},
    {"MCDI", "MCI", "Music CD identifier", generic_frame},
    {"MLLT", "MLL", "MPEG location lookup table", generic_frame},
    {"OWNE", "", "Ownership", generic_frame},
    {"PRIV", "", "Private", private_frame},
    {"PCNT", "CNT", "Play counter", generic_frame},
    {"POPM", "POP", "Popularimeter", generic_frame},
    {"POSS", "", "Position synchronisation", generic_frame},
    {"RGAD", "", "Replay gain adjustment", replay_gain},
    {"RBUF", "BUF", "Recommended buffer size", generic_frame},
    {"RVAD", "RVA", "Relative volume adjustment", generic_frame},
    {"RVA2", "", "Relative volume adjustment (2)", generic_frame},
    {"RVRB", "REV", "Reverb", generic_frame},
    {"SEEK", "", "Seek", generic_frame},
    {"SIGN", "", "Signature", generic_frame},
    {"SYLT", "SLT", "Synchronised lyric/text", generic_frame},
    {"SYTC", "STC", "Synchronised tempo codes", generic_frame},
    {"TALB", "TAL", "Album/movie/show title", text_frame},
    {"TBPM", "TBP", "Beats per minute", text_frame},
    {"TCOM", "TCM", "Composer(s)", text_frame},
    {"TCON", "TCO", "Content type", text_frame},
    {"TCOP", "TCR", "Copyright message", text_frame},
    {"TDAT", "TDA", "Date (ddmm)", text_frame},
    {"TDEN", "", "Encoding time", text_frame},
    {"TDLY", "TDY", "Playlist delay", text_frame},
    {"TDOR", "", "Original release time", text_frame},
    {"TDRC", "TDR", "Recording time", text_frame},
    {"TDRL", "", "Release time", text_frame},
    {"TDTG", "", "Tagging time", text_frame},
    {"TENC", "TEN", "Encoded by", text_frame},
    {"TEXT", "TXT", "Lyricist(s)/text writer(s)", text_frame},
    {"TFLT", "TFT", "File type", text_frame},
    {"TIPL", "", "Involved people", text_frame},
    {"TIME", "TIM", "Time (hhmm)", text_frame},
    {"TIT1", "TT1", "Content group description", text_frame},
    {"TIT2", "TT2", "Title/songname/content description", text_frame},
    {"TIT3", "TT3", "Subtitle/description refinement", text_frame},
    {"TKEY", "TKE", "Initial key", text_frame},
    {"TLAN", "TLA", "Language(s)", text_frame},
    {"TLEN", "TLE", "Length (ms)", text_frame},
    {"TMCL", "", "Musician credits", text_frame},
    {"TMED", "TMT", "Media type", text_frame},
    {"TMOO", "", "Mood", text_frame},
    {"TOAL", "TOT", "Original album/movie/show title", text_frame},
    {"TOFN", "TOF", "Original fIle name", text_frame},
    {"TOLY", "TOL", "Original lyricist(s)/text writer(s)", text_frame},
    {"TOPE", "TOA", "Original artist(s)/performers(s)", text_frame},
    {"TORY", "TOR", "Original release year", text_frame},
    {"TOWN", "", "File owner/licencee", text_frame},
    {"TPE1", "TP1", "Lead performers(s)/soloist(s)", text_frame},
    {"TPE2", "TP2", "Band/orchestra/accompaniment", text_frame},
    {"TPE3", "TP3", "Conductor(s)/performer refinement", text_frame},
    {"TPE4", "TP4", "Interpreted, remixed or otherwise modified by", text_frame},
    {"TPOS", "TPA", "Part of a set", text_frame},
    {"TPRO", "", "Produced notice", text_frame},
    {"TPUB", "TPB", "Publisher", text_frame},
    {"TRCK", "TRK", "Track number/position in set", text_frame},
    {"TRDA", "TRD", "Recording date", text_frame},
    {"TRSN", "", "Internet radio station name", text_frame},
    {"TRSO", "", "Internet radio station owner", text_frame},
    {"TSIZ", "TSI", "Size (bytes)", text_frame},
    {"TSOA", "", "Album sort order", text_frame},
    {"TSOP", "", "Performer sort order", text_frame},
    {"TSOT", "", "Title sort order", text_frame},
    {"TSRC", "TRC", "International standard recording code", text_frame},
    {"TSSE", "TSS", "Software/hardware and settings used for encoding", text_frame},
    {"TSST", "", "Set subtitle", text_frame},
    {"TYER", "TYE", "Year (yyyy)", text_frame},
    {"TXXX", "TXX", "User defined text information", user_text},
    {"UFID", "UFI", "Unique file identifier", generic_frame},
    {"USER", "", "Terms of use", generic_frame},
    {"USLT", "ULT", "Unsynchronised lyric/text transcription", lyrics_frame},
    {"WCOM", "WCM", "Commercial information", url_link},
    {"WCOP", "WCP", "Copyright/legal information", url_link},
    {"WOAF", "WAF", "Official audio file webpage", url_link},
    {"WOAR", "WAR", "Official artist/performer webpage", url_link},
    {"WOAS", "WAS", "Official audio source webpage", url_link},
    {"WORS", "", "Official internet radio station homepage", url_link},
    {"WPAY", "", "Payment", url_link},
    {"WPUB", "WPB", "Publishers official webpage", url_link},
    {"WXXX", "WXX", "User defined URL link", user_url},
    {"", "CRM", "Encrypted meta frame", generic_frame},
    {"", "TCT", "Podcast Category", text_frame},
    {"", "TKW", "Podcast Keywords", text_frame},
    {"", "TDS", "Podcast Description", text_frame},
    {"", "TID", "Podcast Post URL", text_frame},
    {"", "WFD", "Podcast Feed URL", text_frame},
    {"", "PCS", "Podcast Unknown", generic_frame},
};

const ID3v2_frame_type kUnknownFrame = {"", "", "Unknown frame type", generic_frame};

const ID3v2_frame_type* find_type(const char* id) {
  return find_row(ID3v2_frames, [id](const ID3v2_frame_type& f) { return f.id[0] != 0 && strcmp(id, f.id) == 0; });
}

const ID3v2_frame_type* find_type2(const char* id) {
  return find_row(ID3v2_frames, [id](const ID3v2_frame_type& f) { return f.id2[0] != 0 && strcmp(id, f.id2) == 0; });
}

void generic_frame(Report& r, const Source& content, int /*major*/) {
  const uint8_t* c = content.block;
  const int64_t n = content.limit;
  r.outf("Length: %lld bytes\n", static_cast<long long>(n));
  r.num(0, "content_length", n);
  if (r.verbose > 1) {
    r.printi();
    r.outs("\t\t");
    ext_hex(r, n, c, 2, "content");
    r.outc('\n');
  }
}

namespace {

// Undoes unsynchronisation in place: every 0x00 that followed a 0xFF is
// dropped. When `dropped` is given, it gets, in order, the position in the
// result before which each such byte stood (a tag is under 2^28 bytes).
void resync(std::vector<uint8_t>& bytes, std::vector<uint32_t>* dropped) {
  size_t kept = 0;
  bool follows_ff = false;
  for (uint8_t x : bytes) {
    if (follows_ff && x == 0) {
      if (dropped != nullptr) dropped->push_back(static_cast<uint32_t>(kept));
      follows_ff = false;
      continue;
    }
    follows_ff = (x == 0xFF);
    bytes[kept++] = x;
  }
  bytes.resize(kept);
}

// Where the body of a tag (extended header, frames, padding) is read from:
// the file itself, or the tag's stored bytes with unsynchronisation undone,
// held in memory (whose source maps its positions to the stored ones). The
// tag's sizes count stored bytes.
struct TagBody {
  Report& r;
  Source& src;
  int64_t start;  // the position of the body's first byte

  const std::vector<uint32_t>* dropped() const { return src.dropped; }

  // Stored bytes consumed so far. A dropped byte counts once the byte after
  // it has been read.
  int64_t walked() const {
    int64_t n = src.tell() - start;
    if (dropped() != nullptr) n += std::lower_bound(dropped()->begin(), dropped()->end(), n) - dropped()->begin();
    return n;
  }
  // True when a dropped byte stands right at the position: the next read
  // takes one stored byte more than it returns.
  bool zero_pending() const {
    return dropped() != nullptr && std::binary_search(dropped()->begin(), dropped()->end(), src.tell() - start);
  }

  // After a failed read: reports where the body ended inside `item`, at the
  // offset the file holds that byte at.
  void ended_inside(const std::string& item) const {
    const Shortfall& s = src.shortfall;
    if (dropped() == nullptr) return src.ended_inside(item.c_str());
    if (s.missing <= 0) return;
    const int64_t stored = src.start + s.at + (std::upper_bound(dropped()->begin(), dropped()->end(), s.at) - dropped()->begin());
    report_end(*src.parent, src.name, item.c_str(), stored, static_cast<uint64_t>(s.missing));
  }
};

// The frame's line up to its content: identifier, description, size and
// (ID3v2.3 and ID3v2.4) the two flag bytes.
void frame_head(Report& r, const uint8_t* h, int major, const ID3v2_frame_type& type, int64_t size) {
  r.printi();
  r.outc('\t');
  put_field(r, h, 4, "id");
  r.outc(' ');
  if (r.verbose > 0) r.outf("[%s] ", type.description);
  if (r.verbose > 1) r.outf("Length: %lld, ", static_cast<long long>(size));
  if (major != 2 && r.verbose > 0) {
    r.outs("Flags: ");
    put_hex(r, 2, h + 8);
    r.outs(", ");
  }
  r.str(1, "frame_type", type.description);
  r.num(2, "size", size);
  if (major != 2) r.num(1, "flags", word16(h + 8));
}

// The extended header in the ID3v2.4 layout: a syncsafe size, the number of
// flag bytes, the flags, and a length-prefixed data block per set flag.
bool ext_head(Report& r, Source& src) {
  Item item(r, "extended header", src, src.tell());
  r.printi();
  r.outs("ID3 Extended header");
  uint8_t h[6];
  if (!src.read(h, 6)) return false;
  int flags = h[5];
  if (r.verbose > 0) {
    r.outs(", Flags: ");
    put_hex(r, 1, h + 5);
  }
  if (r.verbose > 1) r.outf(", Length: %d", syncsafe(h));
  r.outc('\n');
  r.num(1, "flags", flags);
  r.num(2, "size", syncsafe(h));
  // Each set flag from bit 6 down to bit 0 (flags 2 to 8) has a data block
  // of its own, led by its length.
  for (int bit = 6; bit >= 0; --bit) {
    if ((flags & (1 << bit)) == 0) continue;
    Item data(r, "flag data", src, src.tell());
    uint8_t len;
    if (!src.read(&len, 1)) return false;
    if (r.verbose > 0) {
      r.printi();
      r.outf("Flag %d, Length %d", 8 - bit, len);
    }
    r.num(1, "flag", 8 - bit);
    r.num(1, "data_length", len);
    uint8_t data_bytes[255];
    if (!src.read(data_bytes, len)) return false;
    if (r.verbose > 1) ext_hex(r, len, data_bytes, 0, "data");
    if (r.verbose > 0) r.outc('\n');
  }
  return true;
}

// The extended header in the ID3v2.3 layout: a size that excludes itself,
// 2 flag bytes, the padding size and, when flagged, a CRC. `room` is what is
// left of the tag's stored bytes (unbounded when the source ends with the
// tag): a size past it is cut by the tag's end.
bool ext_head3(Report& r, Source& src, int64_t room) {
  const int64_t at = src.tell();
  Item item(r, "extended header", src, at);
  r.printi();
  r.outs("ID3 Extended header");
  uint8_t h[14];
  if (!src.read(h, 10)) return false;
  const uint32_t size = be32(h);
  bool crc = (h[4] & 0x80) != 0;
  if (r.verbose > 0) {
    r.outs(", Flags: ");
    put_hex(r, 2, h + 4);
  }
  if (r.verbose > 1) r.outf(", Length: %u", size);
  r.outc('\n');
  r.num(1, "flags", word16(h + 4));
  r.num(2, "size", size);
  r.num(2, "padding_size", be32(h + 6));
  int64_t got = 10;
  if (crc) {
    if (!src.read(h + 10, 4)) return false;
    got += 4;
    r.hex(2, "crc", h + 10, 4);
  }
  if (r.verbose > 1) {
    r.printi();
    r.outf("\tPadding size: %u", be32(h + 6));
    if (crc) {
      r.outs(", CRC: ");
      put_hex(r, 4, h + 10);
    }
    r.outc('\n');
  }
  // A size that claims more than these fields: the rest belongs to the
  // extended header as well and is passed over, as far as the tag holds it.
  const int64_t claimed = 4 + int64_t{size};
  const int64_t within = std::min(claimed, room);
  if (!src.pass(within - got)) {
    src.shortfall.missing += claimed - within;  // the file ended first: all it claims is missing
    return false;
  }
  if (claimed > within) {  // the tag ends first
    report_end(src, "Tag", "ID3 Extended header", at + room, static_cast<uint64_t>(claimed - room));
    src.shortfall = Shortfall{};  // said: the caller has nothing to add
    return false;
  }
  return true;
}

// The extended header and the frames of a tag body. False when a read
// failed.
bool tag_frames(TagBody& body, uint8_t* sig, int64_t tag_size, bool tag_unsync) {
  Report& r = body.r;
  const int major = sig[3];
  const int64_t room = body.dropped() != nullptr ? kNoLimit : tag_size;
  if ((sig[5] & 0x40) != 0 && !(major == 3 ? ext_head3(r, body.src, room) : ext_head(r, body.src))) {
    body.ended_inside("ID3 Extended header");
    return false;
  }
  if (major < 2 || major > 4) {
    r.printi();
    r.outf("Unsupported ID3v2.%d tag\n", major);
    r.flag(0, "supported", false);
    return true;
  }
  const int64_t header_size = (major == 2) ? 6 : 10;
  std::vector<uint8_t> content;
  std::vector<uint32_t> dropped;
  while (body.walked() < tag_size) {
    // A frame header is read only when it fits in the rest of the body; a
    // shorter rest is padding.
    if (tag_size - body.walked() < header_size + (body.zero_pending() ? 1 : 0)) break;
    const int64_t at = body.src.tell();
    if (!body.src.read(sig, header_size)) {
      body.ended_inside("frame header");
      return false;
    }
    if (sig[0] == 0) break;  // the frames have ended: the rest is padding

    int64_t size;
    const ID3v2_frame_type* type;
    if (major == 2) {
      size = word24(sig + 3);
      sig[3] = 0;
      type = find_type2(reinterpret_cast<const char*>(sig));
    } else {
      size = (major == 3) ? be32(sig + 4) : syncsafe(sig + 4);
      sig[4] = 0;
      type = find_type(reinterpret_cast<const char*>(sig));
    }
    if (type == nullptr) type = &kUnknownFrame;
    Item frame(r, std::string(reinterpret_cast<const char*>(sig)) + " frame", body.src, at);
    frame_head(r, sig, major, *type, size);

    const int64_t content_at = body.src.tell();
    if (!body.src.body(content, size)) {
      body.ended_inside(escaped(r, reinterpret_cast<const char*>(sig)) + " frame");
      return false;
    }
    frame.length = body.src.tell() - at;
    Source whole = body.src.held(content.data(), static_cast<int64_t>(content.size()), content_at);
    size_t start = 0;
    if (major == 4) {
      // The size counts the stored bytes. Unsynchronisation (tag-wide or
      // the frame's own flag) is undone on them, and a data length
      // indicator leads the content.
      if (tag_unsync || (sig[9] & 0x02) != 0) {
        dropped.clear();
        resync(content, &dropped);
        whole = body.src.held(content.data(), static_cast<int64_t>(content.size()), content_at);
        whole.dropped = &dropped;
      }
      if ((sig[9] & 0x01) != 0) start = std::min<size_t>(content.size(), 4);
    }
    const Source held = whole.held(content.data() + start, static_cast<int64_t>(content.size() - start),
                                   static_cast<int64_t>(start));
    type->print(r, held, major);
  }
  return true;
}

}  // namespace

bool ID3v2_tag(Report& r, Source& src, uint8_t* sig, int64_t at) {
  Item tag(r, "ID3v2 tag", src, at);
  if (!src.read(sig + 4, 6)) {
    src.ended_inside("ID3v2 tag");
    return false;
  }
  const int major = sig[3];
  const int64_t tag_size = syncsafe(sig + 6);

  r.printi();
  r.outf("ID3v2.%d tag", major);
  if (r.verbose > 0) {
    r.outf(", Revision: %u, Flags: ", sig[4]);
    put_hex(r, 1, sig + 5);
  }
  if (r.verbose > 1) r.outf(", Length: %lld", static_cast<long long>(tag_size));
  r.outc('\n');
  r.num(0, "version", major);
  r.num(1, "revision", sig[4]);
  r.num(1, "flags", sig[5]);
  r.num(2, "size", tag_size);

  const bool tag_unsync = (sig[5] & 0x80) != 0;
  const bool has_footer = (sig[5] & 0x10) != 0;
  const int64_t body_start = src.tell();
  int64_t walked;
  if (tag_unsync && major != 4) {
    // Unsynchronised as a whole (ID3v2.4 does it frame by frame, above):
    // the stored bytes are read at once and walked with the scheme undone.
    Source stored = src.sub(tag_size);
    std::vector<uint8_t> bytes;
    stored.read_upto(bytes, tag_size);
    const int64_t held = static_cast<int64_t>(bytes.size());
    std::vector<uint32_t> dropped;
    resync(bytes, &dropped);
    Source undone = Source::of_memory(bytes.data(), static_cast<int64_t>(bytes.size()), &r);
    undone.parent = &src;
    undone.start = body_start;
    undone.dropped = &dropped;
    // Where the bytes held end: at the tag's end, or where the file (or the
    // member holding it) ended.
    undone.name = held == tag_size ? "Tag" : src.end_name(held);
    TagBody body{r, undone, 0};
    bool ok = tag_frames(body, sig, tag_size, tag_unsync);
    walked = body.walked();
    if (!ok) {
      src.took(walked);
      return false;
    }
    src.took(held);
  } else {
    TagBody body{r, src, src.tell()};
    if (!tag_frames(body, sig, tag_size, tag_unsync)) return false;
    walked = body.walked();
  }

  // Frames that ran past the tag size leave a negative padding: it is shown,
  // and nothing is skipped.
  const int64_t padding = tag_size - walked;
  if (r.verbose > 1) {
    r.printi();
    r.outf("\tID3v2 tag padding %lld bytes\n", static_cast<long long>(padding));
  }
  r.num(2, "padding", padding);
  // What is left of the tag body: the padding, or of an unsynchronised tag
  // what the source did not hold. Where the source that holds the tag (a
  // WAV or AIFF chunk, an archive member) ends first, the tag is cut there.
  const int64_t rest = body_start + tag_size - src.tell();
  if (src.bounded() && rest > src.limit - src.tell()) {
    const int64_t room = src.limit - src.tell();
    if (!src.pass(room)) {
      src.shortfall.missing += rest - room;  // the file ended first: all the tag claims is missing
      src.ended_inside("ID3v2 tag");
    } else {
      report_end(src, src.name, "ID3v2 tag", src.limit, static_cast<uint64_t>(rest - room));
    }
    return false;
  }
  src.skip(rest);

  if (has_footer) {
    Item footer(r, "ID3v2 footer", src, src.tell(), 10);
    if (!src.read(sig, 10)) {
      src.ended_inside("ID3v2 footer");
      return false;
    }
    r.printi();
    r.outf("ID3v2.%d footer", sig[3]);
    if (r.verbose > 0) {
      r.outf(", Revision: %u, Flags: ", sig[4]);
      put_hex(r, 1, sig + 5);
    }
    if (r.verbose > 1) r.outf(", Length: %d", syncsafe(sig + 6));
    r.outc('\n');
    r.num(0, "version", sig[3]);
    r.num(1, "revision", sig[4]);
    r.num(1, "flags", sig[5]);
    r.num(2, "size", syncsafe(sig + 6));
  }
  tag.length = src.tell() - at;
  return true;
}

void id3_file(Report& r, Source& src) {
  uint8_t sig[10];
  if (!src.read(sig, 4)) {
    src.ended_inside("ID3v2 tag", true);
    return;
  }
  if (memcmp(sig, "ID3", 3) != 0) {
    r.error_line("Not an ID3v2 tag");
    return;
  }
  ID3v2_tag(r, src, sig, 0);
}

}  // namespace tagdelve
