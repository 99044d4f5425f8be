#!/usr/bin/env bash
# Makes the WAV and AIFF test files with real tools: ffmpeg (INFO texts, a
# broadcast extension, RF64, AIFF texts and an ID3 chunk, AIFF-C 'sowt'),
# sox (WAVE_FORMAT_EXTENSIBLE, IMA ADPCM with its fact chunk, AIFF-C 'NONE')
# and mutagen (ID3v2 tags in an 'id3 ' and an 'ID3 ' chunk, one with a JPEG
# cover by ImageMagick). A tenth of a second of a tone or less, at 8000 Hz.
# Needs: ffmpeg, sox, ImageMagick, and python3 with mutagen (PYTHON names
# another interpreter, e.g. PYTHON=/usr/bin/python3).
# Run from anywhere; writes into the directory of this script.
set -euo pipefail
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
tone=(-f lavfi -i "sine=frequency=440:sample_rate=8000:duration=0.1")
exact=(-flags +bitexact -fflags +bitexact)

ffmpeg -v error -y "${tone[@]}" "${exact[@]}" -ac 1 -metadata title="A Tone" -metadata artist="tagdelve" \
  -metadata comment="INFO texts by ffmpeg" -metadata date="2024" wav_ffmpeg_info.wav
ffmpeg -v error -y "${tone[@]}" "${exact[@]}" -t 0.05 -ac 2 -c:a pcm_s24le -write_bext 1 -metadata description="Take 1" \
  -metadata originator="tagdelve" -metadata originator_reference="REF-0001" -metadata origination_date="2024-05-06" \
  -metadata origination_time="07:08:09" -metadata time_reference=16000 \
  -metadata coding_history="A=PCM,F=8000,W=24,M=stereo,T=ffmpeg" wav_ffmpeg_bext.wav
ffmpeg -v error -y "${tone[@]}" "${exact[@]}" -t 0.05 -ac 1 -c:a pcm_f32le -rf64 always wav_ffmpeg_rf64.wav
ffmpeg -v error -y "${tone[@]}" "${exact[@]}" -ac 1 -metadata title="A Tone" -metadata author="tagdelve" \
  -metadata copyright="2024 tagdelve" -metadata comment="AIFF texts by ffmpeg" -write_id3v2 1 aiff_ffmpeg_id3.aiff
ffmpeg -v error -y "${tone[@]}" "${exact[@]}" -t 0.05 -ac 1 -c:a pcm_s16le aifc_ffmpeg_sowt.aifc

sox -D -n -r 8000 -c 4 -b 24 wav_sox_extensible.wav synth 0.02 sine 440
sox -D -n -r 8000 -c 1 -e ima-adpcm wav_sox_adpcm.wav synth 0.1 sine 440
sox -D -n -r 8000 -c 1 -b 16 aifc_sox_none.aifc synth 0.05 sine 440

ffmpeg -v error -y "${tone[@]}" "${exact[@]}" -t 0.05 -ac 1 wav_mutagen_id3.wav
ffmpeg -v error -y "${tone[@]}" "${exact[@]}" -t 0.05 -ac 1 aiff_mutagen_id3.aiff
convert -size 8x8 xc:'#3366cc' -strip -quality 50 "$tmp/cover.jpg"
"${PYTHON:-python3}" - "$tmp/cover.jpg" <<'PY'
import sys
from mutagen.aiff import AIFF
from mutagen.id3 import APIC, TIT2, TPE1
from mutagen.wave import WAVE
for path, kind in (("wav_mutagen_id3.wav", WAVE), ("aiff_mutagen_id3.aiff", AIFF)):
    f = kind(path)
    f.add_tags()
    f.tags.add(TIT2(encoding=3, text="A Tone"))
    f.tags.add(TPE1(encoding=3, text="tagdelve"))
    if kind is WAVE:
        f.tags.add(APIC(encoding=0, mime="image/jpeg", type=3, desc="Cover", data=open(sys.argv[1], "rb").read()))
    f.save(v2_version=3 if kind is WAVE else 4, padding=lambda info: 16)
PY
