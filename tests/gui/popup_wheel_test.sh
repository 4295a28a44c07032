#!/bin/bash
# desktop-session: tray
# The mouse wheel over the Format and Icon pop-ups of the preferences window chooses nothing: a
# scroll that passes over the window leaves the clipboard and the settings file as they were. The
# keyboard still chooses, and its choice, made after the wheel, shows that the wheel's events
# were handled first.
source "$(dirname "$0")/gui_lib.sh"
source "$(dirname "$0")/tray_lib.sh"
source "$(dirname "$0")/tray_menu_lib.sh"

BLACK_SWIFT="UIColor(red: 0.00, green: 0.00, blue: 0.00, alpha: 1.00)"

# RGB Hex and the brush: items in the middle of both lists, so that either direction would move.
write_settings "ShortKey=" "ShortKey1=" "ShortKey2=" "Mode=RGB Hex" "OutFormat=2" "TitleOn=1" \
  "MenuIcon=2" "Login=0" "ColorVal=0"
settings_state() { stat -c '%i %s %Y' "$SETTINGS_FILE"; md5sum <"$SETTINGS_FILE"; }

start_pigmora wheel
wait_for_tray_icon 30 || { fail "no tray icon"; finish; }
choose_tray_menu_item 4
window=$(wait_for_named_window Preferences 10)
[ -n "$window" ] || { fail "\"Preferences...\" opened no window"; finish; }
sleep 0.5

# $1: the pop-up's name; $2 $3: a point inside it; $4: the check of the keyboard's choice.
wheel_then_keyboard() {
  local name="$1" x="$2" y="$3" keyboard_check="$4" before
  # The pop-up takes the keyboard focus from a click; Escape closes its list unchosen.
  click_in_window "$window" "$x" "$y"
  xdotool key Escape
  sleep 0.3
  set_clipboard "marker"
  before=$(settings_state)
  xdotool mousemove --window "$window" "$x" "$y"
  for button in 5 5 5 4 4 4 4 4 5; do
    xdotool click "$button"
    sleep 0.05
  done
  # Nothing can be waited for when nothing should happen: a second for the events to arrive.
  sleep 1
  [ "$(clipboard_text)" = "marker" ] && pass "the wheel over the $name pop-up left the clipboard" ||
    fail "the wheel over the $name pop-up copied '$(clipboard_text)' over the clipboard"
  [ "$(settings_state)" = "$before" ] && pass "the wheel over the $name pop-up left the settings file" ||
    fail "the wheel over the $name pop-up rewrote the settings file: $(grep -E 'OutFormat|Mode|MenuIcon' "$SETTINGS_FILE" | tr '\n' ' ')"
  # The keyboard chooses the next item: one step from the stored one.
  xdotool key Down
  "$keyboard_check"
}

format_chosen_by_keyboard() {
  if wait_for_clipboard "$BLACK_SWIFT" 5; then
    pass "Down on the Format pop-up chose Swift, the item after the stored one"
  else
    fail "Down on the Format pop-up did not copy black as Swift: '$(clipboard_text)'"
  fi
  sleep 0.3
  [ "$(stored_setting OutFormat)" = 3 ] && [ "$(stored_setting Mode)" = Swift ] ||
    fail "after Down: OutFormat=$(stored_setting OutFormat) Mode=$(stored_setting Mode)"
}

icon_chosen_by_keyboard() {
  local tries=50
  while [ $tries -gt 0 ] && [ "$(stored_setting MenuIcon)" = 2 ]; do
    sleep 0.1
    tries=$((tries - 1))
  done
  [ "$(stored_setting MenuIcon)" = 3 ] && pass "Down on the Icon pop-up chose the drop, the item after the stored one" ||
    fail "after Down on the Icon pop-up MenuIcon is $(stored_setting MenuIcon), expected 3"
}

wheel_then_keyboard Format 205 132 format_chosen_by_keyboard
wheel_then_keyboard Icon 170 162 icon_chosen_by_keyboard
# The icon choice copies nothing.
[ "$(clipboard_text)" = "marker" ] || fail "choosing an icon changed the clipboard: '$(clipboard_text)'"

choose_tray_menu_quit
wait_for_exit "$PIGMORA_PID" 10 && [ "$EXIT_STATUS" = 0 ] || fail "Quit: status $EXIT_STATUS"
finish
