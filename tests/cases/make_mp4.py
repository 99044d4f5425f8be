#!/usr/bin/env python3
"""Writes the MP4 edge cases into tests/cases/mp4/ (and, for the texts that
need --utf8, tests/cases/mp4-utf8/; for fields only the JSON report holds,
tests/cases/mp4-json/).

An MP4 file is a sequence of boxes: a 32-bit big-endian size (1: a 64-bit
size follows the type; 0: the box runs to the end of its parent), a
four-character type, then the content. Containers hold boxes; a full box's
content begins with a version byte and 24 bits of flags. iTunes metadata
items stand in moov/udta/meta/ilst, each holding data boxes: a type code (4
bytes), a locale (4 bytes), the value.
"""

import os
import struct
import sys

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from cases import be16, be32, tar_member, write_cases


def be64(x): return struct.pack(">Q", x & 0xFFFFFFFFFFFFFFFF)


def box(type_, *content, size=None, large=False):
    """A box; `size` claims another size than the true one; `large` writes
    the size in 64 bits after a size field of 1."""
    body = b"".join(content)
    n = (16 if large else 8) + len(body) if size is None else size
    return (be32(1) + type_ + be64(n) if large else be32(n) + type_) + body


def full(type_, *content, version=0, flags=0, size=None):
    return box(type_, bytes([version]) + be32(flags)[1:], *content, size=size)


FTYP = box(b"ftyp", b"M4A ", be32(512), b"M4A isomiso2")
MVHD = full(b"mvhd", be32(0), be32(0), be32(1000), be32(250), be32(0x10000), be16(0x100), bytes(70), be32(2))


def data(type_code, value, type_set=0, locale=0):
    return box(b"data", bytes([type_set]) + be32(type_code)[1:], be32(locale), value)


def ilst(*items):
    """moov/udta/meta (with its handler)/ilst holding the items."""
    hdlr = full(b"hdlr", be32(0), b"mdir", bytes(12), b"\0")
    return box(b"moov", MVHD, box(b"udta", full(b"meta", hdlr, box(b"ilst", *items))))


def m4a(*boxes):
    return FTYP + b"".join(boxes)


def trak(handler, *stbl, mdhd=None):
    """A track whose media handler is `handler`, its sample table holding `stbl`."""
    mdhd = mdhd or full(b"mdhd", be32(0), be32(0), be32(8000), be32(2000), be16(0x55C4), be16(0))
    hdlr = full(b"hdlr", be32(0), handler, bytes(12), b"Handler\0")
    return box(b"trak", box(b"mdia", mdhd, hdlr, box(b"minf", box(b"stbl", *stbl))))


def stsd(*entries):
    return full(b"stsd", be32(len(entries)), *entries)


def sound(code, *children, version=0, extra=b"", channels=2, bits=16, rate=44100):
    return box(code, bytes(6), be16(1), be16(version), bytes(6), be16(channels), be16(bits), bytes(4),
               be32(rate << 16), extra, *children)


def descriptor(tag, body):
    return bytes([tag, 0x80, 0x80, 0x80, len(body)]) + body


def esds(object_type, config):
    dec = bytes([object_type, 0x15]) + bytes(3) + be32(128000) + be32(96000) + descriptor(5, config)
    return full(b"esds", descriptor(3, be16(1) + b"\0" + descriptor(4, dec) + descriptor(6, b"\2")))


