#!/bin/bash
# desktop-session: tray
# The preferences window driven as a user drives it: opened from the tray menu, shortcuts typed
# into the capture fields, a format and an icon chosen in the pop-ups, the check boxes clicked,
# the window closed with its close button. Each step is checked by its effect: the hot key works
# at once, the clipboard, the bell, the tray icon, the autostart entry and the settings file.
source "$(dirname "$0")/gui_lib.sh"
source "$(dirname "$0")/tray_lib.sh"
source "$(dirname "$0")/tray_menu_lib.sh"

AUTOSTART_FILE="$XDG_CONFIG_HOME/autostart/$APP_ID.desktop"
BLACK_SWIFT="UIColor(red: 0.00, green: 0.00, blue: 0.00, alpha: 1.00)"

# The bell is the cycle sound; xkbevd counts the rings the server reports.
BELLS="$PIGMORA_SESSION_DIR/bells"
: >"$BELLS"
cat >"$PIGMORA_SESSION_DIR/xkbevd.cf" <<CF
soundDirectory = "/tmp"
soundCmd = "/bin/true"
Bell() shell "echo ring >> $BELLS"
CF
xkbevd -cfg "$PIGMORA_SESSION_DIR/xkbevd.cf" -display "$DISPLAY" >/dev/null 2>&1 &
echo $! >>"$PIGMORA_SESSION_DIR/pids"
bell_count() { line_count "$BELLS"; }

# The geometry "x y w h" of the window manager's frame around client window $1: the client's
# own, widened by the frame extents that the window manager announces on it.
frame_geometry() {
  local x y w h left right top bottom
  read -r x y w h <<<"$(xwininfo -id "$1" 2>/dev/null | awk '
    /Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF }
    /Width:/ { w = $NF } /Height:/ { h = $NF } END { print x, y, w, h }')"
  read -r left right top bottom <<<"$(xprop -id "$1" _NET_FRAME_EXTENTS 2>/dev/null |
    sed -n 's/.* = //p' | tr -d ,)"
  echo $((x - ${left:-0})) $((y - ${top:-0})) $((w + ${left:-0} + ${right:-0})) \
    $((h + ${top:-0} + ${bottom:-0}))
}

# Hot keys stand aside while a shortcut field has the focus; they are pressed with this other
# application in front.
start_other_application
start_pigmora prefs
wait_for_path "$SETTINGS_FILE" 15 || fail "no settings file after the start"
wait_for_tray_icon 15 || { fail "no tray icon"; finish; }
sleep 1
read -r _ _ tray_width_before _ <<<"$(tray_icon_geometry)"
import -silent -window root -crop "${tray_width_before}x30+$((1280 - tray_width_before))+1" \
  +repage "$PIGMORA_SESSION_DIR/tray_before.png"

# --- Opening from the tray menu.
choose_tray_menu_item 4
window=$(wait_for_named_window Preferences 10)
if [ -z "$window" ]; then
  fail "\"Preferences...\" in the tray menu opened no window named Preferences"
  finish
fi
pass "\"Preferences...\" opened the Preferences window"
sleep 0.5
read -r wx wy ww wh <<<"$(xdotool getwindowgeometry --shell "$window" |
  awk -F= '/^X=/{x=$2} /^Y=/{y=$2} /^WIDTH=/{w=$2} /^HEIGHT=/{h=$2} END{print x, y, w, h}')"
[ "$ww" = 290 ] && [ "$wh" = 290 ] || fail "content area is ${ww}x${wh}, expected 290x290"
# Placed on the pointer's screen (the tray is on the only one) with its frame's corner at the
# screen's centre less half the content size.
read -r fx fy _ _ <<<"$(frame_geometry "$window")"
[ "$fx" = $((640 - 145)) ] && [ "$fy" = $((400 - 145)) ] ||
  fail "frame at $fx,$fy, expected $((640 - 145)),$((400 - 145))"
xprop -id "$window" _NET_WM_STATE | grep -q _NET_WM_STATE_ABOVE ||
  fail "the window does not stay above the others"

