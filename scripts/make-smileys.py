#!/usr/bin/env python3
"""Draws Vantrel's smiley pictures.

Writes
  data/Smiles/Default/*.gif          the default external set: animated GIFs, 20 x 20
  data/Smiles/Default/Smiles.ini     its set file (UTF-16 LE with byte-order mark, CRLF)
  src/display/smileys/builtin.png    the built-in set: 33 still pictures of 19 x 22 in one
                                     strip, picture i at x = 19 * i

Every picture is a round face drawn here from geometric shapes with 4 x 4 supersampling.
Pure Python, no imaging library: a small GIF89a encoder (LZW) and PNG writer are included.
Run from anywhere: python3 scripts/make-smileys.py
"""
import math
import pathlib
import struct
import zlib

ROOT = pathlib.Path(__file__).resolve().parent.parent
SET_DIR = ROOT / "data" / "Smiles" / "Default"
BUILTIN_PNG = ROOT / "src" / "display" / "smileys" / "builtin.png"

SUPERSAMPLE = 4

# ---------------------------------------------------------------------------------------
# Shapes: predicates over face-local coordinates (u, v); the face is the circle of radius 9
# around (0, 0), v grows downwards.


def disc(cx, cy, r):
    return lambda u, v: (u - cx) ** 2 + (v - cy) ** 2 <= r * r


def ellipse(cx, cy, rx, ry):
    return lambda u, v: ((u - cx) / rx) ** 2 + ((v - cy) / ry) ** 2 <= 1.0


def ring(cx, cy, r, w):
    return lambda u, v: abs(math.hypot(u - cx, v - cy) - r) <= w / 2


def arc(cx, cy, r, w, a0, a1):
    """A stroke along the circle from angle a0 to a1 (degrees, 90 = straight down), round ends."""
    ends = [(cx + r * math.cos(math.radians(a)), cy + r * math.sin(math.radians(a))) for a in (a0, a1)]

    def inside(u, v):
        d = math.hypot(u - cx, v - cy)
        if abs(d - r) <= w / 2:
            a = math.degrees(math.atan2(v - cy, u - cx))
            for base in (a - 360, a, a + 360):
                if a0 <= base <= a1:
                    return True
        return any((u - x) ** 2 + (v - y) ** 2 <= (w / 2) ** 2 for x, y in ends)

    return inside


def seg(x0, y0, x1, y1, w):
    dx, dy = x1 - x0, y1 - y0
    length2 = dx * dx + dy * dy or 1e-9

    def inside(u, v):
        t = max(0.0, min(1.0, ((u - x0) * dx + (v - y0) * dy) / length2))
        return (u - x0 - t * dx) ** 2 + (v - y0 - t * dy) ** 2 <= (w / 2) ** 2

    return inside


def polyline(points, w):
    parts = [seg(*points[i], *points[i + 1], w) for i in range(len(points) - 1)]
    return lambda u, v: any(p(u, v) for p in parts)


def poly(points):
    def inside(u, v):
        result = False
        j = len(points) - 1
        for i, (xi, yi) in enumerate(points):
            xj, yj = points[j]
            if (yi > v) != (yj > v) and u < (xj - xi) * (v - yi) / (yj - yi) + xi:
                result = not result
            j = i
        return result

    return inside


def rect(x0, y0, x1, y1):
    return lambda u, v: x0 <= u <= x1 and y0 <= v <= y1


def both(a, b):
    return lambda u, v: a(u, v) and b(u, v)


def minus(a, b):
    return lambda u, v: a(u, v) and not b(u, v)


def heart(cx, cy, s):
    lobes = [disc(cx - 0.5 * s, cy - 0.25 * s, 0.55 * s), disc(cx + 0.5 * s, cy - 0.25 * s, 0.55 * s)]
    tip = poly([(cx - 1.02 * s, cy), (cx + 1.02 * s, cy), (cx, cy + 1.1 * s)])
    return lambda u, v: tip(u, v) or any(p(u, v) for p in lobes)


def letter_z(cx, cy, s, w):
    return polyline([(cx - s, cy - s), (cx + s, cy - s), (cx - s, cy + s), (cx + s, cy + s)], w)


# ---------------------------------------------------------------------------------------
# Colours.

OUTLINE = (96, 58, 0)
FEATURE = (60, 34, 10)
WHITE = (255, 255, 255)
RED = (214, 30, 30)
DARK_RED = (130, 10, 20)
PINK = (255, 120, 150)
BLUSH = (255, 150, 120)
TEAR = (70, 160, 255)
GOLD = (255, 200, 0)
GREY = (120, 120, 130)
BLACK = (20, 20, 24)
BEER = (240, 170, 20)
FOAM = (255, 250, 235)
GLASS = (200, 230, 255)
GREEN_LEAF = (40, 150, 50)