def table(type_, width, count, entries=None, version=0, head=b""):
    n = count if entries is None else entries
    return full(type_, head, be32(count), b"".join(be32(i + 1) * (width // 4) for i in range(n)), version=version)


JPEG = b"\xff\xd8\xff\xd9"
cases = {}

# --- Layouts of the box tree ---
cases["mp4-minimal.m4a"] = m4a(box(b"moov", MVHD), box(b"mdat", b"\xff" * 20))
# A 64-bit size; a last box of size 0, to the end of the file.
cases["mp4-large-size-and-size-0.mp4"] = m4a(box(b"mdat", b"\1" * 8, large=True), box(b"free", b"x" * 10, size=0))
# Size 0 inside a container: to the end of the container.
cases["mp4-size-0-in-container.mp4"] = m4a(box(b"moov", MVHD, box(b"udta", b"\2" * 6, size=0)), box(b"free"))
# A moov first (no ftyp), a wide box, QuickTime's meta box without version
# and flags, a user data list ended by a 32-bit zero.
cases["mp4-quicktime-layout.mov"] = box(b"wide") + box(b"moov", MVHD, box(
    b"meta", full(b"hdlr", be32(0), b"mdta", bytes(12), b"\0"), box(b"keys", bytes(8))),
    box(b"udta", box(b"\xa9nam", be16(5), be16(0x55C4), b"Movie", be16(4), be16(0), b"Zwei"), bytes(4)))
# A uuid box: its user type; one too short for it.
cases["mp4-uuid.mp4"] = m4a(box(b"uuid", bytes(range(16)), b"data"), box(b"uuid", b"short"))
# Sizes of every other box: 64-bit sizes inside containers.
cases["mp4-large-sizes-inside.mp4"] = m4a(box(b"moov", box(b"mvhd", MVHD[8:], large=True), large=True))

# --- Damaged sizes ---
cases["mp4-empty.m4a"] = b""
cases["mp4-not-mp4.m4a"] = b"ID3\3\0\0\0\0\0\0" + bytes(30)
cases["mp4-cut-inside-box-header.m4a"] = FTYP + b"\0\0\0"
cases["mp4-cut-inside-large-size.m4a"] = FTYP + be32(1) + b"mdat" + b"\0\0\0"
cases["mp4-size-4-at-top.m4a"] = FTYP + box(b"free", size=4) + box(b"moov", MVHD)
cases["mp4-large-size-12.m4a"] = FTYP + be32(1) + b"mdat" + be64(12) + box(b"moov", MVHD)
# Size 7 inside moov: its place lost, the walk goes on after moov.
cases["mp4-size-7-in-moov.m4a"] = m4a(box(b"moov", MVHD, box(b"udta", size=7), bytes(8)), box(b"mdat"))
cases["mp4-box-passes-its-parent.m4a"] = m4a(box(b"moov", MVHD, box(b"udta", box(b"free"), size=40)), box(b"mdat"))
cases["mp4-mdat-passes-the-file.m4a"] = m4a(box(b"mdat", b"\xff" * 10, size=1000))
cases["mp4-mdat-claims-16-eib.m4a"] = m4a(box(b"mdat", b"\xff" * 10, size=(1 << 64) - 4, large=True))
cases["mp4-cut-between-children.m4a"] = m4a(box(b"moov", MVHD, size=200))
cases["mp4-cut-inside-mvhd.m4a"] = m4a(box(b"moov", MVHD[:50], size=8 + len(MVHD)))
cases["mp4-bytes-after-last-child.m4a"] = m4a(box(b"moov", MVHD, b"\1\2\3"), box(b"udta", bytes(3)))
cases["mp4-meta-too-short.m4a"] = m4a(box(b"moov", box(b"udta", box(b"meta", b"\0\0"))))
# Boxes nested 3000 deep: walked 64 deep, the rest passed over whole.
deep = box(b"free")
for _ in range(3000):
    deep = box(b"udta", deep)
cases["mp4-nested-3000-deep.m4a"] = m4a(box(b"moov", deep), box(b"mdat"))

# --- Headers ---
# Version 1 (64-bit times and durations), a date in 2026, durations not
# known (all bits set), a timescale of 0, a language as a Macintosh number.
v1_times = be64(3_850_000_000) + be64(3_850_000_123)
cases["mp4-headers.mp4"] = m4a(box(b"moov",
    full(b"mvhd", v1_times, be32(600), be64(900), be32(0x18000), be16(0x80), bytes(70), be32(7), version=1),
    box(b"trak", full(b"tkhd", v1_times, be32(3), bytes(4), be64(~0), bytes(8), be16(0xFFFF), be16(2), be16(0),
                      bytes(38), be32(640 << 16), be32(0x1E0_8000), version=1, flags=3),
        box(b"mdia", full(b"mdhd", v1_times, be32(0), be64(5), be16(0), be16(0), version=1))),
    box(b"trak", full(b"tkhd", bytes(24)), box(b"mdia", full(b"mdhd", bytes(8), be32(1000), be32(~0), be16(0x7FFF), bytes(2)))),
    full(b"mvhd", bytes(10)), full(b"tkhd", bytes(30)), full(b"hdlr", b"\0\0\0\0vid")))

# --- Sample descriptions and tables ---
alac = full(b"alac", be32(4096), bytes([0, 24, 40, 10, 14, 6]), be16(255), be32(0), be32(0), be32(96000))
streaminfo = bytes([0x80, 0, 0, 34]) + bytes(10) + bytes([0x0B, 0xB8, 0x03, 0x70, 0, 0, 0x10, 0]) + bytes(16)
cases["mp4-sample-entries.mp4"] = m4a(box(b"moov",
    trak(b"soun", stsd(sound(b"mp4a", esds(0x40, b"\x12\x10")),
                       sound(b"mp4a", esds(0x40, b"\x2b\x92\x08\x00")),  # HE-AAC, 22050 Hz
                       sound(b"mp4a", esds(0x40, b"\xf8\x0f\x80\x00\x08\x00\x00")),  # type 63, rate given
                       sound(b"mp4a", esds(0x66, b"\x10")),  # MPEG-2 AAC, configuration too short
                       sound(b"alac", alac, channels=6, bits=24, rate=48000),
                       sound(b"fLaC", full(b"dfLa", streaminfo)),
                       sound(b"Opus", box(b"dOps", b"\0\2" + be16(312) + be32(48000) + be16(0xFFFE) + b"\0")),
                       sound(b"lpcm", version=2, extra=be32(72) + struct.pack(">d", 88200.0) + be32(6) +
                             be32(0x7F000000) + be32(24) + bytes(12)),
                       sound(b"twos", version=1, extra=bytes(16)))),
    trak(b"vide", stsd(box(b"avc1", bytes(6), be16(1), bytes(16), be16(320), be16(240), be32(72 << 16),
                           be32(72 << 16), bytes(4), be16(1), b"\x05Coder" + bytes(26), be16(24), be16(0xFFFF),
                           box(b"avcC", b"\1\2\3")))),
    trak(b"text", stsd(box(b"tx3g", bytes(6), be16(1), b"not boxes" * 3))),
    trak(b"soun", stsd(box(b"ac-3", bytes(6), be16(1), bytes(4)))),
    trak(b"soun", stsd(sound(b"mp4a", full(b"esds", b"\3\x80\x80"), full(b"esds", b"\3\x20\0\0")),
                       sound(b"alac", full(b"alac", bytes(10))), sound(b"fLaC", full(b"dfLa", bytes(9))),
                       sound(b"Opus", box(b"dOps", b"\0")), sound(b"twos", version=2)))))
cases["mp4-sample-tables.mp4"] = m4a(box(b"moov", trak(b"soun",
    table(b"stts", 8, 5), table(b"ctts", 8, 1), table(b"stsc", 12, 2), table(b"stsz", 4, 4, head=be32(0)),
    table(b"stco", 4, 3), table(b"co64", 8, 1), table(b"stss", 4, 0),
    table(b"stsz", 4, 1000, 0, head=be32(417)), table(b"stco", 4, 100, 2), table(b"stsz", 4, 9, 1, head=be32(0)),
    box(b"edts", table(b"elst", 20, 2, version=1), table(b"elst", 12, 1)), full(b"stts", b"\0"))))

# --- Chapters, references and fragments ---
def chapter(start, title): return be64(start) + bytes([len(title)]) + title


cases["mp4-chapters.m4b"] = m4a(box(b"moov", MVHD,
    box(b"trak", box(b"tref", box(b"chap", be32(2), be32(3)), box(b"hint", be32(1), b"\0\0"))),
    box(b"udta", full(b"chpl", bytes(4), b"\3", chapter(0, b"Intro"), chapter(12_345_678, b""),
                      chapter(10**10, b"Caf\xc3\xa9"), version=1),
        full(b"chpl", b"\2", chapter(0, b"A")),
        full(b"chpl", b"\3", chapter(0, b"Only one"), b"\0\0"), full(b"chpl", b"\1", chapter(0, b"Long")[:11]),
        full(b"chpl"))))
# Boxes that just hold their fields: a track header of its times, ID and
# duration only; a chapter list whose last chapter, untitled, ends it; a
# handler of its type only. A sample description whose entry count reads
# "hdlr" (only a meta box is looked into for QuickTime's layout). A type
# with "~", the last printable character.
cases["mp4-boxes-that-just-fit.m4a"] = m4a(box(b"moov", MVHD, box(b"trak", full(b"tkhd", bytes(20))),
    box(b"udta", full(b"chpl", b"\1", chapter(0, b""))), trak(b"soun", full(b"stsd", b"hdlr")),
    full(b"hdlr", be32(0), b"mdir")), box(b"a~cd"))
# A first box of a type the walker does not know, of printable characters
# ("~" the last of them): an MP4 file all the same.
cases["mp4-first-box-of-unknown-type.mp4"] = box(b"a~cd") + box(b"moov", MVHD)
cases["mp4-fragments.mp4"] = m4a(
    box(b"moov", MVHD, box(b"mvex", full(b"mehd", be32(250)), full(b"trex", be32(1), bytes(16)))),
    box(b"moof", full(b"mfhd", be32(1)), box(b"traf", full(b"tfhd", be32(1), flags=0x20000),
                                             full(b"tfdt", be64(1 << 33), version=1), full(b"trun", be32(7)))),
    box(b"mdat", bytes(7)),
    box(b"moof", full(b"mfhd", b"\0"), box(b"traf", full(b"tfdt", be32(5)))),
    box(b"mfra", full(b"tfra", bytes(12)), full(b"mfro", be32(16))))

# --- iTunes metadata ---
cases["mp4-ilst-data-types.m4a"] = m4a(ilst(
    box(b"\xa9nam", data(1, b"Title"), data(4, b"Sort")),
    box(b"\xa9ART", data(2, "Ärtist".encode("utf-16-be")), data(5, b""), data(3, b"\x83\x65")),
    box(b"tmpo", data(21, b"\x78"), data(21, b"\xff\xfe"), data(21, b"\x80\0\0"), data(21, b"\xff" * 4),
        data(21, b"\x80" + bytes(7)), data(22, b"\xff" * 8), data(22, b"\1\0\0")),
    box(b"rtng", *[data(c, b"\xff" * w) for c, w in ((65, 1), (66, 2), (67, 4), (74, 8), (75, 1), (76, 2), (77, 4), (78, 8))]),
    box(b"\xa9st3", data(23, struct.pack(">f", 1.5)), data(24, struct.pack(">d", -0.25))),
    box(b"gnre", data(0, be16(8))), box(b"trkn", data(0, be16(0) + be16(3) + be16(12) + be16(0))),
    box(b"disk", data(0, be16(0) + be16(1) + be16(2))), box(b"purd", data(0, b"\1\2")),
    box(b"apID", data(0, bytes(range(40)))), box(b"xid ", data(99, b"\1\2\3"), data(1, b"set 1", type_set=1),
                                                  data(1, b"en", locale=0x656E0000)),
    box(b"\0\0\0\1", data(1, b"key 1"))))
cases["mp4-ilst-data-wrong-sizes.m4a"] = m4a(ilst(
    box(b"\xa9nam", box(b"data", b"\0\0\0\1"), box(b"data")),
    box(b"tmpo", data(21, bytes(5)), data(65, bytes(2)), data(23, bytes(3)), data(21, b"")),
    box(b"trkn", data(0, be16(0) + be16(3))), box(b"gnre", data(0, b"\1\2\3")),
    box(b"\xa9alb", box(b"data", b"\0\0\0\1", bytes(4), b"Album", size=40)), box(b"\xa9day", data(1, b"2026"))))
cases["mp4-ilst-covers.m4a"] = m4a(ilst(box(b"covr", data(13, JPEG + b"\0\0"), data(13, b""),
                                             data(14, b"\x89PNG\r\n\x1a\n"), data(27, b"BM"),
                                             data(13, b"\xff\xd8\xff\xfe\x00\x10abc"))))
cases["mp4-ilst-freeform.m4a"] = m4a(ilst(
    box(b"----", full(b"mean", b"com.apple.iTunes"), full(b"name", b"iTunSMPB"), data(1, b" 00000000 00000840")),
    box(b"----", box(b"mean", b"\0\0"), full(b"name"), data(1, b"x"))))
ctl = b"\x1b[31m\x07\x7f\x9b"
cases["mp4-control-characters.m4a"] = m4a(ilst(box(b"\x1b[2J", data(1, ctl)), box(b"\xa9\x07\x9bx", data(1, b"v")),
                                               box(b"----", full(b"mean", ctl), full(b"name", b"n\n"))))
cases["mp4-cut-inside-cover.m4a"] = m4a(ilst(box(b"covr", data(13, JPEG + bytes(100)))))[:-60]

# --- Archive members: the walk under a limit ---
member = m4a(box(b"moov", MVHD), box(b"mdat", bytes(100)))
cases["mp4-members-of-archive.tar"] = (tar_member(b"song.m4a", member) + tar_member(b"cut.m4a", member[:40]) +
                                       tar_member(b"long.mp4", member, size=600))

# --- Texts outside ASCII, with --utf8 (and the same file without it) ---
texts = m4a(ilst(box(b"\xa9nam", data(1, "Grüße 🎵".encode())), box(b"\xa9ART", data(2, "Zoë".encode("utf-16-be"))),
                 box(b"----", full(b"mean", b"org"), full(b"name", "Ünï".encode()), data(1, b"\xc3|\x80"))))
cases["mp4-texts-outside-ascii.m4a"] = texts
write_cases("mp4", cases)
write_cases("mp4-utf8", {"mp4-texts-outside-ascii.m4a": texts})
# Sample entries with fields that only the JSON report holds at -v.
write_cases("mp4-json", {"mp4-sample-entries.mp4": cases["mp4-sample-entries.mp4"]})
