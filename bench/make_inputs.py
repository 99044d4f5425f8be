#!/usr/bin/env python3
"""Writes the large benchmark inputs into a scratch folder, deterministically.

The files are built from synthesised frames and segments, seeded where it
helps with the small encoder-made files under tests/data (the ASF header and
packets of a WMA file, the metadata and frames of a FLAC file, the marker
segments of a JPEG image). Pseudo-random bytes come from SHAKE-256 over a
fixed label, so every run writes the same bytes on every machine.

    make_inputs.py OUTDIR

writes cbr.mp3, vbr.mp3, picture.flac, image.jpg, audio.wma, all.tar (of
those five), audio.ogg, large.m4a (2 GiB, almost all of it a sparse media
data box), audio.wav (1 GiB), image.png (64 MiB), camera.tif, padding.flac
(4 GiB of padding blocks), huge-gnu.tar and huge-pax.tar (a 9 GiB member,
its size in base-256 and in a pax record; the big ones sparse files), the
folder many/ of 2,000 small real files: 1,000 copies each of
bench/seeds/song.mp3 and bench/seeds/photo.jpg (see bench/seeds/make_seeds.sh),
and the folder tree/ of 10,000 files made by real tools (those of tests/data)
in 100 folders.
A stamp file holds a hash of this script and of its seed files: while it
matches, existing files are kept, otherwise all are written again.
"""

import hashlib
import os
import shutil
import struct
import sys
import tarfile
import zlib

MIB = 1 << 20
NAMES = ["cbr.mp3", "vbr.mp3", "picture.flac", "image.jpg", "audio.wma", "all.tar", "audio.ogg", "large.m4a",
         "audio.wav", "image.png", "camera.tif", "padding.flac", "huge-gnu.tar", "huge-pax.tar", ".stamp"]
HERE = os.path.dirname(os.path.abspath(__file__))
DATA = os.path.join(HERE, "..", "tests", "data")
SEEDS = os.path.join(HERE, "seeds")
MANY = [("song%04d.mp3", "song.mp3"), ("photo%04d.jpg", "photo.jpg")]
COPIES = 1000
TREE = 10000  # files in tree/


def noise(label, n):
    """n pseudo-random bytes, the same for the same label."""
    return hashlib.shake_256(label.encode()).digest(n)


def read_data(name):
    with open(os.path.join(DATA, name), "rb") as f:
        return f.read()


# --- MP3 --------------------------------------------------------------------

MPEG1_L3_BITRATES = [0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320]


def syncsafe(n):
    return bytes([(n >> 21) & 0x7F, (n >> 14) & 0x7F, (n >> 7) & 0x7F, n & 0x7F])


def id3v2_tag(version, frames, padding):
    """An ID3v2.3 or 2.4 tag of text frames (id, ISO-8859-1 text)."""
    body = b""
    for fid, text in frames:
        content = b"\x00" + text.encode("latin-1")
        size = syncsafe(len(content)) if version == 4 else struct.pack(">I", len(content))
        body += fid.encode() + size + b"\x00\x00" + content
    body += bytes(padding)
    return b"ID3" + bytes([version, 0, 0]) + syncsafe(len(body)) + body


def id3v1_tag():
    def field(s, n):
        return s.encode("latin-1")[:n].ljust(n, b"\x00")

    return (b"TAG" + field("Benchmark tone", 30) + field("tagdelve", 30) +
            field("Large files", 30) + b"2024" + field("synthesised frames", 28) +
            b"\x00\x07" + bytes([52]))


def mp3_frame(bitrate_index, padding, pool, at, info=None):
    """An MPEG-1 layer III frame at 44100 Hz, joint stereo, no CRC. The side
    information is zero (every granule empty), so a decoder plays silence
    and ignores the main data bytes, which come from the pool."""
    bitrate = MPEG1_L3_BITRATES[bitrate_index]
    length = 144000 * bitrate // 44100 + padding
    header = bytes([0xFF, 0xFB, (bitrate_index << 4) | (padding << 1), 0x64])
    body = bytearray(32)
    if info is not None:
        body += info
    rest = length - 4 - len(body)
    body += pool[at:at + rest]
    return header + bytes(body)


