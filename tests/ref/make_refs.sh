#!/usr/bin/env bash
# Writes the reference reports: for every file under tests/data/ and
# samples/, the report of the built tool at verbosity 0, 1 and 2, as
# tests/ref/<folder>/<file>.v0, .v1 and .v2. The tool is run from the project
# root with the path relative to it, as the test runner runs it.
#
#   tests/ref/make_refs.sh [TOOL]     (default build/tagdelve)
#
# A changed reference report is a change of behaviour: read the diff against
# the file's format before committing it, and say why in the commit message.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
tool=${1:-$root/build/tagdelve}
cd "$root"
for dir in tests/data samples; do
  out=tests/ref/$(basename "$dir")
  mkdir -p "$out"
  rm -f "$out"/*.v[012]
  for f in "$dir"/*; do
    [ -f "$f" ] || continue
    name=$(basename "$f")
    "$tool" "$f" >"$out/$name.v0"
    "$tool" -v "$f" >"$out/$name.v1"
    "$tool" -v -v "$f" >"$out/$name.v2"
  done
done
