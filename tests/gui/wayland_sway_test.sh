#!/bin/bash
# Pigmora in a real Wayland session (sway 1.7 headless with XWayland), keys typed with wtype
# through the compositor, the clipboard read back with wl-paste as a Wayland program pastes:
#  - with an X11 window focused the X11 key grab fires; with a native Wayland window focused it
#    does not (the compositor gives X11 clients no keys then);
#  - with the Wayland window focused, the command-line actions (what a sway user binds) cycle,
#    copy and open the colour dialog;
#  - copied text reaches Wayland programs through data-control, exactly, in every text type, after
#    a cycle with a Wayland window in front and after a pick, and stays there until another
#    program takes the clipboard;
#  - faults: a compositor that cannot be reached, and one that goes away while Pigmora runs: it
#    keeps running, says so once on stderr, copies through the X11 clipboard instead, and leaves
#    the settings file alone.
here=$(cd "$(dirname "$0")" && pwd)
. "$here/gui_lib.sh"
. "$here/tray_lib.sh"
. "$here/sway_lib.sh"

# Forward Ctrl+Alt+Super+], back Shift+Super+F5, picker Ctrl+Alt+Super+P; format RGB Hex.
settings=("ShortKey=⌃⌥⌘P" "ShortKey1=⌃⌥⌘]" "ShortKey2=⇧⌘F5" "Mode=RGB Hex" "OutFormat=2"
  "TitleOn=1" "MenuIcon=4" "Login=0" "ColorVal=0")
SWIFT_BLACK="UIColor(red: 0.00, green: 0.00, blue: 0.00, alpha: 1.00)"
SWIFT_ORANGE="UIColor(red: 1.00, green: 0.50, blue: 0.00, alpha: 1.00)"
OBJC_ORANGE="[UIColor colorWithRed: 1.00, green: 0.50, blue: 0.00, alpha: 1.00]"
SWIFT_BLUE="UIColor(red: 0.20, green: 0.40, blue: 0.60, alpha: 1.00)"
OBJC_BLACK="[UIColor colorWithRed: 0.00, green: 0.00, blue: 0.00, alpha: 1.00]"

start_sway || { fail "sway did not start"; finish; }
X11_SESSION_DISPLAY=$DISPLAY

# Stops the program under test by PID and waits for it.
stop_pigmora() {
  kill -TERM "$PIGMORA_PID" 2>/dev/null
  wait_for_exit "$PIGMORA_PID" 10 || fail "Pigmora did not end on SIGTERM"
}

# ---------------------------------------------------------------- Pigmora on sway, as a user has it
write_settings "${settings[@]}"
DISPLAY=$XWAYLAND_DISPLAY WAYLAND_DISPLAY=$WAYLAND_SOCKET start_pigmora sway

# An X11 window in front: the grab sees the key, pressed in XWayland itself with xdotool. X11
# windows are only typed into with xdotool, and before any wtype: wtype brings a keymap of its own
# on every run, after which XWayland no longer passes key presses on to X11 windows (from wtype or
# xdotool alike). This also waits for the program to start, and for XWayland, which sway 1.10
# starts only for the first X11 client (up to half a minute on a busy machine).
x11() { DISPLAY=$XWAYLAND_DISPLAY "$@"; }
x11 xmessage -name x11-window -geometry 300x80 "An X11 program" >/dev/null 2>&1 &
echo $! >>"$PIGMORA_SESSION_DIR/pids"
wait_for_sway_focus x11-window 30 || fail "the X11 window did not get the focus"
text=""
for _ in $(seq 1 30); do
  x11 xdotool key ctrl+alt+super+bracketright
  text=$(wait_for_wayland_clipboard_change "" 1)
  [ -n "$text" ] && break
done
[ "$text" = "$SWIFT_BLACK" ] && pass "X11 window focused: the forward hot key copied '$text'" ||
  fail "X11 window focused: the forward hot key gave '$text'"

# The pick (in Swift now): the dialog is an X11 window; the colour typed there reaches Wayland
# programs exactly.
x11 xdotool key ctrl+alt+super+p
dialog=$(x11 wait_for_window "Select Color" 15)
if [ -n "$dialog" ]; then
  pass "the picker hot key opened the colour dialog"
  wait_for_sway_focus pigmora 10 || fail "sway did not focus the colour dialog"
  sway_screenshot wayland-colour-dialog
  x11 xdotool key --window "$dialog" alt+h
  sleep 0.3
  x11 xdotool type --delay 40 '#ff8000'
  x11 xdotool key Return
  text=$(wait_for_wayland_clipboard_change "$SWIFT_BLACK" 10)
  [ "$text" = "$SWIFT_ORANGE" ] && pass "after the pick a Wayland program pastes '$text'" ||
    fail "after the pick the Wayland clipboard holds '$text'"