def write_mp3(path, size, vbr):
    pool = noise("mp3 main data", MIB + 4096)
    choices = noise("mp3 bit rates", 1 << 16)
    if vbr:
        head = id3v2_tag(4, [("TIT2", "Benchmark VBR"), ("TPE1", "tagdelve"),
                             ("TALB", "Large files"), ("TRCK", "2")], 512)
        tail = b""
    else:
        head = id3v2_tag(3, [("TIT2", "Benchmark CBR"), ("TPE1", "tagdelve"),
                             ("TALB", "Large files"), ("TYER", "2024"), ("TRCK", "1")], 1024)
        tail = id3v1_tag()
    budget = size - len(head) - len(tail)
    chunks = []
    used = 0
    frames = 0
    frac = 0  # padding as an encoder spreads it: the remainder of 144000*br/44100
    # The first frame carries the VBR ("Xing") or CBR ("Info") header that
    # encoders write; its counts are patched in below.
    first_index = 9
    chunks.append(None)
    used += 144000 * 128 // 44100
    frames += 1
    while True:
        index = 9 if not vbr else 6 + choices[frames & 0xFFFF] % 9
        bitrate = MPEG1_L3_BITRATES[index]
        frac += 144000 * bitrate % 44100
        padding = 1 if frac >= 44100 else 0
        if padding:
            frac -= 44100
        length = 144000 * bitrate // 44100 + padding
        if used + length > budget:
            break
        at = (frames * 7919) % (MIB - 2048)
        chunks.append(mp3_frame(index, padding, pool, at))
        used += length
        frames += 1
    info = (b"Xing" if vbr else b"Info") + struct.pack(">III", 3, frames, used)
    chunks[0] = mp3_frame(first_index, 0, pool, 0, info)
    with open(path, "wb") as f:
        f.write(head)
        for i in range(0, len(chunks), 4096):
            f.write(b"".join(chunks[i:i + 4096]))
        f.write(tail)


# --- JPEG -------------------------------------------------------------------

def jpeg_segments(image):
    """The marker segments of a JPEG file from SOI to the end of its SOS
    header, and the SOS header's end offset."""
    at = 2
    while True:
        assert image[at] == 0xFF
        code = image[at + 1]
        length = struct.unpack(">H", image[at + 2:at + 4])[0]
        at += 2 + length
        if code == 0xDA:
            return image[:at]


