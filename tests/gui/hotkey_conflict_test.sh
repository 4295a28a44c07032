#!/bin/bash
# desktop-session: tray
# A combination that another X client already holds (xbindkeys here) is refused: the program
# starts and runs without it, its other hot keys work, and the other client keeps the combination.
here=$(cd "$(dirname "$0")" && pwd)
. "$here/gui_lib.sh"
. "$here/tray_lib.sh"

fired="$PIGMORA_SESSION_DIR/xbindkeys-fired"
cat >"$HOME/.xbindkeysrc" <<RC
"echo pressed >>$fired"
  control+alt+mod4 + bracketleft
RC
xbindkeys -n -f "$HOME/.xbindkeysrc" >"$PIGMORA_SESSION_DIR/xbindkeys.log" 2>&1 &
xbindkeys_pid=$!
echo $xbindkeys_pid >>"$PIGMORA_SESSION_DIR/pids"
# xbindkeys holds its grabs once it answers a key: wait until the combination fires for it.
for _ in $(seq 1 50); do
  xdotool key ctrl+alt+super+bracketleft
  sleep 0.2
  [ -s "$fired" ] && break
done
[ -s "$fired" ] || { fail "xbindkeys did not take its combination"; cat "$PIGMORA_SESSION_DIR/xbindkeys.log" >&2; finish; }
: >"$fired"

# The back hot key is the one xbindkeys holds; the forward one is free.
write_settings "ShortKey=" "ShortKey1=⌃⌥⌘]" "ShortKey2=⌃⌥⌘[" "Mode=RGB Hex" "OutFormat=2" \
  "TitleOn=1" "MenuIcon=4" "Login=0" "ColorVal=0"
start_other_application
start_pigmora conflict
tray=$(wait_for_tray_item 15)
[ -n "$tray" ] || { fail "the tray item did not appear"; cat "$PIGMORA_SESSION_DIR/conflict.err" >&2; finish; }
is_running "$PIGMORA_PID" && pass "the program runs with a refused hot key" ||
  fail "the program ended"

# The held combination still goes to xbindkeys, and the program does not copy.
mark_clipboard "marker-held"
focus_other_application
xdotool key ctrl+alt+super+bracketleft
for _ in $(seq 1 30); do [ -s "$fired" ] && break; sleep 0.1; done
[ -s "$fired" ] && pass "xbindkeys kept its combination" || fail "xbindkeys lost its combination"
sleep 0.5
[ "$(clipboard)" = "marker-held" ] && pass "the program did not react to the held combination" ||
  fail "the program copied '$(clipboard)' on a combination it does not hold"
[ "$(setting OutFormat)" = "2" ] || fail "OutFormat changed to '$(setting OutFormat)'"

# The other hot key works: black, one step forward, in Swift.
mark_clipboard "marker-free"
focus_other_application
xdotool key ctrl+alt+super+bracketright
text=$(wait_for_clipboard_change "marker-free" 10)
[ "$text" = "UIColor(red: 0.00, green: 0.00, blue: 0.00, alpha: 1.00)" ] &&
  pass "the free hot key still works" || fail "the free hot key copied '$text'"

is_running "$xbindkeys_pid" || fail "xbindkeys ended"
is_running "$PIGMORA_PID" || fail "the program ended"
[ -s "$PIGMORA_SESSION_DIR/conflict.err" ] && { echo "program's stderr:" >&2; cat "$PIGMORA_SESSION_DIR/conflict.err" >&2; }
finish
