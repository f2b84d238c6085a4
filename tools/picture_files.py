"""Byte-exact writers for the picture files Vestura ships: BMP in every depth we use
(1, 4, 8 with or without RLE8, 16-bit 5-6-5 bit fields, 24), icons, placeable Windows
metafiles and enhanced metafiles. PIL is used only to hold pixels and to quantise."""

import struct

from PIL import Image, ImageDraw

FILE_HEADER_SIZE = 14
INFO_HEADER_SIZE = 40
BI_RGB, BI_RLE8, BI_BITFIELDS = 0, 1, 3
DEFAULT_PELS_PER_METER = 2834  # 72 dots per inch


def row_size(width, bits):
    return ((width * bits + 31) // 32) * 4


def file_header(total_size, pixel_offset):
    return b"BM" + struct.pack("<IHHI", total_size, 0, 0, pixel_offset)


def info_header(width, height, bits, compression=BI_RGB, image_size=0,
                pels_per_meter=DEFAULT_PELS_PER_METER, colors_used=0, colors_important=0):
    return struct.pack("<IiiHHIIiiII", INFO_HEADER_SIZE, width, height, 1, bits, compression,
                       image_size, pels_per_meter, pels_per_meter, colors_used, colors_important)


def color_table(palette):
    """palette: list of (r, g, b); entries are stored blue, green, red, 0."""
    return b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)


def assemble_bmp(width, height, bits, palette, pixel_bytes, compression=BI_RGB,
                 pels_per_meter=DEFAULT_PELS_PER_METER, colors_important=None, masks=b""):
    table = color_table(palette)
    offset = FILE_HEADER_SIZE + INFO_HEADER_SIZE + len(masks) + len(table)
    used = len(palette)
    header = info_header(width, height, bits, compression, len(pixel_bytes), pels_per_meter,
                         used, used if colors_important is None else colors_important)
    return file_header(offset + len(pixel_bytes), offset) + header + masks + table + pixel_bytes


def _indexed_rows(indexes, width, height, bits):
    """Packs rows of palette indexes bottom-up, each row padded to 4 bytes."""
    per_byte = 8 // bits
    out = bytearray()
    stride = row_size(width, bits)
    for y in range(height - 1, -1, -1):
        row = indexes[y * width:(y + 1) * width]
        packed = bytearray()
        for start in range(0, width, per_byte):
            value = 0
            for i in range(per_byte):
                value <<= bits
                if start + i < width:
                    value |= row[start + i]
            packed.append(value)
        out += packed + bytes(stride - len(packed))
    return bytes(out)


def bmp_indexed(indexes, width, height, palette, bits=8, **kwargs):
    assert max(indexes) < len(palette) <= (1 << bits)
    return assemble_bmp(width, height, bits, palette, _indexed_rows(indexes, width, height, bits),
                        **kwargs)


def bmp_24(image, pels_per_meter=DEFAULT_PELS_PER_METER):
    width, height = image.size
    pixels = image.convert("RGB").load()
    out = bytearray()
    pad = bytes(row_size(width, 24) - width * 3)
    for y in range(height - 1, -1, -1):
        for x in range(width):
            r, g, b = pixels[x, y]
            out += bytes((b, g, r))
        out += pad
    return assemble_bmp(width, height, 24, [], bytes(out), pels_per_meter=pels_per_meter)


def bmp_565(image):
    """16 bits per pixel with bit-field masks red 0xF800, green 0x07E0, blue 0x001F."""
    width, height = image.size
    pixels = image.convert("RGB").load()
    out = bytearray()
    pad = bytes(row_size(width, 16) - width * 2)
    for y in range(height - 1, -1, -1):
        for x in range(width):
            r, g, b = pixels[x, y]
            out += struct.pack("<H", ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3))
        out += pad
    masks = struct.pack("<III", 0xF800, 0x07E0, 0x001F)
    return assemble_bmp(width, height, 16, [], bytes(out), compression=BI_BITFIELDS, masks=masks)


def rle8_encode(indexes, width, height):
    """Encodes rows bottom-up: repeated runs as (count, index), varied stretches of three or
    more pixels in absolute mode (0, n, bytes, padded to a word), 0 0 after every row and
    0 1 at the end."""
    out = bytearray()
    for y in range(height - 1, -1, -1):
        row = indexes[y * width:(y + 1) * width]
        x = 0
        literal = []

        def flush_literal():
            while literal:
                chunk = literal[:255]
                del literal[:255]
                if len(chunk) < 3:
                    for value in chunk:
                        out.extend((1, value))
                else:
                    out.extend((0, len(chunk)))
                    out.extend(chunk)
                    if len(chunk) % 2:
                        out.append(0)

        while x < width:
            run = 1
            while x + run < width and run < 255 and row[x + run] == row[x]:
                run += 1
            if run >= 3:
                flush_literal()
                out.extend((run, row[x]))
            else:
                literal.extend(row[x:x + run])
            x += run
        flush_literal()
        out.extend((0, 0))
    out[-2:] = bytes((0, 1))  # the last row's end is the end of the bitmap
    return bytes(out)


