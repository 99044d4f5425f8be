#!/usr/bin/env python3
"""Writes the JPEG and Exif edge cases into tests/cases/jpeg/ and, for the
texts beyond ASCII walked with --utf8, tests/cases/jpeg-utf8/.

A JPEG is a run of marker segments: 0xFF, a code, a 16-bit big-endian length
that counts itself, the payload. SOI and EOI stand alone; after SOS comes
entropy-coded data, in which 0xFF 0x00 is a stuffed data byte and 0xFF 0xD0-D7
a restart marker, and which ends at the next other marker. Any 0xFF before a
marker code is fill. Exif data sits in an APP1 segment after "Exif\\0\\0": a
TIFF header ("II" little-endian or "MM" big-endian, 42, the offset of IFD0),
then directories of 12-byte entries (tag, type, count, value or offset); the
offsets count from the TIFF header.
"""

import struct

import os
import sys

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from cases import II, MM, be16, le32, place, tar_member, write_cases

SOI, EOI = b"\xff\xd8", b"\xff\xd9"


def seg(code, payload):
    return bytes([0xFF, code]) + be16(len(payload) + 2) + payload


def image(middle):
    return SOI + middle + EOI


def sos(data, header=b"\x01"):
    """A scan: the SOS segment and the entropy-coded bytes after it."""
    return seg(0xDA, header) + data


def exif(tiff):
    return seg(0xE1, b"Exif\0\0" + tiff)


# --- TIFF ---------------------------------------------------------------

def camera(o):
    """IFD0 after 4 unused bytes with values inline and by offset, a tag
    without a name and the Exif offset; the Exif directory; IFD1 with the
    thumbnail's offset and length, and a link back to IFD0 that is not
    followed."""
    return place({
        0: o.header(12) + b"\xee" * 4,
        12: o.ifd(12, [
            (0x010F, 2, 4, b"abc\0"),                  # Make
            (0x0110, 2, 7, b"Camera\0\0"),             # Model, by offset
            (0x0112, 3, 1, o.values(3, [1])),          # Orientation
            (0x011A, 5, 1, o.values(5, [(72, 1)])),    # XResolution
            (0x1234, 1, 3, b"\1\2\3"),                 # not a named tag
            (0x9204, 10, 1, o.values(10, [(-7, 10)])),  # ExposureBiasValue
            (0x8769, 4, 1, 126),                       # ExifOffset
        ], link=184),
        126: o.ifd(126, [
            (0x9000, 7, 4, b"0230"),                   # ExifVersion
            (0x829A, 5, 1, o.values(5, [(1, 125)])),   # ExposureTime
            (0xA20E, 11, 2, o.values(11, [66.0, 1.0])),
        ]),
        184: o.ifd(184, [
            (0x0201, 4, 1, o.values(4, [1000])),      # JpegIFOffset
            (0x0202, 4, 1, o.values(4, [2000])),      # JpegIFByteCount
        ], link=12),
    })


def field_types(o):
    """Every field type, values inline and by offset; types past 12."""
    v = o.values
    return place({0: o.header(8), 8: o.ifd(8, [
        (0x0100, 0, 2, b"\1\2"),
        (0x0101, 0, 0xFFFFFFFF, 0),
        (0x0102, 1, 3, v(1, [0, 128, 255])),
        (0x0103, 1, 6, v(1, [1, 2, 3, 4, 5, 6])),
        (0x010F, 2, 4, b"abc\0"),
        (0x0110, 2, 9, b"Camera 2\0"),
        (0x0112, 3, 2, v(3, [8, 65535])),
        (0x0115, 3, 3, v(3, [0, 1, 258])),
        (0x0116, 4, 1, v(4, [4000000000])),
        (0x0117, 4, 2, v(4, [0, 0xFFFFFFFF])),
        (0x011A, 5, 1, v(5, [(72, 1)])),
        (0x011B, 5, 3, v(5, [(1, 2), (1000000, 3), (0xFFFFFFFF, 1)])),
        (0x0128, 6, 4, v(6, [-128, -1, 0, 127])),
        (0x0131, 6, 5, v(6, [1, -2, 3, -4, 5])),
        (0x9000, 7, 4, b"0230"),
        (0x9101, 7, 6, b"\0\1\x7f\x80\xfe\xff"),
        (0x8822, 8, 2, v(8, [-2, 5])),
        (0x8827, 8, 3, v(8, [-32768, 32767, -1])),
        (0x9211, 9, 1, v(9, [-3])),
        (0x9212, 9, 2, v(9, [-2147483648, 2147483647])),
        (0x9204, 10, 1, v(10, [(7, -10)])),
        (0x9201, 10, 2, v(10, [(-1, 3), (-5, -2)])),
        (0xA20E, 11, 1, v(11, [1.0])),
        (0xA20F, 11, 2, v(11, [2.5, -0.5])),
        (0x920A, 12, 1, v(12, [1.0])),
        (0x9202, 13, 4, b"abc\0"),
        (0x9203, 200, 4, b"abc\0"),
        (0x9205, 0xFFFF, 4, b"abc\0"),
        (0x0000, 3, 1, v(3, [1])),
        (0xFFFF, 3, 1, v(3, [2])),
        (0x0201, 4, 1, v(4, [7])),                     # the first of two names
    ])})


