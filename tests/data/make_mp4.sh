#!/usr/bin/env bash
# Makes the MP4 test files with ffmpeg and mutagen.
#   mp4_aac_cover.m4a    AAC, iTunes metadata (title, artist, album, year,
#                        comment, genre, track 3 of 12) and a JPEG cover
#                        (an attached picture: a covr item)
#   mp4_alac.m4a         Apple Lossless, a title
#   mp4_mutagen.m4a      AAC, items written by mutagen: trkn, disk, cpil, tmpo,
#                        aART, freeform ---- items in UTF-8 and UTF-16, a PNG
#                        cover, and its padding (a free box inside meta)
#   mp4_chapters.m4b     AAC, two chapters from an ffmetadata file: a chpl box
#                        and a chapter text track (tref/chap)
#   mp4_fragmented.mp4   AAC in movie fragments (moof/traf, mfra at the end)
#   mp4_quicktime.mov    PCM in a QuickTime movie: wide box, texts held
#                        straight in udta
# Needs: ffmpeg, ImageMagick (the covers), a Python 3 with mutagen (PYTHON, by
# default /usr/bin/python3).
set -euo pipefail
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

exact=(-flags +bitexact -fflags +bitexact)
ffmpeg -v error -f lavfi -i "sine=frequency=440:duration=0.25:sample_rate=8000" -ac 1 -c:a pcm_s16le \
  -map_metadata -1 "${exact[@]}" "$tmp/tone.wav"
convert -size 8x8 xc:blue -strip "$tmp/cover.jpg"
convert -size 4x4 xc:green -strip "$tmp/cover.png"
aac=(-c:a aac -b:a 16k)

ffmpeg -v error -y -i "$tmp/tone.wav" -i "$tmp/cover.jpg" -map 0 -map 1 "${aac[@]}" -c:v copy \
  -disposition:v attached_pic -metadata title="Tone" -metadata artist="tagdelve" -metadata album="Tests" \
  -metadata track="3/12" -metadata date="2026" -metadata genre="Test" -metadata comment="A comment" \
  "${exact[@]}" mp4_aac_cover.m4a

ffmpeg -v error -y -i "$tmp/tone.wav" -c:a alac -metadata title="Lossless" "${exact[@]}" mp4_alac.m4a

ffmpeg -v error -y -i "$tmp/tone.wav" "${aac[@]}" "${exact[@]}" mp4_mutagen.m4a
"${PYTHON:-/usr/bin/python3}" - "$tmp/cover.png" <<'PY'
import sys
from mutagen.mp4 import MP4, MP4Cover, MP4FreeForm, AtomDataType
f = MP4("mp4_mutagen.m4a")
f["\xa9nam"] = ["Tagged"]
f["aART"] = ["Various"]
f["cpil"] = True
f["tmpo"] = [120]
f["disk"] = [(1, 2)]
f["trkn"] = [(5, 9)]
f["----:com.apple.iTunes:MOOD"] = [MP4FreeForm(b"Calm")]
f["----:com.apple.iTunes:NOTE"] = [MP4FreeForm("Grüße".encode("utf-16-be"), dataformat=AtomDataType.UTF16)]
f["covr"] = [MP4Cover(open(sys.argv[1], "rb").read(), imageformat=MP4Cover.FORMAT_PNG)]
f.save()
PY

cat > "$tmp/chapters.txt" <<'META'
;FFMETADATA1
title=Book
artist=Reader
[CHAPTER]
TIMEBASE=1/1000
START=0
END=100
title=One
[CHAPTER]
TIMEBASE=1/1000
START=100
END=250
title=Two
META
ffmpeg -v error -y -i "$tmp/tone.wav" -i "$tmp/chapters.txt" -map_metadata 1 -map_chapters 1 "${aac[@]}" \
  "${exact[@]}" mp4_chapters.m4b

ffmpeg -v error -y -i "$tmp/tone.wav" "${aac[@]}" -movflags frag_keyframe+empty_moov+default_base_moof \
  -frag_duration 100000 "${exact[@]}" mp4_fragmented.mp4

ffmpeg -v error -y -i "$tmp/tone.wav" -c:a pcm_s16be -t 0.1 -metadata title="Movie" -metadata artist="tagdelve" \
  "${exact[@]}" mp4_quicktime.mov
