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


def with_tar_checksum(block):
    """A TAR header block with its checksum made right: the sum of its bytes,
    the checksum field counted as blanks, in six octal digits, NUL, blank."""
    h = bytearray(block)
    h[148:156] = b" " * 8
    h[148:156] = b"%06o\0 " % sum(h)
    return bytes(h)


def tar_member(name, data, size=None, fields=()):
    """A ustar header (mode 644, owner 0, time 0, a regular file) for `data`,
    then the data padded to whole 512-byte blocks. With `size` the header
    claims that many bytes and the data is not padded; `fields` are
    (offset, bytes) pairs written over the header's own."""
    h = bytearray(512)
    for at, text in ((0, name), (100, b"0000644\0"), (108, b"0000000\0"), (116, b"0000000\0"),
                     (124, b"%011o\0" % (len(data) if size is None else size)),
                     (136, b"00000000000\0"), (156, b"0"), (257, b"ustar\x0000"), *fields):
        h[at:at + len(text)] = text
    return with_tar_checksum(h) + data + (bytes(-len(data) % 512) if size is None else b"")


# --- TIFF data (Exif in JPEG and PNG, TIFF files) --------------------------
# A header ("II" little-endian or "MM" big-endian, 42, the offset of IFD0),
# then directories of 12-byte entries (tag, type, count, value or offset);
# offsets count from the header.

class Order:
    def __init__(self, mark):
        self.mark = mark
        self.le = mark == b"II"

    def u16(self, x): return le16(x) if self.le else be16(x)
    def u32(self, x): return le32(x) if self.le else be32(x)

    def header(self, ifd0):
        return self.mark + self.u16(42) + self.u32(ifd0)

    def values(self, kind, xs):
        """Values of a field type, in this byte order. Rationals are pairs."""
        e = "<" if self.le else ">"
        if kind in (2, 7):
            return xs
        fmt = {1: "B", 3: "H", 4: "I", 5: "I", 6: "b", 8: "h", 9: "i", 10: "i", 11: "f", 12: "d"}[kind]
        flat = [v for x in xs for v in (x if isinstance(x, tuple) else (x,))]
        return struct.pack(e + fmt * len(flat), *flat)

    def ifd(self, at, entries, link=0):
        """A directory at offset `at`. Entries are (tag, type, count, values):
        values of up to 4 bytes stand in the value field, left-aligned; longer
        ones follow the link, the field holding their offset; an int is the
        raw value field."""
        head = self.u16(len(entries))
        tail = b""
        data_at = at + 2 + 12 * len(entries) + 4
        for tag, kind, count, vals in entries:
            head += self.u16(tag) + self.u16(kind) + self.u32(count)
            if isinstance(vals, int):
                head += self.u32(vals)
            elif len(vals) <= 4:
                head += vals.ljust(4, b"\0")
            else:
                head += self.u32(data_at + len(tail))
                tail += vals
        return head + self.u32(link) + tail


II, MM = Order(b"II"), Order(b"MM")


def place(parts):
    """{offset: bytes} laid out in order, zeros between them."""
    out = b""
    for at in sorted(parts):
        assert at >= len(out), "part at %d overlaps" % at
        out += b"\0" * (at - len(out)) + parts[at]
    return out


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
