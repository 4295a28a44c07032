#!/bin/bash
# Start-up and shutdown of the real program on an X11 desktop: the first run's settings file, the
# refusal without a display, one instance per user, the terminate signals and the loss of the X
# server.
source "$(dirname "$0")/gui_lib.sh"

FIRST_RUN_KEYS="Mode=RGB Hex
ShortKey=
ShortKey1=
ShortKey2=
Login=0
MenuIcon=4
OutFormat=2
ColorVal=0
TitleOn=1"

# A display number that no server answers.
absent=$((${DISPLAY#:} + 100))
while [ -e "/tmp/.X11-unix/X$absent" ] || [ -e "/tmp/.X$absent-lock" ]; do absent=$((absent + 1)); done

# --- Without a display: one line on stderr, status 1, nothing written, no core dump.
for display in "" ":$absent"; do
  if [ -z "$display" ]; then what="DISPLAY unset"; else what="DISPLAY=$display (no server)"; fi
  if [ -z "$display" ]; then
    env -u DISPLAY "$PIGMORA_BIN" >"$PIGMORA_SESSION_DIR/nodisplay.out" \
      2>"$PIGMORA_SESSION_DIR/nodisplay.err"
  else
    DISPLAY="$display" "$PIGMORA_BIN" >"$PIGMORA_SESSION_DIR/nodisplay.out" \
      2>"$PIGMORA_SESSION_DIR/nodisplay.err"
  fi
  status=$?
  [ "$status" -eq 1 ] || fail "$what: exit status $status, expected 1"
  [ "$(line_count "$PIGMORA_SESSION_DIR/nodisplay.err")" -eq 1 ] ||
    fail "$what: stderr is not one line: $(cat "$PIGMORA_SESSION_DIR/nodisplay.err")"
  grep -q 'X11' "$PIGMORA_SESSION_DIR/nodisplay.err" ||
    fail "$what: stderr does not say that X11 is needed"
  [ -s "$PIGMORA_SESSION_DIR/nodisplay.out" ] && fail "$what: wrote to stdout"
  [ -e "$SETTINGS_FILE" ] && fail "$what: the settings file was written"
  pass "$what: $(cat "$PIGMORA_SESSION_DIR/nodisplay.err")"
done

# --- First run: the nine first-run keys, in one file, in the XDG config folder.
[ -e "$SETTINGS_FILE" ] && fail "settings file exists before the first run"
start_pigmora first
first_pid=$PIGMORA_PID
if wait_for_path "$SETTINGS_FILE" 15; then
  sleep 0.5
  stored=$(grep -v '^\[General\]$' "$SETTINGS_FILE" | grep -v '^$' | sort)
  expected=$(echo "$FIRST_RUN_KEYS" | sort)
  if [ "$stored" = "$expected" ]; then
    pass "first run wrote the nine first-run keys"
  else
    fail "first-run settings differ:"$'\n'"$(diff <(echo "$expected") <(echo "$stored"))"
  fi
  head -1 "$SETTINGS_FILE" | grep -qx '\[General\]' || fail "keys are not in [General]"
  grep -q '^SavedColor' "$SETTINGS_FILE" && fail "SavedColor written on the first run"
  # Written at once and whole: no temporary file left beside it.
  leftovers=$(find "$XDG_CONFIG_HOME" -maxdepth 1 -name "$APP_ID.conf?*" | wc -l)
  [ "$leftovers" -eq 0 ] || fail "temporary files left in $XDG_CONFIG_HOME"
else
  fail "no settings file at $SETTINGS_FILE after the first start"
fi
is_running "$first_pid" || fail "the program ended after the first start"

# The running program's preferences window, which this desktop without a tray gets at the first
# start and at a plain second launch ($1 says which), closed again.
close_preferences_window() {
  local window
  window=$(wait_for_window '^Preferences$' 30) ||
    { fail "$1 opened no Preferences window"; return; }
  xdotool windowactivate --sync "$window" key alt+F4
  for _ in $(seq 1 100); do
    visible_windows --name '^Preferences$' >/dev/null || return 0
    sleep 0.1
  done
  fail "the Preferences window did not close"
}

# --- This desktop has no tray: the first start opens the preferences window by itself a few
# seconds after start. It is closed before the idle measurement.
close_preferences_window "the first start without a tray"

# --- Idle, the program waits without a time-out: no processor time while nothing happens.
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
sleep 1
ticks_before=$(cpu_ticks "$first_pid")
sleep 5
ticks_used=$(($(cpu_ticks "$first_pid") - ticks_before))
# A clock tick is 10 ms; a loop that polled would use far more than this over five seconds.
[ "$ticks_used" -le 2 ] && pass "idle for 5 s: $ticks_used clock ticks of processor time" ||
  fail "idle for 5 s the program used $ticks_used clock ticks of processor time"


# --- A second instance says so on one line, exits 0 and leaves the first alone.
"$PIGMORA_BIN" >"$PIGMORA_SESSION_DIR/second.out" 2>"$PIGMORA_SESSION_DIR/second.err" &
second_pid=$!
echo "$second_pid" >>"$PIGMORA_SESSION_DIR/pids"
if wait_for_exit "$second_pid" 10; then
  [ "$EXIT_STATUS" -eq 0 ] || fail "second instance: exit status $EXIT_STATUS, expected 0"
  [ "$(line_count "$PIGMORA_SESSION_DIR/second.err")" -eq 1 ] ||
    fail "second instance: stderr is not one line: $(cat "$PIGMORA_SESSION_DIR/second.err")"
  grep -q 'already running' "$PIGMORA_SESSION_DIR/second.err" ||
    fail "second instance does not say that Pigmora is already running"
  pass "second instance: $(cat "$PIGMORA_SESSION_DIR/second.err")"
else
  fail "the second instance kept running"
fi
close_preferences_window "the second launch"
is_running "$first_pid" || fail "the first instance ended when the second one started"

# --- SIGTERM is the system's terminate request: the program quits through its loop, status 0.
kill -TERM "$first_pid"
if wait_for_exit "$first_pid" 10; then
  [ "$EXIT_STATUS" -eq 0 ] || fail "SIGTERM: exit status $EXIT_STATUS, expected 0"
  pass "SIGTERM: ended with status $EXIT_STATUS"
else
  fail "SIGTERM did not end the program"
fi
[ -s "$PIGMORA_SESSION_DIR/first.err" ] &&
  echo "note: first instance's stderr: $(cat "$PIGMORA_SESSION_DIR/first.err")"

# --- The next start is not a first run: the file is only read. SIGINT ends it like SIGTERM.
before=$(md5sum <"$SETTINGS_FILE")
before_time=$(stat -c %Y.%s "$SETTINGS_FILE")
start_pigmora again
sleep 2
is_running "$PIGMORA_PID" || fail "the program did not keep running on the second start"
[ "$(md5sum <"$SETTINGS_FILE")" = "$before" ] || fail "the second start changed the settings file"
[ "$(stat -c %Y.%s "$SETTINGS_FILE")" = "$before_time" ] || fail "the second start rewrote the file"
kill -INT "$PIGMORA_PID"
if wait_for_exit "$PIGMORA_PID" 10; then
  [ "$EXIT_STATUS" -eq 0 ] || fail "SIGINT: exit status $EXIT_STATUS, expected 0"
  pass "later start left the settings file as it was; SIGINT ended it with status $EXIT_STATUS"
else
  fail "SIGINT did not end the program"
fi

# --- The lock dies with the process: a new instance starts after the old one was killed hard.
start_pigmora killed
sleep 1.5
kill -KILL "$PIGMORA_PID"
wait_for_exit "$PIGMORA_PID" 5 2>/dev/null
start_pigmora afterkill
sleep 1.5
if is_running "$PIGMORA_PID"; then
  pass "a new instance runs after the previous one was killed"
  kill -TERM "$PIGMORA_PID"
  wait_for_exit "$PIGMORA_PID" 10
else
  fail "no new instance after the previous one was killed: $(cat "$PIGMORA_SESSION_DIR/afterkill.err")"
fi

# --- Without XDG_RUNTIME_DIR the lock lives in the configuration folder, and still holds.
env -u XDG_RUNTIME_DIR "$PIGMORA_BIN" >"$PIGMORA_SESSION_DIR/noruntime.out" \
  2>"$PIGMORA_SESSION_DIR/noruntime.err" &
noruntime_pid=$!
echo "$noruntime_pid" >>"$PIGMORA_SESSION_DIR/pids"
sleep 1.5
env -u XDG_RUNTIME_DIR "$PIGMORA_BIN" >/dev/null 2>"$PIGMORA_SESSION_DIR/noruntime2.err" &
noruntime2_pid=$!
echo "$noruntime2_pid" >>"$PIGMORA_SESSION_DIR/pids"
if wait_for_exit "$noruntime2_pid" 10 && [ "$EXIT_STATUS" -eq 0 ] &&
  grep -q "already running.*$XDG_CONFIG_HOME/$APP_ID.lock" "$PIGMORA_SESSION_DIR/noruntime2.err"; then
  pass "without XDG_RUNTIME_DIR: $(cat "$PIGMORA_SESSION_DIR/noruntime2.err")"
else
  fail "without XDG_RUNTIME_DIR the second instance did not stop: $(cat "$PIGMORA_SESSION_DIR/noruntime2.err")"
fi
is_running "$noruntime_pid" || fail "without XDG_RUNTIME_DIR the first instance ended"
close_preferences_window "the second launch without XDG_RUNTIME_DIR"
kill -TERM "$noruntime_pid"
wait_for_exit "$noruntime_pid" 10

# --- The X server going away ends the program with one line and status 1, not a core dump.
# -noreset: the program's first look at the display (connect, disconnect) would otherwise leave the
# server without clients, and it would reset under the connection that follows.
Xvfb -displayfd 5 -screen 0 800x600x24 -nolisten tcp -noreset \
  5>"$PIGMORA_SESSION_DIR/lost.display" 2>/dev/null &
lost_server=$!
echo "$lost_server" >>"$PIGMORA_SESSION_DIR/pids"
wait_for_path "$PIGMORA_SESSION_DIR/lost.display" 10
for _ in $(seq 1 50); do grep -q '[0-9]' "$PIGMORA_SESSION_DIR/lost.display" && break; sleep 0.1; done
lost_display=":$(tr -dc 0-9 <"$PIGMORA_SESSION_DIR/lost.display")"
DISPLAY="$lost_display" "$PIGMORA_BIN" >"$PIGMORA_SESSION_DIR/lost.out" \
  2>"$PIGMORA_SESSION_DIR/lost.err" &
lost_pid=$!
echo "$lost_pid" >>"$PIGMORA_SESSION_DIR/pids"
sleep 2
if is_running "$lost_pid"; then
  kill -TERM "$lost_server"
  if wait_for_exit "$lost_pid" 10; then
    [ "$EXIT_STATUS" -eq 1 ] || fail "X server lost: exit status $EXIT_STATUS, expected 1"
    [ "$(line_count "$PIGMORA_SESSION_DIR/lost.err")" -eq 1 ] ||
      fail "X server lost: stderr is not one line: $(cat "$PIGMORA_SESSION_DIR/lost.err")"
    grep -q 'X11' "$PIGMORA_SESSION_DIR/lost.err" || fail "X server lost: stderr does not name X11"
    pass "X server lost: status $EXIT_STATUS, $(cat "$PIGMORA_SESSION_DIR/lost.err")"
  else
    fail "the program kept running after its X server went away"
  fi
else
  fail "the program did not start on a second X server: $(cat "$PIGMORA_SESSION_DIR/lost.err")"
fi

finish
