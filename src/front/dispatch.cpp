#include "front/dispatch.h"

#include "asf/asf.h"
#include "common/printers.h"
#include "common/table.h"
#include "flac/flac.h"
#include "jpeg/jpeg.h"
#include "mp3/id3v2.h"
#include "mp3/mpeg.h"
#include "mp4/mp4.h"
#include "ogg/ogg.h"
#include "png/png.h"
#include "riff/aiff.h"
#include "riff/wav.h"
#include "tar/tar.h"
#include "tiff/tiff_file.h"

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

// Probes are tried in this order.
const Format kFormats[] = {
    {"MP3", {"mp3"}, mp3_probe, mpeg_file},
    {"FLAC", {"flac"}, flac_probe, flac_file},
    {"ASF (WMA)", {"wma"}, asf_probe, asf_file},
    {"JPEG", {"jpg", "jpeg"}, jpeg_probe, jpeg_file},
    {"TAR", {"tar"}, tar_probe, tar_file},
    {"Ogg", {"ogg", "oga", "opus", "spx"}, ogg_probe, ogg_file},
    {"MP4", {"m4a", "m4b", "m4p", "mp4", "m4v", "mov", "3gp"}, mp4_probe, mp4_file},
    {"WAV", {"wav", "wave"}, wav_probe, wav_file},
    {"AIFF", {"aif", "aiff", "aifc"}, aiff_probe, aiff_file},
    {"PNG", {"png"}, png_probe, png_file},
    {"TIFF", {"tif", "tiff", "dng"}, tiff_probe, tiff_file},
    // An ID3v2 tag alone (a .id3 file, a tag held in a chunk); by content an
    // MP3 file, which the MP3 row finds first.
    {"ID3v2", {"id3"}, [](const uint8_t*, int64_t) { return Probe::no; }, id3_file},
};

// Content held in memory (a picture in a tag), walked one level deeper by
// the walker its type calls for; announced at verbose > 0. An empty one is
// neither.
bool walk_embedded(Report& r, const char* ext, Source& src) {
  const Format* format = format_by_extension(ext);
  if (format == nullptr || src.limit <= 0) return false;
  if (r.verbose > 0) {
    r.printi();
    r.outf("\t\t%s content, Length: %lld\n", format->name, static_cast<long long>(src.limit));
  }
  ++r.indent;
  format->walker(r, src);
  --r.indent;
  return true;
}

}  // namespace

const Format* format_by_extension(const std::string& ext) {
  for (const Format& f : kFormats)
    for (const char* e : f.ext)
      if (e != nullptr && ext == e) return &f;
  return nullptr;
}

const Format* detect_format(Source& src) {
  int64_t n = 0;
  const uint8_t* p = src.look(kLookahead, &n);
  const Format* weak = nullptr;
  for (const Format& f : kFormats) {
    const Probe probe = f.probe(p, n);
    if (probe == Probe::strong) return &f;
    if (probe == Probe::weak && weak == nullptr) weak = &f;
  }
  return weak;
}

bool process_file(Report& r, const std::string& name, Source& src) {
  std::string dir, base, ext;
  splitpath(name, dir, base, ext);
  const Format* format = format_by_extension(ext);
  ++r.indent;
  ++r.nesting;
  const char* chosen_by = "extension";
  const Format* found = r.detect ? detect_format(src) : nullptr;
  const bool walkable = r.nesting <= kMaxNesting;
  if (format == nullptr && found != nullptr) {
    format = found;
    chosen_by = "content";
    if (r.verbose > 0 && walkable) {
      r.printi();
      r.outf("Walked by content as %s: ", format->name);
      put_raw(r, name.data(), name.size());
      r.outc('\n');
    }
  } else if (format != nullptr && found != nullptr && found != format) {
    // A file named for one format that clearly holds another: the content
    // wins where it has a signature and the extension's format sees none.
    int64_t n = 0;
    const uint8_t* p = src.look(kLookahead, &n);
    if (found->probe(p, n) == Probe::strong && format->probe(p, n) == Probe::no) {
      format = found;
      chosen_by = "content";
      if (r.verbose > 0 && walkable) {
        r.printi();
        r.outf("Walked by content as %s, not as its extension says: ", format->name);
        put_raw(r, name.data(), name.size());
        r.outc('\n');
      }
    }
  }
  bool walked = false;
  if (format != nullptr && !walkable) {
    // Archives within archives, each walked within the one that holds it,
    // would otherwise nest as deep as a crafted file makes them.
    r.str(0, "status", "not walked");
    r.error_line("Members nested more than %d deep: %s not walked", kMaxNesting, escaped(r, name).c_str());
  } else if (format != nullptr) {
    r.str(0, "status", "walked");
    r.str(0, "format", format->name);
    r.str(0, "chosen_by", chosen_by);
    format->walker(r, src);
    walked = true;
  } else {
    r.str(0, "status", "skipped");
    r.text(0, "extension", Enc::utf8, ext.data(), ext.size());
    if (r.verbose > 0) {
      r.printi();
      r.outs("File type ");
      put_raw(r, ext.data(), ext.size());
      r.outs(" not supported, skipped over ");
      put_raw(r, name.data(), name.size());
      r.outc('\n');
    }
  }
  --r.nesting;
  --r.indent;
  return walked;
}

Dispatch dispatch() { return Dispatch{process_file, walk_embedded}; }

}  // namespace tagdelve
