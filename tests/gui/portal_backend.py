#!/usr/bin/python3
"""A desktop-portal backend for the tests, served to the real xdg-desktop-portal frontend.

It implements org.freedesktop.impl.portal.GlobalShortcuts, .Screenshot and .Access (the 1.16
frontend exports Screenshot only when Access is there too) on /org/freedesktop/portal/desktop
under the bus name given as the first argument. What it is asked is appended, one JSON object a
line, to the log file given as the second argument. The test steers it through a D-Bus interface
of its own, org.pigmora.TestPortal on /org/pigmora/TestPortal:

  SetMode(s call, s mode)   how the next calls of GlobalShortcuts.CreateSession ("create"),
                            .BindShortcuts ("bind") or Screenshot.PickColor ("pick") answer:
                            "ok", "cancel" (response 1), "other" (response 2), "silent"
                            (never answer) or "empty" (response 0 with no shortcut bound, as
                            KDE Plasma 5.27's backend answers BindShortcuts)
  SetPickedColor(d, d, d)   the colour PickColor answers with
  SetBoundTrigger(s id, s)  the trigger description the desktop claims for a shortcut id,
                            instead of echoing the preferred one ("" binds nothing)
  Activate(s id)            emits Activated for that id in the newest open session; answers
                            the CLOCK_MONOTONIC microsecond of the emission (0: no session)
"""
import json
import sys
import time

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

DESKTOP_PATH = "/org/freedesktop/portal/desktop"
IMPL = "org.freedesktop.impl.portal."
RESPONSES = {"ok": 0, "cancel": 1, "other": 2, "empty": 0}


def readable_trigger(trigger):
    """What a desktop might show for a shortcuts-spec trigger: "CTRL+ALT+p" -> "Ctrl+Alt+P"."""
    words = {"CTRL": "Ctrl", "ALT": "Alt", "SHIFT": "Shift", "LOGO": "Meta"}
    parts = trigger.split("+") if trigger else []
    return "+".join(words.get(p, p.upper() if len(p) == 1 else p) for p in parts)


class Session(dbus.service.Object):
    def __init__(self, bus, path, on_close):
        super().__init__(bus, path)
        self.on_close = on_close

    @dbus.service.method(IMPL + "Session", in_signature="", out_signature="")
    def Close(self):
        self.on_close(self)
        self.remove_from_connection()


