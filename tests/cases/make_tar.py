#!/usr/bin/env python3
"""Writes the TAR edge cases: tests/cases/tar/ and, for members whose content
chooses the walker, tests/cases/tar-detect/ (walked with --detect).

Headers are built field by field so that any field can be given any bytes:
a text that fills its width, an octal number with blanks or a sign, a type
flag or a version with control bytes. Unless a case says otherwise a header
is a ustar header ("ustar\\0", version "00") of a member owned by me:us
(1000:1000), mode 0644, with a checksum that matches, as GNU tar writes one.

  python3 tests/cases/make_tar.py
"""

import os
import sys

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from cases import be16, be32, syncsafe, with_tar_checksum, write_cases  # noqa: E402

BLOCK = 512

# The ustar header: (offset, width) of each field.
FIELDS = {
    "name": (0, 100), "mode": (100, 8), "uid": (108, 8), "gid": (116, 8),
    "size": (124, 12), "mtime": (136, 12), "chksum": (148, 8), "type": (156, 1),
    "linkname": (157, 100), "magic": (257, 6), "version": (263, 2),
    "uname": (265, 32), "gname": (297, 32), "devmajor": (329, 8),
    "devminor": (337, 8), "prefix": (345, 155),
}

DEFAULTS = {
    "mode": "0000644", "uid": "0001750", "gid": "0001750",
    "mtime": "14733147260", "type": "0", "magic": b"ustar\0", "version": "00",
    "uname": "me", "gname": "us", "devmajor": "0000000", "devminor": "0000000",
}


def raw(s):
    return s if isinstance(s, bytes) else s.encode("latin-1")


def header(name, length=0, **fields):
    """One header block. `length` is written as 11 octal digits and a zero
    byte unless the field "size" gives its bytes; "chksum" likewise replaces
    the checksum computed over the block; "tail" puts bytes at offsets of
    the block's unused last 12 bytes ({offset: bytes})."""
    values = dict(DEFAULTS, name=name, size="%011o" % length)
    tail = fields.pop("tail", {})
    values.update(fields)
    block = bytearray(BLOCK)
    for key, value in values.items():
        at, width = FIELDS[key]
        value = raw(value)
        assert len(value) <= width, (key, value)
        block[at:at + len(value)] = value
    for at, value in tail.items():
        block[at:at + len(value)] = value
    return bytes(block) if "chksum" in fields else with_tar_checksum(block)


def full_width_checksum(block):
    """The block with its checksum in all eight places of its field: eight
    octal digits, no terminator."""
    b = bytearray(block)
    b[148:156] = b" " * 8
    b[148:156] = b"%08o" % sum(b)
    return bytes(b)


def pad(data):
    return data + bytes(-len(data) % BLOCK)


def member(name, data=b"", **fields):
    """A header, the member's data and the padding to the next block."""
    return header(name, len(data), **fields) + pad(data)


END = bytes(2 * BLOCK)  # the two null blocks that end an archive


def archive(*members):
    return b"".join(members) + END


# Member contents, the smallest of each kind that its walker takes whole.
# Two MPEG-1 layer III frames, 128 kbit/s at 44100 Hz, 417 bytes each.
MP3 = (b"\xff\xfb\x90\x64" + bytes(413)) * 2
# fLaC and the last metadata block, STREAMINFO: 4096-sample blocks, 44100 Hz,
# 2 channels, 16 bits, no samples.
FLAC = (b"fLaC" + bytes([0x80, 0, 0, 34]) + be16(4096) + be16(4096) + bytes(6)
        + bytes([0x0A, 0xC4, 0x42, 0xF0]) + bytes(4) + bytes(16))
# SOI, a COM segment, EOI.
JPEG = b"\xff\xd8\xff\xfe" + be16(6) + b"note\xff\xd9"
# An ID3v2.3 tag holding a TIT2 frame, before the frames.
TIT2 = b"TIT2" + bytes([0, 0, 0, 6, 0, 0, 0]) + b"Title"
ID3 = b"ID3\x03\x00\x00" + syncsafe(len(TIT2)) + TIT2 + MP3

# ESC [31m, BEL, DEL and a C1 CSI: what a crafted header puts in a text.
HOSTILE = b"\x1b[31mX\x07\x7f\x9b"


