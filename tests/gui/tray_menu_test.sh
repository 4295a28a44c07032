#!/bin/bash
# desktop-session: tray
# The item in an XEmbed tray (trayer): the symbol with the format name beside it, the menu opened
# with a mouse click, "Quit" chosen from it ending the program with status 0; then the item
# without a title, its name in the tooltip. Screenshots of each state go to <build>/screenshots.
here=$(cd "$(dirname "$0")" && pwd)
. "$here/gui_lib.sh"
. "$here/tray_lib.sh"

write_settings "ShortKey=⌃⌥⌘P" "ShortKey1=⌃⌥⌘]" "ShortKey2=⇧⌘F5" "Mode=Objective-C" "OutFormat=4" \
  "TitleOn=1" "MenuIcon=4" "Login=0" "ColorVal=0"
start_pigmora tray
tray=$(wait_for_tray_item 15)
[ -n "$tray" ] || { fail "the tray item did not appear"; cat "$PIGMORA_SESSION_DIR/tray.err" >&2; finish; }

# The title makes the item wider than the square slot of a bare symbol.
sleep 0.5
eval "$(xdotool getwindowgeometry --shell "$tray")"
item_width=$WIDTH item_height=$HEIGHT
[ "$item_width" -gt $((item_height * 2)) ] && pass "the item is wide enough for its title (${item_width}x${item_height})" ||
  fail "the item is ${item_width}x${item_height}: no room for the title"
screenshot tray-title

# A click opens the menu under the item.
eval "$(xdotool getwindowgeometry --shell "$tray")"
xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click 1
menu=""
for _ in $(seq 1 50); do
  for id in $(xdotool search --onlyvisible --classname '^pigmora$' 2>/dev/null); do
    [ "$id" != "$tray" ] && menu=$id
  done
  [ -n "$menu" ] && break
  sleep 0.1
done
if [ -z "$menu" ]; then
  fail "a click on the item opened no menu"
else
  eval "$(xdotool getwindowgeometry --shell "$menu")"
  pass "the menu opened (${WIDTH}x${HEIGHT})"
  # Six commands and four separators make a menu far taller than wide items are high.
  [ "$HEIGHT" -gt 120 ] || fail "the menu is only $HEIGHT pixels high"
  screenshot tray-menu-open
  # Up from no selection goes to the last command, "Quit".
  xdotool key Up Return
  if wait_for_exit "$PIGMORA_PID" 10; then
    [ "$EXIT_STATUS" = "0" ] && pass "Quit ended the program with status 0" ||
      fail "Quit ended the program with status $EXIT_STATUS"
  else
    fail "Quit did not end the program"
  fi
fi
is_running "$PIGMORA_PID" && { kill -TERM "$PIGMORA_PID"; wait_for_exit "$PIGMORA_PID" 10; }

# Without the title the item is the bare symbol, and the name is in the tooltip.
write_settings "ShortKey=" "ShortKey1=" "ShortKey2=" "Mode=Swift" "OutFormat=3" "TitleOn=0" \
  "MenuIcon=1" "Login=0" "ColorVal=0"
start_pigmora notitle
tray=""
for _ in $(seq 1 150); do
  tray=$(wait_for_tray_item 1)
  if [ -n "$tray" ]; then
    eval "$(xdotool getwindowgeometry --shell "$tray")"
    [ "$WIDTH" -le $((HEIGHT + 2)) ] && break
  fi
  sleep 0.1
done
[ -n "$tray" ] || { fail "the untitled item did not appear"; finish; }
eval "$(xdotool getwindowgeometry --shell "$tray")"
[ "$WIDTH" -le $((HEIGHT + 2)) ] && pass "without a title the item is square (${WIDTH}x${HEIGHT})" ||
  fail "without a title the item is ${WIDTH}x${HEIGHT}"
xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2))
tip=""
for _ in $(seq 1 40); do
  tip=$(xdotool search --onlyvisible --classname '^pigmora$' 2>/dev/null | grep -v "^$tray\$" | head -1)
  [ -n "$tip" ] && break
  sleep 0.1
done
[ -n "$tip" ] && pass "hovering shows the tooltip" || fail "no tooltip appeared"
sleep 0.3
screenshot tray-no-title-tooltip
kill -TERM "$PIGMORA_PID"
wait_for_exit "$PIGMORA_PID" 10 || fail "the program did not end on SIGTERM"
finish