def every_directory(o):
    """IFD0 pointing to the Exif and GPS IFDs, the Exif IFD to the
    Interoperability IFD, IFD1 giving a JPEG thumbnail: walked in full only
    with --all-ifds."""
    thumb = image(seg(0xFE, b"thumbnail"))
    return place({
        0: o.header(8),
        8: o.ifd(8, [(0x010F, 2, 5, b"Acme\0"), (0x8769, 4, 1, 64), (0x8825, 4, 1, 124)], link=192),
        64: o.ifd(64, [(0x829A, 5, 1, o.values(5, [(1, 60)])), (0xA005, 4, 1, 104)]),
        104: o.ifd(104, [(0x0001, 2, 4, b"R98\0")]),
        124: o.ifd(124, [(0x0000, 1, 4, b"\2\3\0\0"), (0x0001, 2, 2, b"N\0"),
                         (0x0002, 5, 3, o.values(5, [(35, 1), (40, 1), (1234, 100)]))]),
        192: o.ifd(192, [(0x0201, 4, 1, o.values(4, [230])), (0x0202, 4, 1, o.values(4, [len(thumb)]))]),
        230: thumb,
    })


def rationals(o):
    v = o.values
    return place({0: o.header(8), 8: o.ifd(8, [
        (0x011A, 5, 1, v(5, [(5, 0)])),
        (0x011A, 5, 1, v(5, [(0, 0)])),
        (0x011A, 5, 2, v(5, [(0, 5), (1000000, 3)])),
        (0x9204, 10, 1, v(10, [(-5, 0)])),
        (0x9204, 10, 1, v(10, [(5, 0)])),
        (0x9204, 10, 1, v(10, [(0, 0)])),
        (0x9204, 10, 2, v(10, [(0, -5), (-7, 10)])),
    ])})


def ascii_entries(texts):
    """IFD0 of ImageDescription entries, one per (count, bytes)."""
    return place({0: II.header(8), 8: II.ifd(8, [(0x010E, 2, n, t) for n, t in texts])})


def ascii_controls():
    return ascii_entries([
        (4, b"abc\0"),
        (3, b"abc"),                         # without its zero
        (0, b""),
        (1, b"\0"),
        (4, b"a\nb\0"),
        (10, b"\tx\x1b[31m\x7f\0\0"),
        (4, b"a\0b\0"),                      # a zero inside
        (4, b"\0\0\0\0"),
        (4, b"\x80\x85\x9f\0"),              # C1 controls
        (5, b"\xa0\xe9x\xff\0"),
    ])


def ascii_utf8():
    return ascii_entries([
        (6, "café".encode() + b"\0"),
        (8, "€ 😀".encode() + b"\0"),
        (4, b"\xe9t\xe9\0"),                 # Latin-1, not UTF-8
        (3, b"\xc0\x80\0"),                  # an overlong zero
        (4, b"\xed\xa0\x80\0"),              # a surrogate
        (5, b"\xf4\x90\x80\x80\0"),          # past U+10FFFF
        (3, b"\xc2\x85\0"),                  # U+0085, a C1 control
        (5, b"\xe2\x82x\n\0"),               # a cut sequence, a control
        (3, b"ab\xe2"),                      # cut at the end, without a zero
    ])


