#include "front/tool.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <iterator>
#include <cstring>

#include "common/printers.h"
#include "common/source.h"
#include "front/dispatch.h"
#include "front/driver.h"

namespace tagdelve {

const char* const kVersion = "1.5";

void usage(Report& run) {
  run.errf("Usage (v%s): tagdelve [-h|-?] [-v] [-v] <filename>\n", kVersion);
  run.errf("\th|?=HELP (this note)\n");
  run.errf("\tv=VERBOSE (repeat for more detail)\n");
}

// On this system a file name may begin with '/': such an argument is a name
// when it holds a second '/' or names an existing file (not a directory, so
// that a lone "/" stays an option).
static bool absolute_name(const char* arg) {
  if (arg[0] != '/') return false;
  if (strchr(arg + 1, '/') != nullptr) return true;
  struct stat st;
  return stat(arg, &st) == 0 && !S_ISDIR(st.st_mode);
}

void help(Report& run) {
  run.outf(R"(tagdelve %s: lists the structure and metadata of media files.

Usage: tagdelve [OPTION]... FILE...

Reads each FILE and prints, as indented plain text, the items that stand in
it: where each one stands, how long it is, its flags and its values. It only
reads; it never changes a file.

Formats, chosen by the extension of the file name, exactly as written:
  mp3        MPEG audio, with ID3v2, ID3v1, TAG+, Lyrics3 and APE tags
  id3        an ID3v2 tag on its own
  flac       FLAC metadata blocks, with Vorbis comments and pictures
  wma        ASF (Windows Media) objects
  jpg, jpeg  JPEG markers, with the JFIF header and Exif data
  ogg, oga, opus, spx
             Ogg pages (CRCs checked) and logical streams, with the header
             packets of Vorbis, Opus, FLAC and Speex
  m4a, m4b, m4p, mp4, m4v, mov, 3gp
             MP4 (ISO base media) boxes, with iTunes metadata and covers
  wav, wave  WAV (RIFF, RF64, BW64) chunks: the format, INFO texts, bext,
             cue and sampler counts, ID3v2 tags in chunks
  aif, aiff, aifc
             AIFF and AIFF-C chunks: the sound's layout and sample rate,
             texts, markers, instrument, ID3v2 tags in chunks
  png        PNG chunks, with their texts and Exif data
  tif, tiff, dng
             TIFF directories: every IFD, the Exif, GPS and Interoperability
             IFDs and SubIFDs
  tar        TAR archives: their members of these kinds are walked in place
Other files are skipped, with a note at -v; --detect chooses by content.

Options, read before the first file name ("-" is standard input; after
"--" every argument is a file name, even one that begins with "-"):
  -v, /v        more detail; may be given twice
  -h, -?        the short usage note
  -r, --recursive   walk the files of each folder named, and of its
                    folders, in byte order of their names; a folder reached
                    again is walked once; FIFOs, sockets and devices in them
                    are skipped (a note at -v); the run goes on past what
                    cannot be opened
  -j N, --jobs N    walk N files side by side (0: one per processor); the
                    output is the same as with one
      --help        this help
      --version     the version
      --detect      choose the walker by the first bytes when the extension
                    selects none: another or an upper-case extension, none
                    at all, standard input, archive members; and when they
                    clearly belong to another format than the extension's
      --keep-going  go on with the next file after one that cannot be
                    opened (missing, a directory, not readable)
      --utf8        show texts as UTF-8 instead of escapes
      --json        the report as JSON Lines: one object a file, with its
                    items, typed fields and errors (doc/tagdelve.schema.json)
      --check       no report: a line for each damaged file (its name and
                    its first error), and the numbers of files checked,
                    damaged, skipped and not opened on standard error; with
                    --json a verdict for every file
      --all-ifds    walk every TIFF directory of JPEG Exif data, as TIFF
                    and PNG files have them walked: the chain of IFDs, GPS,
                    Interoperability, SubIFDs, the names of Exif 2.32

On a terminal, while the report goes to a file or a pipe, a run of more
than a second shows its progress on standard error.

Verbosity:
  (none)  the start and end of each walk, each item with its main values,
          and every error
  -v      also secondary fields, flags, the encoding of each text, and notes
          on the files that are skipped
  -v -v   also each item's offset, lengths, hex dumps, padding, and a line
          pair for every MP3 audio frame

Exit status:
  0  every file was walked (damage inside a file is reported, not an error)
  1  a file could not be opened (the run stops there, unless --keep-going
     or -r),
     a file could not be read to its end (the run goes on), the report
     could not be written, or no argument was given
  2  the usage note was asked for, or only options were given
  3  --check: a file is damaged
)",
       kVersion);
}

// The number of jobs of -j N: 0 for a job per processor.
static bool jobs_value(const char* v, Options& o) {
  char* end = nullptr;
  const long n = v != nullptr ? strtol(v, &end, 10) : -1;
  if (v == nullptr || end == v || *end != '\0' || n < 0 || n > 1024) return false;
  o.jobs = n > 0 ? static_cast<int>(n) : std::max(1, static_cast<int>(sysconf(_SC_NPROCESSORS_ONLN)));
  return true;
}