def bmp_rle8(indexes, width, height, palette):
    data = rle8_encode(indexes, width, height)
    return assemble_bmp(width, height, 8, palette, data, compression=BI_RLE8)


# ---------------------------------------------------------------- palettes


def quantize(image, colors):
    """Returns (indexes, palette) for an RGB image with at most `colors` entries."""
    paletted = image.convert("RGB").quantize(colors=colors, method=Image.Quantize.MEDIANCUT,
                                             dither=Image.Dither.NONE)
    flat = paletted.getpalette()
    used = max(paletted.getdata()) + 1
    palette = [tuple(flat[i * 3:i * 3 + 3]) for i in range(used)]
    return list(paletted.getdata()), palette


def indexes_with_palette(image, palette):
    """Maps every pixel to the nearest palette colour (exact colours map to themselves)."""
    lookup = {colour: i for i, colour in enumerate(palette)}
    out = []
    for colour in image.convert("RGB").getdata():
        index = lookup.get(colour)
        if index is None:
            index = min(range(len(palette)), key=lambda i: sum(
                (a - b) ** 2 for a, b in zip(colour, palette[i])))
            lookup[colour] = index
        out.append(index)
    return out


def quantize_keeping(image, keep_colours, colors=256):
    """Palette for `image` that holds every colour of `keep_colours` exactly (bare skin, a
    key colour) plus quantised colours for the rest. Returns (indexes, palette)."""
    kept = sorted(set(keep_colours))[:colors]
    kept_set = set(kept)
    rest_pixels = [c for c in image.convert("RGB").getdata() if c not in kept_set]
    palette = list(kept)
    room = colors - len(kept)
    if rest_pixels and room > 0:
        rest = Image.new("RGB", (len(rest_pixels), 1))
        rest.putdata(rest_pixels)
        _, extra = quantize(rest, min(room, len(set(rest_pixels))))
        palette += [c for c in extra if c not in kept_set]
    palette = palette[:colors]
    return indexes_with_palette(image, palette), palette


# ---------------------------------------------------------------- icons


def ico_8bit(image):
    """A one-entry icon file from an RGBA image: 8-bit XOR colours (256-entry table) and a
    1-bit AND mask in which set bits are see-through."""
    width, height = image.size
    rgba = image.convert("RGBA")
    opaque = Image.new("RGB", image.size, (0, 0, 0))
    opaque.paste(rgba, mask=rgba.getchannel("A").point(lambda a: 255 if a >= 128 else 0))
    indexes, palette = quantize(opaque, 256)
    palette = palette + [(0, 0, 0)] * (256 - len(palette))
    alpha = list(rgba.getchannel("A").getdata())
    see_through = [1 if a < 128 else 0 for a in alpha]
    xor = _indexed_rows([0 if t else i for i, t in zip(indexes, see_through)], width, height, 8)
    and_mask = _indexed_rows(see_through, width, height, 1)
    header = struct.pack("<IiiHHIIiiII", INFO_HEADER_SIZE, width, height * 2, 1, 8, BI_RGB,
                         len(xor) + len(and_mask), 0, 0, 0, 0)
    dib = header + color_table(palette) + xor + and_mask
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", width % 256, height % 256, 0, 0, 1, 8, len(dib), 6 + 16)
    return directory + entry + dib


# ---------------------------------------------------------------- metafiles
#
# A drawing is a list of steps in pixel coordinates:
#   ("brush", (r, g, b)) or ("brush", None)   solid fill or hollow
#   ("pen", (r, g, b), width) or ("pen", None) solid outline or none
#   ("rect", l, t, r, b), ("ellipse", l, t, r, b), ("polygon", [(x, y), ...])
# The same list is rendered with PIL for previews and written as WMF or EMF.


