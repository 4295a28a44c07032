#!/bin/bash
# desktop-session: tray
# A capture field takes a combination that is already a hot key. While a shortcut field of the
# preferences window has the keyboard focus, the program's own hot keys stand aside: typing the
# picker's Ctrl+Alt+P into the forward field fills the field and opens no colour dialog, and typing
# it again there does not cycle. Once the window is closed, the stored texts are what the
# hot-key rules make of it (the forward cycle took the combination from the picker, whose setting
# still shows it), and the hot keys fire again: Ctrl+Alt+P cycles forward, the back key back.
here=$(cd "$(dirname "$0")" && pwd)
. "$here/gui_lib.sh"
. "$here/tray_lib.sh"
. "$here/tray_menu_lib.sh"

CTRL_ALT=$((4 | 8))
CTRL_ALT_SUPER=$((4 | 8 | 64))
write_settings "ShortKey=⌃⌥P" "ShortKey1=⌃⌥⌘]" "ShortKey2=⌃⌥⌘[" "Mode=RGB Hex" "OutFormat=2" \
  "TitleOn=1" "MenuIcon=4" "Login=0" "ColorVal=0"

# The text a field shows, read as a user copies it: a triple click selects it all, which puts it
# in the PRIMARY selection.
field_text() {
  xdotool mousemove --window "$1" "$2" "$3" click --repeat 3 --delay 80 1
  sleep 0.3
  timeout 3 xclip -o -selection primary 2>/dev/null
}

# Checks that the field at ($2, $3) of window $1 comes to show the shortcut $4 (the settings'
# symbol form) or $5 (the menu's words, which the field may show instead); $6 says what it is.
check_field_shows() {
  local window="$1" x="$2" y="$3" symbols="$4" words="$5" what="$6" text=""
  for _ in $(seq 1 20); do
    text=$(field_text "$window" "$x" "$y")
    [ "$text" = "$symbols" ] || [ "$text" = "$words" ] && break
    sleep 0.2
  done
  if [ "$text" = "$symbols" ] || [ "$text" = "$words" ]; then
    pass "$what shows $text"
  else
    fail "$what shows '$text', not $words"
  fi
}

start_pigmora capture
wait_for_tray_icon 15 || { fail "no tray icon"; cat "$PIGMORA_SESSION_DIR/capture.err" >&2; finish; }
wait_for_grab held p $CTRL_ALT || fail "Ctrl+Alt+P is not grabbed after the start"

choose_tray_menu_item 4
window=$(wait_for_named_window Preferences 10)
[ -n "$window" ] || { fail "\"Preferences...\" opened no window"; finish; }

# The forward field takes the focus: the hot keys let go of their keys.
click_in_window "$window" 220 62
if wait_for_grab free p $CTRL_ALT && wait_for_grab free bracketleft $CTRL_ALT_SUPER; then
  pass "with a shortcut field focused the hot keys are let go"
else
  fail "with a shortcut field focused Ctrl+Alt+P is still grabbed"
fi

mark_clipboard "marker-field" || finish
xdotool key ctrl+alt+p
check_field_shows "$window" 220 62 "⌃⌥P" "Ctrl+Alt+P" "the forward field, given the picker's combination,"
# Typed again, now that it is the forward cycle's own combination: still only the field's.
xdotool key ctrl+alt+p
# The back key pressed into the back field: that field shows it, and it reaches no grab either.
click_in_window "$window" 220 92
xdotool key ctrl+alt+super+bracketleft
check_field_shows "$window" 220 92 "⌃⌥⌘[" "Ctrl+Alt+Super+[" "the back field, given its own combination,"
screenshot_window "$window" capture-field-hotkey
if visible_windows --name "Select Color" >/dev/null; then
  fail "Ctrl+Alt+P typed into the forward field opened the colour dialog"
  xdotool key Escape
  wait_for_window_gone "Select Color" 5
else
  pass "no colour dialog opened"
fi
[ "$(clipboard)" = "marker-field" ] && pass "no hot key cycled while the fields had the focus" ||
  fail "a hot key copied '$(clipboard)' while a field had the focus"

# Closed with the window manager's close key.
xdotool windowactivate --sync "$window" key alt+F4
wait_for_window_gone Preferences 10 || fail "the preferences window did not close"
stored="picker '$(setting ShortKey)', forward '$(setting ShortKey1)', back '$(setting ShortKey2)'"
if wait_for_setting ShortKey1 "⌃⌥P" && [ "$(setting ShortKey)" = "⌃⌥P" ] &&
  [ "$(setting ShortKey2)" = "⌃⌥⌘[" ]; then
  pass "stored: $stored"
else
  fail "stored: $stored; expected picker and forward '⌃⌥P', back '⌃⌥⌘['"
fi

# The grabs are what the hot keys are now: Ctrl+Alt+P and the back key held, the forward
# cycle's old Ctrl+Alt+Super+] let go.
wait_for_grab held p $CTRL_ALT || fail "after closing, Ctrl+Alt+P is not grabbed"
wait_for_grab held bracketleft $CTRL_ALT_SUPER || fail "after closing, the back key is not grabbed"
wait_for_grab free bracketright $CTRL_ALT_SUPER || fail "after closing, the old forward key is still grabbed"

# Ctrl+Alt+P now cycles forward (black, RGB Hex to Swift) and opens no dialog.
mark_clipboard "marker-forward" || finish
xdotool key ctrl+alt+p
text=$(wait_for_clipboard_change "marker-forward" 10)
[ "$text" = "UIColor(red: 0.00, green: 0.00, blue: 0.00, alpha: 1.00)" ] &&
  pass "after closing, Ctrl+Alt+P cycles forward" || fail "after closing, Ctrl+Alt+P copied '$text'"
visible_windows --name "Select Color" >/dev/null && fail "after closing, Ctrl+Alt+P opened the colour dialog"
mark_clipboard "marker-back" || finish
xdotool key ctrl+alt+super+bracketleft
text=$(wait_for_clipboard_change "marker-back" 10)
[ "$text" = "000000" ] && pass "after closing, the back key cycles back" ||
  fail "after closing, the back key copied '$text'"

is_running "$PIGMORA_PID" || fail "the program is no longer running"
finish
