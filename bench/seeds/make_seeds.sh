#!/usr/bin/env bash
# Makes the two real files that the benchmark's many-files case copies 1,000
# times each, the way a music or photo folder holds them:
#   song.mp3   about 55 KB: 3 s of a tone encoded by lame at 128 kbit/s, with
#              an ID3v2.4 tag written by eyeD3 (title, artist, album, track,
#              a JPEG front cover made by ImageMagick);
#   photo.jpg  about 16 KB: a 400x300 JPEG made by ImageMagick, with Exif
#              written by exiftool (camera, dates, exposure, GPS-free).
# Needs ffmpeg, lame, eyeD3, ImageMagick (convert) and exiftool. The files
# are committed; run this only to make them again.
set -euo pipefail
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

ffmpeg -v error -f lavfi -i "sine=frequency=440:duration=3" -ac 2 -ar 44100 "$tmp/tone.wav"
lame --quiet --noreplaygain -b 128 "$tmp/tone.wav" song.mp3
convert -seed 3 -size 200x200 plasma:fractal -quality 80 "$tmp/cover.jpg"
eyeD3 --quiet --to-v2.4 --title "Folder Song" --artist "tagdelve" --album "Benchmark" \
  --track 7 --add-image "$tmp/cover.jpg:FRONT_COVER:Cover" song.mp3

convert -seed 7 -size 400x300 plasma:fractal -blur 0x1 -quality 85 photo.jpg
exiftool -q -overwrite_original -Make="tagdelve" -Model="Bench Camera" \
  -DateTimeOriginal="2026:12:07 10:00:00" -CreateDate="2026:12:07 10:00:00" \
  -ExposureTime=1/125 -FNumber=5.6 -ISO=200 -FocalLength=35 -Orientation#=1 \
  -Software="ImageMagick" -Artist="tagdelve" photo.jpg
ls -l song.mp3 photo.jpg