# --- Entropy-coded data ---------------------------------------------------

def plain(n, start):
    """n data bytes that are not 0xFF, some of them marker codes."""
    return bytes(((i * 37 + 0xD0) & 0xFF) if ((i * 37 + 0xD0) & 0xFF) != 0xFF else 0x12
                 for i in range(start, start + n))


def stuffed(n, start):
    """n bytes of data, a stuffed pair 0xFF 0x00 in every 23 bytes."""
    out = bytearray(plain(n, start))
    for i in range(n - 1):
        if (start + i) % 23 == 5:
            out[i:i + 2] = b"\xff\x00"
    return bytes(out)


def long_scan_events():
    """One scan: runs of 0 to 129 bytes, each followed by a restart marker,
    then by a stuffed pair or a restart marker after fill bytes, so that each
    stands at every place in and around the 64-byte blocks. Data bytes:
    every byte but the fill."""
    data = b""
    for d in range(130):
        data += stuffed(d, len(data)) + bytes([0xFF, 0xD0 + d % 8])
        fill = b"\xff" * (1 + d % 3)
        data += stuffed(d, len(data)) + fill + (b"\xff\x00" if d % 2 else bytes([0xFF, 0xD7 - d % 8]))
    return data + EOI


def scans_ending_everywhere(data=stuffed, last=b""):
    """Scans of 0 to 129 data bytes and `last`, each ended by the next SOS
    (after fill bytes in every third), the last by EOI."""
    out = b""
    for d in range(130):
        out += sos(data(d, d) + last) + (b"\xff\xff" if d % 3 == 2 else b"")
    return out + EOI


# --- Archive members ------------------------------------------------------

def tar(members):
    """A ustar archive of (name, bytes) members and its two zero blocks."""
    owner = ((108, b"0001750"), (116, b"0001750"), (136, b"14733147260"), (265, b"me"), (297, b"us"))
    return b"".join(tar_member(name.encode(), data, fields=owner) for name, data in members) + bytes(1024)


# --- The cases ------------------------------------------------------------

def baseline():
    """SOI, two fill bytes, APP0 (JFIF), SOF0, DHT, SOS, 5 bytes of data with
    a stuffed pair, EOI."""
    return image(b"\xff\xff" + seg(0xE0, b"JFIF\0\1\2\1\0\x48\0\x48\0\0")
                 + seg(0xC0, b"\x08\0\x18\0\x20\3\1\x22\0\2\x11\1\3\x11\1")
                 + seg(0xC4, b"\0\1\2\3") + sos(b"\x12\x34\xff\0\x56", b"\1\1\0\0\x3f\0"))


def every_known_segment():
    """Each segment the walker names, for its line at each verbosity: the
    dumped ones also empty, or longer than a row."""
    tiff = place({0: II.header(8), 8: II.ifd(8, [(0x0112, 3, 1, II.values(3, [6]))])})
    return image(
        seg(0xE0, b"JFIF\0\1\1\0\0\1\0\1\0\0") + exif(tiff)
        + seg(0xDB, bytes(range(65))) + seg(0xDB, b"\x01" + b"\x32" * 64)
        + seg(0xC0, b"\x08\x01\x00\x02\x00\1\1\x11\0")
        + seg(0xC2, b"\x08\x01\x00\x02\x00\1\1\x11\0")
        + seg(0xC4, bytes(17)) + seg(0xC4, b"")
        + seg(0xDD, b"\0\x10") + seg(0xFE, b"made for tagdelve's tests\n") + seg(0xFE, b"")
        + sos(b"\1\2\3", b"\1\1\0\0\x3f\0"))


