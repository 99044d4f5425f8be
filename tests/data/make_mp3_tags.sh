#!/usr/bin/env bash
# Makes the small MP3 files with tags after the audio that the end-to-end
# tests read. The audio comes from lame (a fifth of a second at 8 kbit/s,
# mono at 8000 Hz); ID3v1.1 tags are written by id3v2, APE v2 tags by
# mutagen (Debian's python3-mutagen). Lyrics3 blocks and the extended ID3v1
# tag "TAG+", which no tool at hand writes, are composed below by a short
# Python script and put where the formats' documents place them: after the
# audio (and after an APE tag), before the ID3v1 tag.
# Run from anywhere; writes into the directory of this script. The committed
# files are what the tests expect: re-running gives equivalent, not
# byte-identical, files (lame stamps its version).
set -euo pipefail
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
py=/usr/bin/python3   # the system Python, where python3-mutagen is installed

ffmpeg -v error -f lavfi -i "sine=frequency=440:duration=0.2" -ac 1 -ar 8000 "$tmp/tone.wav"
lame --quiet -b 8 --cbr -m m --resample 8 "$tmp/tone.wav" "$tmp/audio.mp3"

# Writes an APE v2 tag with mutagen: a text item per key=value argument,
# and with --binary a binary item and an external locator.
ape() {
  "$py" - "$@" <<'PY'
import sys
from mutagen.apev2 import APEv2, APEBinaryValue, APEExtValue
path, args = sys.argv[1], sys.argv[2:]
tag = APEv2()
for a in args:
    if a == "--binary":
        tag["Cover Art (Front)"] = APEBinaryValue(b"cover.jpg\x00\xff\xd8\xff\xe0")
        tag["Related"] = APEExtValue("http://example.org/")
    else:
        key, value = a.split("=", 1)
        tag[key] = value
tag.save(path)
PY
}

# Appends a Lyrics3 block: "v2" fields IND, LYR and ETT with the 6-digit block
# size and LYRICS200, or "v1" lyrics text ending with LYRICSEND. With "ext"
# an extended ID3v1 tag follows it.
compose() {
  "$py" - "$@" <<'PY'
import sys
path, what = sys.argv[1], sys.argv[2:]
out = b""
if "v2" in what:
    body = b"LYRICSBEGIN"
    for fid, value in ((b"IND", b"10"), (b"LYR", b"[00:00]La la\r\n[00:01]Lo lo"),
                       (b"ETT", b"Tone with lyrics")):
        body += fid + b"%05d" % len(value) + value
    out += body + b"%06d" % len(body) + b"LYRICS200"
if "v1" in what:
    out += b"LYRICSBEGIN" + b"Line one\r\nLast Line\r\nLYRICSEND"
if "ext" in what:
    def field(text, width):
        return text.ljust(width, b"\0")
    out += (b"TAG+" + field(b"ich goes on in the extended tag", 60)
            + field(b"tagdelve", 60) + field(b"Test files", 60) + b"1"
            + field(b"Sine Wave", 30) + b"000:00" + b"000:01")
with open(path, "ab") as f:
    f.write(out)
PY
}

# ID3v1.1 (track number 5, genre 17) by id3v2, after the audio.
cp "$tmp/audio.mp3" mp3_id3v1.mp3
id3v2 -1 -t "Tone" -a "tagdelve" -A "Test files" -y 2024 -c "made by lame" -T 5 -g 17 \
  mp3_id3v1.mp3

# An APE v2 tag by mutagen, with text, binary and external locator items.
cp "$tmp/audio.mp3" mp3_ape.mp3
ape mp3_ape.mp3 "Title=Tone" "Artist=tagdelve" "Catalog=TD-0001" --binary

# All three after the audio: an APE v2 tag by mutagen, a Lyrics3 v2 block,
# and an ID3v1.1 tag by id3v2.
cp "$tmp/audio.mp3" mp3_ape_lyrics3_id3v1.mp3
ape mp3_ape_lyrics3_id3v1.mp3 "Title=Tone" "Artist=tagdelve" "Year=2024"
compose mp3_ape_lyrics3_id3v1.mp3 v2
id3v2 -1 -t "Tone" -a "tagdelve" -A "Test files" -y 2024 -c "all three" -T 3 -g 52 \
  mp3_ape_lyrics3_id3v1.mp3

# A Lyrics3 version 1 block and an extended tag, then ID3v1.1 by id3v2, whose
# 30-byte title goes on in the extended tag.
cp "$tmp/audio.mp3" mp3_lyrics3v1_ext.mp3
compose mp3_lyrics3v1_ext.mp3 v1 ext
id3v2 -1 -t "A tone with a longer title, wh" -a "tagdelve" -A "Test files" -y 2024 -T 9 -g 255 \
  mp3_lyrics3v1_ext.mp3

# The sample for the README's first command: the file with all three.
