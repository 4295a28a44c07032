#!/bin/bash
# desktop-session: tray
# 10,000 cycle hot-key presses made while the colour dialog is open, twice: none is handled while
# it is open; after it closes every one is handled, in the order pressed (the settings file is
# caught after most of the writes and must then hold exactly the format that the presses up to that
# one give), the last format is stored and on the clipboard, and the second load leaves the
# resident set where the first one left it.
#
# Each handled cycle writes the settings file through an fsynced rename; on a disk that costs
# ~20 ms, which would make 10,000 cycles take minutes. The configuration folder is therefore on
# a memory file system (/dev/shm) when there is one. PIGMORA_LOAD_PRESSES changes the number.
here=$(cd "$(dirname "$0")" && pwd)
. "$here/gui_lib.sh"
. "$here/tray_lib.sh"
. "$here/faults_lib.sh"

PRESSES="${PIGMORA_LOAD_PRESSES:-10000}"
# How far (kB) the resident set may end above its level before the second load.
RSS_TOLERANCE_KB="${PIGMORA_LOAD_RSS_TOLERANCE_KB:-1024}"
test_start=$(now_ms)

if [ "$(stat -f -c %T /dev/shm 2>/dev/null)" = tmpfs ]; then
  XDG_CONFIG_HOME=$(mktemp -d /dev/shm/pigmora-load.XXXXXX)
  trap 'rm -rf "$XDG_CONFIG_HOME"' EXIT
  export XDG_CONFIG_HOME
  SETTINGS_FILE="$XDG_CONFIG_HOME/$APP_ID.conf"
elif [ -z "${PIGMORA_LOAD_PRESSES:-}" ]; then
  # On disk the test could not end in its time with 10,000.
  PRESSES=1000
  echo "note: no memory file system at /dev/shm: the settings go to disk, so $PRESSES presses"
fi

write_settings "${STORED_HOTKEYS[@]}" "Mode=RGB Hex" "OutFormat=2" "TitleOn=1" "MenuIcon=4" \
  "Login=0" "ColorVal=0"
start_other_application
start_pigmora load
[ -n "$(wait_for_tray_item 15)" ] || { fail "no tray item: $(head -3 "$PIGMORA_SESSION_DIR/load.err")"; finish; }
focus_other_application

open_dialog() {
  xdotool key "$PICKER_KEY"
  DIALOG=$(wait_for_window "Select Color" 10)
  [ -n "$DIALOG" ]
}

# Warm-up: everything the loads use is made once: the dialog, the cycle with its sound, clipboard
# and title, at both ends of the formats.
open_dialog || { fail "the picker hot key opened no colour dialog"; finish; }
xdotool key Escape
sleep 0.5
warm=()
for _ in 1 2 3 4 5 6; do warm+=("$FORWARD_KEY"); done
for _ in 1 2 3 4 5 6 7 8 9 10; do warm+=("$BACK_KEY"); done
for _ in 1 2; do warm+=("$FORWARD_KEY"); done
xdotool key --delay 5 "${warm[@]}" "${warm[@]}" "${warm[@]}"
wait_for_setting OutFormat 2 10 || fail "after the warm-up OutFormat is '$(setting OutFormat)', not 2"
wait_until_idle "$PIGMORA_PID" 30

watch_out="$PIGMORA_SESSION_DIR/watch.txt"
"$FAULTS_PYTHON" "$FAULTS_TOOL" watch-settings "$XDG_CONFIG_HOME" "$APP_ID.conf" "$watch_out" \
  2>"$PIGMORA_SESSION_DIR/watch.err" &
echo $! >>"$PIGMORA_SESSION_DIR/pids"
sleep 0.5
written() { sed -n 's/^count //p' "$watch_out" | tail -1; }
names=$(printf '%s;' "${FORMAT_NAMES[@]}")