Options options(int argc, char** argv, Report& run) {
  static const struct {
    const char* name;
    void (*take)(Options& o);
  } kLong[] = {
      {"--help", [](Options& o) { o.help = true; }},
      {"--version", [](Options& o) { o.version = true; }},
      {"--keep-going", [](Options& o) { o.keep_going = true; }},
      {"--detect", [](Options& o) { o.settings.detect = true; }},
      {"--utf8", [](Options& o) { o.settings.utf8 = true; }},
      {"--json", [](Options& o) { o.json = true; }},
      {"--check", [](Options& o) { o.check = true; }},
      {"--recursive", [](Options& o) { o.recursive = true; }},
      {"--all-ifds", [](Options& o) { o.settings.all_ifds = true; }},
  };
  Options o;
  auto done = [&o](int first) {
    o.first = first;
    o.settings.mode = o.check ? Mode::check : o.json ? Mode::json : Mode::text;
    return o;
  };
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    // "-" names standard input; after "--" every argument is a file name.
    if ((arg[0] != '/' && arg[0] != '-') || strcmp(arg, "-") == 0 || absolute_name(arg)) return done(i);
    if (strcmp(arg, "--") == 0) return done(i + 1 < argc ? i + 1 : 0);
    if (arg[0] == '-' && arg[1] == '-') {
      if (strncmp(arg, "--jobs", 6) == 0 && (arg[6] == '\0' || arg[6] == '=')) {
        if (!jobs_value(arg[6] == '=' ? arg + 7 : i + 1 < argc ? argv[++i] : nullptr, o)) {
          run.errf("Option --jobs needs a number of jobs\n");
          o.bad = true;
          return done(0);
        }
        continue;
      }
      auto known = std::find_if(std::begin(kLong), std::end(kLong),
                                [arg](const auto& l) { return strcmp(arg, l.name) == 0; });
      if (known == std::end(kLong)) {
        run.errf("Unknown option %s\n", escaped(run, arg).c_str());
        continue;
      }
      known->take(o);
      run.utf8 = o.settings.utf8;  // the messages after --utf8 escape as its texts do
      if (o.help || o.version) return done(0);  // the rest is not looked at
      continue;
    }
    switch (arg[1]) {
      case '?':
      case 'H':
      case 'h':
        return done(0);
      case 'V':
      case 'v':
        ++o.settings.verbose;
        break;
      case 'R':
      case 'r':
        o.recursive = true;
        break;
      case 'J':
      case 'j':
        if (!jobs_value(arg[2] != '\0' ? arg + 2 : i + 1 < argc ? argv[++i] : nullptr, o)) {
          run.errf("Option -j needs a number of jobs\n");
          o.bad = true;
          return done(0);
        }
        break;
      default:
        run.errf("Unknown option %s\n", escaped(run, arg).c_str());
        break;
    }
  }
  return done(0);
}

int _main(int argc, char** argv, FILE* out, FILE* err) {
  Report run(Settings{}, out, err);
  if (argc <= 1) {
    usage(run);
    return 1;
  }
  const Options o = options(argc, argv, run);
  if (o.help) {
    help(run);
    return 0;
  }
  if (o.version) {
    run.outf("tagdelve %s\n", kVersion);
    return 0;
  }
  if (o.first == 0 || o.bad) {
    usage(run);
    return 2;
  }
  const bool text = o.settings.mode == Mode::text;
  if (text && o.settings.verbose > 0) run.outf("tagdelve v%s\n", kVersion);
  RunSettings s;
  s.walk = o.settings;
  s.keep_going = o.keep_going;
  s.recursive = o.recursive;
  s.jobs = o.jobs;
  s.json = o.json;
  run.flush_output();
  bool stopped = false;
  const int status = walk_files(s, argv + o.first, argc - o.first, out, err, &stopped);
  if (stopped) return status;
  run.begin_line();
  if (text && o.settings.verbose > 0) run.outs("tagdelve end of job\n");
  return status;
}

// One line from `in` without its line end; the end of input reads as an
// empty line.
static std::string read_line(Report& run, FILE* in) {
  run.flush_output();
  std::string line;
  int c;
  while ((c = getc(in)) != EOF && c != '\n') line.push_back(static_cast<char>(c));
  return line;
}

std::vector<std::string> read_command(Report& run, FILE* in, const std::string& program) {
  run.outs("Enter command : ");
  std::string line = read_line(run, in);
  std::vector<std::string> words{program};
  size_t i = 0;
  for (;;) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    if (i >= line.size()) break;
    char c = line[i];
    if (c == '\\' && i + 1 == line.size()) {
      // A lone backslash at the end: the next line replaces it.
      run.outs("Continue command line: \n");
      line.erase(i);
      line += read_line(run, in);
      continue;
    }
    size_t start = i, stop;
    if (c == '"' || c == '\'') {
      start = i + 1;
      stop = line.find(c, start);
    } else {
      stop = line.find_first_of(" \t", start);
    }
    if (stop == std::string::npos) {
      words.push_back(line.substr(start));
      break;
    }
    words.push_back(line.substr(start, stop - start));
    i = stop + 1;
  }
  return words;
}

int console_main(int argc, char** argv, FILE* in, FILE* out, FILE* err) {
  if (argc > 1) return _main(argc, argv, out, err);
  Report run(Settings{}, out, err);
  std::vector<std::string> words = read_command(run, in, argc == 1 ? argv[0] : "");
  std::vector<char*> args;
  for (std::string& w : words) args.push_back(w.data());
  args.push_back(nullptr);
  run.outs("\nProgram Starting\n\n");
  int status = _main(static_cast<int>(words.size()), args.data(), out, err);
  run.outs("\nProgram Complete\n(hit return to exit)...");
  run.flush_output();
  getc(in);
  return status;
}

}  // namespace tagdelve
