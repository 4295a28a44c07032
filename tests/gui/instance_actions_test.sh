#!/bin/bash
# The command-line actions (pigmora --show-picker, --cycle-forward, --cycle-back, --preferences)
# and a plain second launch, delivered to the running program over the session bus: what each
# does for real, what happens with no running Pigmora and with no bus, and that nothing else on
# the bus (other methods, arguments, objects, interfaces, another user) has any effect.
here=$(cd "$(dirname "$0")" && pwd)
. "$here/gui_lib.sh"
. "$here/tray_lib.sh"

OBJECT_PATH=/org/pigmora/Pigmora
SWIFT_BLACK="UIColor(red: 0.00, green: 0.00, blue: 0.00, alpha: 1.00)"

name_owned() {
  gdbus call --session -d org.freedesktop.DBus -o /org/freedesktop/DBus \
    -m org.freedesktop.DBus.NameHasOwner "$APP_ID" 2>/dev/null | grep -q true
}

wait_for_name() {
  for _ in $(seq 1 150); do
    name_owned && return 0
    sleep 0.1
  done
  return 1
}

# Runs the program with the arguments given and waits for its end: EXIT_STATUS, and its output in
# $PIGMORA_SESSION_DIR/<tag>.out and .err. LAUNCH_ENV holds arguments of env(1) for it.
run_launch() {
  local tag="$1"
  shift
  # shellcheck disable=SC2086 # a list of env arguments
  env ${LAUNCH_ENV:-} "$PIGMORA_BIN" "$@" >"$PIGMORA_SESSION_DIR/$tag.out" \
    2>"$PIGMORA_SESSION_DIR/$tag.err" &
  local pid=$!
  echo "$pid" >>"$PIGMORA_SESSION_DIR/pids"
  wait_for_exit "$pid" 15 || fail "pigmora $*: still running after 15 s"
}

err_of() { cat "$PIGMORA_SESSION_DIR/$1.err"; }

# Expects the last launch to have ended with status $2 and one line on stderr matching $3.
expect_one_line() {
  local tag="$1" status="$2" pattern="$3" what="$4"
  if [ "$EXIT_STATUS" = "$status" ] && [ "$(line_count "$PIGMORA_SESSION_DIR/$tag.err")" -eq 1 ] &&
    grep -q "$pattern" "$PIGMORA_SESSION_DIR/$tag.err"; then
    pass "$what: status $status, $(err_of "$tag")"
  else
    fail "$what: status $EXIT_STATUS (expected $status), stderr: $(err_of "$tag")"
  fi
}

# Copies by the command-line action $1 and expects the clipboard to hold $2 afterwards.
expect_action_copies() {
  local option="$1" expected="$2" marker="marker-$RANDOM"
  mark_clipboard "$marker"
  run_launch copy "$option"
  [ "$EXIT_STATUS" = 0 ] || fail "pigmora $option: status $EXIT_STATUS, stderr: $(err_of copy)"
  local text
  text=$(wait_for_clipboard_change "$marker")
  [ "$text" = "$expected" ] && pass "pigmora $option copied '$text'" ||
    fail "pigmora $option: the clipboard holds '$text', expected '$expected'"
}

window_count() { visible_windows --name "^$1\$" | wc -l; }

wait_for_no_window() {
  for _ in $(seq 1 100); do
    [ "$(window_count "$1")" -eq 0 ] && return 0
    sleep 0.1
  done
  return 1
}

# --- No running Pigmora: one line and status 1 for every action, at once.
for option in --show-picker --cycle-forward --cycle-back --preferences; do
  run_launch none "$option"
  expect_one_line none 1 'no running Pigmora' "pigmora $option with no Pigmora running"
done
[ -e "$SETTINGS_FILE" ] && fail "an action with no Pigmora running wrote the settings file"

# --- A program that holds the lock but never opens its channel (here the test itself holds the
# lock): an action waits for it, and once the lock is free it says that no Pigmora runs.
exec 9>"$XDG_RUNTIME_DIR/$APP_ID.lock"
flock -x 9
run_launch_in_background() {
  # Without descriptor 9: the lock belongs to the test alone.
  "$PIGMORA_BIN" "$@" >"$PIGMORA_SESSION_DIR/waiting.out" 2>"$PIGMORA_SESSION_DIR/waiting.err" 9>&- &
  waiting_pid=$!
  echo "$waiting_pid" >>"$PIGMORA_SESSION_DIR/pids"
}
run_launch_in_background --show-picker
sleep 0.5
is_running "$waiting_pid" && pass "with the lock held and no channel, the action waits" ||
  fail "with the lock held and no channel, the action did not wait: $(err_of waiting)"