def render_drawing(steps, size, scale=1):
    """What a metafile player draws: shapes over a transparent canvas."""
    canvas = Image.new("RGBA", (size[0] * scale, size[1] * scale), (0, 0, 0, 0))
    draw = ImageDraw.Draw(canvas)
    brush, pen, pen_width = None, (0, 0, 0), 1
    for step in steps:
        kind = step[0]
        if kind == "brush":
            brush = step[1]
        elif kind == "pen":
            pen = step[1]
            pen_width = step[2] if pen is not None else 0
        else:
            fill = brush + (255,) if brush else None
            outline = pen + (255,) if pen else None
            width = max(1, round(pen_width * scale)) if pen else 0
            if kind == "polygon":
                points = [(x * scale, y * scale) for x, y in step[1]]
                draw.polygon(points, fill=fill)
                if outline:
                    draw.line(points + points[:1], fill=outline, width=width)
            else:
                box = [step[1] * scale, step[2] * scale, step[3] * scale - 1, step[4] * scale - 1]
                shape = draw.rectangle if kind == "rect" else draw.ellipse
                shape(box, fill=fill, outline=outline, width=width)
    return canvas


def _colorref(rgb):
    r, g, b = rgb
    return r | (g << 8) | (b << 16)


WMF_UNITS_PER_INCH = 1440
WMF_UNITS_PER_PIXEL = 15  # 1440 / 96: the picture measures its pixel size on a 96-dpi screen


