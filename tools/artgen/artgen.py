#!/usr/bin/env python3
"""Generates Velumix's artwork: button faces, list bulbs, dialog background
and icons, as 16-colour BMP and ICO files.

The outputs are committed under res/, so a build never needs this script.
Everything is drawn from the tables below with integer arithmetic only, so
two runs give byte-identical files.

    python3 tools/artgen/artgen.py [--out DIR]
"""

import argparse
import os
import struct
import sys

# The classic 16-colour VGA palette, in the order Windows uses for 4 bpp DIBs.
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
(BLACK, MAROON, GREEN, OLIVE, NAVY, PURPLE, TEAL, SILVER,
 GREY, RED, LIME, YELLOW, BLUE, FUCHSIA, AQUA, WHITE) = range(16)

# One letter per palette entry for the hand-drawn pixel maps.
# Space means "transparent" in icons and is not allowed elsewhere.
INK = {
    'K': BLACK, 'm': MAROON, 'e': GREEN, 'o': OLIVE,
    'n': NAVY, 'p': PURPLE, 't': TEAL, 'L': SILVER,
    'g': GREY, 'R': RED, 'E': LIME, 'Y': YELLOW,
    'B': BLUE, 'P': FUCHSIA, 'C': AQUA, 'W': WHITE,
}


