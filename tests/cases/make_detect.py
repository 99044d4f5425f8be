#!/usr/bin/env python3
"""Writes tests/cases/any-detect/: files walked with --detect, whose first
bytes must choose the walker where their names select none (another
extension, an upper-case one, none at all; an archive member), and look-alike
data that must not be taken for any format."""

import os
import sys

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from cases import HERE, le32, tar_member, with_tar_checksum, write_cases

DATA = os.path.join(HERE, "..", "data")


def data(name):
    with open(os.path.join(DATA, name), "rb") as f:
        return f.read()


def member(name, body):
    """A ustar member without owner fields, dated 2024-12-26."""
    return tar_member(name.encode(), body, fields=((108, bytes(16)), (136, b"14733147260")))


def old_style(header):
    """The header without the ustar magic and version: only its checksum
    tells it is one."""
    return with_tar_checksum(header[:257] + bytes(8) + header[265:])


def main():
    old_header = old_style(member("old.txt", b"x")[:512])
    # Bytes that bring the sum to six octal digits, the first of them not 0.
    high = old_style(member("\xe9" * 49, b"x")[:157] + b"\xff" * 100 + bytes(255))
    assert high[148] != ord("0")
    bad_sum = b"p" + old_header[1:]  # the checksum no longer matches
    stray = b"\xff\xfb\x90\x64" + b"\x55" * 900  # one frame header in other data
    # A frame whose first byte is not FF, then a true one: no MP3 either.
    almost = b"\xfe\xfb\x90\x00" + bytes(413) + b"\xff\xfb\x90\x00" + bytes(413)
    cases = {
        # Where the name selects no walker, the content does.
        "A.MP3": data("mp3_cbr_v23.mp3"),  # an ID3v2 tag
        "frames-only": data("mp3_mpeg2_mono.mp3")[:1000],  # audio frames, no tag
        "tone.FLAC": data("flac_tagged.flac"),
        "tone.asf": data("asf_wmav2_tags.wma"),
        "IMG_0001.JPG": data("jpeg_baseline.jpg"),
        "bundle.TAR": data("tar_ustar.tar"),
        "tone.OGG": data("ogg_vorbis_tags.ogg"),
        "song.M4A": data("mp4_alac.m4a"),
        "moov-first": b"\0\0\0\x10moov\0\0\0\x08free",
        "mdat-to-the-end": b"\0\0\0\0mdat" + bytes(10),
        "IMAGE.PNG": data("png_palette_trns.png"),
        "scan.TIFF": data("tiff_two_pages.tif"),
        "tiles-big-endian": data("tiff_tiles_mm_lzw.tif"),
        "png-signature-cut.bin": b"\x89PNG\r\n\x1a",
        "bigtiff-header.bin": b"II+\0\x08\0\0\0" + bytes(16),
        "old-archive": old_header + b"x" + bytes(511) + bytes(1024),
        "old-archive-large-checksum": high + b"x" + bytes(511) + bytes(1024),
        # An archive member without an extension.
        "members.tar": member("track", data("flac_tagged.flac")[:4000]) + bytes(1024),
        # The extension still selects first: FLAC data named .mp3.
        "flac-named.mp3": data("flac_tagged.flac")[:400],
        # Look-alikes: none of them is taken.
        "id3-text.txt": b"ID3 is a tag format, and this is text.\n",
        "id3-size-byte-with-top-bit.bin": b"ID3\x03\x00\x00\x80\x00\x00\x00" + bytes(20),
        "one-stray-frame-sync.bin": stray,
        "almost-frames.bin": almost,
        "ffd8-alone.bin": b"\xff\xd8\x00\x10",
        "tar-checksum-wrong.bin": bad_sum + bytes(1024),
        "asf-guid-cut.bin": le32(0x75B22630) + b"\x8e\x66",
        "empty.bin": b"",
        "ogg-version-1.bin": b"OggS\x01" + bytes(40),
        "mdat-size-3.bin": b"\0\0\0\3mdat" + bytes(10),
        "mdat-large-size-8.bin": b"\0\0\0\1mdat" + bytes(7) + b"\x08",
        # The marker alone is enough.
        "flac-marker-only": b"fLaC",
        "header-block-only": member("a.txt", b"")[:512],
        "id3v2-header-only": b"ID3\x03\x00\x00\x00\x00\x00\x00",
        "id3v2.2-tag": b"ID3\x02\x00\x00\x00\x00\x00\x0a" + b"TT2\x00\x00\x04\x00abc",
        # Two frames of the reserved layer, each where the other's length
        # (as layer II's) would put it: not MPEG audio.
        "reserved-layer-frames.bin": (b"\xff\xf9\x80\x00" + bytes(413)) * 2 + bytes(100),
        # A frame, and the next frame's header ending the file: taken.
        "frame-then-header-only": b"\xff\xfb\x90\x64" + bytes(413) + b"\xff\xfb\x90\x64",
        # A good frame, then a header with bit-rate index 15 where the next
        # frame would start.
        "second-frame-bit-rate-15.bin": b"\xff\xfb\x90\x64" + bytes(413) + b"\xff\xff\xf2\x00" + bytes(100),
    }
    write_cases("any-detect", cases)


if __name__ == "__main__":
    main()
