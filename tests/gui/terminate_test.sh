#!/bin/bash
# desktop-session: tray
# SIGTERM (kill, systemctl --user stop, the session's end) and SIGINT (Ctrl+C) end the program
# with status 0 promptly whatever is open, as the tray menu's Quit does:
# - the preferences window: a shortcut typed into a field, not yet stored by closing the window,
#   stays unstored;
# - the colour dialog: nothing is chosen, the settings file stays as it was;
# - the About box: nothing is chosen, the apps page is not opened.
source "$(dirname "$0")/gui_lib.sh"
source "$(dirname "$0")/tray_lib.sh"
source "$(dirname "$0")/tray_menu_lib.sh"

settings_state() { stat -c '%i %s %Y' "$SETTINGS_FILE"; md5sum <"$SETTINGS_FILE"; }
now_ms() { date +%s%3N; }

# A recording xdg-open first on the program's PATH: the About box's second button would run it.
fake_bin="$PIGMORA_SESSION_DIR/bin"
OPENED="$PIGMORA_SESSION_DIR/opened"
mkdir -p "$fake_bin"
printf '#!/bin/sh\necho "$@" >>"%s"\n' "$OPENED" >"$fake_bin/xdg-open"
chmod +x "$fake_bin/xdg-open"

open_preferences_with_a_new_shortcut() {
  choose_tray_menu_item 4
  window=$(wait_for_named_window Preferences 10)
  [ -n "$window" ] || { fail "\"Preferences...\" opened no window"; return 1; }
  sleep 0.5
  # A new picker shortcut: it works at once, but only closing the window would store it.
  click_in_window "$window" 220 32
  xdotool key ctrl+alt+x
  sleep 0.5
}
preferences_gone() { wait_for_window_gone Preferences 5; }

open_colour_dialog() {
  choose_tray_menu_item 1
  [ -n "$(wait_for_named_window "Select Color" 10)" ] || { fail "no colour dialog"; return 1; }
  sleep 0.5
}
colour_dialog_gone() { wait_for_window_gone "Select Color" 5; }

open_about_box() {
  choose_tray_menu_item 5
  wait_for_about 10 >/dev/null || { fail "no About box"; return 1; }
  sleep 0.5
}
about_box_gone() { wait_for_about_gone 5; }

# $1: what is open; $2: how it is opened; $3: the check that it went; $4: the signal.
terminate_with() {
  local what="$1" open="$2" gone="$3" signal="$4" before started
  write_settings "ShortKey=⌃⌥⌘P" "ShortKey1=⌃⌥⌘]" "ShortKey2=⇧⌘F5" "Mode=RGB Hex" "OutFormat=2" \
    "TitleOn=1" "MenuIcon=4" "Login=0" "ColorVal=33023" "SavedColor=33023"
  PATH="$fake_bin:$PATH" start_pigmora "$what-$signal"
  wait_for_tray_icon 30 || { fail "no tray icon"; return; }
  "$open" || return
  before=$(settings_state)

  started=$(now_ms)
  kill -"$signal" "$PIGMORA_PID"
  if wait_for_exit "$PIGMORA_PID" 10; then
    [ "$EXIT_STATUS" = 0 ] &&
      pass "SIG$signal with the $what open ended the program with status 0 in $(($(now_ms) - started)) ms" ||
      fail "SIG$signal with the $what open ended the program with status $EXIT_STATUS"
  else
    fail "SIG$signal with the $what open: the program still runs after 10 s"
    kill -KILL "$PIGMORA_PID"
    wait_for_exit "$PIGMORA_PID" 5
  fi
  [ "$(settings_state)" = "$before" ] && pass "SIG$signal with the $what open stored nothing" ||
    fail "SIG$signal with the $what open rewrote the settings: $(tr '\n' ' ' <"$SETTINGS_FILE")"
  "$gone" || fail "the $what outlived the program"
}

terminate_with "preferences window" open_preferences_with_a_new_shortcut preferences_gone TERM
[ "$(stored_setting ShortKey)" = "⌃⌥⌘P" ] || fail "ShortKey is '$(stored_setting ShortKey)'"
terminate_with "preferences window" open_preferences_with_a_new_shortcut preferences_gone INT
terminate_with "colour dialog" open_colour_dialog colour_dialog_gone TERM
terminate_with "About box" open_about_box about_box_gone INT
# The opener writes its line when it starts; it is started detached, so give it its moment.
sleep 0.5
[ -e "$OPENED" ] && fail "the About box opened the apps page: $(cat "$OPENED")" ||
  pass "the About box ended without opening the apps page"
finish
