"""Byte builders for the hostile corpus: BMP, JPEG, PNG, icon and metafile headers, small
enough to write by hand, plus the picture size limits read from picture/limits.h so the
"at the limit" inputs follow the program's own numbers."""

import glob
import os
import re
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.dirname(os.path.dirname(HERE))


def _limits():
    text = open(os.path.join(SOURCE, "picture", "limits.h"), encoding="utf-8").read()
    values = {}
    for name, expr in re.findall(r"constexpr std::int64_t (k\w+) = ([^;]+);", text):
        expr = re.sub(r"std::int64_t\{(\d+)\}", r"\1", expr)
        expr = re.sub(r"//.*", "", expr)
        values[name] = int(eval(expr, {}, dict(values)))  # the constants are plain arithmetic
    return values


LIMITS = _limits()
MAX_DIMENSION = LIMITS["kMaxDimension"]
MAX_PICTURE_BYTES = LIMITS.get("kMaxPictureBytes", LIMITS.get("kMaxPixelBytes"))


def jpeg_code(name):
    """libjpeg's number for an error code name, counted from jerror.h as the library does."""
    version = 62
    for path in glob.glob("/usr/include/jconfig.h") + glob.glob("/usr/include/*/jconfig.h"):
        found = re.search(r"#define JPEG_LIB_VERSION\s+(\d+)", open(path).read())
        version = int(found.group(1)) if found else version
    names, keep = [], [True]
    for line in open("/usr/include/jerror.h", encoding="latin-1"):
        condition = re.match(r"#if JPEG_LIB_VERSION ([<>]=?) (\d+)", line)
        if condition:
            limit = int(condition.group(2))
            keep.append({"<": version < limit, ">=": version >= limit, ">": version > limit,
                         "<=": version <= limit}[condition.group(1)])
        elif re.match(r"#if", line):
            keep.append(True)
        elif re.match(r"#endif", line):
            keep.pop()
        elif all(keep):
            message = re.match(r"JMESSAGE\((\w+),", line)
            if message:
                names.append(message.group(1))
    return names.index(name)


def jpeg_error(name):
    return "JPEG error #%d" % jpeg_code(name)


# ---- BMP ------------------------------------------------------------------------------------


def bmp(width, height, bits, compression=0, pixels=b"", colors=None, image_size=0):
    """A BMP file with an information header; `pixels` may be far shorter than the rows."""
    if colors is None:
        colors = (1 << bits) if bits <= 8 else 0
    table = b"".join(struct.pack("<BBBB", i & 0xFF, (i * 7) & 0xFF, (i * 13) & 0xFF, 0)
                     for i in range(colors))
    offset = 14 + 40 + len(table)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, compression, image_size,
                       2835, 2835, colors, 0)
    head = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return head + info + table + pixels


def rle_end():
    return b"\x00\x01"  # end of bitmap


# ---- JPEG -----------------------------------------------------------------------------------


def _segment(marker, payload):
    return struct.pack(">BBH", 0xFF, marker, len(payload) + 2) + payload


def _dqt():
    return _segment(0xDB, b"\x00" + b"\x01" * 64)


def _dht():
    # One one-bit code for symbol 0 in DC table 0 and AC table 0: every block decodes as
    # "no change, end of block".
    counts = b"\x01" + b"\x00" * 15
    return _segment(0xC4, b"\x00" + counts + b"\x00") + _segment(0xC4, b"\x10" + counts + b"\x00")


def _sof(marker, width, height, components):
    payload = struct.pack(">BHHB", 8, height, width, components)
    for c in range(components):
        payload += struct.pack(">BBB", c + 1, 0x11, 0)
    return _segment(marker, payload)


def _sos(components, ss, se, ah_al):
    payload = struct.pack(">B", components)
    for c in range(components):
        payload += struct.pack(">BB", c + 1, 0x00)
    return _segment(0xDA, payload + struct.pack(">BBB", ss, se, ah_al))


def jpeg_no_data(width, height, components=1):
    """A baseline frame whose one scan has no entropy-coded data at all."""
    return (b"\xFF\xD8" + _dqt() + _dht() + _sof(0xC0, width, height, components) +
            _sos(components, 0, 63, 0) + b"\xFF\xD9")


def jpeg_progressive(width, height, scans, data=b"\x00\x00\x00\x00"):
    """A greyscale progressive frame: one DC scan, then `scans - 1` AC scans, each with a
    few bytes of data (every block ends at once), so each scan costs a pass over the frame."""
    out = b"\xFF\xD8" + _dqt() + _dht() + _sof(0xC2, width, height, 1)
    out += _sos(1, 0, 0, 0) + data
    for _ in range(scans - 1):
        out += _sos(1, 1, 63, 0) + data
    return out + b"\xFF\xD9"


# ---- PNG and icons --------------------------------------------------------------------------


