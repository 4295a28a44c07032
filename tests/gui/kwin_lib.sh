# A real KDE Plasma Wayland session for the GUI tests: KWin headless (its virtual output, software
# OpenGL) with XWayland, and inside it KDE's shortcut service, as in every Plasma Wayland session;
# sourced after gui_lib.sh and portal_lib.sh inside desktop_session.sh. As root, the session and
# every program in it run as the ordinary user "nobody" (setpriv: KWin, KDE's portal, Pigmora),
# as a user's own would, on the session's private bus (which lets other users in; its socket sits
# in the session folder, which they may pass through but not list); the test itself stays root
# and looks on. Two facts of a packaged KWin shape this:
#  - /usr/bin/kwin_wayland carries a file capability, which a container may refuse to grant: a
#    copy without it runs, and it must still be named kwin_wayland (KWin picks its own Qt platform
#    plugin by that name);
#  - KWin offers its fake-input protocol only to a program whose desktop file asks for it
#    (X-KDE-Wayland-Interfaces), and finds that program by reading /proc/PID/exe, which it can do
#    only for processes of its own user: the input tool runs as KWin's user (kwin_input), and KDE's
#    service cache, where KWin looks the desktop file up, needs a menu file to list it at all.
# Every process started here goes to the session's PID list, which desktop_session.sh kills by PID.

KWIN_DIR="$PIGMORA_SESSION_DIR/kwin"
KWIN_AS_USER=()
[ "$(id -u)" -eq 0 ] &&
  KWIN_AS_USER=(setpriv --reuid="$(id -u nobody)" --regid="$(id -g nobody)" --clear-groups)

# The KWin of this Debian, "5.27.5" (Debian 12) or "6.3.6" (Debian 13), from its package (the
# program itself may not be run here, see above).
kwin_version() { dpkg-query -W -f='${Version}' kwin-wayland 2>/dev/null | sed 's/^[0-9]*://; s/-.*//'; }

