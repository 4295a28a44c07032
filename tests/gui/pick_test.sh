#!/bin/bash
# desktop-session: tray
# The pick through the tray menu's "Show the Color Picker", as another program sees it: Escape and
# the window's close leave the clipboard and the stored colour alone; a typed colour and Return
# put its text, and nothing but text, on the clipboard and store it; after a restart the dialog
# opens at the stored colour while the current colour is black again; SIGTERM during a pick ends the
# program without choosing.
here=$(cd "$(dirname "$0")" && pwd)
. "$here/gui_lib.sh"
. "$here/tray_lib.sh"
. "$here/tray_menu_lib.sh"

open_picker() {
  choose_tray_menu_item 1 || { fail "could not open the tray menu"; return 1; }
  DIALOG=$(wait_for_named_window "Select Color" 10)
  [ -n "$DIALOG" ] || { fail "\"Show the Color Picker\" opened no colour dialog"; return 1; }
}

start_pigmora pick
[ -n "$(wait_for_tray_item 15)" ] || { fail "no tray item"; cat "$PIGMORA_SESSION_DIR/pick.err" >&2; finish; }
wait_for_tray_icon 10 || fail "the tray icon was not embedded"
wait_for_path "$SETTINGS_FILE" 10 || fail "no settings file after the first start"

# --- Escape and the close button: nothing changes.
for how in Escape alt+F4; do
  mark_clipboard "before-$how" || continue
  open_picker || continue
  xdotool key --window "$DIALOG" alt+h
  xdotool type --delay 30 '#00ff00'
  xdotool key "$how"
  wait_for_window_gone "Select Color" 5 || fail "$how did not close the colour dialog"
  sleep 0.5
  [ "$(clipboard)" = "before-$how" ] && pass "$how: the clipboard kept the other program's text" ||
    fail "$how: the clipboard now holds '$(clipboard)'"
  [ "$(setting ColorVal)" = "0" ] || fail "$how: ColorVal is '$(setting ColorVal)'"
  grep -q '^SavedColor=' "$SETTINGS_FILE" && fail "$how: SavedColor was written"
done

# --- A typed colour and Return.
mark_clipboard "before-pick"
if open_picker; then
  xdotool key --window "$DIALOG" alt+h
  xdotool type --delay 30 '#ff8000'
  xdotool key Return
  text=$(wait_for_clipboard_change "before-pick" 10)
  [ "$text" = "ff8000" ] && pass "the pick put ff8000 on the clipboard" || fail "clipboard: '$text'"
  wait_for_setting ColorVal 33023 || fail "ColorVal is '$(setting ColorVal)', not 33023"
  wait_for_setting SavedColor 33023 || fail "SavedColor is '$(setting SavedColor)', not 33023"
  targets=$(timeout 3 xclip -o -selection clipboard -t TARGETS 2>/dev/null)
  other=$(echo "$targets" | grep -v -x -E 'TARGETS|MULTIPLE|TIMESTAMP|SAVE_TARGETS|TEXT|STRING|UTF8_STRING|COMPOUND_TEXT|text/plain|text/plain;charset=utf-8')
  [ -z "$other" ] && pass "the clipboard offers text only" || fail "the clipboard also offers: $other"
fi

kill -TERM "$PIGMORA_PID"
wait_for_exit "$PIGMORA_PID" 10 || fail "SIGTERM did not end the program"

# --- The next start: the current colour is black, the dialog opens at the stored colour.
start_pigmora again
[ -n "$(wait_for_tray_item 15)" ] || { fail "no tray item after the restart"; finish; }
wait_for_tray_icon 10
mark_clipboard "before-cycle"
choose_tray_menu_item 2
text=$(wait_for_clipboard_change "before-cycle" 10)
[ "$text" = "UIColor(red: 0.00, green: 0.00, blue: 0.00, alpha: 1.00)" ] &&
  pass "after the restart the current colour is black: $text" || fail "cycle after restart copied '$text'"
mark_clipboard "before-second-pick"
if open_picker; then
  xdotool key Return
  text=$(wait_for_clipboard_change "before-second-pick" 10)
  [ "$text" = "UIColor(red: 1.00, green: 0.50, blue: 0.00, alpha: 1.00)" ] &&
    pass "the dialog opened at the stored colour: $text" || fail "second pick copied '$text'"
fi

# --- A terminate request while the dialog is up ends the program at once; the colour typed into
# the dialog is not chosen: the clipboard and the stored colour stay.
mark_clipboard "before-terminate"
if open_picker; then
  xdotool key --window "$DIALOG" alt+h
  xdotool type --delay 30 '#00ff00'
  kill -TERM "$PIGMORA_PID"
  if wait_for_exit "$PIGMORA_PID" 10; then
    [ "$EXIT_STATUS" -eq 0 ] && pass "SIGTERM during the pick ended the program with status 0" ||
      fail "exit status $EXIT_STATUS after SIGTERM during the pick"
  else
    fail "SIGTERM during the pick: the program still runs after 10 s"
  fi
  [ "$(setting ColorVal)" = 33023 ] || fail "after SIGTERM during the pick ColorVal is '$(setting ColorVal)'"
  # Had the pick copied, the clipboard would have gone with the program; the marker stays only
  # if it never did.
  [ "$(clipboard)" = "before-terminate" ] || fail "after SIGTERM the clipboard holds '$(clipboard)'"
fi

finish