class Backend(dbus.service.Object):
    def __init__(self, bus, log_path):
        super().__init__(bus, DESKTOP_PATH)
        self.bus = bus
        self.log_file = open(log_path, "a", buffering=1)
        self.modes = {"create": "ok", "bind": "ok", "pick": "ok"}
        self.color = (0.0, 0.0, 0.0)
        self.bound_triggers = {}
        self.sessions = []
        self.pending = []  # answers held back by "silent", kept so that nothing replies

    def log(self, **entry):
        self.log_file.write(json.dumps(entry) + "\n")

    def answer(self, call, results, reply, error):
        mode = self.modes[call]
        if mode == "silent":
            self.pending.append((reply, error))
            return
        if mode == "empty":
            results = {"shortcuts": dbus.Array([], signature="(sa{sv})")}
        reply(dbus.UInt32(RESPONSES[mode]), results if mode in ("ok", "empty") else {})

    # --- GlobalShortcuts ---
    @dbus.service.method(IMPL + "GlobalShortcuts", in_signature="oosa{sv}",
                         out_signature="ua{sv}", async_callbacks=("reply", "error"))
    def CreateSession(self, handle, session_handle, app_id, options, reply, error):
        self.log(call="CreateSession", session=str(session_handle), app_id=str(app_id))
        if self.modes["create"] == "ok":
            self.sessions.append(Session(self.bus, session_handle, self.closed))
        self.answer("create", {"shortcuts": dbus.Array([], signature="(sa{sv})")}, reply, error)

    def closed(self, session):
        self.log(call="CloseSession", session=session.__dbus_object_path__)
        self.sessions = [s for s in self.sessions if s is not session]

    @dbus.service.method(IMPL + "GlobalShortcuts", in_signature="ooa(sa{sv})sa{sv}",
                         out_signature="ua{sv}", async_callbacks=("reply", "error"))
    def BindShortcuts(self, handle, session_handle, shortcuts, parent_window, options, reply,
                      error):
        bound = []
        asked = []
        for shortcut_id, props in shortcuts:
            shortcut_id = str(shortcut_id)
            preferred = str(props.get("preferred_trigger", ""))
            asked.append({"id": shortcut_id, "description": str(props.get("description", "")),
                          "preferred_trigger": preferred})
            trigger = self.bound_triggers.get(shortcut_id, readable_trigger(preferred))
            bound.append((shortcut_id, {"description": props.get("description", ""),
                                        "trigger_description": dbus.String(trigger)}))
        self.log(call="BindShortcuts", session=str(session_handle), shortcuts=asked)
        results = {"shortcuts": dbus.Array(bound, signature="(sa{sv})")}
        self.answer("bind", results, reply, error)

    @dbus.service.method(IMPL + "GlobalShortcuts", in_signature="oo", out_signature="ua{sv}")
    def ListShortcuts(self, handle, session_handle):
        return dbus.UInt32(0), {"shortcuts": dbus.Array([], signature="(sa{sv})")}

    @dbus.service.signal(IMPL + "GlobalShortcuts", signature="osta{sv}")
    def Activated(self, session_handle, shortcut_id, timestamp, options):
        pass

    # --- Screenshot and Access ---
    @dbus.service.method(IMPL + "Screenshot", in_signature="ossa{sv}", out_signature="ua{sv}",
                         async_callbacks=("reply", "error"))
    def PickColor(self, handle, app_id, parent_window, options, reply, error):
        self.log(call="PickColor")
        color = dbus.Struct([dbus.Double(c) for c in self.color], signature="ddd")
        self.answer("pick", {"color": color}, reply, error)

    @dbus.service.method(IMPL + "Screenshot", in_signature="ossa{sv}", out_signature="ua{sv}")
    def Screenshot(self, handle, app_id, parent_window, options):
        return dbus.UInt32(2), {}

    @dbus.service.method(IMPL + "Access", in_signature="osssssa{sv}", out_signature="ua{sv}")
    def AccessDialog(self, handle, app_id, parent_window, title, subtitle, body, options):
        return dbus.UInt32(0), {}


class Control(dbus.service.Object):
    def __init__(self, bus, backend):
        super().__init__(bus, "/org/pigmora/TestPortal")
        self.backend = backend

    @dbus.service.method("org.pigmora.TestPortal", in_signature="ss", out_signature="")
    def SetMode(self, call, mode):
        self.backend.modes[str(call)] = str(mode)

    @dbus.service.method("org.pigmora.TestPortal", in_signature="ddd", out_signature="")
    def SetPickedColor(self, red, green, blue):
        self.backend.color = (red, green, blue)

    @dbus.service.method("org.pigmora.TestPortal", in_signature="ss", out_signature="")
    def SetBoundTrigger(self, shortcut_id, trigger):
        self.backend.bound_triggers[str(shortcut_id)] = str(trigger)

    @dbus.service.method("org.pigmora.TestPortal", in_signature="s", out_signature="t")
    def Activate(self, shortcut_id):
        if not self.backend.sessions:
            return dbus.UInt64(0)
        session = self.backend.sessions[-1].__dbus_object_path__
        emitted = time.monotonic_ns() // 1000
        self.backend.Activated(dbus.ObjectPath(session), shortcut_id, dbus.UInt64(0), {})
        return dbus.UInt64(emitted)


def main():
    DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    backend = Backend(bus, sys.argv[2])
    Control(bus, backend)
    # The name last: whoever waits for it finds every object already there.
    name = dbus.service.BusName(sys.argv[1], bus)  # noqa: F841 (held for the life of the process)
    GLib.MainLoop().run()


if __name__ == "__main__":
    main()
