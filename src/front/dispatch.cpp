#include "front/dispatch.h"

#include "asf/asf.h"
#include "common/output.h"
#include "flac/flac.h"
#include "jpeg/jpeg.h"
#include "mp3/mpeg.h"
#include "tar/tar.h"

namespace tagdelve {

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

using Walker = int (*)(Stream*, const uint8_t*, int64_t);

struct DispatchRow {
  const char* ext;
  Walker walker;
};

// Tried in order; the comparison is exact and case-sensitive.
const DispatchRow kDispatch[] = {
    {"mp3", mpeg_file},
    {"wma", asf_file},
    {"jpg", jpeg_file},
    {"jpeg", jpeg_file},
    {"flac", flac_file},
    {"tar", tar_file},
};

}  // namespace

int process_file(const std::string& name, Stream* stream, const uint8_t* block, int64_t limit) {
  std::string dir, base, ext;
  splitpath(name, dir, base, ext);
  ++indent;
  for (const DispatchRow& row : kDispatch) {
    if (ext == row.ext) {
      row.walker(stream, block, limit);
      --indent;
      return 1;
    }
  }
  if (verbose > 0) {
    printi();
    outf("File type %s not supported, skipped over %s\n", ext.c_str(), name.c_str());
  }
  --indent;
  return 0;
}

}  // namespace tagdelve
