#!/bin/bash
# desktop-session: tray
# A Wayland session's hot keys and eyedropper through the real xdg-desktop-portal frontend, served
# by our test backend. The program is told it runs in a Wayland session (XDG_SESSION_TYPE) while
# its windows stay on Xvfb, as they stay on XWayland in a real one. First the working portal: what
# is bound, and what activations and picks do. Then each way the portal can fail, one row of a
# table each: the program keeps running, says once on stderr what is missing, and leaves the
# settings file as it was.
here=$(cd "$(dirname "$0")" && pwd)
. "$here/gui_lib.sh"
. "$here/tray_lib.sh"
. "$here/tray_menu_lib.sh"
. "$here/portal_lib.sh"

export XDG_SESSION_TYPE=wayland
# The launcher, installed for this user as the package installs it for everyone: a frontend with
# the host registry accepts the program's application id only when a launcher of that name runs a
# program that exists (here the one under test, which is not on the PATH).
mkdir -p "$XDG_DATA_HOME/applications"
sed "s|^Exec=pigmora|Exec=$PIGMORA_BIN|" "$here/../../resources/pigmora.desktop" \
  >"$XDG_DATA_HOME/applications/$APP_ID.desktop"
ALL_INTERFACES="GlobalShortcuts;Screenshot;Access"
SWIFT_336699="UIColor(red: 0.20, green: 0.40, blue: 0.60, alpha: 1.00)"
SWIFT_BLACK="UIColor(red: 0.00, green: 0.00, blue: 0.00, alpha: 1.00)"

# The same settings at the start of every run; their checksum tells whether a run changed them.
fresh_settings() {
  write_settings "ShortKey=⌃⌥P" "ShortKey1=⌃⌥⌘]" "ShortKey2=⇧⌘F5" "Mode=RGB Hex" "OutFormat=2" \
    "TitleOn=1" "MenuIcon=4" "Login=0" "ColorVal=0" "SavedColor=0"
  SETTINGS_SUM=$(md5sum <"$SETTINGS_FILE")
}

# Starts the program and waits for its tray item; false when it does not come.
start_and_wait() {
  start_pigmora "$1"
  [ -n "$(wait_for_tray_item 20)" ] || { fail "$1: no tray item"; cat "$PIGMORA_SESSION_DIR/$1.err" >&2; return 1; }
}

stop_pigmora() {
  # A terminate request waits for an open dialog.
  visible_windows --name '^Select Color$' >/dev/null && close_dialog Escape
  kill -TERM "$PIGMORA_PID" 2>/dev/null
  wait_for_exit "$PIGMORA_PID" 10 || fail "the program did not end on SIGTERM"
}

# Waits for the colour dialog; sets DIALOG.
wait_for_dialog() {
  DIALOG=$(wait_for_named_window "Select Color" 10)
  [ -n "$DIALOG" ]
}

# "Pick Screen Color" by its mnemonic, as a keyboard user presses it.
press_pick_screen_color() { xdotool key alt+p; }

# OK (Return) or Cancel (Escape) in the dialog, which has the keyboard; waits for it to go.
close_dialog() {
  xdotool key "$1"
  wait_for_window_gone "Select Color" 10 || fail "$1 did not close the colour dialog"
}

# The stderr lines of run $1, less the clipboard's own notice that this session has no Wayland
# compositor (the windows are on Xvfb here, and no compositor runs).
portal_stderr() { grep -v '^pigmora: cannot connect to the Wayland compositor' "$PIGMORA_SESSION_DIR/$1.err"; }

# The lines of a stderr file that start with $2.
lines_about() { grep -c "^pigmora: $2" "$PIGMORA_SESSION_DIR/$1.err"; }

# Waits (up to $3 seconds) until the stderr file $1 holds a line about $2.
wait_for_line_about() {
  for _ in $(seq 1 $(($3 * 10))); do
    [ "$(lines_about "$1" "$2")" -ge 1 ] && return 0
    sleep 0.1
  done
  return 1
}

