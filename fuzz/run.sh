#!/usr/bin/env bash
# Builds the fuzz targets with clang and fuzzes each for SECONDS (default 60).
# New inputs go to a scratch corpus; the committed seeds in fuzz/corpus/ are
# only read. Crashes are written to fuzz/artifacts/.
set -euo pipefail
seconds=${1:-60}
cd "$(dirname "$0")/.."
CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAGDELVE_FUZZ=ON -DTAGDELVE_TESTS=OFF >/dev/null
cmake --build build-fuzz -j2
mkdir -p fuzz/artifacts
status=0
for target in build-fuzz/fuzz/fuzz_*; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  seeds=fuzz/corpus/${name#fuzz_}
  work=build-fuzz/corpus/$name
  mkdir -p "$work" "$seeds"
  echo "== $name for ${seconds}s"
  if ! ASAN_OPTIONS=${ASAN_OPTIONS:-quarantine_size_mb=32} "$target" -max_total_time="$seconds" -timeout=1 -rss_limit_mb=256 -malloc_limit_mb=64 \
      -artifact_prefix=fuzz/artifacts/"$name"- -print_final_stats=1 "$work" "$seeds" 2>&1 | tail -n 12; then
    status=1
  fi
done
exit $status
