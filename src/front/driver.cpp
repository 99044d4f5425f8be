#include "front/driver.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "common/printers.h"
#include "common/source.h"
#include "front/dispatch.h"

namespace tagdelve {

namespace {

// --- What is to be walked ---

// A name from the command line, or found in a folder.
struct Entry {
  enum Kind : uint8_t {
    file,         // read as a file (a FIFO named on the command line too)
    special,      // a FIFO, socket or device found in a folder: skipped
    seen_folder,  // a folder reached again (a link loop, a bind mount): skipped
    folder_error  // a folder that cannot be read
  };
  std::string path;
  Kind kind = file;
  const char* what = "";  // of a special: what it is
  int error = 0;          // of a folder that cannot be read: errno
  int64_t size = -1;      // of a regular file, where its stat gave it
};

// The names of a run in order: each name given, and with -r the entries of
// each folder given, in byte order of their names, a folder's entries
// walked where the folder stands among them (depth first). Entries are
// found as they are walked: only the names of the folders being walked are
// held, each folder's in one buffer.
class Names {
 public:
  Names(char* const* names, int count, bool recursive) : names_(names), count_(count), recursive_(recursive) {}

  bool next(Entry& e) {
    for (;;) {
      if (!open_.empty()) {
        Folder& f = open_.back();
        if (f.next == f.offsets.size()) {
          open_.pop_back();
          continue;
        }
        std::string path = f.path;
        if (path.empty() || path.back() != '/') path += '/';
        path += f.names.data() + f.offsets[f.next++];
        if (found(path, e)) return true;
        continue;
      }
      if (at_ == count_) return false;
      std::string path = names_[at_++];
      struct stat st;
      const bool known = path != "-" && stat(path.c_str(), &st) == 0;
      if (recursive_ && known && S_ISDIR(st.st_mode)) {
        if (enter(path, st, e)) continue;
        return true;
      }
      e = Entry{std::move(path)};
      if (known && S_ISREG(st.st_mode)) e.size = st.st_size;
      return true;
    }
  }

 private:
  struct Folder {
    std::string path;
    std::string names;  // each entry's name and a zero byte
    std::vector<uint32_t> offsets;
    size_t next = 0;
  };

  // An entry of a folder: true with `e` to walk or report, false when it is
  // a folder now being walked.
  bool found(std::string& path, Entry& e) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0) {  // gone, or a link to nothing: its open says why
      e = Entry{std::move(path)};
      return true;
    }
    if (S_ISDIR(st.st_mode)) return !enter(path, st, e);
    e = Entry{std::move(path)};
    if (S_ISREG(st.st_mode)) {
      e.size = st.st_size;
      return true;
    }
    e.kind = Entry::special;
    e.what = S_ISFIFO(st.st_mode) ? "a FIFO" : S_ISSOCK(st.st_mode) ? "a socket" : "a device";
    return true;
  }

  // Opens a folder for walking: true, or false with `e` saying why not.
  bool enter(const std::string& path, const struct stat& st, Entry& e) {
    if (!seen_.insert({st.st_dev, st.st_ino}).second) {
      e = Entry{path, Entry::seen_folder};
      return false;
    }
    DIR* d = opendir(path.c_str());
    if (d == nullptr) {
      e = Entry{path, Entry::folder_error, "", errno};
      return false;
    }
    Folder f;
    f.path = path;
    errno = 0;
    while (const dirent* de = readdir(d)) {
      if (strcmp(de->d_name, ".") == 0 || strcmp(de->d_name, "..") == 0) continue;
      f.offsets.push_back(static_cast<uint32_t>(f.names.size()));
      f.names.append(de->d_name, strlen(de->d_name) + 1);
    }
    const int error = errno;
    closedir(d);
    if (error != 0) {  // the folder went away or became unreadable while it was read
      e = Entry{path, Entry::folder_error, "", error};
      return false;
    }
    const char* base = f.names.data();
    std::sort(f.offsets.begin(), f.offsets.end(),
              [base](uint32_t a, uint32_t b) { return strcmp(base + a, base + b) < 0; });
    open_.push_back(std::move(f));
    return true;
  }

