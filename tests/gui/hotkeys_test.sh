#!/bin/bash
# desktop-session: tray
# Global hot keys for real: stored shortcuts, pressed with xdotool while another program has the
# focus. The picker hot key opens the colour dialog; the hex value typed there lands on the
# clipboard; the cycle hot keys copy the same colour in every notation and store the format; all
# of it also with NumLock and CapsLock on.
here=$(cd "$(dirname "$0")" && pwd)
. "$here/gui_lib.sh"
. "$here/tray_lib.sh"

# Picker Ctrl+Alt+Super+P, forward Ctrl+Alt+Super+], back Shift+Super+F5.
write_settings "ShortKey=⌃⌥⌘P" "ShortKey1=⌃⌥⌘]" "ShortKey2=⇧⌘F5" "Mode=RGB Hex" "OutFormat=2" \
  "TitleOn=1" "MenuIcon=4" "Login=0" "ColorVal=0"
PICKER="ctrl+alt+super+p"
FORWARD="ctrl+alt+super+bracketright"
BACK="shift+super+F5"

start_other_application
start_pigmora hotkeys
tray=$(wait_for_tray_item 15)
[ -n "$tray" ] || { fail "the tray item did not appear"; cat "$PIGMORA_SESSION_DIR/hotkeys.err" >&2; finish; }
focus_other_application

# The picker: the colour dialog comes up over the other application.
xdotool key "$PICKER"
dialog=$(wait_for_window "Select Color" 10)
if [ -z "$dialog" ]; then
  fail "the picker hot key did not open the colour dialog"
  finish
fi
pass "the picker hot key opened the colour dialog"
screenshot hotkeys-colour-dialog
# Alt+H is the dialog's own mnemonic for its HTML field; focus by mnemonic selects the old text.
xdotool key --window "$dialog" alt+h
sleep 0.3
xdotool type --delay 40 '#ff8000'
xdotool key Return
text=$(wait_for_clipboard_change "" 10)
if [ "$text" = "ff8000" ]; then pass "the pick put ff8000 on the clipboard"; else fail "clipboard after the pick: '$text'"; fi
wait_for_setting ColorVal 33023 || fail "ColorVal is '$(setting ColorVal)', not 33023"
wait_for_setting SavedColor 33023 || fail "SavedColor is '$(setting SavedColor)', not 33023"
[ -z "$(xdotool search --onlyvisible --name 'Select Color' 2>/dev/null)" ] || fail "the dialog stayed open"

# Presses a hot key and checks the copied text and the stored format.
n=0
check_press() {
  local keys="$1" expected="$2" index="$3" name="$4" what="$5"
  n=$((n + 1))
  local marker="marker-$n"
  mark_clipboard "$marker" || return
  focus_other_application
  xdotool key "$keys"
  local text
  text=$(wait_for_clipboard_change "$marker" 10)
  if [ "$text" = "$expected" ]; then
    pass "$what copied '$expected'"
  else
    fail "$what copied '$text', expected '$expected'"
  fi
  wait_for_setting OutFormat "$index" || fail "$what: OutFormat is '$(setting OutFormat)', not $index"
  wait_for_setting Mode "$name" || fail "$what: Mode is '$(setting Mode)', not '$name'"
}

SWIFT="UIColor(red: 1.00, green: 0.50, blue: 0.00, alpha: 1.00)"
OBJC="[UIColor colorWithRed: 1.00, green: 0.50, blue: 0.00, alpha: 1.00]"
XAMARIN="new UIColor(red: 1.00f , green: 0.50f, blue: 0.00f, alpha: 1.00)"

check_press "$FORWARD" "$SWIFT" 3 "Swift" "forward from RGB Hex"
screenshot hotkeys-tray-title-swift
check_press "$FORWARD" "$OBJC" 4 "Objective-C" "forward"
check_press "$FORWARD" "$XAMARIN" 5 "Xamarin (C#)" "forward"
check_press "$FORWARD" "$XAMARIN" 5 "Xamarin (C#)" "forward at the last format"
check_press "$BACK" "$OBJC" 4 "Objective-C" "back"
check_press "$BACK" "$SWIFT" 3 "Swift" "back"
check_press "$BACK" "ff8000" 2 "RGB Hex" "back"
check_press "$BACK" "#ff9900" 1 "Web Safe" "back"
check_press "$BACK" "255 128 0" 0 "RGB Values" "back"
check_press "$BACK" "255 128 0" 0 "RGB Values" "back at the first format"

# The same hot keys with the lock keys on.
xdotool key Num_Lock
[ "$(lock_state 'Num Lock')" = "on" ] || fail "NumLock did not come on"
check_press "$FORWARD" "#ff9900" 1 "Web Safe" "forward with NumLock on"
xdotool key Caps_Lock
[ "$(lock_state 'Caps Lock')" = "on" ] || fail "CapsLock did not come on"
check_press "$FORWARD" "ff8000" 2 "RGB Hex" "forward with NumLock and CapsLock on"
xdotool key Num_Lock
[ "$(lock_state 'Num Lock')" = "off" ] || fail "NumLock did not go off"
check_press "$BACK" "#ff9900" 1 "Web Safe" "back with CapsLock on"
xdotool key Caps_Lock
[ "$(lock_state 'Caps Lock')" = "off" ] || fail "CapsLock did not go off"

# The bare key and a missing modifier are not hot keys: the clipboard keeps the marker.
mark_clipboard "marker-bare"
focus_other_application
xdotool key p ctrl+alt+p super+bracketright F5
sleep 1
[ "$(clipboard)" = "marker-bare" ] && pass "keys without all their modifiers did nothing" ||
  fail "a key without all its modifiers copied '$(clipboard)'"

is_running "$PIGMORA_PID" || fail "the program is no longer running"
kill -TERM "$PIGMORA_PID"
wait_for_exit "$PIGMORA_PID" 10 || fail "the program did not end on SIGTERM"
finish