def entropy_data(label, size):
    """Entropy-coded bytes: pseudo-random, each 0xFF followed by a stuffed
    0x00 as an encoder writes them, cut to `size` without a trailing 0xFF."""
    raw = noise(label, size - size // 200)
    data = raw.replace(b"\xff", b"\xff\x00")
    while len(data) < size:
        data += data[:size - len(data)]
    data = data[:size]
    if data[-1] == 0xFF:
        data = data[:-1] + b"\x00"
    return data


def make_jpeg(label, entropy_size):
    head = jpeg_segments(read_data("exif_ii.jpg"))
    return head + entropy_data(label, entropy_size) + b"\xff\xd9"


# --- FLAC -------------------------------------------------------------------

def flac_blocks(data):
    """The metadata blocks (type, body) of a FLAC file and where its audio
    frames start."""
    assert data[:4] == b"fLaC"
    at = 4
    blocks = []
    while True:
        head = data[at]
        length = int.from_bytes(data[at + 1:at + 4], "big")
        blocks.append((head & 0x7F, data[at + 4:at + 4 + length]))
        at += 4 + length
        if head & 0x80:
            return blocks, at


def picture_block(jpeg):
    mime = b"image/jpeg"
    desc = b"large cover"
    return (struct.pack(">I", 3) + struct.pack(">I", len(mime)) + mime +
            struct.pack(">I", len(desc)) + desc +
            struct.pack(">IIII", 4096, 4096, 24, 0) + struct.pack(">I", len(jpeg)) + jpeg)


def write_flac(path, picture_size, audio_size):
    source = read_data("flac_tagged.flac")
    blocks, audio_at = flac_blocks(source)
    frames = source[audio_at:]
    # Keep the encoder's blocks but its pictures; add the large one before
    # the padding that ends the chain.
    kept = [(t, b) for t, b in blocks if t != 6]
    jpeg = make_jpeg("flac picture entropy", picture_size - 1024)
    kept.insert(len(kept) - 1, (6, picture_block(jpeg)))
    with open(path, "wb") as f:
        f.write(b"fLaC")
        for i, (t, b) in enumerate(kept):
            last = 0x80 if i == len(kept) - 1 else 0
            f.write(bytes([t | last]) + len(b).to_bytes(3, "big") + b)
        # The encoder's frames, repeated until the audio reaches its size.
        chunk = frames * (MIB // len(frames) + 1)
        chunk = chunk[:MIB]
        for _ in range(audio_size // MIB):
            f.write(chunk)


def write_padded_flac(path, padding):
    """The blocks of tests/data/flac_tagged.flac but its padding, then
    `padding` bytes of padding blocks (of 16 MiB each, the most one block
    holds), holes in a sparse file, then the encoder's audio frames."""
    source = read_data("flac_tagged.flac")
    blocks, audio_at = flac_blocks(source)
    kept = [(t, b) for t, b in blocks if t != 1]
    most = (1 << 24) - 1
    with open(path, "wb") as f:
        f.write(b"fLaC")
        for t, b in kept:
            f.write(bytes([t]) + len(b).to_bytes(3, "big") + b)
        while padding > 0:
            n = min(most, padding - 4)
            padding -= 4 + n
            f.write(bytes([1 | (0x80 if padding <= 0 else 0)]) + n.to_bytes(3, "big"))
            f.seek(n, os.SEEK_CUR)
        f.write(source[audio_at:])


# --- ASF --------------------------------------------------------------------

ASF_DATA = bytes.fromhex("3626b2758e66cf11a6d900aa0062ce6c")
ASF_FILE_PROPERTIES = bytes.fromhex("a1dcab8c47a9cf118ee400c00c205365")


def asf_objects(data, at, end):
    while at < end:
        size = struct.unpack("<Q", data[at + 16:at + 24])[0]
        yield at, data[at:at + 16], size
        at += size


def write_wma(path, size):
    source = read_data("asf_wmav2_tags.wma")
    header_size = struct.unpack("<Q", source[16:24])[0]
    header = bytearray(source[:header_size])
    data_at = header_size
    assert source[data_at:data_at + 16] == ASF_DATA
    data_size = struct.unpack("<Q", source[data_at + 16:data_at + 24])[0]
    count = struct.unpack("<Q", source[data_at + 40:data_at + 48])[0]
    packets = source[data_at + 50:data_at + data_size]
    packet_size = len(packets) // count
    total = (size - header_size - 50) // packet_size
    new_data_size = 50 + total * packet_size
    # The file properties give the file size and the packet count.
    for at, guid, _ in asf_objects(header, 30, header_size):
        if guid == ASF_FILE_PROPERTIES:
            struct.pack_into("<Q", header, at + 40, header_size + new_data_size)
            struct.pack_into("<Q", header, at + 56, total)
    with open(path, "wb") as f:
        f.write(header)
        f.write(ASF_DATA + struct.pack("<Q", new_data_size) +
                source[data_at + 24:data_at + 40] + struct.pack("<Q", total) +
                source[data_at + 48:data_at + 50])
        run = 4096
        block = (packets * (run // count + 1))[:run * packet_size]
        left = total
        while left > 0:
            n = min(run, left)
            f.write(block[:n * packet_size])
            left -= n


# --- Ogg --------------------------------------------------------------------

BIT_REVERSED = bytes(int("{:08b}".format(i)[::-1], 2) for i in range(256))


def ogg_crc(data):
    """Ogg's CRC (polynomial 0x04C11DB7, most significant bit first, initial
    0, no final XOR) by zlib's reflected CRC-32 of the bytes with their bits
    reversed, itself unreflected: the same polynomial, read backwards."""
    raw = zlib.crc32(data.translate(BIT_REVERSED), 0xFFFFFFFF) ^ 0xFFFFFFFF
    return int("{:032b}".format(raw)[::-1], 2)


def ogg_page(serial, seq, granule, flags, packets):
    lace = b"".join(b"\xff" * (len(p) // 255) + bytes([len(p) % 255]) for p in packets)
    head = b"OggS" + bytes([0, flags]) + struct.pack("<qII", granule, serial, seq)
    tail = bytes([len(lace)]) + lace + b"".join(packets)
    return head + struct.pack("<I", ogg_crc(head + bytes(4) + tail)) + tail


def write_ogg(path, size):
    """The header pages of a Vorbis file made by oggenc, then pages of about
    4 KiB (as libogg cuts them), each of 16 packets of 100 to 400 bytes of
    noise (the first byte even, as an audio packet's is), their granule positions counting 256 samples a packet; the last
    page is flagged so."""
    source = read_data("ogg_vorbis_tags.ogg")
    third = source.index(b"OggS", source.index(b"OggS", 4) + 4)
    serial = struct.unpack("<I", source[14:18])[0]
    pool = noise("ogg audio packets", MIB)
    lengths = noise("ogg packet lengths", 4096)
    with open(path, "wb") as f:
        f.write(source[:third])
        written, seq, granule, at, k = third, 2, 0, 0, 0
        while written < size:
            packets = []
            for _ in range(16):
                n = 100 + lengths[k % 4096] * 300 // 255
                k += 1
                if at + n > len(pool):
                    at = 0
                packets.append(bytes([pool[at] & 0xFE]) + pool[at + 1:at + n])  # an even first byte: audio
                at += n
            granule += 256 * len(packets)
            last = written + 4600 >= size
            page = ogg_page(serial, seq, granule, 4 if last else 0, packets)
            f.write(page)
            written += len(page)
            seq += 1
# --- WAV --------------------------------------------------------------------

def riff_chunk(cid, body):
    return cid + struct.pack("<I", len(body)) + body + b"\0" * (len(body) % 2)


def write_wav(path, size):
    """A RIFF file of about `size` bytes: the format (PCM, 48 kHz, stereo, 16 bits),
    INFO texts, the data chunk of pseudo-random samples, and an ID3v2 tag in
    an 'id3 ' chunk after it."""
    fmt = riff_chunk(b"fmt ", struct.pack("<HHIIHH", 1, 2, 48000, 192000, 4, 16))
    info = riff_chunk(b"LIST", b"INFO" + riff_chunk(b"INAM", b"Benchmark tone\0") +
                      riff_chunk(b"IART", b"tagdelve\0") + riff_chunk(b"ISFT", b"make_inputs.py\0"))
    tag = riff_chunk(b"id3 ", id3v2_tag(3, [("TIT2", "Benchmark WAV"), ("TPE1", "tagdelve")], 64))
    data = size - 12 - len(fmt) - len(info) - 8 - len(tag)
    data -= data % 4
    pool = noise("wav samples", MIB)
    with open(path, "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", 4 + len(fmt) + len(info) + 8 + data + len(tag)) + b"WAVE" + fmt + info)
        f.write(b"data" + struct.pack("<I", data))
        for _ in range(data // MIB):
            f.write(pool)
        f.write(pool[:data % MIB])
        f.write(tag)


# --- TAR --------------------------------------------------------------------

def ustar_header(name, size):
    h = bytearray(512)

    def put(at, width, value):
        h[at:at + len(value)] = value[:width]

    put(0, 100, name.encode())
    put(100, 8, b"0000644\x00")
    put(108, 8, b"0001750\x00")
    put(116, 8, b"0001750\x00")
    put(124, 12, b"%011o\x00" % size)
    put(136, 12, b"14530444000\x00")  # 2023-11-14
    put(148, 8, b"        ")
    put(156, 1, b"0")
    put(257, 6, b"ustar\x00")
    put(263, 2, b"00")
    put(265, 32, b"bench")
    put(297, 32, b"bench")
    put(148, 8, b"%06o\x00 " % sum(h))
    return bytes(h)


def write_tar(path, members, total):
    """A ustar archive of the members, then a filler member that brings the
    archive to `total` bytes with its two end blocks."""
    used = 0
    with open(path, "wb") as f:
        for name, src in members:
            size = os.path.getsize(src)
            f.write(ustar_header(name, size))
            with open(src, "rb") as m:
                while True:
                    chunk = m.read(8 * MIB)
                    if not chunk:
                        break
                    f.write(chunk)
            pad = -size % 512
            f.write(bytes(pad))
            used += 512 + size + pad
        filler = total - used - 512 - 1024
        if filler > 0:
            f.write(ustar_header("filler.bin", filler))
            chunk = noise("tar filler", MIB)
            for _ in range(filler // MIB):
                f.write(chunk)
            f.write(chunk[:filler % MIB])
            f.write(bytes(-filler % 512))
        f.write(bytes(1024))


def write_huge_tar(path, form, size):
    """An archive of one member of `size` bytes (a hole in a sparse file),
    its size written as GNU tar or POSIX tar writes sizes of 8 GiB and more
    (base-256 in the header, or a pax size record), then the song of
    bench/seeds/ as a member the walk reaches after it."""
    song = open(os.path.join(SEEDS, "song.mp3"), "rb").read()
    big = tarfile.TarInfo("big.bin")
    big.size, big.mtime = size, 1700000000
    tail = tarfile.TarInfo("song.mp3")
    tail.size, tail.mtime = len(song), 1700000000
    with open(path, "wb") as f:
        f.write(big.tobuf(form))
        f.seek(size + -size % 512, os.SEEK_CUR)
        f.write(tail.tobuf(form) + song + bytes(-len(song) % 512) + bytes(1024))


def write_tree(path, files):
    """A tree of `files` real files in folders of 100: the files made by
    real tools under tests/data, taken in turn, each under a new name that
    keeps its extension."""
    pool = sorted(n for n in os.listdir(DATA) if not n.endswith(".sh"))
    for i in range(files):
        name = pool[i % len(pool)]
        folder = os.path.join(path, "d%03d" % (i // 100))
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "f%05d%s" % (i, os.path.splitext(name)[1])), "wb") as f:
            f.write(read_data(name))


# --- MP4 --------------------------------------------------------------------

def write_m4a(path, size):
    """The boxes of a small M4A file (file type, movie with its metadata and
    cover) around a media data box of `size` bytes in all: its real audio
    first, where the chunk offsets point, then a hole (a sparse file)."""
    data = read_data("mp4_aac_cover.m4a")
    boxes, at = {}, 0
    while at < len(data):
        n, kind = struct.unpack(">I4s", data[at:at + 8])
        boxes[kind] = data[at:at + n]
        at += n
    ftyp, audio, moov = boxes[b"ftyp"], boxes[b"mdat"][8:], boxes[b"moov"]
    # The audio stays at the offset it had (after a free box and an 8-byte
    # header): a 16-byte header with a 64-bit size takes their place.
    mdat = size - len(ftyp) - len(moov)
    with open(path, "wb") as f:
        f.write(ftyp + struct.pack(">I4sQ", 1, b"mdat", mdat) + audio)
        f.seek(len(ftyp) + mdat)
        f.write(moov)


# --- PNG and TIFF -------------------------------------------------------------

def exif_tiff():
    """The TIFF data of the Exif segment of tests/data/exif_ii.jpg."""
    data = read_data("exif_ii.jpg")
    at = data.index(b"Exif\0\0")
    return data[at + 6:at - 2 + struct.unpack(">H", data[at - 2:at])[0]]


def png_chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def write_png(path, size):
    """A PNG of about `size` bytes: IHDR, gAMA, a text and a compressed one,
    an eXIf chunk (with a thumbnail), then IDAT chunks of 8 KiB (as libpng
    writes them), which the walk passes over, and IEND. The image, 4096
    pixels wide, is of pseudo-random bytes, stored in the zlib stream
    without compression."""
    pool = noise("png image data", MIB)
    row = 1 + 4096 * 3
    height = size // row
    raw = bytearray(row * height)
    for y in range(height):
        raw[y * row + 1:(y + 1) * row] = pool[y * row % (MIB - row):][:row - 1]
    data = zlib.compress(bytes(raw), 0)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", struct.pack(">IIBBBBB", 4096, height, 8, 2, 0, 0, 0)))
        f.write(png_chunk(b"gAMA", struct.pack(">I", 45455)) + png_chunk(b"tEXt", b"Title\0Benchmark image"))
        f.write(png_chunk(b"zTXt", b"Comment\0\0" + zlib.compress(b"synthesised image data " * 100)))
        f.write(png_chunk(b"eXIf", exif_tiff()))
        for at in range(0, len(data), 8192):
            f.write(png_chunk(b"IDAT", data[at:at + 8192]))
        f.write(png_chunk(b"IEND", b""))


def tiff_ifd(at, entries, link=0):
    """A little-endian directory at offset `at` of (tag, type, values) rows:
    values of up to 4 bytes in the entry, longer ones after the link."""
    sizes = {1: "B", 3: "H", 4: "I", 5: "II", 10: "ii"}
    head, tail = struct.pack("<H", len(entries)), b""
    for tag, kind, values in sorted(entries):
        raw = values if kind in (2, 7) else b"".join(struct.pack("<" + sizes[kind], *(v if isinstance(v, tuple) else (v,)))
                                                      for v in values)
        count = len(raw) // {1: 1, 2: 1, 3: 2, 4: 4, 5: 8, 7: 1, 10: 8}[kind]
        field = raw.ljust(4, b"\0") if len(raw) <= 4 else struct.pack("<I", at + 2 + 12 * len(entries) + 4 + len(tail))
        if len(raw) > 4:
            tail += raw + bytes(len(raw) % 2)
        head += struct.pack("<HHI", tag, kind, count) + field
    return head + struct.pack("<I", link) + tail


def write_tiff(path):
    """A camera-sized TIFF: 4000 x 3000 RGB pixels, uncompressed, in 1,500
    strips of two rows of pseudo-random bytes; then, after the image data as
    cameras and converters place them, IFD0 (the strip offsets and counts
    out of line), the Exif IFD, the GPS IFD and IFD1 with a JPEG thumbnail
    (tests/data/jpeg_baseline.jpg)."""
    width, height, rows = 4000, 3000, 2
    strip = width * 3 * rows
    strips = height // rows
    pool = noise("tiff image data", MIB)
    ifd0 = 8 + strip * strips
    thumb = read_data("jpeg_baseline.jpg")
    exif_at, gps_at, ifd1_at = ifd0 + 16384, ifd0 + 20480, ifd0 + 24576
    thumb_at = ifd1_at + 4096
    text = lambda t: t.encode() + b"\0"
    with open(path, "wb") as f:
        f.write(b"II*\0" + struct.pack("<I", ifd0))
        for i in range(strip * strips // MIB):
            f.write(pool)
        f.write(pool[:strip * strips % MIB])
        parts = {
            ifd0: tiff_ifd(ifd0, [
                (256, 4, [width]), (257, 4, [height]), (258, 3, [8, 8, 8]), (259, 3, [1]), (262, 3, [2]),
                (271, 2, text("Acme")), (272, 2, text("Acme Cam 2")), (273, 4, [8 + i * strip for i in range(strips)]),
                (274, 3, [1]), (277, 3, [3]), (278, 3, [rows]), (279, 4, [strip] * strips), (282, 5, [(300, 1)]),
                (283, 5, [(300, 1)]), (296, 3, [2]), (305, 2, text("bench/make_inputs.py")),
                (306, 2, text("2024:05:06 07:08:09")), (34665, 4, [exif_at]), (34853, 4, [gps_at])], link=ifd1_at),
            exif_at: tiff_ifd(exif_at, [
                (33434, 5, [(1, 125)]), (33437, 5, [(28, 10)]), (34855, 3, [200]), (36864, 7, b"0232"),
                (36867, 2, text("2024:05:06 07:08:09")), (37377, 10, [(7, 1)]), (37386, 5, [(35, 1)]),
                (40961, 3, [1]), (40962, 4, [width]), (40963, 4, [height]), (42036, 2, text("Acme 35mm"))]),
            gps_at: tiff_ifd(gps_at, [
                (0, 1, [2, 3, 0, 0]), (1, 2, b"N\0"), (2, 5, [(48, 1), (51, 1), (3024, 100)]), (3, 2, b"E\0"),
                (4, 5, [(2, 1), (17, 1), (4020, 100)])]),
            ifd1_at: tiff_ifd(ifd1_at, [(259, 3, [6]), (513, 4, [thumb_at]), (514, 4, [len(thumb)])]),
            thumb_at: thumb,
        }
        at = ifd0
        for offset in sorted(parts):
            f.write(bytes(offset - at) + parts[offset])
            at = offset + len(parts[offset])


# ----------------------------------------------------------------------------

def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)

    def path(name):
        return os.path.join(out, name)

    seeds = ["exif_ii.jpg", "flac_tagged.flac", "asf_wmav2_tags.wma", "ogg_vorbis_tags.ogg", "mp4_aac_cover.m4a",
             "jpeg_baseline.jpg"]
    digest = hashlib.sha256(open(os.path.abspath(__file__), "rb").read())
    for name in seeds:
        digest.update(read_data(name))
    for _, seed in MANY:
        digest.update(open(os.path.join(SEEDS, seed), "rb").read())
    for name in sorted(os.listdir(DATA)):
        digest.update(name.encode() + read_data(name))
    stamp = path(".stamp")
    if not os.path.exists(stamp) or open(stamp).read() != digest.hexdigest():
        for name in NAMES:
            if os.path.exists(path(name)):
                os.remove(path(name))
        for folder in ("many", "tree", "tree.part"):
            if os.path.isdir(path(folder)):
                shutil.rmtree(path(folder))

    def once(name, make):
        if not os.path.exists(path(name)):
            print("writing", path(name), flush=True)
            make(path(name) + ".part")
            os.replace(path(name) + ".part", path(name))

    jobs = [
        ("cbr.mp3", lambda p: write_mp3(p, 256 * MIB, vbr=False)),
        ("vbr.mp3", lambda p: write_mp3(p, 256 * MIB, vbr=True)),
        ("picture.flac", lambda p: write_flac(p, 4 * MIB, 100 * MIB)),
        ("image.jpg", lambda p: open(p, "wb").write(make_jpeg("jpeg entropy", 64 * MIB))),
        ("audio.wma", lambda p: write_wma(p, 128 * MIB)),
    ]
    for name, make in jobs:
        once(name, make)
    for name, make in [
        ("all.tar", lambda p: write_tar(p, [(n, path(n)) for n, _ in jobs], 1 << 30)),
        ("audio.ogg", lambda p: write_ogg(p, 256 * MIB)),
        ("large.m4a", lambda p: write_m4a(p, 2048 * MIB)),
        ("audio.wav", lambda p: write_wav(p, 1 << 30)),
        ("image.png", lambda p: write_png(p, 64 * MIB)),
        ("camera.tif", write_tiff),
        ("padding.flac", lambda p: write_padded_flac(p, 4 << 30)),
        ("huge-gnu.tar", lambda p: write_huge_tar(p, tarfile.GNU_FORMAT, 9 << 30)),
        ("huge-pax.tar", lambda p: write_huge_tar(p, tarfile.PAX_FORMAT, 9 << 30)),
    ]:
        once(name, make)
    os.makedirs(path("many"), exist_ok=True)
    for pattern, seed in MANY:
        data = open(os.path.join(SEEDS, seed), "rb").read()
        for i in range(COPIES):
            copy = os.path.join(path("many"), pattern % i)
            if not os.path.exists(copy):
                with open(copy, "wb") as f:
                    f.write(data)
    if not os.path.isdir(path("tree")):
        print("writing", path("tree"), flush=True)
        write_tree(path("tree") + ".part", TREE)
        os.replace(path("tree") + ".part", path("tree"))
    with open(stamp, "w") as f:
        f.write(digest.hexdigest())

if __name__ == "__main__":
    main()
