#include "mp3/id3v2.h"

#include <cstring>
#include <vector>

#include "common/decode.h"
#include "common/output.h"
#include "common/printers.h"
#include "mp3/id3v2_content.h"

namespace tagdelve {

// A kind code is the number under which the ID3v2.4.0 frames document
// describes the frame, written without dots (4.2.1 gives 4021); 23 marks
// frames that exist only up to ID3v2.3, 2420 the ID3v2.2 frame CRM, 5 RGAD
// and 0 the podcast frame PCS.
const ID3v2_frame_type ID3v2_frames[101] = {
    {"AENC", "CRA", "Audio encryption", 419},
    {"APIC", "PIC", "Attached picture", 414},
    {"ASPI", "", "Audio seek point index", 430},
    {"COMM", "COM", "Comments", 410},
    {"COMR", "", "Commercial", 424},
    {"ENCR", "", "Encryption method registration", 425},
    {"EQUA", "EQU", "Equalisation", 23},
    {"EQU2", "", "Equalisation (2)", 412},
    {"ETCO", "ETC", "Event timing codes", 405},
    {"GEOB", "GEO", "General encapsulated object", 415},
    {"GRID", "", "Group identification registration", 426},
    {"IPLS", "IPL", "Involved people list", 23},
    {"LINK", "LNK", "Linked information", 420},
    {"MCDI", "MCI", "Music CD identifier", 404},
    {"MLLT", "MLL", "MPEG location lookup table", 406},
    {"OWNE", "", "Ownership", 423},
    {"PRIV", "", "Private", 427},
    {"PCNT", "CNT", "Play counter", 416},
    {"POPM", "POP", "Popularimeter", 417},
    {"POSS", "", "Position synchronisation", 421},
    {"RGAD", "", "Replay gain adjustment", 5},
    {"RBUF", "BUF", "Recommended buffer size", 418},
    {"RVAD", "RVA", "Relative volume adjustment", 23},
    {"RVA2", "", "Relative volume adjustment (2)", 411},
    {"RVRB", "REV", "Reverb", 413},
    {"SEEK", "", "Seek", 429},
    {"SIGN", "", "Signature", 428},
    {"SYLT", "SLT", "Synchronised lyric/text", 409},
    {"SYTC", "STC", "Synchronised tempo codes", 407},
    {"TALB", "TAL", "Album/movie/show title", 4021},
    {"TBPM", "TBP", "Beats per minute", 4023},
    {"TCOM", "TCM", "Composer(s)", 4022},
    {"TCON", "TCO", "Content type", 4023},
    {"TCOP", "TCR", "Copyright message", 4024},
    {"TDAT", "TDA", "Date (ddmm)", 4021},
    {"TDEN", "", "Encoding time", 4025},
    {"TDLY", "TDY", "Playlist delay", 4025},
    {"TDOR", "", "Original release time", 4025},
    {"TDRC", "TDR", "Recording time", 4025},
    {"TDRL", "", "Release time", 4025},
    {"TDTG", "", "Tagging time", 4025},
    {"TENC", "TEN", "Encoded by", 4022},
    {"TEXT", "TXT", "Lyricist(s)/text writer(s)", 4022},
    {"TFLT", "TFT", "File type", 4023},
    {"TIPL", "", "Involved people", 4022},
    {"TIME", "TIM", "Time (hhmm)", 4021},
    {"TIT1", "TT1", "Content group description", 4021},
    {"TIT2", "TT2", "Title/songname/content description", 4021},
    {"TIT3", "TT3", "Subtitle/description refinement", 4021},
    {"TKEY", "TKE", "Initial key", 4023},
    {"TLAN", "TLA", "Language(s)", 4023},
    {"TLEN", "TLE", "Length (ms)", 4023},
    {"TMCL", "", "Musician credits", 4022},
    {"TMED", "TMT", "Media type", 4023},
    {"TMOO", "", "Mood", 4023},
    {"TOAL", "TOT", "Original album/movie/show title", 4021},
    {"TOFN", "TOF", "Original fIle name", 4025},
    {"TOLY", "TOL", "Original lyricist(s)/text writer(s)", 4022},
    {"TOPE", "TOA", "Original artist(s)/performers(s)", 4022},
    {"TORY", "TOR", "Original release year", 4021},
    {"TOWN", "", "File owner/licencee", 4024},
    {"TPE1", "TP1", "Lead performers(s)/soloist(s)", 4022},
    {"TPE2", "TP2", "Band/orchestra/accompaniment", 4022},
    {"TPE3", "TP3", "Conductor(s)/performer refinement", 4022},
    {"TPE4", "TP4", "Interpreted, remixed or otherwise modified by", 4022},
    {"TPOS", "TPA", "Part of a set", 4021},
    {"TPRO", "", "Produced notice", 4024},
    {"TPUB", "TPB", "Publisher", 4024},
    {"TRCK", "TRK", "Track number/position in set", 4021},
    {"TRDA", "TRD", "Recording date", 4021},
    {"TRSN", "", "Internet radio station name", 4024},
    {"TRSO", "", "Internet radio station owner", 4024},
    {"TSIZ", "TSI", "Size (bytes)", 4021},
    {"TSOA", "", "Album sort order", 4025},
    {"TSOP", "", "Performer sort order", 4025},
    {"TSOT", "", "Title sort order", 4025},
    {"TSRC", "TRC", "International standard recording code", 4021},
    {"TSSE", "TSS", "Software/hardware and settings used for encoding", 4025},
    {"TSST", "", "Set subtitle", 4021},
    {"TYER", "TYE", "Year (yyyy)", 4021},
    {"TXXX", "TXX", "User defined text information", 4026},
    {"UFID", "UFI", "Unique file identifier", 401},
    {"USER", "", "Terms of use", 422},
    {"USLT", "ULT", "Unsynchronised lyric/text transcription", 408},
    {"WCOM", "WCM", "Commercial information", 4031},
    {"WCOP", "WCP", "Copyright/legal information", 4031},
    {"WOAF", "WAF", "Official audio file webpage", 4031},
    {"WOAR", "WAR", "Official artist/performer webpage", 4031},
    {"WOAS", "WAS", "Official audio source webpage", 4031},
    {"WORS", "", "Official internet radio station homepage", 4031},
    {"WPAY", "", "Payment", 4031},
    {"WPUB", "WPB", "Publishers official webpage", 4031},
    {"WXXX", "WXX", "User defined URL link", 4032},
    {"", "CRM", "Encrypted meta frame", 2420},
    {"", "TCT", "Podcast Category", 4024},
    {"", "TKW", "Podcast Keywords", 4024},
    {"", "TDS", "Podcast Description", 4024},
    {"", "TID", "Podcast Post URL", 4024},
    {"", "WFD", "Podcast Feed URL", 4024},
    {"", "PCS", "Podcast Unknown", 0},
    {"", "", "Unknown frame type", -1},
};

int find_type(const char* id) {
  int i = 0;
  for (; ID3v2_frames[i].kind != -1; ++i)
    if (ID3v2_frames[i].id[0] != 0 && strcmp(id, ID3v2_frames[i].id) == 0) return i;
  return i;
}

int find_type2(const char* id) {
  int i = 0;
  for (; ID3v2_frames[i].kind != -1; ++i)
    if (ID3v2_frames[i].id2[0] != 0 && strcmp(id, ID3v2_frames[i].id2) == 0) return i;
  return i;
}

void generic_frame(const uint8_t* c, int64_t n) {
  outf("Length: %lld bytes\n", static_cast<long long>(n));
  if (verbose > 1) {
    printi();
    outs("\t\t");
    ext_hex(n, c, 2);
    outc('\n');
  }
}

void ID3v2_content(int32_t kind, int major, uint8_t* c, int64_t n) {
  // The kinds whose content is decoded; every other kind, the unknown
  // frame's -1 included, is dumped.
  switch (kind) {
    case 4021:
    case 4022:
    case 4023:
    case 4024:
    case 4025:
      text_frame(c, n);
      break;
    case 4026:
      user_text(c, n, false);
      break;
    case 4031:
      url_link(c, n);
      break;
    case 4032:
      user_text(c, n, true);
      break;
    case 408:
      lyrics_frame(c, n);
      break;
    case 410:
      comment_frame(c, n);
      break;
    case 414:
      attached_picture(major, c, n);
      break;
    case 415:
      encapsulated_object(c, n);
      break;
    case 427:
      private_frame(c, n);
      break;
    case 5:
      replay_gain(c, n);
      break;
    default:
      generic_frame(c, n);
      break;
  }
}

namespace {

// Ends the walk of a tag. No later read may undo unsynchronisation, nor
// carry a count of dropped bytes into the offsets of another tag.
int end_tag(int result) {
  unsync = 0;
  ulost = 0;
  return result;
}

// The bytes that the reader dropped under unsynchronisation were consumed
// from the source: they count in the running offset and in the tag body.
void take_lost(int64_t& offset, int64_t& walked) {
  offset += ulost;
  walked += ulost;
  ulost = 0;
}

// True when the last byte read under unsynchronisation was 0xFF, so that
// the next stored byte, the 0x00 that follows it, will be dropped.
bool zero_pending(const Stream* stream) {
  return stream != nullptr && unsync != 0 && stream->after_ff;
}

// Undoes unsynchronisation in memory: every 0x00 that follows a 0xFF goes.
void resync(std::vector<uint8_t>& b) {
  size_t to = 0;
  bool after_ff = false;
  for (uint8_t x : b) {
    if (after_ff && x == 0) {
      after_ff = false;
      continue;
    }
    after_ff = (x == 0xFF);
    b[to++] = x;
  }
  b.resize(to);
}

// The frame's line up to its content: identifier, description, size and
// (ID3v2.3 and ID3v2.4) the two flag bytes.
void frame_head(const uint8_t* h, int major, int row, int64_t size) {
  printi();
  outf("\t%s ", reinterpret_cast<const char*>(h));
  if (verbose > 0) outf("[%s] ", ID3v2_frames[row].description);
  if (verbose > 1) outf("Length: %lld, ", static_cast<long long>(size));
  if (major != 2 && verbose > 0) {
    outs("Flags: ");
    put_hex(2, h + 8);
    outs(", ");
  }
}

}  // namespace

int ID3_ext_head(Stream* stream, const uint8_t* block, int64_t& offset, int64_t limit) {
  printi();
  outs("ID3 Extended header");
  uint8_t h[6];
  if (vfgetm(h, 6, stream, block, offset, limit) < 0) return 0;
  offset += 6;
  int flags = h[5];
  if (verbose > 0) {
    outs(", Flags: ");
    put_hex(1, h + 5);
  }
  if (verbose > 1) outf(", Length: %d", syncsafe(h));
  outc('\n');
  // Each set flag from bit 6 down to bit 0 (flags 2 to 8) has a data block
  // of its own, led by its length.
  for (int bit = 6; bit >= 0; --bit) {
    if ((flags & (1 << bit)) == 0) continue;
    uint8_t len;
    if (vfgetm(&len, 1, stream, block, offset, limit) < 0) return 0;
    offset += 1;
    if (verbose > 0) {
      printi();
      outf("Flag %d, Length %d", 8 - bit, len);
    }
    uint8_t data[255];
    if (vfgetm(data, len, stream, block, offset, limit) < 0) return 0;
    offset += len;
    if (verbose > 1) ext_hex(len, data, 0);
    if (verbose > 0) outc('\n');
  }
  return 1;
}

int ID3_ext_head3(Stream* stream, const uint8_t* block, int64_t& offset, int64_t limit) {
  printi();
  outs("ID3 Extended header");
  uint8_t h[14];
  // The offset takes in the bytes dropped by unsynchronisation after each
  // read, so that every read is checked against the limit where the
  // stored bytes stand.
  auto read = [&](uint8_t* dest, int64_t n) {
    if (vfgetm(dest, n, stream, block, offset, limit) < 0) return false;
    offset += n + ulost;
    ulost = 0;
    return true;
  };
  if (!read(h, 10)) return 0;
  int32_t size = word32(h);
  bool crc = (h[4] & 0x80) != 0;
  if (verbose > 0) {
    outs(", Flags: ");
    put_hex(2, h + 4);
  }
  if (verbose > 1) outf(", Length: %d", size);
  outc('\n');
  int64_t got = 10;
  if (crc) {
    if (!read(h + 10, 4)) return 0;
    got += 4;
  }
  if (verbose > 1) {
    printi();
    outf("\tPadding size: %d", word32(h + 6));
    if (crc) {
      outs(", CRC: ");
      put_hex(4, h + 10);
    }
    outc('\n');
  }
  // A size that claims more than these fields: the rest belongs to the
  // extended header as well and is passed over.
  // It is read (not skipped) so that unsynchronisation is undone in it, a
  // piece at a time so that nothing of its claimed size is allocated.
  int64_t extra = 4 + int64_t{size} - got;
  uint8_t piece[512];
  while (extra > 0) {
    int64_t n = extra < 512 ? extra : 512;
    if (!read(piece, n)) return 0;
    extra -= n;
  }
  return 1;
}

int ID3v2_tag(Stream* stream, const uint8_t* block, uint8_t* sig, int64_t& offset, int64_t limit) {
  if (vfgetm(sig + 4, 6, stream, block, offset, limit) < 0) return end_tag(0);
  offset += 6;
  const int major = sig[3];
  const int64_t tag_size = syncsafe(sig + 6);

  printi();
  outf("ID3v2.%d tag", major);
  if (verbose > 0) {
    outf(", Revision: %u, Flags: ", sig[4]);
    put_hex(1, sig + 5);
  }
  if (verbose > 1) outf(", Length: %lld", static_cast<long long>(tag_size));
  outc('\n');

  const bool tag_unsync = (sig[5] & 0x80) != 0;
  const bool has_ext = (sig[5] & 0x40) != 0;
  const bool has_footer = (sig[5] & 0x10) != 0;
  // ID3v2.4 unsynchronises frame by frame, in memory (below); the other
  // versions have the reader undo it over the whole tag body, in which the
  // sizes count the bytes after it is undone.
  unsync = (tag_unsync && major != 4) ? 1 : 0;
  ulost = 0;

  // The bytes of the tag body consumed so far, in stored bytes.
  int64_t walked = 0;
  if (has_ext) {
    int64_t start = offset;
    int ok = (major == 3) ? ID3_ext_head3(stream, block, offset, limit)
                          : ID3_ext_head(stream, block, offset, limit);
    if (!ok) return end_tag(0);
    walked = offset - start;
    take_lost(offset, walked);
  }

  if (major < 2 || major > 4) {
    printi();
    outf("Unsupported ID3v2.%d tag\n", major);
  } else {
    const int64_t header_size = (major == 2) ? 6 : 10;
    std::vector<uint8_t> body;
    while (walked < tag_size) {
      // A frame header is read only when it fits in the rest of the body
      // (with the 0x00 that the reader will drop after a 0xFF); a shorter
      // rest is padding.
      if (tag_size - walked < header_size + (zero_pending(stream) ? 1 : 0)) break;
      if (vfgetm(sig, header_size, stream, block, offset, limit) < 0) return end_tag(0);
      offset += header_size;
      walked += header_size;
      take_lost(offset, walked);
      if (sig[0] == 0) break;  // the frames have ended: the rest is padding

      int64_t size;
      int row;
      if (major == 2) {
        size = word24(sig + 3);
        sig[3] = 0;
        row = find_type2(reinterpret_cast<const char*>(sig));
      } else {
        size = (major == 3) ? word32(sig + 4) : syncsafe(sig + 4);
        sig[4] = 0;
        row = find_type(reinterpret_cast<const char*>(sig));
      }
      frame_head(sig, major, row, size);

      if (vfget_body(body, size, stream, block, offset, limit) < 0) return end_tag(0);
      offset += size;
      walked += size;
      take_lost(offset, walked);
      size_t start = 0;
      if (major == 4) {
        // The size counts the stored bytes. Unsynchronisation (tag-wide or
        // the frame's own flag) is undone on them, and a data length
        // indicator leads the content.
        if (tag_unsync || (sig[9] & 0x02) != 0) resync(body);
        if ((sig[9] & 0x01) != 0) start = body.size() < 4 ? body.size() : 4;
      }
      ID3v2_content(ID3v2_frames[row].kind, major, body.data() + start,
                    static_cast<int64_t>(body.size() - start));
    }
  }

  // Frames that ran past the tag size leave a negative padding: it is shown,
  // and nothing is skipped.
  int64_t padding = tag_size - walked;
  if (verbose > 1) {
    printi();
    outf("\tID3v2 tag padding %lld bytes\n", static_cast<long long>(padding));
  }
  if (padding > 0) {
    vfdump(padding, stream, block, offset, limit);
    offset += padding;
  }

  unsync = 0;  // a footer is never unsynchronised
  if (has_footer) {
    if (vfgetm(sig, 10, stream, block, offset, limit) < 0) return end_tag(0);
    offset += 10;
    printi();
    outf("ID3v2.%d footer", sig[3]);
    if (verbose > 0) {
      outf(", Revision: %u, Flags: ", sig[4]);
      put_hex(1, sig + 5);
    }
    if (verbose > 1) outf(", Length: %d", syncsafe(sig + 6));
    outc('\n');
  }
  return end_tag(1);
}

}  // namespace tagdelve
