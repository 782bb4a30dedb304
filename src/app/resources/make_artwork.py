#!/usr/bin/env python3
"""Draws the program's pictures into this directory.

    src/app/resources/make_artwork.py

The four 16 x 16 toolbar pictures are pixel maps below, written as PNG with
nothing but the standard library; the same pictures at 32 and 48 pixels, for
screens scaled to 200 % and 300 %, are drawn with ImageMagick from shapes on
a 48-unit grid, with outlines that stay about one pixel wide. The application icon, a red post box, is
drawn with ImageMagick's `convert` at 256 x 256 and scaled down to the
icon theme's sizes (installed under share/icons/hicolor); the about
box shows it on white at 90 x 90. The PNGs are
committed; run this again only after changing a picture.
"""
import os
import struct
import subprocess
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))

PALETTE = {
    ".": (0, 0, 0, 0),
    "k": (40, 40, 40, 255),       # outline
    "w": (255, 255, 255, 255),
    "g": (200, 200, 200, 255),
    "G": (128, 128, 128, 255),
    "b": (176, 104, 56, 255),     # door
    "B": (112, 64, 32, 255),
    "y": (255, 208, 0, 255),      # door knob
    "e": (48, 168, 64, 255),      # arrows, lamp
    "f": (136, 216, 136, 255),
    "u": (40, 110, 210, 255),     # info disc
    "l": (120, 170, 240, 255),
}

# Exit: a door in its frame, with an arrow leaving it.
EXIT = [
    "................",
    "......kkkkkkkkk.",
    "......kGGGGGGGk.",
    "......kGBBBBBGk.",
    "......kGBbbbBGk.",
    "..k...kGBbbbBGk.",
    "..kk..kGBbbbBGk.",
    "..kekkkkBbbbBGk.",
    ".keeeeeekbyybGk.",
    "keffffffkbyybGk.",
    ".keeeeeekbbbBGk.",
    "..kekkkkBbbbBGk.",
    "..kk..kGBbbbBGk.",
    "..k...kGBBBBBGk.",
    "......kGGGGGGGk.",
    "......kkkkkkkkk.",
]

# Print: a printer with a sheet going in and one coming out.
PRINT = [
    "................",
    "....kkkkkkkk....",
    "....kwwwwwwk....",
    "....kwGGGGwk....",
    "....kwwwwwwk....",
    "..kkkkkkkkkkkk..",
    ".kwwwwwwwwwwwgk.",
    ".kwggggggggeegk.",
    ".kgggggggggggGk.",
    ".kGGGGGGGGGGGGk.",
    ".kGkkkkkkkkkkGk.",
    ".kGkwwwwwwwwkGk.",
    ".kkkwGGGGGGwkkk.",
    "...kwwwwwwwwk...",
    "...kwGGGGGwwk...",
    "...kkkkkkkkkk...",
]

# Update: an arrow coming down into a tray.
UPDATE = [
    "......kkkk......",
    "......kfek......",
    "......kfek......",
    "......kfek......",
    "......kfek......",
    "......kfek......",
    "..kkkkkfekkkkk..",
    "...kfffeeeeek...",
    "....kffeeeek....",
    ".....kfeeek.....",
    "......kfek......",
    ".k.....kk.....k.",
    ".kg..........gk.",
    ".kgGGGGGGGGGGgk.",
    ".kkkkkkkkkkkkkk.",
    "................",
]

# About: the information sign.
ABOUT = [
    "................",
    ".....kkkkkk.....",
    "...kkllluuukk...",
    "..kllluwwuuuuk..",
    ".kllluuwwuuuuuk.",
    ".klluuuuuuuuuuk.",
    "klluuuwwwuuuuuuk",
    "kluuuuuwwuuuuuuk",
    "kluuuuuwwuuuuuuk",
    "kuuuuuuwwuuuuuuk",
    "kuuuuuuwwuuuuuuk",
    ".kuuuuuwwuuuuuk.",
    ".kuuuuwwwwuuuuk.",
    "..kuuuuuuuuuuk..",
    "...kkuuuuuukk...",
    ".....kkkkkk.....",
]


