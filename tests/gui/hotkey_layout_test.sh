#!/bin/bash
# desktop-session: tray
# A hot key follows the keyboard layout: it is grabbed on the key that types its character, and
# when the layout changes (setxkbmap), on the key that types it now. With the German layout Y and
# Z swap places: the picker on Ctrl+Alt+Y moves to the key that types Y there, the old key is
# let go, and the stored shortcut stays as it was. Back to the US layout, it moves back.
here=$(cd "$(dirname "$0")" && pwd)
. "$here/gui_lib.sh"
. "$here/tray_lib.sh"

CTRL_ALT=$((4 | 8))
write_settings "ShortKey=⌃⌥Y" "ShortKey1=⇧⌘F5" "ShortKey2=" "Mode=RGB Hex" "OutFormat=2" \
  "TitleOn=1" "MenuIcon=4" "Login=0" "ColorVal=0"

setxkbmap us || { fail "setxkbmap cannot set a layout here"; finish; }
us_y=$(xmodmap -pke | awk '$4 == "y" { print $2; exit }')
start_other_application
start_pigmora layout
tray=$(wait_for_tray_item 15)
[ -n "$tray" ] || { fail "the tray item did not appear"; cat "$PIGMORA_SESSION_DIR/layout.err" >&2; finish; }
wait_for_grab held y $CTRL_ALT || fail "Ctrl+Alt+Y is not grabbed after the start"

# Presses the picker's keys: the colour dialog comes, and Escape closes it.
picker_opens() {
  local what="$1"
  focus_other_application
  xdotool key ctrl+alt+y
  if [ -n "$(wait_for_window "Select Color" 10)" ]; then
    pass "$what: Ctrl+Alt+Y opened the colour dialog"
    xdotool key Escape
    for _ in $(seq 1 50); do visible_windows --name "Select Color" >/dev/null || break; sleep 0.1; done
  else
    fail "$what: Ctrl+Alt+Y opened no colour dialog"
  fi
}

# Presses Ctrl+Alt and the key that typed Y before the change (typing Z now), then the forward
# hot key: once the forward press has copied, the one before it has been handled too, and no
# colour dialog may have come.
old_key_does_nothing() {
  local what="$1" marker="marker-$RANDOM"
  mark_clipboard "$marker" || return
  focus_other_application
  xdotool key ctrl+alt+z shift+super+F5
  text=$(wait_for_clipboard_change "$marker" 10)
  [ -n "$text" ] && [ "$text" != "$marker" ] || fail "$what: the forward hot key did not copy"
  if visible_windows --name "Select Color" >/dev/null; then
    fail "$what: Ctrl+Alt with the key that now types Z opened the colour dialog"
    xdotool key Escape
  else
    pass "$what: the key that now types Z is no hot key"
  fi
}

picker_opens "US layout"

setxkbmap de
de_y=$(xmodmap -pke | awk '$4 == "y" { print $2; exit }')
[ -n "$de_y" ] && [ "$de_y" != "$us_y" ] || fail "setxkbmap de did not move Y (key $us_y, now '$de_y')"
if wait_for_grab held y $CTRL_ALT && wait_for_grab free z $CTRL_ALT; then
  pass "German layout: the grab moved to the key that types Y (key $de_y, was $us_y)"
else
  fail "German layout: the grab did not move to the key that types Y (held on y: $(python3 "$here/grab_probe.py" y $CTRL_ALT), on z: $(python3 "$here/grab_probe.py" z $CTRL_ALT))"
fi
old_key_does_nothing "German layout"
picker_opens "German layout"

setxkbmap us
wait_for_grab held y $CTRL_ALT && wait_for_grab free z $CTRL_ALT ||
  fail "US layout again: the grab did not move back to the key that types Y"
old_key_does_nothing "US layout again"
picker_opens "US layout again"

[ "$(setting ShortKey)" = "⌃⌥Y" ] || fail "ShortKey is '$(setting ShortKey)', not ⌃⌥Y"
is_running "$PIGMORA_PID" || fail "the program is no longer running"
finish
