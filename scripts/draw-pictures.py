#!/usr/bin/python3
"""Draws the tool's own pictures into bmp/ (run again after changing the drawing):

  book.gif     83 x 42, 44 frames of 70 ms, looping: an open book whose pages turn
  app.png      the application icon (a closed book), 64 x 64
  library.png  the main window's icon (books on a shelf), 32 x 32

Needs Debian's python3-pil; the results are committed, so the build does not run this.
"""
import math
import os
import sys

from PIL import Image, ImageDraw

CREAM = (255, 251, 240)
COVER = (150, 40, 40)
PAGE = (255, 255, 255)
EDGE = (120, 110, 100)
TEXT = (170, 170, 190)

W, H = 83, 42
SPINE = W // 2
FRAMES = 44
DELAY_MS = 70


def page_lines(draw, x0, x1, top, bottom):
    for y in range(top + 5, bottom - 3, 4):
        draw.line([(x0 + 4, y), (x1 - 4, y)], fill=TEXT)


def book_frame(i):
    img = Image.new("RGB", (W, H), CREAM)
    d = ImageDraw.Draw(img)
    top, bottom = 6, H - 5
    # cover, a little larger than the pages
    d.polygon([(3, top + 2), (SPINE, top + 5), (W - 4, top + 2), (W - 4, bottom + 3),
               (SPINE, bottom + 4), (3, bottom + 3)], fill=COVER)
    # the two resting pages
    d.polygon([(6, top), (SPINE, top + 3), (SPINE, bottom + 1), (6, bottom - 1)],
              fill=PAGE, outline=EDGE)
    d.polygon([(SPINE, top + 3), (W - 7, top), (W - 7, bottom - 1), (SPINE, bottom + 1)],
              fill=PAGE, outline=EDGE)
    page_lines(d, 6, SPINE, top + 2, bottom)
    page_lines(d, SPINE, W - 7, top + 2, bottom)
    # the turning page sweeps from the right-hand page to the left over all the frames
    angle = math.pi * i / (FRAMES - 1)
    width = (W - 7 - SPINE) * math.cos(angle)
    lift = int(6 * math.sin(angle))
    edge_x = SPINE + width
    shade = int(235 - 35 * math.sin(angle))
    d.polygon([(SPINE, top + 3), (edge_x, top - lift), (edge_x, bottom - 1 - lift),
               (SPINE, bottom + 1)], fill=(shade, shade, shade - 5), outline=EDGE)
    return img


def save_book(path):
    frames = [book_frame(i).convert("P", palette=Image.ADAPTIVE, colors=32)
              for i in range(FRAMES)]
    frames[0].save(path, save_all=True, append_images=frames[1:], duration=DELAY_MS,
                   loop=0, disposal=1, optimize=False)


def save_app_icon(path):
    img = Image.new("RGBA", (64, 64), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)
    d.rounded_rectangle([10, 6, 54, 58], radius=4, fill=COVER, outline=(90, 20, 20), width=2)
    d.rectangle([14, 52, 52, 56], fill=PAGE)
    d.rectangle([20, 16, 46, 26], fill=CREAM)
    d.line([(14, 8), (14, 52)], fill=(110, 25, 25), width=2)
    img.save(path)


def save_library_icon(path):
    img = Image.new("RGBA", (32, 32), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)
    colours = [(150, 40, 40), (40, 90, 150), (60, 130, 60), (200, 150, 40)]
    x = 3
    for n, c in enumerate(colours):
        w = 6
        d.rectangle([x, 5 + n % 2 * 3, x + w - 1, 27], fill=c, outline=(40, 40, 40))
        x += w + 1
    d.rectangle([1, 28, 30, 30], fill=(120, 80, 40))
    img.save(path)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "bmp")
    save_book(os.path.join(out, "book.gif"))
    save_app_icon(os.path.join(out, "app.png"))
    save_library_icon(os.path.join(out, "library.png"))


if __name__ == "__main__":
    main()
