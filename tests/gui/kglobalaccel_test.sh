#!/bin/bash
# desktop-session: tray
# KDE Plasma's Wayland session: the hot keys go to KDE's own shortcut service, the real
# kglobalaccel daemon of this Debian, run on the test's private bus and X server (it grabs the
# keys there itself, as it does for KWin in a Plasma session). The program is told it runs in a
# Plasma Wayland session; its windows stay on Xvfb, as they stay on XWayland in a real one.
# Checked: what kglobalaccel keeps (component "Pigmora", the menu titles, the keys), real key
# presses and kglobalaccel's own activation, a key changed as System Settings changes it, a key
# changed in the preferences window, a key another shortcut holds, and kglobalaccel going away
# and coming back. The settings file never changes but for the key the user changed.
here=$(cd "$(dirname "$0")" && pwd)
. "$here/gui_lib.sh"
. "$here/tray_lib.sh"
. "$here/tray_menu_lib.sh"
. "$here/portal_lib.sh"
. "$here/kglobalaccel_lib.sh"

export XDG_SESSION_TYPE=wayland XDG_CURRENT_DESKTOP=KDE
SWIFT_BLACK="UIColor(red: 0.00, green: 0.00, blue: 0.00, alpha: 1.00)"
# Plasma 5's daemon (Debian 12) or Plasma 6's (Debian 13).
KGLOBALACCEL=""
for candidate in /usr/bin/kglobalaccel5 /usr/libexec/kglobalacceld \
  /usr/lib/x86_64-linux-gnu/libexec/kglobalacceld; do
  [ -x "$candidate" ] && { KGLOBALACCEL=$candidate; break; }
done
[ -n "$KGLOBALACCEL" ] || { fail "no kglobalaccel daemon installed (tools/deps.sh)"; finish; }

# The daemon grabs its keys on the test's X server, as in a Plasma X11 session. Plasma 6's ends at
# once when told the session is Wayland: KWin runs the same daemon inside itself there, with the
# same bus interface.
start_kglobalaccel() {
  XDG_SESSION_TYPE=x11 QT_QPA_PLATFORM=xcb "$KGLOBALACCEL" >>"$PIGMORA_SESSION_DIR/kglobalaccel.log" 2>&1 &
  KGLOBALACCEL_PID=$!
  echo "$KGLOBALACCEL_PID" >>"$PIGMORA_SESSION_DIR/pids"
  wait_for_bus_name org.kde.kglobalaccel 15 ||
    { fail "kglobalaccel did not take its bus name:"; cat "$PIGMORA_SESSION_DIR/kglobalaccel.log" >&2; }
}

# The stderr lines, less the clipboard's own notice that this session has no Wayland compositor
# (the windows are on Xvfb here, and no compositor runs).
kde_stderr() { grep -v '^pigmora: cannot connect to the Wayland compositor' "$PIGMORA_SESSION_DIR/kde.err"; }
lines_about() { kde_stderr | grep -c "^pigmora: $1"; }

write_settings "ShortKey=⌃⌥P" "ShortKey1=⌃⌥⌘]" "ShortKey2=⇧⌘F5" "Mode=RGB Hex" "OutFormat=2" \
  "TitleOn=1" "MenuIcon=4" "Login=0" "ColorVal=0" "SavedColor=0"
start_kglobalaccel
start_other_application
start_pigmora kde
[ -n "$(wait_for_tray_item 20)" ] || { fail "no tray item"; cat "$PIGMORA_SESSION_DIR/kde.err" >&2; finish; }

# ------------------------------------------------ what kglobalaccel keeps
for row in "picker|$PICKER_KEY" "forward|$FORWARD_KEY" "back|$BACK_KEY"; do
  id=${row%%|*}
  wait_for_bound "$id" "${row#*|}" 10 && pass "kglobalaccel binds $id to its stored key" ||
    fail "kglobalaccel binds $id to '$(bound_keys "$id")', not ${row#*|}"
done
components=$(kga allMainComponents)
grep -q "'$APP_ID', 'Pigmora'" <<<"$components" && pass "the component is listed as \"Pigmora\"" ||
  fail "kglobalaccel's components: $components"
actions=$(kga allActionsForComponent "['$APP_ID']")
for title in "Show the Color Picker" "Cycle Output Forward" "Cycle Output Back"; do
  grep -qF "'$title'" <<<"$actions" && pass "the action \"$title\" is listed" ||
    fail "no action \"$title\" in: $actions"
