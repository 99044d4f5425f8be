#!/usr/bin/env python3
"""Times tagdelve, the `cat` floor and the peer programs on the benchmark
inputs and writes the Markdown table.

    measure.py --tool build/tagdelve --timeit TIMEIT --inputs DIR --out bench/RESULTS.md [--reps N]

Each command runs once as a warm-up, then N times (fewer for the slow peers),
the commands of a file taking turns so that a slow drift of the machine
spreads over all of them. A run's wall time is taken around fork and wait; its
peak RSS is the ru_maxrss that wait4 reports for the child; the small timeit
wrapper (bench/timeit.cpp) forks and measures. Standard output and standard
error go to /dev/null.
"""

import argparse
import os
import platform
import shutil
import statistics
import subprocess
import sys
import time

MIB = 1 << 20


TIMEIT = None  # the timeit wrapper (bench/timeit.cpp)
JSON = False    # the tool has --json


def run_once(argv):
    """Wall seconds and peak RSS (KiB) of one run of argv, measured by the
    small timeit wrapper: a child of this Python process would inherit the
    interpreter's resident set as its peak."""
    out = subprocess.run([TIMEIT] + argv, capture_output=True, text=True, check=True)
    wall, rss = out.stdout.split()
    return float(wall), int(rss)


class Command:
    def __init__(self, label, argv, reps, role, pair=None):
        self.label = label  # as shown in the table
        self.argv = argv
        self.reps = reps
        self.role = role    # "tool", "floor" or "peer"
        self.pair = pair    # for a peer: the tagdelve label it is compared with
        self.walls = []
        self.rss = 0
        self.report = 0  # bytes of report text (tagdelve runs)

    def median(self):
        return statistics.median(self.walls)


def have(program):
    return shutil.which(program) is not None


def commands_for(name, path, tool, reps, slow_reps):
    # Reading the sparse files of several GiB takes `cat` seconds.
    big = os.path.getsize(path) > 3 << 30
    cmds = [
        Command("cat FILE > /dev/null", ["cat", path], slow_reps if big else reps, "floor"),
        Command("tagdelve", [tool, path], reps, "tool"),
        Command("tagdelve -v", [tool, "-v", path], reps, "tool"),
        Command("tagdelve -v -v", [tool, "-v", "-v", path], reps, "tool"),
    ]
    if JSON:
        cmds.append(Command("tagdelve --json", [tool, "--json", path], reps, "tool"))
        cmds.append(Command("tagdelve --json -v -v", [tool, "--json", "-v", "-v", path], reps, "tool"))
    ext = name.rsplit(".", 1)[-1]
    if ext in ("mp3", "wma", "ogg") and have("ffprobe"):
        cmds.append(Command("ffprobe -count_packets", [
            "ffprobe", "-v", "error", "-count_packets", "-show_entries",
            "stream=nb_read_packets", path], slow_reps, "peer", "tagdelve"))
        cmds.append(Command("ffprobe -show_packets", [
            "ffprobe", "-v", "error", "-show_packets", path], slow_reps, "peer",
            "tagdelve -v -v"))
    if ext == "m4a" and have("ffprobe"):
        cmds.append(Command("ffprobe -show_format", ["ffprobe", "-v", "error", "-show_format", path], slow_reps,
                            "peer", "tagdelve"))
    if ext == "flac" and have("metaflac"):
        cmds.append(Command("metaflac --list", ["metaflac", "--list", path], reps, "peer",
                            "tagdelve -v -v"))
    if ext == "jpg" and have("exiftool"):
        cmds.append(Command("exiftool -v3", ["exiftool", "-v3", path], slow_reps, "peer",
                            "tagdelve -v -v"))
    if ext in ("png", "tif") and have("exiftool"):
        cmds.append(Command("exiftool -v3", ["exiftool", "-v3", path], slow_reps, "peer",
                            "tagdelve -v -v"))
    if ext == "png" and have("exiv2"):
        cmds.append(Command("exiv2 -pS", ["exiv2", "-pS", path], reps, "peer", "tagdelve -v -v"))
    if ext == "tif" and have("tiffinfo"):
        cmds.append(Command("tiffinfo", ["tiffinfo", path], reps, "peer", "tagdelve -v"))
    if ext == "flac" and big and have("metaflac"):
        cmds[-1].pair = "tagdelve"
    if ext == "tar" and have("tar"):
        cmds.append(Command("tar -tvf", ["tar", "-tvf", path], reps, "peer", "tagdelve"))
    return cmds


