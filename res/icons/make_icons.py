#!/usr/bin/env python3
"""Writes the program's icons as 32x32 16-colour .ico files into this folder.

The command header's buttons show only the top-left corner of an icon (the button is 22x20
pixels and draws the icon at 4,3), so each button picture lies in the top-left 15x14 pixels;
the rest stays transparent. The application icon uses the whole 32x32 square.
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


def picture(text):
    """A 32x32 grid of palette letters with `text` in its top-left corner."""
    grid = [["."] * SIZE for _ in range(SIZE)]
    for y, row in enumerate(text.strip("\n").splitlines()):
        for x, letter in enumerate(row):
            grid[y][x] = letter
    return grid


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
    image = header + palette + bytes(colours) + bytes(mask)
    directory = struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", SIZE, SIZE, 16, 0, 1, 4, len(image), 22)
    with open(path, "wb") as out:
        out.write(directory + image)


def main():
    folder = os.path.dirname(os.path.abspath(__file__))
    icons = {
        "flipdeck.ico": application_icon(),
        "delete.ico": picture(DELETE),
        "move_up.ico": picture(MOVE_UP),
        "move_down.ico": picture("\n".join(reversed(MOVE_UP.strip("\n").splitlines()))),
        "new.ico": picture(NEW),
        "change.ico": picture(CHANGE),
        "edit.ico": picture(EDIT),
        "start.ico": picture(START),
    }
    for name, grid in icons.items():
        write_icon(os.path.join(folder, name), grid)


if __name__ == "__main__":
    main()
