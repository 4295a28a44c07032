# Reaching Pigmora's tray menu and its windows as a user does, with the mouse and the keyboard.
# Sourced after gui_lib.sh by the GUI tests that need the tray (their sessions run trayer).

# Where the tests leave their screenshots; tools/screenshots.sh points it at docs/screenshots.
SCREENSHOT_DIR="${PIGMORA_SCREENSHOT_DIR:-$PWD/screenshots}"
mkdir -p "$SCREENSHOT_DIR"

# The tray icon's window inside trayer's panel, as "x y width height" in root coordinates; empty
# while there is none. The panel's other child is trayer's own 1x1 helper window.
tray_icon_geometry() {
  local panel
  for panel in $(xdotool search --class trayer 2>/dev/null); do
    xwininfo -id "$panel" 2>/dev/null | grep -q '"panel"' || continue
    xwininfo -children -id "$panel" 2>/dev/null |
      sed -n 's/.*: ()  *\([0-9]*\)x\([0-9]*\)[-+][-0-9]*[-+][-0-9]*  *+\([-0-9]*\)+\([-0-9]*\).*/\3 \4 \1 \2/p' |
      awk '$3 > 4 && $4 > 4 { print; exit }'
    return
  done
}

# Waits (up to $1 seconds, default 15) for the tray icon to be embedded.
wait_for_tray_icon() {
  local limit="${1:-15}" tries
  tries=$((limit * 10))
  while [ $tries -gt 0 ]; do
    [ -n "$(tray_icon_geometry)" ] && return 0
    sleep 0.1
    tries=$((tries - 1))
  done
  return 1
}

# Clicks the tray icon, which opens the status menu under the pointer.
open_tray_menu() {
  local x y w h
  read -r x y w h <<<"$(tray_icon_geometry)"
  [ -n "${h:-}" ] || return 1
  xdotool mousemove $((x + w / 2)) $((y + h / 2)) click 1
  sleep 0.6
}

# Chooses the status menu's item number $1 (1 = "Show the Color Picker", 2 = "Cycle Output
# Forward", 3 = "Cycle Output Back", 4 = "Preferences...", 5 = "About", 6 = "Quit") with the
# keyboard, as a user who opened the menu with a click: the arrow keys skip the separators.
choose_tray_menu_item() {
  local item="$1"
  open_tray_menu || return 1
  local i
  for i in $(seq 1 "$item"); do xdotool key Down; sleep 0.05; done
  xdotool key Return
}

# Chooses "Quit", the status menu's last item, with Up from the top. Unlike the Down count of
# choose_tray_menu_item it holds while the preferences window is open, when the arrow keys skip
# the disabled "Preferences...".
choose_tray_menu_quit() {
  open_tray_menu || return 1
  xdotool key Up
  sleep 0.05
  xdotool key Return
}

# The id of the visible top-level window whose name is exactly $1 (waits up to $2 seconds).
wait_for_named_window() {
  wait_for_window "^$1\$" "${2:-10}"
}

# Waits (up to $2 seconds, default 10) until no visible window is named exactly $1.
wait_for_window_gone() {
  local name="$1" limit="${2:-10}" tries
  tries=$((limit * 10))
  while [ $tries -gt 0 ]; do
    visible_windows --name "^$name\$" >/dev/null || return 0
    sleep 0.1
    tries=$((tries - 1))
  done
  return 1
}

# Clicks at ($2, $3) in the content of window $1.
click_in_window() {
  xdotool mousemove --window "$1" "$2" "$3" click 1
  sleep 0.3
}

# The fields of the preferences window marked as not working: "picker forward back" each yes/no.
field_marks() {
  local prefs="$1" marks="" y
  for y in 20 50 80; do
    [ "$(reddish_pixels "$prefs" 170 "$y" 100 25)" -gt 5 ] && marks+="yes " || marks+="no "
  done
  echo "${marks% }"
}

# Saves a picture of window $1, with its frame, as $SCREENSHOT_DIR/$2.png.
screenshot_window() {
  import -silent -frame -window "$1" "$SCREENSHOT_DIR/$2.png" 2>/dev/null ||
    import -silent -window "$1" "$SCREENSHOT_DIR/$2.png"
  echo "screenshot: $SCREENSHOT_DIR/$2.png"
}

# The clipboard's text (empty when it holds none).
clipboard_text() { timeout 3 xclip -o -selection clipboard 2>/dev/null; }

# Puts a marker text on the clipboard from outside, so that a later copy shows as a change.
set_clipboard() {
  # xclip stays behind to serve the text until another program takes the clipboard.
  printf '%s' "$1" | xclip -i -selection clipboard 2>/dev/null
  sleep 0.3
}

# Waits (up to $2 seconds, default 5) for the clipboard to hold exactly $1.
wait_for_clipboard() {
  local expected="$1" limit="${2:-5}" tries
  tries=$((limit * 10))
  while [ $tries -gt 0 ]; do
    [ "$(clipboard_text)" = "$expected" ] && return 0
    sleep 0.1
    tries=$((tries - 1))
  done
  return 1
}

# A stored setting's value as the settings file holds it ("" when absent).
stored_setting() {
  sed -n "s/^$1=//p" "$SETTINGS_FILE" 2>/dev/null | head -1
}

# The About box: the program's visible dialog window (empty when there is none).
about_window() {
  local w
  for w in $(xdotool search --onlyvisible --class pigmora 2>/dev/null); do
    if xprop -id "$w" _NET_WM_WINDOW_TYPE 2>/dev/null | grep -q _NET_WM_WINDOW_TYPE_DIALOG; then
      echo "$w"
      return
    fi
  done
}

# Waits (up to $1 seconds, default 10) for the About box; prints its window id.
wait_for_about() {
  local tries=$((${1:-10} * 10)) w
  while [ $tries -gt 0 ]; do
    w=$(about_window)
    [ -n "$w" ] && { echo "$w"; return 0; }
    sleep 0.1
    tries=$((tries - 1))
  done
  return 1
}

# Waits (up to $1 seconds, default 10) for the About box to go.
wait_for_about_gone() {
  local tries=$((${1:-10} * 10))
  while [ $tries -gt 0 ]; do
    [ -z "$(about_window)" ] && return 0
    sleep 0.1
    tries=$((tries - 1))
  done
  return 1
}

# Pixels of window $1 in the pink of our picture's tile; the desktop's own information icon,
# shown when the picture is not found, has none.
pink_pixels() {
  import -silent -window "$1" -depth 8 txt:- 2>/dev/null |
    sed -n 's/^[^(]*(\([0-9]*\),\([0-9]*\),\([0-9]*\).*/\1 \2 \3/p' |
    awk '$1 > 200 && $2 < 170 && $3 > 110 && $3 < 215 && $1 - $2 > 60 { n++ } END { print n + 0 }'
}
