#!/usr/bin/env bash
# Writes the reference reports: for every file in the given folders (by
# default tests/data, samples and each folder under tests/cases), the report
# of the built tool at verbosity 0, 1 and 2, as tests/ref/<folder>/<file>.v0,
# .v1 and .v2 (<folder> is the folder's path below tests/ or the project
# root: data, samples, cases/mp3, ...), and for the real files (tests/data,
# samples) the JSON report at verbosity 2 as <file>.json. The tool is run
# from the project root with the path relative to it, as the tests run it.
#
#   tests/ref/make_refs.sh [FOLDER...]     (TOOL: default build/tagdelve)
#
# The files of a folder tests/cases/<name>-<option> are walked with the
# option --<option>, all that follows the first '-' (tests/cases/mp3-utf8 with
# --utf8, tests/cases/any-detect with --detect, tests/cases/jpeg-all-ifds with
# --all-ifds).
#
# A changed reference report is a change of behaviour: read the diff against
# the file's format before committing it, and say why in the commit message.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
tool=${TOOL:-$root/build/tagdelve}
cd "$root"
folders=("$@")
if [ ${#folders[@]} -eq 0 ]; then
  folders=(tests/data samples)
  for d in tests/cases/*/; do folders+=("${d%/}"); done
fi
for dir in "${folders[@]}"; do
  dir=${dir%/}
  rel=${dir#tests/}
  out=tests/ref/$rel
  opt=()
  base=$(basename "$dir")
  case $base in *-*) opt=("--${base#*-}") ;; esac
  mkdir -p "$out"
  rm -f "$out"/*.v[012] "$out"/*.json
  for f in "$dir"/*; do
    [ -f "$f" ] || continue
    name=$(basename "$f")
    "$tool" "${opt[@]}" "$f" >"$out/$name.v0" || true
    "$tool" "${opt[@]}" -v "$f" >"$out/$name.v1" || true
    "$tool" "${opt[@]}" -v -v "$f" >"$out/$name.v2" || true
    case $dir in tests/data | samples) "$tool" "${opt[@]}" --json -v -v "$f" >"$out/$name.json" || true ;; esac
  done
done
