#!/usr/bin/env python3
"""Writes the TIFF edge cases into tests/cases/tiff/.

A TIFF file is a header ("II" little-endian or "MM" big-endian, 42, the
offset of IFD0) and directories that may stand anywhere: a 16-bit count of
12-byte entries (tag, type, count, the value or its offset), then the offset
of the next directory of the chain (0 ends it). Entries point to more
directories: Exif (34665), GPS (34853), Interoperability (40965, in the Exif
IFD) and SubIFDs (330, any number); JPEGInterchangeFormat (513) and its
length (514) give a JPEG thumbnail. Strips and tiles are image data, never
read.
"""

import os
import sys

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from cases import II, MM, be16, place, tar_member, write_cases

THUMB = b"\xff\xd8\xff\xfe" + be16(7) + b"thumb\xff\xd9"


def camera(o):
    """A camera-like file: image data first, then IFD0 with strips, floats,
    an IFD-typed Exif pointer and the GPS pointer; the Exif IFD with the
    Interoperability pointer; IFD1 with a JPEG thumbnail."""
    v = o.values
    return place({
        0: o.header(400),
        8: bytes(range(256)) + bytes(136),  # the strips
        400: o.ifd(400, [
            (0x0100, 3, 1, v(3, [16])), (0x0101, 3, 1, v(3, [16])),
            (0x0103, 3, 1, v(3, [1])), (0x010F, 2, 5, b"Acme\0"),
            (0x0111, 4, 4, v(4, [8, 72, 136, 200])),
            (0x0117, 4, 4, v(4, [64] * 4)),
            (0x0118, 11, 2, v(11, [0.5, -2.25])),
            (0x0119, 12, 1, v(12, [1e100])),
            (0x8769, 13, 1, v(4, [600])),
            (0x8825, 4, 1, v(4, [700])),
        ], link=800),
        600: o.ifd(600, [(0x829A, 5, 1, v(5, [(1, 250)])), (0x8827, 3, 1, v(3, [400])),
                         (0xA005, 4, 1, v(4, [660]))]),
        660: o.ifd(660, [(0x0001, 2, 4, b"R98\0"), (0x0002, 7, 4, b"0100")]),
        700: o.ifd(700, [(0x0000, 1, 4, b"\2\3\0\0"), (0x0001, 2, 2, b"S\0"),
                         (0x001D, 2, 11, b"2024:05:06\0"), (0x8769, 4, 1, 600)]),
        800: o.ifd(800, [(0x0103, 3, 1, v(3, [6])), (0x0201, 4, 1, v(4, [850])),
                         (0x0202, 4, 1, v(4, [len(THUMB)]))]),
        850: THUMB,
    })


def capped():
    """Values past what is shown: 100 strip offsets and byte counts, 70
    tile offsets, 100 bytes of an undefined value, a text of 5000 bytes."""
    v = II.values
    return place({0: II.header(8), 8: II.ifd(8, [
        (0x0111, 4, 100, v(4, range(1000, 1100))),
        (0x0117, 3, 100, v(3, [7] * 100)),
        (0x0144, 4, 70, v(4, range(70))),
        (0x927C, 7, 100, bytes(range(100))),
        (0x010E, 2, 5001, b"ab" * 2500 + b"\0"),
        (0x0140, 3, 65, v(3, range(65))),
    ])})


def subifds():
    """Two SubIFDs, the second with a SubIFD of its own, an offset of 0 among
    them (not followed), and IFD1 after them in the chain."""
    v = II.values
    return place({
        0: II.header(8),
        8: II.ifd(8, [(0x014A, 4, 3, v(4, [60, 0, 80]))], link=140),
        60: II.ifd(60, [(0x00FE, 4, 1, v(4, [1]))]),
        80: II.ifd(80, [(0x00FE, 4, 1, v(4, [1])), (0x014A, 13, 1, v(4, [120]))]),
        120: II.ifd(120, [(0x0100, 4, 1, v(4, [3]))]),
        140: II.ifd(140, [(0x0100, 4, 1, v(4, [2]))]),
    })


