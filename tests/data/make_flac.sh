#!/usr/bin/env bash
# Makes the FLAC test files with the reference encoder and metaflac.
# Needs: flac, metaflac, ffmpeg (a short sine tone), ImageMagick (pictures).
set -euo pipefail
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

ffmpeg -v error -flags +bitexact -f lavfi -i "sine=frequency=440:duration=0.25:sample_rate=8000" -ac 1 -c:a pcm_s16le -map_metadata -1 -fflags +bitexact "$tmp/tone.wav"
convert -size 8x8 xc:blue -strip "$tmp/cover.jpg"
convert -size 4x4 xc:green -strip "$tmp/back.png"

# Tags, a seek table and padding, with a JPEG front cover and a PNG back cover.
flac -s -f --best -T "TITLE=Tone" -T "ARTIST=tagdelve" -S 1s -P 64 \
  --picture="3|image/jpeg|front|8x8x24|$tmp/cover.jpg" \
  -o flac_tagged.flac "$tmp/tone.wav"
metaflac --import-picture-from="4|image/png|back|4x4x24|$tmp/back.png" flac_tagged.flac

# A cue sheet with a catalogue number.
cat > "$tmp/tone.cue" <<'CUE'
CATALOG 1234567890123
FILE "tone.wav" WAVE
  TRACK 01 AUDIO
    INDEX 01 00:00:00
CUE
flac -s -f --cuesheet="$tmp/tone.cue" --no-padding -o flac_cuesheet.flac "$tmp/tone.wav"
