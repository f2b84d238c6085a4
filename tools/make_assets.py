#!/usr/bin/python3
"""Draws Vestura's built-in pictures and writes them to assets/:
  base_skin.bmp   the 256 x 256 player texture every skin starts from (8-bit, 255 colours)
  background.bmp  the window's sky-blue background (512 x 257, 24-bit)
  vestura.ico     the program icon (32 x 32, 256 colours)
  vestura-32.png  the program icon's own pixels, for the desktop's icon theme
  vestura-256.png the same icon drawn at 256 x 256, for large icon views
All artwork is drawn here from simple shapes; the output is the same on every run.
Run from anywhere: tools/make_assets.py"""

import io
import math
import os
import random
import sys

from PIL import Image, ImageChops, ImageDraw, ImageFilter

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import picture_files as pf  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
ASSETS = os.path.join(ROOT, "assets")

SKIN_SIZE = 256
SKIN_COLOURS = 255  # the base skin's colour table holds 255 entries
SUPER = 4  # shapes are drawn 4x larger and scaled down for smooth edges

# Regions of the skin texture (x, y, width, height). Part pictures are made for these.
SHOES = (0, 0, 56, 72)
HANDS = (56, 0, 39, 84)
FOREARM = (95, 0, 33, 84)
HEAD = (128, 0, 128, 128)
FACE = (160, 0, 96, 128)
LEGS = (0, 84, 94, 172)
TORSO = (87, 128, 105, 129)
UPPER_ARM = (192, 128, 24, 128)
NECK = (216, 146, 40, 40)

# Features the part pictures line up with, in skin coordinates.
EYE_LEFT = (187, 60)
EYE_RIGHT = (229, 60)
FACE_CENTRE_X = 208
MOUTH_Y = 102
LEG_SPLIT_X = 43  # the two trouser legs meet at this column
LEGS_RIGHT = 86  # trouser cloth ends here; the columns up to the torso are unused
WRIST_TOP, WRIST_BOTTOM = 8, 26  # where a watch sits on the forearm

SKIN = (226, 174, 132)
SKIN_SHADE = (198, 142, 104)
SKIN_DEEP = (160, 104, 76)
SKIN_LIGHT = (240, 198, 160)
HAIR = (70, 46, 30)
HAIR_LIGHT = (104, 72, 48)
TEE = (234, 236, 230)
TEE_SHADE = (200, 204, 200)
TROUSERS = (152, 134, 104)
TROUSERS_SHADE = (118, 102, 78)
BELT = (66, 42, 28)
BUCKLE = (206, 180, 96)
SHOE = (96, 60, 38)
SHOE_LIGHT = (132, 88, 58)
SOLE = (40, 32, 28)
SOCK = (232, 232, 228)
VOID = (38, 42, 50)  # texture area the model never shows