FACES = {
    "yellow": ((255, 246, 140), (246, 190, 0)),
    "red": ((255, 170, 120), (220, 50, 20)),
    "green": ((210, 245, 150), (120, 180, 40)),
    "purple": ((230, 150, 255), (150, 40, 190)),
    "pale": ((255, 252, 210), (235, 215, 120)),
}


def shade(kind, redden=0.0):
    light, dark = (mix(c, target, redden) for c, target in zip(FACES[kind], ((255, 150, 110), (215, 40, 10))))

    def colour(u, v):
        t = min(1.0, math.hypot(u + 3.5, v + 3.5) / 15.0)
        return tuple(round(light[i] + (dark[i] - light[i]) * t) for i in range(3))

    return colour


def mix(a, b, t):
    return tuple(round(a[i] + (b[i] - a[i]) * t) for i in range(3))


# ---------------------------------------------------------------------------------------
# Faces. A face description is a dict; face_layers() turns it into drawing layers
# [(shape, colour or colour function)], the last layer on top.

EYE_X = 3.3
EYE_Y = -2.4


def eye_layers(kind, side, look=(0.0, 0.0), pulse=0.0):
    x = side * EYE_X
    y = EYE_Y
    lx, ly = look
    if kind == "dot":
        return [(ellipse(x + lx, y + ly, 1.15, 1.75), FEATURE)]
    if kind == "small":
        return [(disc(x + lx, y + ly, 0.9), FEATURE)]
    if kind == "closed":
        return [(arc(x, y + 0.6, 1.6, 0.9, 200, 340), FEATURE)]
    if kind == "shut":
        return [(seg(x - 1.5, y + 0.3, x + 1.5, y + 0.3, 0.9), FEATURE)]
    if kind == "down":
        return [(arc(x, y - 0.6, 1.6, 0.9, 20, 160), FEATURE)]
    if kind == "wide":
        return [(ellipse(x, y, 2.1, 2.5), WHITE), (ring(x, y, 2.15, 0.6), FEATURE), (disc(x + lx, y + ly, 1.0), FEATURE)]
    if kind == "big":
        return [(ellipse(x, y - 0.3, 2.5, 3.0), WHITE), (ring(x, y - 0.3, 2.6, 0.6), FEATURE),
                (disc(x + lx, y + ly, 0.8), FEATURE)]
    if kind == "x":
        return [(seg(x - 1.3, y - 1.3, x + 1.3, y + 1.3, 0.8), FEATURE),
                (seg(x - 1.3, y + 1.3, x + 1.3, y - 1.3, 0.8), FEATURE)]
    if kind == "heart":
        return [(heart(x, y + 0.2, 1.9 + pulse), RED)]
    if kind == "spiral":
        return [(ring(x, y, 1.9, 0.55), FEATURE), (ring(x + 0.3, y, 0.9, 0.55), FEATURE)]
    if kind == "angry":
        return [(ellipse(x + lx, y + 0.4, 1.1, 1.3), FEATURE)]
    raise ValueError(kind)


def brow_layers(kind):
    if kind == "angry":
        return [(seg(-5.3, -5.9, -1.5, -4.2, 0.9), FEATURE), (seg(5.3, -5.9, 1.5, -4.2, 0.9), FEATURE)]
    if kind == "sad":
        return [(seg(-5.3, -4.4, -1.9, -5.8, 0.8), FEATURE), (seg(5.3, -4.4, 1.9, -5.8, 0.8), FEATURE)]
    if kind == "raised":
        return [(arc(-EYE_X, -4.6, 2.0, 0.8, 210, 330), FEATURE), (arc(EYE_X, -4.6, 2.0, 0.8, 210, 330), FEATURE)]
    if kind == "one":
        return [(seg(1.6, -6.2, 5.2, -5.4, 0.8), FEATURE)]
    return []


