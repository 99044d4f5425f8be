#include "tar/tar.h"

#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "common/printers.h"

namespace tagdelve {

const char* const tar_file_type[7] = {
    "Normal", "Hard link", "Symbolic link", "Character special", "Block special", "Directory", "FIFO",
};

namespace {

constexpr int64_t kBlock = 512;

// Header fields of the ustar layout: offset and width.
struct Field {
  int at, width;
};
constexpr Field kName{0, 100}, kMode{100, 8}, kUid{108, 8}, kGid{116, 8}, kSize{124, 12},
    kMtime{136, 12}, kChksum{148, 8}, kLinkname{157, 100}, kMagic{257, 6}, kUname{265, 32},
    kGname{297, 32}, kDevmajor{329, 8}, kDevminor{337, 8}, kPrefix{345, 155};
constexpr int kTypeflag = 156, kVersion = 263;

// A text field up to its first 0 byte, never past its own width.
std::string field_text(const uint8_t* hdr, Field f) {
  return std::string(reinterpret_cast<const char*>(hdr + f.at), field_length(hdr + f.at, static_cast<size_t>(f.width)));
}
void text(Report& r, const uint8_t* hdr, Field f, const char* name = nullptr) {
  put_field(r, hdr + f.at, static_cast<size_t>(f.width), name);
}

// Base-256: the first byte 0x80 (or 0xFF for a negative number), then the
// value big-endian, as GNU tar writes numbers too large for their octal
// field (sizes of 8 GiB and more, large ids and times).
bool base256(const uint8_t* hdr, Field f) { return (hdr[f.at] & 0x80) != 0; }

// A numeric field as GNU tar reads it: base-256, or octal as strtol reads
// it (leading blanks, an optional sign, then octal digits up to the first
// other character; no digits give 0). A value past 64 bits is held at the
// largest.
int64_t number(const uint8_t* hdr, Field f) {
  const uint8_t* p = hdr + f.at;
  if (!base256(hdr, f))
    return strtoll(std::string(reinterpret_cast<const char*>(p), field_length(p, static_cast<size_t>(f.width))).c_str(),
                   nullptr, 8);
  const bool negative = (p[0] & 0x40) != 0;
  uint64_t v = negative ? (p[0] & 0x3F) ^ 0x3F : p[0] & 0x3F;  // a negative value as its complement
  for (int i = 1; i < f.width; ++i) {
    if (v >> 55 != 0) return negative ? std::numeric_limits<int64_t>::min() : std::numeric_limits<int64_t>::max();
    v = v << 8 | (negative ? p[i] ^ 0xFF : p[i]);
  }
  return negative ? -static_cast<int64_t>(v) - 1 : static_cast<int64_t>(v);
}

// The header's checksum: the sum of its bytes with the checksum field
// counted as blanks, which the field holds in octal. Some old writers summed
// signed bytes; either sum is taken.
bool checksum_right(const uint8_t* hdr) {
  int64_t sum = 0, signed_sum = 0;
  for (int i = 0; i < kBlock; ++i) {
    const uint8_t b = (i >= kChksum.at && i < kChksum.at + kChksum.width) ? ' ' : hdr[i];
    sum += b;
    signed_sum += static_cast<int8_t>(b);
  }
  const int64_t stored = number(hdr, kChksum);
  return stored == sum || stored == signed_sum;
}

const char* type_name(uint8_t flag) {
  if (flag == 0) return tar_file_type[0];
  if (flag >= '0' && flag <= '6') return tar_file_type[flag - '0'];
  switch (flag) {
    case '7': return "Contiguous file";
    case 'x': return "Extended header";
    case 'g': return "Global extended header";
    case 'L': return "Long name";
    case 'K': return "Long link name";
    default: return "Unknown";
  }
}

// Extended headers and long names describe what follows; they are not
// members themselves and are never handed to the dispatch.
bool archive_metadata(uint8_t flag) { return flag == 'x' || flag == 'g' || flag == 'L' || flag == 'K'; }

// Long names and extended headers are read only up to this size; a larger
// block is passed over.
constexpr int64_t kMaxLongName = 64 * 1024;

// The values of a pax extended header that stand for header fields.
struct Pax {
  bool has_path = false, has_linkpath = false, has_size = false, has_uid = false, has_gid = false,
       has_uname = false, has_gname = false, has_mtime = false;
  std::string path, linkpath, uname, gname;
  int64_t size = 0, uid = 0, gid = 0, mtime = 0;
};

// A decimal number of a pax record, all digits (a time may have a sign and a
// fraction, which is dropped); false when it is not one.
bool pax_number(const std::string& s, bool time, int64_t* v) {
  size_t i = time && !s.empty() && s[0] == '-' ? 1 : 0;
  const size_t digits = i;
  uint64_t n = 0;
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
    if (n > (std::numeric_limits<uint64_t>::max() >> 4)) return false;
    n = n * 10 + static_cast<uint64_t>(s[i] - '0');
  }
  if (i == digits || (i < s.size() && !(time && s[i] == '.')) || n > static_cast<uint64_t>(INT64_MAX)) return false;
  *v = digits == 1 ? -static_cast<int64_t>(n) : static_cast<int64_t>(n);
  return true;
}

// The records of a pax extended header, as GNU tar reads them: each is
// "<length> <keyword>=<value>\n", blanks or TABs before the length and
// after it, the length counting the whole record from its first blank. A
// record that is not so (no length, no blank after it, a length past the
// header, no '=' within it, no line end at its end) ends the list; the
// records before it stand. A value ends at a NUL byte; a later record of a
// keyword replaces an earlier one.
Pax pax_records(const uint8_t* p, size_t n) {
  Pax pax;
  for (size_t at = 0; at < n;) {
    size_t i = at;
    while (i < n && (p[i] == ' ' || p[i] == '\t')) ++i;
    if (i == n || p[i] < '0' || p[i] > '9') break;
    size_t len = 0;
    for (; i < n && p[i] >= '0' && p[i] <= '9'; ++i) {
      len = len * 10 + static_cast<size_t>(p[i] - '0');
      if (len > n - at) break;
    }
    if (len > n - at) break;
    const size_t next = at + len;
    size_t k = i;
    while (k < n && (p[k] == ' ' || p[k] == '\t')) ++k;
    if (k == i) break;
    size_t eq = k;
    while (eq < n && p[eq] != '=' && p[eq] != 0) ++eq;
    if (eq >= next || p[eq] != '=' || p[next - 1] != '\n') break;
    const std::string key(reinterpret_cast<const char*>(p + k), eq - k);
    const std::string value(reinterpret_cast<const char*>(p + eq + 1),
                            field_length(p + eq + 1, next - 1 - (eq + 1)));
    if (key == "path") {
      pax.path = value, pax.has_path = true;
    } else if (key == "linkpath") {
      pax.linkpath = value, pax.has_linkpath = true;
    } else if (key == "uname") {
      pax.uname = value, pax.has_uname = true;
    } else if (key == "gname") {
      pax.gname = value, pax.has_gname = true;
    } else if (key == "size") {
      pax.has_size = pax_number(value, false, &pax.size) || pax.has_size;
    } else if (key == "uid") {
      pax.has_uid = pax_number(value, false, &pax.uid) || pax.has_uid;
    } else if (key == "gid") {
      pax.has_gid = pax_number(value, false, &pax.gid) || pax.has_gid;
    } else if (key == "mtime") {
      pax.has_mtime = pax_number(value, true, &pax.mtime) || pax.has_mtime;
    }
    at = next;
  }
  return pax;
}

// What the blocks before a member say of it: the records of the last pax
// extended header ('x'), those of the last global one ('g', for every
// member after it), and the last GNU long name ('L') and long link name
// ('K'). An extended header's values win over a global one's, and both
// over a long-name block.
struct Pending {
  Pax local, global;
  bool has_long_name = false, has_long_link = false;
  std::string long_name, long_link;

