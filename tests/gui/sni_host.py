#!/usr/bin/python3
"""A minimal StatusNotifierItem host for the tests, on the session bus.

  sni_host.py watch <file>           run a StatusNotifierWatcher (with a host registered) and
                                     append each registered item's bus name to <file>
  sni_host.py props <service>        print the item's Title, Status and tooltip title
  sni_host.py menu <service>         print the item's menu as "label|enabled|shortcut" lines ("-"
                                     for a separator; the shortcut's key names joined by "+"),
                                     read through com.canonical.dbusmenu
  sni_host.py click <service> <label>  choose the menu entry whose label is <label>
  sni_host.py icon <service> <file>  write the item's largest IconPixmap as a PAM picture

A desktop's panel does the same: it shows IconPixmap, reads the menu layout and sends "clicked".
"""
import sys

import dbus
import dbus.service

WATCHER = "org.kde.StatusNotifierWatcher"
ITEM = "org.kde.StatusNotifierItem"
MENU = "com.canonical.dbusmenu"
PROPS = "org.freedesktop.DBus.Properties"


INTROSPECTION = """<!DOCTYPE node PUBLIC "-//freedesktop//DTD D-BUS Object Introspection 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/introspect.dtd">
<node>
  <interface name="org.kde.StatusNotifierWatcher">
    <method name="RegisterStatusNotifierItem"><arg name="service" type="s" direction="in"/></method>
    <method name="RegisterStatusNotifierHost"><arg name="service" type="s" direction="in"/></method>
    <property name="RegisteredStatusNotifierItems" type="as" access="read"/>
    <property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
    <property name="ProtocolVersion" type="i" access="read"/>
    <signal name="StatusNotifierItemRegistered"><arg type="s"/></signal>
    <signal name="StatusNotifierHostRegistered"/>
  </interface>
  <interface name="org.freedesktop.DBus.Properties">
    <method name="Get"><arg type="s" direction="in"/><arg type="s" direction="in"/>
      <arg type="v" direction="out"/></method>
    <method name="GetAll"><arg type="s" direction="in"/><arg type="a{sv}" direction="out"/></method>
  </interface>
  <interface name="org.freedesktop.DBus.Introspectable">
    <method name="Introspect"><arg type="s" direction="out"/></method>
  </interface>
</node>
"""


class Watcher(dbus.service.Object):
    def __init__(self, bus, out_path):
        super().__init__(bus, "/StatusNotifierWatcher")
        self.items = []
        self.out_path = out_path

    @dbus.service.method(WATCHER, in_signature="s", out_signature="", sender_keyword="sender")
    def RegisterStatusNotifierItem(self, service, sender=None):
        # An item names either its bus name or, when it passes an object path, its sender.
        name = sender if service.startswith("/") else service
        self.items.append(name)
        with open(self.out_path, "a") as out:
            out.write(name + "\n")
        self.StatusNotifierItemRegistered(name)

    @dbus.service.method(WATCHER, in_signature="s", out_signature="")
    def RegisterStatusNotifierHost(self, service):
        pass

    @dbus.service.signal(WATCHER, signature="s")
    def StatusNotifierItemRegistered(self, service):
        pass

    @dbus.service.signal(WATCHER, signature="")
    def StatusNotifierHostRegistered(self):
        pass

    # Qt reads IsStatusNotifierHostRegistered through the introspection data, which must therefore
    # list the properties; dbus-python's own introspection only knows methods and signals.
    @dbus.service.method(dbus.INTROSPECTABLE_IFACE, in_signature="", out_signature="s",
                         path_keyword="object_path", connection_keyword="connection")
    def Introspect(self, object_path, connection):
        return INTROSPECTION

    def _props(self):
        return {
            "RegisteredStatusNotifierItems": dbus.Array(self.items, signature="s"),
            "IsStatusNotifierHostRegistered": dbus.Boolean(True),
            "ProtocolVersion": dbus.Int32(0),
        }

    @dbus.service.method(PROPS, in_signature="ss", out_signature="v")
    def Get(self, interface, name):
        return self._props()[name]

    @dbus.service.method(PROPS, in_signature="s", out_signature="a{sv}")
    def GetAll(self, interface):
        return self._props()