def mouth_layers(kind, p=0.0):
    """p is a free animation parameter in 0..1 for mouths that move."""
    if kind == "smile":
        return [(arc(0, 0.2, 5.0, 1.1, 25, 155), FEATURE)]
    if kind == "smile_small":
        return [(arc(0, 1.0, 3.6, 1.0, 35, 145), FEATURE)]
    if kind == "smirk":
        return [(arc(1.0, 1.2, 3.8, 1.0, 15, 110), FEATURE)]
    if kind == "grin":
        outer = both(disc(0, 0.6, 5.2), rect(-6, 2.2, 6, 9))
        return [(outer, DARK_RED), (both(outer, rect(-6, 2.2, 6, 3.4)), WHITE),
                (both(disc(0, 8.6 - p, 3.0), outer), PINK)]
    if kind == "laugh":
        outer = both(disc(0, 0.4 + p, 5.6), rect(-6.5, 1.6 + p, 6.5, 9))
        return [(outer, DARK_RED), (both(outer, rect(-6.5, 1.6 + p, 6.5, 2.9 + p)), WHITE),
                (both(disc(0, 8.4 + p, 3.2), outer), PINK)]
    if kind == "frown":
        return [(arc(0, 7.6, 4.4, 1.1, 210, 330), FEATURE)]
    if kind == "frown_small":
        return [(arc(0, 7.2, 3.0, 1.0, 220, 320), FEATURE)]
    if kind == "flat":
        return [(seg(-3.0, 4.3, 3.0, 4.3, 1.0), FEATURE)]
    if kind == "slant_up":
        return [(seg(-3.2, 5.0, 3.2, 3.4, 1.0), FEATURE)]
    if kind == "slant_down":
        return [(seg(-3.2, 3.4, 3.2, 5.0, 1.0), FEATURE)]
    if kind == "wavy":
        pts = [(-3.6 + i * 0.6, 4.4 + 0.8 * math.sin(i * 0.9 + p * 2 * math.pi)) for i in range(13)]
        return [(polyline(pts, 0.9), FEATURE)]
    if kind == "o":
        r = 1.5 + p
        return [(ellipse(0, 4.2, r, r * 1.2), DARK_RED), (ring(0, 4.2, r, 0.5), FEATURE)]
    if kind == "o_small":
        return [(disc(0, 4.4, 1.1), DARK_RED)]
    if kind == "scream":
        return [(ellipse(0, 4.4, 2.4, 3.2 + p), DARK_RED), (ellipse(0, 6.2 + p, 1.4, 1.0), PINK)]
    if kind == "kiss":
        return [(arc(0.6, 3.2, 1.1, 0.8, -90, 90), FEATURE), (arc(0.6, 5.3, 1.1, 0.8, -90, 90), FEATURE)]
    if kind == "pout":
        return [(ellipse(0, 4.6, 2.2, 1.4), (235, 90, 90)), (seg(-1.8, 4.6, 1.8, 4.6, 0.5), DARK_RED)]
    if kind == "tongue":
        tongue = both(ellipse(0.8, 5.3 + 2.2 * p, 2.0, 1.6 + 2.2 * p), rect(-3, 4.4, 4, 10))
        return [(seg(-3.6, 4.4, 3.6, 4.4, 1.0), FEATURE), (tongue, (240, 80, 110)),
                (both(seg(0.8, 5.0, 0.8, 5.6 + 2.5 * p, 0.4), tongue), (190, 40, 70))]
    if kind == "teeth":
        body = rect(-3.8, 2.8, 3.8, 6.0)
        return [(body, WHITE),
                (minus(rect(-4.3, 2.3, 4.3, 6.5), rect(-3.6, 3.0, 3.6, 5.8)), FEATURE),
                (seg(-4, 4.4, 4, 4.4, 0.5), FEATURE), (seg(-1.3, 2.6, -1.3, 6.2, 0.4), FEATURE),
                (seg(1.3, 2.6, 1.3, 6.2, 0.4), FEATURE)]
    if kind == "none":
        return []
    raise ValueError(kind)


def face_layers(d):
    colour = d.get("colour", "yellow")
    layers = []
    layers.append((disc(0, 0, 9.0), OUTLINE))
    layers.append((disc(0, 0, 8.1), shade(colour, d.get("redden", 0.0))))
    if d.get("blush", 0) > 0:
        a = d["blush"]
        tint = mix(FACES[colour][0], BLUSH, a)
        layers += [(ellipse(-5.0, 1.6, 1.8, 1.1), tint), (ellipse(5.0, 1.6, 1.8, 1.1), tint)]
    look = d.get("look", (0.0, 0.0))
    eyes = d.get("eyes", "dot")
    left, right = eyes if isinstance(eyes, tuple) else (eyes, eyes)
    pulse = d.get("pulse", 0.0)
    layers += eye_layers(left, -1, look, pulse) + eye_layers(right, 1, look, pulse)
    layers += brow_layers(d.get("brows", "none"))
    layers += mouth_layers(d.get("mouth", "smile"), d.get("p", 0.0))
    layers += d.get("front", [])
    return layers


# Extras drawn in front of or behind the face.


def tear(x, y, s=1.0):
    bottom = disc(x, y + 0.6 * s, 0.9 * s)
    top = poly([(x - 0.85 * s, y + 0.5 * s), (x + 0.85 * s, y + 0.5 * s), (x, y - 1.3 * s)])
    return [(lambda u, v: bottom(u, v) or top(u, v), TEAR)]


