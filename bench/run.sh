#!/usr/bin/env bash
# Benchmark: builds tagdelve (Release), writes the large inputs into a scratch
# folder and times tagdelve against `cat` and the peer programs that are
# installed, writing the table to bench/RESULTS.md.
#
#   bench/run.sh [SCRATCH_DIR]        (default /tmp/tagdelve-bench)
#
# Environment: BUILD_DIR (default build; it is configured as a Release
# build without sanitizers), REPS (default 11), SLOW_REPS (default 3, for the
# ffprobe runs and exiftool), GENERATOR (cmake -G value for a new build
# folder, default Ninja when ninja is installed).
# Needs cmake, a C++ compiler and python3; the peers (ffprobe, metaflac,
# exiftool, tar, exiv2, tiffinfo) are timed when installed. The inputs take
# about 3.3 GiB of disk (the large files, some of them sparse; many/: 2,000
# small real files copied from bench/seeds/; tree/: 10,000 files of
# tests/data); they are kept between runs and written again only when the
# generator or its seed files change. The whole run takes about five minutes
# on two cores.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
scratch=${1:-/tmp/tagdelve-bench}
build=${BUILD_DIR:-build}
case $build in /*) ;; *) build=$root/$build ;; esac

gen=()
if [ ! -f "$build/CMakeCache.txt" ]; then
  g=${GENERATOR:-}
  if [ -z "$g" ] && command -v ninja >/dev/null; then g=Ninja; fi
  if [ -n "$g" ]; then gen=(-G "$g"); fi
fi
cmake -S "$root" -B "$build" "${gen[@]}" -DCMAKE_BUILD_TYPE=Release -DTAGDELVE_SANITIZE=OFF \
  -DTAGDELVE_FUZZ=OFF >/dev/null
cmake --build "$build" --target tagdelve
cxx=$(sed -n 's/^CMAKE_CXX_COMPILER:[A-Z]*=//p' "$build/CMakeCache.txt")
"${cxx:-c++}" -O2 -Wall -Wextra -o "$build/bench-timeit" "$root/bench/timeit.cpp"

python3 "$root/bench/make_inputs.py" "$scratch"
python3 "$root/bench/measure.py" --tool "$build/tagdelve" --timeit "$build/bench-timeit" \
  --inputs "$scratch" \
  --cache "$build/CMakeCache.txt" --out "$root/bench/RESULTS.md" \
  --reps "${REPS:-11}" --slow-reps "${SLOW_REPS:-3}"
