#!/usr/bin/env python3
"""Writes the AIFF and AIFF-C edge cases into tests/cases/aiff/.

An AIFF file is an IFF form: "FORM", a 32-bit big-endian size, "AIFF" or
"AIFC", then chunks, each a four-character id, a big-endian size and a body
padded to an even length. The walker decodes COMM (the sample rate an 80-bit
extended number), SSND, FVER, the texts NAME, AUTH, "(c) " and ANNO, MARK,
INST, COMT, APPL and ID3 chunks; the pad bytes and sizes are the WAV
walker's (tests/cases/make_wav.py).
"""

import os
import struct
import sys

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from cases import be16, be32, syncsafe, write_cases


def chunk(cid, body, size=None):
    return cid + be32(len(body) if size is None else size) + body + b"\0" * (len(body) % 2)


def form(*chunks, kind=b"AIFF", size=None):
    body = kind + b"".join(chunks)
    return b"FORM" + be32(len(body) if size is None else size) + body


def extended(exponent, mantissa, sign=0):
    return be16(sign << 15 | exponent) + struct.pack(">Q", mantissa)


def rate(hz):
    """A whole rate as an encoder writes it: the mantissa's top bit set."""
    shift = 63 - (hz.bit_length() - 1)
    return extended(16383 + hz.bit_length() - 1, hz << shift)


def comm(rate_bytes, frames=4, compression=b""):
    return chunk(b"COMM", be16(1) + be32(frames) + be16(16) + rate_bytes + compression)


def pstring(text):
    return bytes([len(text)]) + text + b"\0" * ((len(text) + 1) % 2)


SSND = chunk(b"SSND", bytes(8 + 8))
ID3 = b"ID3\4\0\0" + syncsafe(11) + b"TIT2" + syncsafe(1) + b"\0\0" + b"\3"

cases = {
    "aiff-minimal.aiff": form(comm(rate(44100)), SSND),
    # Sample rates: the usual ones; 22050.5, 1/3 and 1/2 (not whole); 0; 2^70
    # (whole, past 64 bits); negative; infinite; not a number; below the
    # smallest double; a mantissa without its top bit.
    "aiff-sample-rates.aiff": form(*[comm(r) for r in (
        rate(8000), rate(11025), rate(48000), rate(96000), rate(192000),
        extended(16383 + 14, 44101 << 48), extended(16381, 0xAAAAAAAAAAAAAAAB), extended(16382, 1 << 63),
        extended(0, 0), extended(16383 + 70, 1 << 63), extended(16383 + 15, 44100 << 48, 1),
        extended(0x7FFF, 0), extended(0x7FFF, 1 << 62), extended(1, 1 << 63), extended(16383 + 15, 44100 << 47))]),
    # AIFF-C: its version, compressions with and without a name, a name that
    # passes the chunk, a COMM of only the AIFF fields, and one too short for
    # any.
    "aifc-compression.aifc": form(
        chunk(b"FVER", be32(0xA2805140)),
        comm(rate(44100), compression=b"NONE" + pstring(b"not compressed")),
        comm(rate(44100), compression=b"sowt" + pstring(b"")),
        comm(rate(44100), compression=b"fl32" + b"\x20abc"),
        comm(rate(44100)), chunk(b"COMM", bytes(10)), SSND, kind=b"AIFC"),
    # Texts (odd sizes padded), markers, an instrument, comments, an
    # application, an unknown chunk, an ID3 chunk (odd, padded).
    "aiff-texts-and-more.aiff": form(
        chunk(b"NAME", b"Tone"), chunk(b"AUTH", b"tagdelve"), chunk(b"(c) ", b"2024 \xa9 me"),
        chunk(b"ANNO", b"made by hand"), chunk(b"MARK", be16(2) + bytes(20)),
        chunk(b"INST", bytes([60, 0xFE, 0, 127, 1, 127]) + be16(0xFFFA) + be16(1) + be16(1) + be16(2) + bytes(6)),
        chunk(b"COMT", be16(1) + bytes(10)), chunk(b"APPL", b"pdos" + b"data"), chunk(b"XYZW", b"\1\2\3"),
        comm(rate(8000)), SSND, chunk(b"ID3 ", ID3)),
    # Each decoded chunk too short for its fields.
    "aiff-short-chunks.aiff": form(*[chunk(c, b"\1") for c in (b"SSND", b"FVER", b"MARK", b"INST", b"COMT", b"APPL")]),
    # Damage: a FORM size that disagrees with the file; sound data past the
    # end of the file; another form type; not IFF; a cut COMM.
    "aiff-form-size-wrong.aiff": form(comm(rate(8000)), SSND, size=4),
    "aiff-sound-past-file.aiff": form(comm(rate(8000)), chunk(b"SSND", bytes(16), size=0xFFFFFFFF)),
    "aiff-8svx-form.aiff": form(chunk(b"VHDR", bytes(20)), kind=b"8SVX"),
    "aiff-not-iff.aiff": b"RIFF" + bytes(20),
    "aiff-cut-in-comm.aiff": form(comm(rate(8000)))[:30],
}
write_cases("aiff", cases)