def _chunk(kind, payload):
    return (struct.pack(">I", len(payload)) + kind + payload +
            struct.pack(">I", zlib.crc32(kind + payload) & 0xFFFFFFFF))


def png(width, height, idat=None):
    """An 8-bit greyscale PNG of zero pixels; `idat` replaces the compressed data."""
    header = _chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 0, 0, 0, 0))
    if idat is None:
        compressor = zlib.compressobj(9)
        row = b"\x00" * (width + 1)
        idat = b"".join(compressor.compress(row) for _ in range(height)) + compressor.flush()
    return b"\x89PNG\r\n\x1a\n" + header + _chunk(b"IDAT", idat) + _chunk(b"IEND", b"")


def png_with(width, height, chunks=b"", idat=None):
    """`png(width, height, idat)` with extra chunks (made by `chunk`) before its pixel data."""
    plain = png(width, height, idat)
    after_header = 8 + 25
    return plain[:after_header] + chunks + plain[after_header:]


def chunk(kind, payload):
    return _chunk(kind, payload)


def deflated_zeros(size, step=1 << 20):
    """`size` zero bytes as a zlib stream, made a step at a time."""
    compressor = zlib.compressobj(9)
    block = b"\x00" * step
    out = [compressor.compress(block) for _ in range(size // step)]
    return b"".join(out) + compressor.flush()


# ---- TGA ------------------------------------------------------------------------------------


def tga(width, height, pixels, image_type=10, bits=32, descriptor=0x28):
    """A TGA header (true colour, run-length, top-left origin, 8 alpha bits by default) and
    `pixels`, which may be far shorter than the picture."""
    header = struct.pack("<BBBHHBHHHHBB", 0, 0, image_type, 0, 0, 0, 0, 0, width, height, bits,
                         descriptor)
    return header + pixels


def icon(images):
    """An icon file with one directory entry per image (PNG or DIB bytes), sizes as 0 (256)."""
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for data in images:
        out += struct.pack("<BBBBHHII", 0, 0, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return out + b"".join(images)


# ---- Metafiles ------------------------------------------------------------------------------


def emf(frame, device_px, device_mm, records=b""):
    """An enhanced metafile: its header (frame in 0.01 mm, reference device in pixels and
    millimetres), `records`, then the end-of-file record."""
    eof = struct.pack("<IIIII", 14, 20, 0, 0, 20)
    header_size = 88
    total = header_size + len(records) + len(eof)
    header = struct.pack("<II", 1, header_size)
    header += struct.pack("<iiii", 0, 0, 100, 100)  # bounds
    header += struct.pack("<iiii", *frame)
    header += struct.pack("<IIIIHHIII", 0x464D4520, 0x10000, total, 2, 1, 0, 0, 0, 0)
    header += struct.pack("<ii", *device_px) + struct.pack("<ii", *device_mm)
    assert len(header) == header_size
    return header + records + eof


def placeable_wmf(left, top, right, bottom, units_per_inch, records=b""):
    """A placeable Windows metafile: the 22-byte placeable header, the standard header,
    `records` (16-bit words), then the end record."""
    words = struct.pack("<IHhhhhHI", 0x9AC6CDD7, 0, left, top, right, bottom, units_per_inch, 0)
    checksum = 0
    for i in range(10):
        checksum ^= struct.unpack_from("<H", words, i * 2)[0]
    placeable = words + struct.pack("<H", checksum)
    end = struct.pack("<IH", 3, 0)
    body = records + end
    size_words = (18 + len(body)) // 2
    header = struct.pack("<HHHIHIH", 1, 9, 0x300, size_words, 0, 3, 0)
    return placeable + header + body


# ---- Output ---------------------------------------------------------------------------------


class Corpus:
    """Writes inputs under an output folder and prints their lines for the runner."""

    def __init__(self, outdir):
        self.outdir = outdir
        os.makedirs(outdir, exist_ok=True)

    def path(self, relpath):
        full = os.path.join(self.outdir, relpath)
        os.makedirs(os.path.dirname(full), exist_ok=True)
        return full

    def save(self, relpath, data):
        with open(self.path(relpath), "wb") as f:
            f.write(data)

    def write(self, relpath, data, command, expected, *extra):
        self.save(relpath, data)
        self.line(relpath, command, expected, *extra)

    def catalogue(self, folder, lists):
        """A folder of the seven list files; `lists` maps a list file name to its text."""
        for name in LIST_FILES:
            self.save(folder + "/" + name, lists.get(name, "").encode("latin-1"))

    @staticmethod
    def line(relpath, command, expected, *extra):
        print("\t".join((relpath, command, expected) + tuple(e for e in extra if e)))


def list_file(records, path_of=lambda i: "part%d.bmp" % i):
    return "".join("<NEW>\r\n%s\r\nentry %d\r\n" % (path_of(i), i) for i in range(records))


LIST_FILES = ("e.ls", "p.ls", "c.ls", "h.ls", "k.ls", "j.ls", "b.ls")