# Starts KWin; sets KWIN_PID, KWIN_SOCKET (absolute path of its Wayland socket), KWIN_X_DISPLAY
# (its XWayland's display) and SESSION_PIGMORA_BIN (the program under test, for the session's user). False, with KWin's log on stderr, when it does not come
# up.
start_kwin() {
  mkdir -p "$KWIN_DIR/runtime" "$KWIN_DIR/bin" "$XDG_DATA_HOME/applications"
  chmod 700 "$KWIN_DIR/runtime"
  chmod 711 "$PIGMORA_SESSION_DIR"
  cp /usr/bin/kwin_wayland "$KWIN_DIR/bin/kwin_wayland"
  # The session's user runs the input tool and Pigmora from copies in the session folder: the
  # build they come from may lie where that user may not go (/root).
  cp "$PIGMORA_KWIN_FAKE_INPUT" "$KWIN_DIR/bin/kwin_fake_input"
  mkdir -p "$KWIN_DIR/pigmora/bin" "$KWIN_DIR/pigmora/share"
  cp "$PIGMORA_BIN" "$KWIN_DIR/pigmora/bin/pigmora"
  cp -r "$(dirname "$PIGMORA_BIN")/../share/pigmora" "$KWIN_DIR/pigmora/share/"
  cat >"$XDG_DATA_HOME/applications/pigmora-test-input.desktop" <<DESKTOP
[Desktop Entry]
Type=Application
Name=Pigmora test input
Exec=$KWIN_DIR/bin/kwin_fake_input
NoDisplay=true
X-KDE-Wayland-Interfaces=org_kde_kwin_fake_input
DESKTOP
  # KDE's service cache (where KWin looks the tool up) lists the applications a menu file takes in;
  # Plasma brings its own (plasma-applications.menu), this session one that takes in everything.
  mkdir -p "$XDG_CONFIG_HOME/menus"
  cat >"$XDG_CONFIG_HOME/menus/applications.menu" <<'MENU'
<!DOCTYPE Menu PUBLIC "-//freedesktop//DTD Menu 1.0//EN"
 "http://www.freedesktop.org/standards/menu-spec/1.0/menu.dtd">
<Menu>
  <Name>Applications</Name>
  <DefaultAppDirs/>
  <DefaultDirectoryDirs/>
  <Include><All/></Include>
</Menu>
MENU
  # The session's user owns its home, the settings in it and KWin's folder.
  [ "$(id -u)" -eq 0 ] && chown -R nobody: "$KWIN_DIR" "$HOME"
  # The program given after the options starts once XWayland is up, with its DISPLAY. XWayland lets
  # in only clients of KWin's own user: it lets the test's user in too, to look on with xdotool.
  # KWin's screenshot interface answers anyone here (kwin_screenshot.py): the pictures are for
  # people to look at, and its desktop-file check proved unreliable in a session this young.
  env -u DISPLAY -u WAYLAND_DISPLAY XDG_RUNTIME_DIR="$KWIN_DIR/runtime" XDG_SESSION_TYPE=wayland \
    XDG_CURRENT_DESKTOP=KDE KWIN_SCREENSHOT_NO_PERMISSION_CHECKS=1 \
    "${KWIN_AS_USER[@]}" "$KWIN_DIR/bin/kwin_wayland" --virtual --xwayland --width 1280 --height 800 \
    --socket wayland-kwin "sh -c 'xhost +si:localuser:$(id -un) >/dev/null; echo \$DISPLAY >$KWIN_DIR/x-display'" \
    >"$KWIN_DIR/kwin.log" 2>&1 &
  KWIN_PID=$!
  echo "$KWIN_PID" >>"$PIGMORA_SESSION_DIR/pids"
  SESSION_PIGMORA_BIN="$KWIN_DIR/pigmora/bin/pigmora"
  KWIN_SOCKET="$KWIN_DIR/runtime/wayland-kwin" KWIN_X_DISPLAY=""
  for _ in $(seq 1 300); do
    KWIN_X_DISPLAY=$(cat "$KWIN_DIR/x-display" 2>/dev/null)
    [ -S "$KWIN_SOCKET" ] && [ -n "$KWIN_X_DISPLAY" ] && break
    is_running "$KWIN_PID" || break
    sleep 0.1
  done
  if [ ! -S "$KWIN_SOCKET" ] || [ -z "$KWIN_X_DISPLAY" ]; then
    echo "KWin did not start:" >&2
    cat "$KWIN_DIR/kwin.log" >&2
    return 1
  fi
  # KWin finds the input tool's desktop file through a cache it may still be building: a harmless
  # key, until KWin lets the tool in.
  for _ in $(seq 1 50); do
    kwin_input key KEY_LEFTSHIFT 2>/dev/null && return 0
    sleep 0.2
  done
  echo "KWin does not offer its fake-input protocol to the input tool:" >&2
  kwin_input key KEY_LEFTSHIFT
  return 1
}

# Runs a program as the session's user, in the session: its runtime folder, Wayland and X11
# displays. XWayland lets in only clients of KWin's own user.
as_session_user() {
  env XDG_RUNTIME_DIR="$KWIN_DIR/runtime" WAYLAND_DISPLAY=wayland-kwin DISPLAY="$KWIN_X_DISPLAY" \
    XDG_SESSION_TYPE=wayland XDG_CURRENT_DESKTOP=KDE "${KWIN_AS_USER[@]}" "$@"
}

# Runs a test helper (a shell function or a tool) on KWin's XWayland: "on_xwayland wait_for_window
# NAME".
on_xwayland() { (export DISPLAY="$KWIN_X_DISPLAY" && "$@"); }

# Runs a Wayland client or tool on KWin.
on_kwin() { env -u DISPLAY WAYLAND_DISPLAY="$KWIN_SOCKET" "$@"; }

# Input through KWin (see tests/gui/tools/kwin_fake_input.cpp), as KWin's user:
# "kwin_input key KEY_LEFTCTRL+KEY_P", "kwin_input click X Y".
kwin_input() {
  env -u DISPLAY WAYLAND_DISPLAY="$KWIN_SOCKET" "${KWIN_AS_USER[@]}" "$KWIN_DIR/bin/kwin_fake_input" "$@"
}