exec 9>&-
wait_for_exit "$waiting_pid" 15 || fail "the waiting action did not end when the lock was freed"
expect_one_line waiting 1 'no running Pigmora' "the waiting action once the lock was freed"

# --- Help and command lines that are not understood.
run_launch help --help
if [ "$EXIT_STATUS" = 0 ] && [ ! -s "$PIGMORA_SESSION_DIR/help.err" ] &&
  [ "$(grep -c -e --show-picker -e --cycle-forward -e --cycle-back -e --preferences \
    "$PIGMORA_SESSION_DIR/help.out")" -eq 4 ]; then
  pass "--help: status 0, every action listed on stdout"
else
  fail "--help: status $EXIT_STATUS, stdout: $(cat "$PIGMORA_SESSION_DIR/help.out")"
fi
for args in "--bogus" "--cycle-forward --cycle-back" "show-picker"; do
  # shellcheck disable=SC2086 # each case is a list of arguments
  run_launch usage $args
  if [ "$EXIT_STATUS" = 2 ] && grep -q '^Usage: pigmora' "$PIGMORA_SESSION_DIR/usage.err" &&
    [ ! -s "$PIGMORA_SESSION_DIR/usage.out" ]; then
    pass "pigmora $args: status 2, $(head -1 "$PIGMORA_SESSION_DIR/usage.err") and the usage"
  else
    fail "pigmora $args: status $EXIT_STATUS, stderr: $(err_of usage)"
  fi
done

# --- The running program answers on the session bus once it is ready.
write_settings "ShortKey=" "ShortKey1=" "ShortKey2=" "Mode=RGB Hex" "OutFormat=2" "TitleOn=1" \
  "MenuIcon=4" "Login=0" "ColorVal=0"
# True while a program holds the single-instance lock (the kernel's table of locks, read without
# touching the lock).
lock_held() {
  local inode
  inode=$(stat -c %i "$XDG_RUNTIME_DIR/$APP_ID.lock" 2>/dev/null) || return 1
  grep -q "FLOCK *ADVISORY *WRITE [0-9]* [0-9a-f:]*:$inode " /proc/locks
}

start_pigmora running
running_pid=$PIGMORA_PID
for _ in $(seq 1 2000); do
  lock_held && break
  sleep 0.005
done
lock_held || fail "the program did not take the single-instance lock"

# The first action is sent as soon as the program holds its lock, which may be before its
# channel is open: it waits for the program to be ready.
expect_action_copies --cycle-forward "$SWIFT_BLACK"
if ! wait_for_name; then
  fail "$APP_ID did not appear on the session bus: $(err_of running)"
  finish
fi
pass "the running program owns $APP_ID on the session bus"

# --- The cycle actions copy as the hot keys do, and store the format.
wait_for_setting OutFormat 3 || fail "OutFormat is $(setting OutFormat) after --cycle-forward"
# With no display at all, as in a Wayland session without XWayland: the actions need only the bus.
LAUNCH_ENV="-u DISPLAY -u WAYLAND_DISPLAY" expect_action_copies --cycle-back "000000"
wait_for_setting OutFormat 2 || fail "OutFormat is $(setting OutFormat) after --cycle-back"

# --- Anything else on the bus is refused and does nothing.
foreign_calls=(
  "gdbus call --session -d $APP_ID -o $OBJECT_PATH -m $APP_ID.Quit"
  "gdbus call --session -d $APP_ID -o $OBJECT_PATH -m $APP_ID.CycleForward 7"
  "gdbus call --session -d $APP_ID -o $OBJECT_PATH -m $APP_ID.ShowPicker true"
  "gdbus call --session -d $APP_ID -o /org/pigmora/Other -m $APP_ID.CycleForward"
  "gdbus call --session -d $APP_ID -o $OBJECT_PATH -m org.example.Other.CycleForward"
  "dbus-send --session --print-reply --dest=$APP_ID $OBJECT_PATH $APP_ID.CycleForward string:x"
  "setpriv --reuid=65534 --regid=65534 --clear-groups gdbus call --session -d $APP_ID -o $OBJECT_PATH -m $APP_ID.CycleForward"
)
for call in "${foreign_calls[@]}"; do
  # shellcheck disable=SC2086 # each entry is a command line
  if timeout 10 $call >"$PIGMORA_SESSION_DIR/foreign.out" 2>&1; then
    fail "accepted: $call"
  else
    pass "refused: ${call#* } ($(tail -1 "$PIGMORA_SESSION_DIR/foreign.out" | cut -c1-90))"
  fi
