#!/bin/bash
# The X server going away under a running Pigmora ends it with one clear line on stderr and
# status 1, never a core dump or a hang: with the server stopped (SIGTERM) or killed (SIGKILL),
# while the program is idle, while its colour dialog, its preferences window, its About box or
# its tray menu is open, and in the middle of a burst of cycles (where the program is setting the
# clipboard and drawing the tray title when the server goes). Each case runs on a second
# desktop of the test's own, so that the test's desktop lives on.
here=$(cd "$(dirname "$0")" && pwd)
. "$here/gui_lib.sh"
. "$here/tray_lib.sh"
. "$here/tray_menu_lib.sh"
. "$here/faults_lib.sh"

write_settings "${STORED_HOTKEYS[@]}" "Mode=RGB Hex" "OutFormat=2" "TitleOn=1" "MenuIcon=4" \
  "Login=0" "ColorVal=0"
core_pattern=$(cat /proc/sys/kernel/core_pattern 2>/dev/null)
case "$core_pattern" in
  "|"*) echo "note: core dumps go to '$core_pattern', not to files; the exit status tells them" ;;
esac

# What each case does on the second desktop before its server goes (DISPLAY is that desktop's).
state_idle() { :; }
state_colour_dialog() {
  xdotool key "$PICKER_KEY"
  [ -n "$(wait_for_named_window "Select Color" 10)" ]
}
state_preferences() {
  choose_tray_menu_item 4 && [ -n "$(wait_for_named_window Preferences 10)" ]
}
state_about() {
  choose_tray_menu_item 5 && wait_for_about 10 >/dev/null
}
state_tray_menu() {
  local before
  before=$(xdotool search --onlyvisible --class pigmora 2>/dev/null | wc -l)
  open_tray_menu
  [ "$(xdotool search --onlyvisible --class pigmora 2>/dev/null | wc -l)" -gt "$before" ]
}
state_cycling() {
  # Until the server is gone.
  (
    while xdotool key --delay 1 "$FORWARD_KEY" "$FORWARD_KEY" "$BACK_KEY" "$BACK_KEY" 2>/dev/null; do
      :
    done
  ) &
  BURST=$!
  echo "$BURST" >>"$PIGMORA_SESSION_DIR/pids"
  sleep 0.5
}

# One case: starts the program on a fresh second desktop, brings it into a state, takes the
# server away with the signal, and checks how the program ends.
lose_server() {
  local name="$1" signal="$2" state="$3"
  if ! start_private_desktop; then
    fail "$name: the second desktop did not start"
    return
  fi
  # A folder of its own as the working directory, with core files allowed: a crash would leave
  # one there.
  local cwd="$PIGMORA_SESSION_DIR/cwd-$name"
  mkdir -p "$cwd"
  (
    cd "$cwd" || exit 2
    ulimit -c unlimited
    exec env DISPLAY="$PRIVATE_DISPLAY" "$PIGMORA_BIN"
  ) >"$PIGMORA_SESSION_DIR/$name.out" 2>"$PIGMORA_SESSION_DIR/$name.err" &
  local pid=$!
  echo "$pid" >>"$PIGMORA_SESSION_DIR/pids"
  BURST=""
  if ! DISPLAY=$PRIVATE_DISPLAY wait_for_tray_icon 15; then
    fail "$name: no tray item on the second desktop: $(head -3 "$PIGMORA_SESSION_DIR/$name.err")"
  elif ! DISPLAY=$PRIVATE_DISPLAY "$state"; then
    fail "$name: could not bring the program into the state ($state)"
  fi
  sleep 0.5
  is_running "$pid" || { fail "$name: the program ended before its server went away"; return; }
  # A write to the dead server's socket must come back as an error, not as SIGPIPE (13), which
  # would end the program without a word: the bursts of cycles hit it now and then, not always.
  local ignored
  ignored=$(awk '/^SigIgn:/ { print $2 }' "/proc/$pid/status")
  (( (0x$ignored >> 12) & 1 )) || fail "$name: SIGPIPE is not ignored (SigIgn $ignored)"

  kill "-$signal" "$PRIVATE_XVFB"
  if wait_for_exit "$pid" 10; then
    local err="$PIGMORA_SESSION_DIR/$name.err" problems=""
    [ "$EXIT_STATUS" = 1 ] || problems+=" status $EXIT_STATUS, not 1;"
    [ "$(line_count "$err")" -eq 1 ] || problems+=" stderr has $(line_count "$err") lines;"
    grep -q 'X11' "$err" || problems+=" stderr does not name X11;"
    [ -s "$PIGMORA_SESSION_DIR/$name.out" ] && problems+=" it wrote to stdout;"
    [ -n "$(find "$cwd" -name 'core*' 2>/dev/null)" ] && problems+=" it left a core file;"
    if [ -z "$problems" ]; then
      pass "$name (server ${signal}ed): status 1, $(cat "$err")"
    else
      fail "$name (server ${signal}ed):$problems stderr: $(head -5 "$err")"
    fi
  else
    fail "$name (server ${signal}ed): the program kept running"
    kill -KILL "$pid" 2>/dev/null
  fi
  [ -n "$BURST" ] && kill "$BURST" 2>/dev/null
  for _ in $(seq 1 50); do is_running "$PRIVATE_XVFB" || break; sleep 0.1; done
  remove_private_server_files
}

lose_server idle-term TERM state_idle
lose_server idle-kill KILL state_idle
lose_server colour-dialog KILL state_colour_dialog
lose_server preferences TERM state_preferences
lose_server about KILL state_about
lose_server tray-menu KILL state_tray_menu
# Whatever the program was saying to the server in its last moments must not come out either: a
# burst of cycles is where that happens, so it is taken three times with each signal.
for round in 1 2 3; do
  lose_server "cycling-kill-$round" KILL state_cycling
  lose_server "cycling-term-$round" TERM state_cycling
done
finish
