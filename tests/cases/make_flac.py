#!/usr/bin/env python3
"""Writes the FLAC edge cases into tests/cases/flac/ (and, for the texts that
need --utf8, tests/cases/flac-utf8/).

A FLAC file is "fLaC", then metadata blocks, each a 4-byte header (the last
flag in the top bit, 7 bits of type, a 24-bit big-endian length) and a body;
the audio frames follow the last block. The walker prints STREAMINFO,
APPLICATION, SEEKTABLE, VORBIS_COMMENT, CUESHEET and PICTURE bodies; padding
and types 7 to 127 are read and not shown.
"""

import os
import sys

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from cases import be16, be24, be32, le32, tar_member, write_cases

MARK = b"fLaC"
MD5 = bytes(range(16))


def block(type_, body, last=False, length=None):
    """A metadata block; `length` claims another body length than the real one."""
    n = len(body) if length is None else length
    return bytes([(0x80 if last else 0) | type_]) + be24(n) + body


def streaminfo(rate, channels, bits, total, blk=(4096, 4096), frm=(14, 3000)):
    """STREAMINFO: block and frame sizes, then 20 bits of sample rate, 3 of
    channels - 1, 5 of bits per sample - 1 and 36 of total samples, then the
    MD5 of the audio."""
    packed = (rate << 44) | ((channels - 1) << 41) | ((bits - 1) << 36) | total
    return (be16(blk[0]) + be16(blk[1]) + be24(frm[0]) + be24(frm[1]) +
            packed.to_bytes(8, "big") + MD5)


def vorbis(vendor, comments, count=None):
    """A Vorbis comment body: little-endian lengths, unlike the rest of FLAC."""
    b = le32(len(vendor)) + vendor + le32(len(comments) if count is None else count)
    for c in comments:
        b += le32(len(c)) + c
    return b


def picture(type_, mime, desc, data, dims=(300, 200, 24, 0), data_len=None):
    """A PICTURE body: type, MIME type (ASCII), description (UTF-8), width,
    height, depth, colours, then the picture data, all lengths big-endian."""
    b = be32(type_) + be32(len(mime)) + mime + be32(len(desc)) + desc
    for d in dims:
        b += be32(d)
    return b + be32(len(data) if data_len is None else data_len) + data


def flac(*blocks):
    return MARK + b"".join(blocks)



# A JPEG of nothing but its start and end markers.
SOI_EOI = b"\xff\xd8\xff\xd9"

cases = {}

# --- The stream marker ---
cases["flac-marker-only.flac"] = MARK  # no block at all: the audio follows
cases["flac-marker-cut.flac"] = b"fLa"
cases["flac-empty.flac"] = b""
cases["flac-not-flac.flac"] = b"OggS" + bytes(40)

# --- STREAMINFO ---
# 5,000,000,000 samples need the 36-bit total's top 4 bits.
cases["flac-streaminfo-and-padding.flac"] = flac(
    block(0, streaminfo(44100, 2, 16, 5000000000)),
    block(1, bytes(10), last=True))
# The largest rate FLAC allows, 8 channels, 32 bits; every field at its top
# (1,048,575 Hz, 2^36 - 1 samples, the largest sizes); every field at 0
# (1 channel of 1 bit).
cases["flac-streaminfo-field-limits.flac"] = flac(
    block(0, streaminfo(655350, 8, 32, 1)),
    block(0, streaminfo(0xFFFFF, 8, 32, (1 << 36) - 1, (65535, 65535), (0xFFFFFF, 0xFFFFFF))),
    block(0, streaminfo(0, 1, 1, 0, (0, 0), (0, 0)), last=True))
# Bodies shorter than 34 bytes: 3 bytes (nothing shown), 10 (the sizes),
# 14 (and the format), 18 (and the total, no MD5 bytes), 20 (2 MD5 bytes).
si = streaminfo(44100, 2, 16, 1000, (16, 32), (1, 2))
cases["flac-streaminfo-short-bodies.flac"] = flac(
    block(0, si[:3]), block(0, si[:10]), block(0, si[:14]), block(0, si[:18]),
    block(0, si[:20], last=True))

