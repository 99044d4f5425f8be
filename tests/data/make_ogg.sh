#!/usr/bin/env bash
# Makes the Ogg test files with real encoders.
#   ogg_vorbis_tags.ogg    oggenc, with tags (one outside ASCII)
#   ogg_opus_cover.opus    opusenc, with tags and a JPEG front cover (base64 in METADATA_BLOCK_PICTURE)
#   ogg_flac_cover.oga     flac --ogg, with tags, a seek table, padding and a JPEG front cover
#   ogg_chained.ogg        two Vorbis files by oggenc, one after the other (serial numbers 1 and 2)
#   ogg_multiplexed.ogg    ffmpeg, a Vorbis and an Opus stream interleaved
#   ogg_speex.spx          ffmpeg (libspeex), with a title
# Needs: oggenc, opusenc, flac, ffmpeg, ImageMagick.
set -euo pipefail
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

sine() {  # frequency, seconds, file
  ffmpeg -v error -flags +bitexact -f lavfi -i "sine=frequency=$1:duration=$2:sample_rate=8000" -ac 1 \
    -c:a pcm_s16le -map_metadata -1 -fflags +bitexact "$3"
}
sine 440 0.25 "$tmp/a.wav"
sine 660 0.25 "$tmp/b.wav"
convert -size 8x8 xc:blue -strip "$tmp/cover.jpg"

oggenc -Q -q 0 --serial 1234 -t "Tone" -a "tagdelve" -c "ALBUM=Zoë's Tänze" -o ogg_vorbis_tags.ogg "$tmp/a.wav"

opusenc --quiet --serial 5678 --title "Tone" --artist "tagdelve" --picture "3||front||$tmp/cover.jpg" \
  "$tmp/a.wav" ogg_opus_cover.opus

flac -s -f --ogg --serial-number=99 -T "TITLE=Tone" -T "ARTIST=tagdelve" -S 1s -P 16 \
  --picture="3|image/jpeg|front|8x8x24|$tmp/cover.jpg" -o ogg_flac_cover.oga "$tmp/a.wav"

oggenc -Q -q 0 --serial 1 -t "First" -o "$tmp/1.ogg" "$tmp/a.wav"
oggenc -Q -q 0 --serial 2 -t "Second" -o "$tmp/2.ogg" "$tmp/b.wav"
cat "$tmp/1.ogg" "$tmp/2.ogg" > ogg_chained.ogg

ffmpeg -v error -y -i "$tmp/a.wav" -i "$tmp/b.wav" -map 0:a -map 1:a -c:a:0 libvorbis -q:a:0 0 \
  -c:a:1 libopus -b:a:1 16k -serial_offset 10 -flags +bitexact -fflags +bitexact -map_metadata -1 \
  ogg_multiplexed.ogg

ffmpeg -v error -y -i "$tmp/a.wav" -c:a libspeex -metadata title="Tone" -flags +bitexact -fflags +bitexact \
  -serial_offset 20 ogg_speex.spx