def nested(depth):
    """An archive whose only member n.tar is an archive whose only member
    ..., `depth` archives around the end blocks of the innermost."""
    inner = END
    for _ in range(depth):
        inner = member("n.tar", inner)
    return inner


def long_name_cases():
    # Each metadata block is followed by m.mp3 ("abcd": the walker chosen
    # shows which name was taken) and after.mp4 (the long name is used
    # once). The name GNU tar 1.34 lists for m.mp3 (`tar tf`, checked when
    # each row was written) stands after each row: the walk must take the
    # same.
    def then_members(*meta):
        return archive(*meta, member("m.mp3", b"abcd"), member("after.mp4", b"z"))

    link = "././@LongLink"

    def L(name):
        return member(link, name, type="L")

    def x(records, name="x"):
        return member(name, records, type="x")

    rows = {
        "gnu": [L(b"dir/real name.flac\0")],                                   # dir/real name.flac
        "pax": [x(b"20 mtime=1622548800\n23 path=dir/pax.tar.gz\n", "PaxHeaders/m.mp3")],  # dir/pax.tar.gz
        # Records that do not name the member: the header's own name stays.
        "pax-bad-length": [x(b"99 path=x.flac\n")],                            # m.mp3
        "pax-no-length": [x(b"path=x.flac\n")],                                # m.mp3
        "pax-zero-length": [x(b"0 path=x.flac\n")],                            # m.mp3
        "pax-huge-length": [x(b"99999999999999999999999 path=x.flac\n")],      # m.mp3
        "pax-no-blank": [x(b"12xpath=abc\n")],                                 # m.mp3
        "pax-short-length": [x(b"14 path=x.flac\n")],                          # m.mp3
        "pax-equals-past-length": [x(b"5 path=x.flac\n")],                     # m.mp3
        # The first record that is not one ends the list: one without '='
        # too (tar: "missing equal sign"); the records before it stand.
        "pax-no-equals": [x(b"11 noequal\n15 path=x.flac\n")],                 # m.mp3
        "pax-path-then-no-equals": [x(b"15 path=x.flac\n11 noequal\n")],       # x.flac
        # A length with a leading zero is decimal all the same.
        "pax-length-leading-zero": [x(b"016 path=x.flac\n")],                # x.flac
        # A uid with a fraction is no uid (a time's fraction is dropped).
        "pax-uid-fraction": [x(b"14 uid=1234.5\n")],                          # m.mp3
        # Blanks or TABs before the length and after it.
        "pax-blanks-around-length": [x(b"  17\t path=x.flac\n")],             # x.flac
        # An empty path names the member ".", as an empty long name does.
        "pax-empty-path": [x(b"8 path=\n")],                                   # .
        "gnu-empty": [L(b"\0")],                                               # .
        # A path ends at a NUL byte.
        "pax-nul-in-path": [x(b"17 path=x.fl\0ac\n")],                        # x.fl
        "pax-two-paths": [x(b"15 path=x.flac\n17 path=y.tar.gz\n")],           # y.tar.gz
        # A pax path wins over a long name, before or after it; of two pax
        # headers the last stands, even without a path; of two long names
        # the last.
        "pax-then-gnu": [x(b"15 path=x.flac\n"), L(b"y.tar\0")],              # x.flac
        "gnu-then-pax": [L(b"y.tar\0"), x(b"15 path=x.flac\n")],              # x.flac
        "pax-then-pax-without-path": [x(b"15 path=x.flac\n"), x(b"12 uid=1234\n")],  # m.mp3
        "gnu-then-gnu": [L(b"y.tar\0"), L(b"x.flac\0")],                      # x.flac
        # A global header names every member after it (a pax header's path
        # wins over it); a long link name names no member.
        "global": [member("g", b"15 path=x.flac\n", type="g")],                # x.flac, x.flac
        "link": [member(link, b"x.flac\0", type="K")],                         # m.mp3
        # A long link name between a long name and its member.
        "then-link": [L(b"x.flac\0"), member(link, b"target\0", type="K")],   # x.flac
        # A pax header without a path between a long name and its member.
        "then-pax": [L(b"x.flac\0"), x(b"20 mtime=1622548800\n")],            # x.flac
        # Long names are read up to 64 KiB: one of 65536 bytes names the
        # member, one of 65537 is skipped over.
        "64k": [L(b"x" * (65536 - 6) + b".flac\0")],                           # x...x.flac
        "too-long": [L(b"x" * (65537 - 6) + b".flac\0")],                      # m.mp3
    }
    c = {"tar-long-name-%s.tar" % name: then_members(*blocks) for name, blocks in rows.items()}
    # An empty long name after a member named by another: "." again.
    c["tar-long-name-empty-after-named.tar"] = archive(
        L(b"x.flac\0"), member("a.mp3", b"abcd"), L(b"\0"), member("m.mp3", b"abcd"))  # x.flac, .
    # The archive ends inside the long name's data.
    c["tar-long-name-cut.tar"] = header(link, 1000, type="L") + b"x" * 100
    # The nested archive ends inside the long name's data.
    c["tar-long-name-past-nested-end.tar"] = archive(
        member("in.tar", header(link, 1000, type="L") + b"y.flac\0" + bytes(505)),
        member("m.mp3", b"abcd"))
    # Long link names (GNU K blocks, pax linkpath) and a ustar prefix: the
    # full names are shown; a GNU header's prefix field is no prefix.
    c["tar-long-link-names.tar"] = archive(
        member(link, b"music/" + b"t" * 100 + b".mp3\0", type="K"), header("l1", type="2", linkname="short"),
        member("PaxHeaders/l2", b"24 linkpath=target.flac\n", type="x"), header("l2", type="1", linkname="x"),
        member("n.txt", prefix="some/dir"), member("o.txt", prefix="not/a/dir", magic="ustar ", version=" \0"))
    return c


