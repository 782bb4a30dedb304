#!/usr/bin/env python3
"""Draws the program's pictures into this directory.

    src/app/resources/make_artwork.py

The four 16 x 16 toolbar pictures are pixel maps below, written as PNG with
nothing but the standard library. The application icon, a red post box, is
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
