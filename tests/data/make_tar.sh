#!/usr/bin/env bash
# Makes the TAR test archives with GNU tar from the other test files, in the
# default (GNU), ustar, pax and v7 formats. Needs: GNU tar, head.
set -euo pipefail
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
opts=(--sort=name --owner=me:1000 --group=us:1000 --mtime='2021-06-01 12:00:00Z' --mode=0644)

mkdir -p "$tmp/m"
cp mp3_cover_v24.mp3 "$tmp/m/song.mp3"
cp flac_tagged.flac "$tmp/m/tone.flac"
cp asf_wmav2_tags.wma "$tmp/m/tone.wma"
cp exif_ii.jpg "$tmp/m/photo.jpg"
printf 'liner notes\n' > "$tmp/m/notes.txt"
tar "${opts[@]}" --format=ustar -C "$tmp/m" -cf "$tmp/m/inner.tar" photo.jpg notes.txt

# Every kind of member, default GNU format.
tar "${opts[@]}" -C "$tmp/m" -cf tar_gnu.tar song.mp3 tone.flac tone.wma photo.jpg notes.txt inner.tar
# The same few members in the other formats.
for f in ustar pax v7; do
  tar "${opts[@]}" --format=$f -C "$tmp/m" -cf tar_$f.tar song.mp3 photo.jpg notes.txt
done

# A long member name: GNU writes a long-name block, pax an extended header.
long=$(printf 'd%.0s' {1..110})
mkdir -p "$tmp/l/$long"
cp mp3_mpeg2_mono.mp3 "$tmp/l/$long/long.mp3"
tar "${opts[@]}" --format=gnu -C "$tmp/l" -cf tar_longname_gnu.tar "$long/long.mp3"
tar "${opts[@]}" --format=pax --pax-option=delete=atime,delete=ctime -C "$tmp/l" -cf tar_longname_pax.tar "$long/long.mp3"

# Members whose walk stops early, each followed by a normal member: an MP3
# that is not MP3, a JPEG cut before its end, a FLAC with a wrong marker, and
# an empty MP3.
mkdir -p "$tmp/r"
printf 'this is not an mp3 file at all\n%.0s' {1..40} > "$tmp/r/bad.mp3"
head -c 600 exif_ii.jpg > "$tmp/r/cut.jpg"
{ printf 'fLaX'; tail -c +5 flac_tagged.flac; } > "$tmp/r/wrong.flac"
: > "$tmp/r/empty.mp3"
for i in 1 2 3 4; do cp mp3_mpeg2_mono.mp3 "$tmp/r/good$i.mp3"; done
tar "${opts[@]}" --format=ustar -C "$tmp/r" -cf tar_resync.tar \
  bad.mp3 good1.mp3 cut.jpg good2.mp3 wrong.flac good3.mp3 empty.mp3 good4.mp3
