#!/usr/bin/env bash
# Makes the small MP3 files whose ID3v2 frames the end-to-end tests decode,
# tagged by three real taggers: eyeD3 (ID3v2.4), id3v2/id3lib (ID3v2.3) and
# ffmpeg (ID3v2.3). The audio is 0.3 s of a tone by lame at 8 kbit/s, mono,
# 8000 Hz; the pictures are 8x8 images made by ImageMagick.
# Run from anywhere; writes into the directory of this script. Re-running
# gives equivalent, not byte-identical, files (lame and ffmpeg stamp their
# versions).
set -euo pipefail
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

ffmpeg -v error -f lavfi -i "sine=frequency=440:duration=0.3" -ac 1 -ar 8000 "$tmp/tone.wav"
lame --quiet -b 8 --cbr -m m --resample 8 "$tmp/tone.wav" "$tmp/tone.mp3"
convert -size 8x8 xc:'#3366cc' -strip -quality 50 "$tmp/cover.jpg"
convert -size 8x8 xc:'#cc6633' -strip "$tmp/back.png"
printf 'First line\nSecond line\n' >"$tmp/lyrics.txt"
printf 'hello' >"$tmp/hi.bin"

# ID3v2.4 by eyeD3: a JPEG front cover and a PNG back cover, a comment, an
# iTunes normalisation comment (eyeD3 stores it without iTunes' final zero
# byte: 103 bytes), lyrics, a user text, a URL, a user URL and an object.
cp "$tmp/tone.mp3" mp3_cover_v24.mp3
eyeD3 -Q --v2 --to-v2.4 -t "Cover" -a "tagdelve" \
  --add-image "$tmp/cover.jpg:FRONT_COVER:Front" --add-image "$tmp/back.png:BACK_COVER:Back" \
  -c "A comment" \
  --add-comment " 00000384 00000320 00000960 00001388 0000AB12 0000CD34 00004000 00008000 00024CA8 00024CA9:iTunNORM:eng" \
  --add-lyrics "$tmp/lyrics.txt:Verse:eng" --user-text-frame "Mood:calm" \
  --url-frame "WOAR:http://example.com/artist" --user-url-frame "Shop:http://example.com/shop" \
  --add-object "$tmp/hi.bin:application/octet-stream:Greeting:hi.bin" mp3_cover_v24.mp3 >/dev/null

# ID3v2.3 by id3v2 (id3lib): an iTunes gapless comment (delay 0x240, padding
# 0x3C0, sample count 0x960), a plain comment, a user text, lyrics, a URL.
cp "$tmp/tone.mp3" mp3_itunes_v23.mp3
id3v2 -2 -t "Gapless" \
  --COMM "iTunSMPB: 00000000 00000240 000003C0 0000000000000960 00000000 00000000:eng" \
  -c "":"plain comment":"eng" --TXXX "Mood:calm" --USLT "Verse:la la la:eng" \
  --WCOM "http://example.com/buy" mp3_itunes_v23.mp3 >/dev/null

# ID3v2.3 by ffmpeg: a JPEG cover from a second input, and metadata keys that
# ffmpeg writes as user texts (comment, lyrics, mood).
ffmpeg -v error -i "$tmp/tone.mp3" -i "$tmp/cover.jpg" -map 0 -map 1 -c copy \
  -id3v2_version 3 -write_id3v1 0 -metadata title="Framed" -metadata comment="made by ffmpeg" \
  -metadata lyrics="la la" -metadata mood="calm" -metadata:s:v title="Cover" \
  -metadata:s:v comment="Cover (front)" -y mp3_ffmpeg_v23.mp3

# A sample with a cover picture for the README's first command.
