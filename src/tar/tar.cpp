#include "tar/tar.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "common/output.h"
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
void text(const uint8_t* hdr, Field f) { put_field(hdr + f.at, static_cast<size_t>(f.width)); }

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
void header_lines(const uint8_t* hdr, uint8_t flag, int64_t size) {
  printi();
  outs("File name: ");
  text(hdr, kName);
  outc('\n');
  printi();
  outs("\tMode: ");
  text(hdr, kMode);
  outs(", UID: ");
  text(hdr, kUid);
  outf("(%lld), GID: ", static_cast<long long>(octal(hdr, kUid)));
  text(hdr, kGid);
  outf("(%lld)\n", static_cast<long long>(octal(hdr, kGid)));
  if (verbose > 0) {
    printi();
    outs("\tStated size: ");
    text(hdr, kSize);
    outs(", Modified: ");
    text(hdr, kMtime);
    outs(", Checksum: ");
    text(hdr, kChksum);
    outs(", File type: ");
    put_raw(&flag, 1);
    outc('\n');
  }
  printi();
  outf("\tSize: %lld, Type: %s", static_cast<long long>(size), type_name(flag));
  if (flag == '1' || flag == '2') {
    outs(" to: ");
    text(hdr, kLinkname);
  }
  outc('\n');
  if (verbose > 0) {
    printi();
    outs("\tMagic: ");
    text(hdr, kMagic);
    outs(", Version: ");
    put_raw(hdr + kVersion, 2);
    outc('\n');
  }
  if (memcmp(hdr + kMagic.at, "ustar", 5) == 0) {
    printi();
    outs("\tUser: ");
    text(hdr, kUname);
    outs(", Group: ");
    text(hdr, kGname);
    outc('\n');
    if (verbose > 0) {
      printi();
      outs("\tDevice major: ");
      text(hdr, kDevmajor);
      outs(", Device minor: ");
      text(hdr, kDevminor);
      outs(", Filename prefix: ");
      text(hdr, kPrefix);
      outc('\n');
    }
  }
}

}  // namespace

void tar_file(Source& src, MemberWalk walk_member) {
  printi();
  outs("TAR file start\n");
  uint8_t hdr[kBlock];
  std::string pending_name;  // from a long-name block, for the next member
  for (;;) {
    const int64_t at = src.tell();
    if (!src.read(hdr, kBlock)) {
      src.ended_inside("header block", true);
      break;
    }
    if (hdr[0] == 0) {
      if (verbose > 1) {
        printi();
        outf("Offset %lld, Null block\n", static_cast<long long>(at));
      }
      continue;
    }
    if (verbose > 1) {
      printi();
      outf("Offset %lld, File header block\n", static_cast<long long>(at));
    }
    const uint8_t flag = hdr[kTypeflag];
    const int64_t size = octal(hdr, kSize);
    header_lines(hdr, flag, size);

    // The member's data: a directory stores none whatever its size field
    // says, and a negative size is taken as none.
    const int64_t data = (flag == '5' || size < 0) ? 0 : size;
    const int64_t stored = data == 0 ? 0 : ((data - 1) / kBlock + 1) * kBlock;
    if (verbose > 0) {
      printi();
      outf("\tStored size: %lld\n", static_cast<long long>(stored));
    }

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
      Source member = src.sub(data);
      walk_member(member_name, member);
      consumed = member.consumed();
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
    if (verbose > 1) {
      printi();
      outf("\ttar section padding %lld bytes\n", static_cast<long long>(stored - (size < 0 ? 0 : size)));
    }
    if (skipped) src.skip(stored - data);
  }
  printi();
  outs("TAR file end\n");
}

}  // namespace tagdelve
