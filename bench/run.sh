#!/usr/bin/env bash
# Benchmark: builds tagdelve (Release), writes the large inputs into a scratch
# folder and times tagdelve against `cat` and the peer programs that are
# installed, writing the table to bench/RESULTS.md.
#
#   bench/run.sh [SCRATCH_DIR]        (default /tmp/tagdelve-bench)
#
# Environment: BUILD_DIR (default build), REPS (default 7), SLOW_REPS
# (default 3, for ffprobe -show_packets and exiftool), GENERATOR (cmake -G
# value for a new build folder, default Ninja when ninja is installed).
# The inputs take about 1.9 GiB; they are kept between runs and written again
# only when the generator or its seed files change.
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
  --reps "${REPS:-7}" --slow-reps "${SLOW_REPS:-3}"