# --- The other block types ---
# An application ID with a NUL in it ends there; the seek table's length is
# shown; the cue sheet's catalogue number is a 128-byte field ended by NUL,
# then 300 more bytes; types 7 and 127 are unknown.
cases["flac-block-types.flac"] = flac(
    block(2, b"a\0cd" + b"\1" * 6),
    block(3, bytes(36)),
    block(5, b"1234567890123" + bytes(115) + b"\7" * 300),
    block(7, b"\1\2"),
    block(127, b"\1\2\3", last=True))
# Application and cue sheet bodies shorter than their fixed fields: an
# application of 2 bytes and of none, a cue sheet of 3 bytes, and one whose
# catalogue field is 128 bytes without a NUL.
cases["flac-application-and-cuesheet-short.flac"] = flac(
    block(2, b"ab"),
    block(2, b""),
    block(5, b"CAT"),
    block(5, b"C" * 127 + b"D", last=True))

# --- Files cut short ---
# A block that claims 16 MiB, with 5 bytes of it there: nothing is read ahead.
cases["flac-block-claims-16-mib.flac"] = MARK + block(4, b"short", length=0xFFFFFF)
cases["flac-cut-inside-block.flac"] = MARK + block(1, bytes(40), length=100)
cases["flac-cut-inside-block-header.flac"] = MARK + b"\0\0"
# The STREAMINFO block is not the last, and no block follows.
cases["flac-cut-between-blocks.flac"] = flac(block(0, streaminfo(8000, 1, 8, 10)))

# --- Vorbis comments ---
# An empty vendor and no comments; a vendor, a comment with UTF-8 bytes and
# an empty comment; a count with its top bit set.
cases["flac-vorbis-comments.flac"] = flac(
    block(4, vorbis(b"", [])),
    block(4, vorbis(b"libX 1", [b"A=b\xc3\xa9", b""])),
    block(4, vorbis(b"v", [b"x"], count=0x80000001), last=True))
# Each field in turn passing the end of its block: the vendor length field,
# the vendor, the comment count, a comment length field (3 comments claimed,
# 1 there), a comment claiming 4 GiB - 1 bytes.
cases["flac-vorbis-comment-overruns.flac"] = flac(
    block(4, b"\1\0"),
    block(4, le32(1000) + b"abc"),
    block(4, le32(1) + b"v"),
    block(4, le32(0) + le32(3) + le32(1) + b"a"),
    block(4, le32(0) + le32(1) + le32(0xFFFFFFFF) + b"abc", last=True))

# --- Pictures ---
# A PNG front cover; the last named type (20); types past the named ones
# (21, and 2^32 - 1).
cases["flac-picture-types.flac"] = flac(
    block(6, picture(3, b"image/png", b"cover", b"\x89PNG")),
    block(6, picture(20, b"image/png", b"logo", b"\x89PNG")),
    block(6, picture(21, b"image/jpg", b"", b"x")),
    block(6, picture(0xFFFFFFFF, b"image/png", b"", b"\x89PNG"), last=True))
# Width, height, depth, colours and data length with their top bit set.
cases["flac-picture-fields-top-bit.flac"] = flac(
    block(6, picture(3, b"image/png", b"", b"",
                     dims=(0x80000000, 0xFFFFFFFF, 0x80000001, 0xFFFFFFFE),
                     data_len=0x80000000), last=True))
# Each field in turn passing the end of its block: the type, the MIME
# length, the MIME type, the description length, the description (2 GiB
# claimed), the dimensions.
cases["flac-picture-overruns.flac"] = flac(
    block(6, b"\0\0"),
    block(6, be32(3)),
    block(6, be32(3) + be32(100) + b"image/"),
    block(6, be32(3) + be32(0) + b"\0\0"),
    block(6, be32(3) + be32(0) + be32(0x80000000) + b"d"),
    block(6, be32(3) + be32(0) + be32(0) + be32(1), last=True))