# ---------------------------------------------------------------- the working portal
fresh_settings
start_portal "$ALL_INTERFACES" || finish
# The desktop keeps the picker's key, binds forward to another, and back to none.
portal_control SetBoundTrigger forward "Ctrl+Alt+K"
portal_control SetBoundTrigger back ""
start_other_application
start_and_wait good || finish
if wait_for_portal_calls BindShortcuts 1 15; then
  expected="picker|Show the Color Picker|CTRL+ALT+p
forward|Cycle Output Forward|CTRL+ALT+LOGO+bracketright
back|Cycle Output Back|SHIFT+LOGO+F5"
  bound=$(last_bound_shortcuts)
  [ "$bound" = "$expected" ] && pass "bound ids, descriptions and preferred triggers are exact" ||
    fail "bound shortcuts:
$bound"
else
  fail "the program bound no shortcuts"
fi

# A frontend with the host registry (1.19 on) hands the backend the application id the program
# registered; an older one (Debian 12's 1.16) an empty one.
if gdbus introspect --session --dest org.freedesktop.portal.Desktop \
  --object-path /org/freedesktop/portal/desktop 2>/dev/null | grep -q 'org.freedesktop.host.portal.Registry'; then
  want_app_id=$APP_ID
else
  want_app_id=""
fi
app_id=$(grep '"call": "CreateSession"' "$PORTAL_LOG" | tail -1 | sed -n 's/.*"app_id": "\([^"]*\)".*/\1/p')
[ "$app_id" = "$want_app_id" ] && pass "the backend is told the application id '$app_id'" ||
  fail "the backend is told the application id '$app_id', not '$want_app_id'"

# While the portal binds the keys, no X11 grab doubles them.
mark_clipboard before-x11-press
focus_other_application
xdotool key ctrl+alt+super+bracketright
sleep 1
[ "$(clipboard)" = before-x11-press ] && pass "no X11 grab while the portal binds" ||
  fail "the X11 key fired beside the portal: '$(clipboard)'"

# An activation of the picker opens the dialog; a cancelled pick leaves its colour.
focus_other_application
portal_control Activate picker
if wait_for_dialog; then
  pass "Activated(picker) opened the colour dialog"
  portal_control SetMode pick cancel
  press_pick_screen_color
  wait_for_portal_calls PickColor 1 10 || fail "Pick Screen Color did not ask the portal"
  sleep 0.5
  mark_clipboard before-cancelled-pick
  close_dialog Return
  text=$(wait_for_clipboard_change before-cancelled-pick 10)
  [ "$text" = "000000" ] && pass "a cancelled pick left the dialog's colour" || fail "after a cancelled pick: '$text'"
else
  fail "Activated(picker) opened no colour dialog"
fi

# The portal's colour becomes the dialog's, and OK copies it.
portal_control SetMode pick ok
portal_control SetPickedColor 0.2 0.4 0.6
portal_control Activate picker
if wait_for_dialog; then
  press_pick_screen_color
  wait_for_portal_calls PickColor 2 10 || fail "the second Pick Screen Color did not ask the portal"
  sleep 0.5
  screenshot portal-picked-colour
  mark_clipboard before-pick
  close_dialog Return
  text=$(wait_for_clipboard_change before-pick 10)
  [ "$text" = "336699" ] && pass "PickColor (0.2, 0.4, 0.6) ended as 336699" || fail "after the portal pick: '$text'"
else
  fail "the second Activated(picker) opened no colour dialog"
fi

