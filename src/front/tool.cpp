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
  flac       FLAC metadata blocks, with Vorbis comments and pictures
  wma        ASF (Windows Media) objects
  jpg, jpeg  JPEG markers, with the JFIF header and Exif data
  png        PNG chunks, with their texts and Exif data
  tif, tiff, dng
             TIFF directories: every IFD, the Exif, GPS and Interoperability
             IFDs and SubIFDs
  tar        TAR archives: their members of these kinds are walked in place
Other files are skipped, with a note at -v; --detect chooses by content.

Options, read before the first file name:
  -v, /v        more detail; may be given twice
  -h, -?        the short usage note
      --help        this help
      --version     the version
      --detect      choose the walker by the first bytes when the extension
                    selects none: another or an upper-case extension, none
                    at all, standard input, archive members
      --keep-going  go on with the next file after one that cannot be
                    opened (missing, a directory, not readable)
      --utf8        show texts as UTF-8 instead of escapes
      --json        the report as JSON Lines: one object a file, with its
                    items, typed fields and errors (doc/tagdelve.schema.json)
      --all-ifds    walk every TIFF directory of JPEG Exif data, as TIFF
                    and PNG files have them walked: the chain of IFDs, GPS,
                    Interoperability, SubIFDs, the names of Exif 2.32

Verbosity:
  (none)  the start and end of each walk, each item with its main values,
          and every error
  -v      also secondary fields, flags, the encoding of each text, and notes
          on the files that are skipped
  -v -v   also each item's offset, lengths, hex dumps, padding, and a line
          pair for every MP3 audio frame

Exit status:
  0  every file was walked (damage inside a file is reported, not an error)
  1  a file could not be opened (the run stops there, unless --keep-going),
     a file could not be read to its end (the run goes on), the report
     could not be written, or no argument was given
  2  the usage note was asked for, or only options were given
)",
       kVersion);
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
      {"--json", [](Options& o) { o.settings.mode = Mode::json; }},
      {"--all-ifds", [](Options& o) { o.settings.all_ifds = true; }},
  };
  Options o;
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    if ((arg[0] != '/' && arg[0] != '-') || absolute_name(arg)) {
      o.first = i;
      return o;
    }
    if (arg[0] == '-' && arg[1] == '-') {
      auto known = std::find_if(std::begin(kLong), std::end(kLong),
                                [arg](const auto& l) { return strcmp(arg, l.name) == 0; });
      if (known == std::end(kLong)) {
        run.errf("Unknown option %s\n", escaped(run, arg).c_str());
        continue;
      }
      known->take(o);
      run.utf8 = o.settings.utf8;  // the messages after --utf8 escape as its texts do
      if (o.help || o.version) return o;  // the rest is not looked at
      continue;
    }
    switch (arg[1]) {
      case '?':
      case 'H':
      case 'h':
        return o;
      case 'V':
      case 'v':
        ++o.settings.verbose;
        break;
      default:
        run.errf("Unknown option %s\n", escaped(run, arg).c_str());
        break;
    }
  }
  return o;
}

// Opens a file for reading; refuses directories, which Linux opens. -1 with
// errno set on failure.
static int open_input(const char* name) {
  int fd = open(name, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return -1;
  struct stat st;
  if (fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    close(fd);
    errno = EISDIR;
    return -1;
  }
  return fd;
}

// How the walk of a file ended.
enum class Walked { whole, read_error, not_opened };

// Walks one file: its "Processing" line, or its JSON object, and its walk.
static Walked walk_file(const char* name, const Settings& settings, ReadBuffer& buffer, FILE* out, FILE* err) {
  Report r(settings, out, err);
  r.dispatch = dispatch();
  int fd = open_input(name);
  if (fd < 0) {
    int e = errno;
    r.errf("Error: Input file %s failed to open\n", escaped(r, name).c_str());
    r.errf("Error: %s\n", strerror(e));
    r.begin_file(name, -1);
    r.str(0, "status", "not opened");
    r.damage(std::string("Input file ") + escaped(r, name) + " failed to open: " + strerror(e));
    r.end_file();
    return Walked::not_opened;
  }
  r.begin_line();
  r.outs("Processing ");
  put_raw(r, name, strlen(name));
  r.outc('\n');
  Stream stream;
  stream_init(stream, fd, buffer);
  stream.name = name;
  stream.report = &r;
  Source src = Source::of_stream(stream, &r);
  r.begin_file(name, stream.regular ? stream.file_size : -1);
  process_file(r, name, src);
  const bool read_error = stream.error != 0;  // reported where it was met
  r.end_file();
  r.begin_line();  // a walk that left its last line open
  close(fd);
  return read_error ? Walked::read_error : Walked::whole;
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
  if (o.first == 0) {
    usage(run);
    return 2;
  }
  const bool text = o.settings.mode == Mode::text;
  if (text && o.settings.verbose > 0) run.outf("tagdelve v%s\n", kVersion);
  int status = 0;
  ReadBuffer buffer;  // one for the whole run
  for (int i = o.first; i < argc; ++i) {
    switch (walk_file(argv[i], o.settings, buffer, out, err)) {
      case Walked::whole: break;
      case Walked::read_error: status = 1; break;  // the run goes on
      case Walked::not_opened:
        if (!o.keep_going) return 1;
        status = 1;
        break;
    }
  }
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
