#!/bin/bash
# desktop-session: tray
# GNOME before the GlobalShortcuts portal (43 to 47): the preferences window offers to put the hot
# keys into GNOME's own custom shortcuts, and does so only at the click. Written through GSettings
# into the real dconf service, and read back with gsettings, as GNOME Settings and the settings
# daemon read them. The portal here is the real frontend with a backend that has no
# GlobalShortcuts, as GNOME 43's; the program's windows stay on Xvfb, as on XWayland in GNOME.
# Checked: nothing is written before the click; the three entries (name, command, binding) after
# it, beside the user's own entry, which is never touched; a key GNOME uses already is marked in
# its field; a changed key changes our entry; a second click takes ours out again; without GNOME's
# schemas there is no button; settings that cannot be written are said once on stderr and leave
# the button, the user's settings and the program as they were.
here=$(cd "$(dirname "$0")" && pwd)
. "$here/gui_lib.sh"
. "$here/tray_lib.sh"
. "$here/tray_menu_lib.sh"
. "$here/portal_lib.sh"

export XDG_SESSION_TYPE=wayland XDG_CURRENT_DESKTOP=GNOME GSETTINGS_BACKEND=dconf
MEDIA_KEYS=org.gnome.settings-daemon.plugins.media-keys
CUSTOM=$MEDIA_KEYS.custom-keybinding
FOLDER=/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings
USERS_OWN="$FOLDER/custom0/"

[ -n "$(gsettings list-schemas 2>/dev/null | grep -x "$MEDIA_KEYS")" ] ||
  { fail "GNOME's media-keys schema is not installed (tools/deps.sh)"; finish; }
DCONF_SERVICE=""
for candidate in /usr/libexec/dconf-service /usr/lib/dconf/dconf-service; do
  [ -x "$candidate" ] && { DCONF_SERVICE=$candidate; break; }
done
[ -n "$DCONF_SERVICE" ] || { fail "dconf-service is not installed (tools/deps.sh)"; finish; }

# dconf's writer, on the session's private bus (which activates nothing by itself).
start_dconf() {
  "$DCONF_SERVICE" >>"$PIGMORA_SESSION_DIR/dconf.log" 2>&1 &
  DCONF_PID=$!
  echo "$DCONF_PID" >>"$PIGMORA_SESSION_DIR/pids"
  wait_for_bus_name ca.desrt.dconf 10 || fail "dconf-service did not start"
}

listed() { gsettings get "$MEDIA_KEYS" custom-keybindings; }
entry() { gsettings get "$CUSTOM:$FOLDER/pigmora-$1/" "$2"; }
# Waits (up to 10 s) until key $2 of our entry for action $1 reads $3.
wait_for_entry() {
  for _ in $(seq 1 100); do
    [ "$(entry "$1" "$2")" = "$3" ] && return 0
    sleep 0.1
  done
  return 1
}
gnome_lines() { grep -c "^pigmora: GNOME's keyboard shortcuts" "$PIGMORA_SESSION_DIR/gnome.err"; }
# The button sits below the other controls, across the window's width.
click_desktop_button() { click_in_window "$1" 145 296; }

start_dconf
start_portal "Screenshot" || finish
# The user's own custom shortcut, and a key GNOME's window manager uses (Shift+Super+F5 closes
# windows here), as they may be on any GNOME.
gsettings set "$MEDIA_KEYS" custom-keybindings "['$USERS_OWN']"
gsettings set "$CUSTOM:$USERS_OWN" name 'Terminal'
gsettings set "$CUSTOM:$USERS_OWN" command 'gnome-terminal'
gsettings set "$CUSTOM:$USERS_OWN" binding '<Super>t'
gsettings set org.gnome.desktop.wm.keybindings close "['<Alt>F4', '<Shift><Super>F5']"
[ "$(gsettings get org.gnome.desktop.wm.keybindings close)" = "['<Alt>F4', '<Shift><Super>F5']" ] ||
  fail "GNOME's window-manager key bindings could not be set (gsettings-desktop-schemas, tools/deps.sh)"

write_settings "ShortKey=⌃⌥P" "ShortKey1=⌃⌥⌘]" "ShortKey2=⇧⌘F5" "Mode=RGB Hex" "OutFormat=2" \
  "TitleOn=1" "MenuIcon=4" "Login=0" "ColorVal=0" "SavedColor=0"
start_pigmora gnome
[ -n "$(wait_for_tray_item 20)" ] || { fail "no tray item"; cat "$PIGMORA_SESSION_DIR/gnome.err" >&2; finish; }
sleep 1

choose_tray_menu_item 4
prefs=$(wait_for_named_window Preferences 10)
[ -n "$prefs" ] || { fail "the tray menu opened no preferences window"; finish; }
[ "$(listed)" = "['$USERS_OWN']" ] && pass "nothing is put into GNOME's settings before the click" ||
  fail "GNOME's list before the click: $(listed)"
screenshot_window "$prefs" gnome-preferences-offer
marks_before=$(field_marks "$prefs")

# ------------------------------------------------ the click puts the three actions in
click_desktop_button "$prefs"
if wait_for_entry back binding "'<Shift><Super>F5'"; then
  pass "the click put the hot keys into GNOME's custom shortcuts"
else
  fail "after the click: list $(listed), back's binding $(entry back binding)"
fi
[ "$(listed)" = "['$USERS_OWN', '$FOLDER/pigmora-picker/', '$FOLDER/pigmora-forward/', '$FOLDER/pigmora-back/']" ] &&
  pass "GNOME lists ours after the user's own" || fail "GNOME's list: $(listed)"
