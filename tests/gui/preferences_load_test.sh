#!/bin/bash
# 1,000 rapid openings and closings of the preferences window, through the tray menu as a panel
# offers it (the StatusNotifierItem's menu, read and clicked over D-Bus) and the window manager's
# close request: every window comes and goes, and the resident set over the last hundred cycles
# is where it was over cycles 50 to 150 (the window, its controls and its pictures are made anew
# at each opening and must all go at each closing).
here=$(cd "$(dirname "$0")" && pwd)
. "$here/gui_lib.sh"
. "$here/tray_lib.sh"
. "$here/faults_lib.sh"

CYCLES="${PIGMORA_PREFERENCES_CYCLES:-1000}"
# How far (kB) the resident set may rise from cycle 50 to the last: a few pages of the allocator's
# and the X connection's own; a window's worth of memory kept at each cycle would be megabytes.
RSS_TOLERANCE_KB="${PIGMORA_PREFERENCES_RSS_TOLERANCE_KB:-512}"
test_start=$(now_ms)

if ! "$FAULTS_PYTHON" -c 'import dbus, gi' 2>/dev/null; then
  fail "python3-dbus and python3-gi are needed for the StatusNotifierItem host"
  finish
fi
items="$PIGMORA_SESSION_DIR/sni-items"
: >"$items"
"$FAULTS_PYTHON" "$here/sni_host.py" watch "$items" >"$PIGMORA_SESSION_DIR/sni-host.log" 2>&1 &
echo $! >>"$PIGMORA_SESSION_DIR/pids"
for _ in $(seq 1 50); do
  grep -q watching "$PIGMORA_SESSION_DIR/sni-host.log" 2>/dev/null && break
  sleep 0.1
done

write_settings "${STORED_HOTKEYS[@]}" "Mode=RGB Hex" "OutFormat=2" "TitleOn=1" "MenuIcon=4" \
  "Login=0" "ColorVal=0"
start_pigmora prefs-load
item=""
for _ in $(seq 1 150); do
  item=$(head -1 "$items")
  [ -n "$item" ] && break
  sleep 0.1
done
[ -n "$item" ] || { fail "no StatusNotifierItem: $(head -3 "$PIGMORA_SESSION_DIR/prefs-load.err")"; finish; }
sleep 0.5
rss_start=$(rss_kb "$PIGMORA_PID")

progress="$PIGMORA_SESSION_DIR/cycles.txt"
cycles_started=$(now_ms)
if "$FAULTS_PYTHON" "$FAULTS_TOOL" preferences-cycles "$item" "$CYCLES" "$PIGMORA_PID" "$progress" \
  2>"$PIGMORA_SESSION_DIR/cycles.err"; then
  pass "the preferences window opened and closed $CYCLES times in $(($(now_ms) - cycles_started)) ms"
else
  fail "$(cat "$PIGMORA_SESSION_DIR/cycles.err")"
fi
echo "resident set (cycle, kB, s):" $(awk '{ printf "%s:%s:%s ", $1, $2, $3 }' "$progress")

# The lowest of three samples at each end: a sample may catch a window's memory not given back yet.
rss_early=$(awk '$1 >= 50 && $1 <= 150 { if (low == "" || $2 < low) low = $2 } END { print low }' "$progress")
rss_late=$(awk -v n="$CYCLES" '$1 >= n - 100 { if (low == "" || $2 < low) low = $2 } END { print low }' "$progress")
if sanitizer_build; then
  echo "note: sanitizer build: resident set not compared (AddressSanitizer's own allocator);" \
    "LeakSanitizer looks for leaks when the program ends"
elif [ -n "$rss_early" ] && [ -n "$rss_late" ]; then
  if [ "$rss_late" -le $((rss_early + RSS_TOLERANCE_KB)) ]; then
    pass "resident set $rss_late kB at the last cycles, $rss_early kB at cycles 50-150 (start:" \
      "$rss_start kB; tolerance $RSS_TOLERANCE_KB kB)"
  else
    fail "resident set $rss_late kB at the last cycles, $rss_early kB at cycles 50-150:" \
      "+$((rss_late - rss_early)) kB, about $(((rss_late - rss_early) * 1024 / (CYCLES - 100)))" \
      "bytes kept per opening (tolerance $RSS_TOLERANCE_KB kB)"
  fi
else
  fail "too few resident set samples"
fi

# Still answering: the forward hot key copies.
mark_clipboard "marker-after-cycles"
xdotool key "$FORWARD_KEY"
text=$(wait_for_clipboard_change "marker-after-cycles" 10)
[ "$text" = "${BLACK_TEXTS[3]}" ] || fail "after the cycles the forward hot key copied '$text'"
is_running "$PIGMORA_PID" || fail "the program ended"
kill -TERM "$PIGMORA_PID"
wait_for_exit "$PIGMORA_PID" 10 && [ "$EXIT_STATUS" = 0 ] || fail "SIGTERM: status $EXIT_STATUS"
echo "time: $(($(now_ms) - test_start)) ms"
finish