def nested_too_deep():
    """SubIFDs each pointing to the next, ten deep."""
    return place({0: MM.header(8), **{8 + 20 * i: MM.ifd(8 + 20 * i, [(0x014A, 4, 1, MM.values(4, [28 + 20 * i]))])
                                      for i in range(10)}})


def overlapping():
    """SubIFDs at every offset of a run of bytes 5: each reads a count of
    1285 entries out of the same bytes."""
    return place({0: II.header(8), 8: II.ifd(8, [(0x014A, 4, 40, II.values(4, range(200, 240)))]),
                  200: b"\5" * 300})


def chain(n, last_link=0):
    """IFD0 to IFD(n-1), one entry each, the last linking to `last_link`."""
    return place({0: II.header(8), **{8 + 20 * i: II.ifd(8 + 20 * i, [(0x0100, 3, 1, II.values(3, [i]))],
                                                          link=8 + 20 * (i + 1) if i + 1 < n else last_link)
                                      for i in range(n)}})


def tar(members):
    return b"".join(tar_member(name.encode(), data) for name, data in members) + bytes(1024)


CASES = {
    "tiff-camera-ii.tif": camera(II),
    "tiff-camera-mm.tif": camera(MM),
    "tiff-extension-tiff.tiff": chain(1),
    "tiff-extension-dng.dng": chain(1),
    "tiff-values-shown-capped.tif": capped(),
    "tiff-subifds.tif": subifds(),
    # Two SubIFDs given as SHORT values, held in the entry.
    "tiff-subifds-short.tif": place({0: II.header(8), 8: II.ifd(8, [(0x014A, 3, 2, II.values(3, [40, 60]))]),
                                     40: II.ifd(40, [(0x0100, 3, 1, II.values(3, [1]))]),
                                     60: II.ifd(60, [(0x0100, 3, 1, II.values(3, [2]))])}),
    "tiff-subifds-nested-too-deep.tif": nested_too_deep(),
    "tiff-directories-overlap.tif": overlapping(),
    "tiff-chain-of-three.tif": chain(3),
    "tiff-chain-loops-back.tif": chain(3, last_link=28),
    # An Exif pointer of type ASCII: not followed.
    "tiff-pointer-of-wrong-type.tif": II.header(8) + II.ifd(8, [(0x8769, 2, 4, 26)])
    + II.ifd(26, [(0x0100, 3, 1, II.values(3, [1]))]),
    "tiff-pointer-back-to-ifd0.tif": II.header(8) + II.ifd(8, [(0x8769, 4, 1, 8), (0x8825, 4, 1, 30)]),
    "tiff-ifd0-outside-file.tif": II.header(0xFFFFFFF0) + bytes(8),
    "tiff-ifd0-offset-0.tif": II.header(0) + bytes(8),
    "tiff-directory-cut-short.tif": (II.header(8) + II.ifd(8, [(0x0100, 3, 1, II.values(3, [1]))] * 4))[:40],
    "tiff-directory-count-65535.tif": MM.header(8) + b"\xff\xff" + bytes(30),
    "tiff-link-past-end.tif": (II.header(8) + II.ifd(8, [(0x0100, 3, 1, II.values(3, [1]))]))[:-2],
    "tiff-values-past-end.tif": II.header(8) + II.ifd(8, [(0x010F, 2, 40, 20), (0x0111, 4, 0x40000000, 8),
                                                          (0x0110, 2, 10, 0xFFFFFFF0)]),
    "tiff-thumbnail-outside-file.tif": II.header(8) + II.ifd(8, [(0x0201, 4, 1, 1000), (0x0202, 4, 1, 100)]),
    "tiff-thumbnail-not-jpeg.tif": II.header(8) + II.ifd(8, [(0x0201, 4, 1, 8), (0x0202, 4, 1, 12)]),
    "tiff-empty.tif": b"",
    "tiff-header-cut.tif": b"II*\0\x08",
    "tiff-not-tiff.tif": b"IM*\0\x08\0\0\0\0\0",
    "tiff-magic-43.tif": b"II+\0\x08\0\0\0" + bytes(8),
    "tiff-members.tar": tar([("a.tif", camera(MM)), ("b.tif", chain(2)), ("c.tif", b"II*\0\x08\0\0\0\x05")]),
}

write_cases("tiff", CASES)