# The clipboard as a Wayland program on KWin pastes it (empty when there is none).
kwin_clipboard() { on_kwin timeout 5 wl-paste --no-newline 2>/dev/null; }

# Waits (up to $2 seconds, default 10) until KWin's clipboard holds something other than $1;
# prints it.
wait_for_kwin_clipboard_change() {
  local before="$1" limit="${2:-10}" text=""
  for _ in $(seq 1 $((limit * 10))); do
    text=$(kwin_clipboard)
    [ -n "$text" ] && [ "$text" != "$before" ] && break
    sleep 0.1
  done
  echo "$text"
}

# Puts a marker text on KWin's clipboard from a Wayland program of its own.
mark_kwin_clipboard() { serve_marker kwin_clipboard "$1" on_kwin wl-copy --foreground; }

# KDE's desktop portal backend and the real frontend, as a Plasma session has them. The backend is
# started here, not by D-Bus activation (the private bus has none), with the session's displays.
# The frontend of Debian 13 (1.20) takes its backends from kde-portals.conf, which Plasma ships.
start_kde_portal() {
  local backend
  for backend in /usr/libexec/xdg-desktop-portal-kde /usr/lib/x86_64-linux-gnu/libexec/xdg-desktop-portal-kde; do
    [ -x "$backend" ] && break
  done
  mkdir -p "$XDG_CONFIG_HOME/xdg-desktop-portal"
  printf '[preferred]\ndefault=kde;gtk;\n' >"$XDG_CONFIG_HOME/xdg-desktop-portal/kde-portals.conf"
  QT_QPA_PLATFORM=wayland as_session_user "$backend" >>"$PIGMORA_SESSION_DIR/portal-kde.log" 2>&1 &
  echo $! >>"$PIGMORA_SESSION_DIR/pids"
  wait_for_bus_name org.freedesktop.impl.portal.desktop.kde 20 ||
    { fail "KDE's portal backend did not start:"; cat "$PIGMORA_SESSION_DIR/portal-kde.log" >&2; return 1; }
  XDG_CONFIG_HOME="$XDG_CONFIG_HOME" as_session_user "$PORTAL_FRONTEND" -r -v \
    >>"$PIGMORA_SESSION_DIR/portal-frontend.log" 2>&1 &
  PORTAL_FRONTEND_PID=$!
  echo "$PORTAL_FRONTEND_PID" >>"$PIGMORA_SESSION_DIR/pids"
  wait_for_bus_name org.freedesktop.portal.Desktop 15 || { fail "xdg-desktop-portal did not start"; return 1; }
}

# True when KWin serves the D-Bus object $1: its colour picker (/ColorPicker) and screenshots
# (/org/kde/KWin/ScreenShot2) are OpenGL effects, which a KWin without a GPU render node lacks.
kwin_serves() {
  gdbus introspect --session --dest org.kde.KWin --object-path "$1" 2>/dev/null | grep -q '^ *interface '
}
kwin_has_colour_picker() { kwin_serves /ColorPicker; }

# A screenshot of KWin's output, in the screenshot folder (tray_lib.sh), as $1.png.
kwin_screenshot() {
  [ -n "$SCREENSHOT_DIR" ] || return 0
  kwin_serves /org/kde/KWin/ScreenShot2 ||
    { echo "note: no screenshot $1: KWin takes none without OpenGL" >&2; return 0; }
  mkdir -p "$SCREENSHOT_DIR"
  local raw="$KWIN_DIR/$1.pam"
  if timeout 20 /usr/bin/python3 "$(dirname "${BASH_SOURCE[0]}")/kwin_screenshot.py" "$raw" \
    >>"$KWIN_DIR/screenshot.log" 2>&1 && convert "$raw" "$SCREENSHOT_DIR/$1.png" 2>/dev/null; then
    rm -f "$raw"
  else
    echo "note: screenshot $1 could not be taken:" >&2
    cat "$KWIN_DIR/screenshot.log" >&2
  fi
}
