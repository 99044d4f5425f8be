"""Byte builders for the scripts that write the edge-case inputs under tests/cases/.

Each tests/cases/make_<format>.py writes small files, each made to show one
case of its walker (a layout, a field at its limit, damage, a cut), into
tests/cases/<format>/, named after the case. Their reports at each verbosity
are the reference reports under tests/ref/cases/<format>/ (written by
tests/ref/make_refs.sh), compared byte for byte by tests/ref_test.cpp. The
scripts are deterministic; the files they write are committed.
"""

import os
import struct
import sys

HERE = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "cases")


def be16(x): return struct.pack(">H", x & 0xFFFF)
def be24(x): return struct.pack(">I", x & 0xFFFFFF)[1:]
def be32(x): return struct.pack(">I", x & 0xFFFFFFFF)
def le16(x): return struct.pack("<H", x & 0xFFFF)
def le32(x): return struct.pack("<I", x & 0xFFFFFFFF)
def le64(x): return struct.pack("<Q", x & 0xFFFFFFFFFFFFFFFF)


def syncsafe(x):
    """ID3v2's 7 bits a byte."""
    return bytes([(x >> 21) & 0x7F, (x >> 14) & 0x7F, (x >> 7) & 0x7F, x & 0x7F])


def write_cases(folder, cases):
    """Writes {name: bytes} into tests/cases/<folder>/, replacing what was there."""
    out = os.path.join(HERE, folder)
    os.makedirs(out, exist_ok=True)
    for old in os.listdir(out):
        os.remove(os.path.join(out, old))
    for name, data in sorted(cases.items()):
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)
    print("%s: %d files" % (folder, len(cases)), file=sys.stderr)
