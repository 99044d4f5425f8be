#!/usr/bin/env python3
"""Writes the PNG edge cases into tests/cases/png/ and, for the texts beyond
ASCII walked with --utf8, tests/cases/png-utf8/.

A PNG file is an 8-byte signature, then chunks: a 32-bit big-endian length
of the data (at most 2^31 - 1), four letters of type (the case of each a
property bit: ancillary, private, reserved, safe to copy), the data, and the
CRC-32 of the type and data. IHDR comes first, IEND last; the image data is
the zlib stream of the IDAT chunks (fdAT in the frames of an animation).
"""

import os
import sys
import zlib

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from cases import II, be16, be32, place, tar_member, write_cases

SIG = b"\x89PNG\r\n\x1a\n"


def chunk(kind, data, crc=None, length=None):
    return be32(len(data) if length is None else length) + kind + data + be32(
        zlib.crc32(kind + data) if crc is None else crc)


def ihdr(colour=2, depth=8, width=1, height=1, interlace=0):
    return chunk(b"IHDR", be32(width) + be32(height) + bytes([depth, colour, 0, 0, interlace]))


IDAT = chunk(b"IDAT", zlib.compress(b"\0\x10\x20\x30"))
IEND = chunk(b"IEND", b"")


def png(*chunks, head=None):
    """The signature, IHDR (truecolour unless given), the chunks, IDAT, IEND."""
    return SIG + (ihdr() if head is None else head) + b"".join(chunks) + IDAT + IEND


def text(keyword, value):
    return chunk(b"tEXt", keyword + b"\0" + value)


def ztxt(keyword, data, method=0):
    return chunk(b"zTXt", keyword + b"\0" + bytes([method]) + data)


def itxt(keyword, value, lang=b"", translated=b"", flag=0, method=0):
    return chunk(b"iTXt", keyword + b"\0" + bytes([flag, method]) + lang + b"\0" + translated + b"\0" + value)


def exif():
    return place({0: II.header(8), 8: II.ifd(8, [(0x010F, 2, 5, b"Acme\0"), (0x8825, 4, 1, 44)]),
                  44: II.ifd(44, [(0x0001, 2, 2, b"N\0")])})


def tar(members):
    return b"".join(tar_member(name.encode(), data) for name, data in members) + bytes(1024)


DECODED = [
    chunk(b"gAMA", be32(45455)),
    chunk(b"cHRM", b"".join(be32(v) for v in (31270, 32900, 64000, 33000, 30000, 60000, 15000, 6000))),
    chunk(b"sRGB", b"\0"),
    chunk(b"iCCP", b"ICC profile\0\0" + zlib.compress(be32(300) + bytes(296))),
    chunk(b"pHYs", be32(2835) + be32(2835) + b"\1"),
    chunk(b"tIME", be16(2024) + bytes([1, 2, 3, 4, 5])),
    chunk(b"PLTE", bytes(range(9))),
    chunk(b"tRNS", b"\0\x80\xff"),
    chunk(b"bKGD", b"\1"),
    text(b"Comment", b"made for tagdelve's tests"),
    ztxt(b"Description", zlib.compress(b"a text compressed\nover two lines")),
    itxt(b"Title", b"A title", b"en", b"Titel"),
    itxt(b"Author", zlib.compress(b"tagdelve"), b"en-GB", b"", flag=1),
    chunk(b"eXIf", exif()),
    chunk(b"prVt", b"private"),
    chunk(b"tEsT", b"reserved bit set"),
]

