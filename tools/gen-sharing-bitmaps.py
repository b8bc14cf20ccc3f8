#!/usr/bin/env python3
# gen-sharing-bitmaps.py: draws the 16-pixel picture strips of the sharing windows into
# velcore/res as 24-bit BMP files, magenta (255, 0, 255) standing for transparent:
#   aclkinds.bmp     0 owner, 1 user, 2 group (the "Sharing and Security" names list)
#   addressbook.bmp  0 unused, 1 ascending mark, 2 descending mark, 3 contact (the picker)
# Each picture is a 16x16 grid of letters, one colour each; run it again after editing one.
import os
import struct

COLOURS = {
    '.': (255, 0, 255),
    'k': (40, 40, 40),      # outline
    's': (240, 200, 160),   # skin
    'b': (70, 110, 200),    # user's shirt
    'g': (60, 150, 80),     # second person's shirt
    'y': (230, 180, 40),    # owner's key
    'w': (250, 250, 250),
    'c': (200, 200, 210),
    'a': (90, 90, 90),      # sort marks
}

PERSON = [
    "................",
    "......kkkk......",
    ".....kssssk.....",
    ".....kssssk.....",
    ".....kssssk.....",
    "......kssk......",
    "....kkkkkkkk....",
    "...kbbbbbbbbk...",
    "..kbbbbbbbbbbk..",
    "..kbbbbbbbbbbk..",
    "..kbbbbbbbbbbk..",
    "..kbbbbbbbbbbk..",
    "..kkkkkkkkkkkk..",
    "................",
    "................",
    "................",
]

OWNER = [
    "................",
    "....kkkk........",
    "...kssssk.......",
    "...kssssk.......",
    "...kssssk.......",
    "....kssk........",
    "..kkkkkkkk......",
    ".kbbbbbbbbk.....",
    "kbbbbbbbbbbk....",
    "kbbbbbbbbkkkk...",
    "kbbbbbbbkyyyyk..",
    "kbbbbbbbkyk.kyk.",
    "kkkkkkkkkyyyyk..",
    "...........yk...",
    "...........yyk..",
    "...........yk...",
]

GROUP = [
    "................",
    ".........kkkk...",
    "..kkkk..kssssk..",
    ".kssssk.kssssk..",
    ".kssssk.kssssk..",
    ".kssssk..kssk...",
    "..kssk.kkkkkkkk.",
    "kkkkkkkkgggggggk",
    "kbbbbbbbkggggggk",
    "kbbbbbbbbkgggggk",
    "kbbbbbbbbkgggggk",
    "kbbbbbbbbkgggggk",
    "kbbbbbbbbkkkkkkk",
    "kkkkkkkkkk......",
    "................",
    "................",
]

EMPTY = ["." * 16] * 16

UP = [
    "................",
    "................",
    "................",
    "................",
    ".......a........",
    "......aaa.......",
    ".....aaaaa......",
    "....aaaaaaa.....",
    "...aaaaaaaaa....",
    "................",
] + ["." * 16] * 6

DOWN = [
    "................",
    "................",
    "................",
    "................",
    "...aaaaaaaaa....",
    "....aaaaaaa.....",
    ".....aaaaa......",
    "......aaa.......",
    ".......a........",
    "................",
] + ["." * 16] * 6

CONTACT = [
    "................",
    ".kkkkkkkkkkkkkk.",
    ".kwwwwwwwwwwwwk.",
    ".kwkkkkwwwwwwwk.",
    ".kwkssskwccccck.",
    ".kwkssskwwwwwwk.",
    ".kwkssskwccccck.",
    ".kwwkskwwwwwwwk.",
    ".kwkbbbkwcccwwk.",
    ".kkbbbbbkwwwwwk.",
    ".kwbbbbbwccccck.",
    ".kwwwwwwwwwwwwk.",
    ".kkkkkkkkkkkkkk.",
    "................",
    "................",
    "................",
]


def write_strip(path, pictures):
    for picture in pictures:
        assert len(picture) == 16 and all(len(row) == 16 for row in picture), path
    width, height = 16 * len(pictures), 16
    stride = (width * 3 + 3) & ~3
    rows = []
    for y in reversed(range(height)):  # BMP rows run bottom-up
        row = bytearray()
        for picture in pictures:
            for letter in picture[y]:
                r, g, b = COLOURS[letter]
                row += bytes((b, g, r))
        row += b"\0" * (stride - len(row))
        rows.append(bytes(row))
    image = b"".join(rows)
    header = struct.pack("<2sIHHI", b"BM", 54 + len(image), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(image), 2835, 2835, 0, 0)
    with open(path, "wb") as out:
        out.write(header + info + image)


res = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "velcore", "res")
write_strip(os.path.join(res, "aclkinds.bmp"), [OWNER, PERSON, GROUP])
write_strip(os.path.join(res, "addressbook.bmp"), [EMPTY, UP, DOWN, CONTACT])
