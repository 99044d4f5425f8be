#!/usr/bin/env python3
"""Writes the WAV edge cases into tests/cases/wav/ (tests/cases/wav-utf8/
for texts under --utf8, tests/cases/wav-detect/ for files found by content).

A WAV file is a RIFF chunk (RF64 or BW64 for 64-bit sizes): "RIFF", a
32-bit little-endian size, "WAVE", then chunks, each a four-character id, a
size and a body padded to an even length. The walker decodes fmt, fact,
data, ds64, LIST (INFO texts), bext, cue, smpl and id3 chunks.
"""

import os
import sys

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from cases import be32, le16, le32, le64, syncsafe, tar_member, write_cases


def chunk(cid, body, size=None, pad=True):
    """A chunk; `size` claims another size; `pad=False` leaves an odd body unpadded."""
    return cid + le32(len(body) if size is None else size) + body + (b"\0" if pad and len(body) % 2 else b"")


def riff(*chunks, form=b"RIFF", size=None, kind=b"WAVE"):
    body = kind + b"".join(chunks)
    return form + le32(len(body) if size is None else size) + body


def fmt(tag=1, channels=2, rate=44100, bits=16, align=None, byte_rate=None, ext=None):
    align = channels * bits // 8 if align is None else align
    body = le16(tag) + le16(channels) + le32(rate) + le32(rate * align if byte_rate is None else byte_rate)
    body += le16(align) + le16(bits)
    return chunk(b"fmt ", body if ext is None else body + le16(len(ext)) + ext)


def extensible(guid_tag=1, mask=0x3F, valid=24, base=True):
    tail = bytes.fromhex("000010008000" "00aa00389b71") if base else bytes(range(12))
    return le16(valid) + le32(mask) + le16(guid_tag) + le16(0) + tail