CASES = {
    "png-minimal.png": png(),
    "png-decoded-chunks.png": png(*DECODED, head=ihdr(3)),
    "png-grey-16-bit-interlaced-trns.png": png(chunk(b"tRNS", be16(1000)), head=ihdr(0, 16, 640, 480, 1)),
    "png-truecolour-trns.png": png(chunk(b"tRNS", be16(1) + be16(2) + be16(3))),
    "png-idat-runs.png": SIG + ihdr() + chunk(b"IDAT", b"\x78") + chunk(b"IDAT", b"") + chunk(b"IDAT", b"\x9c\x63")
    + text(b"Comment", b"between runs") + chunk(b"IDAT", b"\x60\x10\x50\x30\0\0\0\xa1\0\x61") + IEND,
    "png-animated.png": SIG + ihdr() + chunk(b"acTL", be32(2) + be32(0))
    + chunk(b"fcTL", be32(0) + be32(1) + be32(1) + be32(0) + be32(0) + be16(1) + be16(10) + b"\0\0") + IDAT
    + chunk(b"fcTL", be32(1) + be32(1) + be32(1) + be32(0) + be32(0) + be16(1) + be16(10) + b"\1\0")
    + chunk(b"fdAT", be32(2) + zlib.compress(b"\0\1\2\3")[:5]) + chunk(b"fdAT", be32(3) + zlib.compress(b"\0\1\2\3")[5:])
    + IEND,
    "png-animated-frames-missing.png": png(chunk(b"acTL", be32(3) + be32(1))),
    "png-animated-zero-frames.png": png(chunk(b"acTL", be32(0) + be32(0)), chunk(b"fcTL", bytes(26))),
    "png-crc-wrong.png": SIG + chunk(b"IHDR", ihdr()[8:-4], crc=0) + chunk(b"tEXt", b"a\0b", crc=0x12345678)
    + chunk(b"IDAT", zlib.compress(b"\0\1\2\3"), crc=1) + chunk(b"prVt", b"x" * 300, crc=2) + IEND,
    "png-not-png.png": b"\x89PNG\n\x1a\n" + ihdr() + IEND,
    "png-empty.png": b"",
    "png-signature-cut.png": SIG[:5],
    "png-ends-after-signature.png": SIG,
    "png-ends-between-chunks.png": SIG + ihdr() + IDAT,
    "png-cut-in-chunk-header.png": SIG + ihdr() + b"\0\0\0",
    "png-cut-in-chunk-data.png": SIG + ihdr() + text(b"Comment", b"cut short")[:15],
    "png-cut-in-crc.png": SIG + ihdr() + text(b"Comment", b"cut short")[:-2],
    "png-cut-in-idat.png": SIG + ihdr() + IDAT + IDAT[:12],
    "png-cut-in-unknown-chunk.png": SIG + ihdr() + chunk(b"prVt", bytes(100))[:60],
    "png-length-past-2g.png": SIG + ihdr() + chunk(b"tEXt", b"a\0b", length=0x80000000) + IEND,
    "png-type-not-letters.png": SIG + ihdr() + chunk(b"1DAT", b"") + IEND,
    "png-first-chunk-not-ihdr.png": SIG + chunk(b"gAMA", be32(45455)) + ihdr() + IDAT + IEND,
    "png-fixed-sizes-wrong.png": SIG + chunk(b"IHDR", bytes(12)) + chunk(b"gAMA", be32(100000) + b"\0")
    + chunk(b"sRGB", b"") + chunk(b"pHYs", bytes(8)) + chunk(b"tIME", bytes(8)) + chunk(b"acTL", bytes(7))
    + chunk(b"fcTL", bytes(25)) + chunk(b"cHRM", bytes(31)) + chunk(b"sRGB", b"\4") + IDAT + IEND,
    "png-plte-not-whole-entries.png": png(chunk(b"PLTE", bytes(7)), head=ihdr(3)),
    "png-texts-damaged.png": png(
        chunk(b"tEXt", b"no zero byte"), text(b"", b""), chunk(b"zTXt", b"k\0"),
        ztxt(b"method", zlib.compress(b"x"), 1), ztxt(b"not zlib", b"plain text"),
        ztxt(b"zlib cut", zlib.compress(b"the end is missing")[:-6]),
        ztxt(b"dictionary", bytes([0x78, 0xBB, 0, 0, 0, 1, 3, 0])),
        chunk(b"iTXt", b"k\0\0\0en"), itxt(b"flag", b"x", flag=2), itxt(b"method", b"x", flag=1, method=1),
        itxt(b"bad zlib", b"xx", flag=1), itxt(b"", b"no keyword"),
        chunk(b"iCCP", b"no method\0"), chunk(b"iCCP", b"method\0\1x"), chunk(b"iCCP", b"no zero"),
        chunk(b"iCCP", b"past the cap\0\0" + zlib.compress(bytes((1 << 20) + 1)))),
    "png-exif-damaged.png": png(chunk(b"eXIf", b""), chunk(b"eXIf", II.header(8) + II.ifd(8, [(0x8769, 4, 1, 8)])),
                                chunk(b"eXIf", b"MM\0*\0\0\0\x08\0\x02")),
    "png-members.tar": tar([("plain.png", png()), ("after-iend.png", png() + b"more"),
                            ("cut.png", png(text(b"Comment", b"x" * 600))[:400]), ("last.png", png())]),
}

UTF8 = {
    "png-texts-beyond-ascii.png": png(
        text(b"T\xeftle", b"caf\xe9 \x80\x9f\n"), itxt(b"Title", "€ 😀 é".encode(), b"fr", "Titré".encode()),
        itxt(b"Bad", b"\xe9t\xe9 \xed\xa0\x80", b"x", b"\xff")),
}

write_cases("png", CASES)
write_cases("png-utf8", UTF8)
