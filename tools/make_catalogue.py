#!/usr/bin/python3
"""Draws the sample catalogue that ships beside Vestura: part pictures under
catalogue/parts/ and the seven list files (e.ls, p.ls, c.ls, h.ls, k.ls, j.ls, b.ls).

Every picture is made for its preview slot and drawn over the matching piece of
assets/base_skin.bmp, so that it lines up with the face, torso, arms, legs and feet. Bitmaps
in every slot but the jeans are opaque, so they carry the base skin's own pixels wherever
nothing is worn; jeans bitmaps mark see-through pixels with magenta, also in their
bottom-left pixel. Icons and metafiles draw with their own transparency, and PNG and TGA
parts with their alpha: those hold only the worn part, with soft, see-through edges.

  tools/make_catalogue.py            write the catalogue
  tools/make_catalogue.py --preview  also write contact sheets to /tmp/vestura-preview/"""

import io
import math
import os
import random
import sys

from PIL import Image, ImageDraw, ImageFilter

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import make_assets as art  # noqa: E402
import picture_files as pf  # noqa: E402
from make_assets import Canvas  # noqa: E402

ROOT = art.ROOT
CATALOGUE = os.path.join(ROOT, "catalogue")
KEY = (255, 0, 255)  # the jeans slot leaves this colour out

# Slot positions on the skin and the sizes the pictures are made at.
SLOTS = {
    "e": ((160, 39), (96, 44)),
    "p": ((128, 0), (128, 128)),
    "c": ((216, 146), (40, 40)),
    "h": ((95, 0), (33, 84)),
    "k": ((87, 128), (105, 129)),
    "j": ((0, 84), (94, 172)),
    "b": ((0, 0), (56, 72)),
}

BASE = Image.open(os.path.join(ROOT, "assets", "base_skin.bmp")).convert("RGB")

GOLD, GOLD_DARK, GOLD_LIGHT = (226, 182, 64), (150, 108, 30), (250, 226, 140)
SILVER, SILVER_DARK, SILVER_LIGHT = (196, 200, 206), (110, 116, 126), (244, 246, 250)


def canvas(slot):
    origin, size = SLOTS[slot]
    return Canvas(size, (0, 0, 0, 0), "RGBA", origin)


def base_crop(slot):
    (x, y), (w, h) = SLOTS[slot]
    return BASE.crop((x, y, x + w, y + h))


def over_base(slot, layer):
    """The worn part laid over the base skin's own pixels for that slot."""
    picture = base_crop(slot).convert("RGBA")
    picture.alpha_composite(layer)
    return picture.convert("RGB")


def bare_colours(slot, layer):
    """Base skin colours left uncovered by the part: kept exact in indexed pictures."""
    alpha = layer.getchannel("A").getdata()
    return {c for c, a in zip(base_crop(slot).getdata(), alpha) if a == 0}


def noise(image, amount, seed, mask=None):
    rng = random.Random(seed)
    pixels = image.load()
    m = mask.load() if mask else None
    for y in range(image.size[1]):
        for x in range(image.size[0]):
            if m and not m[x, y]:
                continue
            d = rng.randint(-amount, amount)
            p = pixels[x, y]
            pixels[x, y] = tuple(max(0, min(255, v + d)) for v in p[:3]) + tuple(p[3:])
    return image


def with_alpha(image, alpha):
    """Scales a layer's opacity (tattoo ink, tinted lenses)."""
    a = image.getchannel("A").point(lambda v: int(v * alpha))
    image = image.copy()
    image.putalpha(a)
    return image


# ---------------------------------------------------------------- file kinds


def bmp24(image):
    return pf.bmp_24(image)


def bmp8(image, keep=()):
    indexes, palette = pf.quantize_keeping(image, keep, 256)
    return pf.bmp_indexed(indexes, image.size[0], image.size[1], palette, bits=8)


def rle8(image, keep=()):
    indexes, palette = pf.quantize_keeping(image, keep, 256)
    return pf.bmp_rle8(indexes, image.size[0], image.size[1], palette)


def bmp4(image, keep=()):
    indexes, palette = pf.quantize_keeping(image, keep, 16)
    return pf.bmp_indexed(indexes, image.size[0], image.size[1], palette, bits=4)


def bmp1(image, colours):
    indexes = pf.indexes_with_palette(image, list(colours))
    return pf.bmp_indexed(indexes, image.size[0], image.size[1], list(colours), bits=1)


def bmp565(image):
    return pf.bmp_565(image)


def png(image):
    out = io.BytesIO()
    image.convert("RGBA").save(out, "PNG", optimize=True)
    return out.getvalue()


def tga_rle(image):
    """32-bit run-length TGA, bottom-left origin, eight alpha bits."""
    out = io.BytesIO()
    image.convert("RGBA").save(out, "TGA", compression="tga_rle")
    return out.getvalue()


def soft(layer, radius):
    """Softens a layer's edges: its alpha blurred, its colours kept where it was drawn."""
    alpha = layer.getchannel("A").filter(ImageFilter.GaussianBlur(radius))
    solid = layer.convert("RGB")
    spread = layer.filter(ImageFilter.MaxFilter(3)).convert("RGB")  # colour for the new fringe
    colour = Image.composite(solid, spread, layer.getchannel("A").point(lambda v: 255 if v else 0))
    soft_layer = colour.convert("RGBA")
    soft_layer.putalpha(alpha)
    return soft_layer


def jpeg(image, grey=False, progressive=False):
    out = io.BytesIO()
    image.convert("L" if grey else "RGB").save(out, "JPEG", quality=90, progressive=progressive,
                                               optimize=False)
    return out.getvalue()


# ---------------------------------------------------------------- glasses (e)

EYES = (art.EYE_LEFT, art.EYE_RIGHT)
CX = art.FACE_CENTRE_X


def temples(steps, y, colour, thick=1.5):
    """The arms of a pair of glasses, from the lenses out to the sides of the face."""
    (lx, _), (rx, _) = EYES
    steps += [("pen", None), ("brush", colour),
              ("rect", 0, y - thick / 2, lx - 160 - 13, y + thick / 2),
              ("rect", rx - 160 + 13, y - thick / 2, 96, y + thick / 2)]


def aviators():
    steps = [("pen", GOLD_DARK, 1), ("brush", (58, 74, 60))]
    for ex, ey in EYES:
        ex, ey = ex - 160, ey - 39
        inward = 1 if ex < 48 else -1  # lenses drop towards the nose
        shape = [(-15, -8), (-5, -10), (5, -10), (15, -8), (16, -2), (13, 6), (6, 11), (-3, 11),
                 (-10, 8), (-15, 2)]
        steps.append(("polygon", [(ex + x * -inward, ey + y) for x, y in shape]))
    steps += [("pen", None), ("brush", (104, 124, 104))]
    for ex, ey in EYES:
        ex, ey = ex - 160, ey - 39
        steps.append(("polygon", [(ex - 9, ey - 6), (ex - 4, ey - 7), (ex - 10, ey + 2)]))
    steps += [("brush", GOLD), ("rect", 41, 11.5, 55, 13), ("rect", 43, 18, 53, 19)]
    temples(steps, 14, GOLD)
    return steps


