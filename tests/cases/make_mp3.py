#!/usr/bin/env python3
"""Writes the MP3 edge cases: audio frame headers, ID3v2 tags and their frame
contents, ID3v1 and TAG+ tags, Lyrics3 blocks and APE tags, whole, damaged
and cut, into tests/cases/mp3/ (and tests/cases/mp3-utf8/, walked with
--utf8, and tests/cases/mp3-json/, walked with --json). A few MP3 files go
into a TAR archive there, so that they are walked as members whose end is
not the file's.

Most files end with a free-format audio frame (FF FB 00 00, 4 bytes, bit
rate 0): the walk after a tag then shows where the tag was left.
"""

import os
import sys

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from cases import be16, be24, be32, le32, syncsafe, tar_member, write_cases

# --- Audio frames ---


def frame(b1, b2, b3, length):
    """An audio frame: the header FF b1 b2 b3, then zeros up to `length`."""
    return bytes([0xFF, b1, b2, b3]) + bytes(max(length - 4, 0))


FREE = bytes([0xFF, 0xFB, 0x00, 0x00])  # free format: a length of 0, header only
K128 = frame(0xFB, 0x90, 0x00, 417)  # MPEG-1 layer III, 128 kbit/s, 44100 Hz
K160 = frame(0xFB, 0xA0, 0x00, 522)  # the same at 160 kbit/s

# Bit rates in kbit/s of bit-rate indexes 1 to 14, and the sample rates of
# indexes 0 to 2, as the MPEG audio header defines them.
BITRATES = {
    (1, 1): [32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448],
    (1, 2): [32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384],
    (1, 3): [32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320],
    (2, 1): [32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256],
    (2, 2): [8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160],
    (2, 3): [8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160],
}
SAMPLE_RATES = {"1": [44100, 48000, 32000], "2": [22050, 24000, 16000], "2.5": [11025, 12000, 8000]}
VERSION_BITS = {"1": 3, "2": 2, "2.5": 0}
LAYER_BITS = {1: 3, 2: 2, 3: 1}


