#!/usr/bin/env python3
"""Writes the Ogg edge cases into tests/cases/ogg/.

An Ogg file is a run of pages: "OggS", version 0, header type flags (1
continued, 2 first, 4 last), a 64-bit granule position, serial number,
sequence number and CRC (little-endian), the number of segments and a
lacing value per segment; packets are cut into segments of 255 bytes and a
last shorter one, which may be empty. The CRC is CRC-32 with polynomial
0x04C11DB7, most significant bit first, over the page with its CRC field
zero. The walker decodes the header packets of Vorbis, Opus, FLAC and Speex
and counts the others.
"""

import base64
import os
import sys

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from cases import be16, be24, be32, le16, le32, le64, tar_member, write_cases

CRC = []
for i in range(256):
    c = i << 24
    for _ in range(8):
        c = ((c << 1) ^ 0x04C11DB7 if c & 0x80000000 else c << 1) & 0xFFFFFFFF
    CRC.append(c)


def crc32(data):
    c = 0
    for b in data:
        c = ((c << 8) & 0xFFFFFFFF) ^ CRC[(c >> 24) ^ b]
    return c


def lacing(n, ends=True):
    """The lacing values of n bytes of a packet: an ending packet gets a last
    value below 255 (0 after a multiple of 255)."""
    return [255] * (n // 255) + ([n % 255] if ends else ([n % 255] if n % 255 else []))


def page(serial, seq, body, lace, flags=0, granule=0, crc=None, version=0):
    """A page of `body` cut by the lacing values `lace`; the CRC made right
    unless given."""
    head = b"OggS" + bytes([version, flags]) + le64(granule) + le32(serial) + le32(seq)
    tail = bytes([len(lace)]) + bytes(lace) + body
    return head + le32(crc32(head + bytes(4) + tail) if crc is None else crc) + tail


def packets_page(serial, seq, packets, flags=0, granule=0, **kw):
    """A page of whole packets."""
    lace = [v for p in packets for v in lacing(len(p))]
    return page(serial, seq, b"".join(packets), lace, flags, granule, **kw)


def vorbis_id(channels=1, rate=8000, nominal=14000):
    return (b"\x01vorbis" + le32(0) + bytes([channels]) + le32(rate) + le32(0) + le32(nominal) +
            le32(0xFFFFFFFF) + bytes([0xB8, 1]))


def comments(vendor, items, count=None):
    b = le32(len(vendor)) + vendor + le32(len(items) if count is None else count)
    for c in items:
        b += le32(len(c)) + c
    return b


def vorbis_comment(vendor, items, **kw):
    return b"\x03vorbis" + comments(vendor, items, **kw) + b"\x01"


VORBIS_SETUP = b"\x05vorbis" + bytes([4]) + bytes(20)


def opus_head(channels=2, pre_skip=312, rate=44100, gain=0, family=0, mapping=b""):
    return b"OpusHead" + bytes([1, channels]) + le16(pre_skip) + le32(rate) + le16(gain) + bytes([family]) + mapping


def opus_tags(vendor, items):
    return b"OpusTags" + comments(vendor, items)


def picture_block(mime, desc, data, data_len=None):
    """A FLAC picture block's body: type 3, MIME type, description, 16x16x24,
    the data and its length."""
    return (be32(3) + be32(len(mime)) + mime + be32(len(desc)) + desc + be32(16) + be32(16) + be32(24) +
            be32(0) + be32(len(data) if data_len is None else data_len) + data)


def picture_comment(block):
    return b"METADATA_BLOCK_PICTURE=" + base64.b64encode(block)


def streaminfo(rate=8000, channels=1, bits=16, total=4000):
    packed = (rate << 44) | ((channels - 1) << 41) | ((bits - 1) << 36) | total
    return be16(4096) + be16(4096) + be24(14) + be24(3000) + packed.to_bytes(8, "big") + bytes(16)


def flac_block(type_, body, last=False):
    return bytes([(0x80 if last else 0) | type_]) + be24(len(body)) + body


def flac_mapping(headers=1):
    return b"\x7fFLAC\x01\x00" + be16(headers) + b"fLaC" + flac_block(0, streaminfo())


def speex_header(rate=8000, channels=1, extra=0):
    return (b"Speex   " + b"1.2.1".ljust(20, b"\0") + le32(1) + le32(80) + le32(rate) + le32(0) + le32(4) +
            le32(channels) + le32(0xFFFFFFFF) + le32(160) + le32(0) + le32(1) + le32(extra) + le32(0) + le32(0))


SOI_EOI = b"\xff\xd8\xff\xd9"
AUDIO = [bytes([0x20 + i]) * (10 + i) for i in range(5)]  # five small audio packets


def vorbis_file(serial=7, comment=None, audio_flags=4):
    """A whole Vorbis stream: its three header pages, then one page of audio."""
    comment = vorbis_comment(b"enc", [b"TITLE=Tone"]) if comment is None else comment
    return (packets_page(serial, 0, [vorbis_id()], flags=2) +
            packets_page(serial, 1, [comment, VORBIS_SETUP]) +
            packets_page(serial, 2, AUDIO, flags=audio_flags, granule=1000))


def opus_file(serial, tags, head=None):
    return (packets_page(serial, 0, [head or opus_head()], flags=2) + packets_page(serial, 1, [tags]) +
            packets_page(serial, 2, AUDIO, flags=4, granule=48312))


cases = {}

# --- Streams as encoders write them ---
cases["ogg-vorbis.ogg"] = vorbis_file()
# Mapping family 1 (3 channels: two streams, one coupled), a negative output
# gain, a pre-skip larger than the last granule position (duration 0).
cases["ogg-opus-family-1.opus"] = (
    packets_page(3, 0, [opus_head(3, 4000, 48000, -1280, 1, bytes([2, 1, 0, 2, 1]))], flags=2) +
    packets_page(3, 1, [opus_tags(b"v", [b"ARTIST=A"])]) +
    packets_page(3, 2, AUDIO, flags=4, granule=3000))
# FLAC in Ogg: the mapping header with STREAMINFO, a comment block, the last
# block (padding), then an audio frame.
cases["ogg-flac.oga"] = (
    packets_page(5, 0, [flac_mapping(2)], flags=2) +
    packets_page(5, 1, [flac_block(4, comments(b"ref", [b"TITLE=Tone"]))]) +
    packets_page(5, 2, [flac_block(1, bytes(8), last=True)]) +
    packets_page(5, 3, [b"\xff\xf8" + bytes(20)], flags=4, granule=4000))
# Speex with more extra headers than are taken as headers (8).
cases["ogg-speex-extra-headers.spx"] = (
    packets_page(9, 0, [speex_header(16000, 2, 100)], flags=2) +
    packets_page(9, 1, [comments(b"spx", [b"TITLE=S"])] + [b"x"] * 10, flags=4, granule=320))
# A picture in the comments, a JPEG walked from its base64 form; the name in
# lower case counts too.
cover = picture_block(b"image/jpeg", b"front", SOI_EOI)
cases["ogg-opus-picture.opus"] = opus_file(4, opus_tags(b"v", [
    picture_comment(cover), b"metadata_block_picture=" + base64.b64encode(cover)[:-4] + b"Zg==", b"TITLE=T"]))

# The same picture's base64 form without its padding, which may be left out.
unpadded = picture_block(b"image/jpeg", b"fron", SOI_EOI)
cases["ogg-opus-picture-unpadded.opus"] = opus_file(4, opus_tags(b"v", [picture_comment(unpadded).rstrip(b"=")]))
# A first packet of the Opus signature alone: Opus, its header cut.
cases["ogg-opus-head-signature-only.opus"] = opus_file(6, opus_tags(b"v", []), head=b"OpusHead")

# --- Packets over pages ---
# A comment header of 600 bytes over three pages: 255 bytes and the page
# ends, 255 more alone, then the rest with the setup header; its comment's
# offsets map to where its bytes stand in the file.
big = vorbis_comment(b"enc", [b"DESCRIPTION=" + b"d" * 560])
cases["ogg-packet-over-pages.ogg"] = (
    packets_page(8, 0, [vorbis_id()], flags=2) +
    page(8, 1, big[:255], [255]) +
    page(8, 2, big[255:510], [255], flags=1) +
    page(8, 3, big[510:] + VORBIS_SETUP, lacing(len(big) - 510) + lacing(len(VORBIS_SETUP)), flags=1) +
    page(8, 4, b"a" * 300, [255, 45], flags=4, granule=500))
# Two streams interleaved, and a third chained after both.
cases["ogg-multiplexed-and-chained.ogg"] = (
    packets_page(1, 0, [vorbis_id()], flags=2) + packets_page(2, 0, [opus_head()], flags=2) +
    packets_page(1, 1, [vorbis_comment(b"one", []), VORBIS_SETUP]) + packets_page(2, 1, [opus_tags(b"two", [])]) +
    packets_page(2, 2, AUDIO, flags=4, granule=960) + packets_page(1, 2, AUDIO, flags=4, granule=512) +
    vorbis_file(serial=1))
# An audio packet over pages whose granule position is -1 (no packet ends).
cases["ogg-granule-none.ogg"] = (
    packets_page(6, 0, [vorbis_id()], flags=2) + packets_page(6, 1, [vorbis_comment(b"", []), VORBIS_SETUP]) +
    page(6, 2, b"q" * 510, [255, 255], granule=-1) + page(6, 3, b"q" * 10, [10], flags=5, granule=800))
# Codecs whose headers are not decoded: named, or their first bytes shown;
# a page of no segments.
cases["ogg-other-codecs.ogg"] = (
    packets_page(11, 0, [b"\x80theora" + bytes(35)], flags=2) + packets_page(12, 0, [b"ABCDEFGHIJ"], flags=2) +
    page(11, 1, b"", []) + packets_page(12, 1, [b"data"], flags=4, granule=9) +
    packets_page(11, 2, [b"frame"], flags=4, granule=1))

# --- Damage ---
# A setup header of its 7-byte signature only: no codebook count.
cases["ogg-vorbis-setup-signature-only.ogg"] = (
    packets_page(9, 0, [vorbis_id()], flags=2) + packets_page(9, 1, [vorbis_comment(b"e", []), b"\x05vorbis"]) +
    packets_page(9, 2, AUDIO, flags=4, granule=1000))
cases["ogg-empty.ogg"] = b""
cases["ogg-not-ogg.ogg"] = b"This is text, not an Ogg file.\n"
vorbis = vorbis_file()
# A wrong CRC on the second page.
second = vorbis.index(b"OggS", 4)
cases["ogg-bad-crc.ogg"] = vorbis[:second + 22] + b"\xde\xad\xbe\xef" + vorbis[second + 26:]
# Bytes that are no page between pages and after the last; a page of version
# 1, passed over as no page.
third = vorbis.index(b"OggS", second + 4)
cases["ogg-garbage-between-pages.ogg"] = (
    vorbis[:second] + b"junk OggX Og" + vorbis[second:third] + b"OggS\x01" + bytes(30) + vorbis[third:] +
    b"trailing bytes")
# The file ends inside a page header (after "OggS"), inside the segment table,
# inside a page's body; and after the capture pattern's first two bytes.
cases["ogg-cut-page-header.ogg"] = vorbis[:second + 10]
cases["ogg-cut-segment-table.ogg"] = vorbis[:second + 28]
cases["ogg-cut-page-body.ogg"] = vorbis[:third - 40]
cases["ogg-cut-capture-pattern.ogg"] = vorbis[:second] + b"Og"
cases["ogg-cut-after-capture-pattern.ogg"] = vorbis[:second] + b"OggS\0"
# Sequence numbers that skip a page (2 to 4), and go back (4 to 3).
cases["ogg-sequence-gap.ogg"] = (
    packets_page(7, 0, [vorbis_id()], flags=2) + packets_page(7, 1, [vorbis_comment(b"", []), VORBIS_SETUP]) +
    packets_page(7, 2, AUDIO[:1]) + packets_page(7, 4, AUDIO[1:2]) + packets_page(7, 3, AUDIO[2:], flags=4))
# A packet that the next page does not continue, and a page that continues a
# packet no page began.
cases["ogg-continuation-faults.ogg"] = (
    packets_page(7, 0, [vorbis_id()], flags=2) + packets_page(7, 1, [vorbis_comment(b"", []), VORBIS_SETUP]) +
    page(7, 2, b"a" * 255, [255]) + packets_page(7, 3, AUDIO[:2]) +
    page(7, 4, b"b" * 20, [20], flags=1) + packets_page(7, 5, AUDIO[2:], flags=4, granule=90))
# A packet continued on every page to the end: an audio packet, and in a
# second stream a comment header that never ends (gathered, never decoded).
forever = b"".join(page(7, 3 + i, b"c" * 255, [255], flags=1) for i in range(6))
cases["ogg-packet-continued-forever.ogg"] = (
    packets_page(7, 0, [vorbis_id()], flags=2) + packets_page(7, 1, [vorbis_comment(b"", []), VORBIS_SETUP]) +
    page(7, 2, b"c" * 255, [255]) + forever +
    packets_page(9, 0, [vorbis_id()], flags=2) + page(9, 1, b"\x03vorbis" + b"c" * 248, [255]) +
    b"".join(page(9, 2 + i, b"c" * 255, [255], flags=1) for i in range(3)))
# The comment packet's counts pass its end: the vendor length, then a
# comment's length, then the comment count.
cases["ogg-comment-overruns.ogg"] = (
    vorbis_file(1, b"\x03vorbis" + le32(100) + b"ab") +
    vorbis_file(2, b"\x03vorbis" + comments(b"v", [b"A=1"], count=1)[:-4] + le32(99) + b"A=1") +
    vorbis_file(3, b"\x03vorbis" + comments(b"v", [b"A=1"], count=5)))
# Pictures: base64 with a character out of the alphabet, one digit too many,
# padding that does not fill the group; a picture block whose data passes
# its end; a picture of no bytes.
cases["ogg-picture-faults.opus"] = opus_file(4, opus_tags(b"v", [
    b"METADATA_BLOCK_PICTURE=AAAA!AAA",
    b"METADATA_BLOCK_PICTURE=AAAAA",
    b"METADATA_BLOCK_PICTURE=AAA=",
    picture_comment(picture_block(b"image/jpeg", b"", SOI_EOI, data_len=400)),
    picture_comment(b""),
]))
# Header packets too short for their fields, and packets of a codec that
# are not its headers.
cases["ogg-short-headers.ogg"] = (
    packets_page(1, 0, [vorbis_id()[:20]], flags=2) + packets_page(1, 1, [b"\x01vorbis", b"\x07vorbis"]) +
    packets_page(2, 0, [opus_head()[:12]], flags=2) + packets_page(2, 1, [b"OpusTag"]) +
    packets_page(3, 0, [opus_head(4, family=1, mapping=b"\x02\x02\x00")], flags=2) +
    packets_page(4, 0, [b"\x7fFLAC\x01\x00\x00"], flags=2) +
    packets_page(5, 0, [b"\x7fFLAC\x01\x00\x00\x01fLaX" + bytes(38)], flags=2) +
    packets_page(6, 0, [speex_header()[:60]], flags=2) + packets_page(6, 1, [b"comment", b"audio"]) +
    packets_page(7, 0, [flac_mapping(1)], flags=2) +
    packets_page(7, 1, [flac_block(4, comments(b"x", [b"B=2"], count=2))]) +
    packets_page(7, 2, [flac_block(1, bytes(4), last=True)[:6]]))
# More logical streams than are tracked (256): the 257th and later are
# passed over, with one error.
cases["ogg-too-many-streams.ogg"] = b"".join(
    packets_page(1000 + i, 0, [b"x"], flags=2) for i in range(258)) + packets_page(1000, 1, [b"y"], flags=4)

# --- Archive members: the walk under a limit ---
cases["ogg-members-of-archive.tar"] = (
    tar_member(b"a.ogg", vorbis) + tar_member(b"cut.opus", opus_file(3, opus_tags(b"v", []))[:150]) +
    tar_member(b"after.txt", b"x"))

write_cases("ogg", cases)
