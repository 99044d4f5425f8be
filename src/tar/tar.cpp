#include "tar/tar.h"

#include <cstdlib>
#include <cstring>
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
void text(Report& r, const uint8_t* hdr, Field f, const char* name = nullptr) {
  put_field(r, hdr + f.at, static_cast<size_t>(f.width), name);
}

// An octal field as strtol reads it: leading blanks, an optional sign, then
// octal digits up to the first other character; no digits give 0.
int64_t octal(const uint8_t* hdr, Field f) {
  const char* p = reinterpret_cast<const char*>(hdr + f.at);
  return strtoll(std::string(p, field_length(hdr + f.at, static_cast<size_t>(f.width))).c_str(), nullptr, 8);
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

// Extended headers and long names describe the next member; they are not
// members themselves and are never handed to the dispatch.
bool archive_metadata(uint8_t flag) { return flag == 'x' || flag == 'g' || flag == 'L' || flag == 'K'; }

// Long names are read only up to this size; a larger block is skipped.
constexpr int64_t kMaxLongName = 64 * 1024;

// The member name that a GNU long-name block ('L') or a pax extended header
// ('x', its last "path" record) gives the member that follows; empty if none.
std::string long_name(uint8_t flag, const std::vector<uint8_t>& body) {
  if (body.empty()) return std::string();
  const char* p = reinterpret_cast<const char*>(body.data());
  size_t n = body.size();
  if (flag == 'L') return std::string(p, field_length(body.data(), n));
  // pax records: "<length> <key>=<value>\n", the length counting the whole
  // record. A record that does not end with its line end ends the list; a
  // later record of the same key overrides an earlier one.
  std::string path;
  size_t at = 0;
  while (at < n) {
    size_t len = 0, i = at;
    while (i < n && p[i] >= '0' && p[i] <= '9' && len < n) len = len * 10 + static_cast<size_t>(p[i++] - '0');
    if (i >= n || p[i] != ' ' || len <= i - at + 1 || len > n - at || p[at + len - 1] != '\n') break;
    std::string record(p + i + 1, p + at + len - 1);  // without the line end
    if (record.compare(0, 5, "path=") == 0) path = record.substr(5);
    at += len;
  }
  return path;
}

// Prints the fields of a header block.
void header_lines(Report& r, const uint8_t* hdr, uint8_t flag, int64_t size) {
  r.printi();
  r.outs("File name: ");
  text(r, hdr, kName, "name");
  r.outc('\n');
  r.printi();
  r.outs("\tMode: ");
  text(r, hdr, kMode, "mode");
  r.outs(", UID: ");
  text(r, hdr, kUid);
  r.outf("(%lld), GID: ", static_cast<long long>(octal(hdr, kUid)));
  text(r, hdr, kGid);
  r.outf("(%lld)\n", static_cast<long long>(octal(hdr, kGid)));
  r.num(0, "uid", octal(hdr, kUid));
  r.num(0, "gid", octal(hdr, kGid));
  if (r.verbose > 0) {
    r.printi();
    r.outs("\tStated size: ");
    text(r, hdr, kSize, "stated_size");
    r.outs(", Modified: ");
    text(r, hdr, kMtime, "modified");
    r.outs(", Checksum: ");
    text(r, hdr, kChksum, "checksum");
    r.outs(", File type: ");
    put_raw(r, &flag, 1, "type_flag");
    r.outc('\n');
  }
  r.printi();
  r.outf("\tSize: %lld, Type: %s", static_cast<long long>(size), type_name(flag));
  r.num(0, "size", size);
  r.str(0, "type", type_name(flag));
  if (flag == '1' || flag == '2') {
    r.outs(" to: ");
    text(r, hdr, kLinkname, "link_name");
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
    text(r, hdr, kUname, "user");
    r.outs(", Group: ");
    text(r, hdr, kGname, "group");
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
  std::string pending_name;  // from a long-name block, for the next member
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
    Item member(r, "member", src, at);
    if (r.verbose > 1) {
      r.printi();
      r.outf("Offset %lld, File header block\n", static_cast<long long>(at));
    }
    const uint8_t flag = hdr[kTypeflag];
    const int64_t size = octal(hdr, kSize);
    header_lines(r, hdr, flag, size);

    // The member's data: a directory stores none whatever its size field
    // says, and a negative size is taken as none.
    const int64_t data = (flag == '5' || size < 0) ? 0 : size;
    const int64_t stored = data == 0 ? 0 : ((data - 1) / kBlock + 1) * kBlock;
    if (r.verbose > 0) {
      r.printi();
      r.outf("\tStored size: %lld\n", static_cast<long long>(stored));
    }
    r.num(1, "stored_size", stored);
    r.num(2, "padding", stored - (size < 0 ? 0 : size));
    member.length = kBlock + stored;

    // Walk the member in place, then skip whatever its walker left unread,
    // so that the next header is read at the right block however the
    // member's walk ended.
    int64_t consumed = 0;
    if (!archive_metadata(flag)) {
      // A long name given by the blocks before this header names the member.
      const uint8_t* name = hdr + kName.at;
      std::string member_name = !pending_name.empty()
                                    ? pending_name
                                    : std::string(name, name + field_length(name, kName.width));
      pending_name.clear();
      // Within a limit (a nested archive, a memory block) the member gets no
      // more than the source still holds.
      Source data_source = src.sub(data);
      r.dispatch.member(r, member_name, data_source);
      consumed = data_source.consumed();
      src.took(consumed);
    } else if ((flag == 'L' || flag == 'x') && data <= kMaxLongName) {
      std::vector<uint8_t> body;
      if (src.body(body, data)) {
        consumed = data;
        // A pax header without a path leaves a name given before it.
        if (std::string name = long_name(flag, body); !name.empty()) pending_name = name;
      } else {
        src.ended_inside("long name block");
      }
    }
    const bool skipped = consumed >= data || src.skip(data - consumed);
    if (r.verbose > 1) {
      r.printi();
      r.outf("\ttar section padding %lld bytes\n", static_cast<long long>(stored - (size < 0 ? 0 : size)));
    }
    if (skipped) src.skip(stored - data);
  }
  r.printi();
  r.outs("TAR file end\n");
  file.length = src.tell();
}

}  // namespace tagdelve
