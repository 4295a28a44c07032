#!/usr/bin/python3
"""Looks at a tray as a user's eyes and the X server see it.

  tray_probe.py tray-owner            print the window owning _NET_SYSTEM_TRAY_S<screen> (hex),
                                      nothing when no XEmbed tray runs
  tray_probe.py item <before> <after> [<top> <height> [<left> <width>]]
                                      compare two screenshots of the panel, taken before the
                                      item appeared and after: print "x y w h contrast ink bg" of
                                      the region that changed, the WCAG contrast ratio between
                                      the item's strongest ink and what it is drawn on (the
                                      commonest colour of that region now), or "none";
                                      only the rows from <top> on, <height> of them, and the
                                      columns from <left> on, <width> of them, when given

Contrast follows WCAG 2: (L1 + 0.05) / (L2 + 0.05) of the relative luminances.
"""
import ctypes
import ctypes.util
import subprocess
import sys


def tray_owner():
    xlib = ctypes.cdll.LoadLibrary(ctypes.util.find_library("X11"))
    xlib.XOpenDisplay.restype = ctypes.c_void_p
    xlib.XInternAtom.restype = ctypes.c_ulong
    xlib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    xlib.XGetSelectionOwner.restype = ctypes.c_ulong
    xlib.XGetSelectionOwner.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
    xlib.XDefaultScreen.argtypes = [ctypes.c_void_p]
    xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]
    display = xlib.XOpenDisplay(None)
    if not display:
        return 1
    screen = xlib.XDefaultScreen(display)
    atom = xlib.XInternAtom(display, b"_NET_SYSTEM_TRAY_S%d" % screen, 0)
    owner = xlib.XGetSelectionOwner(display, atom)
    xlib.XCloseDisplay(display)
    if owner:
        print("0x%x" % owner)
    return 0


def read_picture(path):
    """Width, height and rows of (r, g, b) tuples, through ImageMagick's binary PPM."""
    data = subprocess.run(["convert", path, "-depth", "8", "ppm:-"], check=True,
                          stdout=subprocess.PIPE).stdout
    fields, position = [], 0
    while len(fields) < 4:
        while data[position:position + 1].isspace():
            position += 1
        if data[position:position + 1] == b"#":
            position = data.index(b"\n", position)
            continue
        end = position
        while not data[end:end + 1].isspace():
            end += 1
        word = data[position:end]
        fields.append(word if not fields else int(word))
        position = end
    position += 1
    width, height = fields[1], fields[2]
    return width, height, data[position:position + width * height * 3]


def pixel(picture, x, y):
    width, _, data = picture
    offset = (y * width + x) * 3
    return tuple(data[offset:offset + 3])


def luminance(rgb):
    def channel(value):
        c = value / 255.0
        return c / 12.92 if c <= 0.03928 else ((c + 0.055) / 1.055) ** 2.4
    r, g, b = (channel(v) for v in rgb)
    return 0.2126 * r + 0.7152 * g + 0.0722 * b


def contrast(a, b):
    la, lb = luminance(a), luminance(b)
    return (max(la, lb) + 0.05) / (min(la, lb) + 0.05)


def item(before_path, after_path, first_row=0, row_count=None, first_column=0, column_count=None):
    before, after = read_picture(before_path), read_picture(after_path)
    width, height = before[0], before[1]
    if (width, height) != after[:2]:
        print("none")
        return 0
    stride = width * 3
    last_row = height if row_count is None else min(height, first_row + row_count)
    rows = [y for y in range(first_row, last_row)
            if before[2][y * stride:(y + 1) * stride] != after[2][y * stride:(y + 1) * stride]]
    first_column = max(0, first_column)
    last_column = width if column_count is None else min(width, first_column + column_count)
    changed = [(x, y) for y in rows for x in range(first_column, last_column)
               if pixel(before, x, y) != pixel(after, x, y)]
    if not changed:
        print("none")
        return 0
    left = min(x for x, _ in changed)
    right = max(x for x, _ in changed)
    top, bottom = rows[0], rows[-1]
    counts = {}
    for y in range(top, bottom + 1):
        for x in range(left, right + 1):
            colour = pixel(after, x, y)
            counts[colour] = counts.get(colour, 0) + 1
    background = max(counts, key=counts.get)
    ink = max((pixel(after, x, y) for x, y in changed), key=lambda rgb: contrast(rgb, background))
    print("%d %d %d %d %.2f #%02x%02x%02x #%02x%02x%02x" % (
        left, top, right - left + 1, bottom - top + 1, contrast(ink, background), *ink,
        *background))
    return 0


def main(argv):
    if len(argv) == 2 and argv[1] == "tray-owner":
        return tray_owner()
    if len(argv) == 4 and argv[1] == "item":
        return item(argv[2], argv[3])
    if len(argv) in (6, 8) and argv[1] == "item":
        return item(argv[2], argv[3], *(int(value) for value in argv[4:]))
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