  char* const* names_;
  int count_;
  int at_ = 0;
  bool recursive_;
  std::vector<Folder> open_;
  std::set<std::pair<dev_t, ino_t>> seen_;
};

// --- One file ---

struct Outcome {
  enum Kind : uint8_t { walked, skipped, not_opened } kind = walked;
  bool damaged = false;
  bool read_error = false;
};

// Opens a file for reading; refuses directories, which Linux opens. "-" is
// standard input. -1 with errno set on failure.
int open_input(const std::string& name) {
  if (name == "-") return dup(0);
  int fd = open(name.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return -1;
  struct stat st;
  if (fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    close(fd);
    errno = EISDIR;
    return -1;
  }
  return fd;
}

// The verdict of --check: in the text a line for a damaged file, its first
// error; with --json a line for every file.
void verdict(const RunSettings& s, Report& r, const Entry& e, const Outcome& o, int64_t size) {
  if (!s.json) {
    if (!o.damaged) return;
    const std::string line = escaped(r, e.path) + ": " + r.first_error + "\n";
    r.write_raw(line.data(), line.size());
    return;
  }
  std::string v = "{\"file\":";
  json_string(v, Enc::utf8, reinterpret_cast<const uint8_t*>(e.path.data()), e.path.size());
  v += ",\"size\":" + (size >= 0 ? std::to_string(size) : std::string("null"));
  v += o.kind == Outcome::walked ? ",\"status\":\"walked\"" : o.kind == Outcome::skipped ? ",\"status\":\"skipped\"" : ",\"status\":\"not opened\"";
  v += o.damaged ? ",\"damaged\":true,\"error\":" : ",\"damaged\":false";
  if (o.damaged) json_string(v, Enc::utf8, reinterpret_cast<const uint8_t*>(r.first_error.data()), r.first_error.size());
  v += "}\n";
  r.write_raw(v.data(), v.size());
}

// Walks one entry: its "Processing" line, or its JSON object, and its walk;
// or the note that says why it is skipped; or the messages that say why it
// could not be opened.
Outcome walk_one(const RunSettings& s, const Entry& e, ReadBuffer& buffer, FILE* out, FILE* err,
                 std::atomic<int64_t>* bytes) {
  Report r(s.walk, out, err);
  r.dispatch = dispatch();
  const bool check = s.walk.mode == Mode::check;
  Outcome o;
  if (e.kind == Entry::special || e.kind == Entry::seen_folder) {
    o.kind = Outcome::skipped;
    const char* what = e.kind == Entry::special ? e.what : "a folder walked already";
    if (r.verbose > 0 && r.text()) {
      r.begin_line();
      r.outs("Skipped over ");
      put_raw(r, e.path.data(), e.path.size());
      r.outf(": %s\n", what);
    }
    r.begin_file(e.path, -1);
    r.str(0, "status", "skipped");
    r.str(0, "reason", what);
    r.end_file();
    if (check) verdict(s, r, e, o, -1);
    r.begin_line();
    return o;
  }
  const int fd = e.kind == Entry::folder_error ? -1 : open_input(e.path);
  if (fd < 0) {
    const int error = e.kind == Entry::folder_error ? e.error : errno;
    o.kind = Outcome::not_opened;
    r.errf("Error: %s %s failed to open\n", e.kind == Entry::folder_error ? "Folder" : "Input file",
           escaped(r, e.path).c_str());
    r.errf("Error: %s\n", strerror(error));
    r.begin_file(e.path, -1);
    r.str(0, "status", "not opened");
    r.damage(std::string(e.kind == Entry::folder_error ? "Folder " : "Input file ") + escaped(r, e.path) +
             " failed to open: " + strerror(error));
    r.end_file();
    if (check) verdict(s, r, e, o, -1);
    return o;
  }
  r.begin_line();
  r.outs("Processing ");
  put_raw(r, e.path.data(), e.path.size());
  r.outc('\n');
  Stream stream;
  stream_init(stream, fd, buffer);
  stream.name = e.path.c_str();
  stream.report = &r;
  stream.progress = bytes;
  Source src = Source::of_stream(stream, &r);
  const int64_t size = stream.regular ? stream.file_size : -1;
  r.begin_file(e.path, size);
  if (!process_file(r, e.path, src)) o.kind = Outcome::skipped;
  r.end_file();
  o.read_error = stream.error != 0;  // reported where it was met
  o.damaged = r.error_count > 0;
  if (check) verdict(s, r, e, o, size);
  r.begin_line();  // a walk that left its last line open
  close(fd);
  return o;
}

// --- The run's totals and its exit status ---

struct Tally {
  int64_t checked = 0, damaged = 0, skipped = 0, not_opened = 0;
  bool read_error = false;
  bool stopped = false;  // at a file that could not be opened

  void add(const Outcome& o) {
    if (o.kind == Outcome::walked) ++checked;
    if (o.kind == Outcome::skipped) ++skipped;
    if (o.kind == Outcome::not_opened) ++not_opened;
    if (o.kind != Outcome::not_opened && o.damaged) ++damaged;
    read_error = read_error || o.read_error;
  }
  // Whether the run stops after this outcome: a file not opened, unless
  // --keep-going or -r.
  static bool stops(const RunSettings& s, const Outcome& o) {
    return o.kind == Outcome::not_opened && !s.keep_going && !s.recursive;
  }
  int status(const RunSettings& s) const {
    if (not_opened > 0 || read_error) return 1;
    return s.walk.mode == Mode::check && damaged > 0 ? 3 : 0;
  }
};

// --- Progress, on a terminal ---

// When standard error is a terminal and standard output is not, a run that
// lasts more than a second shows one line on standard error, rewritten in
// place: files done, bytes read, rate. It is erased at the end.
class Progress {
 public:
  std::atomic<int64_t> files{0};
  std::atomic<int64_t> bytes{0};

  explicit Progress(FILE* err) : err_(err) {
    if (isatty(fileno(err)) && !isatty(STDOUT_FILENO)) ticker_ = std::thread([this] { run(); });
  }
  ~Progress() {
    if (!ticker_.joinable()) return;
    {
      std::lock_guard<std::mutex> lock(m_);
      done_ = true;
    }
    cv_.notify_all();
    ticker_.join();
  }

 private:
  void run() {
    using namespace std::chrono;
    const auto start = steady_clock::now();
    std::unique_lock<std::mutex> lock(m_);
    bool shown = false;
    while (!cv_.wait_for(lock, milliseconds(250), [this] { return done_; })) {
      const double elapsed = duration<double>(steady_clock::now() - start).count();
      if (elapsed < 1.0) continue;
      const double mib = static_cast<double>(bytes.load()) / (1 << 20);
      fprintf(err_, "\r%lld files, %.1f MiB read, %.1f MiB/s\033[K", static_cast<long long>(files.load()), mib,
              mib / elapsed);
      fflush(err_);
      shown = true;
    }
    if (shown) {
      fputs("\r\033[K", err_);
      fflush(err_);
    }
  }

  FILE* err_;
  std::mutex m_;
  std::condition_variable cv_;
  bool done_ = false;
  std::thread ticker_;
};

// --- One after another ---

void walk_in_turn(const RunSettings& s, Names& names, Tally& tally, Progress& progress, FILE* out, FILE* err) {
  ReadBuffer buffer;  // one for the whole run
  Entry e;
  while (names.next(e)) {
    const Outcome o = walk_one(s, e, buffer, out, err, &progress.bytes);
    tally.add(o);
    ++progress.files;
    if ((tally.stopped = Tally::stops(s, o))) return;
  }
}

// --- Side by side ---

// Writes bytes on a stream of the run (fd, or a FILE where there is none),
// ending the run as a failed report write does.
void write_out(FILE* f, const char* p, size_t n) {
  const int fd = fileno(f);
  while (n > 0) {
    const ssize_t k = fd >= 0 ? write(fd, p, n) : static_cast<ssize_t>(fwrite(p, 1, n, f));
    if (k <= 0) {
      if (k < 0 && errno == EINTR) continue;
      if (errno != EPIPE) fprintf(stderr, "Error: writing the report failed: %s\n", strerror(errno != 0 ? errno : EIO));
      _exit(1);
    }
    p += k;
    n -= static_cast<size_t>(k);
  }
}

// Bytes a report that waits for its turn may hold; past them its walk waits.
constexpr size_t kHeld = 1 << 20;

// Files that follow one another, walked in order on a worker: a few small
// ones in one job, so that handing them over costs little beside their
// walks. Until the job's turn comes (the files before it are written), its
// reports and messages are held; then they are written, and whatever it
// writes after goes straight to the run's streams.
struct Job {
  std::vector<Entry> entries;
  std::vector<Outcome> outcomes;  // of the files walked, in order
  std::mutex m;
  std::condition_variable cv;
  std::string held[2];  // report, messages
  bool direct = false;  // its turn has come
  bool dropped = false; // the run stopped before its turn: what it writes is dropped
  bool done = false;
};

// The most files, and bytes of them, a job takes; a file of unknown size
// (standard input, a FIFO, one that cannot be opened) ends a job.
constexpr size_t kJobFiles = 64;
constexpr int64_t kJobBytes = 1 << 20;

// One of a job's two streams, a FILE whose writes hold or pass the bytes.
struct JobStream {
  Job* job;
  int which;   // 0: report, 1: messages
  FILE* real;  // the run's stream

  static ssize_t write(void* cookie, const char* p, size_t n) {
    JobStream& s = *static_cast<JobStream*>(cookie);
    Job& j = *s.job;
    std::unique_lock<std::mutex> lock(j.m);
    j.cv.wait(lock, [&] { return j.direct || j.dropped || j.held[s.which].size() + n <= kHeld; });
    if (j.dropped) return static_cast<ssize_t>(n);
    if (!j.direct) {
      j.held[s.which].append(p, n);
      return static_cast<ssize_t>(n);
    }
    lock.unlock();
    write_out(s.real, p, n);
    return static_cast<ssize_t>(n);
  }
};

class SideBySide {
 public:
  SideBySide(const RunSettings& s, Progress& progress, FILE* out, FILE* err)
      : s_(s), progress_(progress), out_(out), err_(err) {
    fflush(out_);
    fflush(err_);
    for (int i = 0; i < s.jobs; ++i) workers_.emplace_back([this] { work(); });
  }
  ~SideBySide() {
    {
      std::lock_guard<std::mutex> lock(m_);
      closed_ = true;
    }
    cv_.notify_all();
    for (std::thread& t : workers_) t.join();
  }

  // Walks the names in order, at most a few files per worker ahead of the
  // one being written.
  void run(Names& names, Tally& tally) {
    std::deque<std::shared_ptr<Job>> pending;  // in the order of the names
    const size_t window = 4 * static_cast<size_t>(s_.jobs);
    Entry e;
    bool more = true;
    bool held = false;  // `e` is the next name, not yet in a job
    while (more || !pending.empty()) {
      while (more && pending.size() < window) {
        auto job = std::make_shared<Job>();
        for (int64_t bytes = 0; job->entries.size() < kJobFiles;) {
          if (!held && !(more = names.next(e))) break;
          const int64_t size = e.size < 0 ? kJobBytes : e.size;
          held = !job->entries.empty() && bytes + size > kJobBytes;
          if (held) break;
          bytes += size;
          job->entries.push_back(std::move(e));
        }
        if (job->entries.empty()) break;
        pending.push_back(job);
        {
          std::lock_guard<std::mutex> lock(m_);
          queue_.push_back(job);
        }
        cv_.notify_one();
      }
      if (pending.empty()) break;
      std::shared_ptr<Job> head = pending.front();
      pending.pop_front();
      finish(*head);
      for (const Outcome& o : head->outcomes) {
        tally.add(o);
        ++progress_.files;
        if ((tally.stopped = Tally::stops(s_, o))) {
          stop(pending);
          return;
        }
      }
    }
  }

 private:
  // The job's turn: what it holds is written, then it writes on its own
  // until it is done.
  void finish(Job& j) {
    std::unique_lock<std::mutex> lock(j.m);
    write_out(out_, j.held[0].data(), j.held[0].size());
    write_out(err_, j.held[1].data(), j.held[1].size());
    j.held[0].clear();
    j.held[1].clear();
    j.direct = true;
    j.cv.notify_all();
    j.cv.wait(lock, [&] { return j.done; });
  }

  // The run stops: the files after are not walked, and what they write is
  // dropped.
  void stop(std::deque<std::shared_ptr<Job>>& pending) {
    {
      std::lock_guard<std::mutex> lock(m_);
      queue_.clear();
    }
    for (auto& job : pending) {
      std::lock_guard<std::mutex> lock(job->m);
      job->dropped = true;
      job->cv.notify_all();
    }
  }

  void work() {
    ReadBuffer buffer;  // one per worker, reused for its files
    for (;;) {
      std::shared_ptr<Job> job;
      {
        std::unique_lock<std::mutex> lock(m_);
        cv_.wait(lock, [this] { return closed_ || !queue_.empty(); });
        if (queue_.empty()) return;
        job = queue_.front();
        queue_.pop_front();
      }
      JobStream streams[2] = {{job.get(), 0, out_}, {job.get(), 1, err_}};
      const cookie_io_functions_t io = {nullptr, JobStream::write, nullptr, nullptr};
      FILE* out = fopencookie(&streams[0], "w", io);
      FILE* err = fopencookie(&streams[1], "w", io);
      setvbuf(out, nullptr, _IOFBF, 1 << 16);
      std::vector<Outcome> outcomes;
      for (const Entry& e : job->entries) {
        outcomes.push_back(walk_one(s_, e, buffer, out, err, &progress_.bytes));
        if (Tally::stops(s_, outcomes.back())) break;  // the run ends there
      }
      fclose(out);
      fclose(err);
      std::lock_guard<std::mutex> lock(job->m);
      job->outcomes = std::move(outcomes);
      job->done = true;
      job->cv.notify_all();
    }
  }

  const RunSettings& s_;
  Progress& progress_;
  FILE* out_;
  FILE* err_;
  std::mutex m_;
  std::condition_variable cv_;
  std::deque<std::shared_ptr<Job>> queue_;
  bool closed_ = false;
  std::vector<std::thread> workers_;
};

}  // namespace

int walk_files(const RunSettings& s, char* const* names, int count, FILE* out, FILE* err, bool* stopped) {
  Names all(names, count, s.recursive);
  Tally tally;
  {
    Progress progress(err);
    if (s.jobs > 1) {
      SideBySide(s, progress, out, err).run(all, tally);
    } else {
      walk_in_turn(s, all, tally, progress, out, err);
    }
  }
  if (s.walk.mode == Mode::check) {
    fflush(out);
    fprintf(err, "%lld files checked, %lld damaged, %lld skipped, %lld could not be opened\n",
            static_cast<long long>(tally.checked), static_cast<long long>(tally.damaged),
            static_cast<long long>(tally.skipped), static_cast<long long>(tally.not_opened));
  }
  *stopped = tally.stopped;
  return tally.status(s);
}

}  // namespace tagdelve