  void clear_member() {
    local = Pax{};
    has_long_name = has_long_link = false;
  }
};

// A member's header as GNU tar reads it, with what the blocks before it say.
struct Member {
  std::string name;      // the full name: long name, pax path, or the ustar prefix and the name field
  std::string link;      // the full link name
  int64_t size, uid, gid, mtime;
  std::string uname, gname;
  bool pax_mtime;
};

int64_t chosen(bool local, int64_t lv, bool global, int64_t gv, int64_t fallback) {
  return local ? lv : global ? gv : fallback;
}

Member member_of(const uint8_t* hdr, const Pending& p, bool metadata) {
  Member m;
  std::string name = field_text(hdr, kName);
  // POSIX ustar ("ustar\0"): the prefix field holds the directories of a
  // name too long for the name field.
  if (memcmp(hdr + kMagic.at, "ustar\0", 6) == 0 && hdr[kPrefix.at] != 0) {
    std::string full = field_text(hdr, kPrefix);
    full += '/';
    full += name;
    name.swap(full);
  }
  std::string link = field_text(hdr, kLinkname);
  const Pax none;
  const Pax& local = metadata ? none : p.local;
  const Pax& global = metadata ? none : p.global;
  if (!metadata && p.has_long_name) name = p.long_name;
  if (!metadata && p.has_long_link) link = p.long_link;
  m.name = local.has_path ? local.path : global.has_path ? global.path : std::move(name);
  if (m.name.empty()) m.name.assign(1, '.');  // an empty long name, as tar names it
  m.link = local.has_linkpath ? local.linkpath : global.has_linkpath ? global.linkpath : std::move(link);
  m.size = chosen(local.has_size, local.size, global.has_size, global.size, number(hdr, kSize));
  m.uid = chosen(local.has_uid, local.uid, global.has_uid, global.uid, number(hdr, kUid));
  m.gid = chosen(local.has_gid, local.gid, global.has_gid, global.gid, number(hdr, kGid));
  m.mtime = chosen(local.has_mtime, local.mtime, global.has_mtime, global.mtime, number(hdr, kMtime));
  m.pax_mtime = local.has_mtime || global.has_mtime;
  m.uname = local.has_uname ? local.uname : global.has_uname ? global.uname : field_text(hdr, kUname);
  m.gname = local.has_gname ? local.gname : global.has_gname ? global.gname : field_text(hdr, kGname);
  return m;
}

// Prints the fields of a header block: the member's values as tar reads
// them, the raw fields at verbose > 0.
void header_lines(Report& r, const uint8_t* hdr, uint8_t flag, const Member& m) {
  r.printi();
  r.outs("File name: ");
  put_raw(r, m.name.data(), m.name.size(), "name");
  r.outc('\n');
  if (m.name != field_text(hdr, kName)) r.text(0, "stored_name", Enc::utf8, hdr + kName.at, field_length(hdr, kName.width));
  r.printi();
  r.outs("\tMode: ");
  text(r, hdr, kMode, "mode");
  r.outs(", UID: ");
  text(r, hdr, kUid);
  r.outf("(%lld), GID: ", static_cast<long long>(m.uid));
  text(r, hdr, kGid);
  r.outf("(%lld)\n", static_cast<long long>(m.gid));
  r.num(0, "uid", m.uid);
  r.num(0, "gid", m.gid);
  if (r.verbose > 0) {
    r.printi();
    r.outs("\tStated size: ");
    text(r, hdr, kSize, "stated_size");
    r.outs(", Modified: ");
    text(r, hdr, kMtime, "modified");
    // A time the field does not hold in octal: as tar reads it.
    if (base256(hdr, kMtime) || m.pax_mtime) r.outf("(%lld)", static_cast<long long>(m.mtime));
    r.outs(", Checksum: ");
    text(r, hdr, kChksum, "checksum");
    r.outs(", File type: ");
    put_raw(r, &flag, 1, "type_flag");
    r.outc('\n');
  }
  r.num(1, "mtime", m.mtime);
  r.printi();
  r.outf("\tSize: %lld, Type: %s", static_cast<long long>(m.size), type_name(flag));
  r.num(0, "size", m.size);
  r.str(0, "type", type_name(flag));
  if (flag == '1' || flag == '2') {
    r.outs(" to: ");
    put_raw(r, m.link.data(), m.link.size(), "link_name");
  }
  r.outc('\n');
  if (r.verbose > 0) {
    r.printi();
    r.outs("\tMagic: ");
    text(r, hdr, kMagic, "magic");
    r.outs(", Version: ");
    put_raw(r, hdr + kVersion, 2, "version");
    r.outc('\n');
  }
  if (memcmp(hdr + kMagic.at, "ustar", 5) == 0) {
    r.printi();
    r.outs("\tUser: ");
    put_raw(r, m.uname.data(), m.uname.size(), "user");
    r.outs(", Group: ");
    put_raw(r, m.gname.data(), m.gname.size(), "group");
    r.outc('\n');
    if (r.verbose > 0) {
      r.printi();
      r.outs("\tDevice major: ");
      text(r, hdr, kDevmajor, "device_major");
      r.outs(", Device minor: ");
      text(r, hdr, kDevminor, "device_minor");
      r.outs(", Filename prefix: ");
      text(r, hdr, kPrefix, "prefix");
      r.outc('\n');
    }
  }
}

// Reads the body of a long-name block or an extended header into what it
// says of the members after it. False when the source ends inside it.
bool metadata_body(Source& src, uint8_t flag, int64_t data, Pending& pending) {
  std::vector<uint8_t> body;
  if (!src.body(body, data)) {
    src.ended_inside("long name block");
    return false;
  }
  if (flag == 'x' || flag == 'g') {
    (flag == 'x' ? pending.local : pending.global) = pax_records(body.data(), body.size());
  } else {
    const std::string name(reinterpret_cast<const char*>(body.data()), field_length(body.data(), body.size()));
    if (flag == 'L') pending.long_name = name, pending.has_long_name = true;
    if (flag == 'K') pending.long_link = name, pending.has_long_link = true;
  }
  return true;
}

}  // namespace