class Canvas:
    def __init__(self, width, height, colour=0):
        self.width = width
        self.height = height
        self.px = [[colour] * width for _ in range(height)]

    def put(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.px[y][x] = colour

    def hline(self, x0, x1, y, colour):
        for x in range(x0, x1 + 1):
            self.put(x, y, colour)

    def vline(self, x, y0, y1, colour):
        for y in range(y0, y1 + 1):
            self.put(x, y, colour)

    def edge(self, x0, y0, x1, y1, top_left, bottom_right):
        # Same corner rule as DrawEdge: the bottom/right line owns the
        # bottom-left and top-right corner pixels.
        self.hline(x0, x1 - 1, y0, top_left)
        self.vline(x0, y0, y1 - 1, top_left)
        self.hline(x0, x1, y1, bottom_right)
        self.vline(x1, y0, y1, bottom_right)


def pixel_map(rows, transparent=None):
    """Turns a list of equal-length strings into a Canvas (+ mask)."""
    width = len(rows[0])
    for r in rows:
        if len(r) != width:
            raise ValueError('ragged pixel map row: %r' % r)
    c = Canvas(width, len(rows))
    mask = [[False] * width for _ in rows]
    for y, r in enumerate(rows):
        for x, ch in enumerate(r):
            if ch == ' ':
                if transparent is None:
                    raise ValueError('transparent pixel in opaque map')
                mask[y][x] = True
                c.px[y][x] = transparent
            else:
                c.px[y][x] = INK[ch]
    return c, mask


# ---------------------------------------------------------------------------
# Bold UI pixel font.
#
# Modelled on the 8 pt bold dialog fonts: cap height 8, x-height 6,
# descender 2, vertical stems 2 px, horizontal strokes 1 px, 1 px between
# letters.  Each glyph is (top, rows): `top` is the row of its first line
# relative to the cap line (0); the baseline is row 7.  The i dot sits one
# row above the cap line so it can be 2 px tall and still clear the stem.

FONT = {
    'A': (0, ['..###..',
              '..###..',
              '.##.##.',
              '.##.##.',
              '##...##',
              '#######',
              '##...##',
              '##...##']),
    'B': (0, ['######.',
              '##...##',
              '##...##',
              '######.',
              '##...##',
              '##...##',
              '##...##',
              '######.']),
    'C': (0, ['..####.',
              '.##..##',
              '##.....',
              '##.....',
              '##.....',
              '##.....',
              '.##..##',
              '..####.']),
    'D': (0, ['#####..',
              '##..##.',
              '##...##',
              '##...##',
              '##...##',
              '##...##',
              '##..##.',
              '#####..']),
    'E': (0, ['######',
              '##....',
              '##....',
              '#####.',
              '##....',
              '##....',
              '##....',
              '######']),
    'H': (0, ['##...##',
              '##...##',
              '##...##',
              '#######',
              '##...##',
              '##...##',
              '##...##',
              '##...##']),
    'K': (0, ['##...##',
              '##..##.',
              '##.##..',
              '####...',
              '####...',
              '##.##..',
              '##..##.',
              '##...##']),
    'L': (0, ['##....',
              '##....',
              '##....',
              '##....',
              '##....',
              '##....',
              '##....',
              '######']),
    'N': (0, ['##....##',
              '###...##',
              '####..##',
              '##.##.##',
              '##..####',
              '##...###',
              '##....##',
              '##....##']),
    'O': (0, ['..####..',
              '.##..##.',
              '##....##',
              '##....##',
              '##....##',
              '##....##',
              '.##..##.',
              '..####..']),
    'P': (0, ['######.',
              '##...##',
              '##...##',
              '##...##',
              '######.',
              '##.....',
              '##.....',
              '##.....']),
    'R': (0, ['######.',
              '##...##',
              '##...##',
              '##...##',
              '######.',
              '##.##..',
              '##..##.',
              '##...##']),
    'S': (0, ['.####.',
              '##..##',
              '##....',
              '.####.',
              '....##',
              '....##',
              '##..##',
              '.####.']),
    'T': (0, ['######',
              '..##..',
              '..##..',
              '..##..',
              '..##..',
              '..##..',
              '..##..',
              '..##..']),
    'U': (0, ['##...##',
              '##...##',
              '##...##',
              '##...##',
              '##...##',
              '##...##',
              '##...##',
              '.#####.']),
    'W': (0, ['##......##',
              '##......##',
              '##..##..##',
              '##..##..##',
              '##..##..##',
              '##.####.##',
              '.###..###.',
              '.##....##.']),
    'a': (2, ['.####.',
              '....##',
              '.#####',
              '##..##',
              '##..##',
              '.#####']),
    'b': (0, ['##....',
              '##....',
              '#####.',
              '##..##',
              '##..##',
              '##..##',
              '##..##',
              '#####.']),
    'c': (2, ['.####',
              '##...',
              '##...',
              '##...',
              '##...',
              '.####']),
    'd': (0, ['....##',
              '....##',
              '.#####',
              '##..##',
              '##..##',
              '##..##',
              '##..##',
              '.#####']),
    'e': (2, ['.####.',
              '##..##',
              '######',
              '##....',
              '##..##',
              '.####.']),
    'f': (0, ['..###',
              '.##..',
              '####.',
              '.##..',
              '.##..',
              '.##..',
              '.##..',
              '.##..']),
    'g': (2, ['.#####',
              '##..##',
              '##..##',
              '##..##',
              '##..##',
              '.#####',
              '....##',
              '.####.']),
    'h': (0, ['##....',
              '##....',
              '##.##.',
              '###.##',
              '##..##',
              '##..##',
              '##..##',
              '##..##']),
    'i': (-1, ['##',
               '##',
               '..',
               '##',
               '##',
               '##',
               '##',
               '##',
               '##']),
    'k': (0, ['##....',
              '##....',
              '##..##',
              '##.##.',
              '####..',
              '####..',
              '##.##.',
              '##..##']),
    'l': (0, ['##'] * 8),
    'm': (2, ['##.###.##.',
              '###.###.##',
              '##..##..##',
              '##..##..##',
              '##..##..##',
              '##..##..##']),
    'n': (2, ['##.##.',
              '###.##',
              '##..##',
              '##..##',
              '##..##',
              '##..##']),
    'o': (2, ['.####.',
              '##..##',
              '##..##',
              '##..##',
              '##..##',
              '.####.']),
    'p': (2, ['#####.',
              '##..##',
              '##..##',
              '##..##',
              '##..##',
              '#####.',
              '##....',
              '##....']),
    'r': (2, ['##.##',
              '####.',
              '##...',
              '##...',
              '##...',
              '##...']),
    's': (2, ['.####',
              '##...',
              '###..',
              '..###',
              '...##',
              '####.']),
    't': (1, ['.##..',
              '####.',
              '.##..',
              '.##..',
              '.##..',
              '.##..',
              '..###']),
    'u': (2, ['##..##',
              '##..##',
              '##..##',
              '##..##',
              '##.###',
              '.##.##']),
    'v': (2, ['##..##',
              '##..##',
              '##..##',
              '.####.',
              '.####.',
              '..##..']),
    'w': (2, ['##..##..##',
              '##..##..##',
              '##..##..##',
              '##.####.##',
              '.###..###.',
              '.##....##.']),
    'x': (2, ['##...##',
              '.##.##.',
              '..###..',
              '..###..',
              '.##.##.',
              '##...##']),
    'y': (2, ['##..##',
              '##..##',
              '##..##',
              '##..##',
              '##..##',
              '.#####',
              '....##',
              '.####.']),
    '.': (6, ['##',
              '##']),
    '-': (4, ['####']),
    ' ': (0, ['..']),
}
CAP_HEIGHT = 8
LETTER_SPACING = 1


def text_width(text):
    return sum(len(FONT[ch][1][0]) for ch in text) + LETTER_SPACING * (len(text) - 1)


def draw_text(canvas, x, y, text, colour):
    """Draws `text` with its cap line at row y."""
    for ch in text:
        top, rows = FONT[ch]
        for dy, r in enumerate(rows):
            for dx, bit in enumerate(r):
                if bit == '#':
                    canvas.put(x + dx, y + top + dy, colour)
        x += len(rows[0]) + LETTER_SPACING


# ---------------------------------------------------------------------------
# BMP / ICO encoding.

def pack_rows(canvas, bpp, rows=None):
    """Bottom-up DIB pixel rows, each padded to 4 bytes."""
    rows = canvas.px if rows is None else rows
    out = bytearray()
    for row in reversed(rows):
        line = bytearray()
        if bpp == 8:
            line.extend(row)
        elif bpp == 4:
            for i in range(0, len(row), 2):
                hi = row[i]
                lo = row[i + 1] if i + 1 < len(row) else 0
                line.append((hi << 4) | lo)
        elif bpp == 1:
            for i in range(0, len(row), 8):
                b = 0
                for j, v in enumerate(row[i:i + 8]):
                    if v:
                        b |= 0x80 >> j
                line.append(b)
        else:
            raise ValueError(bpp)
        line.extend(b'\0' * (-len(line) % 4))
        out.extend(line)
    return bytes(out)


def palette_bytes(count):
    entries = PALETTE + [(0, 0, 0)] * (count - len(PALETTE))
    return b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in entries)