else
  fail "the picker hot key opened no colour dialog"
fi

# The same text in every type a program may ask for, as often as asked.
for type in "text/plain;charset=utf-8" text/plain UTF8_STRING STRING TEXT; do
  read1=$(on_sway timeout 5 wl-paste --no-newline --type "$type" 2>/dev/null)
  read2=$(on_sway timeout 5 wl-paste --no-newline --type "$type" 2>/dev/null)
  [ "$read1" = "$SWIFT_ORANGE" ] && [ "$read2" = "$SWIFT_ORANGE" ] && pass "type $type: read twice" ||
    fail "type $type: '$read1', then '$read2'"
done
offered=$(on_sway timeout 5 wl-paste --list-types 2>/dev/null | sort | tr '\n' ' ')
[ "$offered" = "STRING TEXT UTF8_STRING text/plain text/plain;charset=utf-8 " ] &&
  pass "offered as plain text only: $offered" || fail "offered types: $offered"

# A native Wayland window in front from here on.
start_wayland_recorder "$PIGMORA_SESSION_DIR/typed"
wait_for_sway_focus recorder 15 || fail "the Wayland window did not get the focus"

# The way in on sway: command-line actions on the running Pigmora, bound in the compositor, with
# the Wayland window still in front. Each copies what a hot key would, exactly.
action() { DISPLAY=$XWAYLAND_DISPLAY WAYLAND_DISPLAY=$WAYLAND_SOCKET "$PIGMORA_BIN" "$@"; }
check_action() {
  local option="$1" expected="$2" index="$3"
  local before
  before=$(wayland_clipboard)
  action "$option" >"$PIGMORA_SESSION_DIR/action.out" 2>&1 ||
    fail "pigmora $option ended with status $?: $(cat "$PIGMORA_SESSION_DIR/action.out")"
  text=$(wait_for_wayland_clipboard_change "$before" 10)
  [ "$text" = "$expected" ] && pass "pigmora $option over the Wayland window copied '$text'" ||
    fail "pigmora $option over the Wayland window copied '$text', expected '$expected'"
  wait_for_setting OutFormat "$index" || fail "pigmora $option: OutFormat is '$(setting OutFormat)'"
  [ "$(sway_focused)" = "recorder" ] || fail "pigmora $option: the focus moved to '$(sway_focused)'"
}
mark_wayland_clipboard "marker-actions"
check_action --cycle-forward "$OBJC_ORANGE" 4
check_action --cycle-back "$SWIFT_ORANGE" 3
action --show-picker >"$PIGMORA_SESSION_DIR/action.out" 2>&1 ||
  fail "pigmora --show-picker ended with status $?: $(cat "$PIGMORA_SESSION_DIR/action.out")"
dialog=$(DISPLAY=$XWAYLAND_DISPLAY wait_for_window "Select Color" 15)
if [ -n "$dialog" ]; then
  pass "pigmora --show-picker over the Wayland window opened the colour dialog"
  wait_for_sway_focus pigmora 10 || fail "sway did not focus the colour dialog"
  x11 xdotool key --window "$dialog" alt+h
  sleep 0.3
  x11 xdotool type --delay 40 '#336699'
  x11 xdotool key Return
  text=$(wait_for_wayland_clipboard_change "$SWIFT_ORANGE" 10)
  [ "$text" = "$SWIFT_BLUE" ] && pass "after a pick opened by the command line, '$text'" ||
    fail "after a pick opened by the command line the Wayland clipboard holds '$text'"
  wait_for_sway_focus recorder 10 || fail "the focus did not go back to the Wayland window"
else
  fail "pigmora --show-picker opened no colour dialog"
fi

# A native Wayland window in front: the key reaches that window, and the grab never sees it.
type_probe_line "$PIGMORA_SESSION_DIR/typed" "ready" ||
  fail "keys typed with wtype do not reach the Wayland window"
mark_wayland_clipboard "marker-wayland-focus"
press_on_sway ctrl alt logo bracketright
type_probe_line "$PIGMORA_SESSION_DIR/typed" "after the hot key" ||
  fail "the Wayland window did not get the keys after the hot key"
sleep 1 # nothing is to happen: give a wrongly fired grab time to show
[ "$(wayland_clipboard)" = "marker-wayland-focus" ] &&
  pass "Wayland window focused: the X11 grab alone did not fire" ||
  fail "Wayland window focused: the X11 grab fired anyway ('$(wayland_clipboard)')"
[ "$(setting OutFormat)" = "3" ] || fail "OutFormat is '$(setting OutFormat)', not 3"
sway_screenshot wayland-native-window-focused