# --- The picker field: click it, press Ctrl+Alt+P; the hot key works at once, with the window
# still open, once another application has the focus.
click_in_window "$window" 220 32
xdotool key ctrl+alt+p
sleep 0.5
focus_other_application
wait_for_grab held p $((4 | 8)) || fail "Ctrl+Alt+P is not grabbed with the other application in front"
xdotool key ctrl+alt+p
dialog=$(wait_for_named_window "Select Color" 5)
if [ -n "$dialog" ]; then
  pass "Ctrl+Alt+P typed into the picker field works as the picker hot key at once"
  xdotool key Escape
  wait_for_window_gone "Select Color" 5 || fail "the colour dialog did not close on Escape"
else
  fail "the new picker hot key Ctrl+Alt+P opened no colour dialog"
fi

# --- The backward field: Shift+Super+[ ; the hot key cycles back at once, with the bell.
click_in_window "$window" 220 92
xdotool key shift+super+bracketleft
sleep 0.5
focus_other_application
wait_for_grab held bracketleft $((1 | 64)) || fail "Shift+Super+[ is not grabbed with the other application in front"
set_clipboard "marker"
bells=$(bell_count)
xdotool key shift+super+bracketleft
if wait_for_clipboard "#000000" 5; then
  pass "Shift+Super+[ cycles back at once: the clipboard holds black in Web Safe"
else
  fail "the new backward hot key did not copy black as Web Safe: '$(clipboard_text)'"
fi
sleep 0.5
[ "$(bell_count)" -gt "$bells" ] || fail "cycling with the hot key rang no bell"

# --- The forward field: Super+Up cannot be a hot key; the field says so in red. BackSpace then
# clears it.
click_in_window "$window" 220 62
xdotool key super+Up
sleep 0.5
red=$(reddish_pixels "$window" 170 50 100 25)
[ "$red" -gt 5 ] && pass "Super+Up shows as not working ($red red pixels)" ||
  fail "the forward field does not mark Super+Up as not working"
screenshot_window "$window" preferences-problem
xdotool key BackSpace
sleep 0.5
red=$(reddish_pixels "$window" 170 50 100 25)
[ "$red" -le 5 ] || fail "the forward field stays red after BackSpace cleared it"

# --- The format pop-up: choosing Swift copies black as Swift code, without the bell.
set_clipboard "marker"
bells=$(bell_count)
click_in_window "$window" 205 132
# The list opens on the current item (Web Safe, after the cycle back); Swift is two further.
xdotool key Down Down Return
if wait_for_clipboard "$BLACK_SWIFT" 5; then
  pass "choosing Swift in the pop-up copied '$BLACK_SWIFT'"
else
  fail "choosing Swift did not copy black as Swift: '$(clipboard_text)'"
fi
sleep 0.5
[ "$(bell_count)" = "$bells" ] || fail "choosing a format rang the bell"
[ "$(stored_setting OutFormat)" = 3 ] && [ "$(stored_setting Mode)" = Swift ] ||
  fail "Swift is not stored: OutFormat=$(stored_setting OutFormat) Mode=$(stored_setting Mode)"
# Choosing the item already selected copies again.
set_clipboard "marker"
click_in_window "$window" 205 132
xdotool key Return
wait_for_clipboard "$BLACK_SWIFT" 5 && pass "choosing the selected format again copies again" ||
  fail "choosing the selected format again did not copy: '$(clipboard_text)'"

# --- The icon pop-up: the palette (first item) goes into the tray.
click_in_window "$window" 170 162
xdotool key Home Return
sleep 1
[ "$(stored_setting MenuIcon)" = 0 ] || fail "MenuIcon is $(stored_setting MenuIcon), expected 0"
read -r _ _ tray_width _ <<<"$(tray_icon_geometry)"
import -silent -window root -crop "${tray_width}x30+$((1280 - tray_width))+1" +repage \
  "$PIGMORA_SESSION_DIR/tray_after.png"
if compare -metric AE "$PIGMORA_SESSION_DIR/tray_before.png" "$PIGMORA_SESSION_DIR/tray_after.png" \
  null: 2>/dev/null; then
  fail "the tray icon looks the same after choosing another icon"
else
  pass "the tray icon changed with the icon pop-up"
fi

# --- "Show Output Format in Menu Bar": unticking it takes the title out of the tray icon.
click_in_window "$window" 30 196
sleep 1
[ "$(stored_setting TitleOn)" = 0 ] || fail "TitleOn is $(stored_setting TitleOn), expected 0"
read -r _ _ tray_width_now _ <<<"$(tray_icon_geometry)"
[ "$tray_width_now" -lt "$tray_width" ] &&
  pass "the tray icon lost its title (${tray_width}px -> ${tray_width_now}px wide)" ||
  fail "the tray icon kept its width ($tray_width_now px) without the title"
