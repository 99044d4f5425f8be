#!/usr/bin/env python3
"""Writes the ASF (WMA) edge cases into tests/cases/asf/ (and, for the texts
that need --utf8, tests/cases/asf-utf8/).

An ASF file is a row of objects, each a 16-byte GUID, a 64-bit little-endian
size that counts the 24 bytes of both, and a body. The header object holds
the header's objects (file properties, stream properties, content
descriptions, codec list, a header extension that holds more); the data
object holds the packets; index objects follow. The walker knows an object
by the first group of its GUID. Texts are UTF-16LE; their lengths count
bytes, except in the codec list, where they count characters.
"""

import os
import sys

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from cases import le16, le32, le64, tar_member, write_cases

HEADER = "75B22630-668E-11CF-A6D9-00AA0062CE6C"
DATA = "75B22636-668E-11CF-A6D9-00AA0062CE6C"
SIMPLE_INDEX = "33000890-E5B1-11CF-89F4-00A0C90349CB"
INDEX = "D6E229D3-35DA-11D1-9034-00A0C90349BE"
FILE_PROPERTIES = "8CABDCA1-A947-11CF-8EE4-00C00C205365"
STREAM_PROPERTIES = "B7DC0791-A9B7-11CF-8EE6-00C00C205365"
HEADER_EXTENSION = "5FBF03B5-A92E-11CF-8EE3-00C00C205365"
CODEC_LIST = "86D15240-311D-11D0-A3A4-00A0C90348F6"
CONTENT_DESCRIPTION = "75B22633-668E-11CF-A6D9-00AA0062CE6C"
EXTENDED_CONTENT = "D2D0A440-E307-11D2-97F0-00A0C95EA850"
STREAM_BITRATES = "7BF875CE-468D-11D1-8D82-006097C9A2B2"
LANGUAGE_LIST = "7C4346A9-EFE0-4BFC-B229-393EDE415C85"
METADATA = "C5F8CBEA-5BAF-4877-8467-AA8C44FA4CCA"
METADATA_LIBRARY = "44231C94-9498-49D1-A141-1D134E457054"
EXTENDED_STREAM_PROPERTIES = "14E6A5CB-C672-4332-8399-A96952065B5A"
PADDING = "1806D474-CADF-4509-A4BA-9AABCB96AAE8"
OTHER = "01020304-0506-0708-090A-0B0C0D0E0F10"  # no ASF object's

AUDIO_MEDIA = "F8699E40-5B4D-11CF-A8FD-00805F5C442B"
AUDIO_SPREAD = "BFC3CD50-618F-11CF-8BB2-00AA00B4E220"
CODEC_LIST_RESERVED = "86D15241-311D-11D0-A3A4-00A0C90348F6"
HEADER_EXTENSION_RESERVED = "ABD3D211-A9BA-11CF-8EE6-00C00C205365"

# Types of the values in descriptors and records.
UNICODE, BYTES, BOOL, DWORD, QWORD, WORD, GUID = range(7)


def guid(s):
    """The 16 stored bytes of a GUID in registry form: the first three groups
    little-endian, the last two as written."""
    g = s.split("-")
    return (le32(int(g[0], 16)) + le16(int(g[1], 16)) + le16(int(g[2], 16)) +
            bytes.fromhex(g[3] + g[4]))


def utf16(s, nul=True):
    return s.encode("utf-16-le") + (b"\0\0" if nul else b"")


def obj(g, body=b"", size=None):
    """An object; `size` claims another size than the true one."""
    return guid(g) + le64(24 + len(body) if size is None else size) + body


def header(*children):
    """The header object: its own fields (the number of objects it holds and
    two reserved bytes, 1 and 2), then the objects."""
    body = le32(len(children)) + b"\1\2" + b"".join(children)
    return obj(HEADER, body)


def header_extension(*children):
    inner = b"".join(children)
    return obj(HEADER_EXTENSION, guid(HEADER_EXTENSION_RESERVED) + le16(6) + le32(len(inner)) + inner)