def rf64(data_size, table, *chunks, form=b"RF64"):
    """An RF64 (or BW64) file: its ds64 chunk first, holding the RIFF size,
    the data size, a sample count and `table` (12 bytes an entry, the count
    rounded up)."""
    rest = b"".join(chunks)
    ds64 = le64(4 + 36 + len(table) + len(rest)) + le64(data_size) + le64(data_size // 2) + le32(-(-len(table) // 12))
    return riff(chunk(b"ds64", ds64 + table), rest, form=form, size=0xFFFFFFFF)


def info(*texts):
    return chunk(b"LIST", b"INFO" + b"".join(chunk(i, t) for i, t in texts))


def id3(frames, size=None):
    """An ID3v2.3 tag of text frames; `size` claims another tag size."""
    body = b"".join(f + be32(len(t) + 1) + b"\0\0\0" + t for f, t in frames)
    return b"ID3\3\0\0" + syncsafe(len(body) if size is None else size) + body


def bext(description, version, rate_samples, history=b"", loudness=(0,) * 5):
    f = lambda s, n: s.ljust(n, b"\0")
    body = (f(description, 256) + f(b"tagdelve", 32) + f(b"REF-1", 32) + b"2024-05-06" + b"07:08:09" +
            le64(rate_samples) + le16(version) + bytes(range(64)))
    body += b"".join(le16(v) for v in loudness) + bytes(180) + history
    return chunk(b"bext", body)


DATA = chunk(b"data", bytes(8))
PCM = fmt(channels=1, rate=8000)

cases = {
    "wav-pcm.wav": riff(PCM, DATA),
    # Each format in turn, with the data it times: PCM and float by block
    # alignment, ADPCM by its fact chunk, an unknown tag by its byte rate;
    # extensible with 5.1 speakers and PCM, with an unknown subformat GUID
    # and no mask, then cut short; a format chunk of 12 bytes.
    "wav-formats.wav": riff(
        fmt(), DATA,
        fmt(tag=3, channels=1, bits=32), chunk(b"fact", le32(2)), DATA,
        fmt(tag=0x11, channels=1, rate=8000, bits=4, align=256, byte_rate=4055, ext=le16(505)),
        chunk(b"fact", le32(1010)), chunk(b"data", bytes(512)),
        fmt(tag=0x1234, rate=1000, byte_rate=4), DATA,
        fmt(tag=0xFFFE, channels=6, bits=24, ext=extensible()), chunk(b"data", bytes(36)),
        fmt(tag=0xFFFE, channels=2, bits=32, ext=extensible(3, 0, 32, base=False)), DATA,
        fmt(tag=0xFFFE, ext=extensible()[:6]), DATA,
        chunk(b"fmt ", bytes(12))),
    # Timings: a fact chunk and data before any format (no timing); DTS and
    # FLAC, of which a block is no frame, without fact, by byte rate; a byte rate
    # of 0 (no timing); data of 0 bytes (0 seconds).
    "wav-fact-before-format.wav": riff(chunk(b"fact", le32(1000)), DATA, PCM),
    "wav-timed-by-byte-rate.wav": riff(fmt(tag=0x2001, rate=48000, byte_rate=4000), DATA,
                                       fmt(tag=0xF1AC, rate=48000, byte_rate=2000), DATA,
                                       fmt(tag=0x1234, byte_rate=0), DATA, PCM, chunk(b"data", b"")),
    # Texts: odd and even sizes, an unknown id, an empty text, bytes past the
    # terminating zero; a LIST of another type holding a LIST; a LIST too
    # short for its type.
    "wav-info-texts.wav": riff(PCM, info(
        (b"INAM", b"A Tone\0"), (b"IART", b"me\0"), (b"IXYZ", b"odd\0"), (b"ICMT", b""),
        (b"ICRD", b"2024\0junk")),
        chunk(b"LIST", b"adtl" + chunk(b"labl", le32(1) + b"start\0") + chunk(b"LIST", b"wavl" + DATA)),
        chunk(b"LIST", b"IN"), DATA),
    # Broadcast extension: version 2 with loudness and a coding history after
    # the format (the time reference in seconds too); version 0 before any
    # format; one cut short.
    "wav-bext.wav": riff(
        PCM, bext(b"Take 1", 2, 16000, b"A=PCM,F=8000,W=16,M=mono\r\n", (-2300, 500, -100, -2000, -2100)),
        DATA, chunk(b"bext", bytes(100))),
    "wav-bext-before-format.wav": riff(bext(b"caf\xc3\xa9 \x1b[1m", 0, 7), PCM, DATA),
    # Cue points and a sampler loop; both too short.
    "wav-cue-sampler.wav": riff(
        PCM, chunk(b"cue ", le32(2) + bytes(48)),
        chunk(b"smpl", b"".join(le32(v) for v in (1, 2, 125000, 60, 0, 25, 0x01020304, 1, 0)) + bytes(24)),
        chunk(b"cue ", b"\1"), chunk(b"smpl", bytes(20)), DATA),
    # ID3v2 tags in id3 and ID3 chunks (the first odd, with its pad byte), and
    # an empty one.
    "wav-id3-chunks.wav": riff(
        PCM, DATA, chunk(b"id3 ", id3([(b"TIT2", b"Tone"), (b"TPE1", b"tagdelve")]) + b"\0" * 3),
        chunk(b"ID3 ", id3([(b"TALB", b"Cases")])), chunk(b"id3 ", b"")),
    # A tag whose frame passes the chunk's end; a tag whose size passes it
    # (its padding); a chunk that is no tag.
    "wav-id3-past-chunk.wav": riff(
        PCM, chunk(b"id3 ", id3([(b"TIT2", b"Tone")])[:20]),
        chunk(b"id3 ", id3([(b"TIT2", b"Tone")], size=100) + bytes(12)),
        chunk(b"id3 ", b"TAG not ID3"), DATA),
    # A tag whose size passes its chunk, in a file that ends inside the chunk.
    # An odd chunk without its pad byte, then the four bytes of a chunk id
    # and the end of the file.
    "wav-pad-missing-at-the-end.wav": riff(PCM, chunk(b"JUNK", b"abc", pad=False), b"JUNK"),
    # A time reference where the format's rate is 0: no seconds.
    "wav-bext-rate-zero.wav": riff(fmt(rate=0), bext(b"Take 0", 1, 16000)),
    # A ds64 chunk in a RIFF file: its sizes are not the file's.
    "wav-riff-with-ds64.wav": riff(chunk(b"ds64", le64(1000) + le64(8) + le64(4) + le32(0)), PCM, DATA),
    "wav-id3-chunk-cut.wav": riff(PCM, chunk(b"id3 ", id3([(b"TIT2", b"Tone")], size=100) + bytes(30)))[:-16],
    # RF64: the sizes in ds64 (the data's, and a JUNK chunk's in its table),
    # the 32-bit fields all ones.
    "wav-rf64.wav": rf64(8, b"JUNK" + le64(2) + b"LIST" + le64(4), PCM, chunk(b"JUNK", b"ab", size=0xFFFFFFFF),
                         chunk(b"data", bytes(8), size=0xFFFFFFFF)),
    "wav-bw64.wav": rf64(8, b"", PCM, chunk(b"data", bytes(8), size=0xFFFFFFFF), form=b"BW64"),
    # A ds64 chunk too short, then one whose table passes its end (the sizes
    # before it hold); RF64 without a ds64 chunk: the data's size is taken as
    # it stands.
    "wav-rf64-damaged-ds64.wav": rf64(8, b"JUNK" + le64(2) + b"fmt ", chunk(b"ds64", bytes(20)), PCM,
                                      chunk(b"data", bytes(8), size=0xFFFFFFFF)),
    "wav-rf64-without-ds64.wav": riff(PCM, chunk(b"data", bytes(8), size=0xFFFFFFFF), form=b"RF64"),
    # Pad bytes: missing before the next chunk, not zero (taken: the bytes
    # after it are an id), missing at the end of the file.
    "wav-pad-bytes.wav": riff(
        PCM, chunk(b"JUNK", b"abc", pad=False), chunk(b"JUNK", b"abc", pad=False) + b"\xff",
        chunk(b"JUNK", b"x", pad=False) + b"x", chunk(b"data", b"abc", pad=False)),
    # RIFF sizes that disagree with the file: too small (the chunks after it
    # are walked), too large.
    "wav-riff-size-small.wav": riff(PCM, DATA, size=4 + 24),
    "wav-riff-size-large.wav": riff(PCM, DATA, size=1000),
    # A chunk past the end of its LIST (the walk goes on after the LIST); past
    # the end of the file; a LIST past the end of the file.
    "wav-chunk-past-list.wav": riff(PCM, chunk(b"LIST", b"INFO" + chunk(b"INAM", b"abcd", size=40)), DATA),
    "wav-data-past-file.wav": riff(PCM, chunk(b"data", bytes(8), size=0x7FFFFFF0)),
    "wav-list-past-file.wav": riff(PCM, chunk(b"LIST", b"INFO" + chunk(b"INAM", b"ab"), size=100)),
    # Zero bytes after the data, as some recorders leave: no chunk id.
    "wav-zeros-after-data.wav": riff(PCM, DATA) + bytes(64),
    # Cut: inside the form header, inside a chunk header, inside a format
    # chunk; not RIFF; another form type; empty.
    "wav-cut-in-form-header.wav": riff(PCM)[:10],
    "wav-cut-in-chunk-header.wav": riff(PCM, DATA)[:40],
    "wav-cut-in-format.wav": riff(PCM)[:30],
    "wav-not-riff.wav": b"RIFX" + bytes(20),
    "wav-avi-form.wav": riff(DATA, kind=b"AVI "),
    "wav-empty.wav": b"",
    # Archive members: a WAV whose data passes the member's end, then an
    # AIFF after it, walked in place.
    "wav-members-of-archive.tar": tar_member(b"cut.wav", riff(PCM, chunk(b"data", bytes(8), size=600))) +
    tar_member(b"ok.aif", b"FORM" + be32(14) + b"AIFF" + b"MARK" + be32(2) + le16(0)) + bytes(1024),
}
utf8 = {"wav-info-outside-ascii.wav": riff(info((b"INAM", "Grüße 🎵\0".encode()), (b"IART", b"caf\xe9\0"),
                                                (b"ICMT", b"a\xc2\x85b\x1b[0m\0")))}
cases.update(utf8)
write_cases("wav", cases)
write_cases("wav-utf8", utf8)
write_cases("wav-detect", {"TONE.WAV": cases["wav-pcm.wav"], "take-1": cases["wav-rf64.wav"],
                           "tone.aiff.bak": b"FORM" + be32(14) + b"AIFC" + b"COMT" + be32(2) + le16(0),
                           # WAVE without RIFF before it: no WAV file.
                           "wave-without-riff": b"JUNK" + le32(4) + b"WAVE" + bytes(8)})
