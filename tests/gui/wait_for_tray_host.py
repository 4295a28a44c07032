#!/usr/bin/env python3
"""Waits until a system tray host serves the X display's default screen.

    wait_for_tray_host.py [seconds]

A tray host is ready when it owns the _NET_SYSTEM_TRAY_S<screen> selection: that is the moment
an XEmbed tray item can dock, whatever window (or none) the host shows. Exits 0 once the
selection is owned, 1 when the limit (default 60 s) passes first, 2 when the display cannot be
opened. Asks libX11 directly, since no command-line tool reads a selection's owner."""
import ctypes
import sys
import time

limit = float(sys.argv[1]) if len(sys.argv) > 1 else 60.0
xlib = ctypes.CDLL("libX11.so.6")
xlib.XOpenDisplay.restype = ctypes.c_void_p
xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
xlib.XDefaultScreen.argtypes = [ctypes.c_void_p]
xlib.XInternAtom.restype = ctypes.c_ulong
xlib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
xlib.XGetSelectionOwner.restype = ctypes.c_ulong
xlib.XGetSelectionOwner.argtypes = [ctypes.c_void_p, ctypes.c_ulong]

display = xlib.XOpenDisplay(None)
if not display:
    sys.exit(2)
name = "_NET_SYSTEM_TRAY_S%d" % xlib.XDefaultScreen(display)
selection = xlib.XInternAtom(display, name.encode(), False)
deadline = time.monotonic() + limit
while xlib.XGetSelectionOwner(display, selection) == 0:
    if time.monotonic() >= deadline:
        sys.exit(1)
    time.sleep(0.1)
sys.exit(0)
