#include "tar/tar.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "common/output.h"
#include "front/dispatch.h"

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
std::string text(const uint8_t* hdr, Field f) {
  const char* p = reinterpret_cast<const char*>(hdr + f.at);
  return std::string(p, strnlen(p, static_cast<size_t>(f.width)));
}

// An octal field as strtol reads it: leading blanks, an optional sign, then
// octal digits up to the first other character; no digits give 0.
int64_t octal(const uint8_t* hdr, Field f) {
  return strtoll(text(hdr, f).c_str(), nullptr, 8);
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

const uint8_t kEmpty[1] = {0};

// Long names are read only up to this size; a larger block is skipped.
constexpr int64_t kMaxLongName = 64 * 1024;

// The member name that a GNU long-name block ('L') or a pax extended header
// ('x', its "path" record) gives the member that follows; empty if none.
std::string long_name(uint8_t flag, const std::vector<uint8_t>& body) {
  if (body.empty()) return std::string();
  const char* p = reinterpret_cast<const char*>(body.data());
  size_t n = body.size();
  if (flag == 'L') return std::string(p, strnlen(p, n));
  // pax records: "<length> <key>=<value>\n", the length counting the whole record.
  size_t at = 0;
  while (at < n) {
    size_t len = 0, i = at;
    while (i < n && p[i] >= '0' && p[i] <= '9' && len < n) len = len * 10 + static_cast<size_t>(p[i++] - '0');
    if (i >= n || p[i] != ' ' || len <= i - at + 1 || len > n - at) break;
    std::string record(p + i + 1, p + at + len - 1);  // without the line end
    if (record.compare(0, 5, "path=") == 0) return record.substr(5);
    at += len;
  }
  return std::string();
}

}  // namespace

int tar_file(Stream* stream, const uint8_t* block, int64_t limit) {
  printi();
  outs("TAR file start\n");
  int64_t offset = 0;
  uint8_t hdr[kBlock];
  std::string pending_name;  // from a long-name block, for the next member
  while (vfgetm(hdr, kBlock, stream, block, offset, limit) == kBlock) {
    if (hdr[0] == 0) {
      if (verbose > 1) {
        printi();
        outf("Offset %lld, Null block\n", static_cast<long long>(offset));
      }
      offset += kBlock;
      continue;
    }
    if (verbose > 1) {
      printi();
      outf("Offset %lld, File header block\n", static_cast<long long>(offset));
    }
    offset += kBlock;

    uint8_t flag = hdr[kTypeflag];
    bool directory = (flag == '5');
    bool link = (flag == '1' || flag == '2');
    std::string name = text(hdr, kName);
    int64_t size = octal(hdr, kSize);

    printi();
    outf("File name: %s\n", name.c_str());
    printi();
    outf("\tMode: %s, UID: %s(%lld), GID: %s(%lld)\n", text(hdr, kMode).c_str(),
         text(hdr, kUid).c_str(), static_cast<long long>(octal(hdr, kUid)),
         text(hdr, kGid).c_str(), static_cast<long long>(octal(hdr, kGid)));
    if (verbose > 0) {
      printi();
      outf("\tStated size: %s, Modified: %s, Checksum: %s, File type: ", text(hdr, kSize).c_str(),
           text(hdr, kMtime).c_str(), text(hdr, kChksum).c_str());
      outc(flag);
      outc('\n');
    }
    printi();
    outf("\tSize: %lld, Type: %s", static_cast<long long>(size), type_name(flag));
    if (link) outf(" to: %s", text(hdr, kLinkname).c_str());
    outc('\n');
    if (verbose > 0) {
      printi();
      outf("\tMagic: %s, Version: ", text(hdr, kMagic).c_str());
      outc(hdr[kVersion]);
      outc(hdr[kVersion + 1]);
      outc('\n');
    }
    if (memcmp(hdr + kMagic.at, "ustar", 5) == 0) {
      printi();
      outf("\tUser: %s, Group: %s\n", text(hdr, kUname).c_str(), text(hdr, kGname).c_str());
      if (verbose > 0) {
        printi();
        outf("\tDevice major: %s, Device minor: %s, Filename prefix: %s\n",
             text(hdr, kDevmajor).c_str(), text(hdr, kDevminor).c_str(), text(hdr, kPrefix).c_str());
      }
    }

    // The member's data: a directory stores none whatever its size field
    // says, and a negative size is taken as none.
    int64_t data = (directory || size < 0) ? 0 : size;
    int64_t stored = data == 0 ? 0 : ((data - 1) / kBlock + 1) * kBlock;
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
      std::string member_name = pending_name.empty() ? name : pending_name;
      pending_name.clear();
      // Within a limit (a nested archive, a memory block) the member gets no
      // more than the source still holds.
      int64_t room = (stream == nullptr || limit != 0) ? limit - offset : data;
      int64_t member = room < data ? (room < 0 ? 0 : room) : data;
      if (member == 0) {
        process_file(member_name, nullptr, kEmpty, 0);
      } else if (stream != nullptr) {
        int64_t before = stream_tell(*stream);
        process_file(member_name, stream, nullptr, member);
        consumed = stream_tell(*stream) - before;
      } else {
        process_file(member_name, nullptr, block + offset, member);
        consumed = member;
      }
    } else if ((flag == 'L' || flag == 'x') && data <= kMaxLongName &&
               source_left(stream, block, offset, limit) >= data) {
      std::vector<uint8_t> body;
      if (vfget_body(body, data, stream, block, offset, limit) == data) {
        consumed = data;
        pending_name = long_name(flag, body);
      }
    }
    bool skipped = true;
    if (consumed < data) skipped = vfdump(data - consumed, stream, block, offset + consumed, limit) >= 0;
    int64_t padding = stored - (size < 0 ? 0 : size);
    if (verbose > 1) {
      printi();
      outf("\ttar section padding %lld bytes\n", static_cast<long long>(padding));
    }
    if (skipped && stored - data > 0) vfdump(stored - data, stream, block, offset + data, limit);
    offset += stored;
  }
  printi();
  outs("TAR file end\n");
  return 1;
}

}  // namespace tagdelve