def data_object(packets, payload=b""):
    """The data object: a file GUID, the number of packets, two reserved
    bytes (1, 1), then the packets."""
    return obj(DATA, guid(OTHER) + le64(packets) + b"\1\1" + payload)


def filetime(unix_seconds, steps=0):
    """100-ns steps since 1601-01-01 of a time in seconds since 1970."""
    return (unix_seconds + 11644473600) * 10000000 + steps


def file_properties(created, play=0, send=0, preroll=0, size=0, packets=0, flags=2,
                    packet=(3200, 3200), bitrate=32000):
    body = (guid(OTHER) + le64(size) + le64(created) + le64(packets) + le64(play) +
            le64(send) + le64(preroll) + le32(flags) + le32(packet[0]) + le32(packet[1]) +
            le32(bitrate))
    return obj(FILE_PROPERTIES, body)


def stream_properties(type_data, ecc_data, type_len=None, ecc_len=None, offset=15000000):
    """Stream type, error correction type, time offset (100-ns steps), the
    two data lengths, flags, 4 reserved bytes, the two data."""
    body = (guid(AUDIO_MEDIA) + guid(AUDIO_SPREAD) + le64(offset) +
            le32(len(type_data) if type_len is None else type_len) +
            le32(len(ecc_data) if ecc_len is None else ecc_len) + le16(0x0101) +
            b"\1\2\3\4" + type_data + ecc_data)
    return obj(STREAM_PROPERTIES, body)