Probe tar_probe(const uint8_t* p, int64_t n) {
  if (n < 512) return Probe::no;
  if (memcmp(p + 257, "ustar", 5) == 0) return Probe::strong;
  unsigned sum = 0;
  for (int i = 0; i < 512; ++i) sum += (i >= 148 && i < 156) ? ' ' : p[i];
  const std::string field(reinterpret_cast<const char*>(p + 148), 8);
  char* end = nullptr;
  const long stored = strtol(field.c_str(), &end, 8);
  return end != field.c_str() && stored == static_cast<long>(sum) ? Probe::strong : Probe::no;
}

void tar_file(Report& r, Source& src) {
  Item file(r, "TAR file", src, 0);
  r.printi();
  r.outs("TAR file start\n");
  uint8_t hdr[kBlock];
  Pending pending;
  bool lost = false;  // looking for a header after a block that was none
  for (;;) {
    const int64_t at = src.tell();
    if (!src.read(hdr, kBlock)) {
      src.ended_inside("header block", true);
      break;
    }
    if (hdr[0] == 0) {
      if (r.verbose > 1) {
        Item null_block(r, "null block", src, at, kBlock);
        r.printi();
        r.outf("Offset %lld, Null block\n", static_cast<long long>(at));
      }
      continue;
    }
    if (!checksum_right(hdr)) {
      // Member data or damage, not a header: the blocks after it are read
      // as headers until one is.
      if (!lost) {
        char text[96];
        snprintf(text, sizeof text, "Block at offset %lld is not a header (its checksum is wrong): looking for the next",
                 static_cast<long long>(at));
        r.error(text, &src, at);
      }
      lost = true;
      continue;
    }
    lost = false;
    Item item(r, "member", src, at);
    if (r.verbose > 1) {
      r.printi();
      r.outf("Offset %lld, File header block\n", static_cast<long long>(at));
    }
    const uint8_t flag = hdr[kTypeflag];
    const bool metadata = archive_metadata(flag);
    const Member m = member_of(hdr, pending, metadata);
    header_lines(r, hdr, flag, m);

    // The member's data: a directory stores none whatever its size field
    // says, and a negative size is taken as none.
    const int64_t data = (flag == '5' || m.size < 0) ? 0 : m.size;
    const int64_t stored = data == 0 ? 0 : (data - 1) / kBlock * kBlock + kBlock;
    if (r.verbose > 0) {
      r.printi();
      r.outf("\tStored size: %lld\n", static_cast<long long>(stored));
    }
    r.num(1, "stored_size", stored);
    r.num(2, "padding", stored - data);
    item.length = stored < INT64_MAX - kBlock ? kBlock + stored : -1;

    // Walk the member in place, then skip whatever its walker left unread,
    // so that the next header is read at the right block however the
    // member's walk ended.
    int64_t consumed = 0;
    if (!metadata) {
      pending.clear_member();
      // Within a limit (a nested archive, a memory block) the member gets no
      // more than the source still holds.
      Source data_source = src.sub(data);
      r.dispatch.member(r, m.name, data_source);
      consumed = data_source.consumed();
      src.took(consumed);
    } else if (data <= kMaxLongName && metadata_body(src, flag, data, pending)) {
      consumed = data;
    }
    const bool skipped = consumed >= data || src.skip(data - consumed);
    if (r.verbose > 1) {
      r.printi();
      r.outf("\ttar section padding %lld bytes\n", static_cast<long long>(stored - data));
    }
    if (skipped) src.skip(stored - data);
  }
  r.printi();
  r.outs("TAR file end\n");
  file.length = src.tell();
}

}  // namespace tagdelve