CASES = {
    "jpeg-baseline-small.jpg": baseline(),
    "jpeg-every-known-segment.jpg": every_known_segment(),
    "jpeg-unsupported-markers.jpg": image(
        b"".join(seg(c, bytes([c]) * (c % 5)) for c in (0xC1, 0xC3, 0xC8, 0xCC, 0xDC, 0xDE, 0xE2, 0xEF, 0xF0, 0xFD))
        + seg(0xE2, b"ICC_PROFILE\0\1\1")),
    # Restart markers and TEM stand alone, without a length; the walker
    # reads a length after them all the same.
    "jpeg-restart-marker-outside-scan.jpg": image(b"\xff\xd0" + seg(0xFE, b"x")),
    "jpeg-tem-marker.jpg": image(b"\xff\x01" + seg(0xFE, b"x")),
    "jpeg-named-with-jpeg-extension.jpeg": image(seg(0xFE, b"x")),
    # A comment of 600 bytes: its hex at verbose 2 is written in pieces.
    "jpeg-long-comment.jpg": image(seg(0xFE, bytes(range(256)) + bytes(range(255, -1, -1)) + b"end" * 29 + b"!")),
    "jpeg-fill-bytes.jpg": b"\xff\xff\xff\xd8" + b"\xff\xff" + seg(0xFE, b"c") + b"\xff" * 5 + EOI,
    "jpeg-invalid-first-bytes.jpg": b"ID3\3\0",
    "jpeg-invalid-first-byte-before-soi.jpg": b"\0\xff\xd8" + EOI,
    "jpeg-invalid-marker-after-soi.jpg": SOI + b"\0\x11" + EOI,
    "jpeg-invalid-marker-after-segment.jpg": SOI + seg(0xFE, b"ab") + b"\xfe\xff" + EOI,
    "jpeg-empty.jpg": b"",
    "jpeg-ends-after-ff.jpg": b"\xff",
    "jpeg-ends-after-soi.jpg": SOI,
    "jpeg-ends-inside-marker.jpg": SOI + b"\xff",
    "jpeg-ends-in-fill-bytes.jpg": SOI + b"\xff\xff\xff",
    "jpeg-ends-between-segments.jpg": SOI + seg(0xFE, b"comment"),
    "jpeg-ends-inside-segment-length.jpg": SOI + b"\xff\xe2\0",
    "jpeg-ends-inside-known-segment-length.jpg": SOI + b"\xff\xc0",
    "jpeg-ends-inside-segment.jpg": SOI + b"\xff\xe2\0\x10\1\2\3",
    "jpeg-ends-inside-exif-segment.jpg": SOI + exif(camera(II))[:100],
    "jpeg-segment-length-0.jpg": image(b"\xff\xe2\0\0"),
    "jpeg-segment-length-1.jpg": image(b"\xff\xe2\0\1"),
    "jpeg-segment-length-2.jpg": image(b"\xff\xe2\0\2" + seg(0xFE, b"") + seg(0xC0, b"")),
    "jpeg-bytes-after-eoi.jpg": image(seg(0xFE, b"x")) + b"abc" + image(b""),
    "sof0-frame-header-too-short.jpg": image(seg(0xC0, b"\x08\0\x18\0\x20") + seg(0xC0, b"")),
    "sof0-components-missing.jpg": image(
        seg(0xC0, b"\x08\0\x18\0\x20\3\1\x22\0\2\x11")        # 1 of 3, 2 bytes more
        + seg(0xC0, b"\x0c\xff\xff\xff\xff\2")               # none of 2
        + seg(0xC0, b"\x08\0\1\0\1\0\1\x11\0")),             # none said, one there
    "jfif-header-too-short.jpg": image(seg(0xE0, b"JFIF\0\1\2\0\0\1\0\1\0")),
    "jfif-header-shortest.jpg": image(seg(0xE0, b"JFIF\0\1\2\2\xff\xff\x01\x00\xa0\x78")),
    "app-identifier-without-zero.jpg": image(seg(0xE0, b"JFIF") + seg(0xE1, b"Exif")),
    "app-identifiers-other.jpg": image(
        seg(0xE0, b"JFXX\0\x10\1\2") + seg(0xE0, b"") + seg(0xE1, b"") + seg(0xE1, b"\0Exif\0")
        + seg(0xE1, b"JFIF\0\1\2\0\0\1\0\1\0\0") + seg(0xE0, b"Exif\0\0" + camera(II))
        + seg(0xE1, b"http://ns.adobe.com/xap/1.0/\0<x/>") + seg(0xE0, b"Ex\x1bif\xe9\x7f\0\1")),
    "exif-tiff-header-too-short.jpg": image(
        seg(0xE1, b"Exif\0") + exif(b"") + exif(b"II*\0\x08\0\0") + exif(b"II*\0\x08\0\0\0")),
    "exif-camera-ii.jpg": image(exif(camera(II))),
    "exif-camera-mm.jpg": image(exif(camera(MM))),
    "exif-field-types-ii.jpg": image(exif(field_types(II))),
    "exif-field-types-mm.jpg": image(exif(field_types(MM))),
    "exif-every-directory-ii.jpg": image(exif(every_directory(II))),
    "exif-every-directory-mm.jpg": image(exif(every_directory(MM))),
    "exif-rational-zero-denominator.jpg": image(exif(rationals(II)) + exif(rationals(MM))),
    "exif-ascii-control-bytes.jpg": image(exif(ascii_controls())),
    "exif-ascii-utf8.jpg": image(exif(ascii_utf8())),
    # Any byte order mark but "II" is big-endian; 42 is not checked.
    "exif-byte-order-other.jpg": image(
        exif(place({0: b"XY\x12\x34" + MM.u32(8), 8: MM.ifd(8, [(0x0112, 3, 1, MM.values(3, [6]))])}))
        + exif(place({0: b"ii" + MM.u16(42) + MM.u32(8), 8: MM.ifd(8, [(0x0112, 3, 1, MM.values(3, [7]))])}))
        + exif(b"I\x1b\0\x2a\0\0\0\x08\0\0\0\0\0\0")),
    "exif-ifd0-no-entries.jpg": image(exif(II.header(8) + II.ifd(8, []))),
    "exif-ifd0-outside-data.jpg": image(exif(II.header(0x7FFFFFF0) + le32(0)) + exif(II.header(8))),
    "exif-ifd0-count-in-last-byte.jpg": image(exif(II.header(8) + b"\1")),
    "exif-directory-cut-short.jpg": image(
        exif(place({0: II.header(8), 8: II.ifd(8, [(0x0112, 3, 1, II.values(3, [1]))] * 3)})[:8 + 2 + 12 + 5])),
    "exif-directory-cut-in-first-entry.jpg": image(
        exif(place({0: MM.header(8), 8: MM.ifd(8, [(0x0112, 3, 1, MM.values(3, [1]))])})[:20])),
    "exif-directory-without-link.jpg": image(
        exif(place({0: II.header(8), 8: II.ifd(8, [(0x0112, 3, 1, II.values(3, [1]))])})[:-4])
        + exif(place({0: II.header(8), 8: II.ifd(8, [(0x0112, 3, 1, II.values(3, [1]))])})[:-2])),
    "exif-exif-and-ifd1-outside-data.jpg": image(
        exif(II.header(8) + II.ifd(8, [(0x8769, 4, 1, 5000)], link=0xFFFFFFFF))
        + exif(MM.header(8) + MM.ifd(8, [(0x8769, 4, 1, 0x80000000)], link=26) + MM.u16(5))),
    "exif-offset-back-to-ifd0.jpg": image(
        exif(II.header(8) + II.ifd(8, [(0x8769, 4, 1, 5000), (0x8769, 4, 1, 8)]))),
    "exif-chain-loops-back.jpg": image(exif(place({
        0: MM.header(8),
        8: MM.ifd(8, [(0x8769, 4, 1, 26)]),
        26: MM.ifd(26, [(0x8769, 4, 1, 44)]),
        44: MM.ifd(44, [(0x8769, 4, 1, 26)]),
    }))),
    "exif-ifd1-chain.jpg": image(exif(place({
        0: II.header(8),
        8: II.ifd(8, [(0x0112, 3, 1, II.values(3, [1]))], link=26),
        26: II.ifd(26, [(0x0103, 3, 1, II.values(3, [6])), (0x8769, 4, 1, 56)], link=8),
        56: II.ifd(56, [(0x829A, 5, 1, II.values(5, [(1, 60)]))], link=26),
    }))),
    # Values at an offset past the end, running past it, a count of
    # rationals past 4 GiB of bytes; the entries after them still shown.
    "exif-values-past-end.jpg": image(exif(place({
        0: II.header(8),
        8: II.ifd(8, [
            (0x010F, 2, 10, 0xFFFFFFF0),
            (0x0110, 2, 100, 84),
            (0x011A, 5, 0x40000000, 80),
            (0x0102, 3, 0xFFFFFFFF, 74),
            (0x0112, 3, 1, II.values(3, [1])),
        ]),
        74: b"\1\0\2\0\3\0AcmeXY",
    }))),
    "scan-ends-at-eoi.jpg": SOI + sos(b"\1\2\3") + EOI,
    "scan-empty.jpg": SOI + sos(b"") + EOI,
    "scan-stuffed-pair-and-restarts.jpg": SOI + sos(b"\1\xff\0\2\xff\xd3\3\xff\xd0\xff\xd7") + EOI,
    "scan-fill-before-eoi.jpg": SOI + sos(b"\5\6\xff\xff\xff") + EOI,
    "scan-fill-before-stuffed-zero.jpg": SOI + sos(b"\5\xff\xff\0\6") + EOI,
    "scan-fill-before-restart.jpg": SOI + sos(b"\xff\xff\xd1") + EOI,
    "scan-ends-at-segment.jpg": SOI + sos(b"\7\x08") + seg(0xFE, b"hi") + sos(b"\xff\0") + seg(0xC4, b"") + EOI,
    "scan-runs-to-end-of-file.jpg": SOI + sos(b"\1\2\3"),
    "scan-ends-after-ff.jpg": SOI + sos(b"\1\2\3\xff"),
    "scan-ends-after-ff-and-fill.jpg": SOI + sos(b"\1\2\3\xff\xff"),
    "scan-ends-after-stuffed-pair.jpg": SOI + sos(b"\1\xff\0"),
    "scan-ends-after-restart.jpg": SOI + sos(b"\1\xff\xd0"),
    "scan-long-events-at-every-block-position.jpg": SOI + sos(long_scan_events()),
    "scan-long-ends-at-every-block-position.jpg": SOI + scans_ending_everywhere(),
    # Data without a 0xFF, and a zero byte before each marker that ends a
    # scan: the marker's 0xFF is followed by no zero, whatever stands before.
    "scan-long-ends-after-zero-at-every-block-position.jpg": SOI + scans_ending_everywhere(plain, b"\0"),
    "scan-long-runs-to-end-of-file.jpg": SOI + sos(stuffed(4133, 0)),
    "scan-long-ends-after-ff.jpg": SOI + sos(stuffed(4133, 0) + b"\xff"),
    # Members of an archive: walked up to the member's end, never past it.
    "jpeg-members.tar": tar([
        ("exact.jpg", image(seg(0xFE, b"x"))),
        ("bytes-after-eoi.jpg", image(seg(0xFE, b"x")) + b"abc"),
        ("scan-to-member-end.jpg", SOI + sos(b"\1\2\3")),
        ("scan-ends-after-ff.jpg", SOI + sos(b"\1\2\3\xff")),
        ("segment-past-member-end.jpg", SOI + seg(0xFE, b"comment")[:6]),
        ("long-scan-to-member-end.jpg", SOI + sos(stuffed(700, 0))),
        ("exif-cut.jpg", SOI + exif(camera(MM))[:60]),
        ("last.jpg", image(b"")),
    ]),
}

UTF8 = {name: CASES[name] for name in ("exif-ascii-utf8.jpg", "exif-ascii-control-bytes.jpg",
                                       "app-identifiers-other.jpg")}

# The full walk of the Exif data (--all-ifds) of the cases that show its
# directories.
ALL_IFDS = {name: CASES[name] for name in CASES if name.startswith("exif-") and "ascii" not in name}

write_cases("jpeg", CASES)
write_cases("jpeg-utf8", UTF8)
write_cases("jpeg-all-ifds", ALL_IFDS)
# Markers of codes the walker does not know: their code, at verbosity 0 in
# the JSON report only.
write_cases("jpeg-json", {"jpeg-unsupported-markers.jpg": CASES["jpeg-unsupported-markers.jpg"]})
