# The real xdg-desktop-portal frontend on the session's private bus, served by the test backend
# portal_backend.py; sourced after gui_lib.sh. The bus has no service activation, so both are
# started here, the backend first (the frontend reads its backends once, at start), and their PIDs
# go to the session's pids file.
PORTAL_FRONTEND=/usr/libexec/xdg-desktop-portal
PORTAL_PYTHON=/usr/bin/python3
PORTAL_BACKEND_NAME=org.freedesktop.impl.portal.desktop.pigmoratest
PORTAL_BACKEND="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/portal_backend.py"
PORTAL_LOG="$PIGMORA_SESSION_DIR/portal-calls.jsonl"
PORTAL_FRONTEND_PID=""
PORTAL_BACKEND_PID=""

# True when the name has an owner on the session bus.
bus_name_owned() {
  gdbus call --session --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
    --method org.freedesktop.DBus.NameHasOwner "$1" 2>/dev/null | grep -q true
}

wait_for_bus_name() {
  local name="$1" limit="${2:-15}"
  for _ in $(seq 1 $((limit * 10))); do
    bus_name_owned "$name" && return 0
    sleep 0.1
  done
  return 1
}

# start_portal INTERFACES: the backend, declaring the impl interfaces listed (";"-separated short
# names, e.g. "GlobalShortcuts;Screenshot;Access"), then the frontend. An empty list starts no
# frontend at all: the session then has no portal service.
start_portal() {
  local interfaces="$1" dir="$PIGMORA_SESSION_DIR/portals"
  [ -n "$interfaces" ] || return 0
  mkdir -p "$dir"
  {
    echo "[portal]"
    echo "DBusName=$PORTAL_BACKEND_NAME"
    echo "Interfaces=$(echo "$interfaces" | sed 's/\([^;]*\)/org.freedesktop.impl.portal.\1/g');"
    echo "UseIn=pigmoratest"
  } >"$dir/pigmoratest.portal"
  : >"$PORTAL_LOG"
  "$PORTAL_PYTHON" "$PORTAL_BACKEND" "$PORTAL_BACKEND_NAME" "$PORTAL_LOG" \
    >>"$PIGMORA_SESSION_DIR/portal-backend.log" 2>&1 &
  PORTAL_BACKEND_PID=$!
  echo "$PORTAL_BACKEND_PID" >>"$PIGMORA_SESSION_DIR/pids"
  wait_for_bus_name "$PORTAL_BACKEND_NAME" 15 || { fail "the test portal backend did not start"; return 1; }
  XDG_DESKTOP_PORTAL_DIR="$dir" XDG_CURRENT_DESKTOP=pigmoratest "$PORTAL_FRONTEND" -r -v \
    >>"$PIGMORA_SESSION_DIR/portal-frontend.log" 2>&1 &
  PORTAL_FRONTEND_PID=$!
  echo "$PORTAL_FRONTEND_PID" >>"$PIGMORA_SESSION_DIR/pids"
  wait_for_bus_name org.freedesktop.portal.Desktop 15 || { fail "xdg-desktop-portal did not start"; return 1; }
}

stop_portal() {
  local pid
  for pid in $PORTAL_FRONTEND_PID $PORTAL_BACKEND_PID; do
    kill -TERM "$pid" 2>/dev/null
    wait_for_exit "$pid" 10 || kill -KILL "$pid" 2>/dev/null
  done
  PORTAL_FRONTEND_PID=""
  PORTAL_BACKEND_PID=""
}

# Calls a method of the backend's own control interface (see portal_backend.py).
portal_control() {
  local method="$1"
  shift
  gdbus call --session --dest "$PORTAL_BACKEND_NAME" --object-path /org/pigmora/TestPortal \
    --method "org.pigmora.TestPortal.$method" "$@" >/dev/null
}

# The number of calls of one kind the backend has logged.
portal_calls() { grep -c "\"call\": \"$1\"" "$PORTAL_LOG" 2>/dev/null; }

# Waits until the backend has logged at least $2 calls of kind $1 (up to $3 seconds).
wait_for_portal_calls() {
  local call="$1" count="$2" limit="${3:-10}"
  for _ in $(seq 1 $((limit * 10))); do
    [ "$(portal_calls "$call")" -ge "$count" ] 2>/dev/null && return 0
    sleep 0.1
  done
  return 1
}

# The shortcuts of the newest BindShortcuts call, one "id|description|preferred trigger" a line.
last_bound_shortcuts() {
  grep '"call": "BindShortcuts"' "$PORTAL_LOG" | tail -1 | "$PORTAL_PYTHON" -c '
import json, sys
for s in json.loads(sys.stdin.read())["shortcuts"]:
    print("%s|%s|%s" % (s["id"], s["description"], s["preferred_trigger"]))'
}