# One load: $PRESSES presses, forward or back at random (seed $2), so that the end state and every
# state on the way depend on the order, made while the dialog is open; then Escape. Sets
# RSS_QUEUED, and ROUND_OK to 1 when every check held.
run_load() {
  local round="$1" seed="$2" start_format="$3"
  local sequence="$PIGMORA_SESSION_DIR/sequence-$round.txt"
  local expected="$PIGMORA_SESSION_DIR/expected-$round.txt"
  local failures_before=$failures
  # expected-N.txt holds the format after each press.
  awk -v n="$PRESSES" -v seed="$seed" -v state="$start_format" -v forward="$FORWARD_KEY" \
    -v back="$BACK_KEY" -v seq_file="$sequence" -v exp_file="$expected" 'BEGIN {
      srand(seed)
      for (i = 1; i <= n; i++) {
        if (rand() < 0.5) { print forward > seq_file; state = state < 5 ? state + 1 : 5 }
        else { print back > seq_file; state = state > 0 ? state - 1 : 0 }
        print state > exp_file
      }
    }'
  local final base
  final=$(tail -1 "$expected")
  base=$(written)
  base=${base:-0}

  mark_clipboard "marker-load-$round"
  open_dialog || { fail "load $round: the colour dialog did not open"; return; }
  local send_started=$(now_ms) send_ms
  # Pressed in batches, each batch as fast as xdotool goes.
  rm -f "$PIGMORA_SESSION_DIR"/batch.*
  split -l 500 "$sequence" "$PIGMORA_SESSION_DIR/batch."
  local batch keys
  for batch in "$PIGMORA_SESSION_DIR"/batch.*; do
    mapfile -t keys <"$batch"
    xdotool key --delay 0 "${keys[@]}"
  done
  send_ms=$(($(now_ms) - send_started))
  sleep 1
  RSS_QUEUED=$(rss_kb "$PIGMORA_PID")
  # While the dialog is up nothing is handled.
  [ -n "$(xdotool search --onlyvisible --name 'Select Color' 2>/dev/null)" ] ||
    fail "load $round: the colour dialog closed during the presses"
  [ "$(written)" = "$base" ] || [ -z "$(written)" ] ||
    fail "load $round: $(($(written) - base)) cycles were handled while the colour dialog was open"
  [ "$(clipboard)" = "marker-load-$round" ] ||
    fail "load $round: the clipboard changed while the colour dialog was open"
  pass "load $round: $PRESSES presses made in $send_ms ms while the dialog was open; none handled yet"

  xdotool key Escape
  local handle_started=$(now_ms) count=$base
  while [ "$(now_ms)" -lt $((handle_started + 100000)) ] && [ "$count" -lt $((base + PRESSES)) ]; do
    sleep 0.5
    count=$(written)
    count=${count:-0}
  done
  local handle_ms=$(($(now_ms) - handle_started))
  [ -z "$(xdotool search --onlyvisible --name 'Select Color' 2>/dev/null)" ] ||
    fail "load $round: Escape did not close the colour dialog"
  sleep 1
  count=$(($(written) - base))
  if [ "$count" = "$PRESSES" ]; then
    pass "load $round: all $PRESSES cycles were handled after the dialog closed, in about $handle_ms ms"
  else
    fail "load $round: $count of $PRESSES cycles were handled ($handle_ms ms after the dialog closed)"
  fi
  grep -q overflow "$watch_out" && fail "the file watcher missed events (its queue overflowed)"

  # Each time the file was caught right after write n, it held the format of press n.
  local samples wrong
  read -r samples wrong <<<"$(awk -v names="$names" -v base="$base" \
    -v report="$PIGMORA_SESSION_DIR/wrong-$round.txt" '
    BEGIN { split(names, name, ";") }
    NR == FNR { state[FNR] = $0; next }
    $1 == "count" || $1 == "overflow" || $1 <= base || seen[$1]++ { next }
    {
      n = $1 - base
      values = substr($0, length($1) + 2)
      want = state[n] "|" name[state[n] + 1]
      samples++
      if (values != want) { wrong++; print "after press " n ": " values ", expected " want > report }
    }
    END { print samples + 0, wrong + 0 }' "$expected" "$watch_out")"
  if [ "$samples" -eq 0 ]; then
    fail "load $round: the file was never caught between two writes"
  elif [ "$wrong" -eq 0 ]; then
    pass "load $round: the file, caught after $samples of the $PRESSES writes, held each time the" \
      "format of that press"
  else
    fail "load $round: $wrong of $samples samples differ from the order pressed:" \
      "$(head -3 "$PIGMORA_SESSION_DIR/wrong-$round.txt")"
  fi

  [ "$(setting OutFormat)" = "$final" ] && [ "$(setting Mode)" = "${FORMAT_NAMES[$final]}" ] ||
    fail "load $round: stored OutFormat=$(setting OutFormat) Mode=$(setting Mode), expected $final"
  [ "$(clipboard)" = "${BLACK_TEXTS[$final]}" ] ||
    fail "load $round: the clipboard holds '$(clipboard)', expected '${BLACK_TEXTS[$final]}'"
  [ "$failures" -eq "$failures_before" ] &&
    pass "load $round: the last format, $final, is stored and its text is on the clipboard"
  LAST_FORMAT=$final
}

# The first load takes the allocator to the size such a load needs: glibc keeps the memory freed
# afterwards for reuse instead of giving it back (the heap in use returns to within ~0.1 MB, the
# resident set stays ~3 MB higher). The second, of the same size, must then fit in that memory:
# what it leaves above the level after the first is what the program keeps.
rss_start=$(settled_rss_kb "$PIGMORA_PID")
run_load 1 20240611 2
wait_until_idle "$PIGMORA_PID" 30
rss_before=$(settled_rss_kb "$PIGMORA_PID")
echo "resident set: $rss_start kB before the first load, $RSS_QUEUED kB with its presses queued," \
  "$rss_before kB after it"
run_load 2 7 "$LAST_FORMAT"
wait_until_idle "$PIGMORA_PID" 30
rss_after=$(settled_rss_kb "$PIGMORA_PID")
if sanitizer_build; then
  echo "note: sanitizer build: resident set $rss_after kB after the second load, not compared" \
    "(AddressSanitizer's own allocator); LeakSanitizer looks for leaks when the program ends"
elif [ "$rss_after" -le $((rss_before + RSS_TOLERANCE_KB)) ]; then
  pass "resident set back to $rss_after kB after the second load (before it: $rss_before kB," \
    "with its presses queued: $RSS_QUEUED kB; tolerance $RSS_TOLERANCE_KB kB)"
else
  fail "resident set $rss_after kB after the second load, $rss_before kB before it" \
    "(+$((rss_after - rss_before)) kB, tolerance $RSS_TOLERANCE_KB kB)"
fi

is_running "$PIGMORA_PID" || fail "the program ended"
kill -TERM "$PIGMORA_PID"
wait_for_exit "$PIGMORA_PID" 10 && [ "$EXIT_STATUS" = 0 ] || fail "SIGTERM: status $EXIT_STATUS"
echo "time: $(($(now_ms) - test_start)) ms"
finish
