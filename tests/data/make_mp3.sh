#!/usr/bin/env bash
# Makes the small MP3 files that the end-to-end tests read, with real tools:
# lame (and ffmpeg for layer II) for the audio, id3v2 and eyeD3 for the tags.
# Every file holds a second or less of audio at a low bit rate. No ID3v1 tag
# is written (id3v2 -2, eyeD3 --v2), so each file is a tag and its frames.
# Run from anywhere; writes into the directory of this script. The committed
# files are what the tests expect: re-running gives equivalent, not
# byte-identical, files (the tools stamp their versions and dates).
set -euo pipefail
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# Sources: a 440 Hz tone, stereo at 44100 Hz and mono at 22050 and 8000 Hz.
ffmpeg -v error -f lavfi -i "sine=frequency=440:duration=0.5" -ac 2 -ar 44100 "$tmp/st44.wav"
ffmpeg -v error -f lavfi -i "sine=frequency=440:duration=0.5" -ac 1 -ar 22050 "$tmp/mo22.wav"
ffmpeg -v error -f lavfi -i "sine=frequency=440:duration=1" -ac 1 -ar 8000 "$tmp/mo8.wav"
ffmpeg -v error -f lavfi -i "sine=frequency=440:duration=1" -ac 1 -ar 44100 \
  -af "volume='if(lt(t,0.5),0.1,1)':eval=frame" "$tmp/mo44.wav"

# MPEG-1 layer III, constant 32 kbit/s, stereo at 44100 Hz (joint stereo),
# with an ID3v2.3 tag written by id3v2.
lame --quiet -b 32 --cbr --resample 44.1 "$tmp/st44.wav" mp3_cbr_v23.mp3
id3v2 -2 -t "Tone" -a "tagdelve" -A "Test files" -y 2024 -T 1/3 -c "made by lame" \
  mp3_cbr_v23.mp3

# MPEG-1 layer III, variable bit rate, mono at 44100 Hz (quiet half, then
# loud), with an ID3v2.4 tag written by eyeD3.
lame --quiet -V 9 -m m --resample 44.1 "$tmp/mo44.wav" mp3_vbr_v24.mp3
eyeD3 -Q --v2 --to-v2.4 -t "Tone" -a "tagdelve" -A "Test files" -n 2 \
  --text-frame "TSOP:Performer sort" mp3_vbr_v24.mp3 >/dev/null

# MPEG-2 layer III, 16 kbit/s, mono at 22050 Hz, no tag.
lame --quiet -b 16 --cbr -m m --resample 22.05 "$tmp/mo22.wav" mp3_mpeg2_mono.mp3

# MPEG 2.5 layer III, 8 kbit/s, mono at 8000 Hz, with an ID3v2.3 tag by eyeD3.
lame --quiet -b 8 --cbr -m m --resample 8 "$tmp/mo8.wav" mp3_mpeg25_v23.mp3
eyeD3 -Q --v2 --to-v2.3 -t "Low" mp3_mpeg25_v23.mp3 >/dev/null

# MPEG-1 layer II by ffmpeg, 32 kbit/s mono at 32000 Hz, with an ID3v2.4
# tag by eyeD3.
ffmpeg -v error -f lavfi -i "sine=frequency=440:duration=0.5" -ac 1 -ar 32000 \
  -c:a mp2 -b:a 32k -f mp2 -y mp3_layer2_v24.mp3
eyeD3 -Q --v2 --to-v2.4 -t "Layer two" mp3_layer2_v24.mp3 >/dev/null

# The running time against ffprobe's duration: a second of tone, mono at 32
# kbit/s, by lame and by ffmpeg (libmp3lame) at 44100 and 48000 Hz, no tag.
# ffprobe -show_entries format=duration gave 1.045 and 1.032 s for lame's,
# 1.044898 and 1.032 s for ffmpeg's; the walks say 1.045, 1.032, 1.071 and
# 1.056 s: for ffmpeg's files one frame more (ffprobe leaves out the info
# frame, which the walk counts as the frame it is).
ffmpeg -v error -f lavfi -i "sine=frequency=440:duration=1" -ac 1 -ar 44100 "$tmp/1s44.wav"
ffmpeg -v error -f lavfi -i "sine=frequency=440:duration=1" -ac 1 -ar 48000 "$tmp/1s48.wav"
lame --quiet -b 32 --cbr -m m --resample 44.1 "$tmp/1s44.wav" mp3_lame_44k.mp3
lame --quiet -b 32 --cbr -m m --resample 48 "$tmp/1s48.wav" mp3_lame_48k.mp3
for rate in 44 48; do
  ffmpeg -v error -i "$tmp/1s$rate.wav" -c:a libmp3lame -b:a 32k -write_xing 1 -id3v2_version 0 \
    -y mp3_ffmpeg_${rate}k.mp3
done

# The sample for the README's first command: the CBR file.
