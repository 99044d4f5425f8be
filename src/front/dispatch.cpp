#include "front/dispatch.h"

#include <cstring>

#include "asf/asf.h"
#include "common/output.h"
#include "common/printers.h"
#include "common/table.h"
#include "flac/flac.h"
#include "front/detect.h"
#include "jpeg/jpeg.h"
#include "mp3/mpeg.h"
#include "tar/tar.h"

namespace tagdelve {

bool detect_content = false;

void splitpath(const std::string& path, std::string& dir, std::string& base, std::string& ext) {
  ext.clear();
  size_t slash = path.rfind('\\');
  if (slash == std::string::npos) {
    dir.clear();
    base = path;
  } else {
    dir = path.substr(0, slash);
    base = path.substr(slash + 1);
  }
  size_t dot = base.rfind('.');
  if (dot != std::string::npos) {
    ext = base.substr(dot + 1);
    base.erase(dot);
  }
}

namespace {

using Walker = void (*)(Source&);

// An archive hands its members back to this dispatch.
void tar_walk(Source& src) { tar_file(src, process_file); }

struct DispatchRow {
  const char* ext;
  Walker walker;
  const char* format;  // as the note on a walker chosen by content names it
};

// Tried in order; the comparison is exact and case-sensitive.
const DispatchRow kDispatch[] = {
    {"mp3", mpeg_file, "MP3"},  {"wma", asf_file, "ASF (WMA)"}, {"jpg", jpeg_file, "JPEG"},
    {"jpeg", jpeg_file, "JPEG"}, {"flac", flac_file, "FLAC"},    {"tar", tar_walk, "TAR"},
};

const DispatchRow* by_extension(const char* ext) {
  if (ext == nullptr) return nullptr;
  return find_row(kDispatch, [ext](const DispatchRow& r) { return strcmp(ext, r.ext) == 0; });
}

}  // namespace

void process_file(const std::string& name, Source& src) {
  std::string dir, base, ext;
  splitpath(name, dir, base, ext);
  const DispatchRow* row = by_extension(ext.c_str());
  ++indent;
  if (row == nullptr && detect_content && (row = by_extension(detect_format(src))) != nullptr && verbose > 0) {
    printi();
    outf("Walked by content as %s: ", row->format);
    put_raw(name.data(), name.size());
    outc('\n');
  }
  if (row != nullptr && indent > kMaxNesting) {
    // Archives within archives, each walked within the one that holds it,
    // would otherwise nest as deep as a crafted file makes them.
    error_line("Members nested more than %d deep: %s not walked", kMaxNesting, escaped(name).c_str());
  } else if (row != nullptr) {
    row->walker(src);
  } else if (verbose > 0) {
    printi();
    outs("File type ");
    put_raw(ext.data(), ext.size());
    outs(" not supported, skipped over ");
    put_raw(name.data(), name.size());
    outc('\n');
  }
  --indent;
}

}  // namespace tagdelve
