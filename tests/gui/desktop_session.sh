#!/bin/bash
# Runs one GUI test inside a throw-away X11 desktop:
#
#   desktop_session.sh [--tray | --host HOST] [--] <test program> [arguments...]
#
# It makes a fresh HOME and XDG_RUNTIME_DIR, starts Xvfb on a free display, a private D-Bus session
# bus (no service activation, so nothing is spawned behind our back), the openbox window manager
# and, with --tray or when the test script has a line "# desktop-session: tray", trayer as the
# XEmbed system tray. With --host, one of the real tray hosts of tray_hosts.sh, the session runs
# that host's services and window manager instead of openbox and exports PIGMORA_TRAY_HOST; the
# test starts the panel itself (tray_hosts.sh's start_panel). The test runs with DISPLAY, HOME, XDG_CONFIG_HOME, XDG_RUNTIME_DIR,
# DBUS_SESSION_BUS_ADDRESS, PIGMORA_BIN (the program under test, taken from the environment) and
# PIGMORA_SESSION_DIR exported; it is stopped after PIGMORA_SESSION_TIMEOUT seconds (150). Every process started here, and every PID a test appends to
# $PIGMORA_SESSION_DIR/pids (gui_lib.sh does), is killed by PID when the session ends, however it
# ends; then the folder is removed. The exit status is the test's.
set -u

want_tray=0
tray_host=""
while [ $# -gt 0 ]; do
  case "$1" in
    --tray) want_tray=1; shift ;;
    --host) tray_host="$2"; shift 2 ;;
    --) shift; break ;;
    *) break ;;
  esac
done
if [ $# -eq 0 ]; then
  echo "usage: $0 [--tray | --host HOST] [--] <test program> [arguments...]" >&2
  exit 2
fi
if [ -f "$1" ] && grep -q '^# desktop-session: tray' "$1" 2>/dev/null; then want_tray=1; fi

session_dir=$(mktemp -d "${TMPDIR:-/tmp}/pigmora-session.XXXXXX") || exit 2
pids_file="$session_dir/pids"
: >"$pids_file"

log() { echo "desktop_session: $*" >&2; }

cleanup() {
  local status=$?
  trap - EXIT INT TERM HUP
  local pid
  # Newest first: the test's own processes, then trayer, openbox, the bus and the X server.
  for pid in $(tac "$pids_file" 2>/dev/null); do
    kill -TERM "$pid" 2>/dev/null
  done
  for _ in $(seq 1 30); do
    local alive=0
    for pid in $(cat "$pids_file" 2>/dev/null); do
      kill -0 "$pid" 2>/dev/null && alive=1
    done
    [ $alive -eq 0 ] && break
    sleep 0.1
  done
  for pid in $(cat "$pids_file" 2>/dev/null); do
    if kill -0 "$pid" 2>/dev/null; then
      log "process $pid did not end on SIGTERM; killing it"
      kill -KILL "$pid" 2>/dev/null
    fi
  done
  wait 2>/dev/null
  rm -rf "$session_dir"
  exit $status
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'exit 129' HUP

record() { echo "$1" >>"$pids_file"; }

# A clean user: nothing of the real one's settings, runtime files or desktop leaks in.
export HOME="$session_dir/home"
export XDG_RUNTIME_DIR="$session_dir/runtime"
export XDG_CONFIG_HOME="$HOME/.config"
export XDG_DATA_HOME="$HOME/.local/share"
export XDG_CACHE_HOME="$HOME/.cache"
export PIGMORA_SESSION_DIR="$session_dir"
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
unset XDG_CONFIG_DIRS_OVERRIDE WAYLAND_DISPLAY SESSION_MANAGER XDG_SESSION_TYPE DESKTOP_SESSION
unset XDG_CURRENT_DESKTOP QT_QPA_PLATFORMTHEME QT_STYLE_OVERRIDE
export NO_AT_BRIDGE=1 QT_ACCESSIBILITY=0

# The X server picks a free display itself and writes its number once it accepts connections.
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset \
  3>"$session_dir/display" >"$session_dir/xvfb.log" 2>&1 &
record $!
for _ in $(seq 1 100); do
  [ -s "$session_dir/display" ] && grep -q '^[0-9]' "$session_dir/display" && break
  kill -0 "$(head -1 "$pids_file")" 2>/dev/null || break
  sleep 0.1
done
display_number=$(head -1 "$session_dir/display" 2>/dev/null | tr -dc 0-9)
if [ -z "$display_number" ]; then
  log "Xvfb did not start"; cat "$session_dir/xvfb.log" >&2; exit 2
fi
export DISPLAY=":$display_number"

# A private session bus, so that nothing the test starts talks to (or leaves behind on) the
# machine's buses; it has no service folders, so it never launches a service. It lets in any user,
# for the tests that run a desktop as an ordinary user beside the root test (kwin_lib.sh): its
# socket lies in the session folder, which only such a test opens to other users at all.
cat >"$session_dir/session-bus.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:path=$session_dir/bus</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/>
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
CONF
dbus-daemon --nofork --config-file="$session_dir/session-bus.conf" --print-address=4 \
  4>"$session_dir/bus-address" 2>"$session_dir/dbus.log" &
record $!
for _ in $(seq 1 50); do
  [ -s "$session_dir/bus-address" ] && break
  sleep 0.1
done
if [ ! -s "$session_dir/bus-address" ]; then
  log "the session bus did not start"; cat "$session_dir/dbus.log" >&2; exit 2
fi
DBUS_SESSION_BUS_ADDRESS=$(head -1 "$session_dir/bus-address")
export DBUS_SESSION_BUS_ADDRESS

window_manager=openbox
if [ -n "$tray_host" ]; then
  . "$(dirname "$0")/tray_hosts.sh"
  window_manager=$(host_window_manager "$tray_host")
  export PIGMORA_TRAY_HOST="$tray_host"
  for service in $(host_services "$tray_host"); do
    "$service" >>"$session_dir/services.log" 2>&1 &
    record $!
  done
fi
if [ "$window_manager" != none ]; then
  case "$window_manager" in
    openbox) openbox --sm-disable >"$session_dir/wm.log" 2>&1 & ;;
    *) "$window_manager" >"$session_dir/wm.log" 2>&1 & ;;
  esac
  record $!
  # The window manager is ready once it announces itself on the root window.
  for _ in $(seq 1 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    sleep 0.1
  done
  if ! xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; then
    log "$window_manager did not start"; cat "$session_dir/wm.log" >&2; exit 2
  fi
fi

if [ $want_tray -eq 1 ]; then
  trayer --edge top --align right --widthtype request --height 32 --SetDockType true \
    --expand true --transparent false >"$session_dir/trayer.log" 2>&1 &
  record $!
  # The tray is ready when trayer owns the system tray selection, the moment an item can dock; a
  # busy machine can take far longer to get there than an idle one.
  if ! "$(dirname "$0")/wait_for_tray_host.py" 60; then
    log "trayer did not take the system tray within 60 s"; cat "$session_dir/trayer.log" >&2; exit 2
  fi
fi

export PIGMORA_BIN="${PIGMORA_BIN:-}"
# The session ends by itself before CTest's own time-out would kill this script without cleaning.
timeout --kill-after=5 "${PIGMORA_SESSION_TIMEOUT:-150}" "$@" &
test_pid=$!
record $test_pid
wait $test_pid