def watch(out_path):
    import dbus.mainloop.glib
    from gi.repository import GLib

    dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    watcher = Watcher(bus, out_path)
    # The watcher's name is taken last, once it can answer, since items look for that name.
    name = dbus.service.BusName(WATCHER, bus)
    watcher.StatusNotifierHostRegistered()
    print("watching", flush=True)
    GLib.MainLoop().run()
    del name


def item(service):
    return dbus.SessionBus().get_object(service, "/StatusNotifierItem")


def props(service):
    get = lambda name: item(service).Get(ITEM, name, dbus_interface=PROPS)
    print("Title=" + str(get("Title")))
    print("Status=" + str(get("Status")))
    tooltip = get("ToolTip")
    print("ToolTip=" + str(tooltip[2]))


def menu_object(service):
    path = item(service).Get(ITEM, "Menu", dbus_interface=PROPS)
    return dbus.SessionBus().get_object(service, path)


def entries(service):
    menu = menu_object(service)
    menu.AboutToShow(dbus.Int32(0), dbus_interface=MENU)
    _, layout = menu.GetLayout(dbus.Int32(0), dbus.Int32(-1), dbus.Array([], signature="s"),
                               dbus_interface=MENU)
    result = []
    for child in layout[2]:
        entry_id, properties = int(child[0]), child[1]
        if properties.get("visible", True) is False or properties.get("visible") == 0:
            continue
        if str(properties.get("type", "")) == "separator":
            result.append((entry_id, "-", True, ""))
        else:
            shortcut = " ".join("+".join(str(key) for key in press)
                                for press in properties.get("shortcut", []))
            result.append((entry_id, str(properties.get("label", "")),
                           bool(properties.get("enabled", True)), shortcut))
    return menu, result


def menu(service):
    for _, label, enabled, shortcut in entries(service)[1]:
        print(label if label == "-" else "%s|%s|%s" % (
            label, "enabled" if enabled else "disabled", shortcut))


def click(service, wanted):
    menu, found = entries(service)
    for entry_id, label, _, _ in found:
        if label == wanted:
            menu.Event(dbus.Int32(entry_id), "clicked", dbus.Int32(0, variant_level=1),
                       dbus.UInt32(0), dbus_interface=MENU)
            return 0
    print("no entry %r" % wanted, file=sys.stderr)
    return 1


def icon(service, out_path):
    pixmaps = item(service).Get(ITEM, "IconPixmap", dbus_interface=PROPS)
    if not pixmaps:
        print("no IconPixmap", file=sys.stderr)
        return 1
    width, height, data = max(pixmaps, key=lambda p: int(p[0]) * int(p[1]))
    width, height, data = int(width), int(height), bytes(bytearray(data))
    # ARGB32 in network byte order to RGBA.
    rgba = bytearray()
    for i in range(0, len(data), 4):
        a, r, g, b = data[i:i + 4]
        rgba += bytes((r, g, b, a))
    with open(out_path, "wb") as out:
        out.write(b"P7\nWIDTH %d\nHEIGHT %d\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n"
                  % (width, height))
        out.write(bytes(rgba))
    print("%dx%d" % (width, height))
    return 0


def main(argv):
    command = argv[1] if len(argv) > 1 else ""
    if command == "watch" and len(argv) == 3:
        watch(argv[2])
    elif command == "props" and len(argv) == 3:
        props(argv[2])
    elif command == "menu" and len(argv) == 3:
        menu(argv[2])
    elif command == "click" and len(argv) == 4:
        return click(argv[2], argv[3])
    elif command == "icon" and len(argv) == 4:
        return icon(argv[2], argv[3])
    else:
        print(__doc__, file=sys.stderr)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
