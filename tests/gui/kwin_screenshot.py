#!/usr/bin/python3
"""A screenshot of KWin's whole output, taken as Spectacle takes it: through KWin's own
org.kde.KWin.ScreenShot2 interface, which writes the raw picture into a pipe we hand it.

  kwin_screenshot.py <file.pam>

KWin answers only programs whose desktop file lists the interface (X-KDE-DBUS-Restricted-Interfaces),
unless started with KWIN_SCREENSHOT_NO_PERMISSION_CHECKS, as kwin_lib.sh starts it. The picture is
written as a PAM file (RGB) that ImageMagick turns into a PNG.
"""
import os
import subprocess
import sys
import tempfile

import dbus

# QImage formats KWin hands out: 32-bit pixels stored as B, G, R, A bytes on little-endian machines
# (the alpha is dropped: the screen is opaque).
QIMAGE_RGB32 = 4
QIMAGE_ARGB32 = 5
QIMAGE_ARGB32_PREMULTIPLIED = 6


def main():
    if len(sys.argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    # The picture is read by a process of its own: KWin may write it before it answers, and a full
    # pipe would then hold both sides.
    read_end, write_end = os.pipe()
    raw = tempfile.TemporaryFile()
    reader = subprocess.Popen(["cat"], stdin=read_end, stdout=raw)
    os.close(read_end)
    bus = dbus.SessionBus()
    shot = dbus.Interface(bus.get_object("org.kde.KWin", "/org/kde/KWin/ScreenShot2"),
                          "org.kde.KWin.ScreenShot2")
    try:
        meta = shot.CaptureActiveScreen({"include-cursor": False}, dbus.types.UnixFd(write_end))
    finally:
        os.close(write_end)
    reader.wait()
    raw.seek(0)
    data = raw.read()
    width, height, stride = int(meta["width"]), int(meta["height"]), int(meta["stride"])
    if int(meta["format"]) not in (QIMAGE_RGB32, QIMAGE_ARGB32, QIMAGE_ARGB32_PREMULTIPLIED):
        print("kwin_screenshot: picture format %d not known" % int(meta["format"]), file=sys.stderr)
        return 1
    rows = b"".join(data[row * stride: row * stride + width * 4] for row in range(height))
    pixels = bytearray(width * height * 3)
    pixels[0::3], pixels[1::3], pixels[2::3] = rows[2::4], rows[1::4], rows[0::4]
    with open(sys.argv[1], "wb") as out:
        out.write(b"P7\nWIDTH %d\nHEIGHT %d\nDEPTH 3\nMAXVAL 255\nTUPLTYPE RGB\nENDHDR\n"
                  % (width, height))
        out.write(pixels)
    return 0


if __name__ == "__main__":
    sys.exit(main())
