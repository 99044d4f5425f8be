#!/usr/bin/env bash
# Makes the ASF (WMA) test files with ffmpeg (5.1 was used).
# Run from anywhere; the files land beside this script.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
ff() { ffmpeg -hide_banner -loglevel error -y "$@"; }

# WMA v2 with the common tags: title and artist land in the content
# description object, the rest in the extended content description object.
# Three seconds are enough for ffmpeg to write a simple index object.
ff -f lavfi -i sine=f=440:d=3 -c:a wmav2 -b:a 32k -fflags +bitexact \
   -metadata creation_time=2001-08-23T14:55:02Z \
   -metadata title="Test Tone" -metadata artist="The Sines" -metadata album="Waveforms" \
   -metadata genre="Electronic" -metadata track=7 -metadata copyright="(c) nobody" \
   -metadata comment="café" \
   "$here/asf_wmav2_tags.wma"

# WMA v1 with a cover picture. ffmpeg stores an attached picture as a second
# (MJPEG) stream, with a metadata object in the header extension.
ff -f lavfi -i color=c=red:s=16x16:d=1 -frames:v 1 "$tmp/cover.jpg"
ff -f lavfi -i sine=f=660:d=3 -i "$tmp/cover.jpg" -map 0 -map 1 \
   -c:a wmav1 -b:a 32k -c:v copy -disposition:v attached_pic -fflags +bitexact \
   -metadata creation_time=2001-08-23T14:55:02.5Z \
   -metadata title="Tone" -metadata artist="Sines" -metadata album="Pictures" \
   -metadata genre="Test" -metadata track=2 \
   "$here/asf_wmav1_cover.wma"