def huge_size_cases():
    """Sizes as GNU tar writes those of 8 GiB and more, here small: base-256
    (0x80, then big-endian; uid, gid and time too) and a pax size record
    over a size field of 0. Each member holds 3000 bytes; the next header
    follows them."""
    def base256(value, width):
        return b"\x80" + value.to_bytes(width - 1, "big")
    return {
        "tar-size-base-256.tar": archive(
            header("big.bin", size=base256(3000, 12), uid=base256(2000000, 8), gid=base256(70000, 8),
                   mtime=base256(1622548800, 12)) + pad(b"b" * 3000),
            header("neg.bin", size=b"\xff" * 12, uid=b"\xff" * 7 + b"\xfe"),
            member("next.txt", b"n")),
        "tar-size-pax.tar": archive(
            member("PaxHeaders/big.bin", b"13 size=3000\n16 uid=2000000\n13 uname=you\n22 mtime=1622548800.5\n",
                   type="x"),
            header("big.bin", 0) + pad(b"b" * 3000), member("next.txt", b"n")),
    }


def cases():
    c = {}
    # A member of each verbosity's lines: raw fields at 1, offsets and
    # padding at 2.
    c["tar-text-member.tar"] = archive(member("a.txt", b"0123456789"))
    # An empty archive, only the end blocks, and the end blocks cut.
    c["tar-empty.tar"] = b""
    c["tar-end-blocks-only.tar"] = END
    c["tar-end-blocks-cut.tar"] = END[:700]
    # Null blocks are passed over wherever they stand: two of them do not
    # end the walk, and a block whose first byte is 0 is one whatever
    # follows.
    c["tar-null-blocks.tar"] = (
        member("a.txt", b"a") + END + bytes(1) + header("not a name")[1:]
        + member("b.txt", b"b") + END + bytes(BLOCK))

    # Symbolic and hard links name their target; a symbolic link named .mp3
    # has no data and is walked over an empty member.
    c["tar-links.tar"] = archive(
        header("song.mp3", type="2", linkname="music/real.mp3"),
        header("h", type="1", linkname="a.txt"),
        header("full", type="2", linkname="l" * 100))
    # The old header: no magic, no version, no user and group names.
    c["tar-old-header.tar"] = archive(
        member("old.txt", b"abc", magic=b"", version=b"", uname=b"", gname=b""))
    # A directory stores no data whatever its size says: the next header
    # follows at once. A directory named .tar is walked as an empty member.
    c["tar-directory-with-size.tar"] = archive(
        header("d.tar/", 1000, type="5"), header("d.tar", 0, type="5"), member("z.txt"))
    # Every type flag, each member empty and named .txt: those of files are
    # handed to the dispatch (which says it skips them at verbosity 1),
    # those of metadata are not.
    flags = [("0", "0"), ("nul", "\0"), ("1", "1"), ("2", "2"), ("3", "3"), ("4", "4"),
             ("5", "5"), ("6", "6"), ("7", "7"), ("x", "x"), ("g", "g"), ("L", "L"),
             ("K", "K"), ("Z", "Z"), ("S", "S"), ("V", "V"), ("9", "9"), ("ff", b"\xff")]
    c["tar-type-flags.tar"] = archive(*(header("t-%s.txt" % n, type=f) for n, f in flags))
    # Metadata blocks whose data a walker would take are not walked: their
    # data is skipped and the next header read after it.
    c["tar-metadata-not-walked.tar"] = archive(
        member("x.tar", archive(member("in.txt", b"in")), type="x"),
        member("g.mp3", MP3, type="g"),
        member("k.flac", FLAC, type="K"),
        member("b.txt", b"x"))
    # A FIFO and a character device with a size, each holding a header as
    # its data: the data is skipped, as GNU tar skips it.
    c["tar-fifo-device-with-size.tar"] = archive(
        member("f", header("in-fifo.txt"), type="6"),
        member("c", header("in-device.txt"), type="3"),
        member("after.txt", b"a"))

    # Text fields that fill their width have no zero byte: each ends at its
    # width, not at the next field's end. The GNU magic "ustar " runs into
    # the version " \0". The prefix ends 12 bytes before the block's end,
    # where an X stands.
    c["tar-full-width-fields.tar"] = archive(
        header("n" * 100, mode="12345678", uid="00000017", gid="00000020",
               magic="ustar ", version=" \0", uname="u" * 32, gname="g",
               prefix="p" * 155, tail={500: b"X"}),
        full_width_checksum(header("l" * 100, type="2", linkname="k" * 100, mtime="777777777777",
                                   uname="v", gname="h" * 32, devmajor="76543210", devminor="01234567")))
    # Octal fields read as strtol reads them: blanks, a sign, digits up to
    # the first other character (8 and 9 are not octal), 0 without digits;
    # twelve digits fill the size field. Each member holds the data of the
    # size read.
    sizes = [("   17", 15), ("17 junk", 15), ("+7", 7), ("19", 1), ("", 0), ("junk", 0),
             ("  -", 0), ("000000000017", 15)]
    c["tar-size-forms.tar"] = archive(*(
        member("s%d.txt" % i, b"d" * n, size=text) for i, (text, n) in enumerate(sizes)))
    # The largest size twelve octal digits hold: 64 GiB - 1, past this
    # archive's end.
    c["tar-size-largest.tar"] = header("big.txt", size="777777777777")
    # A negative size is taken as no data: neg.tar is walked over an empty
    # member and the next header follows at once.
    c["tar-negative-size.tar"] = archive(header("neg.tar", size="-1000"), member("n.txt"))
    # UID and GID with blanks, a sign and no digits.
    c["tar-owner-forms.tar"] = archive(
        header("o1", uid="  -17", gid="+20"), header("o2", uid="", gid="x7"))

    # Members of each walked kind without data are walked as empty files,
    # and nothing of the next header is read.
    c["tar-zero-size-members.tar"] = archive(
        *(member("e." + ext) for ext in ("mp3", "wma", "jpg", "jpeg", "flac", "tar")),
        member("n.txt", b"abc"))
    # An archive within an archive is walked in place: its lines one level
    # deeper, its offsets from its own start.
    c["tar-nested.tar"] = archive(
        member("inner.tar", member("in.txt", b"hello")), member("last.txt", b"x"))
    # The inner archive's member claims more than the inner archive holds.
    c["tar-nested-member-past-end.tar"] = archive(
        member("in.tar", header("deep.tar", 100000) + bytes(BLOCK)), member("next.txt", b"n"))
    # Forty archives, each the only member of the one around it: the walk
    # descends 32 levels and says that it goes no deeper.
    c["tar-nested-40-deep.tar"] = nested(40)

    # Members whose walk stops before their end: the archive walk goes on
    # at the next header. An inner archive of 700 bytes (a header and 188
    # bytes); an MP3 member that ends inside its ID3v1 tag.
    c["tar-member-stops-early.tar"] = archive(
        member("short.tar", header("in.txt") + b"j" * 188),
        member("x.mp3", b"TAG" + b"x" * 20),
        member("next.txt", b"n"))
    # An ID3v2.3 tag, unsynchronised, with an extended header that claims
    # 1000 bytes more than its fields; 100 of them are stored as FF 00
    # pairs. Undone, they need more bytes than the 1024-byte member holds:
    # the tag is read within the member, and b.txt's header where it is.
    tag = (b"ID3\x03\x00\xc0" + syncsafe(2000) + (1010).to_bytes(4, "big")
           + bytes(6) + b"\xff\x00" * 100 + b"A" * 900)[:1024]
    c["tar-unsync-tag-in-member.tar"] = archive(member("a.mp3", tag), member("b.txt", b"b"))
    # Data cut: big.txt claims 5000 bytes, 100 are there.
    c["tar-data-cut.tar"] = header("big.txt", 5000) + b"x" * 100
    # A member of a walked kind cut: two MP3 frames of a member of 2000.
    c["tar-walked-member-cut.tar"] = header("x.mp3", 2000) + MP3
    # The same, cut inside an ID3v2 frame header: the file, not the member,
    # ends inside it.
    c["tar-walked-member-cut-in-tag.tar"] = header("x.mp3", 2000) + b"ID3\x03\x00\x00" + syncsafe(100) + b"TIT2\0\0"
    # The same, cut inside an ID3v2.3 extended header that claims 500 bytes:
    # read from a pipe, the bytes are passed until the pipe ends.
    c["tar-walked-member-cut-in-extended-header.tar"] = (header("x.mp3", 2000) + b"ID3\x03\x00\x40"
                                                         + syncsafe(1000) + be32(500) + bytes(26))
    # The same, cut inside a FLAC block's body, which is read whole: from a
    # pipe as from a file, the file ends inside it.
    c["tar-walked-member-cut-in-block.tar"] = header("x.flac", 2000) + b"fLaC\x01\x00\x00\x64" + bytes(30)
    # A header cut after a member.
    c["tar-header-cut.tar"] = member("a.txt", b"a") + header("big.txt", 5000)[:300]

    c.update(long_name_cases())
    c.update(huge_size_cases())
    # A block whose checksum does not match is not a header: the blocks
    # after it are read as headers until one is.
    bad = bytearray(header("bad.txt", 10))
    bad[148:155] = b"0000001"
    c["tar-checksum-wrong.tar"] = archive(
        member("a.txt", b"a"), bytes(bad), b"\xaa" * BLOCK * 2, member("b.txt", b"b"), bytes(bad))

    # Control bytes in every text the report shows: they come out escaped.
    c["tar-control-bytes.tar"] = archive(
        member(b"m" + HOSTILE + b".txt"),
        header("l", type="2", linkname=HOSTILE),
        header("o", uname=HOSTILE, gname=HOSTILE, prefix=HOSTILE),
        header("f", type="\x1b", version=b"\x07\x9b"),
        header("old", magic=b"\x1b[31m\x7f", mode=HOSTILE[:8], uid=b"7\x1b"),
        member("././@LongLink", b"long" + HOSTILE + b".txt\0", type="L"),
        member("named by the long name"))
    return c


def detect_cases():
    # Members without an extension, or with one no walker takes, walked by
    # what their content starts with; metadata blocks are never walked,
    # whatever they hold.
    old = member("notes", b"liner notes\n", magic=b"", version=b"", uname=b"", gname=b"")
    badsum = bytearray(old)
    badsum[148:154] = b"000001"  # a checksum that does not match
    def nested_by_content(depth):
        inner = END
        for _ in range(depth):
            inner = member("n", inner)
        return inner

    return {
        # Forty archives found by their content, each the only member of
        # the one around it: past 32 levels only the refusal is said.
        "tar-nested-by-content.tar": nested_by_content(35),
        "tar-members-by-content.tar": archive(
        member("track", FLAC),
        member("tagged", ID3),
        member("frames", MP3),
        member("photo", JPEG),
        member("inner", archive(member("song", MP3))),
        member("old", old + END),
        member("badsum", bytes(badsum) + END),
        member("track.txt", FLAC),
        member("notes", b"liner notes\n"),
        member("empty"),
        member("meta", FLAC, type="x"),
        member("stray", b"\xff\xfb\x90\x64" + b"U" * 900)),
    }


if __name__ == "__main__":
    write_cases("tar", cases())
    write_cases("tar-detect", detect_cases())
