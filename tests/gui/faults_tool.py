#!/usr/bin/python3
"""Observers and drivers for the fault and load tests, with nothing beyond Python's standard
library, libc and libX11 (through ctypes), and dbus-python for the tray menu.

  faults_tool.py watch-settings <folder> <file name> <out>
      Counts the renames onto <folder>/<file name> (each is one finished write of the settings)
      and, whenever it can tell which write the file holds, records it: a line "<n> <OutFormat>|<Mode>"
      means the file held those values right after the n-th write. A line "count <n>" follows
      every batch of renames. Runs until killed.

  faults_tool.py preferences-cycles <item bus name> <cycles> <pid> <out>
      Opens the preferences window through the item's menu ("Preferences..." of the
      StatusNotifierItem's com.canonical.dbusmenu, as a panel does) and closes it as the window
      manager's close button does (WM_DELETE_WINDOW), <cycles> times, waiting each time until the
      window is managed and until it is gone. Writes "<cycle> <VmRSS of pid in kB> <seconds>" to
      <out> after the first cycle and every 50 cycles. Exits 1 when a window does not come or go.

  faults_tool.py clipboard-owner
      Prints the window that owns the CLIPBOARD selection (0 when none does). The X server hands
      each client its window ids from a block of its own, so the id tells whose window it is.
"""
import ctypes
import ctypes.util
import os
import select
import struct
import sys
import time

IN_MOVED_TO = 0x00000080
IN_Q_OVERFLOW = 0x00004000


def settings_values(path):
    """OutFormat and Mode as the file holds them (None when it cannot be read)."""
    try:
        with open(path, "rb") as f:
            text = f.read().decode("utf-8", "replace")
    except OSError:
        return None
    values = {}
    for line in text.splitlines():
        key, sep, value = line.partition("=")
        if sep:
            values[key] = value
    return "%s|%s" % (values.get("OutFormat", ""), values.get("Mode", ""))


def watch_settings(folder, name, out_path):
    libc = ctypes.CDLL(None, use_errno=True)
    fd = libc.inotify_init1(os.O_NONBLOCK | os.O_CLOEXEC)
    if fd < 0 or libc.inotify_add_watch(fd, folder.encode(), IN_MOVED_TO) < 0:
        print("inotify: %s" % os.strerror(ctypes.get_errno()), file=sys.stderr)
        return 1
    wanted = name.encode()
    path = os.path.join(folder, name)
    count = 0
    out = open(out_path, "w", buffering=1)

    def drain():
        """Reads the queued events; the number of renames onto the file among them."""
        renames = 0
        while True:
            try:
                data = os.read(fd, 65536)
            except BlockingIOError:
                return renames
            offset = 0
            while offset < len(data):
                _, mask, _, length = struct.unpack_from("iIII", data, offset)
                event_name = data[offset + 16:offset + 16 + length].rstrip(b"\0")
                offset += 16 + length
                if mask & IN_Q_OVERFLOW:
                    out.write("overflow\n")
                elif event_name == wanted:
                    renames += 1

    while True:
        select.select([fd], [], [])
        new = drain()
        if not new:
            continue
        count += new
        values = settings_values(path)
        # Had another rename come meanwhile, the file may hold a later write than the count says:
        # then nothing is recorded for this count.
        later = drain()
        if later == 0 and values is not None:
            out.write("%d %s\n" % (count, values))
        count += later
        out.write("count %d\n" % count)


class XClientMessageEvent(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
                ("message_type", ctypes.c_ulong), ("format", ctypes.c_int),
                ("l", ctypes.c_long * 5)]


class XEvent(ctypes.Union):
    _fields_ = [("xclient", XClientMessageEvent), ("pad", ctypes.c_long * 24)]