def sunglasses(glint=None):
    lens = lambda x: both(ellipse(x, -2.3, 3.3, 2.2), rect(-9, -4.2, 9, 9))
    layers = [(seg(-8.2, -3.6, 8.2, -3.6, 0.9), BLACK), (lens(-3.5), BLACK), (lens(3.5), BLACK)]
    if glint is not None:
        lenses = [lens(-3.5), lens(3.5)]
        streak = seg(glint - 1.0, -1.0, glint + 0.6, -3.8, 0.7)
        layers.append((both(streak, lambda u, v: any(l(u, v) for l in lenses)), WHITE))
    return layers


def flat_halo(dy):
    outer = ellipse(0, -10.2 + dy, 5.0, 1.6)
    inner = ellipse(0, -10.2 + dy, 3.6, 0.8)
    return [(minus(outer, inner), GOLD)]


def horns():
    return [(poly([(-7.8, -4.0), (-4.8, -7.2), (-9.6, -10.2)]), DARK_RED),
            (poly([(7.8, -4.0), (4.8, -7.2), (9.6, -10.2)]), DARK_RED)]


def mug(dy):
    body = rect(4.2, 1.0 + dy, 9.6, 9.4 + dy)
    return [(ring(9.8, 5.2 + dy, 1.8, 0.8), GREY), (body, BEER), (rect(4.2, 0.0 + dy, 9.6, 2.0 + dy), FOAM),
            (disc(5.2, 0.4 + dy, 1.0), FOAM), (disc(7.6, 0.0 + dy, 1.1), FOAM),
            (seg(5.6, 3.2 + dy, 5.6, 8.6 + dy, 0.5), (255, 220, 120))]


def cocktail():
    glass = poly([(3.0, 1.0), (9.8, 1.0), (6.4, 5.0)])
    return [(glass, GLASS), (poly([(4.0, 1.6), (8.8, 1.6), (6.4, 4.4)]), (255, 90, 140)),
            (seg(6.4, 5.0, 6.4, 8.6, 0.6), GLASS), (seg(4.6, 8.8, 8.2, 8.8, 0.7), GLASS),
            (disc(8.6, 0.6, 0.9), (90, 200, 60)), (seg(5.0, -1.6, 7.4, 3.0, 0.4), RED)]


def note(x, y):
    return [(ellipse(x, y, 1.0, 0.8), BLACK), (seg(x + 0.9, y, x + 0.9, y - 3.4, 0.45), BLACK),
            (seg(x + 0.9, y - 3.4, x + 2.2, y - 2.6, 0.45), BLACK)]


def question(dy):
    blue = (40, 90, 220)
    return [(arc(6.4, -6.8 + dy, 1.5, 0.8, 160, 400), blue), (seg(6.4, -5.3 + dy, 6.4, -4.3 + dy, 0.8), blue),
            (disc(6.4, -2.9 + dy, 0.5), blue)]


def fist():
    return [(ellipse(6.8, 5.6, 2.6, 2.3), (255, 214, 90)), (ring(6.8, 5.6, 2.6, 0.5), OUTLINE),
            (ellipse(6.0, 3.6, 0.8, 1.1), (255, 170, 150)), (seg(5.5, 6.0, 8.2, 6.0, 0.35), OUTLINE)]


def hand_over_mouth():
    return [(ellipse(0.4, 5.0, 3.6, 2.0), (255, 214, 90)), (ring(0.4, 5.0, 3.6, 0.45), OUTLINE),
            (seg(-1.6, 3.6, -1.6, 6.0, 0.3), OUTLINE), (seg(0.4, 3.2, 0.4, 6.6, 0.3), OUTLINE),
            (seg(2.4, 3.6, 2.4, 6.0, 0.3), OUTLINE)]


def sweat():
    return tear(6.8, -5.6, 1.1)


def bandage_hole():
    return [(disc(-1.6, -6.0, 1.3), DARK_RED), (disc(-1.6, -6.0, 0.6), BLACK)]


def zzz(t):
    layers = []
    for i, base in enumerate((0.0, 0.33, 0.66)):
        phase = (t + base) % 1.0
        s = 0.8 + 0.9 * phase
        layers.append((letter_z(4.5 + 4.0 * phase, -4.0 - 6.0 * phase, s, 0.45), (60, 90, 200)))
    return layers


# ---------------------------------------------------------------------------------------
# Rendering and quantising.