def frame_bytes(version, layer, kbps, rate, padding):
    """A frame's length: layer I counts 4-byte slots of 32 bits per 384
    samples; layer II has 1152 samples, layer III 1152 in MPEG-1 and 576 in
    MPEG-2 and MPEG 2.5."""
    if layer == 1:
        return (12 * kbps * 1000 // rate + padding) * 4
    samples = 576 if layer == 3 and version != "1" else 1152
    return samples // 8 * kbps * 1000 // rate + padding


def bit_rate_row(version, layer):
    """Frames of every bit-rate index 1 to 14 of one version and layer, the
    sample-rate index going round 0, 1, 2 and every other frame padded. A
    length the walker got wrong puts it off the next header."""
    out = b""
    rates = BITRATES[(1 if version == "1" else 2, layer)]
    for index in range(1, 15):
        rate_index, padding = index % 3, index % 2
        b1 = 0xE1 | VERSION_BITS[version] << 3 | LAYER_BITS[layer] << 1  # no CRC
        b2 = index << 4 | rate_index << 2 | padding << 1
        out += frame(b1, b2, 0, frame_bytes(version, layer, rates[index - 1],
                                            SAMPLE_RATES[version][rate_index], padding))
    return out


# --- ID3v2 ---


def id3v2(major, flags, size):
    """The tag header: "ID3", major version, revision 0, flags, syncsafe size."""
    return b"ID3" + bytes([major, 0, flags]) + syncsafe(size)


def frame2(fid, content):
    return fid + be24(len(content)) + content


def frame3(fid, content, f1=0, f2=0):
    return fid + be32(len(content)) + bytes([f1, f2]) + content


def frame4(fid, content, f1=0, f2=0):
    return fid + syncsafe(len(content)) + bytes([f1, f2]) + content


def tag3(frames, padding=0, flags=0):
    """An ID3v2.3 tag whose size covers its frames and padding."""
    return id3v2(3, flags, len(frames) + padding) + frames + bytes(padding)


def tag4(frames, padding=0, flags=0):
    return id3v2(4, flags, len(frames) + padding) + frames + bytes(padding)


def tag2(frames, padding=0):
    return id3v2(2, 0, len(frames) + padding) + frames + bytes(padding)


ABC = b"\x00Abc"
JPEG = bytes([0xFF, 0xD8, 0xFF, 0xD9])  # SOI, EOI


def comment_head(description, lang=b"eng"):
    """Encoding 0, language and a terminated description: a COMM's head."""
    return b"\x00" + lang + description + b"\x00"


def apic(mime, ptype, data, description=b"c\x00"):
    return b"\x00" + mime + b"\x00" + bytes([ptype]) + description + data


ITUNNORM = (comment_head(b"iTunNORM") + b" 00000384 00000320 00000960 00001388 0000AB12"
            b" 0000CD34 00004000 00008000 00024CA8 00024CA9\x00")
ITUNSMPB = (comment_head(b"iTunSMPB") + b" 00000000 00000240 000003C0 0000000000015A18"
            b" 00000000 00000001\x00")
assert len(ITUNNORM) == 104

# --- ID3v1, TAG+, Lyrics3, APE ---


def field(text, width):
    """A fixed-width text field: the text, then zero bytes."""
    return text[:width].ljust(width, b"\x00")


def id3v1(title, comment, genre, artist=b"Artist"):
    """An ID3v1 tag; `comment` holds all 30 comment bytes."""
    return (b"TAG" + field(title, 30) + field(artist, 30) + field(b"Album", 30) + b"1999"
            + comment + bytes([genre]))


def tagplus(speed, title=b"T" * 60, artist=b"Artist rest", album=b"Album rest", genre=b"Genre text",
            end=b"12:34"):
    return (b"TAG+" + field(title, 60) + field(artist, 60) + field(album, 60)
            + speed + field(genre, 30) + b"001:02" + field(end, 6))


def lyrics_field(fid, value):
    """A Lyrics3 version 2 field: identifier, 5-digit size, value."""
    return fid + b"%05d" % len(value) + value


def lyrics3v2(fields, size=None):
    body = b"LYRICSBEGIN" + b"".join(fields)
    return body + b"%06d" % (len(body) if size is None else size) + b"LYRICS200"


def ape_item(flags, key, value):
    return le32(len(value)) + le32(flags) + key + b"\x00" + value


def ape_head(size, count, flags, version=2000):
    """Header or footer: APETAGEX, version, size, count, flags, 8 reserved."""
    return b"APETAGEX" + le32(version) + le32(size) + le32(count) + le32(flags) + bytes(8)


def ape(items, count):
    """A tag as taggers write it: header, items and footer, the sizes right."""
    size = len(items) + 32
    return ape_head(size, count, 0xA0000000) + items + ape_head(size, count, 0x80000000)


# ESC [31m, BEL, DEL and a C1 CSI: what a crafted tag puts in a text.
HOSTILE = b"\x1b[31mX\x07\x7f\x9b"

# --- TAR, to walk MP3 files as members ---



def tar(members):
    return b"".join(tar_member(n, d) for n, d in members) + bytes(1024)


def cut(data, n):
    """The first n bytes."""
    return data[:n]


cases = {}

# Every version and layer with every bit rate, sample rate and padding.
for version in ("1", "2", "2.5"):
    for layer in (1, 2, 3):
        cases["frames-mpeg%s-layer%d.mp3" % (version, layer)] = bit_rate_row(version, layer)
# The reserved layer (bits 00) reads the bit rates of layer II in MPEG-1
# and of layer I in MPEG-2 and MPEG 2.5, and its length is computed as
# layer II's.
for version, rates in (("1", BITRATES[(1, 2)]), ("2", BITRATES[(2, 1)])):
    row = b""
    for index in range(1, 15):
        rate_index, padding = index % 3, index % 2
        b1 = 0xE1 | VERSION_BITS[version] << 3
        row += frame(b1, index << 4 | rate_index << 2 | padding << 1, 0,
                     frame_bytes(version, 2, rates[index - 1], SAMPLE_RATES[version][rate_index], padding))
    cases["frames-mpeg%s-reserved-layer.mp3" % version] = row
# Header bits that do not change the length: CRC protection on, private bit,
# mode, mode extension, copyright, original, emphasis.
cases["frame-flags.mp3"] = (frame(0xFA, 0x91, 0xC4, 417) + frame(0xFB, 0x92, 0x44, 418)
                            + frame(0xFB, 0x90, 0x3F, 417) + frame(0xFF, 0x12, 0xFF, 36))
# Bit-rate index 15, the reserved version, sample-rate index 3, the reserved
# layer, and the free format: lengths of 4 or less consume only the header.
cases["frame-reserved-fields.mp3"] = (bytes([0xFF, 0xFB, 0xF0, 0x00, 0xFF, 0xEB, 0x90, 0x00,
                                             0xFF, 0xFB, 0x9C, 0x00])
                                      + frame(0xF9, 0x10, 0x00, 104) + FREE)
# Statistics: a constant rate; 128 + 128 + 160 over 3 frames; a change from
# the free format is no change of rate, a change to it is.
cases["stats-cbr.mp3"] = K128 * 3
cases["stats-vbr.mp3"] = K128 * 2 + K160
cases["stats-free-then-128.mp3"] = FREE + K128
cases["stats-128-then-free.mp3"] = K128 + FREE
# 2310 frames of 1152 samples at 44100 Hz: past a minute (60.343 s).
cases["stats-over-a-minute.mp3"] = FREE * 2310
cases["empty.mp3"] = b""
# The running time at each sample rate: free-format frame headers (4 bytes,
# version, layer and rate as said), each lasting its samples over its rate.
# 125 x 1152 / 48000 = 3.000 s; 441 x 1152 / 44100 = 11.520 s; 250 x 1152 /
# 32000 = 9.000 s; 49 x 576 / 22050 = 1.280 s (MPEG-2 layer III); 125 x 576
# / 8000 = 9.000 s (MPEG 2.5 layer III); 100 x 384 / 48000 = 0.800 s
# (layer I), 100 x 1152 / 24000 = 4.800 s (MPEG-2 layer II).
for name, b1, rate_index, count in (("48000", 0xFB, 1, 125), ("44100", 0xFB, 0, 441), ("32000", 0xFB, 2, 250),
                                    ("22050-mpeg2", 0xF3, 0, 49), ("8000-mpeg2.5", 0xE3, 2, 125),
                                    ("48000-layer1", 0xFF, 1, 100), ("24000-mpeg2-layer2", 0xF5, 1, 100)):
    cases["stats-rate-%s.mp3" % name] = bytes([0xFF, b1, rate_index << 2, 0]) * count


# --- The encoder's info header in the first frame ---

def lame_crc(data):
    """LAME's CRC-16: polynomial 0x8005, reflected, initial 0."""
    crc = 0
    for b in data:
        crc ^= b
        for _ in range(8):
            crc = (crc >> 1) ^ 0xA001 if crc & 1 else crc >> 1
    return crc


def info_frame(kind=b"Xing", frames=4, flags=15, lame=b"LAME3.100", crc=None, header=(0xFB, 0x90, 0x00),
               length=417):
    """An audio frame that holds a Xing or Info header after 32 bytes of side
    information (MPEG-1 stereo; 17 for MPEG-2 and MPEG 2.5) with the fields
    `flags` says, then a LAME tag: delay 576, padding 1152, its CRC over the
    frame's bytes before it (or `crc`)."""
    f = bytearray(frame(header[0], header[1], header[2], length))
    at = 4 + (32 if header[0] & 0x08 else 17)
    body = kind + be32(flags)
    if flags & 1:
        body += be32(frames)
    if flags & 2:
        body += be32(length * (frames + 1))
    if flags & 4:
        body += bytes(range(100))
    if flags & 8:
        body += be32(78)
    f[at:at + len(body)] = body[:max(0, length - at)]
    end = at + len(body)
    if lame and end + 36 <= length:
        tag = bytearray(lame + bytes([0x35, 0xC0]) + bytes(10) + bytes([0x24, 0x04, 0x80]) + bytes(11))
        f[end:end + 34] = tag[:34]
        f[end + 34:end + 36] = (crc if crc is not None else lame_crc(f[:end + 34])).to_bytes(2, "big")
    return bytes(f)


cases["info-xing-lame.mp3"] = info_frame() + K128 * 4
cases["info-info-cbr.mp3"] = info_frame(b"Info", flags=7) + K128 * 4
# The header says 6 frames after it; 4 were walked: the file was cut or
# patched.
cases["info-frame-count-differs.mp3"] = info_frame(frames=6) + K128 * 4
cases["info-lame-crc-wrong.mp3"] = info_frame(crc=0x1234) + K128 * 4
# Only a frame count, no LAME tag.
cases["info-xing-frames-only.mp3"] = info_frame(flags=1, lame=b"") + K128 * 4
# A seek table that runs past its frame: MPEG 2.5 layer III at 8 kbit/s and
# 8000 Hz, a frame of 72 bytes.
cases["info-xing-table-cut.mp3"] = info_frame(header=(0xE3, 0x18, 0x00), length=72) + K128
# A VBRI header 32 bytes after the frame header: version 1, delay 576,
# quality 75, bytes, frames, a table of 8 entries.
vbri = bytearray(frame(0xFB, 0x90, 0x00, 417))
vbri[36:62] = b"VBRI" + be16(1) + be16(576) + be16(75) + be32(417 * 3) + be32(2) + be16(8) + be16(1) + be16(2) + be16(1)
cases["info-vbri.mp3"] = bytes(vbri) + K128 * 2
# Items that stop the walk: garbage, 11 sync bits but one, a cut header, a
# cut frame; a 00 after FF outside an unsynchronised tag is a byte as any.
cases["garbage-after-frame.mp3"] = K128 + b"JUNK" + K128
cases["frame-sync-lacks-a-bit.mp3"] = bytes([0xFF, 0xD0, 0x00, 0x00])
cases["frame-header-cut.mp3"] = bytes([0xFF, 0xFB, 0x90])
cases["frame-header-cut-after-frame.mp3"] = K128 + bytes([0xFF, 0xFB])
cases["frame-cut.mp3"] = cut(K128, 104)
cases["frame-ff00-not-dropped.mp3"] = bytes([0xFF, 0xFB, 0x00, 0xFF, 0x00]) + b"ABCD"
# Each tag signature with too few bytes after it; "APEx" is none.
for name, sig in (("id3", b"ID3"), ("tag", b"TAGx"), ("tagplus", b"TAG+"), ("tagplus-x", b"TAG+x"),
                  ("lyrics3", b"LYRI"), ("ape", b"APET"), ("apex", b"APEx")):
    cases["signature-%s-cut.mp3" % name] = FREE + sig + b"   "

# --- ID3v2 layouts ---

cases["id3v2.3-frames-and-padding.mp3"] = (
    id3v2(3, 0, 46) + frame3(b"PCNT", ABC, 0x40, 0x00) + frame3(b"ZZZZ", b"\x01\x02", 0x00, 0xE0)
    + bytes(20) + FREE)
cases["id3v2.2-frames.mp3"] = tag2(frame2(b"CNT", b"\x00AB") + frame2(b"CRM", b"\x07")
                                   + frame2(b"XYZ", b""), 8) + FREE
cases["id3v2.2-padding-only.mp3"] = id3v2(2, 0, 30) + bytes(30) + FREE
# 200 is stored 00 00 01 48; read as a plain integer it would be 328.
cases["id3v2.4-syncsafe-size.mp3"] = tag4(frame4(b"PCNT", b"a" * 200)) + FREE
cases["id3v2.4-extended-header.mp3"] = (
    id3v2(4, 0x40, 28) + bytes([0, 0, 0, 0x0E, 0x01, 0x30, 0x05, 1, 2, 3, 4, 5, 0x01, 0x41])
    + frame4(b"PCNT", ABC) + FREE)
cases["id3v2.3-extended-header.mp3"] = (
    id3v2(3, 0x40, 34) + bytes([0, 0, 0, 6, 0, 0, 0, 0, 0, 0x0A]) + frame3(b"PCNT", ABC) + bytes(10)
    + FREE)
cases["id3v2.3-extended-header-crc.mp3"] = (
    id3v2(3, 0x40, 48) + bytes([0, 0, 0, 0x0A, 0x80, 0, 0, 0, 0, 0x14, 0xDE, 0xAD, 0xBE, 0xEF])
    + frame3(b"PCNT", ABC) + bytes(20) + FREE)
# The extended header's size claims 6 bytes more than its fields.
cases["id3v2.3-extended-header-longer.mp3"] = (
    id3v2(3, 0x40, 30) + bytes([0, 0, 0, 12, 0, 0, 0, 0, 0, 0]) + b"ZZZZZZ" + frame3(b"PCNT", ABC)
    + FREE)
cases["id3v2-empty.mp3"] = id3v2(3, 0, 0) + FREE
cases["id3v2.4-footer.mp3"] = (id3v2(4, 0x10, 26) + frame4(b"PCNT", ABC) + bytes(12)
                               + b"3DI" + bytes([4, 0, 0x10]) + syncsafe(26) + FREE)
cases["id3v2.5-unsupported.mp3"] = id3v2(5, 0, 20) + b"A" * 20 + FREE
# A tag on its own (.id3), and a file of another kind so named.
cases["tag-alone.id3"] = tag3(frame3(b"PCNT", ABC), 4)
cases["not-a-tag.id3"] = FREE
# The tag claims 12 bytes; its frame takes 14. Nothing is skipped.
cases["id3v2-frames-overrun-tag.mp3"] = id3v2(3, 0, 12) + frame3(b"PCNT", ABC) + FREE
# Padding of 1 to 9 bytes, too short for a frame header: each tag is left at
# its end, where an audio frame stands.
cases["id3v2-padding-shorter-than-header.mp3"] = b"".join(
    tag3(frame3(b"PCNT", b"\x00A"), p) + FREE for p in range(1, 10))
# ID3v2.2's flag 0x40 marks a compressed tag; 0x80 an unsynchronised one.
cases["id3v2.2-compression-flag.mp3"] = id3v2(2, 0x40, 8) + frame2(b"CNT", b"\x00A") + FREE
# Sizes count the bytes with the scheme undone: CNT holds FF 41, stored FF 00 41.
cases["id3v2.2-unsync.mp3"] = id3v2(2, 0x80, 10) + b"CNT" + be24(2) + b"\xff\x00A" + b"\x00" + FREE
cases["id3v2-between-frames.mp3"] = (FREE + tag3(frame3(b"PCNT", b"\x00A")) + FREE
                                     + tag2(frame2(b"CNT", b"\x00B")))

# --- Unsynchronisation ---

COUNT_A = frame3(b"PCNT", b"\x00A")
# A frame of 4 bytes stored as 5, then a plain frame: they fill the tag.
cases["id3v2.3-unsync-frame.mp3"] = (
    id3v2(3, 0x80, 27) + b"ZZZZ" + be32(4) + bytes([0, 0, 0xFF, 0x00, 0x41, 0x42, 0x43]) + COUNT_A
    + FREE)
# A frame that claims more than the unsynchronised tag holds: the tag, not
# the file, ends inside it, where its stored bytes end.
cases["id3v2.3-unsync-frame-past-tag.mp3"] = (
    id3v2(3, 0x80, 17) + b"TIT2" + be32(40) + bytes([0, 0]) + b"\x00ab\xff\x00cd" + FREE)
# Pairs FF 00 inside a content, FF before another byte, FF 00 00, FF FF 00,
# JPEG markers, and a content that ends in FF: frame sizes count the bytes
# with the scheme undone (9 of 12 stored, 7 of 9).
cases["id3v2.3-unsync-pairs.mp3"] = (
    id3v2(3, 0x80, 44)
    + b"ZZZZ" + be32(9) + bytes(2)
    + bytes([0xFF, 0x00, 0x41, 0xFF, 0x41, 0xFF, 0x00, 0x00, 0xFF, 0xFF, 0x00, 0x41])
    + b"YYYY" + be32(7) + bytes(2) + bytes([0xFF, 0xD8, 0xFF, 0xDB, 0x41, 0xFF, 0x00, 0xFF, 0x00])
    + bytes(3) + FREE)
# The CRC 12 FF 34 56 is stored as 12 FF 00 34 56.
cases["id3v2.3-unsync-extended-header.mp3"] = (
    id3v2(3, 0xC0, 27) + bytes([0, 0, 0, 0x0A, 0x80, 0, 0, 0, 0, 0, 0x12, 0xFF, 0x00, 0x34, 0x56])
    + COUNT_A + FREE)
# A footer is read as stored: its revision FF is followed by its flags 00.
cases["id3v2.3-unsync-footer.mp3"] = (
    id3v2(3, 0x90, 13) + b"ZZZZ" + be32(2) + bytes([0, 0, 0x41, 0xFF, 0x00]) + b"3DI"
    + bytes([3, 0xFF, 0x00]) + syncsafe(13) + FREE)
# The last content ends in FF, stored FF 00, and k bytes of padding follow.
# The 00 is dropped by the next (zero) header read when a header still fits,
# and counts as walked; else it is padding.
for k in (0, 9, 10):
    cases["id3v2.3-unsync-ff00-then-padding-%d.mp3" % k] = (
        id3v2(3, 0x80, 13 + k) + b"ZZZZ" + be32(2) + bytes([0, 0, 0x41, 0xFF, 0x00]) + bytes(k) + FREE)
# Version 4: frame sizes count stored bytes; the frame's flag 0x02 or the
# tag's 0x80 undo unsynchronisation inside the frame, and with flag 0x01 the
# first 4 bytes are the data length, not content.
cases["id3v2.4-frame-unsync.mp3"] = tag4(
    frame4(b"ZZZZ", bytes([0, 0, 0, 3, 0xFF, 0x00, 0xE0, 0x41]), 0, 0x03) + frame4(b"PCNT", ABC)
    + frame4(b"YYYY", bytes([0, 0, 0, 2, 0xFF, 0x00]), 0, 0x01) + frame4(b"PCNT", ABC)
    + frame4(b"XXXX", bytes([0xFF, 0x00, 0x41])) + frame4(b"PCNT", ABC)
    + frame4(b"WWWW", bytes([0, 0]), 0, 0x01) + frame4(b"PCNT", ABC)) + FREE
cases["id3v2.4-tag-unsync.mp3"] = tag4(
    frame4(b"ZZZZ", bytes([0xFF, 0x00, 0x41, 0xFF, 0x00])) + frame4(b"PCNT", ABC)
    + frame4(b"YYYY", bytes([0, 0, 0, 1, 0xFF, 0x00]), 0, 0x01) + frame4(b"PCNT", ABC),
    flags=0x80) + FREE

# --- Tags that the file ends inside ---

cases["id3v2-header-cut.mp3"] = b"ID3\x03\x00\x00\x00"
cases["id3v2.4-extended-header-cut.mp3"] = id3v2(4, 0x40, 20) + bytes(3)
cases["id3v2.4-extended-header-flags-cut.mp3"] = (id3v2(4, 0x40, 20)
                                                  + bytes([0, 0, 0, 0x0E, 0x01, 0x30, 0x05, 1]))
cases["id3v2.3-extended-header-cut.mp3"] = id3v2(3, 0x40, 20) + bytes([0, 0, 0, 6, 0])
cases["id3v2.3-frame-header-cut.mp3"] = cut(tag3(frame3(b"TIT2", b"\x00Title"), 10), 18)
cases["id3v2.3-frame-cut.mp3"] = id3v2(3, 0, 20) + b"PCNT" + be32(4) + bytes([0, 0, 0, 0x41])
cases["id3v2-padding-cut.mp3"] = id3v2(3, 0, 100) + bytes(15)
cases["id3v2.4-footer-cut.mp3"] = id3v2(4, 0x10, 10) + frame4(b"PCNT", b"") + b"3DI\x04"
# Claimed frame sizes of nearly 2 GiB, or negative, are not allocated.
cases["id3v2-huge-frame.mp3"] = id3v2(3, 0, 100) + b"ZZZZ" + be32(0x7FFFFFF0) + bytes([0, 0, 1, 2, 3])
# Encoding 1 whose first two bytes are no byte-order mark (FE 41): the
# units are little-endian and the first is shown as it is.
cases["id3v2-utf16-without-bom.mp3"] = tag3(frame3(b"TIT2", b"\x01\xfe\x41\x42\x00")) + FREE
# An ID3v2.2 frame size of 65,541 bytes (its first byte 01), cut: the
# identifier is three letters.
cases["id3v2.2-big-frame-cut.mp3"] = id3v2(2, 0, 70000) + b"TT2" + be24(65541) + b"\x00abc"
# A third value whose first digit is not 0 (10000960): all eight digits are
# read, from the offset after its blank.
# Another iTunes comment of eight letters: a plain comment.
cases["comm-itunpgap.mp3"] = tag3(frame3(b"COMM", comment_head(b"iTunPGAP") + b"0\x00")) + FREE
cases["comm-itunnorm-eight-digit-value.mp3"] = tag3(frame3(b"COMM", ITUNNORM[:32] + b"1" + ITUNNORM[33:])) + FREE
# A size with its top bit set is a claim of 4 GiB - 1, not a negative one:
# the file ends inside the frame.
cases["id3v2-frame-size-top-bit.mp3"] = (id3v2(3, 0, 100) + b"ZZZZ" + be32(0xFFFFFFFF)
                                         + bytes([0, 0, 1, 2, 3]))
# The file ends inside the CRC of the extended header.
cases["id3v2.3-extended-header-cut-in-crc.mp3"] = (id3v2(3, 0x40, 40)
                                                   + bytes([0, 0, 0, 10, 0x80, 0, 0, 0, 0, 0, 0xDE, 0xAD]))
# A size with its top bit set is a size, not a negative number: the tag of
# 200 bytes ends inside the extended header, before the file does.
cases["id3v2.3-extended-header-size-top-bit.mp3"] = (id3v2(3, 0x40, 200) + be32(0xFFFFFFF0) + bytes(6)
                                                     + bytes(300) + FREE)
# The extended header claims 100,000 bytes in a file of 50: the whole
# shortfall is reported.
cases["id3v2.3-extended-header-past-end.mp3"] = (id3v2(3, 0x40, 200) + be32(100000) + bytes(6)
                                               + bytes(30))
# After a dropped byte: the offset counts the bytes as stored.
cases["id3v2.3-unsync-frame-cut.mp3"] = (id3v2(3, 0x80, 100) + b"ZZZZ" + be32(3)
                                         + bytes([0, 0, 0xFF, 0x00, 0x41]))
# The file ends inside the next frame header, after a dropped byte.
cases["id3v2.3-unsync-tag-cut.mp3"] = (id3v2(3, 0x80, 100) + COUNT_A + b"ZZZZ" + be32(1) + bytes(2)
                                       + bytes([0xFF, 0x00]) + b"PCN")
# A TXXX of 361414714 bytes that the file does not hold: its line is ended.
cases["id3v2-huge-txxx.mp3"] = id3v2(3, 0, 100) + b"TXXX" + be32(361414714) + bytes([0, 0, 0xAB, 0xAB])

# --- Frame contents ---

cases["id3v2-text-encodings.mp3"] = tag3(
    frame3(b"TIT2", b"\x00Tone")
    + frame3(b"TIT2", bytes([1, 0xFF, 0xFE, 0x41, 0, 0x62, 0, 0, 0]))
    + frame3(b"TIT2", bytes([1, 0xFE, 0xFF, 0, 0x41, 0, 0x62]))
    + frame3(b"TIT2", bytes([1, 0x41, 0, 0x62, 0]))  # no byte-order mark
    + frame3(b"TIT2", bytes([2, 0, 0x41, 0, 0xE9]))
    + frame3(b"TIT2", b"\x03caf\xc3\xa9\x00")
    + frame3(b"TPE1", bytes([1, 0xFF, 0xFE, 0x41]))  # a lone last byte
    + frame3(b"TALB", b"\x07odd encoding")
    + frame3(b"TCON", b"")) + FREE
cases["id3v2-described-texts.mp3"] = tag3(
    frame3(b"TXXX", b"\x00Mood\x00calm")
    # The UTF-16 terminator is 2 bytes; the value has its own mark.
    + frame3(b"TXXX", bytes([1, 0xFF, 0xFE, 0x4B, 0, 0, 0, 0xFF, 0xFE, 0x76, 0, 0, 0]))
    + frame3(b"TXXX", b"\x00ab")  # no terminator: no value
    # The URL is ISO-8859-1 whatever the description's encoding.
    + frame3(b"WXXX", bytes([1, 0xFF, 0xFE, 0x48, 0, 0, 0]) + b"http://x")
    + frame3(b"WOAR", b"http://a.b/")
    + frame3(b"COMM", comment_head(b"") + b"Hi")
    + frame3(b"COMM", b"\x00e")  # 2 bytes: a language cut short
    + frame3(b"USLT", comment_head(b"v1") + b"la")) + FREE
# A UTF-16 description without its terminator, of odd length and ending in a
# zero byte, after a frame whose content left zeros in the reused buffer: the
# last byte is no half of a terminator.
cases["id3v2-utf16-description-odd-end.mp3"] = tag3(
    frame3(b"PRIV", b"x\x00" + bytes(64)) + frame3(b"TXXX", bytes([1, 0xFF, 0xFE, 0x4B, 0, 0]))) + FREE
cases["id3v2-private-and-object.mp3"] = tag3(
    frame3(b"PRIV", b"ab.c\x00\x01\x02z")
    + frame3(b"PRIV", b"ow")  # no terminator: no value
    + frame3(b"GEOB", b"\x00text/plain\x00a.txt\x00Notes\x00hi")
    + frame3(b"PCNT", bytes([0, 0, 0, 5]))) + FREE
# A private value of 40 bytes: a whole row of 32 and a row of 8.
cases["id3v2-private-two-rows.mp3"] = tag3(frame3(b"PRIV", b"owner\x00" + bytes(range(0x41, 0x69)))) + FREE
# Peak 1.0 (3F800000); gain fields: name, originator, sign and tenths of dB.
cases["id3v2-rgad.mp3"] = tag3(
    frame3(b"RGAD", be32(0x3F800000) + be16(0x261F) + be16(0x0000))
    + frame3(b"RGAD", be32(0x3F000000) + be16(0x4800 | 0x0200 | 65) + be16(0x2C00 | 12)
             + be16(0x3000 | 7) + be16(0x3600 | 1) + be16(0x6000) + be16(0x2000))
    + frame3(b"RGAD", be32(0x3F800000) + be16(0x261F) + b"\x41")  # a lone last byte
    + frame3(b"RGAD", b"\x3f\x80")) + FREE
cases["comm-itunnorm.mp3"] = tag3(
    frame3(b"COMM", ITUNNORM) + frame3(b"COMM", cut(ITUNNORM, 103))
    # Cut inside value 6: the peaks are missing and read as 0.
    + frame3(b"COMM", cut(ITUNNORM, 60))) + FREE
cases["comm-itunsmpb.mp3"] = tag3(
    frame3(b"COMM", ITUNSMPB)
    # Cut after 6 digits of the end padding (0x3).
    + frame3(b"COMM", cut(ITUNSMPB, 38))) + FREE
# A sample count whose low eight digits begin with no zero: read from their
# first digit. An encoder delay whose zero is followed by a digit, not an x.
cases["comm-itunsmpb-large-count.mp3"] = tag3(
    frame3(b"COMM", ITUNSMPB.replace(b"0000000000015A18", b"00000000123456af"))) + FREE
cases["comm-itunsmpb-zero-then-digit.mp3"] = tag3(
    frame3(b"COMM", ITUNSMPB.replace(b" 00000240 ", b" 07654321 "))) + FREE
cases["apic-jpeg.mp3"] = tag4(frame4(b"APIC", apic(b"image/jpeg", 3, JPEG))) + FREE
# Only "image/jpeg" is walked.
cases["apic-not-jpeg.mp3"] = tag3(
    frame3(b"APIC", apic(b"image/png", 0, JPEG))
    + frame3(b"APIC", apic(b"image/JPEG", 0, JPEG))
    + frame3(b"APIC", apic(b"image/jpg", 0, JPEG))
    + frame3(b"APIC", apic(b"image/png", 21, b""))) + FREE
# No picture bytes are left: nothing is handed to the JPEG walker.
cases["apic-jpeg-without-data.mp3"] = tag3(
    frame3(b"APIC", b"\x00image/jpeg\x00\x03ab")  # the description unterminated
    + frame3(b"APIC", apic(b"image/jpeg", 3, b""))) + FREE
# ID3v2.2: a 3-character image format instead of the MIME type.
cases["pic-formats.mp3"] = tag2(
    frame2(b"PIC", b"\x00JPG\x04c\x00" + JPEG)
    + frame2(b"PIC", b"\x00PNG\x03\x00" + JPEG)
    + frame2(b"PIC", b"\x00J")) + FREE
# Contents shorter than their layout: each field they lack is empty or 0.
cases["id3v2-short-contents.mp3"] = tag3(
    frame3(b"TIT2", b"") + frame3(b"TXXX", b"") + frame3(b"WXXX", b"\x01") + frame3(b"USLT", b"")
    + frame3(b"COMM", b"") + frame3(b"COMM", cut(ITUNNORM, 13)) + frame3(b"COMM", cut(ITUNSMPB, 13))
    + frame3(b"COMM", cut(ITUNSMPB, 24)) + frame3(b"APIC", b"") + frame3(b"GEOB", b"\x00te")
    + frame3(b"PRIV", b"") + frame3(b"RGAD", b"")) + FREE
# A JPEG whose DQT segment runs past the picture's end.
cases["apic-jpeg-cut.mp3"] = tag3(
    frame3(b"APIC", b"\x00image/jpeg\x00\x03\x00" + bytes([0xFF, 0xD8, 0xFF, 0xDB, 0x00, 0x43]))) + FREE

# --- ID3v1 and TAG+ ---

FULL30 = b"abcdefghijklmnopqrstuvwxyz0123"
cases["id3v1-track-number.mp3"] = id3v1(b"Song", field(b"Nice", 28) + b"\x00\x07", 17)
cases["id3v1-full-comment.mp3"] = id3v1(b"Song", FULL30, 147)
cases["id3v1-no-track-number.mp3"] = id3v1(b"Song", field(b"x", 30), 148)
# The track byte counts only when the byte before it is 0.
cases["id3v1-byte-125-not-zero.mp3"] = id3v1(b"Song", field(b"ab", 28) + b"yz", 255)
cases["id3v1-full-title.mp3"] = id3v1(FULL30, bytes(28) + b"\x00\xff", 0)
cases["id3v1-cut.mp3"] = cut(id3v1(b"Song", bytes(30), 0), 103)
cases["tagplus.mp3"] = tagplus(b"1")
# Every text field full, no zero byte to end it: each ends at its width.
cases["tagplus-full-width.mp3"] = tagplus(b"1", b"T" * 60, b"A" * 60, b"B" * 60, b"G" * 30, b"123:45")
cases["tagplus-speed-zero.mp3"] = tagplus(b"\x00")
cases["tagplus-cut.mp3"] = cut(tagplus(b"1"), 226)

# --- Lyrics3 ---

cases["lyrics3v2.mp3"] = lyrics3v2([lyrics_field(b"IND", b"10"), lyrics_field(b"LYR", b"hello"),
                                    lyrics_field(b"ETT", b"Title")])
# A field of every known identifier; an audio frame follows the block.
cases["lyrics3v2-all-fields.mp3"] = lyrics3v2(
    [lyrics_field(f, f.lower()) for f in (b"IND", b"LYR", b"INF", b"AUT", b"EAL", b"EAR", b"ETT",
                                          b"IMG", b"GRE")]) + K128
# An unknown identifier ends the list: its 3 bytes begin the block size, and
# the audio frame after the block is found where the block ends.
cases["lyrics3v2-unknown-field.mp3"] = (b"LYRICSBEGIN" + lyrics_field(b"IND", b"1") + b"ZZZ123LYRICS200"
                                        + K128)
# A value of 1500 bytes, read and printed whole.
cases["lyrics3v2-big-value.mp3"] = lyrics3v2([lyrics_field(b"LYR", b"x" * 1500)]) + K128
cases["lyrics3v2-cut-in-field.mp3"] = cut(lyrics3v2([lyrics_field(b"LYR", b"hello")]), 21)
cases["lyrics3v2-cut-after-field.mp3"] = cut(lyrics3v2([lyrics_field(b"LYR", b"hello")]), 24)
cases["lyrics3v2-cut-in-size.mp3"] = b"LYRICSBEGINLYR00"
# Cut inside the second half of the block size, after the first.
cases["lyrics3v2-cut-in-block-size.mp3"] = cut(lyrics3v2([lyrics_field(b"LYR", b"hello")]), 28)
# A size field with a sign: no value is read, and the block size follows.
cases["lyrics3v2-signed-size.mp3"] = b"LYRICSBEGININD-0001" + b"000019LYRICS200" + FREE
cases["lyrics3v2-cut-in-footer.mp3"] = cut(lyrics3v2([lyrics_field(b"IND", b"10")]), 35)
# The walk goes on after an ID3v1 tag.
cases["id3v1-then-frame.mp3"] = id3v1(b"Title", bytes(30), 0) + FREE
# The text has no line end of its own: the next line ends it.
cases["lyrics3v1.mp3"] = b"LYRICSBEGINHello Lady sings" + b"LYRICSEND"
# "L" + "LYRICSE" is text; the scan goes on past the marker, to the end.
cases["lyrics3v1-false-end-marker.mp3"] = b"LYRICSBEGINHi ALLYRICSEND"
cases["lyrics3v1-control-bytes.mp3"] = b"LYRICSBEGINa\r\nb\x1b[0m\x7f\x9b\xe9LYRICSEND" + FREE
cases["lyrics3-cut-in-marker.mp3"] = b"LYRICSBEG"
cases["lyrics3v1-cut.mp3"] = b"LYRICSBEGINabc Lyric"
cases["lyrics3v1-without-end.mp3"] = b"LYRICSBEGINno end"

# --- APE ---

# Flags 1 (read-only), 2 (binary) and 4 (a link) show the value in hex; flags beyond
# the first byte do not count. Keys are compared with their case.
cases["ape-items.mp3"] = ape(
    ape_item(0, b"Artist", b"Someone") + ape_item(0, b"Catalog", b"CAT-1")
    + ape_item(0, b"ARTIST", b"Loud") + ape_item(2, b"Cover", b"\x01\xff") + ape_item(1, b"Title", b"RO")
    + ape_item(4, b"Related", b"http://x") + ape_item(0x01000000, b"Year", b"2024"), 7) + FREE
cases["ape-cut-in-header.mp3"] = cut(ape(ape_item(0, b"Title", b"Tone"), 1), 20)
cases["ape-cut-in-items.mp3"] = cut(ape(ape_item(0, b"Title", b"Tone"), 1), 50)
# Sizes of 2 GiB - 1 and 4 GiB - 1 fail like any read, without allocating.
cases["ape-size-2gib.mp3"] = ape_head(0x7FFFFFFF, 1, 0) + ape_item(0, b"Title", b"x")
cases["ape-size-4gib.mp3"] = ape_head(0xFFFFFFFF, 1, 0) + ape_item(0, b"Title", b"x")


def hostile_ape(body, count, flags=0):
    """A header whose size covers `body` (items and footer) exactly."""
    return ape_head(len(body), count, flags) + body + FREE


GOOD = ape_item(0, b"Title", b"ok")
cases["ape-count-past-end.mp3"] = hostile_ape(GOOD, 2)
cases["ape-count-negative.mp3"] = hostile_ape(GOOD, 0xFFFFFFFF)
cases["ape-item-key-without-zero.mp3"] = hostile_ape(GOOD + le32(0) + le32(0) + b"Title", 2)
# The second item's sizes end the tag: its key is not there.
cases["ape-item-sizes-end-the-tag.mp3"] = hostile_ape(GOOD + le32(0) + le32(0), 2)
cases["ape-value-past-end.mp3"] = hostile_ape(le32(100) + le32(0) + b"Title\x00short", 1)
cases["ape-value-size-negative.mp3"] = hostile_ape(le32(0xFFFFFFF0) + le32(0) + b"Title\x00short", 1)
# The footer's line needs 24 bytes after the last item.
cases["ape-footer-24-bytes.mp3"] = hostile_ape(GOOD + cut(ape_head(0, 0, 0), 24), 1)
cases["ape-footer-23-bytes.mp3"] = hostile_ape(GOOD + cut(ape_head(0, 0, 0), 23), 1)
# Bit 30 set: no footer, and the tag size covers the items alone.
cases["ape-no-footer.mp3"] = hostile_ape(ape_item(0, b"Title", b"T"), 1, 0x40000000)

# --- Control bytes in raw fields, each shown escaped ---

cases["control-bytes.mp3"] = (
    tag3(frame3(b"\x1b\x07\x7f\x9b", bytes([1, 2, 3, 4])) + frame3(b"TIT2", b"\x00" + HOSTILE)
         + frame3(b"APIC", b"\x00image/" + HOSTILE + b"\x00\x03" + HOSTILE + b"\x00"))
    + tag2(frame2(b"PIC", b"\x00\x1bP\x9b\x03\x00"))
    + lyrics3v2([lyrics_field(b"IND", HOSTILE)])
    + hostile_ape(ape_item(0, b"K" + HOSTILE, b"v") + ape_item(0, b"Title", HOSTILE), 2, 0x40000000)
    + tagplus(b"\x1b", b"a" * 60)
    + id3v1(HOSTILE, bytes(30), 0))

# --- MP3 files as TAR members: their ends are the members' ---

cases["members.tar"] = tar([
    (b"frame-cut.mp3", cut(K128, 104)),
    (b"id3v1-cut.mp3", cut(id3v1(b"Song", bytes(30), 0), 103)),
    (b"id3v2-huge-frame.mp3", cases["id3v2-huge-frame.mp3"]),
    (b"id3v2-unsync-tag-cut.mp3", cases["id3v2.3-unsync-tag-cut.mp3"]),
    (b"ape-cut-in-items.mp3", cases["ape-cut-in-items.mp3"]),
    (b"id3v2-between-frames.mp3", cases["id3v2-between-frames.mp3"]),
    (b"apic-jpeg.mp3", cases["apic-jpeg.mp3"]),
    (b"stats-cbr.mp3", K128 * 3),
])

write_cases("mp3", cases)

# --- Texts shown as UTF-8 (--utf8) ---

utf8 = {}
utf8["texts.mp3"] = tag3(
    frame3(b"TIT2", b"\x00caf\xe9")  # ISO-8859-1
    + frame3(b"TIT2", bytes([1, 0xFF, 0xFE, 0x63, 0, 0xE9, 0, 0x3D, 0xD8, 0x35, 0xDE]))  # UTF-16, a pair
    + frame3(b"TIT2", bytes([2, 0, 0xE9, 0xD8, 0x3D]))  # UTF-16BE, an unpaired surrogate
    + frame3(b"TIT2", b"\x03caf\xc3\xa9 \xe2\x82\xac")  # UTF-8
    + frame3(b"TIT2", b"\x03bad \xc3 \xff \xc2\x9b end")  # ill-formed, and a C1 control
    + frame3(b"TXXX", b"\x03cl\xc3\xa9\x00val\xc3\xa9")
    + frame3(b"PRIV", b"own\xc3\xa9\x00\x01")) + FREE
utf8["end-tags.mp3"] = (
    lyrics3v2([lyrics_field(b"IND", b"d\xe9j\xe0")])
    + hostile_ape(ape_item(0, b"Title", b"caf\xc3\xa9") + ape_item(0, b"K\xc3\xa9", b"\xff"), 2,
                  0x40000000)
    + id3v1(b"caf\xe9", bytes(30), 0, b"\xc3\xa9"))
# The edges of UTF-8: U+10FFFF is shown, U+110000 is not a character; the
# C1 control U+009F is escaped, U+00A0 shown.
# The last two-byte lead byte (U+07FF); an encoded surrogate (U+DFFF) is
# not a character. In UTF-16, the first surrogate pair (U+10000). Last, a
# three-byte sequence that a letter cuts after two bytes; a continuation byte
# before three more, which no lead byte begins.
utf8["utf8-edges.mp3"] = tag3(
    frame3(b"TIT2", b"\x03a\xf4\x8f\xbf\xbf b\xf4\x90\x80\x80 c\xc2\x9f d\xc2\xa0e \xdf\xbf \xed\xbf\xbf")
    + frame3(b"TIT2", b"\x01\xff\xfe\x00\xd8\x00\xdc")
    + frame3(b"TIT2", b"\x03f\xe3\x80g") + frame3(b"TIT2", b"\x03h\x80\x90\x80\x80")) + FREE
# A frame identifier that is no UTF-8, in the frame's line and in the
# error line of its cut.
utf8["frame-id-cut.mp3"] = id3v2(3, 0, 100) + b"\xe9BCD" + be32(50) + bytes(2) + b"abc"
# Characters that change how the text around them is shown: a right-to-left
# override, an isolate, the line separator, a noncharacter; in UTF-8, in
# UTF-16 and in a name printed raw (an ID3v1 field is ISO-8859-1 and holds
# none). They are escaped as controls are.
utf8["display-controls.mp3"] = tag3(
    frame3(b"TIT2", "\x03a\u202eb\u2066c\u2069d\u2028e\uffff".encode("utf-8"))
    + frame3(b"TIT2", b"\x01" + "\ufeffa\u202eb\u2029c\ufffe".encode("utf-16-le"))
    + frame3(b"TIT2", "\x03\u202a\u202b\u202c\u202d\u2067\u2068 kept: \u200f\u061c".encode("utf-8"))) + FREE
write_cases("mp3-utf8", utf8)

# --- Values the JSON report leaves out (--json) ---

# Fields that only the JSON report holds, or holds apart from the text: an
# extended header's CRC, a tag version not walked, a tag's revision apart
# from its flags, the numbers of an iTunSMPB comment.
json_cases = {name: cases[name] for name in ("id3v2.3-extended-header-crc.mp3", "id3v2.5-unsupported.mp3")}
json_cases["itunsmpb.mp3"] = tag3(frame3(b"COMM", ITUNSMPB)) + FREE
# A free-format frame's header gives no bit rate, and a file without frames
# has none: the text says "0kbps" and "none", the JSON has no bitrate.
json_cases["free-format-only.mp3"] = FREE + FREE
json_cases["no-frames.mp3"] = b"ID3\3\1\0" + syncsafe(12) + frame3(b"TIT2", b"\x00t")
write_cases("mp3-json", json_cases)
