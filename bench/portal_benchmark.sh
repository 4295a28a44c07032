#!/bin/bash
# Measures how long a hot key takes to bring up the colour dialog in a Wayland session, where the
# desktop's GlobalShortcuts portal reports the key, beside the X11 key grab, in one throw-away
# desktop (Xvfb, openbox, trayer) and one run, so that the two figures share the machine's load:
#
#   X11:    XTest key press  -> the dialog's MapNotify (bench/x_event_timer open, as in
#           run_benchmarks.sh)
#   portal: our test backend emits Activated (the moment a desktop would, on the key press)
#           -> the real xdg-desktop-portal frontend relays it -> Pigmora -> the dialog's MapNotify
#           (bench/x_event_timer open-by)
#
# Both in CLOCK_MONOTONIC microseconds of the measuring side. Prints a Markdown table of medians:
# the first open of each run, and the later opens (the figure the targets are set on). Not part of
# the test suite; about a minute with the defaults.
#
# Settings (environment):
#   RUNS       program starts per kind (3)
#   OPENS      opens per start, the first one included (10)
#   BUILD_DIR  the optimised build (<repo>/build-bench; configured and built when needed)
set -u

here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/.." && pwd)
export RUNS="${RUNS:-3}" OPENS="${OPENS:-10}"
export BUILD_DIR="${BUILD_DIR:-$repo/build-bench}"

note() { echo "bench: $*" >&2; }

if [ "${1:-}" != "--inside-session" ]; then
  if [ ! -f "$BUILD_DIR/CMakeCache.txt" ]; then
    cmake -S "$repo" -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=Release >&2 || exit 2
  fi
  cmake --build "$BUILD_DIR" -j2 --target pigmora >&2 || exit 2
  export PIGMORA_BIN="$BUILD_DIR/bin/pigmora"
  TIMER_BIN=$(bash "$here/build_x_event_timer.sh" "$BUILD_DIR/bench") || exit 2
  export TIMER_BIN
  PIGMORA_SESSION_TIMEOUT=$((120 + RUNS * OPENS * 6)) \
    bash "$repo/tests/gui/desktop_session.sh" --tray -- bash "$0" --inside-session
  exit $?
fi

# ----------------------------------------------------------------------------------------------
# Inside the desktop session.
. "$repo/tests/gui/gui_lib.sh"
. "$repo/tests/gui/tray_lib.sh"
. "$repo/tests/gui/portal_lib.sh"
RAW="$PIGMORA_SESSION_DIR/raw.txt"
: >"$RAW"

write_settings "ShortKey=⌃⌥⌘P" "ShortKey1=⌃⌥⌘]" "ShortKey2=⇧⌘F5" "Mode=RGB Hex" "OutFormat=2" \
  "TitleOn=1" "MenuIcon=4" "Login=0" "ColorVal=0"

# Keeps "<kind> <open number> <microseconds>" of the timer's lines.
keep() { sed -n "s/^open \([0-9]*\) .*client_us=\([0-9-]*\).*/$1 \1 \2/p" >>"$RAW"; }

run_kind() {
  local kind="$1"
  start_pigmora "$kind"
  [ -n "$(wait_for_tray_item 20)" ] || { note "$kind: no tray item"; return 1; }
  if [ "$kind" = x11 ]; then
    "$TIMER_BIN" open --keys ctrl+alt+super+p --name "Select Color" --count "$OPENS" | keep x11
  else
    wait_for_portal_calls BindShortcuts 1 15 || { note "portal: nothing bound"; return 1; }
    "$TIMER_BIN" open-by --name "Select Color" --count "$OPENS" -- \
      gdbus call --session --dest "$PORTAL_BACKEND_NAME" --object-path /org/pigmora/TestPortal \
      --method org.pigmora.TestPortal.Activate picker | keep portal
  fi
  kill -TERM "$PIGMORA_PID"
  wait_for_exit "$PIGMORA_PID" 10
}

start_portal "GlobalShortcuts;Screenshot;Access" || exit 1
for _ in $(seq 1 "$RUNS"); do
  (unset XDG_SESSION_TYPE WAYLAND_DISPLAY; run_kind x11)
  (export XDG_SESSION_TYPE=wayland; run_kind portal)
done

median_ms() {
  sort -n | awk '{ v[NR] = $1 } END { if (NR == 0) { print "–"; exit }
    m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2; printf "%.1f (n=%d)", m / 1000, NR }'
}
figure() { awk -v k="$1" -v first="$2" '$1 == k && (first ? $2 == 1 : $2 > 1) { print $3 }' "$RAW" | median_ms; }

echo "| Hot key to colour dialog mapped (ms, median) | first open | later opens |"
echo "|---|---|---|"
echo "| X11 key grab (XTest press) | $(figure x11 1) | $(figure x11 0) |"
echo "| GlobalShortcuts portal (Activated emitted) | $(figure portal 1) | $(figure portal 0) |"
