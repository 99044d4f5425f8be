#!/usr/bin/env bash
# Builds the fuzz targets with clang and fuzzes each for SECONDS (default 60).
# New inputs go to a scratch corpus; the committed seeds in fuzz/corpus/ and
# the recorded inputs in fuzz/regressions/ are only read. Crashes are written
# to fuzz/artifacts/. PARALLEL=1 runs the targets at the same time.
set -euo pipefail
seconds=${1:-60}
cd "$(dirname "$0")/.."
CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAGDELVE_FUZZ=ON -DTAGDELVE_TESTS=OFF >/dev/null
cmake --build build-fuzz -j2
mkdir -p fuzz/artifacts build-fuzz/logs

fuzz_one() {
  local target=$1 name seeds work regressions
  name=$(basename "$target")
  seeds=fuzz/corpus/${name#fuzz_}
  regressions=fuzz/regressions/${name#fuzz_}
  [ -d "$regressions" ] || regressions=
  work=build-fuzz/corpus/$name
  mkdir -p "$work" "$seeds"
  ASAN_OPTIONS=${ASAN_OPTIONS:-quarantine_size_mb=32} "$target" -max_total_time="$seconds" -timeout=1 \
    -rss_limit_mb=256 -malloc_limit_mb=64 -artifact_prefix=fuzz/artifacts/"$name"- -print_final_stats=1 \
    "$work" "$seeds" $regressions >build-fuzz/logs/"$name".log 2>&1
}

status=0
pids=()
for target in build-fuzz/fuzz/fuzz_*; do
  [ -x "$target" ] || continue
  if [ "${PARALLEL:-0}" = 1 ]; then
    fuzz_one "$target" &
    pids+=($!)
  else
    fuzz_one "$target" || status=1
  fi
done
for pid in "${pids[@]}"; do wait "$pid" || status=1; done
for log in build-fuzz/logs/*.log; do
  echo "== $(basename "$log" .log)"
  grep -E '^(Done|stat::number_of_executed_units|stat::peak_rss_mb)|SUMMARY|ERROR' "$log" || true
done
exit $status