click_in_window "$window" 30 196
sleep 0.5
[ "$(stored_setting TitleOn)" = 1 ] || fail "TitleOn is $(stored_setting TitleOn) after ticking"

# --- "Start at Login": the autostart entry appears, valid, naming this program; then goes.
click_in_window "$window" 30 252
if wait_for_path "$AUTOSTART_FILE" 5; then
  if out=$(desktop-file-validate "$AUTOSTART_FILE" 2>&1) && [ -z "$out" ]; then
    pass "ticking Start at Login wrote a valid $AUTOSTART_FILE"
  else
    fail "the autostart entry does not validate: $out"
  fi
  grep -q "^Exec=.*$(readlink -f "$PIGMORA_BIN")" "$AUTOSTART_FILE" ||
    fail "the autostart entry does not run $PIGMORA_BIN: $(grep ^Exec "$AUTOSTART_FILE")"
else
  fail "ticking Start at Login wrote no $AUTOSTART_FILE"
fi
[ "$(stored_setting Login)" = 1 ] || fail "Login is $(stored_setting Login) after ticking"
screenshot_window "$window" preferences
click_in_window "$window" 30 252
sleep 0.5
[ -e "$AUTOSTART_FILE" ] && fail "unticking Start at Login left $AUTOSTART_FILE" ||
  pass "unticking Start at Login removed the autostart entry"
[ "$(stored_setting Login)" = 0 ] || fail "Login is $(stored_setting Login) after unticking"

# --- Closing with the title bar's close button stores the shortcuts.
[ -z "$(stored_setting ShortKey)" ] || fail "ShortKey stored before the window closed"
read -r fx fy fw _ <<<"$(frame_geometry "$window")"
xdotool mousemove $((fx + fw - 11)) $((fy + 9)) click 1
if wait_for_window_gone Preferences 5; then
  pass "the close button closed the window"
else
  fail "the close button did not close the window"
  xdotool key alt+F4
fi
sleep 0.5
[ "$(stored_setting ShortKey)" = "⌃⌥P" ] || fail "ShortKey is '$(stored_setting ShortKey)'"
[ "$(stored_setting ShortKey1)" = "" ] || fail "ShortKey1 is '$(stored_setting ShortKey1)'"
[ "$(stored_setting ShortKey2)" = "⇧⌘{" ] || fail "ShortKey2 is '$(stored_setting ShortKey2)'"
pass "closing stored ShortKey=$(stored_setting ShortKey) ShortKey1='' ShortKey2=$(stored_setting ShortKey2)"

# The tray menu now names the shortcuts: its first and third items are wider than before.
open_tray_menu
menu=$(xdotool search --onlyvisible --class pigmora 2>/dev/null | while read -r w; do
  xprop -id "$w" _NET_WM_WINDOW_TYPE 2>/dev/null | grep -q OVERRIDE || echo "$w"
done | head -1)
if [ -n "$menu" ]; then
  screenshot_window "$menu" tray-menu
  # Dark text pixels in the shortcut column of the first item's row, right of the title.
  dark=$(import -silent -window "$menu" -crop "90x18+150+6" +repage -depth 8 txt:- 2>/dev/null |
    sed -n 's/^[^(]*(\([0-9]*\),\([0-9]*\),\([0-9]*\).*/\1 \2 \3/p' |
    awk '$1 + $2 + $3 < 300 { n++ } END { print n + 0 }')
  [ "$dark" -gt 10 ] && pass "the tray menu's first item shows a shortcut" ||
    fail "the tray menu's first item shows no shortcut"
else
  fail "the tray menu did not open"
fi
xdotool key Escape
sleep 0.3

# The stored picker hot key still works.
xdotool key ctrl+alt+p
if [ -n "$(wait_for_named_window "Select Color" 5)" ]; then
  pass "after closing, Ctrl+Alt+P still opens the colour dialog"
  xdotool key Escape
  wait_for_window_gone "Select Color" 5
else
  fail "after closing, Ctrl+Alt+P opened no colour dialog"
fi

# --- Quit from the tray menu.
choose_tray_menu_item 6
wait_for_exit "$PIGMORA_PID" 10 && [ "$EXIT_STATUS" = 0 ] || fail "Quit: status $EXIT_STATUS"
finish
