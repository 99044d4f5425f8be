#!/usr/bin/env bash
# Makes the bundled sample files with real tools:
#   song.mp3    lame; ID3v2.4 tag with a JPEG front cover by eyeD3; ID3v1.1 tag by id3v2
#   tone.flac   flac, with Vorbis comments and a JPEG front cover
#   tone.wma    ffmpeg (WMA v2), with title, artist, album and a comment
#   tone.opus   opusenc, with tags and a JPEG front cover
#   tone.m4a    ffmpeg (AAC in MP4), with iTunes metadata and a JPEG front cover
#   photo.jpg   ImageMagick, with Exif data (and a thumbnail) by exiftool
#   picture.png ImageMagick, with texts (one compressed) and Exif data with GPS
#               (an eXIf chunk) by exiftool
#   scan.tif    ImageMagick, uncompressed in strips of two rows, with Exif and
#               GPS directories by exiftool
#   bundle.tar  GNU tar of the first four
#   tone.wav    ffmpeg, with INFO texts; an ID3v2.3 tag in an 'id3 ' chunk by mutagen
#   tone.aiff   ffmpeg, with AIFF texts and an ID3v2.4 tag in an 'ID3 ' chunk
#   track07     an MP3 file without an extension (lame), its ID3v2.3 tag by
#               eyeD3 in UTF-16 and its ID3v1 tag by id3v2 in ISO-8859-1, with
#               letters outside ASCII: for --detect and --utf8
# Needs: ffmpeg, lame, eyeD3, id3v2, flac, opusenc, ImageMagick, exiftool, GNU
# tar, and python3 with mutagen (PYTHON names another interpreter).
# Run from anywhere; the files land beside this script.
set -euo pipefail
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

ffmpeg -v error -flags +bitexact -f lavfi -i "sine=frequency=440:duration=0.5" -ac 1 -ar 22050 \
  -map_metadata -1 -fflags +bitexact "$tmp/tone.wav"
convert -size 16x16 gradient:'#3366cc'-'#99ccff' -strip -quality 60 "$tmp/cover.jpg"
convert -size 8x8 xc:gray -strip -quality 50 "$tmp/thumb.jpg"

lame --quiet -b 32 --cbr -m m "$tmp/tone.wav" song.mp3
eyeD3 -Q --v2 --to-v2.4 -t "A Tone" -a "tagdelve" -A "Samples" -n 1 -Y 2026 -G "Electronic" \
  -c "Made for the README" --add-image "$tmp/cover.jpg:FRONT_COVER:Cover" song.mp3 >/dev/null
id3v2 -1 -t "A Tone" -a "tagdelve" -A "Samples" -T 1 -y 2026 -g 52 song.mp3

flac -s -f -T "TITLE=A Tone" -T "ARTIST=tagdelve" -T "ALBUM=Samples" \
  --picture="3|image/jpeg|Cover|16x16x24|$tmp/cover.jpg" -o tone.flac "$tmp/tone.wav"

ffmpeg -v error -y -i "$tmp/tone.wav" -c:a wmav2 -b:a 32k -metadata title="A Tone" \
  -metadata artist="tagdelve" -metadata album="Samples" -metadata comment="Made for the README" tone.wma

opusenc --quiet --serial 2026 --title "A Tone" --artist "tagdelve" --album "Samples" \
  --picture "3||Cover||$tmp/cover.jpg" "$tmp/tone.wav" tone.opus
ffmpeg -v error -y -i "$tmp/tone.wav" -i "$tmp/cover.jpg" -map 0 -map 1 -c:a aac -b:a 24k -c:v copy \
  -disposition:v attached_pic -metadata title="A Tone" -metadata artist="tagdelve" -metadata album="Samples" \
  -metadata track=1 -metadata date=2026 -flags +bitexact -fflags +bitexact tone.m4a

convert -size 48x32 gradient:orange-teal -strip -quality 70 photo.jpg
exiftool -q -overwrite_original -Make=Acme -Model="Acme Cam 2" -Orientation#=1 \
  -XResolution=72 -YResolution=72 -ResolutionUnit=inches \
  -ExposureTime=1/60 -FNumber=4 -ISO=200 -DateTimeOriginal="2024:05:06 07:08:09" \
  "-ThumbnailImage<=$tmp/thumb.jpg" photo.jpg

convert -size 24x16 gradient:'#3366cc'-'#99ccff' -density 72 -units PixelsPerInch \
  -define png:exclude-chunks=date,time picture.png
exiftool -q -overwrite_original -z -PNG:Title="A Picture" -PNG:Author=tagdelve \
  "-PNG:Description=$(printf 'Made for the README; %.0s' 1 2 3)" -EXIF:Make=Acme -EXIF:Model="Acme Cam 2" \
  -DateTimeOriginal="2024:05:06 07:08:09" -GPSLatitude=48.8584 -GPSLatitudeRef=N -GPSLongitude=2.2945 \
  -GPSLongitudeRef=E picture.png

convert -size 32x24 gradient:orange-teal -compress none -define tiff:rows-per-strip=2 -depth 8 scan.tif
exiftool -q -overwrite_original -Make=Acme -Model="Acme Scan 2" -Software=tagdelve \
  -DateTimeOriginal="2024:05:06 07:08:09" -ExposureTime=1/60 -FNumber=4 -ISO=200 -GPSLatitude=48.8584 \
  -GPSLatitudeRef=N -GPSLongitude=2.2945 -GPSLongitudeRef=E scan.tif

lame --quiet -b 32 --cbr -m m "$tmp/tone.wav" track07
eyeD3 -Q --v2 --to-v2.3 --encoding utf16 -t "Ünïcode Tänze" -a "Zoë" -A "Samples" -n 7 \
  track07 >/dev/null
id3v2 -1 -t "$(printf 'T\xe4nze')" -a "$(printf 'Zo\xeb')" -A "Samples" -T 7 track07

short=(-f lavfi -i "sine=frequency=440:sample_rate=8000:duration=0.25" -ac 1 -flags +bitexact -fflags +bitexact)
ffmpeg -v error -y "${short[@]}" -metadata title="A Tone" -metadata artist="tagdelve" -metadata album="Samples" \
  -metadata comment="Made for the README" tone.wav
"${PYTHON:-python3}" -c 'from mutagen.wave import WAVE; from mutagen.id3 import TIT2, TPE1
f = WAVE("tone.wav"); f.add_tags(); f.tags.add(TIT2(encoding=3, text="A Tone")); f.tags.add(TPE1(encoding=3, text="tagdelve"))
f.save(v2_version=3, padding=lambda info: 0)'
ffmpeg -v error -y "${short[@]}" -metadata title="A Tone" -metadata author="tagdelve" \
  -metadata comment="Made for the README" -write_id3v2 1 tone.aiff

tar --format=ustar --sort=name --owner=me:1000 --group=us:1000 --mtime='2026-01-01 00:00:00Z' --mode=0644 \
  -cf bundle.tar song.mp3 tone.flac tone.wma photo.jpg