class Desktop:
    """The few Xlib calls needed to find a managed window by name and ask it to close."""

    def __init__(self):
        x = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
        x.XOpenDisplay.restype = ctypes.c_void_p
        x.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x.XDefaultRootWindow.restype = ctypes.c_ulong
        x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        x.XInternAtom.restype = ctypes.c_ulong
        x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
        x.XGetWindowProperty.argtypes = [
            ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong, ctypes.c_long, ctypes.c_long,
            ctypes.c_int, ctypes.c_ulong, ctypes.POINTER(ctypes.c_ulong),
            ctypes.POINTER(ctypes.c_int), ctypes.POINTER(ctypes.c_ulong),
            ctypes.POINTER(ctypes.c_ulong), ctypes.POINTER(ctypes.c_void_p)]
        x.XFetchName.argtypes = [ctypes.c_void_p, ctypes.c_ulong,
                                 ctypes.POINTER(ctypes.c_char_p)]
        x.XFree.argtypes = [ctypes.c_void_p]
        x.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                                 ctypes.POINTER(XEvent)]
        x.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
        # A window may go between listing and asking its name: its BadWindow is expected.
        handler_type = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)
        self._ignore_errors = handler_type(lambda display, error: 0)
        x.XSetErrorHandler(self._ignore_errors)
        self.x = x
        self.display = x.XOpenDisplay(None)
        if not self.display:
            raise RuntimeError("cannot open the display")
        self.root = x.XDefaultRootWindow(self.display)
        self.client_list = x.XInternAtom(self.display, b"_NET_CLIENT_LIST", 0)
        self.protocols = x.XInternAtom(self.display, b"WM_PROTOCOLS", 0)
        self.delete_window = x.XInternAtom(self.display, b"WM_DELETE_WINDOW", 0)
        x.XGetSelectionOwner.restype = ctypes.c_ulong
        x.XGetSelectionOwner.argtypes = [ctypes.c_void_p, ctypes.c_ulong]

    def selection_owner(self, name):
        return self.x.XGetSelectionOwner(self.display, self.x.XInternAtom(self.display, name, 0))

    def managed_windows(self):
        actual_type, actual_format = ctypes.c_ulong(), ctypes.c_int()
        count, after, data = ctypes.c_ulong(), ctypes.c_ulong(), ctypes.c_void_p()
        xa_window = 33
        self.x.XGetWindowProperty(self.display, self.root, self.client_list, 0, 4096, 0,
                                  xa_window, ctypes.byref(actual_type),
                                  ctypes.byref(actual_format), ctypes.byref(count),
                                  ctypes.byref(after), ctypes.byref(data))
        if not data.value:
            return []
        windows = list(ctypes.cast(data, ctypes.POINTER(ctypes.c_ulong))[:count.value])
        self.x.XFree(data)
        return windows

    def find(self, name):
        for window in self.managed_windows():
            fetched = ctypes.c_char_p()
            if self.x.XFetchName(self.display, window, ctypes.byref(fetched)) and fetched.value:
                found = fetched.value == name
                self.x.XFree(fetched)
                if found:
                    return window
        return None

    def ask_to_close(self, window):
        event = XEvent()
        event.xclient.type = 33  # ClientMessage
        event.xclient.window = window
        event.xclient.message_type = self.protocols
        event.xclient.format = 32
        event.xclient.l[0] = self.delete_window
        event.xclient.l[1] = 0  # CurrentTime
        self.x.XSendEvent(self.display, window, 0, 0, ctypes.byref(event))
        self.x.XSync(self.display, 0)


def resident_kb(pid):
    with open("/proc/%d/status" % pid) as status:
        for line in status:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return -1


def wait_until(condition, limit):
    end = time.monotonic() + limit
    while time.monotonic() < end:
        value = condition()
        if value:
            return value
        time.sleep(0.002)
    return None


def preferences_cycles(service, cycles, pid, out_path):
    sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
    import dbus
    import sni_host

    menu, found = sni_host.entries(service)
    wanted = [entry for entry, label, *_ in found if label == "Preferences..."]
    if not wanted:
        print("the menu has no Preferences... entry", file=sys.stderr)
        return 1
    desktop = Desktop()
    start = time.monotonic()
    with open(out_path, "w", buffering=1) as out:
        for cycle in range(1, cycles + 1):
            menu.Event(dbus.Int32(wanted[0]), "clicked", dbus.Int32(0, variant_level=1),
                       dbus.UInt32(0), dbus_interface=sni_host.MENU)
            window = wait_until(lambda: desktop.find(b"Preferences"), 10)
            if not window:
                print("cycle %d: no Preferences window came" % cycle, file=sys.stderr)
                return 1
            desktop.ask_to_close(window)
            if not wait_until(lambda: desktop.find(b"Preferences") is None, 10):
                print("cycle %d: the Preferences window did not go" % cycle, file=sys.stderr)
                return 1
            if cycle == 1 or cycle % 50 == 0:
                # Read once the program has handed back what the window used, which it does from
                # its event loop right after the window is gone, so that every sample is alike.
                time.sleep(0.2)
                out.write("%d %d %.1f\n" % (cycle, resident_kb(pid), time.monotonic() - start))
    return 0


def clipboard_owner():
    desktop = Desktop()
    print(desktop.selection_owner(b"CLIPBOARD"))
    return 0


def main(argv):
    if len(argv) == 5 and argv[1] == "watch-settings":
        return watch_settings(argv[2], argv[3], argv[4])
    if len(argv) == 6 and argv[1] == "preferences-cycles":
        return preferences_cycles(argv[2], int(argv[3]), int(argv[4]), argv[5])
    if len(argv) == 2 and argv[1] == "clipboard-owner":
        return clipboard_owner()
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