for row in "picker|Show the Color Picker|--show-picker|<Control><Alt>p" \
  "forward|Cycle Output Forward|--cycle-forward|<Control><Alt><Super>bracketright" \
  "back|Cycle Output Back|--cycle-back|<Shift><Super>F5"; do
  IFS='|' read -r action name option binding <<<"$row"
  [ "$(entry "$action" name)" = "'$name'" ] && [ "$(entry "$action" command)" = "'$PIGMORA_BIN $option'" ] &&
    [ "$(entry "$action" binding)" = "'$binding'" ] && pass "$action: \"$name\", $option, $binding" ||
    fail "$action: name $(entry "$action" name), command $(entry "$action" command), binding $(entry "$action" binding)"
done
sleep 0.5
marks=$(field_marks "$prefs")
[ "$marks" = "no no yes" ] && pass "the back field shows that GNOME uses its key already" ||
  fail "fields marked (picker forward back): $marks"
screenshot_window "$prefs" gnome-preferences-added
mkdir -p "$SCREENSHOT_DIR"
{
  echo "$ gsettings get $MEDIA_KEYS custom-keybindings"
  listed
  for action in picker forward back; do
    echo "$ gsettings list-recursively $CUSTOM:$FOLDER/pigmora-$action/"
    gsettings list-recursively "$CUSTOM:$FOLDER/pigmora-$action/"
  done
} >"$SCREENSHOT_DIR/gnome-custom-shortcuts.txt"

# ------------------------------------------------ a changed key changes our entry only
click_in_window "$prefs" 220 32
xdotool key ctrl+alt+o
wait_for_entry picker binding "'<Control><Alt>o'" && pass "the new picker key reached GNOME's entry" ||
  fail "after the change the picker's entry is bound to $(entry picker binding)"
[ "$(gsettings get "$CUSTOM:$USERS_OWN" binding)" = "'<Super>t'" ] &&
  [ "$(gsettings get "$CUSTOM:$USERS_OWN" name)" = "'Terminal'" ] &&
  pass "the user's own entry is untouched" || fail "the user's entry changed"

# ------------------------------------------------ a second click takes ours out
click_desktop_button "$prefs"
for _ in $(seq 1 100); do
  [ "$(listed)" = "['$USERS_OWN']" ] && break
  sleep 0.1
done
[ "$(listed)" = "['$USERS_OWN']" ] && pass "the second click took ours out of GNOME's list" ||
  fail "GNOME's list after the second click: $(listed)"
[ "$(entry picker binding)" = "''" ] && pass "our entries are reset" ||
  fail "the picker's entry still holds $(entry picker binding)"
sleep 0.5
[ "$(field_marks "$prefs")" = "$marks_before" ] && pass "the fields are marked as before the first click" ||
  fail "fields marked: $(field_marks "$prefs"), before the first click: $marks_before"

# ------------------------------------------------ settings that cannot be written
kill -TERM "$DCONF_PID"
wait_for_exit "$DCONF_PID" 10 || fail "dconf-service did not end"
click_desktop_button "$prefs"
for _ in $(seq 1 50); do
  [ "$(gnome_lines)" -ge 1 ] && break
  sleep 0.1
done
[ "$(gnome_lines)" -eq 1 ] && pass "stderr says once that GNOME's settings could not be changed" ||
  { fail "stderr:"; cat "$PIGMORA_SESSION_DIR/gnome.err" >&2; }
[ "$(listed)" = "['$USERS_OWN']" ] && pass "GNOME's list stayed as it was" || fail "GNOME's list: $(listed)"
is_running "$PIGMORA_PID" && pass "still running" || fail "the program ended"
start_dconf
xdotool windowactivate --sync "$prefs" key alt+F4
wait_for_window_gone Preferences 10 || fail "the preferences window did not close"
[ "$(setting ShortKey)" = "⌃⌥O" ] && [ "$(setting ShortKey1)" = "⌃⌥⌘]" ] && [ "$(setting ShortKey2)" = "⇧⌘F5" ] &&
  pass "the settings hold the user's own change only" ||
  fail "settings: $(setting ShortKey) $(setting ShortKey1) $(setting ShortKey2)"
kill -TERM "$PIGMORA_PID"
wait_for_exit "$PIGMORA_PID" 10 || fail "the program did not end on SIGTERM"

# ------------------------------------------------ no GNOME schemas: no button
# The same desktop without GNOME's schemas (GSettings looks for them under XDG_DATA_DIRS).
mkdir -p "$PIGMORA_SESSION_DIR/no-schemas"
XDG_DATA_DIRS="$PIGMORA_SESSION_DIR/no-schemas" start_pigmora gnome-no-schemas
[ -n "$(wait_for_tray_item 20)" ] || { fail "no tray item without schemas"; finish; }
sleep 1
choose_tray_menu_item 4
prefs=$(wait_for_named_window Preferences 10)
if [ -n "$prefs" ]; then
  height=$(xdotool getwindowgeometry "$prefs" | sed -n 's/.*Geometry: [0-9]*x\([0-9]*\).*/\1/p')
  [ "$height" = 290 ] && pass "without GNOME's schemas the window has no button row" ||
    fail "without GNOME's schemas the window is $height high"
  xdotool windowactivate --sync "$prefs" key alt+F4
  wait_for_window_gone Preferences 10 || fail "the preferences window did not close"
else
  fail "no preferences window without schemas"
fi
kill -TERM "$PIGMORA_PID"
wait_for_exit "$PIGMORA_PID" 10 || fail "the program did not end on SIGTERM"
finish
