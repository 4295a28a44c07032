#!/bin/bash
# How long a command-line action takes to show the colour dialog: from the start of
# `pigmora --show-picker` until the "Select Color" window is mapped, beside the picker hot key in
# the same session and turn by turn, both in the X server's clock (bench/x_event_timer.cpp). The
# first open of the process builds the dialog and is left out: the figures are the medians of
# the later opens. Runs on a throw-away X11 desktop (tests/gui/desktop_session.sh), about 30 s.
#
#   bench/command_line_bench.sh
#
# Settings (environment): OPENS opens of each kind (20); BUILD_DIR the build whose program is
# measured (<repo>/build, built when needed).
set -u
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/.." && pwd)
export OPENS="${OPENS:-20}"
PICKER="ctrl+alt+super+p"

if [ "${1:-}" != "--inside-session" ]; then
  BUILD_DIR="${BUILD_DIR:-$repo/build}"
  cmake --build "$BUILD_DIR" -j2 --target pigmora >&2 || exit 2
  export PIGMORA_BIN="$BUILD_DIR/bin/pigmora"
  TIMER_BIN=$(bash "$here/build_x_event_timer.sh" "$BUILD_DIR/bench") || exit 2
  export TIMER_BIN
  PIGMORA_SESSION_TIMEOUT=$((60 + OPENS * 6)) \
    exec bash "$repo/tests/gui/desktop_session.sh" --tray -- bash "$0" --inside-session
fi

# --- Inside the desktop session.
T="$TIMER_BIN"
raw="$PIGMORA_SESSION_DIR/raw.txt"
mkdir -p "$XDG_CONFIG_HOME"
printf '%s\n' "[General]" "ShortKey=⌃⌥⌘P" "ShortKey1=" "ShortKey2=" "Mode=RGB Hex" "OutFormat=2" \
  "TitleOn=1" "MenuIcon=4" "Login=0" "ColorVal=0" >"$XDG_CONFIG_HOME/org.pigmora.Pigmora.conf"

out=$("$T" launch --tray pigmora --log "$PIGMORA_SESSION_DIR/pigmora.log" -- "$PIGMORA_BIN") || exit 1
echo "$out" | sed -n 's/.*pid=\([0-9]*\).*/\1/p' >>"$PIGMORA_SESSION_DIR/pids"
for _ in $(seq 1 100); do
  gdbus call --session -d org.freedesktop.DBus -o /org/freedesktop/DBus \
    -m org.freedesktop.DBus.NameHasOwner org.pigmora.Pigmora 2>/dev/null | grep -q true && break
  sleep 0.1
done

# The first open builds the dialog; then the two ways take turns.
"$T" open --keys "$PICKER" --name "Select Color" --count 1 >/dev/null || exit 1
for _ in $(seq 1 "$OPENS"); do
  "$T" open --keys "$PICKER" --name "Select Color" --count 1 | sed 's/^open/hotkey/' >>"$raw" ||
    exit 1
  "$T" command --name "Select Color" --count 1 -- "$PIGMORA_BIN" --show-picker >>"$raw" || exit 1
  # The same request from a small D-Bus client: what the channel itself takes.
  "$T" command --name "Select Color" --count 1 -- gdbus call --session -d org.pigmora.Pigmora \
    -o /org/pigmora/Pigmora -m org.pigmora.Pigmora.ShowPicker | sed 's/^command/gdbus/' >>"$raw" ||
    exit 1
done

# The program's own start-up, which every action pays: --help loads it and ends.
for _ in $(seq 1 "$OPENS"); do
  start=$(date +%s%N)
  "$PIGMORA_BIN" --help >/dev/null
  echo "help 0 server_ms=0 client_us=$((($(date +%s%N) - start) / 1000))" >>"$raw"
done

median() {
  sed -n "s/^$1 .* $2=\([0-9]*\).*/\1/p" "$raw" | sort -n |
    awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
hotkey=$(median hotkey server_ms)
command=$(median command server_ms)
echo "| Later opens of the colour dialog, median of $OPENS (X server's clock) | ms |"
echo "|---|---|"
echo "| Picker hot key to dialog mapped | $hotkey |"
echo "| \`pigmora --show-picker\` started to dialog mapped | $command |"
echo "| Difference | $(awk -v a="$command" -v b="$hotkey" 'BEGIN { print a - b }') |"
echo "| \`gdbus call ... ShowPicker\` started to dialog mapped | $(median gdbus server_ms) |"
echo "| \`pigmora --help\` alone, start to end (process clock, median of $OPENS) | $(median help client_us | awk '{ printf "%.1f", $1 / 1000 }') |"
