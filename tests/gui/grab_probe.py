#!/usr/bin/python3
"""Says whether some X client holds a key combination as a grab on the root window.

  grab_probe.py <keysym name> <modifier mask>

Prints "held" or "free". It tries the grab itself, as another program would: the server answers
BadAccess when a client already has it; a grab it gets is let go at once. The key is looked up
in the keyboard mapping of the moment, so after a layout change it is the key that now types
the keysym. Only Python's standard library and libX11 (through ctypes).
"""
import ctypes
import ctypes.util
import sys

BAD_ACCESS = 10
GRAB_MODE_ASYNC = 1


class XErrorEvent(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("display", ctypes.c_void_p),
                ("resourceid", ctypes.c_ulong), ("serial", ctypes.c_ulong),
                ("error_code", ctypes.c_ubyte), ("request_code", ctypes.c_ubyte),
                ("minor_code", ctypes.c_ubyte)]


def main():
    keysym_name, mask = sys.argv[1], int(sys.argv[2], 0)
    xlib = ctypes.CDLL(ctypes.util.find_library("X11"))
    xlib.XOpenDisplay.restype = ctypes.c_void_p
    xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
    xlib.XDefaultRootWindow.restype = ctypes.c_ulong
    xlib.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    xlib.XStringToKeysym.restype = ctypes.c_ulong
    xlib.XStringToKeysym.argtypes = [ctypes.c_char_p]
    xlib.XKeysymToKeycode.restype = ctypes.c_ubyte
    xlib.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
    xlib.XGrabKey.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_uint, ctypes.c_ulong,
                              ctypes.c_int, ctypes.c_int, ctypes.c_int]
    xlib.XUngrabKey.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_uint, ctypes.c_ulong]
    xlib.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
    xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]

    display = xlib.XOpenDisplay(None)
    if not display:
        sys.exit("grab_probe.py: cannot open the display")
    keycode = xlib.XKeysymToKeycode(display, xlib.XStringToKeysym(keysym_name.encode()))
    if keycode == 0:
        sys.exit("grab_probe.py: no key types %s" % keysym_name)
    errors = []
    handler_type = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.POINTER(XErrorEvent))
    handler = handler_type(lambda _display, event: errors.append(event.contents.error_code) or 0)
    xlib.XSetErrorHandler(handler)
    root = xlib.XDefaultRootWindow(display)
    xlib.XGrabKey(display, keycode, mask, root, 1, GRAB_MODE_ASYNC, GRAB_MODE_ASYNC)
    xlib.XSync(display, 0)
    held = BAD_ACCESS in errors
    if not held:
        xlib.XUngrabKey(display, keycode, mask, root)
        xlib.XSync(display, 0)
    xlib.XCloseDisplay(display)
    print("held" if held else "free")


main()