def info_header(width, height, bpp, image_size, colours_used):
    return struct.pack('<IiiHHIIiiII', 40, width, height, 1, bpp, 0,
                       image_size, 0, 0, colours_used, 0)


def bmp_file(canvas, bpp=4):
    pixels = pack_rows(canvas, bpp)
    ncolours = 1 << bpp
    info = info_header(canvas.width, canvas.height, bpp, len(pixels), ncolours)
    pal = palette_bytes(ncolours)
    offset = 14 + len(info) + len(pal)
    head = struct.pack('<2sIHHI', b'BM', offset + len(pixels), 0, 0, offset)
    return head + info + pal + pixels


def icon_image(canvas, mask):
    """One 4 bpp icon DIB: header with doubled height, XOR, then AND mask."""
    xor = pack_rows(canvas, 4)
    andmask = pack_rows(canvas, 1, [[1 if m else 0 for m in row] for row in mask])
    info = info_header(canvas.width, canvas.height * 2, 4, len(xor) + len(andmask), 0)
    return info + palette_bytes(16) + xor + andmask


def ico_file(images):
    """images: list of (canvas, mask)."""
    blobs = [icon_image(c, m) for c, m in images]
    out = bytearray(struct.pack('<HHH', 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for (c, _), blob in zip(images, blobs):
        out += struct.pack('<BBBBHHII', c.width % 256, c.height % 256, 16, 0,
                           1, 4, len(blob), offset)
        offset += len(blob)
    for blob in blobs:
        out += blob
    return bytes(out)


# ---------------------------------------------------------------------------
# Button faces.

FACE_W, FACE_H = 89, 26

# caption: (normal, hover, pressed) resource ids
FACES = [
    ('Lock', (129, 145, 146)),
    ('Hide All', (130, 131, 132)),
    ('Show All', (134, 135, 133)),
    ('Exit', (137, 136, 138)),
    ('Configure...', (140, 141, 147)),
    ('OK', (143, 144, 142)),
    ('Cancel', (150, 151, 149)),
    ('Help', (153, 154, 152)),
]


def face(caption, state):
    c = Canvas(FACE_W, FACE_H, SILVER)
    r, b = FACE_W - 1, FACE_H - 1
    if state == 'normal':
        c.edge(0, 0, r, b, GREY, WHITE)
        c.edge(1, 1, r - 1, b - 1, WHITE, GREY)
        colour, shift = BLACK, 0
    elif state == 'hover':
        c.edge(0, 0, r, b, WHITE, BLACK)
        colour, shift = BLUE, 0
    else:
        c.edge(0, 0, r, b, BLACK, WHITE)
        colour, shift = PURPLE, 1
    width = text_width(caption)
    if width > FACE_W - 8:
        raise ValueError('caption too wide for a button face: %r' % caption)
    x = (FACE_W - width) // 2
    y = (FACE_H - CAP_HEIGHT) // 2
    draw_text(c, x + shift, y + shift, caption, colour)
    return c


# ---------------------------------------------------------------------------
# List bulbs, 15 x 15, shown beside each window title.

BULB_HIDDEN = [
    'WWWWWWWWWWWWWWW',
    'WWWWWWWWWWWWWWW',
    'WWWWWWWWWWWWWWW',
    'WWWWWKKKKKWWWWW',
    'WWWWKgLLggKWWWW',
    'WWWKgLgggggKWWW',
    'WWWKgLgggggKWWW',
    'WWWKgggggggKWWW',
    'WWWWKgggggKWWWW',
    'WWWWWKgggKWWWWW',
    'WWWWWKKKKKWWWWW',
    'WWWWWKLLLKWWWWW',
    'WWWWWKKKKKWWWWW',
    'WWWWWKLLLKWWWWW',
    'WWWWWWKKKWWWWWW',
]

BULB_SHOWN = [
    'WWWWWWWYoWWWWWW',
    'WYWWWWWYoWWWWYW',
    'WoYWWWWWWWWWYoW',
    'WWWWWKKKKKWWWWW',
    'WWWWKYWWYYKWWWW',
    'WWWKYWYYYYYKWWW',
    'YYWKYWYYYYYKWYY',
    'ooWKYYYYYYYKWoo',
    'WWWWKYYYYYKWWWW',
    'WWWWWKYYYKWWWWW',
    'WWWWWKKKKKWWWWW',
    'WWWWWKLLLKWWWWW',
    'WWWWWKKKKKWWWWW',
    'WWWWWKLLLKWWWWW',
    'WWWWWWKKKWWWWWW',
]


# The pin, 11 x 15, at the right end of a row whose window Hide All leaves
# shown: a red push pin, drawn on the row's white and on its selected navy.
# '.' is the row's background.

PIN = [
    '...........',
    '...KKKKK...',
    '..KRRRRmK..',
    '..KRWRRmK..',
    '..KRRRRmK..',
    '...KRRmK...',
    '...KRRmK...',
    '..KRRRRmK..',
    '.KmmmmmmmK.',
    '..KKKKKKK..',
    '.....K.....',
    '.....g.....',
    '.....g.....',
    '.....L.....',
    '...........',
]


def pin(background):
    return pixel_map([row.replace('.', background) for row in PIN])[0]


# ---------------------------------------------------------------------------
# Dialog background, 335 x 232.

BG_W, BG_H = 335, 232
LIST_X, LIST_W = 11, 308
LABEL_LONG = 'Windows on this desktop - click one to hide or show it'
LABEL_SHORT = 'Click a window to hide or show it'


def background():
    c = Canvas(BG_W, BG_H, SILVER)
    label = LABEL_LONG if text_width(LABEL_LONG) <= LIST_W else LABEL_SHORT
    draw_text(c, LIST_X, 10, label, NAVY)
    # Etched groove in the gap between the list (ends at y 144) and the
    # first button row (starts at y 153).
    c.hline(LIST_X, LIST_X + LIST_W - 1, 148, GREY)
    c.hline(LIST_X, LIST_X + LIST_W - 1, 149, WHITE)
    return c


# ---------------------------------------------------------------------------
# Program icon: an application window with a dark curtain drawn half across
# it.  Space is transparent.

ICON_32 = [
    '                                ',
    'KK                            KK',
    'KKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKK',
    'KK            KpPppnpPppnpPppnKK',
    '  KKKKKKKKKKKKKpPppnpPppnpPppnK ',
    '  KLLLLLLLLLLLKpPppnpPppnpPppnK ',
    '  KLnnnnnnnnnnKpPppnpPppnpPppnK ',
    '  KLnWWnWWWWWnKpPppnpPppnpPppnK ',
    '  KLnWWnnnnnnnKpPppnpPppnpPppnK ',
    '  KLnnnnnnnnnnKpPppnpPppnpPppnK ',
    '  KLLLLLLLLLLLKpPppnpPppnpPppnK ',
    '  KLggggggggggKpPppnpPppnpPppnK ',
    '  KLgWWWWWWWWWKpPppnpPppnpPppnK ',
    '  KLgWgggggggWKpPppnpPppnpPppnK ',
    '  KLgWWWWWWWWWKpPppnpPppnpPppnK ',
    '  KLgWggggggWWKpPppnpPppnpPppnK ',
    '  KLgWWWWWWWWWKpPppnpPppnpPppnK ',
    '  KLgWggggggggKpPppnpPppnpPppnK ',
    '  KLgWWWWWWWWWKpPppnpPppnpPppnK ',
    '  KLgWgggggWWWKpPppnpPppnpPppnK ',
    '  KLgWWWWWWWWWKpPppnpPppnpPppnK ',
    '  KLgWggggggggKpPppnpPppnpPppnK ',
    '  KLgWWWWWWWWWKpPppnpPppnpPppnK ',
    '  KLgWgggggggWKpPppnpPppnpPppnK ',
    '  KLgWWWWWWWWWKpPppnpPppnpPppnK ',
    '  KLgWWWWWWWWWKpPppnpPppnpPppnK ',
    '  KLLLLLLLLLLLKpPppnpPppnpPppnK ',
    '  KKKKKKKKKKKKKpPppnpPppnpPppnK ',
    '              KpPppnpPppnpPppnK ',
    '              KKpPnKKpPnKKpPnKK ',
    '                KKK  KKK  KKK   ',
    '                                ',
]

ICON_16 = [
    '                ',
    'KKKKKKKKKKKKKKKK',
    '       KpPnpPnK ',
    ' KKKKKKKpPnpPnK ',
    ' KnnnnnKpPnpPnK ',
    ' KnnnnnKpPnpPnK ',
    ' KWWWWWKpPnpPnK ',
    ' KWggggKpPnpPnK ',
    ' KWWWWWKpPnpPnK ',
    ' KWgggWKpPnpPnK ',
    ' KWWWWWKpPnpPnK ',
    ' KWggggKpPnpPnK ',
    ' KWWWWWKpPnpPnK ',
    ' KKKKKKKpPnpPnK ',
    '       KpPnpPnK ',
    '       KKKKKKKK ',
]

# ---------------------------------------------------------------------------

def generate():
    """Returns {relative path: bytes} for every output file."""
    files = {}
    for caption, ids in FACES:
        for state, rid in zip(('normal', 'hover', 'pressed'), ids):
            files['bitmaps/face_%d.bmp' % rid] = bmp_file(face(caption, state))
    files['bitmaps/bulb_hidden.bmp'] = bmp_file(pixel_map(BULB_HIDDEN)[0])
    files['bitmaps/bulb_shown.bmp'] = bmp_file(pixel_map(BULB_SHOWN)[0])
    files['bitmaps/background.bmp'] = bmp_file(background())
    files['bitmaps/pin.bmp'] = bmp_file(pin('W'))
    files['bitmaps/pin_selected.bmp'] = bmp_file(pin('n'))
    for rows, size in ((BULB_HIDDEN, (15, 15)), (BULB_SHOWN, (15, 15)), (PIN, (11, 15)),
                       (ICON_32, (32, 32)), (ICON_16, (16, 16))):
        if (len(rows[0]), len(rows)) != size:
            raise ValueError('pixel map is not %d x %d' % size)
    # Transparent icon pixels must be XOR 0 so they vanish on any background.
    big = pixel_map(ICON_32, transparent=BLACK)
    small = pixel_map(ICON_16, transparent=BLACK)
    empty = (Canvas(32, 32, BLACK), [[True] * 32 for _ in range(32)])
    files['icons/velumix.ico'] = ico_file([big, small])
    files['icons/tray.ico'] = ico_file([big])
    files['icons/tray_camouflage.ico'] = ico_file([empty])
    return files


def main(argv=None):
    here = os.path.dirname(os.path.abspath(__file__))
    default_out = os.path.normpath(os.path.join(here, '..', '..', 'res'))
    ap = argparse.ArgumentParser(description='Generate Velumix artwork.')
    ap.add_argument('--out', default=default_out,
                    help='output directory (default: %(default)s)')
    args = ap.parse_args(argv)
    for rel, data in sorted(generate().items()):
        path = os.path.join(args.out, *rel.split('/'))
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, 'wb') as f:
            f.write(data)
    return 0


if __name__ == '__main__':
    sys.exit(main())
