#!/usr/bin/env python3
"""Writes the program's icons as .ico files into this folder.

Each command header button picture is drawn on a 16-pixel grid (15x14 pixels of it) and written
at 16, 20, 24 and 32 pixels, one image per display scale (100, 125, 150 and 200 %), so that the
button picks the image of its size and nothing is stretched at run time. 16 and 32 pixels are the
grid once and twice; 20 and 24 are the grid resampled by area, with partial transparency at the
edges (32-bit images). The application icon is one 32x32 16-colour image.
Run it again after changing a picture: python3 res/icons/make_icons.py
"""
import os
import struct

# The standard 16-colour palette, by the letter used in the pictures ('.' is transparent).
PALETTE = [
    ("k", (0, 0, 0)), ("r", (128, 0, 0)), ("g", (0, 128, 0)), ("y", (128, 128, 0)),
    ("b", (0, 0, 128)), ("m", (128, 0, 128)), ("c", (0, 128, 128)), ("s", (192, 192, 192)),
    ("d", (128, 128, 128)), ("R", (255, 0, 0)), ("G", (0, 255, 0)), ("Y", (255, 255, 0)),
    ("B", (0, 0, 255)), ("M", (255, 0, 255)), ("C", (0, 255, 255)), ("w", (255, 255, 255)),
]
INDEX = {letter: i for i, (letter, _) in enumerate(PALETTE)}
SIZE = 32

DELETE = """
...............
.rr.........rr.
.rRr.......rRr.
..rRr.....rRr..
...rRr...rRr...
....rRr.rRr....
.....rRrRr.....
......rRr......
.....rRrRr.....
....rRr.rRr....
...rRr...rRr...
..rRr.....rRr..
.rRr.......rRr.
.rr.........rr.
"""

MOVE_UP = """
.......g.......
......gGg......
.....gGGGg.....
....gGGGGGg....
...gGGGGGGGg...
..gGGGGGGGGGg..
.gGGGGGGGGGGGg.
.ggggGGGGGgggg.
....gGGGGGg....
....gGGGGGg....
....gGGGGGg....
....gGGGGGg....
....ggggggg....
...............
"""

NEW = """
............y..
...........yYy.
.kkkkkk...yYYYy
.kwwwwkk...yYy.
.kwwwwkwk...y..
.kwwwwkkkk.....
.kwwwwwwwk.....
.kwdddddwk.....
.kwwwwwwwk.....
.kwdddddwk.....
.kwwwwwwwk.....
.kwdddddwk.....
.kwwwwwwwk.....
.kkkkkkkkk.....
"""

CHANGE = """
..........B....
..........BB...
.BBBBBBBBBBBB..
.BBBBBBBBBBBBB.
.BBBBBBBBBBBB..
..........BB...
..........B....
....g..........
...gg..........
..gggggggggggg.
.ggggggggggggg.
..gggggggggggg.
...gg..........
....g..........
"""

EDIT = """
...........kk..
..........kRRk.
.........kYkRRk
........kYYYkk.
.......kYYYYk..
......kYYYYk...
.....kYYYYk....
....kYYYYk.....
...kYYYYk......
..kwYYYk.......
..kwwYk........
.kkwwk.........
.kkkk..........
...............
"""

START = """
..g............
..ggg..........
..gGGgg........
..gGGGGgg......
..gGGGGGGgg....
..gGGGGGGGGgg..
..gGGGGGGGGGGgg
..gGGGGGGGGGGgg
..gGGGGGGGGgg..
..gGGGGGGgg....
..gGGGGgg......
..gGGgg........
..ggg..........
..g............
"""

PREVIEW = """
...kkkkk.......
..kwwwwwk......
.kwCCwwwwk.....
.kwCwwwwwk.....
.kwwwwwwwk.....
.kwwwwwwwk.....
..kwwwwwk......
...kkkkkkk.....
.........kkk...
..........kkk..
...........kkk.
............kk.
...............
...............
"""


VERIFY = """
.kkkkkkkk......
.kwwwwwwkk.....
.kwdddwwwkk....
.kwwwwwwwwk....
.kwddddwwwk..g.
.kwwwwwwwwk.gG.
.kwdddwwwwkgGg.
.kwwwwwwwgkGg..
.kwddddwgGgg...
.kwwwwwwwgGg...
.kwwwwwwwwg....
.kkkkkkkkkk....
...............
...............
"""
BUTTON_SIZES = (16, 20, 24, 32)


def picture(text):
    """The rows of palette letters of a button picture."""
    return [list(row) for row in text.strip("\n").splitlines()]


