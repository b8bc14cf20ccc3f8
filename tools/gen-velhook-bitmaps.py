#!/usr/bin/env python3
"""Draws Velhook's bitmaps into velhook/res: the account picture strip (200, 16 x 16 pictures,
24-bit), the shared-folder overlay strip (201, 16 x 16, magenta where transparent) and the two
splash banners (202 for Outlook Express 5, 203 for 6; 400 x 60, 8 bits per
pixel). Run again after changing a picture; the BMP files are kept in the repository."""
import os
import struct
import sys

# A 5 x 7 font for the banner texts: rows top to bottom, five bits each.
FONT = {
    'A': [14, 17, 17, 31, 17, 17, 17], 'B': [30, 17, 17, 30, 17, 17, 30], 'C': [14, 17, 16, 16, 16, 17, 14],
    'D': [30, 17, 17, 17, 17, 17, 30], 'E': [31, 16, 16, 30, 16, 16, 31], 'F': [31, 16, 16, 30, 16, 16, 16],
    'I': [14, 4, 4, 4, 4, 4, 14], 'K': [17, 18, 20, 24, 20, 18, 17], 'L': [16, 16, 16, 16, 16, 16, 31],
    'M': [17, 27, 21, 21, 17, 17, 17], 'N': [17, 25, 21, 19, 17, 17, 17], 'O': [14, 17, 17, 17, 17, 17, 14],
    'P': [30, 17, 17, 30, 16, 16, 16], 'R': [30, 17, 17, 30, 20, 18, 17], 'S': [15, 16, 16, 14, 1, 1, 30],
    'T': [31, 4, 4, 4, 4, 4, 4], 'U': [17, 17, 17, 17, 17, 17, 14], 'V': [17, 17, 17, 17, 17, 10, 4],
    'X': [17, 17, 10, 4, 10, 17, 17], 'W': [17, 17, 17, 21, 21, 21, 10], 'H': [17, 17, 17, 31, 17, 17, 17],
    'G': [14, 17, 16, 23, 17, 17, 15], 'Y': [17, 17, 10, 4, 4, 4, 4], 'Q': [14, 17, 17, 17, 21, 18, 13],
    '5': [31, 16, 30, 1, 1, 17, 14], '6': [6, 8, 16, 30, 17, 17, 14], '.': [0, 0, 0, 0, 0, 12, 12],
    '0': [14, 17, 19, 21, 25, 17, 14], '1': [4, 12, 4, 4, 4, 4, 14], ' ': [0] * 7, '-': [0, 0, 0, 31, 0, 0, 0],
}


def bmp8(width, height, palette, pixels):
    """pixels[y][x] are palette indices, y from the top."""
    row = (width + 3) & ~3
    data = b''.join(bytes(pixels[y]) + b'\0' * (row - width) for y in reversed(range(height)))
    pal = b''.join(struct.pack('<BBBB', b, g, r, 0) for (r, g, b) in palette) + b'\0' * 4 * (256 - len(palette))
    offset = 14 + 40 + len(pal)
    header = struct.pack('<2sIHHI', b'BM', offset + len(data), 0, 0, offset)
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 8, 0, len(data), 2835, 2835, 256, 0)
    return header + info + pal + data


def bmp24(width, height, pixels):
    row = (width * 3 + 3) & ~3
    data = b''
    for y in reversed(range(height)):
        line = b''.join(struct.pack('<BBB', b, g, r) for (r, g, b) in pixels[y])
        data += line + b'\0' * (row - len(line))
    offset = 14 + 40
    header = struct.pack('<2sIHHI', b'BM', offset + len(data), 0, 0, offset)
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    return header + info + data


def banner(subtitle):
    w, h = 400, 60
    # Palette: 0..63 a blue-to-teal ramp, 64 white, 65 gold, 66 dark shadow.
    palette = [(10 + i, 40 + i * 2, 110 + i) for i in range(64)] + [(255, 255, 255), (250, 200, 60), (8, 20, 50)]
    px = [[min(63, x * 64 // w) for x in range(w)] for y in range(h)]
    for x in range(w):  # a gold rule along the top
        px[0][x] = px[1][x] = 65

    def text(s, x0, y0, scale, colour):
        for ch in s:
            glyph = FONT[ch.upper()]
            for gy, bits in enumerate(glyph):
                for gx in range(5):
                    if bits & (16 >> gx):
                        for dy in range(scale):
                            for dx in range(scale):
                                for (ox, oy, c) in ((1, 1, 66), (0, 0, colour)):
                                    y, x = y0 + gy * scale + dy + oy, x0 + gx * scale + dx + ox
                                    if 0 <= x < w and 0 <= y < h:
                                        px[y][x] = c
            x0 += 6 * scale

    # The mark: a gold square with a white V.
    for y in range(10, 50):
        for x in range(12, 52):
            px[y][x] = 65
    text('V', 20, 14, 5, 64)
    text('VELOR', 64, 12, 3, 64)
    text('OUTLOOK EXPRESS EXTENSIONS', 64, 38, 2, 64)
    text(subtitle, 400 - 6 * 2 * len(subtitle) - 8, 12, 2, 65)
    return bmp8(w, h, palette, px)


def account_icons():
    # One picture: a server tower with a gold V badge, on the mask-less background of the tree
    # (white), so it reads on the tree's white.
    w, h = 16, 16
    white, body, light, gold, dark = (255, 255, 255), (40, 80, 160), (120, 160, 230), (250, 190, 40), (20, 30, 60)
    px = [[white] * w for _ in range(h)]
    for y in range(1, 15):
        for x in range(2, 10):
            px[y][x] = dark if x in (2, 9) or y in (1, 14) else body
    for y in (4, 7, 10):
        for x in range(4, 8):
            px[y][x] = light
    for y in range(7, 16):
        for x in range(8, 16):
            px[y][x] = gold if (x - 8 + y - 7) < 14 else white
    for (x, y) in ((9, 9), (10, 11), (11, 13), (12, 12), (13, 10), (14, 8)):
        px[y][x] = dark
    return bmp24(w, h, px)


def shared_overlay():
    # One picture: an open hand under the folder's lower left, as shared folders are marked; the
    # magenta background becomes the image list's mask.
    w, h = 16, 16
    magenta, skin, line, cuff = (255, 0, 255), (250, 210, 160), (90, 50, 20), (40, 80, 160)
    px = [[magenta] * w for _ in range(h)]
    hand = [
        "   L L L  ",
        "  LsLsLsL ",
        "  LsLsLsL ",
        "L LsssssL ",
        "LsLssssssL",
        " LssssssL ",
        " CCCCCCCC ",
        " CCCCCCCC ",
    ]
    colours = {'L': line, 's': skin, 'C': cuff}
    for y, row in enumerate(hand):
        for x, ch in enumerate(row):
            if ch in colours:
                px[h - len(hand) + y][x] = colours[ch]
    return bmp24(w, h, px)


def main():
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'velhook', 'res')
    files = {'Banner5.bmp': banner('FOR OE 5'), 'Banner6.bmp': banner('FOR OE 6'), 'AccountIcons.bmp': account_icons(),
             'SharedOverlay.bmp': shared_overlay()}
    for name, data in files.items():
        with open(os.path.join(out, name), 'wb') as f:
            f.write(data)
    return 0


if __name__ == '__main__':
    sys.exit(main())