class Canvas:
    """An RGB picture drawn at SUPER x scale with skin coordinates."""

    def __init__(self, size, fill, mode="RGB", origin=(0, 0)):
        self.image = Image.new(mode, (size[0] * SUPER, size[1] * SUPER), fill)
        self.draw = ImageDraw.Draw(self.image)
        self.ox, self.oy = origin  # skin position of the picture's top-left corner

    def box(self, x0, y0, x1, y1):
        x0, x1, y0, y1 = x0 - self.ox, x1 - self.ox, y0 - self.oy, y1 - self.oy
        return [x0 * SUPER, y0 * SUPER, x1 * SUPER - 1, y1 * SUPER - 1]

    def pts(self, points):
        return [((x - self.ox) * SUPER, (y - self.oy) * SUPER) for x, y in points]

    def rect(self, x0, y0, x1, y1, fill):
        self.draw.rectangle(self.box(x0, y0, x1, y1), fill=fill)

    def ellipse(self, x0, y0, x1, y1, fill=None, outline=None, width=1):
        self.draw.ellipse(self.box(x0, y0, x1, y1), fill=fill, outline=outline,
                          width=int(width * SUPER))

    def polygon(self, points, fill):
        self.draw.polygon(self.pts(points), fill=fill)

    def line(self, points, fill, width=1):
        self.draw.line(self.pts(points), fill=fill,
                       width=int(width * SUPER), joint="curve")

    def arc(self, x0, y0, x1, y1, start, end, fill, width=1):
        self.draw.arc(self.box(x0, y0, x1, y1), start, end, fill=fill, width=int(width * SUPER))

    def result(self):
        w, h = self.image.size
        return self.image.resize((w // SUPER, h // SUPER), Image.Resampling.LANCZOS)


def shade_columns(image, region, strength):
    """Darkens a region towards its left and right edges, as light falls on a cylinder."""
    x, y, w, h = region
    h = min(h, image.size[1] - y)
    profile = [int(255 * (1 - strength * (1 - math.sin(math.pi * (i + 0.5) / w)))) for i in range(w)]
    mask = Image.new("L", (w, 1))
    mask.putdata(profile)
    mask = mask.resize((w, h)).convert("RGB")
    part = image.crop((x, y, x + w, y + h))
    image.paste(ImageChops.multiply(part, mask), (x, y))


def shade_rows(image, region, top, bottom):
    """Multiplies a region by a brightness running from `top` to `bottom` (0..1)."""
    x, y, w, h = region
    mask = Image.new("L", (1, h))
    mask.putdata([int(255 * (top + (bottom - top) * i / max(1, h - 1))) for i in range(h)])
    mask = mask.resize((w, h)).convert("RGB")
    image.paste(ImageChops.multiply(image.crop((x, y, x + w, y + h)), mask), (x, y))


def add_noise(image, region, amount, seed):
    """Adds a little grain, the same on every run."""
    rng = random.Random(seed)
    x0, y0, w, h = region
    h = min(h, image.size[1] - y0)
    pixels = image.load()
    for y in range(y0, y0 + h):
        for x in range(x0, x0 + w):
            d = rng.randint(-amount, amount)
            r, g, b = pixels[x, y]
            pixels[x, y] = (max(0, min(255, r + d)), max(0, min(255, g + d)),
                            max(0, min(255, b + d)))


# ---------------------------------------------------------------- base skin regions


def draw_shoes(c):
    x0, y0, w, h = SHOES
    c.rect(x0, y0, x0 + w, 84, VOID)
    for left in (0, 28):
        c.rect(left, 0, left + 28, 9, SOCK)
        for i in range(left + 2, left + 28, 3):
            c.line([(i, 0), (i, 8)], (212, 212, 206), 0.6)
        c.polygon([(left + 1, 9), (left + 27, 9), (left + 27, 60), (left + 24, 66), (left + 4, 66),
                   (left + 1, 60)], SHOE)
        c.ellipse(left + 2, 40, left + 26, 66, SHOE_LIGHT)
        c.ellipse(left + 4, 42, left + 24, 62, SHOE)
        c.polygon([(left + 9, 9), (left + 19, 9), (left + 18, 38), (left + 10, 38)], (80, 50, 32))
        for j in range(4):
            y = 14 + j * 6
            c.line([(left + 8, y), (left + 20, y + 3)], (226, 214, 190), 1)
            c.line([(left + 20, y), (left + 8, y + 3)], (226, 214, 190), 1)
        c.rect(left + 1, 64, left + 27, 72, SOLE)
        c.line([(left + 2, 64), (left + 26, 64)], (70, 56, 46), 1)
    c.rect(0, 72, 56, 84, SOCK)


def draw_hands(c):
    x0, _, w, h = HANDS
    c.rect(x0, 0, x0 + w, h, VOID)
    c.polygon([(58, 2), (93, 2), (93, 40), (58, 40)], SKIN)
    c.ellipse(60, 8, 74, 30, SKIN_SHADE)  # ball of the thumb
    c.ellipse(61, 9, 73, 29, SKIN)
    for i in range(4):
        fx = 58 + i * 9
        length = (34, 40, 38, 30)[i]
        c.polygon([(fx, 38), (fx + 8, 38), (fx + 8, 38 + length - 4), (fx, 38 + length - 4)], SKIN)
        c.ellipse(fx, 38 + length - 8, fx + 8, 38 + length, SKIN)
        c.ellipse(fx + 1.5, 38 + length - 8, fx + 6.5, 38 + length - 1, (236, 188, 170))
        for k in (12, 24):
            if k < length - 6:
                c.line([(fx + 1, 38 + k), (fx + 7, 38 + k)], SKIN_SHADE, 0.8)
        if i:
            c.line([(fx, 40), (fx, 38 + length - 4)], SKIN_SHADE, 0.8)
    c.line([(62, 36), (90, 34)], SKIN_SHADE, 0.8)


def draw_forearm(c, rng):
    x0, y0, w, h = FOREARM
    c.rect(x0, y0, x0 + w, y0 + h, SKIN)
    c.rect(x0, WRIST_TOP + 4, x0 + w, WRIST_BOTTOM - 4, (230, 180, 140))
    c.arc(x0 + 6, 72, x0 + w - 6, 88, 200, 340, SKIN_SHADE, 1)  # elbow crease
    for _ in range(70):  # fine arm hair
        hx = x0 + 4 + rng.random() * (w - 8)
        hy = 30 + rng.random() * 40
        c.line([(hx, hy), (hx + 1.2, hy + 1.8)], (176, 124, 90), 0.35)


def draw_head(c):
    x0, y0, w, h = HEAD
    c.rect(x0, y0, x0 + w, y0 + h, SKIN)
    # Hair: the back and side of the head on the left, the hairline over the face.
    c.polygon([(128, 0), (256, 0), (256, 36), (250, 40), (244, 32), (226, 28), (208, 27),
               (190, 28), (172, 32), (166, 40), (160, 46), (150, 46), (140, 52), (128, 58)], HAIR)
    for i in range(24):
        hx = 130 + i * 5.3
        c.line([(hx, 2), (hx + 3, 22 + (i % 3) * 4)], HAIR_LIGHT, 0.8)
    c.rect(160, 36, 164, 64, HAIR)  # sideburns
    c.rect(252, 36, 256, 64, HAIR)
    # Ear on the side of the head.
    c.ellipse(134, 54, 154, 88, SKIN_SHADE)
    c.ellipse(137, 58, 151, 84, SKIN)
    c.ellipse(141, 64, 148, 78, SKIN_DEEP)
    c.rect(128, 100, 160, 128, (214, 160, 120))  # neck below the ear
    draw_face(c)


def draw_face(c):
    cx = FACE_CENTRE_X
    # Eyebrows
    for side in (-1, 1):
        inner, outer = cx + side * 10, cx + side * 33
        c.polygon([(inner, 50), (outer, 51), (outer, 48), (cx + side * 22, 46), (inner, 48)], HAIR)
    # Eyes
    for ex, ey in (EYE_LEFT, EYE_RIGHT):
        c.ellipse(ex - 11, ey - 7, ex + 11, ey + 7, SKIN_SHADE)  # eye socket
        c.ellipse(ex - 9, ey - 4, ex + 9, ey + 4, (244, 242, 236))
        c.ellipse(ex - 4, ey - 4, ex + 4, ey + 4, (84, 116, 140))
        c.ellipse(ex - 2, ey - 2, ex + 2, ey + 2, (20, 20, 24))
        c.ellipse(ex + 0.5, ey - 2.5, ex + 2, ey - 1, (250, 250, 250))
        c.arc(ex - 9, ey - 5, ex + 9, ey + 5, 190, 350, (90, 56, 40), 1.2)  # upper lid
    # Nose
    c.polygon([(cx - 4, 58), (cx + 4, 58), (cx + 6, 80), (cx - 6, 80)], (232, 182, 142))
    c.line([(cx - 5, 62), (cx - 7, 82)], SKIN_SHADE, 1.2)
    c.ellipse(cx - 9, 78, cx + 9, 92, SKIN_SHADE)
    c.ellipse(cx - 7, 77, cx + 7, 89, (234, 184, 146))
    c.ellipse(cx - 7, 86, cx - 2, 90, SKIN_DEEP)
    c.ellipse(cx + 2, 86, cx + 7, 90, SKIN_DEEP)
    # Mouth
    c.polygon([(cx - 15, MOUTH_Y), (cx - 5, MOUTH_Y - 4), (cx, MOUTH_Y - 3), (cx + 5, MOUTH_Y - 4),
               (cx + 15, MOUTH_Y)], (178, 100, 88))
    c.polygon([(cx - 14, MOUTH_Y), (cx + 14, MOUTH_Y), (cx + 8, MOUTH_Y + 6),
               (cx - 8, MOUTH_Y + 6)], (200, 120, 104))
    c.line([(cx - 15, MOUTH_Y), (cx + 15, MOUTH_Y)], (110, 58, 52), 1)
    # Chin and cheeks
    c.arc(cx - 10, 112, cx + 10, 124, 20, 160, SKIN_SHADE, 1.2)
    for side in (-1, 1):
        c.ellipse(cx + side * 26 - 8, 74, cx + side * 26 + 8, 90, (230, 168, 132))


def draw_legs(c):
    c.rect(0, 84, 94, 128, VOID)
    c.rect(0, 84, LEGS_RIGHT, 256, TROUSERS)
    c.rect(0, 84, LEGS_RIGHT, 93, BELT)
    for x in range(4, LEGS_RIGHT, 14):
        c.rect(x, 84, x + 2, 93, (50, 32, 22))  # belt loops
    c.rect(LEG_SPLIT_X - 5, 85, LEG_SPLIT_X + 5, 92, BUCKLE)
    c.rect(LEG_SPLIT_X - 3, 87, LEG_SPLIT_X + 3, 90, BELT)
    c.line([(LEG_SPLIT_X, 93), (LEG_SPLIT_X, 256)], TROUSERS_SHADE, 1)
    c.line([(LEG_SPLIT_X - 4, 93), (LEG_SPLIT_X - 4, 124), (LEG_SPLIT_X, 128)], TROUSERS_SHADE, 0.8)
    c.arc(-14, 93 - 20, 16, 93 + 20, 0, 90, TROUSERS_SHADE, 1)  # front pockets
    c.arc(LEGS_RIGHT - 16, 93 - 20, LEGS_RIGHT + 14, 93 + 20, 90, 180, TROUSERS_SHADE, 1)
    for leg_x in (4, LEG_SPLIT_X + 4):
        for k in range(3):
            c.line([(leg_x + 8 + k * 9, 168 + k), (leg_x + 14 + k * 9, 176 + k)], (138, 121, 94), 1.5)
    c.rect(0, 248, LEGS_RIGHT, 256, TROUSERS_SHADE)
    c.line([(0, 248), (LEGS_RIGHT, 248)], (100, 86, 66), 0.8)


def draw_torso(c):
    x0, y0, w, _ = TORSO
    c.rect(x0, y0, x0 + w, 256, TEE)
    cx = x0 + w / 2
    c.ellipse(cx - 24, 112, cx + 24, 142, TEE_SHADE)  # collar rib
    c.ellipse(cx - 20, 112, cx + 20, 137, (214, 216, 212))
    for fx, fy, fl in ((104, 170, 24), (170, 160, 18), (120, 220, 30), (160, 210, 22)):
        c.line([(fx, fy), (fx + fl * 0.6, fy + fl)], (222, 224, 218), 2.5)
    c.rect(x0, 248, x0 + w, 256, (222, 224, 218))
    c.line([(x0, 249), (x0 + w, 249)], TEE_SHADE, 0.6)
    c.line([(x0 + 3, 128), (x0 + 3, 256)], TEE_SHADE, 0.8)  # side seams
    c.line([(x0 + w - 3, 128), (x0 + w - 3, 256)], TEE_SHADE, 0.8)


def draw_arm_and_neck(c):
    ax, ay, aw, _ = UPPER_ARM
    c.rect(ax, ay, ax + aw, 256, SKIN)
    c.rect(ax, ay, ax + aw, 166, TEE)
    c.rect(ax, 160, ax + aw, 166, TEE_SHADE)
    c.rect(216, 128, 256, 256, TEE)  # back of the shirt around the neck piece
    nx, ny, nw, nh = NECK
    c.rect(nx, 128, nx + nw, ny + 30, SKIN)
    c.rect(nx + 9, 128, nx + nw - 9, ny + 18, (232, 182, 142))  # the neck itself
    c.line([(nx + 9, 128), (nx + 9, ny + 16), (nx + 2, ny + 24)], SKIN_SHADE, 1)
    c.line([(nx + nw - 9, 128), (nx + nw - 9, ny + 16), (nx + nw - 2, ny + 24)], SKIN_SHADE, 1)
    c.line([(nx + 4, ny + 26), (nx + 16, ny + 24)], SKIN_SHADE, 0.8)  # collarbones
    c.line([(nx + nw - 4, ny + 26), (nx + nw - 16, ny + 24)], SKIN_SHADE, 0.8)
    c.ellipse(nx + 6, ny + 26, nx + nw - 6, ny + 48, TEE_SHADE)  # the tee's front neckline
    c.ellipse(nx + 9, ny + 24, nx + nw - 9, ny + 40, SKIN)
    c.rect(nx, ny + 40, nx + nw, 256, TEE)


def base_skin_rgb():
    rng = random.Random(1)
    c = Canvas((SKIN_SIZE, SKIN_SIZE), VOID)
    draw_shoes(c)
    draw_hands(c)
    draw_forearm(c, rng)
    draw_legs(c)
    draw_torso(c)
    c.rect(LEGS_RIGHT, 84, HEAD[0], TORSO[1], VOID)  # unused, and where the collar overhangs
    draw_head(c)
    draw_arm_and_neck(c)
    image = c.result()
    shade_columns(image, FOREARM, 0.22)
    shade_columns(image, UPPER_ARM, 0.25)
    shade_columns(image, (0, 93, LEG_SPLIT_X, 163), 0.28)
    shade_columns(image, (LEG_SPLIT_X, 93, LEGS_RIGHT - LEG_SPLIT_X, 163), 0.28)
    shade_columns(image, TORSO, 0.16)
    shade_columns(image, FACE, 0.18)
    shade_columns(image, (0, 9, 28, 55), 0.3)
    shade_columns(image, (28, 9, 28, 55), 0.3)
    shade_rows(image, (FACE[0], 104, FACE[2], 24), 1.0, 0.9)
    for seed, region, amount in ((2, (0, 0, 256, 256), 3), (3, TORSO, 3), (4, LEGS, 5),
                                 (5, HEAD, 2)):
        add_noise(image, region, amount, seed)
    return image


def base_skin_bmp():
    indexes, palette = pf.quantize(base_skin_rgb(), SKIN_COLOURS)
    palette += [(0, 0, 0)] * (SKIN_COLOURS - len(palette))
    return pf.bmp_indexed(indexes, SKIN_SIZE, SKIN_SIZE, palette, bits=8, pels_per_meter=2834)


# ---------------------------------------------------------------- background

BACKGROUND_SIZE = (512, 257)
HORIZON_Y = 196


def background_rgb():
    w, h = BACKGROUND_SIZE
    sky = Image.new("RGB", (1, h))
    rows = []
    for y in range(h):
        if y < HORIZON_Y:
            t = y / HORIZON_Y
            rows.append(tuple(int(a + (b - a) * t ** 1.4) for a, b in zip((140, 198, 255),
                                                                          (200, 230, 255))))
        else:
            t = (y - HORIZON_Y) / (h - HORIZON_Y)
            rows.append(tuple(int(a + (b - a) * t) for a, b in zip((124, 190, 246),
                                                                   (155, 205, 255))))
    sky.putdata(rows)
    image = sky.resize((w, h))
    # Soft clouds: white blobs, blurred, laid over the sky.
    clouds = Image.new("L", (w, h), 0)
    draw = ImageDraw.Draw(clouds)
    rng = random.Random(7)
    for cx, cy, size in ((70, 40, 1.0), (250, 80, 0.8), (420, 30, 1.1), (160, 140, 0.6),
                         (360, 130, 0.7)):
        for _ in range(9):
            dx, dy = rng.uniform(-40, 40) * size, rng.uniform(-8, 8) * size
            rx, ry = rng.uniform(18, 34) * size, rng.uniform(8, 15) * size
            draw.ellipse([cx + dx - rx, cy + dy - ry, cx + dx + rx, cy + dy + ry], fill=150)
    clouds = clouds.filter(ImageFilter.GaussianBlur(7))
    image = Image.composite(Image.new("RGB", (w, h), (250, 252, 255)), image, clouds)
    draw = ImageDraw.Draw(image)
    draw.line([(0, HORIZON_Y), (w, HORIZON_Y)], fill=(176, 214, 250))
    for i in range(40):  # glints on the water
        y = rng.uniform(HORIZON_Y + 4, h - 4)
        x = rng.uniform(0, w)
        draw.line([(x, y), (x + rng.uniform(6, 18), y)], fill=(184, 222, 255))
    palms = Image.new("L", (w * SUPER, h * SUPER), 0)
    draw_palm(palms, 478, h, 0.95)
    draw_palm(palms, 34, h, 0.6)
    palms = palms.resize((w, h), Image.Resampling.LANCZOS)
    # Pale, barely darker than the sky, so text over it stays easy to read.
    return Image.composite(Image.new("RGB", (w, h), (118, 180, 238)), image, palms)


def draw_palm(mask, base_x, base_y, size):
    """A palm silhouette into a coverage mask (drawn 4x larger, scaled down later)."""
    k = SUPER
    draw = ImageDraw.Draw(mask)
    top = (base_x - 26 * size, base_y - 150 * size)
    steps = 16
    for i in range(steps):  # the trunk leans and narrows towards the crown
        t0, t1 = i / steps, (i + 1) / steps
        points = [(base_x + (top[0] - base_x) * t ** 1.6, base_y + (top[1] - base_y) * t)
                  for t in (t0, t1)]
        width = 8 * size * (1 - 0.45 * t0)
        draw.line([(x * k, y * k) for x, y in points], fill=255, width=int(width * k))
    for angle, length, droop in ((170, 62, 0.9), (140, 56, 0.7), (110, 44, 0.6), (75, 46, 0.6),
                                 (40, 58, 0.7), (10, 64, 0.9), (200, 48, 0.5), (-15, 50, 0.5)):
        a = math.radians(angle)
        spine = []
        for j in range(13):
            t = j / 12
            spine.append((top[0] + math.cos(a) * length * size * t,
                          top[1] - math.sin(a) * length * size * t
                          + droop * length * size * t * t))
        left, right = [], []
        for j, (x, y) in enumerate(spine):
            nx, ny = spine[min(j + 1, 12)][0] - spine[max(j - 1, 0)][0], \
                spine[min(j + 1, 12)][1] - spine[max(j - 1, 0)][1]
            norm = math.hypot(nx, ny) or 1
            half = 5 * size * math.sin(math.pi * j / 12)
            left.append((x - ny / norm * half, y + nx / norm * half))
            right.append((x + ny / norm * half, y - nx / norm * half))
        draw.polygon([(x * k, y * k) for x, y in left + right[::-1]], fill=255)


def background_bmp():
    return pf.bmp_24(background_rgb(), pels_per_meter=3780)


# ---------------------------------------------------------------- program icon

ICON_SIZE = 32
LARGE_ICON_SIZE = 256


def icon_rgba(size=ICON_SIZE):
    """A sky-blue T-shirt with a pink stripe and a small sun, `size` pixels square. The shapes
    are laid out on a 32 x 32 grid and drawn 8x larger than the result, then scaled down."""
    s = 8 * size // ICON_SIZE
    image = Image.new("RGBA", (ICON_SIZE * s, ICON_SIZE * s), (0, 0, 0, 0))
    draw = ImageDraw.Draw(image)

    def pts(points):
        return [(x * s, y * s) for x, y in points]

    shirt = [(10, 3), (13, 5), (19, 5), (22, 3), (30, 8), (27, 14), (24, 12), (24, 29), (8, 29),
             (8, 12), (5, 14), (2, 8)]
    draw.polygon(pts(shirt), fill=(28, 141, 255, 255))
    inner = [(10.5, 4.6), (13, 6.5), (19, 6.5), (21.5, 4.6), (28.6, 8.4), (26.6, 12.4), (22.8, 10.2),
             (22.8, 27.8), (9.2, 27.8), (9.2, 10.2), (5.4, 12.4), (3.4, 8.4)]
    draw.polygon(pts(inner), fill=(155, 205, 255, 255))
    draw.rectangle([9.2 * s, 17 * s, 22.8 * s, 21 * s], fill=(255, 96, 160, 255))
    draw.ellipse([17 * s, 9 * s, 21.5 * s, 13.5 * s], fill=(255, 214, 64, 255))
    draw.polygon(pts([(13, 5), (16, 9), (19, 5)]), fill=(28, 141, 255, 255))
    return image.resize((size, size), Image.Resampling.LANCZOS)


def png(image):
    out = io.BytesIO()
    image.save(out, "PNG")
    return out.getvalue()


def icon_png(ico):
    """The icon file's own pixels (256 colours, see-through where its mask says so) as PNG, so
    the desktop shows exactly the icon the window carries."""
    return png(Image.open(io.BytesIO(ico)).convert("RGBA"))


def main():
    os.makedirs(ASSETS, exist_ok=True)
    ico = pf.ico_8bit(icon_rgba())
    outputs = {
        "base_skin.bmp": base_skin_bmp(),
        "background.bmp": background_bmp(),
        "vestura.ico": ico,
        "vestura-32.png": icon_png(ico),
        "vestura-256.png": png(icon_rgba(LARGE_ICON_SIZE)),
    }
    for name, data in outputs.items():
        with open(os.path.join(ASSETS, name), "wb") as f:
            f.write(data)
        print("%s: %d bytes" % (name, len(data)))


if __name__ == "__main__":
    main()
