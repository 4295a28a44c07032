#!/bin/bash
# Pigmora in a Wayland session, measured on headless sway 1.7 with XWayland (the same compositor
# as the Wayland test), and printed as one Markdown table:
#
#   cycle to text readable by wl-paste: from just before the cycle hot key is pressed (xdotool,
#     XTest inside XWayland) to the moment a Wayland program has read the whole new text;
#     "wl-paste --watch" is told of every change of the selection through data-control, reads the
#     text and stamps the time (median of CYCLES presses); the same stamps around wl-copy setting
#     the selection give the harness's own share (process starts, the watcher's shell);
#   command-line action to colour dialog mapped: from just before "pigmora --show-picker" is started
#     to sway's "new window" event (median of OPENS, the first included), when the program knows
#     the action;
#   idle wake-ups: context switches of all of Pigmora's threads over IDLE_SECONDS with nothing to
#     do, right after its text was read (its data-control source is alive and served).
#
# Not part of the test suite. Settings (environment): PIGMORA_BIN (<repo>/build/bin/pigmora),
# CYCLES (20), OPENS (10), IDLE_SECONDS (10). About half a minute.
set -u
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/.." && pwd)
export PIGMORA_BIN="${PIGMORA_BIN:-$repo/build/bin/pigmora}"
export CYCLES="${CYCLES:-20}" OPENS="${OPENS:-10}" IDLE_SECONDS="${IDLE_SECONDS:-10}"
if [ "${1:-}" != "--inside-session" ]; then
  exec "$repo/tests/gui/desktop_session.sh" "$0" --inside-session
fi

. "$repo/tests/gui/gui_lib.sh"
. "$repo/tests/gui/tray_lib.sh"
. "$repo/tests/gui/sway_lib.sh"
note() { echo "wayland_bench: $*" >&2; }
now_ns() { date +%s%N; }
median_ms() {
  sort -g | awk '{ v[NR] = $1 } END { if (NR == 0) { print "-"; exit }
    m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2; printf "%.1f", m / 1e6 }'
}
x11() { DISPLAY=$XWAYLAND_DISPLAY "$@"; }

start_sway || exit 2
write_settings "ShortKey=⌃⌥⌘P" "ShortKey1=⌃⌥⌘]" "ShortKey2=⇧⌘F5" "Mode=RGB Hex" "OutFormat=2" \
  "TitleOn=1" "MenuIcon=4" "Login=0" "ColorVal=0"
DISPLAY=$XWAYLAND_DISPLAY WAYLAND_DISPLAY=$WAYLAND_SOCKET start_pigmora bench
x11 xmessage -name x11-window -geometry 300x80 "An X11 program" >/dev/null 2>&1 &
echo $! >>"$PIGMORA_SESSION_DIR/pids"
wait_for_sway_focus x11-window 15 || { note "the X11 window did not get the focus"; exit 1; }

# Every change of the Wayland selection, as "<time ns> <text>", once the text has been read.
changes="$PIGMORA_SESSION_DIR/changes"
: >"$changes"
on_sway wl-paste --watch sh -c 'text=$(cat); echo "$(date +%s%N) $text" >>"$0"' "$changes" &
echo $! >>"$PIGMORA_SESSION_DIR/pids"

# Waits (up to 10 s) for file $1 to have more than $2 lines; prints the first field of the last.
wait_for_line() {
  for _ in $(seq 1 1000); do
    [ "$(line_count "$1")" -gt "$2" ] && { tail -1 "$1" | cut -d' ' -f1; return 0; }
    sleep 0.01
  done
  return 1
}

# The first press also waits for the program to be ready.
for _ in $(seq 1 50); do
  before=$(line_count "$changes")
  x11 xdotool key ctrl+alt+super+bracketright
  wait_for_line "$changes" "$before" >/dev/null && break
done
cycle_ns=()
for i in $(seq 1 "$CYCLES"); do
  keys=ctrl+alt+super+bracketright
  [ $((i % 2)) -eq 0 ] && keys=shift+super+F5
  before=$(line_count "$changes")
  t0=$(now_ns)
  x11 xdotool key "$keys"
  t1=$(wait_for_line "$changes" "$before") || { note "cycle $i: no change seen"; continue; }
  cycle_ns+=($((t1 - t0)))
done

# The harness's own share: the same stamps around another program that sets the selection
# through data-control (wl-copy, started as a process like xdotool above).
floor_ns=()
for i in $(seq 1 "$CYCLES"); do
  before=$(line_count "$changes")
  t0=$(now_ns)
  printf 'floor %s' "$i" | on_sway wl-copy
  t1=$(wait_for_line "$changes" "$before") || continue
  floor_ns+=($((t1 - t0)))
done
before=$(line_count "$changes")
x11 xdotool key ctrl+alt+super+bracketright
wait_for_line "$changes" "$before" >/dev/null || note "the program did not take the clipboard back"

switches() {
  awk '/^(non)?voluntary_ctxt_switches:/ { n += $2 } END { print n + 0 }' \
    /proc/"$PIGMORA_PID"/task/*/status 2>/dev/null
}
sleep 1
s0=$(switches)
sleep "$IDLE_SECONDS"
idle_switches=$(($(switches) - s0))

open_ns=()
if "$PIGMORA_BIN" --help 2>&1 | grep -q -- --show-picker; then
  windows="$PIGMORA_SESSION_DIR/windows"
  : >"$windows"
  swaymsg -m -t subscribe '["window"]' | while read -r event; do
    case "$event" in *'"change": "new"'* | *'"change":"new"'*) echo "$(date +%s%N)" >>"$windows" ;; esac
  done &
  echo $! >>"$PIGMORA_SESSION_DIR/pids"
  sleep 0.5
  for i in $(seq 1 "$OPENS"); do
    before=$(line_count "$windows")
    t0=$(now_ns)
    DISPLAY=$XWAYLAND_DISPLAY WAYLAND_DISPLAY=$WAYLAND_SOCKET "$PIGMORA_BIN" --show-picker
    t1=$(wait_for_line "$windows" "$before") || { note "open $i: no window"; continue; }
    open_ns+=($((t1 - t0)))
    x11 wait_for_window "Select Color" 10 >/dev/null
    x11 xdotool key Escape
    for _ in $(seq 1 100); do
      x11 visible_windows --name "Select Color" >/dev/null || break
      sleep 0.1
    done
  done
else
  note "this Pigmora has no --show-picker: the dialog figure is left out"
fi
kill -TERM "$PIGMORA_PID"
wait_for_exit "$PIGMORA_PID" 10

echo
echo "| Pigmora on sway 1.7 (XWayland windows, data-control clipboard) | median | runs |"
echo "|---|---|---|"
echo "| cycle hot key to text readable by wl-paste (ms) | $(printf '%s\n' "${cycle_ns[@]}" | median_ms) | ${#cycle_ns[@]} |"
echo "| the harness alone: wl-copy to text readable by wl-paste (ms) | $(printf '%s\n' "${floor_ns[@]}" | median_ms) | ${#floor_ns[@]} |"
echo "| pigmora --show-picker to colour dialog mapped (ms) | $( ((${#open_ns[@]})) && printf '%s\n' "${open_ns[@]}" | median_ms || echo -) | ${#open_ns[@]} |"
echo "| context switches in $IDLE_SECONDS s idle, clipboard served | $idle_switches | 1 |"
