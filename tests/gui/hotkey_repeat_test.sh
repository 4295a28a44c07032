#!/bin/bash
# desktop-session: tray
# A hot key held down acts once: the X server's auto-repeat sends the grab a press every few
# hundredths of a second, and each of those must not cycle again. Held for two seconds with
# auto-repeat on, the forward hot key advances the format by exactly one; a later press of the
# back hot key (handled after every press that came before it) lands on the first format again.
here=$(cd "$(dirname "$0")" && pwd)
. "$here/gui_lib.sh"
. "$here/tray_lib.sh"

write_settings "ShortKey=" "ShortKey1=⌃⌥⌘]" "ShortKey2=⌃⌥⌘[" "Mode=RGB Values" "OutFormat=0" \
  "TitleOn=1" "MenuIcon=4" "Login=0" "ColorVal=0"
FORWARD="ctrl+alt+super+bracketright"
BACK="ctrl+alt+super+bracketleft"

# Auto-repeat on, starting after 300 ms and 30 times a second: a two-second hold gives about 50
# repeated presses.
xset r on
xset r rate 300 30
xset q | grep -q "auto repeat: *on" || fail "auto-repeat did not come on"

start_other_application
start_pigmora repeat
tray=$(wait_for_tray_item 15)
[ -n "$tray" ] || { fail "the tray item did not appear"; cat "$PIGMORA_SESSION_DIR/repeat.err" >&2; finish; }
focus_other_application

mark_clipboard "marker-hold" || finish
xdotool keydown "$FORWARD"
sleep 2
xdotool keyup "$FORWARD"
text=$(wait_for_clipboard_change "marker-hold" 10)
[ "$text" = "#000000" ] && pass "holding forward copied black in the next format, Web Safe" ||
  fail "holding forward copied '$text', expected '#000000'"

# The back press comes after every press of the hold, so once it has been handled, so have they.
mark_clipboard "marker-back" || finish
xdotool key "$BACK"
text=$(wait_for_clipboard_change "marker-back" 10)
if [ "$text" = "0 0 0" ] && wait_for_setting OutFormat 0; then
  pass "one back press returned to the first format: the two-second hold cycled once"
else
  fail "after the hold and one back press: copied '$text', OutFormat $(setting OutFormat) (Mode $(setting Mode)); the hold cycled more than once"
fi

# Two separate presses still cycle twice: only the repeats of one press are ignored.
mark_clipboard "marker-twice" || finish
xdotool key "$FORWARD" "$FORWARD"
wait_for_setting OutFormat 2 10 && pass "two presses cycled twice" ||
  fail "two presses left OutFormat at $(setting OutFormat), expected 2"

is_running "$PIGMORA_PID" || fail "the program is no longer running"
finish