def round_glasses():
    steps = [("pen", (22, 22, 26), 2), ("brush", (34, 30, 44))]
    for ex, ey in EYES:
        ex, ey = ex - 160, ey - 39
        steps.append(("ellipse", ex - 12, ey - 12, ex + 12, ey + 12))
    steps += [("pen", None), ("brush", (96, 84, 120))]
    for ex, ey in EYES:
        ex, ey = ex - 160, ey - 39
        steps.append(("ellipse", ex - 7, ey - 8, ex - 2, ey - 4))
    steps += [("brush", (22, 22, 26)), ("polygon", [(39, 17), (48, 14), (57, 17), (57, 19),
                                                    (48, 16), (39, 19)])]
    temples(steps, 17, (22, 22, 26), 2)
    return steps


def black_rims():
    c = canvas("e")
    for ex, ey in EYES:
        c.draw.rounded_rectangle(c.box(ex - 15, ey - 10, ex + 15, ey + 10), radius=5 * art.SUPER,
                                 fill=(200, 220, 235, 40), outline=(16, 16, 18, 255),
                                 width=3 * art.SUPER)
        c.line([(ex - 10, ey - 6), (ex - 5, ey - 8)], (255, 255, 255, 120), 1)
    c.line([(CX - 8, 56), (CX, 54), (CX + 8, 56)], (16, 16, 18, 255), 2)
    c.rect(160, 55, 173, 57, (16, 16, 18, 255))
    c.rect(243, 55, 256, 57, (16, 16, 18, 255))
    return c.result()


def pink_shades():
    c = canvas("e")
    for ex, ey in EYES:
        side = -1 if ex < CX else 1  # cat-eye corners sweep up at the outer side
        shape = [(ex - 15 * side, ey - 3), (ex - 8 * side, ey - 8), (ex + 8 * side, ey - 9),
                 (ex + 17 * side, ey - 14), (ex + 16 * side, ey), (ex + 9 * side, ey + 8),
                 (ex - 7 * side, ey + 8), (ex - 14 * side, ey + 3)]
        c.polygon(shape, (250, 250, 250, 255))
        inner = [((x - ex) * 0.8 + ex, (y - ey) * 0.75 + ey) for x, y in shape]
        c.polygon(inner, (236, 70, 150, 225))
        c.line([(ex - 8, ey - 3), (ex - 3, ey - 5)], (255, 190, 225, 220), 1.2)
    c.rect(CX - 6, 55, CX + 6, 57, (250, 250, 250, 255))
    c.rect(160, 54, 172, 56, (250, 250, 250, 255))
    c.rect(244, 54, 256, 56, (250, 250, 250, 255))
    return c.result()