def render(layers, width, height, cx, cy, scale, alpha=False):
    """Returns rows of pixels: (r, g, b) or None (transparent); with alpha, (r, g, b, a)."""
    rows = []
    n = SUPERSAMPLE
    for py in range(height):
        row = []
        for px in range(width):
            acc = [0, 0, 0]
            hits = 0
            for sy in range(n):
                for sx in range(n):
                    u = (px + (sx + 0.5) / n - cx) / scale
                    v = (py + (sy + 0.5) / n - cy) / scale
                    for shape, colour in reversed(layers):
                        if shape(u, v):
                            c = colour(u, v) if callable(colour) else colour
                            acc[0] += c[0]
                            acc[1] += c[1]
                            acc[2] += c[2]
                            hits += 1
                            break
            if alpha:
                if hits == 0:
                    row.append((0, 0, 0, 0))
                else:
                    colour = tuple(round(a / hits) for a in acc)
                    row.append(colour + (round(255 * hits / (n * n)),))
            else:
                row.append(tuple(round(a / hits) for a in acc) if hits * 2 >= n * n else None)
        rows.append(row)
    return rows


def build_palette(frames):
    """At most 255 colours (index 0 is transparent) covering every frame, by coarsening."""
    step = 1
    while True:
        def q(c):
            return tuple(min(255, (x // step) * step + step // 2) if step > 1 else x for x in c)

        colours = sorted({q(c) for f in frames for row in f for c in row if c is not None})
        if len(colours) <= 255:
            return colours, q
        step *= 2


# ---------------------------------------------------------------------------------------
# GIF89a.


def lzw(indices, min_code_size):
    clear = 1 << min_code_size
    eoi = clear + 1
    out = bytearray()
    bits = 0
    nbits = 0

    def emit(code, size):
        nonlocal bits, nbits
        bits |= code << nbits
        nbits += size
        while nbits >= 8:
            out.append(bits & 0xFF)
            bits >>= 8
            nbits -= 8

    def reset():
        return {(None, i): i for i in range(clear)}, min_code_size + 1, eoi + 1

    table, size, nxt = reset()
    emit(clear, size)
    prefix = None
    for index in indices:
        key = (prefix, index)
        if key in table:
            prefix = table[key]
            continue
        emit(prefix, size)
        table[key] = nxt
        nxt += 1
        if nxt == 4096:
            emit(clear, size)
            table, size, nxt = reset()
        elif nxt > (1 << size):
            size += 1
        prefix = table[(None, index)]
    if prefix is not None:
        emit(prefix, size)
    emit(eoi, size)
    if nbits:
        out.append(bits & 0xFF)
    return bytes(out)


def sub_blocks(data):
    out = bytearray()
    for i in range(0, len(data), 255):
        chunk = data[i:i + 255]
        out.append(len(chunk))
        out += chunk
    out.append(0)
    return bytes(out)


def write_gif(path, frames, delays):
    """frames: rows of (r, g, b) or None; delays in hundredths of a second."""
    height = len(frames[0])
    width = len(frames[0][0])
    colours, q = build_palette(frames)
    table_bits = max(1, math.ceil(math.log2(len(colours) + 1)))
    table_size = 1 << table_bits
    lookup = {c: i + 1 for i, c in enumerate(colours)}
    palette = bytearray(b"\xff\xff\xff")  # index 0: transparent
    for c in colours:
        palette += bytes(c)
    palette += b"\x00" * (3 * table_size - len(palette))

    data = bytearray(b"GIF89a")
    data += struct.pack("<HHBBB", width, height, 0x80 | ((7) << 4) | (table_bits - 1), 0, 0)
    data += palette
    data += b"\x21\xff\x0bNETSCAPE2.0\x03\x01" + struct.pack("<H", 0) + b"\x00"  # loop forever
    min_code = max(2, table_bits)
    for frame, delay in zip(frames, delays):
        # Graphic control: dispose to background, transparent index 0.
        data += b"\x21\xf9\x04" + bytes([(2 << 2) | 1]) + struct.pack("<H", delay) + b"\x00\x00"
        data += b"\x2c" + struct.pack("<HHHHB", 0, 0, width, height, 0)
        indices = [0 if c is None else lookup[q(c)] for row in frame for c in row]
        data.append(min_code)
        data += sub_blocks(lzw(indices, min_code))
    data += b"\x3b"
    path.write_bytes(bytes(data))


# ---------------------------------------------------------------------------------------
# PNG (RGBA).


def write_png(path, rows):
    height = len(rows)
    width = len(rows[0])
    raw = bytearray()
    for row in rows:
        raw.append(0)
        for px in row:
            raw += bytes(px)

    def chunk(kind, payload):
        return struct.pack(">I", len(payload)) + kind + payload + struct.pack(">I", zlib.crc32(kind + payload) & 0xFFFFFFFF)

    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b"")
    path.parent.mkdir(parents=True, exist_ok=True)
    path.write_bytes(png)


# ---------------------------------------------------------------------------------------
# The default external set: (file, Chars, Label, frames); frames is a list of (face, delay
# in hundredths of a second). Order matters: a longer sequence that contains a shorter one
# (">:(" and ":(", ":omg" and ":O", ":sick" and ":S", compared without regard to case) stands
# before it.

TAU = 2 * math.pi


def blink(face, open_time=220):
    closed = dict(face, eyes="closed")
    return [(face, open_time), (closed, 12), (face, 60), (closed, 12)]


def cycle(n, make, delay):
    """n frames of make(t) for t = 0, 1/n, ... (n-1)/n."""
    return [(make(i / n), delay) for i in range(n)]


def laugh(t):
    return {"mouth": "laugh", "eyes": "closed", "p": 0.8 * abs(math.sin(t * math.pi))}


def tongue(t):
    return {"mouth": "tongue", "p": 0.5 - 0.5 * math.cos(t * TAU), "eyes": ("closed", "dot")}


def angry(t):
    return {"redden": 0.9 * math.sin(t * math.pi), "brows": "angry", "eyes": "angry", "mouth": "frown_small"}


def cry(t):
    tears = tear(-3.3, -0.2 + 7.0 * t) + tear(3.3, 7.0 * ((t + 0.5) % 1.0) - 0.2)
    return {"mouth": "frown", "brows": "sad", "eyes": "closed", "front": tears}


def omg(t):
    return {"colour": "pale", "eyes": "big", "mouth": "scream", "p": 0.6 * math.sin(t * math.pi),
            "look": (0.0, 0.6 * math.sin(t * TAU))}


def surprised(t):
    return {"eyes": "wide", "brows": "raised", "mouth": "o", "p": 0.9 * math.sin(t * math.pi)}


def cool():
    glints = [(None, 150), (-6.0, 6), (-3.0, 6), (0.0, 6), (3.0, 6), (6.0, 6)]
    return [({"mouth": "smirk", "front": sunglasses(g)}, delay) for g, delay in glints]


def kiss(t):
    flying = [(heart(5.6 + 1.5 * t, 2.0 - 9.0 * t, 1.2 + 0.6 * t), RED)] if t > 0 else []
    return {"mouth": "kiss", "eyes": ("dot", "closed"), "blush": 0.6, "front": flying}


def blush(t):
    return {"mouth": "smile_small", "eyes": "down", "blush": 0.35 + 0.6 * math.sin(t * math.pi)}


def sick(t):
    return {"colour": "green" if t < 0.5 else "yellow", "eyes": "x", "mouth": "wavy", "p": t}


def confused(t):
    mark = question(0.6 * math.sin(t * TAU)) if t < 0.75 else []
    return {"mouth": "wavy", "p": t, "brows": "one", "look": (0.8 * math.sin(t * TAU), 0.0), "front": mark}


def sleep(t):
    return {"eyes": "shut", "mouth": "o_small", "front": zzz(t)}


def love(t):
    return {"eyes": "heart", "pulse": 0.5 * math.sin(t * TAU), "mouth": "smile", "blush": 0.5}


def devil(t):
    return {"colour": "purple", "zoom": 0.9, "dy": 0.8, "brows": "angry", "mouth": "grin",
            "p": 0.6 * math.sin(t * math.pi), "front": horns(), "look": (0.6 * math.sin(t * TAU), 0.0)}


def angel(t):
    return {"mouth": "smile", "eyes": "closed", "zoom": 0.85, "dy": 1.4, "front": flat_halo(0.6 * math.sin(t * TAU))}


def nod(t):
    return {"mouth": "smile", "look": (0.0, math.sin(t * TAU)), "dy": math.sin(t * TAU)}


def shake(t):
    return {"mouth": "frown_small", "look": (math.sin(t * TAU), 0.0), "dx": math.sin(t * TAU)}


def lol(t):
    return {"mouth": "laugh", "eyes": "closed", "p": 0.6 * abs(math.sin(t * TAU)),
            "front": tear(-6.6, -1.0 + 2.0 * t) + tear(6.6, -1.0 + 2.0 * t), "dx": 0.6 * math.sin(t * TAU)}


def hmm(t):
    return {"mouth": "slant_up", "brows": "one", "look": (math.cos(t * TAU), -0.3)}


def beer(t):
    return {"mouth": "smile_small", "eyes": ("closed", "dot"), "front": mug(-1.2 * math.sin(t * math.pi))}


def music(t):
    return {"mouth": "o_small", "eyes": "closed", "front": note(4.2 + 1.2 * math.sin(t * TAU), 0.5 - 4.0 * t)}


WINK_OPEN = {"mouth": "smirk"}
SAD = {"mouth": "frown", "brows": "sad"}

EXTERNAL = [
    ("smile.gif", ":)", "Улыбка", blink({"mouth": "smile"})),
    ("wink.gif", ";)", "Подмигивание", [(WINK_OPEN, 150), (dict(WINK_OPEN, eyes=("closed", "dot")), 45)]),
    ("laugh.gif", ":D", "Смех", cycle(4, laugh, 12)),
    ("tongue.gif", ":P", "Язык", cycle(6, tongue, 14)),
    ("angry.gif", ">:(", "Злость", cycle(6, angry, 18)),
    ("sad.gif", ":(", "Грусть", [(SAD, 200), (dict(SAD, eyes="down"), 80)]),
    ("cry.gif", ":'(", "Плач", cycle(6, cry, 12)),
    ("omg.gif", ":omg", "Ужас", cycle(4, omg, 14)),
    ("surprised.gif", ":O", "Удивление", cycle(6, surprised, 15)),
    ("cool.gif", "B-)", "Круто", cool()),
    ("kiss.gif", ":*", "Поцелуй", cycle(8, kiss, 12)),
    ("blush.gif", ":$", "Смущение", cycle(6, blush, 16)),
    ("sick.gif", ":sick", "Тошнота", cycle(4, sick, 20)),
    ("confused.gif", ":S", "Недоумение", cycle(4, confused, 22)),
    ("sleep.gif", "|-)", "Сон", cycle(6, sleep, 20)),
    ("love.gif", ":love", "Влюблённость", cycle(4, love, 16)),
    ("devil.gif", "]:->", "Чертёнок", cycle(4, devil, 18)),
    ("angel.gif", "O:-)", "Ангел", cycle(6, angel, 16)),
    ("yes.gif", ":yes", "Да", cycle(4, nod, 14)),
    ("no.gif", ":no", "Нет", cycle(4, shake, 12)),
    ("lol.gif", ":lol", "Хохот", cycle(4, lol, 10)),
    ("hmm.gif", ":hmm", "Хмм", cycle(4, hmm, 28)),
    ("beer.gif", ":beer", "Пиво", cycle(4, beer, 22)),
    ("music.gif", ":music", "Напевает", cycle(6, music, 16)),
]

# The built-in set, index 0 to 32: the sequence after its leading blank, and its face.
CHECK_MARK = [(polyline([(4.6, -9.4), (6.2, -7.8), (9.2, -11.4)], 1.1), (30, 150, 40))]
CROSS = [(seg(5.0, -11.4, 8.6, -7.8, 1.1), RED), (seg(5.0, -7.8, 8.6, -11.4, 1.1), RED)]
NOSE = [(ellipse(0.0, 0.6, 0.8, 0.6), (200, 130, 0))]

BUILTIN = [
    (":)", {"mouth": "smile"}),
    (":-)", {"mouth": "smile_small", "front": NOSE}),
    (":(", {"mouth": "frown"}),
    (";)", {"mouth": "smirk", "eyes": ("closed", "dot")}),
    (":lol", {"mouth": "laugh", "eyes": "closed", "front": tear(-6.6, 0.0) + tear(6.6, 0.0)}),
    (":D", {"mouth": "laugh", "p": 0.4}),
    (":-*", {"mouth": "kiss", "blush": 0.6, "front": [(heart(6.0, -5.0, 1.4), RED)]}),
    (":cool", {"mouth": "smirk", "front": sunglasses(-3.0)}),
    (":yes", {"mouth": "smile", "eyes": "down", "front": CHECK_MARK}),
    (":no", {"mouth": "frown_small", "look": (1.0, 0.0), "front": CROSS}),
    (":angry", {"colour": "red", "brows": "angry", "eyes": "angry", "mouth": "frown_small"}),
    (":->", {"mouth": "smirk", "brows": "one"}),
    (":-/", {"mouth": "slant_up"}),
    (":-\\", {"mouth": "slant_down"}),
    (":w00t", {"eyes": "big", "mouth": "laugh", "p": 0.3, "brows": "raised"}),
    (":beer", {"mouth": "smile_small", "eyes": ("closed", "dot"), "front": mug(0.0)}),
    (":angel", {"mouth": "smile", "eyes": "closed", "front": flat_halo(-0.4)}),
    (":'(", {"mouth": "frown", "brows": "sad", "eyes": "closed", "front": tear(-3.3, 2.0) + tear(3.3, 4.5)}),
    (":-(", {"mouth": "frown_small", "eyes": "down"}),
    (":weird", {"eyes": "spiral", "mouth": "wavy", "colour": "green"}),
    (":devil", {"colour": "purple", "brows": "angry", "mouth": "grin", "front": horns()}),
    (":headshot", {"eyes": "x", "mouth": "o_small", "colour": "pale", "front": bandage_hole()}),
    (":hmm", {"mouth": "slant_up", "brows": "one", "look": (0.8, -0.3)}),
    (":love", {"eyes": "heart", "mouth": "smile", "blush": 0.5}),
    (":omg", {"colour": "pale", "eyes": "big", "mouth": "scream", "p": 0.4}),
    (":oops", {"eyes": "wide", "blush": 0.8, "front": hand_over_mouth() + sweat()}),
    (":pouty", {"mouth": "pout", "brows": "sad", "eyes": "down"}),
    (":O", {"eyes": "wide", "mouth": "o", "p": 0.6}),
    (":sick", {"colour": "green", "eyes": "x", "mouth": "wavy"}),
    (":wtf", {"eyes": ("small", "big"), "brows": "one", "mouth": "flat"}),
    (":K", {"mouth": "teeth", "eyes": "angry"}),
    (":figa", {"mouth": "smirk", "eyes": ("closed", "dot"), "front": fist()}),
    (":drink", {"mouth": "smile_small", "eyes": "closed", "blush": 0.5, "front": cocktail()}),
]


def external_frame(face):
    # The face (radius 9 units) fills the 20 x 20 square; "dx"/"dy" move it (in pixels),
    # "zoom" shrinks it to leave room for a halo or horns.
    cx = 10.0 + face.get("dx", 0.0)
    cy = 10.0 + face.get("dy", 0.0)
    return render(face_layers(face), 20, 20, cx, cy, 1.0 * face.get("zoom", 1.0))


def write_set_file(path):
    lines = ["; Vantrel's default smiley set: one section per smiley, in picker order."]
    for i, (file, chars, label, _) in enumerate(EXTERNAL):
        lines += ["", f"[Smiley{i + 1:02d}]", f"FileName={file}", f"Chars={chars}", f"Label={label}"]
    path.write_bytes(b"\xff\xfe" + ("\r\n".join(lines) + "\r\n").encode("utf-16-le"))


def write_preview(path, sheets, zoom=4):
    """Every frame enlarged on a light grey ground, one smiley per row (for checking by eye)."""
    width = max(sum(len(f[0]) + 2 for f in frames) for frames in sheets)
    rows = []
    for frames in sheets:
        height = max(len(f) for f in frames) + 2
        band = [[(230, 230, 230, 255)] * width for _ in range(height)]
        x = 0
        for f in frames:
            for y, row in enumerate(f):
                for i, c in enumerate(row):
                    if c is not None and (len(c) == 3 or c[3] > 0):
                        a = 1.0 if len(c) == 3 else c[3] / 255
                        band[y + 1][x + 1 + i] = tuple(round(c[k] * a + 230 * (1 - a)) for k in range(3)) + (255,)
            x += len(f[0]) + 2
        rows += band
    big = [[px for px in row for _ in range(zoom)] for row in rows for _ in range(zoom)]
    write_png(path, big)


def main(argv) -> None:
    preview = pathlib.Path(argv[argv.index("--preview") + 1]) if "--preview" in argv else None
    SET_DIR.mkdir(parents=True, exist_ok=True)
    sheets = []
    for file, chars, label, frames in EXTERNAL:
        images = [external_frame(face) for face, _ in frames]
        write_gif(SET_DIR / file, images, [delay for _, delay in frames])
        sheets.append(images)
        print(f"wrote {file}: {chars} {label}, {len(images)} frames")
    write_set_file(SET_DIR / "Smiles.ini")

    assert len(BUILTIN) == 33
    strip = [[] for _ in range(22)]
    builtin = []
    for chars, face in BUILTIN:
        # 19 x 22: the face fills the lower 19 x 19 square, extras may use the rows above it.
        rows = render(face_layers(face), 19, 22, 9.5, 12.5, 0.98 * 9.5 / 9.0, alpha=True)
        builtin.append(rows)
        for y in range(22):
            strip[y] += rows[y]
    write_png(BUILTIN_PNG, strip)
    print(f"wrote {BUILTIN_PNG.relative_to(ROOT)}: {len(BUILTIN)} built-in pictures")
    if preview:
        write_preview(preview / "external.png", sheets)
        write_preview(preview / "builtin.png", [builtin[i:i + 11] for i in range(0, 33, 11)])


if __name__ == "__main__":
    import sys

    main(sys.argv[1:])