done
# Requests are handled in order: had any of those cycled, this one would copy another format.
expect_action_copies --cycle-back "#000000"
[ "$(window_count "Select Color")" -eq 0 ] || fail "a refused call opened the colour dialog"
is_running "$running_pid" || fail "the program ended after the foreign calls"

# --- The picker action opens the colour dialog.
run_launch picker --show-picker
[ "$EXIT_STATUS" = 0 ] || fail "--show-picker: status $EXIT_STATUS, stderr: $(err_of picker)"
dialog=$(wait_for_window "^Select Color\$" 10)
if [ -n "$dialog" ]; then
  pass "pigmora --show-picker opened the colour dialog"
  screenshot instance-show-picker
  xdotool windowactivate --sync "$dialog" key Escape
  wait_for_no_window "Select Color" || fail "Escape did not close the colour dialog"
else
  fail "pigmora --show-picker opened no colour dialog"
fi

# --- A plain second launch opens the preferences window; asked again, it stays one window.
run_launch second
expect_one_line second 0 'already running' "plain second launch"
prefs=$(wait_for_window "^Preferences\$" 10)
if [ -n "$prefs" ]; then
  pass "the plain second launch opened the Preferences window"
  run_launch again
  run_launch prefs --preferences
  [ "$EXIT_STATUS" = 0 ] || fail "--preferences: status $EXIT_STATUS, stderr: $(err_of prefs)"
  # Handled in order: once this copy is seen, both requests before it were handled.
  expect_action_copies --cycle-forward "000000"
  count=$(window_count Preferences)
  [ "$count" -eq 1 ] && pass "asked twice more, still one Preferences window" ||
    fail "$count Preferences windows after asking twice more"
  screenshot instance-preferences
  xdotool windowactivate --sync "$prefs" key alt+F4
  wait_for_no_window Preferences || fail "alt+F4 did not close the Preferences window"
else
  fail "the plain second launch opened no Preferences window: $(err_of running)"
fi

# --- The running program ends: its name goes, and the actions say there is none.
kill -TERM "$running_pid"
wait_for_exit "$running_pid" 10 || fail "SIGTERM did not end the program"
[ -s "$PIGMORA_SESSION_DIR/running.err" ] &&
  fail "the running program wrote to stderr: $(err_of running)"
run_launch ended --show-picker
expect_one_line ended 1 'no running Pigmora' "pigmora --show-picker after the program ended"

# --- No session bus: the program runs and says once that the actions cannot reach it.
NO_BUS="unix:path=$PIGMORA_SESSION_DIR/no-bus-here"
DBUS_SESSION_BUS_ADDRESS="$NO_BUS" start_pigmora nobus
nobus_pid=$PIGMORA_PID
for _ in $(seq 1 100); do
  [ -s "$PIGMORA_SESSION_DIR/nobus.err" ] && break
  sleep 0.1
done
sleep 0.5
if is_running "$nobus_pid" && [ "$(line_count "$PIGMORA_SESSION_DIR/nobus.err")" -eq 1 ] &&
  grep -q 'no D-Bus session bus.*command-line actions' "$PIGMORA_SESSION_DIR/nobus.err"; then
  pass "no session bus: the program runs and says $(err_of nobus)"
else
  fail "no session bus: running=$(is_running "$nobus_pid" && echo yes || echo no), stderr: $(err_of nobus)"
fi
DBUS_SESSION_BUS_ADDRESS="$NO_BUS" run_launch nobus-action --cycle-forward
expect_one_line nobus-action 1 'no D-Bus session bus' "pigmora --cycle-forward with no session bus"
DBUS_SESSION_BUS_ADDRESS="$NO_BUS" run_launch nobus-second
expect_one_line nobus-second 0 'already running' "plain second launch with no session bus"
kill -TERM "$nobus_pid"
wait_for_exit "$nobus_pid" 10 || fail "SIGTERM did not end the program without a bus"

finish