def codec_entry(type_, name, desc, info):
    """Name and description lengths count characters, the information's bytes."""
    return (le16(type_) + le16(len(name) // 2) + name + le16(len(desc) // 2) + desc +
            le16(len(info)) + info)


def codec_list(entries, count=None, tail=b""):
    body = guid(CODEC_LIST_RESERVED) + le32(len(entries) if count is None else count)
    return obj(CODEC_LIST, body + b"".join(entries) + tail)


def content_description(fields, lengths=None):
    """Title, author, copyright, description, rating: five lengths, then the
    texts."""
    lengths = lengths or [len(f) for f in fields]
    return obj(CONTENT_DESCRIPTION, b"".join(le16(n) for n in lengths) + b"".join(fields))


def descriptor(name, type_, value, value_len=None):
    """An extended content descriptor: name length, name, type, value length,
    value."""
    return (le16(len(name)) + name + le16(type_) +
            le16(len(value) if value_len is None else value_len) + value)


def extended_content(descriptors, count=None, tail=b""):
    n = len(descriptors) if count is None else count
    return obj(EXTENDED_CONTENT, le16(n) + b"".join(descriptors) + tail)


def record(first, name, type_, value, value_len=None, stream=2):
    """A metadata (library) record: language index (reserved in the metadata
    object), stream, name length, type, 32-bit value length, name, value."""
    n = len(value) if value_len is None else value_len
    return le16(first) + le16(stream) + le16(len(name)) + le16(type_) + le32(n) + name + value


def records(g, recs, count=None):
    return obj(g, le16(len(recs) if count is None else count) + b"".join(recs))



cases = {}

# --- Objects of every kind and the walk over them ---
# A header holding a padding object and a header extension (which holds an
# extended stream properties object), a data object with 10 bytes of
# packets, a simple index (32 fixed bytes, 8 of entries), an index object.
small = (
    obj(HEADER, le32(2) + b"\1\2", size=130) +
    obj(PADDING, b"\0\0") +
    header_extension(obj(EXTENDED_STREAM_PROPERTIES, bytes(4))) +
    obj(DATA, guid(OTHER) + le64(1234) + b"\1\1" + b"\xee" * 10) +
    obj(SIMPLE_INDEX, b"\1" * 32 + b"\2" * 8) +
    obj(INDEX, b"\3" * 4))
cases["asf-small-file.wma"] = small
cases["asf-empty.wma"] = b""
# Objects are known by the first group of their GUID alone: a header and a
# padding object with the rest of their GUIDs changed.
cases["asf-guid-first-group-only.wma"] = (
    obj("75B22630-0000-0000-0000-000000000000", le32(1) + b"\0\0") +
    obj("1806D474-FFFF-FFFF-FFFF-FFFFFFFFFFFF"))
# An object of no known kind is skipped by its size.
cases["asf-unknown-object.wma"] = obj(OTHER, b"\xab" * 6) + obj(PADDING)
# Objects of 4 GiB - 1 and of 2^64 - 1 bytes in files of a few bytes: the
# skip meets the end of the file.
cases["asf-huge-size-32-bit-skipped.wma"] = obj(OTHER, bytes(16), size=0xFFFFFFFF)
cases["asf-huge-size-64-bit-skipped.wma"] = obj(OTHER, bytes(10), size=0xFFFFFFFFFFFFFFFF)
# A metadata library object (read whole) of 2^64 - 1 bytes: nothing is
# allocated, no offset overflows.
cases["asf-huge-size-64-bit-read.wma"] = obj(METADATA_LIBRARY, le16(1), size=0xFFFFFFFFFFFFFFFF)

# --- Sizes below what the walker reads of the object: the walk ends ---
# Each is followed by an object that is not reached.
after = obj(OTHER, b"\xab" * 6)
cases["asf-size-below-object-header.wma"] = obj(OTHER, size=23) + after
cases["asf-size-below-fixed-part-header.wma"] = obj(HEADER, le32(0) + b"\0\0", size=29) + after
cases["asf-size-below-fixed-part-header-extension.wma"] = (
    obj(HEADER_EXTENSION, guid(HEADER_EXTENSION_RESERVED) + le16(6) + le32(0), size=45) + after)
cases["asf-size-below-fixed-part-data.wma"] = obj(DATA, guid(OTHER) + le64(0) + b"\1\1", size=49) + after
cases["asf-size-below-fixed-part-simple-index.wma"] = obj(SIMPLE_INDEX, bytes(40), size=55) + after
cases["asf-size-below-fixed-part-file-properties.wma"] = (
    file_properties(0)[:16] + le64(103) + file_properties(0)[24:] + after)

# --- Files cut short ---
# 23 bytes of the 24 of an object header.
cases["asf-cut-inside-object-header.wma"] = b"0" * 23
# The header says it holds 3 objects; the file ends after the first.
cases["asf-cut-between-objects.wma"] = obj(HEADER, le32(3) + b"\1\2", size=130) + obj(PADDING, b"\0\0")
# Objects whose fixed part or body the file ends inside: 3 bytes of 100.
cases["asf-cut-inside-file-properties.wma"] = obj(FILE_PROPERTIES, b"\1\2\3", size=124)
cases["asf-cut-inside-codec-list.wma"] = obj(CODEC_LIST, b"\1\2\3", size=124)
cases["asf-cut-inside-content-description.wma"] = obj(CONTENT_DESCRIPTION, b"\1\2\3", size=124)
# Objects whose rest, skipped, the file ends inside: a padding object, the
# packets of a data object.
cases["asf-cut-inside-padding.wma"] = obj(PADDING, bytes(10), size=100)
cases["asf-cut-inside-data-packets.wma"] = obj(DATA, guid(OTHER) + le64(5) + b"\1\1" + bytes(20), size=1000)
# A data object cut inside its fixed part (17 bytes of 26).
cases["asf-cut-inside-data-fixed-part.wma"] = obj(DATA, guid(OTHER) + b"\5", size=1000)

# --- File properties: dates and durations ---
# Creation dates: 1601-01-01 (0), 1970-01-01, 100 ns before it, half a
# second after it, 2^31 seconds after it (2038-01-19 03:14:08), 2100-03-01
# (no 29 February in 2100), and the largest count, in the year 60056.
# Durations: 2,345,670,000 steps of 100 ns (234.567 s), the largest count,
# 0; preroll in milliseconds.
epoch = filetime(0)
cases["asf-file-properties-dates.wma"] = header(
    file_properties(0, play=2345670000, send=0xFFFFFFFFFFFFFFFF, preroll=3000),
    file_properties(epoch, play=0, send=1, preroll=0xFFFFFFFFFFFFFFFF, flags=0xFFFFFFFF,
                    packet=(0, 0xFFFFFFFF), bitrate=0xFFFFFFFF),
    file_properties(epoch - 1),
    file_properties(epoch + 5000000),
    file_properties(filetime(2147483648)),
    file_properties(filetime(4107542400)),
    file_properties(0xFFFFFFFFFFFFFFFF))

# --- Stream properties (their fields at verbose 1) ---
# The stream type's data (3 bytes) and the error correction data (2); then
# a length of the stream type's data past the body's end; then a length of
# the error correction data past it; then a body 1 byte short of the fixed
# fields.
cases["asf-stream-properties.wma"] = header(
    stream_properties(b"\xaa\xbb\xcc", b"\x11\x22"),
    stream_properties(b"\xaa\xbb\xcc", b"", type_len=0xFFFFFFFF, ecc_len=2),
    stream_properties(b"\xaa", b"\x11", ecc_len=2),
    obj(STREAM_PROPERTIES, bytes(53)))

# --- Codec list ---
# Two entries: the second starts after the first's name (3 characters, 6
# bytes, no NUL), description (8 characters with the NUL) and information.
cases["asf-codec-list-two-entries.wma"] = header(codec_list([
    codec_entry(2, utf16("WMA", False), utf16("64 kbps"), b"\x61\x01"),
    codec_entry(1, utf16("mjpeg"), b"", b"MJPG")]))
# A count of 2^32 - 1 with one entry there; an entry's information passing
# the end; a name passing it; a description length cut after 1 byte; a body
# too short for the count.
one = codec_entry(2, utf16("A", False), b"", b"")
cases["asf-codec-list-overruns.wma"] = header(
    codec_list([one], count=0xFFFFFFFF),
    codec_list([one], count=2, tail=le16(2) + le16(0) + le16(0) + le16(5) + b"\1\2"),
    codec_list([], count=1, tail=le16(2) + le16(100) + utf16("AB")),
    codec_list([], count=1, tail=le16(2) + le16(1) + utf16("A", False) + b"\0"),
    obj(CODEC_LIST, guid(CODEC_LIST_RESERVED) + b"\1\0\0"))

# --- Content description ---
# Empty fields print their label; a copyright of one character without NUL.
# Then a copyright length past the end (the title and author before it are
# shown); then a body too short for the five lengths.
cases["asf-content-description.wma"] = header(
    content_description([utf16("Tone"), b"", b"c\0", b"", b""]),
    content_description([b"A\0", b"B\0", b""], lengths=[2, 2, 0xFFFF, 0, 0]),
    obj(CONTENT_DESCRIPTION, bytes(9)))

# --- Extended content description ---
cases["asf-extended-content-description.wma"] = header(
    extended_content([
        descriptor(utf16("Genre"), UNICODE, utf16("Jazz")),
        descriptor(utf16("Track"), DWORD, le32(7))]),
    # Two descriptors claimed, the second's value length past the end.
    extended_content([descriptor(utf16("G"), UNICODE, utf16("J"))], count=2,
                     tail=le16(0) + le16(0) + le16(9)),
    # A name length past the end.
    extended_content([], count=1, tail=le16(40) + utf16("N")),
    # A body of 1 byte: no room for the count.
    obj(EXTENDED_CONTENT, b"\1"))
# Every value type, each followed by more bytes (the next descriptor), so
# that a value is read from its own length only. The walker shows a BOOL in
# hexadecimal and a QWORD as a date.
cases["asf-extended-content-value-types.wma"] = header(extended_content([
    descriptor(utf16("empty string"), UNICODE, b""),
    descriptor(utf16("string"), UNICODE, utf16("Jazz")),
    descriptor(utf16("string without NUL"), UNICODE, utf16("Jazz", False)),
    descriptor(utf16("string with two NULs"), UNICODE, utf16("AB") + b"\0\0"),
    descriptor(utf16("string, odd length"), UNICODE, b"A\0B"),
    descriptor(utf16("string of one byte"), UNICODE, b"A"),
    descriptor(utf16("bytes"), BYTES, b"\xde\xad\xbe\xef"),
    descriptor(utf16("empty bytes"), BYTES, b""),
    descriptor(utf16("BOOL"), BOOL, le32(1)),
    descriptor(utf16("DWORD"), DWORD, le32(128)),
    descriptor(utf16("DWORD 2^32 - 1"), DWORD, le32(0xFFFFFFFF)),
    descriptor(utf16("empty DWORD"), DWORD, b""),
    descriptor(utf16("QWORD"), QWORD, le64(filetime(998578502, 1234567))),
    descriptor(utf16("WORD"), WORD, le16(0x1234)),
    descriptor(utf16("GUID"), GUID, guid(HEADER)),
    descriptor(utf16("type 7"), 7, b"\1\2"),
    descriptor(utf16("type 65535"), 0xFFFF, b"\3"),
    descriptor(b"", UNICODE, utf16("no name")),
]) + obj(PADDING))
# Values shorter than their type's width at the end of the body: decoded
# from the bytes that are there. Each in an object of its own.
cases["asf-extended-content-short-values.wma"] = header(
    extended_content([descriptor(utf16("BOOL of 2"), BOOL, b"\1\2")]),
    extended_content([descriptor(utf16("DWORD of 3"), DWORD, b"\x80\1\0")]),
    extended_content([descriptor(utf16("QWORD of 5"), QWORD, b"\1\0\0\0\0")]),
    extended_content([descriptor(utf16("WORD of 1"), WORD, b"\7")]))

# --- Stream bitrate properties, language list ---
# 3 records claimed, 2 there. The stream number is the low 7 bits of a
# record's flags, the other bits reserved: the first record's top bit is set
# (the walker shows the flags whole).
cases["asf-bitrates.wma"] = header(obj(STREAM_BITRATES,
    le16(3) + le16(0x8003) + le32(128000) + le16(1) + le32(32000) + le16(2)))
# 3 languages claimed: two, then a length of 200 past the end.
cases["asf-language-list.wma"] = header(header_extension(obj(LANGUAGE_LIST,
    le16(3) + b"\x0c" + utf16("en-us") + b"\x06" + utf16("de") + b"\xc8\0")))

# --- Metadata and metadata library ---
# A 2-byte BOOL (the walker reads 4 bytes for it, the next record's first
# two among them), a DWORD, then a value of 2^32 - 1 bytes; and a record cut
# inside its 12 fixed bytes.
cases["asf-metadata.wma"] = header(header_extension(
    records(METADATA, [
        record(0, utf16("IsVBR"), BOOL, b"\1\0"),
        record(9, utf16("W"), DWORD, le32(640)),
        record(0, utf16("A"), BYTES, b"\1\2", value_len=0xFFFFFFFF)]),
    obj(METADATA, le16(1) + bytes(11))))
# Values of 64 KiB or more: of 65,539 bytes the first 3 are shown, of
# 65,536 none; the records after them are found.
cases["asf-metadata-library-64k.wma"] = header(header_extension(records(METADATA_LIBRARY, [
    record(1, utf16("P"), BYTES, b"\1\2\3" + bytes(65536)),
    record(0, utf16("Q"), BYTES, bytes(65536)),
    record(0, utf16("N"), WORD, le16(258)),
    record(0, utf16("G"), GUID, guid(HEADER), stream=0)])))

# A codec list of no entries: its body is the reserved GUID and the count.
cases["asf-codec-list-empty.wma"] = header(codec_list([]))
# Bodies of a count and no more, and a language list whose one entry fills
# the body to its end.
cases["asf-count-only-bodies.wma"] = header(header_extension(
    obj(LANGUAGE_LIST, le16(0)), obj(METADATA, le16(0)),
    obj(LANGUAGE_LIST, le16(1) + b"\x04" + utf16("en", False))))
# The last record's name runs to the end of the body (no NUL, no value):
# all of it is shown.
cases["asf-metadata-name-at-end.wma"] = header(header_extension(
    records(METADATA, [record(0, utf16("End", False), BYTES, b"")])))

# Bodies that end where their fixed part ends: a stream without type or
# error correction data, five empty texts, a descriptor of no name and no
# value. Nothing is cut.
cases["asf-bodies-of-their-fixed-size.wma"] = header(
    stream_properties(b"", b""), content_description([b""] * 5),
    extended_content([descriptor(b"", UNICODE, b"")]))

# --- An object of every printer, without a body ---
# At verbose 1 each ends with an error line; at verbose 0 the lists whose
# entries are shown only at verbose 1 say nothing more.
cases["asf-empty-bodies.wma"] = header(
    obj(STREAM_PROPERTIES), obj(CODEC_LIST), obj(CONTENT_DESCRIPTION), obj(EXTENDED_CONTENT),
    obj(STREAM_BITRATES),
    header_extension(obj(LANGUAGE_LIST), obj(METADATA), obj(METADATA_LIBRARY)))

# --- Texts with control characters: escaped ---
ctl = "\x1b[31m\x07\x7f\x85\x9b"
cases["asf-control-characters.wma"] = header(
    content_description([utf16("T" + ctl), utf16(ctl), b"", b"", b""]),
    extended_content([descriptor(utf16("N" + ctl), UNICODE, utf16("V" + ctl))]),
    codec_list([codec_entry(2, utf16("C" + ctl), utf16("D" + ctl), b"\x1b\x07")]))

# --- Archive members: the walk under a limit ---
# The small file as a member, between two others: its offsets count from its
# own start, and the member after it is found. A member holding an object
# that claims more than the member does.
cases["asf-members-of-archive.tar"] = (
    tar_member(b"first.wma", obj(PADDING, bytes(4))) +
    tar_member(b"small.wma", small) +
    tar_member(b"huge.wma", obj(OTHER, bytes(10), size=0xFFFFFFFFFFFFFFFF)) +
    tar_member(b"huge-read.wma", obj(METADATA_LIBRARY, le16(1), size=0xFFFFFFFFFFFFFFFF)) +
    tar_member(b"cut.wma", obj(FILE_PROPERTIES, b"\1\2\3", size=124)) +
    # Its heading stands, and the walk of the member ends there: the object
    # inside the body is not taken for the next one.
    tar_member(b"claims.wma", obj(STREAM_PROPERTIES, obj(PADDING, bytes(4)), size=1000)) +
    bytes(1024))

# --- Texts outside ASCII, with --utf8 (and the same file without it) ---
# Letters of 2 and 3 UTF-8 bytes; a surrogate pair (U+1F3B5); a first half
# alone before a letter, a second half alone, a first half as the last
# unit; C1 controls (U+0085, U+009F) escaped, U+00A0 shown.
texts = header(
    content_description([
        utf16("Café Ω 日本"),
        utf16("Note \U0001F3B5!"),
        utf16("X", False) + le16(0xD83C) + utf16("A"),
        utf16("Y", False) + le16(0xDFB5) + utf16("B"),
        utf16("Z", False) + le16(0xD83C)]),
    extended_content([descriptor(utf16("Größe"), UNICODE, utf16("a\x85b\x9fc\xa0d"))]),
    codec_list([codec_entry(2, utf16("Überall", False), utf16("Ça"), b"")]))
cases["asf-texts-outside-ascii.wma"] = texts

write_cases("asf", cases)
write_cases("asf-utf8", {"asf-texts-outside-ascii.wma": texts})