def resample(rows, size):
    """The picture at `size` pixels: every target pixel averages the grid cells it covers
    (colour weighted by opacity), the picture centred as on its 16-pixel grid."""
    scale = size / 16
    height, width = len(rows), max(len(row) for row in rows)
    left, top = (16 - width) // 2 * scale, (16 - height) // 2 * scale
    pixels = []
    for y in range(size):
        line = []
        for x in range(size):
            r = g = b = a = 0.0
            x0, x1 = (x - left) / scale, (x + 1 - left) / scale
            y0, y1 = (y - top) / scale, (y + 1 - top) / scale
            for gy in range(max(0, int(y0)), min(height, int(y1) + 1)):
                cover_y = min(y1, gy + 1) - max(y0, gy)
                for gx in range(max(0, int(x0)), min(width, int(x1) + 1)):
                    cover = (min(x1, gx + 1) - max(x0, gx)) * cover_y
                    letter = rows[gy][gx] if gx < len(rows[gy]) else "."
                    if cover <= 0 or letter == ".":
                        continue
                    cr, cg, cb = PALETTE[INDEX[letter]][1]
                    r, g, b, a = r + cr * cover, g + cg * cover, b + cb * cover, a + cover
            area = (x1 - x0) * (y1 - y0)
            line.append((r / a, g / a, b / a, a / area) if a > 0 else (0, 0, 0, 0))
        pixels.append(line)
    return pixels


def rgba_image(pixels):
    """A 32-bit icon image (colour with alpha, then the AND mask) of square `pixels`."""
    size = len(pixels)
    header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, 32, 0, 0, 0, 0, 0, 0)
    colours = bytearray()
    mask = bytearray()
    mask_row = (size + 31) // 32 * 4
    for line in reversed(pixels):  # bitmaps are stored bottom-up
        bits = 0
        for r, g, b, a in line:
            colours += bytes((round(b), round(g), round(r), min(255, round(a * 255))))
            bits = (bits << 1) | (1 if a == 0 else 0)
        bits <<= mask_row * 8 - size
        mask += bits.to_bytes(mask_row, "big")
    return header + bytes(colours) + bytes(mask)


def write_images(path, images):
    """An .ico file of square images, each given as (size, bits per pixel, colours, bytes)."""
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, bits, colours, data in images:
        directory += struct.pack("<BBBBHHII", size % 256, size % 256, colours, 0, 1, bits, len(data), offset)
        offset += len(data)
    with open(path, "wb") as out:
        out.write(directory + b"".join(data for *_, data in images))


def write_button_icon(path, rows):
    write_images(path, [(size, 32, 0, rgba_image(resample(rows, size))) for size in BUTTON_SIZES])


def application_icon():
    """Two cards, the front one with the arrows of a switch."""
    grid = [["."] * SIZE for _ in range(SIZE)]

    def card(x0, y0, x1, y1, border, fill):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                edge = x in (x0, x1) or y in (y0, y1)
                grid[y][x] = border if edge else fill

    def arrow(x0, x1, cy, colour, rightwards):
        head = 4
        for x in range(x0, x1 + 1):
            distance = (x1 - x) if rightwards else (x - x0)
            reach = distance if distance < head else 1
            for y in range(cy - reach, cy + reach + 1):
                grid[y][x] = colour

    card(2, 1, 20, 24, "k", "B")
    card(4, 3, 18, 22, "b", "B")
    card(10, 7, 29, 30, "k", "w")
    arrow(13, 26, 13, "b", True)
    arrow(13, 26, 24, "g", False)
    return grid


def write_icon(path, grid):
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, 2 * SIZE, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for _, (r, g, b) in PALETTE)
    colours = bytearray()
    mask = bytearray()
    for row in reversed(grid):  # bitmaps are stored bottom-up
        indices = [INDEX.get(letter, 0) for letter in row]
        colours += bytes((indices[x] << 4) | indices[x + 1] for x in range(0, SIZE, 2))
        bits = 0
        for letter in row:
            bits = (bits << 1) | (1 if letter == "." else 0)
        mask += bits.to_bytes(SIZE // 8, "big")
    write_images(path, [(SIZE, 4, 16, header + palette + bytes(colours) + bytes(mask))])


def main():
    folder = os.path.dirname(os.path.abspath(__file__))
    write_icon(os.path.join(folder, "flipdeck.ico"), application_icon())
    buttons = {
        "delete.ico": picture(DELETE),
        "move_up.ico": picture(MOVE_UP),
        "move_down.ico": picture("\n".join(reversed(MOVE_UP.strip("\n").splitlines()))),
        "new.ico": picture(NEW),
        "change.ico": picture(CHANGE),
        "edit.ico": picture(EDIT),
        "start.ico": picture(START),
        "preview.ico": picture(PREVIEW),
        "verify.ico": picture(VERIFY),
    }
    for name, rows in buttons.items():
        write_button_icon(os.path.join(folder, name), rows)


if __name__ == "__main__":
    main()