def report_bytes(argv):
    """Bytes of report text that argv writes (as `| wc -c` counts them)."""
    proc = subprocess.Popen(argv, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    total = 0
    while True:
        chunk = proc.stdout.read(MIB)
        if not chunk:
            break
        total += len(chunk)
    proc.wait()
    return total


def many_commands(paths, tool, reps, slow_reps):
    """The many-files case: every file of the folder in one run."""
    cmds = [
        Command("cat FILES > /dev/null", ["cat"] + paths, reps, "floor"),
        Command("tagdelve FILES", [tool] + paths, reps, "tool"),
        Command("tagdelve -v FILES", [tool, "-v"] + paths, reps, "tool"),
        Command("tagdelve -v -v FILES", [tool, "-v", "-v"] + paths, reps, "tool"),
    ]
    folder = os.path.dirname(paths[0])
    for jobs in ("1", "2", "0"):
        cmds.append(Command("tagdelve -v -r -j %s DIR" % jobs, [tool, "-v", "-r", "-j", jobs, folder], reps, "tool"))
    if have("exiftool"):
        cmds.append(Command("exiftool -v3 FILES", ["exiftool", "-v3"] + paths, slow_reps, "peer",
                            "tagdelve -v FILES"))
        cmds.append(Command("exiftool -r DIR", ["exiftool", "-r", folder], slow_reps, "peer",
                            "tagdelve -v -r -j 1 DIR"))
    return cmds


def tree_commands(folder, tool, reps):
    """The check of a tree of 10,000 files: tagdelve --check against the
    closest check exiftool makes (one run after the warm-up: it takes
    seconds)."""
    cmds = [
        Command("tagdelve -r --check DIR", [tool, "-r", "--check", folder], reps, "tool"),
        Command("tagdelve -r --check -j 0 DIR", [tool, "-r", "--check", "-j", "0", folder], reps, "tool"),
    ]
    if have("exiftool"):
        cmds.append(Command("exiftool -r -q -q -validate -warning DIR",
                            ["exiftool", "-r", "-q", "-q", "-validate", "-warning", folder], 1, "peer",
                            "tagdelve -r --check DIR"))
    return cmds


def cpu():
    """The CPU's model name and its fast-string copy flags (erms: enhanced
    rep movsb; fsrm: fast short rep movsb), on which the cost of copying from
    the page cache depends."""
    model, flags = "unknown CPU", set()
    try:
        with open("/proc/cpuinfo") as f:
            for line in f:
                if line.startswith("model name") and model == "unknown CPU":
                    model = line.split(":", 1)[1].strip()
                elif line.startswith("flags") and not flags:
                    flags = set(line.split(":", 1)[1].split())
    except OSError:
        pass
    fast = [f for f in ("erms", "fsrm") if f in flags]
    return "%s (fast-string flags: %s)" % (model, ", ".join(fast) if fast else "none")


def machine():
    mem = ""
    try:
        with open("/proc/meminfo") as f:
            kib = int(f.readline().split()[1])
            mem = ", %.0f GiB RAM" % (kib / MIB)
    except (OSError, ValueError, IndexError):
        pass
    return "%d cores%s, Linux %s" % (os.cpu_count() or 0, mem, platform.release())


def version_of(argv):
    try:
        out = subprocess.run(argv, capture_output=True, text=True, timeout=30)
        text = (out.stdout or out.stderr).strip().splitlines()
        return text[0] if text else "?"
    except (OSError, subprocess.SubprocessError):
        return "?"


def compiler(cache):
    """The C++ compiler a CMake build directory uses."""
    try:
        with open(cache) as f:
            for line in f:
                if line.startswith("CMAKE_CXX_COMPILER:"):
                    return line.split("=", 1)[1].strip()
    except (OSError, TypeError):
        pass
    return "c++"


def fmt_time(s):
    return "%.3f" % s if s < 10 else "%.2f" % s


def time_commands(cmds):
    """Warms each command up, then runs the commands in turns."""
    for c in cmds:  # warm-up: the page cache, and each program's own files
        run_once(c.argv)
    for rep in range(max(c.reps for c in cmds)):
        for c in cmds:
            if rep < c.reps:
                wall, rss = run_once(c.argv)
                c.walls.append(wall)
                c.rss = max(c.rss, rss)
    for c in cmds:
        print("  %-24s %s s  %6.1f MiB" % (c.label, fmt_time(c.median()), c.rss / 1024),
              flush=True)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--tool", required=True)
    ap.add_argument("--timeit", required=True, help="the built bench/timeit.cpp")
    ap.add_argument("--inputs", required=True)
    ap.add_argument("--out", required=True)
    ap.add_argument("--cache", help="CMakeCache.txt of the build, for the compiler's name")
    ap.add_argument("--reps", type=int, default=11)
    ap.add_argument("--slow-reps", type=int, default=3)
    args = ap.parse_args()
    global TIMEIT, JSON
    TIMEIT = args.timeit
    JSON = "--json" in subprocess.run([args.tool, "--help"], capture_output=True, text=True).stdout

    files = ["cbr.mp3", "vbr.mp3", "picture.flac", "image.jpg", "audio.wma", "all.tar", "audio.ogg", "large.m4a",
             "audio.wav", "image.png", "camera.tif", "padding.flac", "huge-gnu.tar", "huge-pax.tar"]
    results = []
    began = time.time()
    load_before = os.getloadavg()[0]
    for name in files:
        path = os.path.join(args.inputs, name)
        size = os.path.getsize(path)
        cmds = commands_for(name, path, args.tool, args.reps, args.slow_reps)
        print("%s (%.0f MiB)" % (name, size / MIB), flush=True)
        time_commands(cmds)
        results.append((name, size, cmds))

    folder = os.path.join(args.inputs, "many")
    many_paths = sorted(os.path.join(folder, n) for n in os.listdir(folder))
    many_size = sum(os.path.getsize(p) for p in many_paths)
    many = many_commands(many_paths, args.tool, args.reps, args.slow_reps)
    print("many/ (%d files, %.0f MiB)" % (len(many_paths), many_size / MIB), flush=True)
    time_commands(many)
    tree_folder = os.path.join(args.inputs, "tree")
    tree_files = sum(len(names) for _, _, names in os.walk(tree_folder))
    tree = tree_commands(tree_folder, args.tool, args.reps)
    print("tree/ (%d files)" % tree_files, flush=True)
    time_commands(tree)

    # Report sizes, as `| wc -c` counts them, for the throughput.
    for c in [c for _, _, cmds in results for c in cmds] + many + tree:
        if c.role == "tool":
            c.report = report_bytes(c.argv)
    cbr_cmds = {c.label: c for c in results[0][2]}
    v2 = cbr_cmds["tagdelve -v -v"]
    throughput = v2.report / v2.median() / 1e6
    elapsed = time.time() - began
    load_after = os.getloadavg()[0]

    lines = []
    add = lines.append
    add("# Benchmark results")
    add("")
    add("Written by `bench/run.sh` on %s." % time.strftime("%Y-%m-%d"))
    add("")
    add("- CPU: %s. Figures compare only with runs on the same kind of CPU: the cost of"
        " reading from the page cache depends on its copy instructions." % cpu())
    add("- Machine: %s. Load average (1 min) %.2f before the runs, %.2f after." % (
        machine(), load_before, load_after))
    add("- tagdelve: Release build (%s), report to /dev/null." % version_of(
        [compiler(args.cache), "--version"]))
    peers = []
    if have("ffprobe"):
        peers.append("ffprobe: " + version_of(["ffprobe", "-version"]))
    if have("metaflac"):
        peers.append(version_of(["metaflac", "--version"]))
    if have("exiftool"):
        peers.append("exiftool " + version_of(["exiftool", "-ver"]))
    if have("tar"):
        peers.append(version_of(["tar", "--version"]))
    if have("exiv2"):
        peers.append(version_of(["exiv2", "--version"]))
    if have("tiffinfo"):
        peers.append("tiffinfo (libtiff-tools)")
    if peers:
        add("- Peers: " + "; ".join(peers) + ".")
    add("- Each command runs once to warm up, then %d times (the slow peers %d times, as"
        " the Runs column says); the commands of a file take turns. Time is the median"
        " wall time from fork to wait4, page cache warm; Peak RSS is the largest"
        " ru_maxrss over the runs (a child starts as a copy of the small timeit wrapper,"
        " about 1 MiB)." % (args.reps, args.slow_reps))
    add("- x cat: median time over that of `cat FILE > /dev/null`. Report: bytes of"
        " report text (`| wc -c`). Peer / tagdelve: the peer's median time over"
        " that of the tagdelve run of like work (in brackets); above 1, tagdelve is"
        " faster.")
    add("- Inputs are synthesised by `bench/make_inputs.py` (see its header). all.tar"
        " holds the five files before it and a filler member of pseudo-random bytes (an"
        " unsupported type) that brings it to 1 GiB. tagdelve reads a FLAC file up to its"
        " audio frames, and skips by seeking the audio of a FLAC member, the data packets"
        " of an ASF file, the data chunk of audio.wav (1 GiB) and members it does not walk;"
        " MP3 frames and JPEG entropy-coded data are read through. `tar -tvf` reads the"
        " headers only. large.m4a is a 2 GiB MP4 file, almost all of it a media data box"
        " (a hole in a sparse file) that tagdelve passes over by seeking; `ffprobe -show_format`"
        " reads its boxes. image.png is 8 KiB IDAT chunks whose data is passed over;"
        " camera.tif is 36 MB of strips, its directories after them, read at their offsets."
        " padding.flac holds 4 GiB of padding blocks, huge-gnu.tar and huge-pax.tar a member of"
        " 9 GiB (its size in base-256 and in a pax record) and a song after it: holes in sparse"
        " files, passed over by seeking; `cat` reads their zeros.")
    add("- The whole measurement took %.0f s." % elapsed)
    add("")
    add("| File | Command | Runs | Time (ms) | Peak RSS (MiB) | x cat | Report (bytes) |"
        " Peer / tagdelve |")
    add("|---|---|--:|--:|--:|--:|--:|--:|")
    worst_v0 = (0.0, "")
    worst_json = (0.0, "")
    worst_rss = (0, "")
    show_packets = None
    for name, size, cmds in results:
        floor = next(c for c in cmds if c.role == "floor").median()
        by_label = {c.label: c for c in cmds}
        first = True
        for c in cmds:
            m = c.median()
            ratio = m / floor
            versus = ""
            if c.role == "peer":
                versus = "%.1f (`%s`)" % (m / by_label[c.pair].median(), c.pair)
            report = "{:,}".format(c.report) if c.role == "tool" else ""
            if c.role == "tool":
                if c.rss > worst_rss[0]:
                    worst_rss = (c.rss, "`%s` on %s" % (c.label, name))
                if c.label == "tagdelve" and ratio > worst_v0[0]:
                    worst_v0 = (ratio, name)
                if c.label == "tagdelve --json" and m / by_label["tagdelve"].median() > worst_json[0]:
                    worst_json = (m / by_label["tagdelve"].median(), name)
            if name == "cbr.mp3" and c.label == "ffprobe -show_packets":
                show_packets = m / v2.median()
            label = "**%s** (%.0f MiB)" % (name, size / MIB) if first else ""
            first = False
            add("| %s | `%s` | %d | %.1f | %.1f | %.2f | %s | %s |" % (
                label, c.label, len(c.walls), m * 1e3, c.rss / 1024, ratio, report, versus))

    add("")
    add("## Many files")
    add("")
    add("The folder many/ holds %d small real files, %.1f MiB in all: 1,000 copies of an MP3"
        " of %s bytes (lame, with an ID3v2.4 tag and a JPEG cover by eyeD3) and 1,000 copies"
        " of a JPEG of %s bytes (ImageMagick, Exif by exiftool); see bench/seeds/. Every"
        " command gets the whole list in one run, as `tagdelve -v many/*` does." % (
            len(many_paths), many_size / MIB,
            "{:,}".format(os.path.getsize(os.path.join(folder, "song0000.mp3"))),
            "{:,}".format(os.path.getsize(os.path.join(folder, "photo0000.jpg")))))
    add("")
    add("| Command | Runs | Time (ms) | Files/s | Time per file (us) | x cat | Peak RSS (MiB)"
        " | Report (bytes) | Peer / tagdelve |")
    add("|---|--:|--:|--:|--:|--:|--:|--:|--:|")
    floor = many[0].median()
    by_label = {c.label: c for c in many}
    for c in many:
        m = c.median()
        versus = ""
        if c.role == "peer":
            versus = "%.1f (`%s`)" % (m / by_label[c.pair].median(), c.pair)
        if c.role == "tool" and c.rss > worst_rss[0]:
            worst_rss = (c.rss, "`%s` on many/" % c.label)
        report = "{:,}".format(c.report) if c.role == "tool" else ""
        add("| `%s` | %d | %.1f | %s | %.1f | %.2f | %.1f | %s | %s |" % (
            c.label, len(c.walls), m * 1e3, "{:,.0f}".format(len(many_paths) / m),
            m / len(many_paths) * 1e6, m / floor, c.rss / 1024, report, versus))

    add("")
    add("## A tree of 10,000 files")
    add("")
    add("The folder tree/ holds %d files in 100 folders: the files made by real tools under"
        " tests/data (every format, some of them damaged on purpose), taken in turn." % tree_files)
    add("")
    add("| Command | Runs | Time (ms) | Files/s | Peak RSS (MiB) | Peer / tagdelve |")
    add("|---|--:|--:|--:|--:|--:|")
    tree_by = {c.label: c for c in tree}
    for c in tree:
        if c.role == "tool" and c.rss > worst_rss[0]:
            worst_rss = (c.rss, "`%s` on tree/" % c.label)
        versus = "%.1f (`%s`)" % (c.median() / tree_by[c.pair].median(), c.pair) if c.role == "peer" else ""
        add("| `%s` | %d | %.1f | %s | %.1f | %s |" % (c.label, len(c.walls), c.median() * 1e3,
                                                    "{:,.0f}".format(tree_files / c.median()), c.rss / 1024, versus))

    add("")
    add("## Targets")
    add("")
    add("| Target | Result | Met |")
    add("|---|---|---|")
    add("| verbose 0: at most 1.2 x cat on every file | worst %.2f x cat (%s) | %s |" % (
        worst_v0[0], worst_v0[1], "yes" if worst_v0[0] <= 1.2 else "**no**"))
    add("| verbose 2 on cbr.mp3: report text at 1 GB/s or more | %.0f MB/s (%d bytes in"
        " %.1f ms) | %s |" % (throughput, v2.report, v2.median() * 1e3,
                              "yes" if throughput >= 1000 else "**no**"))
    if JSON:
        jv2 = cbr_cmds["tagdelve --json -v -v"]
        jthroughput = jv2.report / jv2.median() / 1e6
        add("| `--json` at verbose 0: at most 1.3 x the text's time on every file | worst %.2f x"
            " (%s) | %s |" % (worst_json[0], worst_json[1], "yes" if worst_json[0] <= 1.3 else "**no**"))
        add("| `--json -v -v` on cbr.mp3: JSON at 500 MB/s or more | %.0f MB/s (%d bytes in"
            " %.1f ms) | %s |" % (jthroughput, jv2.report, jv2.median() * 1e3,
                                  "yes" if jthroughput >= 500 else "**no**"))
    if show_packets is not None:
        add("| verbose 2 on cbr.mp3: at least 10 x faster than `ffprobe -show_packets` |"
            " %.1f x faster | %s |" % (show_packets, "yes" if show_packets >= 10 else "**no**"))
    else:
        add("| verbose 2 on cbr.mp3: at least 10 x faster than `ffprobe -show_packets` |"
            " ffprobe not installed | - |")
    tv = by_label["tagdelve -v FILES"].median()
    add("| many files: `tagdelve -v` no slower than `cat` of the same files | %.2f x cat"
        " (%.1f ms against %.1f ms) | %s |" % (tv / floor, tv * 1e3, floor * 1e3,
                                              "yes" if tv <= floor else "**no**"))
    if "exiftool -v3 FILES" in by_label:
        ex = by_label["exiftool -v3 FILES"].median() / tv
        add("| many files: at least 100 x the files per second of `exiftool -v3` | %.0f x"
            " (%s against %s files/s) | %s |" % (
                ex, "{:,.0f}".format(len(many_paths) / tv),
                "{:,.0f}".format(len(many_paths) / by_label["exiftool -v3 FILES"].median()),
                "yes" if ex >= 100 else "**no**"))
    else:
        add("| many files: at least 100 x the files per second of `exiftool -v3` |"
            " exiftool not installed | - |")
    j1, j2 = by_label["tagdelve -v -r -j 1 DIR"].median(), by_label["tagdelve -v -r -j 2 DIR"].median()
    add("| many files, `-r`: `-j 2` at least 1.6 x the speed of `-j 1` (on %d cores) | %.2f x (%.1f ms"
        " against %.1f ms) | %s |" % (os.cpu_count() or 0, j1 / j2, j2 * 1e3, j1 * 1e3,
                                      "yes" if j1 / j2 >= 1.6 else "**no**"))
    if "exiftool -r -q -q -validate -warning DIR" in tree_by:
        ex = tree_by["exiftool -r -q -q -validate -warning DIR"].median() / tree_by["tagdelve -r --check DIR"].median()
        add("| tree of 10,000 files: `-r --check` at least 50 x the files per second of `exiftool -r -q -q"
            " -validate -warning` | %.0f x | %s |" % (ex, "yes" if ex >= 50 else "**no**"))
    for name, size, cmds in results:
        if name == "audio.ogg":
            by = {c.label: c for c in cmds}
            ratio = by["tagdelve"].median() / by["cat FILE > /dev/null"].median()
            add("| audio.ogg (pages read to be counted): verbose 0 at most 1.3 x cat | %.2f x cat | %s |" % (
                ratio, "yes" if ratio <= 1.3 else "**no**"))
    add("| peak RSS at most 16 MiB on every tagdelve run | worst %.1f MiB (%s) | %s |" % (
        worst_rss[0] / 1024, worst_rss[1], "yes" if worst_rss[0] <= 16 * 1024 else "**no**"))
    add("")
    with open(args.out, "w") as f:
        f.write("\n".join(lines))
    print("wrote %s in %.0f s" % (args.out, elapsed))


if __name__ == "__main__":
    sys.exit(main())