done
mkdir -p "$SCREENSHOT_DIR"
{
  echo "$ gdbus call ... org.kde.KGlobalAccel.allMainComponents"
  echo "$components"
  echo "$ gdbus call ... org.kde.KGlobalAccel.allActionsForComponent \"['$APP_ID']\""
  echo "$actions"
} >"$SCREENSHOT_DIR/kglobalaccel-answer.txt"

# ------------------------------------------------ presses
mark_clipboard before-forward
focus_other_application
xdotool key ctrl+alt+super+bracketright
text=$(wait_for_clipboard_change before-forward 10)
[ "$text" = "$SWIFT_BLACK" ] && pass "the forward key, pressed, went through kglobalaccel" ||
  fail "the forward key copied '$text'"
xdotool key ctrl+alt+p
if DIALOG=$(wait_for_named_window "Select Color" 10) && [ -n "$DIALOG" ]; then
  pass "the picker key opened the colour dialog"
  xdotool key Escape
  wait_for_window_gone "Select Color" 10 || fail "Escape did not close the colour dialog"
else
  fail "the picker key opened no colour dialog"
fi
mark_clipboard before-invoke
invoke_shortcut back
text=$(wait_for_clipboard_change before-invoke 10)
[ "$text" = "000000" ] && pass "kglobalaccel's own activation of back copied '$text'" ||
  fail "invokeShortcut(back) copied '$text'"

# ------------------------------------------------ System Settings gives forward another key
set_key_as_system_settings forward "Cycle Output Forward" $((CTRL | ALT | 0x4b))
sleep 0.5
choose_tray_menu_item 4
prefs=$(wait_for_named_window Preferences 10)
if [ -n "$prefs" ]; then
  marks=$(field_marks "$prefs")
  [ "$marks" = "no yes no" ] && pass "the forward field shows that KDE runs it on another key" ||
    fail "fields marked (picker forward back): $marks"
  screenshot_window "$prefs" kglobalaccel-preferences-marked

  # A new picker key in the window is set over what kglobalaccel keeps.
  click_in_window "$prefs" 220 32
  xdotool key ctrl+alt+o
  wait_for_bound picker "$((CTRL | ALT | 0x4f))" 10 && pass "the new picker key reached kglobalaccel" ||
    fail "kglobalaccel binds picker to '$(bound_keys picker)' after the change"
  # The field still has the focus: KDE's shortcuts stand aside, so back's key reaches the field
  # and cycles nothing. The field then takes Ctrl+Alt+O again.
  mark_clipboard before-blocked
  xdotool key shift+super+F5
  sleep 1
  [ "$(clipboard)" = before-blocked ] && pass "while a field has the focus KDE's shortcuts stand aside" ||
    fail "back's key cycled while a shortcut field had the focus: '$(clipboard)'"
  xdotool key ctrl+alt+o
  wait_for_bound picker "$((CTRL | ALT | 0x4f))" 10 || fail "the picker field did not take Ctrl+Alt+O again"

  xdotool windowactivate --sync "$prefs" key alt+F4
  wait_for_window_gone Preferences 10 || fail "the preferences window did not close"
else
  fail "the tray menu opened no preferences window"
fi
[ "$(setting ShortKey)" = "⌃⌥O" ] && [ "$(setting ShortKey1)" = "⌃⌥⌘]" ] &&
  pass "the settings hold the user's own change only" ||
  fail "settings: ShortKey=$(setting ShortKey) ShortKey1=$(setting ShortKey1)"
# With the window closed KDE's shortcuts are back: back's key, pressed, cycles again.
mark_clipboard before-unblocked
focus_other_application
xdotool key shift+super+F5
text=$(wait_for_clipboard_change before-unblocked 10)
[ -n "$text" ] && [ "$text" != before-unblocked ] && pass "KDE's shortcuts are back once the window closed" ||
  fail "back's key did nothing after the window closed"