def wmf(steps, size):
    """Placeable Windows metafile whose size on a 96-dpi screen is `size` pixels."""
    k = WMF_UNITS_PER_PIXEL
    records = []
    used_slots = set()
    most_slots = 0
    selected = {}

    def record(function, *words):
        records.append(struct.pack("<IH", 3 + len(words), function)
                       + struct.pack("<%dh" % len(words), *words))

    def replace(kind, create_record):
        # A new object takes the lowest free handle slot; it is selected before the one it
        # replaces is deleted, so no selected object is ever deleted.
        nonlocal most_slots
        slot = min(set(range(len(used_slots) + 1)) - used_slots)
        used_slots.add(slot)
        most_slots = max(most_slots, len(used_slots))
        records.append(create_record())
        record(0x012D, slot)  # SelectObject
        if kind in selected:
            record(0x01F0, selected[kind])  # DeleteObject
            used_slots.discard(selected[kind])
        selected[kind] = slot

    width, height = size[0] * k, size[1] * k
    record(0x020B, 0, 0)  # SetWindowOrg(y, x)
    record(0x020C, height, width)  # SetWindowExt(y, x)
    # An invisible rectangle over the whole picture (no pen, no brush) for players that size
    # a metafile by what it draws rather than by its header.
    frame = [("pen", None), ("brush", None), ("rect", 0, 0, size[0], size[1])]
    for step in frame + list(steps):
        kind = step[0]
        if kind == "brush":
            style, colour = (0, _colorref(step[1])) if step[1] else (1, 0)  # BS_SOLID / BS_NULL
            replace("brush", lambda: struct.pack("<IHHIH", 7, 0x02FC, style, colour, 0))
        elif kind == "pen":
            if step[1]:
                style, pen_width, colour = 0, round(step[2] * k), _colorref(step[1])
            else:
                style, pen_width, colour = 5, 0, 0  # PS_NULL
            replace("pen", lambda: struct.pack("<IHHhhI", 8, 0x02FA, style, pen_width, 0, colour))
        elif kind in ("rect", "ellipse"):
            left, top, right, bottom = (round(v * k) for v in step[1:5])
            record(0x041B if kind == "rect" else 0x0418, bottom, right, top, left)
        elif kind == "polygon":
            points = [round(v * k) for point in step[1] for v in point]
            record(0x0324, len(step[1]), *points)
    record(0x0000)  # EOF
    body = b"".join(records)
    total_words = 9 + len(body) // 2
    largest = max(len(r) // 2 for r in records)
    meta_header = struct.pack("<HHHIHIH", 1, 9, 0x0300, total_words, most_slots, largest, 0)
    head = struct.pack("<IHhhhhHI", 0x9AC6CDD7, 0, 0, 0, width, height, WMF_UNITS_PER_INCH, 0)
    checksum = 0
    for (word,) in struct.iter_unpack("<H", head[:20]):
        checksum ^= word
    return head + struct.pack("<H", checksum) + meta_header + body


# The reference device of our enhanced metafiles: 1280 x 1024 pixels on 320 x 256 mm,
# 4 pixels per millimetre, so a frame of 25 x 0.01 mm per pixel gives the pixel size.
EMF_DEVICE_PIXELS = (1280, 1024)
EMF_DEVICE_MM = (320, 256)
EMF_FRAME_PER_PIXEL = 25
EMF_HEADER_SIZE = 108


def emf(steps, size):
    """Enhanced metafile whose frame measures `size` pixels on its reference device."""
    records = []
    selected = {}
    handle_count = 1  # handle 0 is the metafile itself
    bounds = [size[0], size[1], 0, 0]

    def record(kind, payload):
        records.append(struct.pack("<II", kind, 8 + len(payload)) + payload)

    def replace(kind, create):
        nonlocal handle_count
        handle = handle_count
        handle_count += 1
        create(handle)
        record(37, struct.pack("<I", handle))  # SelectObject
        if kind in selected:
            record(40, struct.pack("<I", selected[kind]))  # DeleteObject
        selected[kind] = handle

    def grow(points):
        for x, y in points:
            bounds[0], bounds[1] = min(bounds[0], x), min(bounds[1], y)
            bounds[2], bounds[3] = max(bounds[2], x), max(bounds[3], y)

    for step in steps:
        kind = step[0]
        if kind == "brush":
            style, colour = (0, _colorref(step[1])) if step[1] else (1, 0)
            replace("brush", lambda h: record(39, struct.pack("<IIII", h, style, colour, 0)))
        elif kind == "pen":
            style, width, colour = (0, round(step[2]), _colorref(step[1])) if step[1] else (5, 0, 0)
            replace("pen", lambda h: record(38, struct.pack("<IIiiI", h, style, width, 0, colour)))
        elif kind in ("rect", "ellipse"):
            left, top, right, bottom = (round(v) for v in step[1:5])
            grow([(left, top), (right - 1, bottom - 1)])
            record(43 if kind == "rect" else 42, struct.pack("<iiii", left, top, right, bottom))
        elif kind == "polygon":
            points = [(round(x), round(y)) for x, y in step[1]]
            grow(points)
            xs, ys = [p[0] for p in points], [p[1] for p in points]
            payload = struct.pack("<iiiiI", min(xs), min(ys), max(xs), max(ys), len(points))
            payload += b"".join(struct.pack("<hh", x, y) for x, y in points)
            record(86, payload)
    # Back to stock objects (WHITE_BRUSH, BLACK_PEN) before deleting the last of ours.
    record(37, struct.pack("<I", 0x80000000 | 0))
    record(37, struct.pack("<I", 0x80000000 | 7))
    for handle in sorted(selected.values()):
        record(40, struct.pack("<I", handle))
    record(14, struct.pack("<III", 0, 16, 20))  # EOF: no palette
    body = b"".join(records)
    total = EMF_HEADER_SIZE + len(body)
    frame = (0, 0, size[0] * EMF_FRAME_PER_PIXEL, size[1] * EMF_FRAME_PER_PIXEL)
    header = struct.pack(
        "<II4i4iIIIIHHIII2i2iIII2i",
        1, EMF_HEADER_SIZE, *bounds, *frame,
        0x464D4520, 0x00010000, total, len(records) + 1, handle_count, 0,
        0, 0, 0,  # no description, no palette
        *EMF_DEVICE_PIXELS, *EMF_DEVICE_MM,
        0, 0, 0,  # no pixel format, no OpenGL
        EMF_DEVICE_MM[0] * 1000, EMF_DEVICE_MM[1] * 1000)
    assert len(header) == EMF_HEADER_SIZE
    return header + body


# ---------------------------------------------------------------- self-checks


def check_wmf(data, size):
    """Walks a placeable metafile's records; raises AssertionError on any inconsistency."""
    key, _, left, top, right, bottom, inch, _, checksum = struct.unpack_from("<IHhhhhHIH", data)
    assert key == 0x9AC6CDD7
    words = struct.unpack_from("<10H", data)
    expected = 0
    for word in words:
        expected ^= word
    assert checksum == expected
    assert ((right - left) * 96 // inch, (bottom - top) * 96 // inch) == tuple(size)
    kind, header_words, _, total_words, _, largest, _ = struct.unpack_from("<HHHIHIH", data, 22)
    assert (kind, header_words) == (1, 9) and 22 + total_words * 2 == len(data)
    at = 22 + 18
    while True:
        words, function = struct.unpack_from("<IH", data, at)
        assert 3 <= words <= largest
        at += words * 2
        if function == 0:
            break
    assert at == len(data)


def check_emf(data, size):
    """Walks an enhanced metafile's records; raises AssertionError on any inconsistency."""
    kind, header_size = struct.unpack_from("<II", data)
    frame = struct.unpack_from("<4i", data, 24)
    signature, _, total, count = struct.unpack_from("<IIII", data, 40)
    device = struct.unpack_from("<2i", data, 72)
    mm = struct.unpack_from("<2i", data, 80)
    assert kind == 1 and signature == 0x464D4520 and total == len(data)
    for axis in (0, 1):
        pixels = (frame[axis + 2] - frame[axis]) * device[axis] / (mm[axis] * 100)
        assert pixels == size[axis], (pixels, size)
    at, seen = header_size, 1
    while at < len(data):
        kind, length = struct.unpack_from("<II", data, at)
        assert length >= 8 and length % 4 == 0
        at += length
        seen += 1
        if kind == 14:
            break
    assert at == len(data) and seen == count