# Another Wayland program took the clipboard (the markers above): Pigmora let go and still runs.
is_running "$PIGMORA_PID" && pass "other programs took the clipboard; Pigmora still runs" ||
  fail "Pigmora ended after another program took the clipboard"
stop_pigmora
# The stderr lines of a run less the one about the hot keys, which every run here has: no session
# bus of this test offers the GlobalShortcuts portal.
not_hotkeys() { grep -v '^pigmora: global hot keys: ' "$1"; }
# sway has no GlobalShortcuts portal: the one line about the hot keys is due; nothing else.
[ "$(grep -c '^pigmora: global hot keys: ' "$PIGMORA_SESSION_DIR/sway.err")" = 1 ] ||
  fail "Pigmora did not say once that sway binds no hot keys"
not_hotkeys "$PIGMORA_SESSION_DIR/sway.err" | grep . >/dev/null &&
  fail "Pigmora wrote to stderr on sway: $(cat "$PIGMORA_SESSION_DIR/sway.err")"

# ---------------------------------------------------------------- faults
# Pigmora on the session's X server (so that its windows survive what happens to sway), its
# Wayland clipboard on sway or on nothing.
cycle_on_x11() {
  local marker="$1"
  mark_clipboard "$marker" || return
  xdotool key ctrl+alt+super+bracketright
  wait_for_clipboard_change "$marker" 10
}
check_one_line() {
  local err="$1" pattern="$2" what="$3"
  local lines
  lines=$(not_hotkeys "$err" | grep -c .)
  if [ "$lines" = "1" ] && grep -q "$pattern" "$err"; then
    pass "$what: one line on stderr: $(cat "$err")"
  else
    fail "$what: stderr has $lines lines: $(cat "$err")"
  fi
}

# A compositor that cannot be reached.
write_settings "${settings[@]}"
WAYLAND_DISPLAY="$PIGMORA_SESSION_DIR/no-such-compositor" start_pigmora unreachable
text=""
for _ in $(seq 1 10); do
  text=$(cycle_on_x11 "marker-unreachable")
  [ -n "$text" ] && [ "$text" != "marker-unreachable" ] && break
done
[ "$text" = "$SWIFT_BLACK" ] && pass "no compositor: the cycle copied through the X11 clipboard" ||
  fail "no compositor: the cycle copied '$text'"
is_running "$PIGMORA_PID" && pass "no compositor: Pigmora still runs" || fail "no compositor: Pigmora ended"
check_one_line "$PIGMORA_SESSION_DIR/unreachable.err" "cannot connect to the Wayland compositor" \
  "no compositor"
cp "$SETTINGS_FILE" "$PIGMORA_SESSION_DIR/settings-unreachable"
stop_pigmora

# The compositor goes away while Pigmora runs.
write_settings "${settings[@]}"
WAYLAND_DISPLAY=$WAYLAND_SOCKET start_pigmora compositor-lost
# The hot keys are X11 grabs here once Pigmora has found no portal, which it says.
for _ in $(seq 1 100); do
  grep -q '^pigmora: global hot keys: ' "$PIGMORA_SESSION_DIR/compositor-lost.err" && break
  sleep 0.1
done
mark_wayland_clipboard "marker-compositor-lost"
text=""
for _ in $(seq 1 10); do
  xdotool key ctrl+alt+super+bracketright
  text=$(wait_for_wayland_clipboard_change "marker-compositor-lost" 1)
  [ -n "$text" ] && break
done
[ "$text" = "$SWIFT_BLACK" ] && pass "Pigmora on an X server copies to the Wayland clipboard" ||
  fail "Pigmora on an X server: the Wayland clipboard holds '$text'"
# The same start and the same one cycle as with no compositor: the settings file must be the same.
cmp -s "$SETTINGS_FILE" "$PIGMORA_SESSION_DIR/settings-unreachable" &&
  pass "no compositor: the settings file is as without the fault" ||
  fail "no compositor: the settings differ: $(diff "$PIGMORA_SESSION_DIR/settings-unreachable" "$SETTINGS_FILE")"
kill -TERM "$SWAY_PID"
wait_for_exit "$SWAY_PID" 10 || fail "sway did not end"
for _ in $(seq 1 50); do
  grep -q . "$PIGMORA_SESSION_DIR/compositor-lost.err" && break
  sleep 0.1
done
text=$(cycle_on_x11 "marker-lost")
[ "$text" = "$OBJC_BLACK" ] && pass "compositor gone: the next cycle copied through the X11 clipboard" ||
  fail "compositor gone: the cycle copied '$text'"
is_running "$PIGMORA_PID" && pass "compositor gone: Pigmora still runs" || fail "compositor gone: Pigmora ended"
check_one_line "$PIGMORA_SESSION_DIR/compositor-lost.err" \
  "lost the connection to the Wayland compositor" "compositor gone"
stop_pigmora
finish