# ------------------------------------------------ kglobalaccel goes away and comes back
kill -TERM "$KGLOBALACCEL_PID"
wait_for_exit "$KGLOBALACCEL_PID" 10 || fail "kglobalaccel did not end"
for _ in $(seq 1 50); do
  [ "$(lines_about "global hot keys: KDE's shortcut service (org.kde.kglobalaccel) has stopped")" -eq 1 ] && break
  sleep 0.1
done
[ "$(lines_about "global hot keys: KDE's shortcut service (org.kde.kglobalaccel) has stopped")" -eq 1 ] &&
  pass "stderr says once that kglobalaccel stopped" || { fail "stderr:"; cat "$PIGMORA_SESSION_DIR/kde.err" >&2; }
is_running "$PIGMORA_PID" && pass "still running without kglobalaccel" || fail "the program ended"
# Its own X11 grabs took over meanwhile.
mark_clipboard before-fallback
focus_other_application
xdotool key ctrl+alt+super+bracketright
text=$(wait_for_clipboard_change before-fallback 10)
# Back was pressed twice since "Swift": from "Web Safe" forward is "RGB Hex".
[ "$text" = "000000" ] && pass "the X11 grab took over" || fail "the X11 key copied '$text'"
start_kglobalaccel
wait_for_bound forward "$((CTRL | ALT | 0x4b))" 10 &&
  pass "back again, kglobalaccel has forward on the key System Settings gave it" ||
  fail "after the restart kglobalaccel binds forward to '$(bound_keys forward)'"
mark_clipboard before-after-restart
invoke_shortcut forward
text=$(wait_for_clipboard_change before-after-restart 10)
[ -n "$text" ] && [ "$text" != before-after-restart ] && pass "activations come through again" ||
  fail "invokeShortcut(forward) after the restart copied '$text'"
# The two lines: the picker's key was back's for a moment (typed into the field above), which
# kglobalaccel refused; and kglobalaccel stopping.
[ "$(lines_about "global hot keys: KDE's shortcut service bound no key to \"Show the Color Picker\"")" -eq 1 ] &&
  [ "$(kde_stderr | wc -l)" -eq 2 ] || { fail "stderr is not the two lines:"; kde_stderr >&2; }
kill -TERM "$PIGMORA_PID"
wait_for_exit "$PIGMORA_PID" 10 || fail "the program did not end on SIGTERM"

# ------------------------------------------------ a stored key another program's shortcut holds
# A first start where kglobalaccel knows nothing of Pigmora yet, and the picker's stored key is
# another program's: kglobalaccel binds no key to it, and the user is told where to set one.
kill -TERM "$KGLOBALACCEL_PID"
wait_for_exit "$KGLOBALACCEL_PID" 10 || fail "kglobalaccel did not end"
rm -f "$XDG_CONFIG_HOME/kglobalshortcutsrc"
start_kglobalaccel
taken="['org.pigmora.other', 'taken', 'Other', 'Taken']"
kga doRegister "$taken" >/dev/null
kga setShortcutKeys "$taken" "$(sequence $((CTRL | ALT | 0x54)))" 6 >/dev/null
write_settings "ShortKey=⌃⌥T" "ShortKey1=⌃⌥⌘]" "ShortKey2=⇧⌘F5" "Mode=RGB Hex" "OutFormat=2" \
  "TitleOn=1" "MenuIcon=4" "Login=0" "ColorVal=0" "SavedColor=0"
cp "$SETTINGS_FILE" "$PIGMORA_SESSION_DIR/settings-before-taken"
start_pigmora kde
[ -n "$(wait_for_tray_item 20)" ] || { fail "taken: no tray item"; finish; }
wait_for_bound forward "$FORWARD_KEY" 10 || fail "taken: forward is not bound"
wait_for_bound picker "" 10 && pass "kglobalaccel bound no key to the picker's taken key" ||
  fail "kglobalaccel binds picker to '$(bound_keys picker)' on a taken key"
choose_tray_menu_item 4
prefs=$(wait_for_named_window Preferences 10)
if [ -n "$prefs" ]; then
  marks=$(field_marks "$prefs")
  [ "$marks" = "yes no no" ] && pass "the picker field is marked" || fail "taken: fields marked: $marks"
  xdotool windowactivate --sync "$prefs" key alt+F4
  wait_for_window_gone Preferences 10 || fail "the preferences window did not close"
else
  fail "taken: the tray menu opened no preferences window"
fi
[ "$(lines_about "global hot keys: KDE's shortcut service bound no key to \"Show the Color Picker\" (another shortcut has it)")" -eq 1 ] &&
  [ "$(kde_stderr | wc -l)" -eq 1 ] && pass "stderr says once that the picker has no key, and where to set it" ||
  { fail "taken: stderr:"; kde_stderr >&2; }
# Closing the preferences window writes the file again, in its own order.
diff <(sort "$PIGMORA_SESSION_DIR/settings-before-taken") <(sort "$SETTINGS_FILE") >&2 &&
  pass "taken: no setting changed" || fail "taken: a setting changed"
kill -TERM "$PIGMORA_PID"
wait_for_exit "$PIGMORA_PID" 10 || fail "the program did not end on SIGTERM"
finish