def write_png(path, rows):
    height = len(rows)
    width = len(rows[0])
    raw = b""
    for row in rows:
        assert len(row) == width, (path, row)
        raw += b"\0" + b"".join(bytes(PALETTE[c]) for c in row)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(raw, 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


OUTLINE = "#282828"

# The larger toolbar pictures: ImageMagick draw primitives on a 48 x 48 grid,
# each (fill, primitive); the outline is drawn around every shape.
LARGE = {
    "exit": [
        ("#808080", "rectangle 20,3 44,45"),
        ("#b06838", "rectangle 24,7 40,45"),
        ("#704020", "rectangle 28,11 36,41"),
        ("#ffd000", "circle 27,26 27,28.2"),
        ("#30a840", "polygon 2,26 13,15 13,21 23,21 23,31 13,31 13,37"),
    ],
    "print": [
        ("#ffffff", "rectangle 13,3 35,17"),
        ("#c8c8c8", "roundrectangle 4,16 44,36 4,4"),
        ("#30a840", "rectangle 34,21 39,24"),
        ("#282828", "rectangle 9,29 39,32"),
        ("#ffffff", "rectangle 11,31 37,45"),
        ("#808080", "line 15,37 33,37"),
        ("#808080", "line 15,41 29,41"),
        ("#808080", "line 17,9 31,9"),
    ],
    "update": [
        ("#30a840", "polygon 19,2 29,2 29,17 37,17 24,31 11,17 19,17"),
        ("#88d888", "rectangle 21,4 23,17"),
        ("#c8c8c8", "polygon 3,31 8,31 8,39 40,39 40,31 45,31 45,45 3,45"),
    ],
    "about": [
        ("#2870d2", "circle 24,24 24,2"),
        ("#78aaf0", "ellipse 17,14 8,5 0,360"),
        ("#ffffff", "circle 24,12.5 24,16"),
        ("#ffffff", "polygon 19,20 27,20 27,35 30,35 30,39 18,39 18,35 21,35 21,24 19,24"),
    ],
}


def write_large(name, size):
    scale = size / 48
    draw = ["-size", f"{size}x{size}", "xc:none", "-affine", f"{scale},0,0,{scale},0,0",
            "-strokewidth", "1.5"]
    for fill, primitive in LARGE[name]:
        plain = primitive.startswith("line") or primitive.startswith("ellipse")
        draw += ["-fill", fill, "-stroke", fill if plain else OUTLINE, "-draw", primitive]
    draw += ["-depth", "8", "-strip", os.path.join(HERE, f"tb_{name}_{size}.png")]
    subprocess.run(["convert"] + draw, check=True)


def post_box(path_256):
    # A pillar box: domed cap, red body with a letter slot and a white
    # collection plate, dark plinth. Drawn large, antialiased.
    draw = [
        "-size", "256x256", "xc:none",
        # plinth
        "-fill", "#3a1010", "-draw", "roundrectangle 58,214 198,246 8,8",
        # body with a darker right side for depth
        "-fill", "#c8161d", "-draw", "roundrectangle 70,60 186,222 10,10",
        "-fill", "#9c0f15", "-draw", "rectangle 160,66 180,216",
        "-fill", "#e8453c", "-draw", "rectangle 78,66 92,216",
        # cap: a rim and a dome
        "-fill", "#9c0f15", "-draw", "roundrectangle 60,52 196,74 8,8",
        "-fill", "#d41f26", "-draw", "ellipse 128,56 64,46 180,360",
        "-fill", "#f06a5f", "-draw", "ellipse 106,34 16,8 0,360",
        # letter slot
        "-fill", "#1c1c1c", "-draw", "roundrectangle 92,94 164,106 5,5",
        # collection plate
        "-fill", "#f4f0e0", "-draw", "roundrectangle 98,124 158,166 4,4",
        "-fill", "#c8161d", "-draw", "rectangle 106,134 150,138",
        "-draw", "rectangle 106,146 140,150",
        "-draw", "rectangle 106,156 146,158",
        "-depth", "8", path_256,
    ]
    subprocess.run(["convert"] + draw, check=True)


def main():
    for name, rows in (("exit", EXIT), ("print", PRINT), ("update", UPDATE), ("about", ABOUT)):
        write_png(os.path.join(HERE, f"tb_{name}.png"), rows)
        for size in (32, 48):
            write_large(name, size)
    big = os.path.join(HERE, "marlune_256.png")
    post_box(big)
    # Every size the icon theme's hicolor directories list.
    for size in (128, 64, 48, 32, 24, 22, 16):
        name = "marlune.png" if size == 64 else f"marlune_{size}.png"
        subprocess.run(["convert", big, "-filter", "Lanczos", "-resize", f"{size}x{size}",
                        "-depth", "8", "-strip", os.path.join(HERE, name)], check=True)
    # The about box's picture: the post box on white, 90 x 90.
    subprocess.run(["convert", big, "-background", "white", "-flatten", "-filter", "Lanczos",
                    "-resize", "90x90", "-depth", "8", "-strip",
                    os.path.join(HERE, "about_postbox.png")], check=True)


if __name__ == "__main__":
    main()