def wraparounds():
    c = canvas("e")
    band = [(164, 50), (CX, 48), (252, 50), (250, 64), (236, 70), (220, 68), (CX + 4, 62),
            (CX - 4, 62), (196, 68), (180, 70), (166, 64)]
    c.polygon(band, (30, 34, 44, 255))
    layer = Image.new("RGBA", c.image.size)
    gradient = Image.linear_gradient("L").resize(c.image.size).rotate(90)
    mirror = Image.merge("RGB", (gradient.point(lambda v: 60 + v // 2),
                                 gradient.point(lambda v: 120 + v // 3),
                                 Image.new("L", c.image.size, 230)))
    mask = Image.new("L", c.image.size)
    inner = [((x - CX) * 0.93 + CX, (y - 59) * 0.78 + 59) for x, y in band]
    ImageDraw.Draw(mask).polygon(c.pts(inner), fill=255)
    layer.paste(mirror, mask=mask)
    c.image.alpha_composite(layer)
    c.line([(176, 53), (196, 52)], (235, 245, 255, 255), 1.5)
    c.line([(220, 52), (240, 53)], (235, 245, 255, 255), 1.5)
    c.rect(160, 53, 166, 57, (30, 34, 44, 255))
    c.rect(250, 53, 256, 57, (30, 34, 44, 255))
    return c.result()


def tinted_shades():
    """Sunglasses with a dark frame and green-grey lenses that let half the light through."""
    c = canvas("e")
    frame = (20, 22, 24, 255)
    for ex, ey in EYES:
        c.draw.rounded_rectangle(c.box(ex - 15, ey - 9, ex + 15, ey + 10), radius=6 * art.SUPER,
                                 fill=(46, 74, 62, 128), outline=frame, width=2 * art.SUPER)
        c.line([(ex - 10, ey - 5), (ex - 4, ey - 7)], (255, 255, 255, 150), 1)
    c.line([(CX - 8, 56), (CX, 53), (CX + 8, 56)], frame, 2)
    c.rect(160, 54, 173, 56, frame)
    c.rect(243, 54, 256, 56, frame)
    return soft(c.result(), 0.6)


# ---------------------------------------------------------------- beards and masks (p)

BEARD_HAIR = (66, 44, 30)


def beard_area(c, fill, cheek_top=82):
    """The region a full beard grows over: cheeks, jaw and chin, on the face and under the ear."""
    c.polygon([(160, cheek_top - 14), (168, cheek_top), (186, cheek_top + 8), (196, 92),
               (CX, 93), (220, 92), (230, cheek_top + 8), (248, cheek_top), (256, cheek_top - 14),
               (256, 128), (160, 128)], fill)
    c.polygon([(146, 92), (160, 68), (160, 128), (134, 128)], fill)


def mouth_hole(c):
    c.ellipse(CX - 15, art.MOUTH_Y - 6, CX + 15, art.MOUTH_Y + 8, (0, 0, 0, 0))


def hair_texture(layer, seed, colour, count, light=(104, 76, 54)):
    """Short strands over the opaque part of a hair layer."""
    rng = random.Random(seed)
    draw = ImageDraw.Draw(layer)
    w, h = layer.size
    alpha = layer.getchannel("A").load()
    for _ in range(count):
        x, y = rng.uniform(0, w), rng.uniform(0, h)
        if alpha[int(x), int(y)] < 200:
            continue
        draw.line([(x, y), (x + rng.uniform(-3, 3) * art.SUPER, y + rng.uniform(4, 8) * art.SUPER)],
                  fill=(light if rng.random() < 0.5 else colour) + (255,), width=art.SUPER // 2)


def stubble():
    c = canvas("p")
    beard_area(c, (255, 255, 255, 255))
    c.polygon([(CX - 18, 94), (CX + 18, 94), (CX + 16, 99), (CX - 16, 99)], (255, 255, 255, 255))
    mouth_hole(c)
    mask = c.result().getchannel("A")
    rng = random.Random(11)
    layer = Image.new("RGBA", mask.size, (0, 0, 0, 0))
    px, mk = layer.load(), mask.load()
    for y in range(mask.size[1]):
        for x in range(mask.size[0]):
            a = mk[x, y]
            if a:
                dot = rng.random() < 0.3
                px[x, y] = BEARD_HAIR + (int(a * (0.4 if dot else 0.14)),)
    return over_base("p", layer), layer


def goatee():
    c = canvas("p")
    hair = BEARD_HAIR + (255,)
    c.polygon([(CX - 17, 100), (CX - 12, 93), (CX, 95), (CX + 12, 93), (CX + 17, 100),
               (CX + 13, 98), (CX, 97), (CX - 13, 98)], hair)  # moustache
    c.polygon([(CX - 17, 100), (CX - 15, 112), (CX - 9, 124), (CX, 128), (CX + 9, 124),
               (CX + 15, 112), (CX + 17, 100), (CX + 13, 100), (CX + 10, 110), (CX - 10, 110),
               (CX - 13, 100)], hair)
    layer = c.image
    hair_texture(layer, 12, BEARD_HAIR, 500)
    layer = layer.resize((128, 128), Image.Resampling.LANCZOS)
    return over_base("p", layer), layer


def full_beard():
    c = canvas("p")
    hair = BEARD_HAIR + (255,)
    beard_area(c, hair, cheek_top=78)
    c.polygon([(CX - 18, 101), (CX - 13, 92), (CX, 94), (CX + 13, 92), (CX + 18, 101)], hair)
    c.ellipse(CX - 13, art.MOUTH_Y - 2, CX + 13, art.MOUTH_Y + 7, (0, 0, 0, 0))  # lips show
    layer = c.image
    hair_texture(layer, 13, BEARD_HAIR, 2500)
    layer = layer.resize((128, 128), Image.Resampling.LANCZOS)
    return over_base("p", layer), layer


def moustache():
    c = canvas("p")
    hair = BEARD_HAIR + (255,)
    c.polygon([(CX, 93), (CX + 8, 92), (CX + 16, 95), (CX + 22, 101), (CX + 25, 108),
               (CX + 20, 104), (CX + 14, 101), (CX, 99), (CX - 14, 101), (CX - 20, 104),
               (CX - 25, 108), (CX - 22, 101), (CX - 16, 95), (CX - 8, 92)], hair)
    layer = c.image
    hair_texture(layer, 14, BEARD_HAIR, 300)
    layer = layer.resize((128, 128), Image.Resampling.LANCZOS)
    return over_base("p", layer), layer


def balaclava():
    c = canvas("p")
    wool = (34, 34, 38, 255)
    c.rect(128, 0, 256, 128, wool)
    c.draw.rounded_rectangle(c.box(170, 49, 246, 71), radius=9 * art.SUPER, fill=(0, 0, 0, 0))
    c.ellipse(CX - 14, art.MOUTH_Y - 8, CX + 14, art.MOUTH_Y + 10, (0, 0, 0, 0))
    layer = c.result()
    draw = ImageDraw.Draw(layer)
    alpha = layer.getchannel("A").load()
    for x in range(128):  # knitted ribs
        if x % 3 == 0:
            for y in range(128):
                if alpha[x, y] == 255:
                    draw.point((x, y), fill=(52, 52, 58, 255))
    for box in ((41, 48, 119, 72), (CX - 128 - 15, art.MOUTH_Y - 9, CX - 128 + 15,
                                     art.MOUTH_Y + 11)):
        draw.rounded_rectangle(box, radius=10, outline=(62, 62, 70, 255), width=2)
    return over_base("p", layer), layer


# ---------------------------------------------------------------- chains and singlets (c)


def chain_links(drop, count=21):
    """Link centres of a chain lying round the base of the neck: a U from one side of the
    neck to the other, lowest over the breastbone."""
    points = []
    for i in range(count):
        a = math.pi * i / (count - 1)
        points.append((20 + 12.5 * math.cos(a), 1 + drop * math.sin(a)))
    return points


def gold_chain():
    steps = [("pen", GOLD_DARK, 0.5), ("brush", GOLD)]
    for i, (x, y) in enumerate(chain_links(24)):
        w, h = (2, 1.5) if i % 2 else (1.5, 2)
        steps.append(("ellipse", x - w, y - h, x + w, y + h))
    steps += [("brush", GOLD_LIGHT), ("ellipse", 16.5, 25, 23.5, 33), ("brush", GOLD),
              ("ellipse", 17.5, 26, 22.5, 32)]
    return steps


def silver_chain():
    steps = [("pen", SILVER_DARK, 0.5), ("brush", SILVER)]
    for x, y in chain_links(20, 19):
        steps.append(("rect", x - 1, y - 1, x + 1, y + 1))
    steps += [("brush", SILVER_LIGHT), ("polygon", [(19, 21), (21, 21), (21, 24), (24, 24),
                                                    (24, 26), (21, 26), (21, 33), (19, 33),
                                                    (19, 26), (16, 26), (16, 24), (19, 24)])]
    return steps


def singlet_layer(fabric, seed, binding=None):
    """A singlet front: deep scoop neck between the straps, armholes outside them."""
    c = canvas("c")
    c.rect(216, 146, 256, 186, fabric + (255,))
    for box in ((226, 120, 246, 172), (196, 110, 224, 168), (248, 110, 276, 168)):
        c.ellipse(*box, (0, 0, 0, 0))
    layer = c.result()
    if binding:
        edge = c.result().getchannel("A").point(lambda a: 255 if 0 < a < 255 else 0)
        layer.paste(binding + (255,), mask=edge)
    return noise(layer, 5, seed, layer.getchannel("A"))


def white_singlet():
    layer = singlet_layer((246, 246, 242), 21, binding=(222, 222, 216))
    draw = ImageDraw.Draw(layer)
    alpha = layer.getchannel("A").load()
    for x in range(0, 40, 2):  # ribbed cotton
        for y in range(40):
            if alpha[x, y] == 255:
                draw.point((x, y), fill=(236, 236, 230, 255))
    return over_base("c", layer), layer


def black_singlet():
    layer = singlet_layer((24, 24, 28), 22)
    return over_base("c", layer), layer


def striped_singlet():
    layer = singlet_layer((250, 250, 250), 23)
    draw = ImageDraw.Draw(layer)
    alpha = layer.getchannel("A").load()
    for y in range(40):
        if (y // 4) % 2:
            for x in range(40):
                if alpha[x, y] == 255:
                    draw.point((x, y), fill=(28, 44, 110, 255))
    return over_base("c", layer), layer


# ---------------------------------------------------------------- watches and tattoos (h)

ARM_X = 95  # the forearm's left edge on the skin
WRIST_Y = (art.WRIST_TOP + art.WRIST_BOTTOM) / 2


def gold_watch():
    y0, y1 = WRIST_Y - 5, WRIST_Y + 5
    steps = [("pen", None)]
    for i in range(11):
        steps += [("brush", GOLD if i % 2 else GOLD_DARK), ("rect", i * 3, y0, i * 3 + 3, y1)]
    cx = 16.5
    steps += [("pen", GOLD_DARK, 1), ("brush", GOLD), ("ellipse", cx - 9, WRIST_Y - 9, cx + 9,
                                                        WRIST_Y + 9),
              ("pen", None), ("brush", (246, 238, 214)),
              ("ellipse", cx - 6.5, WRIST_Y - 6.5, cx + 6.5, WRIST_Y + 6.5),
              ("brush", (40, 34, 30)),
              ("polygon", [(cx - 0.5, WRIST_Y), (cx + 0.5, WRIST_Y), (cx + 0.5, WRIST_Y - 5.5),
                           (cx - 0.5, WRIST_Y - 5.5)]),
              ("polygon", [(cx, WRIST_Y - 0.5), (cx, WRIST_Y + 0.5), (cx + 4, WRIST_Y + 0.5),
                           (cx + 4, WRIST_Y - 0.5)])]
    for angle in range(0, 360, 90):
        a = math.radians(angle)
        x, y = cx + math.cos(a) * 5, WRIST_Y + math.sin(a) * 5
        steps += [("brush", GOLD_DARK), ("rect", x - 0.75, y - 0.75, x + 0.75, y + 0.75)]
    return steps


def divers_watch():
    """An icon: rubber strap, blue bezel, black dial with bright markers."""
    s = art.SUPER
    image = Image.new("RGBA", (32 * s, 32 * s), (0, 0, 0, 0))
    d = ImageDraw.Draw(image)
    cx, cy = 16, WRIST_Y
    d.rectangle([0, (cy - 5) * s, 32 * s - 1, (cy + 5) * s], fill=(30, 30, 34, 255))
    for x in range(2, 32, 4):
        d.line([(x * s, (cy - 4) * s), (x * s, (cy + 4) * s)], fill=(56, 56, 62, 255), width=s // 2)
    d.ellipse([(cx - 10.5) * s, (cy - 10.5) * s, (cx + 10.5) * s, (cy + 10.5) * s],
              fill=(160, 166, 176, 255))
    d.ellipse([(cx - 9) * s, (cy - 9) * s, (cx + 9) * s, (cy + 9) * s], fill=(28, 70, 170, 255))
    d.ellipse([(cx - 6.5) * s, (cy - 6.5) * s, (cx + 6.5) * s, (cy + 6.5) * s],
              fill=(16, 16, 20, 255))
    for angle in range(0, 360, 30):
        a = math.radians(angle)
        x, y = cx + math.cos(a) * 5, cy + math.sin(a) * 5
        r = 0.9 if angle % 90 else 1.3
        d.ellipse([(x - r) * s, (y - r) * s, (x + r) * s, (y + r) * s], fill=(230, 240, 220, 255))
    d.line([(cx * s, cy * s), (cx * s, (cy - 4.5) * s)], fill=(250, 250, 250, 255), width=s)
    d.line([(cx * s, cy * s), ((cx + 3.5) * s, (cy + 1) * s)], fill=(250, 150, 40, 255), width=s)
    d.rectangle([(cx + 10) * s, (cy - 1.5) * s, (cx + 12) * s, (cy + 1.5) * s],
                fill=(180, 186, 196, 255))  # crown
    return image.resize((32, 32), Image.Resampling.LANCZOS)


INK = (34, 54, 86)


def anchor_tattoo():
    x, top, bottom = 16.5, 36, 74
    return [("pen", INK, 1.5), ("brush", None),
            ("ellipse", x - 3.5, top - 4, x + 3.5, top + 3),
            ("pen", None), ("brush", INK),
            ("rect", x - 1.5, top + 3, x + 1.5, bottom - 3),
            ("rect", x - 8, top + 8, x + 8, top + 11),
            ("polygon", [(x - 13, bottom - 14), (x - 10, bottom - 6), (x - 4, bottom - 1), (x, bottom),
                         (x + 4, bottom - 1), (x + 10, bottom - 6), (x + 13, bottom - 14),
                         (x + 10, bottom - 10), (x + 5, bottom - 5), (x, bottom - 4),
                         (x - 5, bottom - 5), (x - 10, bottom - 10)]),
            ("polygon", [(x - 15, bottom - 16), (x - 10, bottom - 14), (x - 13, bottom - 11)]),
            ("polygon", [(x + 15, bottom - 16), (x + 10, bottom - 14), (x + 13, bottom - 11)])]


def heart_tattoo():
    c = canvas("h")
    x, y = ARM_X + 16.5, 52
    outline, red = (30, 34, 40, 255), (196, 36, 48, 255)
    for fill, grow in ((outline, 1.5), (red, 0)):
        c.ellipse(x - 12 - grow, y - 10 - grow, x + grow, y + 2 + grow, fill)
        c.ellipse(x - grow, y - 10 - grow, x + 12 + grow, y + 2 + grow, fill)
        c.polygon([(x - 11.5 - grow, y - 1), (x + 11.5 + grow, y - 1), (x, y + 14 + grow * 1.5)],
                  fill)
    c.ellipse(x - 9, y - 7, x - 5, y - 3, (240, 140, 140, 255))
    banner = (236, 226, 190, 255)
    c.polygon([(ARM_X + 1, y - 3), (ARM_X + 32, y - 3), (ARM_X + 30, y + 1), (ARM_X + 32, y + 5),
               (ARM_X + 1, y + 5), (ARM_X + 3, y + 1)], outline)
    c.polygon([(ARM_X + 3, y - 2), (ARM_X + 30, y - 2), (ARM_X + 28.5, y + 1),
               (ARM_X + 30, y + 4), (ARM_X + 3, y + 4), (ARM_X + 4.5, y + 1)], banner)
    for i in range(5):  # a few strokes of lettering
        c.line([(ARM_X + 8 + i * 4, y - 0.5), (ARM_X + 10 + i * 4, y + 2.5)], outline, 0.8)
    layer = with_alpha(c.result(), 0.88)
    return over_base("h", layer), layer


def snake_tattoo():
    c = canvas("h")
    spine = [(ARM_X + 16.5 + 8 * math.sin(t / 5.0), 34 + t) for t in range(0, 46)]
    c.line(spine, (22, 60, 34, 255), 6)
    c.line(spine, (58, 140, 70, 255), 4)
    for i in range(0, len(spine) - 2, 3):
        (x0, y0), (x1, y1) = spine[i], spine[i + 2]
        c.line([(x0 - 1, y0), (x1 + 1, y1)], (200, 190, 70, 255), 0.8)
    hx, hy = spine[0]
    c.ellipse(hx - 4.5, hy - 7, hx + 4.5, hy + 3, (22, 60, 34, 255))
    c.ellipse(hx - 3.5, hy - 6, hx + 3.5, hy + 2, (58, 140, 70, 255))
    c.ellipse(hx - 2.5, hy - 4, hx - 1, hy - 2.5, (230, 200, 40, 255))
    c.ellipse(hx + 1, hy - 4, hx + 2.5, hy - 2.5, (230, 200, 40, 255))
    c.line([(hx, hy - 7), (hx, hy - 10), (hx - 1.5, hy - 12)], (190, 30, 40, 255), 0.8)
    c.line([(hx, hy - 10), (hx + 1.5, hy - 12)], (190, 30, 40, 255), 0.8)
    layer = with_alpha(c.result(), 0.9)
    return over_base("h", layer), layer


# ---------------------------------------------------------------- shirts (k)

SHIRT_W, SHIRT_H = 105, 129
SX, SY = 87, 128  # the shirt slot on the skin
MID = SX + SHIRT_W / 2


def finish_shirt(c, collar, buttons, seam, collar_style="points"):
    if collar_style == "points":
        c.polygon([(MID - 22, SY), (MID, SY + 10), (MID - 4, SY + 22), (MID - 26, SY + 8)], collar)
        c.polygon([(MID + 22, SY), (MID, SY + 10), (MID + 4, SY + 22), (MID + 26, SY + 8)], collar)
        c.line([(MID - 22, SY), (MID, SY + 10), (MID + 22, SY)], seam, 1)
        c.line([(MID - 26, SY + 8), (MID - 4, SY + 22), (MID, SY + 10)], seam, 1)
        c.line([(MID + 26, SY + 8), (MID + 4, SY + 22), (MID, SY + 10)], seam, 1)
    c.line([(MID + 3, SY + 14), (MID + 3, SY + SHIRT_H)], seam, 0.8)
    for y in range(SY + 30, SY + SHIRT_H - 6, 22):
        c.ellipse(MID - 2, y - 2, MID + 2, y + 2, buttons)
        c.line([(MID - 1, y), (MID + 1, y)], seam, 0.5)
    c.line([(SX + 3, SY), (SX + 3, SY + SHIRT_H)], seam, 0.8)
    c.line([(SX + SHIRT_W - 3, SY), (SX + SHIRT_W - 3, SY + SHIRT_H)], seam, 0.8)
    image = c.result()
    art.shade_columns(image, (0, 0, SHIRT_W, SHIRT_H), 0.18)
    return image


def hawaiian_shirt():
    c = Canvas((SHIRT_W, SHIRT_H), (24, 118, 170), "RGB", (SX, SY))
    rng = random.Random(31)
    for _ in range(14):  # leaves
        x, y = rng.uniform(SX, SX + SHIRT_W), rng.uniform(SY, SY + SHIRT_H)
        a = rng.uniform(0, math.pi)
        dx, dy = math.cos(a) * 9, math.sin(a) * 9
        c.polygon([(x - dx, y - dy), (x - dy * 0.35, y + dx * 0.35), (x + dx, y + dy),
                   (x + dy * 0.35, y - dx * 0.35)], (40, 150, 90))
        c.line([(x - dx, y - dy), (x + dx, y + dy)], (24, 100, 60), 0.6)
    for i in range(11):  # hibiscus flowers
        x, y = rng.uniform(SX, SX + SHIRT_W), rng.uniform(SY, SY + SHIRT_H)
        petal = (250, 110, 150) if i % 3 else (252, 244, 236)
        for k in range(5):
            a = k * 2 * math.pi / 5 + i
            px, py = x + math.cos(a) * 5, y + math.sin(a) * 5
            c.ellipse(px - 4.5, py - 4.5, px + 4.5, py + 4.5, petal)
        c.ellipse(x - 2, y - 2, x + 2, y + 2, (250, 210, 60))
    return finish_shirt(c, (30, 130, 186), (244, 240, 226), (16, 80, 120))


def striped_shirt():
    c = Canvas((SHIRT_W, SHIRT_H), (246, 246, 250), "RGB", (SX, SY))
    for x in range(SX, SX + SHIRT_W, 6):
        c.rect(x, SY, x + 2, SY + SHIRT_H, (64, 110, 196))
    return finish_shirt(c, (240, 240, 246), (250, 250, 250), (150, 160, 190))


def plain_polo():
    fabric, rib, seam = (238, 122, 104), (222, 104, 88), (180, 78, 64)
    c = Canvas((SHIRT_W, SHIRT_H), fabric, "RGB", (SX, SY))
    c.polygon([(MID - 20, SY), (MID + 20, SY), (MID + 24, SY + 8), (MID + 6, SY + 14),
               (MID - 6, SY + 14), (MID - 24, SY + 8)], rib)
    c.rect(MID - 4, SY + 10, MID + 4, SY + 36, rib)
    c.line([(MID - 4, SY + 10), (MID - 4, SY + 36), (MID + 4, SY + 36), (MID + 4, SY + 10)],
           seam, 0.8)
    for y in (SY + 18, SY + 28):
        c.ellipse(MID - 1.8, y - 1.8, MID + 1.8, y + 1.8, (250, 246, 240))
    c.rect(SX, SY + SHIRT_H - 9, SX + SHIRT_W, SY + SHIRT_H, rib)
    c.line([(SX + 3, SY), (SX + 3, SY + SHIRT_H)], seam, 0.8)
    c.line([(SX + SHIRT_W - 3, SY), (SX + SHIRT_W - 3, SY + SHIRT_H)], seam, 0.8)
    image = c.result()
    art.shade_columns(image, (0, 0, SHIRT_W, SHIRT_H), 0.18)
    return noise(image, 3, 33)


def pink_jacket():
    pink, lapel, seam = (236, 128, 170), (214, 100, 148), (150, 60, 100)
    c = Canvas((SHIRT_W, SHIRT_H), pink, "RGB", (SX, SY))
    c.polygon([(MID - 16, SY), (MID + 16, SY), (MID + 4, SY + 70), (MID - 4, SY + 70)],
              (150, 210, 240))  # pale blue tee under the jacket
    c.ellipse(MID - 12, SY - 8, MID + 12, SY + 8, (120, 186, 224))
    for side in (-1, 1):
        c.polygon([(MID + side * 16, SY), (MID + side * 28, SY), (MID + side * 22, SY + 20),
                   (MID + side * 27, SY + 26), (MID + side * 4, SY + 70)], lapel)
        c.line([(MID + side * 16, SY), (MID + side * 4, SY + 70)], seam, 0.8)
        c.line([(MID + side * 22, SY + 20), (MID + side * 27, SY + 26), (MID + side * 4, SY + 70)],
               seam, 0.8)
        c.rect(MID + side * 32 - 9, SY + 92, MID + side * 32 + 9, SY + 94, seam)  # pockets
    c.polygon([(MID + 26, SY + 34), (MID + 38, SY + 34), (MID + 36, SY + 28), (MID + 30, SY + 27)],
              (250, 250, 250))  # pocket square
    c.rect(MID + 24, SY + 34, MID + 40, SY + 36, seam)
    c.line([(MID - 4, SY + 70), (MID - 6, SY + SHIRT_H)], seam, 1)
    for y in (SY + 78, SY + 98):
        c.ellipse(MID - 8, y - 2.5, MID - 3, y + 2.5, (60, 40, 50))
    image = c.result()
    art.shade_columns(image, (0, 0, SHIRT_W, SHIRT_H), 0.2)
    return image


def check_shirt():
    c = Canvas((SHIRT_W, SHIRT_H), (236, 236, 236), "RGB", (SX, SY))
    for x in range(SX, SX + SHIRT_W, 10):
        c.rect(x, SY, x + 5, SY + SHIRT_H, (150, 150, 150))
    for y in range(SY, SY + SHIRT_H, 10):
        c.rect(SX, y, SX + SHIRT_W, y + 5, (150, 150, 150))
    for x in range(SX, SX + SHIRT_W, 10):
        for y in range(SY, SY + SHIRT_H, 10):
            c.rect(x, y, x + 5, y + 5, (40, 40, 40))
    return finish_shirt(c, (220, 220, 220), (250, 250, 250), (70, 70, 70))


# ---------------------------------------------------------------- jeans (j)

JX, JY = 0, 84
SPLIT, RIGHT = art.LEG_SPLIT_X, art.LEGS_RIGHT


def jeans(denim, stitch, seed, twill=10, fade=None):
    """Jeans over both legs; belt, the torso's edge and the bottom-left pixel stay magenta."""
    c = Canvas((94, 172), KEY, "RGB", (JX, JY))
    c.rect(0, 93, RIGHT, 256, denim)
    if fade:  # worn, lighter patches over the thighs and knees
        patches = Image.new("L", c.image.size, 0)
        draw = ImageDraw.Draw(patches)
        for leg in (0, SPLIT):
            draw.ellipse(c.box(leg + 10, 150, leg + 34, 198), fill=170)
            draw.ellipse(c.box(leg + 12, 100, leg + 32, 132), fill=120)
        patches = patches.filter(ImageFilter.GaussianBlur(5 * art.SUPER))
        c.image.paste(fade, mask=patches)
    c.line([(SPLIT, 93), (SPLIT, 256)], stitch, 0.8)
    c.line([(SPLIT - 5, 93), (SPLIT - 5, 122), (SPLIT, 128)], stitch, 0.8)  # fly
    c.arc(-14, 73, 16, 113, 0, 90, stitch, 0.8)  # pockets
    c.arc(RIGHT - 16, 73, RIGHT + 14, 113, 90, 180, stitch, 0.8)
    for x, y in ((13, 95), (RIGHT - 13, 95)):
        c.ellipse(x - 1.2, y - 1.2, x + 1.2, y + 1.2, (210, 180, 110))  # rivets
    for x in (2, SPLIT - 2, SPLIT + 2, RIGHT - 2):
        c.line([(x, 93), (x, 256)], stitch, 0.6)  # outer and inner leg seams
    c.rect(0, 249, RIGHT, 256, tuple(max(0, v - 18) for v in denim))  # hem
    c.line([(0, 250), (RIGHT, 250)], stitch, 0.6)
    image = c.result()
    # Twill grain on the cloth only, then the key colour restored exactly.
    cloth = Image.new("L", image.size, 0)
    ImageDraw.Draw(cloth).rectangle([0, 93 - JY, RIGHT - 1, 171], fill=255)
    noise(image, twill // 2, seed, cloth)
    for leg_x, leg_w in ((0, SPLIT), (SPLIT, RIGHT - SPLIT)):
        art.shade_columns(image, (leg_x, 9, leg_w, 163), 0.25)
    return keyed_jeans(image)


def keyed_jeans(image):
    """Keys out what the base skin shows through: the belt rows, the columns the shirt
    covers, and the bottom-left pixel that names the key colour."""
    pixels = image.load()
    for y in range(172):
        for x in range(94):
            if x >= RIGHT or y < 93 - JY:
                pixels[x, y] = KEY
    pixels[0, 171] = KEY
    return image


def blue_jeans():
    return jeans((54, 86, 150), (206, 140, 62), 41, fade=(74, 108, 170))


def black_jeans():
    return jeans((38, 38, 44), (96, 96, 104), 42, twill=4)


def white_jeans():
    return jeans((236, 236, 228), (200, 200, 192), 43, twill=6)


def ripped_jeans():
    image = jeans((118, 160, 210), (220, 150, 70), 44, fade=(150, 186, 226))
    draw = ImageDraw.Draw(image)
    for cx in (20, SPLIT + 22):
        y = 172 - JY
        draw.ellipse([cx - 8, y - 4, cx + 8, y + 4], fill=(226, 174, 132))  # a knee shows through
        for k in (-3, 0, 3):
            draw.line([(cx - 8, y + k), (cx + 8, y + k)], fill=(240, 240, 236), width=1)
    return image


def camo_trousers():
    c = Canvas((94, 172), KEY, "RGB", (JX, JY))
    c.rect(0, 93, RIGHT, 256, (120, 124, 80))
    rng = random.Random(45)
    for colour in ((86, 96, 58), (150, 132, 90), (60, 52, 40)):
        for _ in range(26):
            x, y = rng.uniform(0, RIGHT), rng.uniform(93, 256)
            blob = [(x + math.cos(a) * rng.uniform(4, 9), y + math.sin(a) * rng.uniform(4, 9))
                    for a in [k * math.pi / 4 for k in range(8)]]
            c.polygon(blob, colour)
    c.rect(RIGHT, 84, 94, 256, KEY)
    c.line([(SPLIT, 93), (SPLIT, 256)], (50, 50, 36), 1)
    for leg in (0, SPLIT):
        c.rect(leg + 6, 150, leg + 20, 166, (104, 110, 70))  # cargo pockets
        c.line([(leg + 6, 153), (leg + 20, 153)], (50, 50, 36), 0.8)
    image = c.result()
    return keyed_jeans(image)


# ---------------------------------------------------------------- boots (b)


def shoes_canvas():
    return Canvas((56, 72), (0, 0, 0, 0), "RGBA", (0, 0))


def cowboy_boots():
    c = shoes_canvas()
    leather, dark, stitch = (176, 108, 56), (112, 64, 32), (236, 206, 150)
    for left in (0, 28):
        c.polygon([(left + 1, 0), (left + 27, 0), (left + 27, 52), (left + 20, 66), (left + 8, 66),
                   (left + 1, 52)], leather)
        c.rect(left + 1, 0, left + 27, 6, dark)  # shaft top
        c.arc(left + 5, 10, left + 23, 30, 20, 160, stitch, 0.8)
        c.arc(left + 7, 18, left + 21, 36, 200, 340, stitch, 0.8)
        c.line([(left + 14, 30), (left + 14, 44)], stitch, 0.8)
        c.polygon([(left + 6, 50), (left + 22, 50), (left + 18, 64), (left + 10, 64)], dark)
        c.rect(left + 4, 65, left + 24, 72, (52, 34, 22))  # sole and heel
    layer = c.result()
    return over_base("b", layer)


def sneakers():
    c = shoes_canvas()
    for left in (0, 28):
        c.rect(left, 0, left + 28, 9, (236, 236, 232, 255))  # sock
        c.polygon([(left + 1, 8), (left + 27, 8), (left + 27, 60), (left + 23, 66),
                   (left + 5, 66), (left + 1, 60)], (248, 248, 246, 255))
        c.ellipse(left + 3, 44, left + 25, 66, (232, 232, 230, 255))  # toe box
        c.polygon([(left + 2, 40), (left + 26, 28), (left + 26, 32), (left + 2, 46)],
                  (214, 40, 52, 255))
        c.polygon([(left + 2, 48), (left + 26, 36), (left + 26, 39), (left + 2, 52)],
                  (214, 40, 52, 255))
        c.rect(left + 9, 10, left + 19, 36, (226, 226, 224, 255))  # tongue
        for j in range(4):
            y = 14 + j * 5
            c.line([(left + 8, y), (left + 20, y)], (170, 170, 176, 255), 1.2)
        c.rect(left + 1, 64, left + 27, 72, (220, 180, 120, 255))  # gum sole
        c.line([(left + 2, 64), (left + 26, 64)], (186, 146, 90, 255), 0.8)
    return over_base("b", c.result())


def loafers():
    c = shoes_canvas()
    leather, strap = (110, 30, 38, 255), (86, 20, 28, 255)
    for left in (0, 28):
        c.rect(left, 0, left + 28, 24, (238, 238, 234, 255))  # socks show above a low shoe
        c.polygon([(left + 1, 22), (left + 27, 22), (left + 27, 58), (left + 22, 66),
                   (left + 6, 66), (left + 1, 58)], leather)
        c.polygon([(left + 5, 30), (left + 23, 30), (left + 23, 36), (left + 5, 36)], strap)
        c.rect(left + 11, 31, left + 17, 35, (20, 10, 12, 255))  # the penny slot
        c.arc(left + 4, 36, left + 24, 60, 0, 180, strap, 1)
        c.rect(left + 1, 65, left + 27, 72, (28, 20, 18, 255))
    return over_base("b", c.result())


def flip_flops():
    c = shoes_canvas()
    skin, shade = art.SKIN + (255,), art.SKIN_SHADE + (255,)
    rubber, rubber_edge, strap = (250, 206, 40, 255), (206, 160, 20, 255), (30, 120, 220, 255)
    c.rect(0, 0, 56, 72, art.VOID + (255,))  # no shoe: the texture around the feet is unused
    for left in (0, 28):
        c.draw.rounded_rectangle(c.box(left + 1, 30, left + 27, 72), radius=6 * art.SUPER,
                                 fill=rubber_edge)
        c.draw.rounded_rectangle(c.box(left + 2, 31, left + 26, 71), radius=5 * art.SUPER,
                                 fill=rubber)
        c.rect(left + 3, 0, left + 25, 52, skin)  # bare foot
        widths = (6.5, 4.6, 4.2, 3.8, 3.4) if left else (3.4, 3.8, 4.2, 4.6, 6.5)
        x = left + 3
        for i, w in enumerate(widths):
            big = w > 6
            bottom = 66 - abs(i - (0 if left else 4)) * 1.2
            c.draw.rounded_rectangle(c.box(x, 46, x + w, bottom), radius=1.6 * art.SUPER,
                                     fill=skin, outline=shade, width=art.SUPER // 2)
            c.draw.rounded_rectangle(c.box(x + 0.9, bottom - (4.5 if big else 3.5), x + w - 0.9,
                                           bottom - 0.8), radius=art.SUPER, fill=(244, 214, 204, 255))
            x += w + 0.2
        post = left + (10 if left else 18)  # the strap's post sits between the first two toes
        c.line([(left + 3, 40), (post, 48), (left + 25, 40)], strap, 3)
        c.ellipse(post - 1.5, 46.5, post + 1.5, 49.5, strap)
    image = over_base("b", c.result())
    for left in (0, 28):
        art.shade_columns(image, (left + 3, 0, 22, 46), 0.25)
    return image


def work_boots():
    c = shoes_canvas()
    nubuck, dark = (200, 150, 72, 255), (150, 104, 40, 255)
    for left in (0, 28):
        c.polygon([(left + 1, 0), (left + 27, 0), (left + 27, 58), (left + 23, 64), (left + 5, 64),
                   (left + 1, 58)], nubuck)
        c.rect(left + 1, 0, left + 27, 6, (120, 80, 40, 255))  # padded collar
        c.rect(left + 9, 6, left + 19, 40, dark)
        for j in range(6):
            y = 9 + j * 5
            c.ellipse(left + 7, y - 1.2, left + 9.4, y + 1.2, (60, 60, 60, 255))
            c.ellipse(left + 18.6, y - 1.2, left + 21, y + 1.2, (60, 60, 60, 255))
            c.line([(left + 8, y), (left + 20, y + 2)], (50, 30, 20, 255), 1)
        c.ellipse(left + 3, 44, left + 25, 64, (186, 136, 60, 255))
        c.rect(left + 1, 63, left + 27, 72, (30, 26, 24, 255))
        for x in range(left + 3, left + 26, 4):
            c.rect(x, 69, x + 2, 72, (60, 54, 50, 255))  # lugs
    return noise(over_base("b", c.result()), 4, 51)


def soft_stubble():
    return soft(stubble()[1], 0.8)


def faded_heart():
    return with_alpha(soft(heart_tattoo()[1], 0.7), 0.7)


def tooth_cord():
    """A leather cord round the neck with a shark's tooth, for the TGA entry."""
    c = canvas("c")
    cord = [(216 + x, 146 + y) for x, y in chain_links(22)]
    c.line(cord, (92, 58, 30, 255), 1.4)
    tx, ty = 216 + 20, 146 + 23
    c.polygon([(tx - 3.5, ty), (tx + 3.5, ty), (tx + 0.5, ty + 10), (tx - 0.5, ty + 10)],
              (240, 234, 214, 255))
    c.line([(tx - 3.5, ty), (tx + 3.5, ty)], (92, 58, 30, 255), 1.5)
    return soft(c.result(), 0.5)


def denim_shorts():
    """Blue jeans cut off above the knee, the hem frayed: the legs show below it."""
    image = blue_jeans().convert("RGBA")
    rng = random.Random(44)
    hem = 176 - JY
    px = image.load()
    for x in range(image.size[0]):
        edge = hem + rng.uniform(-2.5, 2.5)
        for y in range(image.size[1]):
            r, g, b, _ = px[x, y]
            fade = max(0.0, min(1.0, (edge - y) / 4 + 0.5))
            alpha = 0 if (r, g, b) == KEY else int(255 * fade)
            px[x, y] = (r, g, b, alpha)
    return image


# ---------------------------------------------------------------- the catalogue


def layered(build, writer):
    """For a part drawn as (picture, worn layer): writes it keeping bare skin exact."""
    def make(slot):
        picture, layer = build()
        return writer(picture, bare_colours(slot, layer))
    return make


def plain(build, writer):
    return lambda slot: writer(build())


def metafile(steps_of, writer):
    def make(slot):
        data = writer(steps_of(), SLOTS[slot][1])
        (pf.check_wmf if writer is pf.wmf else pf.check_emf)(data, SLOTS[slot][1])
        return data
    make.steps = steps_of
    return make


def jeans_writer(fn):
    return lambda image: fn(image, {KEY})


CATEGORIES = [
    ("e", "glasses", "Eye-glasses", [
        ("aviators.wmf", "Aviator sunglasses", metafile(aviators, pf.wmf)),
        ("round.emf", "Round sunglasses", metafile(round_glasses, pf.emf)),
        ("black_rims.bmp", "Black-rimmed glasses", layered(lambda: pair(black_rims, "e"), bmp8)),
        ("pink_shades.bmp", "Pink cat-eye shades", layered(lambda: pair(pink_shades, "e"), rle8)),
        ("wraparounds.bmp", "Mirror wraparounds",
         layered(lambda: pair(wraparounds, "e"), lambda p, k: bmp24(p))),
        ("tinted_shades.png", "Tinted half-transparent sunglasses", plain(tinted_shades, png)),
    ]),
    ("p", "faces", "Beard, moustache or mask", [
        ("stubble.bmp", "Stubble", layered(stubble, lambda p, k: bmp24(p))),
        ("goatee.bmp", "Goatee", layered(goatee, bmp8)),
        ("full_beard.bmp", "Full beard", layered(full_beard, rle8)),
        ("moustache.bmp", "Handlebar moustache", layered(moustache, lambda p, k: bmp24(p))),
        ("balaclava.bmp", "Balaclava", layered(balaclava, lambda p, k: bmp4(p))),
        ("soft_stubble.png", "Soft stubble shadow", plain(soft_stubble, png)),
    ]),
    ("c", "chains", "Chain or singlet", [
        ("gold_chain.wmf", "Gold chain", metafile(gold_chain, pf.wmf)),
        ("silver_cross.emf", "Silver chain with cross", metafile(silver_chain, pf.emf)),
        ("white_singlet.bmp", "White singlet", layered(white_singlet, lambda p, k: bmp24(p))),
        ("black_singlet.bmp", "Black singlet",
         layered(black_singlet, lambda p, k: bmp1(p, [(24, 24, 28), art.SKIN]))),
        ("sailor_singlet.bmp", "Sailor-striped singlet", layered(striped_singlet,
                                                                 lambda p, k: bmp4(p))),
        ("tooth_cord.tga", "Leather cord with shark tooth", plain(tooth_cord, tga_rle)),
    ]),
    ("h", "arms", "Hours or figure", [
        ("gold_watch.wmf", "Gold watch", metafile(gold_watch, pf.wmf)),
        ("divers_watch.ico", "Diver's watch", plain(divers_watch, pf.ico_8bit)),
        ("anchor.emf", "Anchor tattoo", metafile(anchor_tattoo, pf.emf)),
        ("heart.bmp", "Heart tattoo", layered(heart_tattoo, bmp8)),
        ("snake.bmp", "Snake tattoo", layered(snake_tattoo, lambda p, k: bmp565(p))),
        ("faded_heart.png", "Faded heart tattoo", plain(faded_heart, png)),
    ]),
    ("k", "shirts", "Shirt", [
        ("hawaiian.jpg", "Hawaiian shirt", plain(hawaiian_shirt,
                                                 lambda i: jpeg(i, progressive=True))),
        ("striped.jpg", "Striped shirt", plain(striped_shirt, jpeg)),
        ("polo.bmp", "Plain polo (coral)", plain(plain_polo, bmp24)),
        ("pink_suit.jpeg", "Pink suit jacket", plain(pink_jacket, jpeg)),
        ("check.jpg", "Black and white check shirt", plain(check_shirt,
                                                           lambda i: jpeg(i, grey=True))),
    ]),
    ("j", "jeans", "Jeans", [
        ("blue.bmp", "Blue jeans", plain(blue_jeans, bmp24)),
        ("black.bmp", "Black jeans", plain(black_jeans, jeans_writer(rle8))),
        ("white.bmp", "White jeans", plain(white_jeans, jeans_writer(bmp8))),
        ("ripped.bmp", "Ripped light-blue jeans", plain(ripped_jeans, bmp565)),
        ("camo.bmp", "Camouflage trousers", plain(camo_trousers, jeans_writer(bmp4))),
        ("denim_shorts.png", "Cut-off denim shorts", plain(denim_shorts, png)),
    ]),
    ("b", "boots", "Boots", [
        ("cowboy.bmp", "Cowboy boots", plain(cowboy_boots, bmp24)),
        ("sneakers.bmp", "White sneakers", plain(sneakers, bmp8)),
        ("loafers.bmp", "Penny loafers", plain(loafers, rle8)),
        ("flip_flops.bmp", "Flip-flops", plain(flip_flops, bmp8)),
        ("work_boots.bmp", "Work boots", plain(work_boots, bmp565)),
    ]),
]


def pair(draw_layer, slot):
    layer = draw_layer()
    return over_base(slot, layer), layer


def list_file(title, folder, entries):
    lines = ["; " + title + " - the Vestura sample catalogue",
             "; Each entry is three lines: <NEW>, the picture under the program folder, the caption.",
             ""]
    for i, (name, caption, _) in enumerate(entries):
        if i == 3:
            lines += ["", "; more of the same"]
        lines += ["<NEW>", "parts\\%s\\%s" % (folder, name), caption]
        if i % 2 == 1:
            lines.append("")
    return ("\r\n".join(lines) + "\r\n").encode("ascii")


def write_catalogue():
    written = []
    for slot, folder, title, entries in CATEGORIES:
        os.makedirs(os.path.join(CATALOGUE, "parts", folder), exist_ok=True)
        for name, _, make in entries:
            path = os.path.join(CATALOGUE, "parts", folder, name)
            with open(path, "wb") as f:
                f.write(make(slot))
            written.append((slot, path, make))
        with open(os.path.join(CATALOGUE, slot + ".ls"), "wb") as f:
            f.write(list_file(title, folder, entries))
    return written


# ---------------------------------------------------------------- checking by eye


def as_drawn(slot, path, make):
    """What the preview shows for a part file: opaque, keyed or with its own transparency."""
    if hasattr(make, "steps"):
        return pf.render_drawing(make.steps(), SLOTS[slot][1])
    image = Image.open(path)
    image.load()
    if path.endswith((".ico", ".png", ".tga")):
        return image.convert("RGBA")
    image = image.convert("RGB").convert("RGBA")
    if slot == "j" and path.endswith(".bmp"):
        key = image.getpixel((0, image.size[1] - 1))
        data = [(0, 0, 0, 0) if p == key else p for p in image.getdata()]
        image.putdata(data)
    return image


def preview(written, folder):
    """One sheet per category: the plain base skin, then each entry laid over it, with an
    enlarged view of the slot below each."""
    os.makedirs(folder, exist_ok=True)
    for slot, ((x, y), (w, h)) in SLOTS.items():
        parts = [(p, m) for s, p, m in written if s == slot]
        around = (max(0, x - 8), max(0, y - 8), min(256, x + w + 8), min(256, y + h + 8))
        zoom = 256 / max(around[2] - around[0], around[3] - around[1])
        sheet = Image.new("RGB", ((len(parts) + 1) * 260, 260 + 260), (140, 198, 255))
        skins = [BASE.convert("RGBA")]
        for path, make in parts:
            skin = BASE.convert("RGBA")
            layer = Image.new("RGBA", skin.size, (0, 0, 0, 0))
            layer.paste(as_drawn(slot, path, make), (x, y))
            skin.alpha_composite(layer)
            skins.append(skin)
        for i, skin in enumerate(skins):
            sheet.paste(skin.convert("RGB"), (i * 260 + 2, 2))
            detail = skin.crop(around)
            detail = detail.resize((int(detail.size[0] * zoom), int(detail.size[1] * zoom)),
                                   Image.NEAREST)
            sheet.paste(detail.convert("RGB"), (i * 260 + 2, 262))
        sheet.save(os.path.join(folder, slot + ".png"))


STACKING = "pechkjb"  # the order the preview draws its slots in, bottom first


def outfits(written, folder):
    """Whole skins: entry i of every category worn together, stacked as the preview does."""
    by_slot = {slot: [(p, m) for s, p, m in written if s == slot] for slot in SLOTS}
    count = max(len(v) for v in by_slot.values())
    sheet = Image.new("RGB", (count * 516, 516), (140, 198, 255))
    for i in range(count):
        skin = BASE.convert("RGBA")
        for slot in STACKING:
            entries = by_slot[slot]
            path, make = entries[i % len(entries)]
            layer = Image.new("RGBA", skin.size, (0, 0, 0, 0))
            layer.paste(as_drawn(slot, path, make), SLOTS[slot][0])
            skin.alpha_composite(layer)
        sheet.paste(skin.convert("RGB").resize((512, 512), Image.NEAREST), (i * 516 + 2, 2))
    sheet.save(os.path.join(folder, "outfits.png"))


def main():
    written = write_catalogue()
    for slot, path, make in written:
        picture = Image.open(path)  # every file must open in an independent reader
        if not hasattr(make, "steps"):
            picture.load()
        print("%-45s %-4s %s" % (os.path.relpath(path, CATALOGUE), picture.format, picture.size))
    if "--preview" in sys.argv:
        preview(written, "/tmp/vestura-preview")
        outfits(written, "/tmp/vestura-preview")


if __name__ == "__main__":
    main()