# A picture block of only the type and the MIME length (0): the description
# length is what passes the end.
cases["flac-picture-ends-after-mime-length.flac"] = flac(block(6, be32(3) + be32(0), last=True))
# The data length says 3 and 2 bytes are there: a JPEG is not walked and the
# overrun is reported; the data of another type is not looked at.
cases["flac-picture-past-the-block.flac"] = flac(
    block(6, picture(3, b"image/jpeg", b"", b"ab", data_len=3)),
    block(6, picture(4, b"image/png", b"", b"ab", data_len=3), last=True))
# A JPEG picture of no bytes: nothing to walk.
cases["flac-picture-length-0.flac"] = flac(block(6, picture(3, b"image/jpeg", b"", b""), last=True))
# A JPEG picture of six bytes (start, end, two bytes of padding) with three
# more body bytes after it, which are not the picture's.
cases["flac-picture-jpeg.flac"] = flac(
    block(6, picture(3, b"image/jpeg", b"", SOI_EOI + b"\0\0") + b"XYZ", last=True))
# A JPEG picture whose marker segment claims more bytes than the picture
# holds, though the block holds them: the picture's walk ends at its own end.
cases["flac-picture-jpeg-cut.flac"] = flac(
    block(6, picture(3, b"image/jpeg", b"", b"\xff\xd8\xff\xfe\x00\x10abc") + bytes(20), last=True))
# The MIME types that count as JPEG (walked) and those that do not, the same
# picture in each: image/jpeg and every leading piece of it, none else.
mimes = [b"image/jpeg", b"", b"image/", b"image/png", b"image/jpg", b"image/JPEG", b"image/jpegx"]
cases["flac-picture-jpeg-mime-types.flac"] = flac(
    *[block(6, picture(0, m, b"", SOI_EOI), last=(i == len(mimes) - 1)) for i, m in enumerate(mimes)])

# --- Control characters in texts: escaped, never written raw ---
ctl = b"\x1b[31m\x07\x7f\x9b"
cases["flac-control-characters.flac"] = flac(
    block(2, b"\x1b[2J"),
    block(5, b"\t\n" + ctl + bytes(128)),
    block(4, vorbis(b"ven" + ctl, [b"TITLE=" + ctl])),
    block(6, picture(3, b"image/\x1b\n", b"d" + ctl, b"\x89PNG"), last=True))

# --- Archive members: the walk under a limit ---
# Padding and 100 bytes of audio; a member cut inside its stream marker by
# its own size (the archive goes on); a member whose size passes the
# archive's end, so that skipping its audio meets the end of the file.
member_audio = flac(block(1, bytes(4), last=True)) + b"\xff" * 100
cases["flac-members-of-archive.tar"] = (
    tar_member(b"audio.flac", member_audio) +
    tar_member(b"cut.flac", b"fLa") +
    tar_member(b"long.flac", flac(block(1, bytes(4), last=True)) + b"\xff" * 10, size=500))

# --- Texts outside ASCII, with --utf8 (and the same file without it) ---
# Vorbis texts in UTF-8: letters, a character outside the BMP, a C1 control
# (U+0085), a lone continuation byte, a cut sequence, an overlong form, an
# encoded surrogate; a MIME type in ISO-8859-1 with an accented letter and a
# C1 control byte.
texts = flac(
    block(4, vorbis("Grüße 🎵".encode(), [
        "TITLE=Ωμέγα 日本".encode(),
        b"C1=a\xc2\x85b",
        b"BAD=\x80|\xc3|\xc0\xaf|\xed\xa0\x80|\xf4\x90\x80\x80",
    ])),
    block(6, picture(3, b"image/\xe9\x85", "Vorderseite ü".encode(), b"\x89PNG"), last=True))
# The same file without --utf8: every byte outside ASCII escaped.
cases["flac-texts-outside-ascii.flac"] = texts
write_cases("flac", cases)
write_cases("flac-utf8", {"flac-texts-outside-ascii.flac": texts})