# Activations of the cycles copy the colour again in the next and the previous notation.
for row in "forward|$SWIFT_336699" "back|336699"; do
  id=${row%%|*}
  want=${row#*|}
  mark_clipboard "before-$id"
  portal_control Activate "$id"
  text=$(wait_for_clipboard_change "before-$id" 10)
  [ "$text" = "$want" ] && pass "Activated($id) copied '$text'" || fail "Activated($id) copied '$text', not '$want'"
done
# The preferences window marks the fields whose key the desktop changed or did not bind.
choose_tray_menu_item 4
prefs=$(wait_for_named_window Preferences 10)
if [ -n "$prefs" ]; then
  for field in "picker 20 no" "forward 50 yes" "back 80 yes"; do
    read -r id y marked <<<"$field"
    red=$(reddish_pixels "$prefs" 170 "$y" 100 25)
    if [ "$marked" = yes ]; then
      [ "$red" -gt 5 ] && pass "the $id field is marked ($red red pixels)" || fail "the $id field is not marked"
    else
      [ "$red" -le 5 ] && pass "the $id field is not marked" || fail "the $id field is marked ($red red pixels)"
    fi
  done
  screenshot_window "$prefs" portal-preferences-marked
  # A new picker key: the session is closed and a new one binds the whole set again.
  click_in_window "$prefs" 220 32
  xdotool key ctrl+alt+o
  if wait_for_portal_calls BindShortcuts 2 10; then
    [ "$(portal_calls CloseSession)" -ge 1 ] && pass "the old session was closed" || fail "the old session stayed open"
    [ "$(last_bound_shortcuts | grep "^picker|")" = "picker|Show the Color Picker|CTRL+ALT+o" ] &&
      pass "the new picker key was bound in a new session" || fail "bound again: $(last_bound_shortcuts | grep "^picker|")"
    portal_control Activate picker
    wait_for_dialog && pass "the new session's Activated(picker) opened the dialog" ||
      fail "the new session's Activated(picker) opened no dialog"
    close_dialog Escape
  else
    fail "a new picker key was not bound again"
  fi
  xdotool windowactivate --sync "$prefs" key alt+F4
  wait_for_window_gone Preferences 10 || fail "the preferences window did not close"
else
  fail "the tray menu opened no preferences window"
fi

# The one action the desktop bound no key to keeps its X11 grab, and the user is told once.
mark_clipboard before-unbound-back
focus_other_application
xdotool key shift+super+F5
text=$(wait_for_clipboard_change before-unbound-back 10)
# Back from "RGB Hex" is "Web Safe".
[ "$text" = "#336699" ] && pass "the unbound back action kept its X11 grab" ||
  fail "the X11 key of the unbound back action copied '$text'"
unbound_line='pigmora: global hot keys: the desktop answered that it bound the shortcuts, but bound no key to "Cycle Output Back"; '
if [ "$(portal_stderr good | wc -l)" -eq 1 ] && [ "$(portal_stderr good | grep -cF "$unbound_line")" -eq 1 ]; then
  pass "stderr says once that back has no key, and nothing else"
else
  fail "stderr of the working run:"
  portal_stderr good >&2
fi
stop_pigmora
stop_portal

# ---------------------------------------------------------------- faults
# name | impl interfaces ("" = no portal service) | CreateSession | BindShortcuts | PickColor |
# start of the hot-key line | start of the eyedropper line ("" = none, the user cancelled)
faults=(
  "no-portal||ok|ok|ok|global hot keys: no desktop portal|screen colour picking: the desktop portal failed"
  "no-interface|Access|ok|ok|ok|global hot keys: the desktop portal has no GlobalShortcuts interface|screen colour picking: the desktop portal failed"
  "cancelled|$ALL_INTERFACES|cancel|ok|cancel|global hot keys: the desktop portal did not start a shortcuts session, refused by the user (response 1)|"
  "ended|$ALL_INTERFACES|ok|other|other|global hot keys: the desktop did not bind the shortcuts, ended by the desktop (response 2)|screen colour picking: the desktop portal ended the pick (response 2)"
  "silent|$ALL_INTERFACES|silent|ok|silent|global hot keys: the desktop portal gave no answer|screen colour picking: the desktop portal gave no answer"
  "bound-none|$ALL_INTERFACES|ok|empty|cancel|global hot keys: the desktop answered that it bound the shortcuts, but bound no key to \"Show the Color Picker\", \"Cycle Output Forward\", \"Cycle Output Back\"; these work only while an X11 window has the focus|"
)
for row in "${faults[@]}"; do
  IFS='|' read -r name interfaces create bind pick hotkey_line pick_line <<<"$row"
  fresh_settings
  start_portal "$interfaces" || continue
  if [ -n "$interfaces" ] && bus_name_owned "$PORTAL_BACKEND_NAME"; then
    portal_control SetMode create "$create"
    portal_control SetMode bind "$bind"
    portal_control SetMode pick "$pick"
  fi
  start_and_wait "$name" || { stop_portal; continue; }
  # The eyedropper, from the dialog the tray menu opens.
  if choose_tray_menu_item 1 && wait_for_dialog; then
    press_pick_screen_color
  else
    fail "$name: the tray menu opened no colour dialog"
  fi
  wait_for_line_about "$name" "global hot keys" 20 || fail "$name: nothing said about the hot keys"
  [ -z "$pick_line" ] || wait_for_line_about "$name" "screen colour picking" 20 ||
    fail "$name: nothing said about the eyedropper"
  sleep 1  # time for a second line, which must not come
  [ "$(lines_about "$name" "$hotkey_line")" -eq 1 ] && pass "$name: one line about the hot keys" ||
    fail "$name: hot-key line is not '$hotkey_line...'"
  expected_lines=1
  if [ -n "$pick_line" ]; then
    expected_lines=2
    [ "$(lines_about "$name" "$pick_line")" -eq 1 ] && pass "$name: one line about the eyedropper" ||
      fail "$name: eyedropper line is not '$pick_line...'"
  fi
  [ "$(portal_stderr "$name" | wc -l)" -eq "$expected_lines" ] ||
    { fail "$name: stderr is not $expected_lines line(s):"; portal_stderr "$name" >&2; }
  is_running "$PIGMORA_PID" && pass "$name: still running" || fail "$name: the program ended"
  [ -n "$(visible_windows --name '^Select Color$')" ] && pass "$name: the dialog is still open" ||
    fail "$name: the colour dialog went away"
  close_dialog Escape
  [ "$(md5sum <"$SETTINGS_FILE")" = "$SETTINGS_SUM" ] && pass "$name: settings file unchanged" ||
    fail "$name: the settings file changed"
  # The fallback: the X11 grab fires while an X11 window has the focus.
  mark_clipboard "before-$name-x11"
  focus_other_application
  xdotool key ctrl+alt+super+bracketright
  text=$(wait_for_clipboard_change "before-$name-x11" 10)
  [ "$text" = "$SWIFT_BLACK" ] && pass "$name: the X11 grab took over" || fail "$name: the X11 key copied '$text'"
  stop_pigmora
  stop_portal
done

# The bus going away under a running program whose hot keys are bound.
fresh_settings
start_portal "$ALL_INTERFACES" || finish
start_and_wait bus-gone || finish
wait_for_portal_calls BindShortcuts 1 15 || fail "bus-gone: nothing bound"
bus_pid=$(sed -n 2p "$PIGMORA_SESSION_DIR/pids")
kill -TERM "$bus_pid"
wait_for_line_about bus-gone "global hot keys" 20 && pass "bus-gone: said so" || fail "bus-gone: nothing said"
sleep 1
is_running "$PIGMORA_PID" && pass "bus-gone: still running" || fail "bus-gone: the program ended"
[ "$(portal_stderr bus-gone | wc -l)" -eq 1 ] ||
  { fail "bus-gone: stderr is not one line:"; portal_stderr bus-gone >&2; }
[ "$(md5sum <"$SETTINGS_FILE")" = "$SETTINGS_SUM" ] && pass "bus-gone: settings file unchanged" || fail "bus-gone: the settings file changed"
mark_clipboard before-menu-cycle
choose_tray_menu_item 2
text=$(wait_for_clipboard_change before-menu-cycle 10)
[ "$text" = "$SWIFT_BLACK" ] &&
  pass "bus-gone: the tray menu still works" || fail "bus-gone: the menu's cycle copied '$text'"
finish
