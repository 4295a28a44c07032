# Helpers shared by the hot-key and tray tests; sourced after gui_lib.sh, inside
# desktop_session.sh.

# Screenshots go to <build>/screenshots, beside the program's bin folder, unless the environment
# names another folder.
SCREENSHOT_DIR="${PIGMORA_SCREENSHOT_DIR:-}"
if [ -z "$SCREENSHOT_DIR" ] && [ -n "${PIGMORA_BIN:-}" ]; then
  SCREENSHOT_DIR="$(cd "$(dirname "$PIGMORA_BIN")/.." && pwd)/screenshots"
fi

# Writes the settings file the program reads at start: one "Key=Value" argument per line.
write_settings() {
  mkdir -p "$(dirname "$SETTINGS_FILE")"
  {
    echo "[General]"
    local line
    for line in "$@"; do echo "$line"; done
  } >"$SETTINGS_FILE"
}

# The value stored under a key of the settings file (without quotes), empty when absent.
setting() {
  sed -n "s/^$1=//p" "$SETTINGS_FILE" | head -1 | sed 's/^"\(.*\)"$/\1/'
}

# A window of another program that has the keyboard focus, so that hot keys are pressed while
# the program under test is not in front. Sets OTHER_WINDOW.
start_other_application() {
  xmessage -name other-application -geometry 400x120+200+300 \
    "Another application has the focus" >/dev/null 2>&1 &
  echo $! >>"$PIGMORA_SESSION_DIR/pids"
  OTHER_WINDOW=$(wait_for_window "other-application" 10)
  if [ -z "$OTHER_WINDOW" ]; then
    fail "the other application's window did not appear"
    finish
  fi
  focus_other_application
}

focus_other_application() {
  xdotool windowactivate --sync "$OTHER_WINDOW" >/dev/null 2>&1 ||
    xdotool windowfocus --sync "$OTHER_WINDOW" >/dev/null 2>&1
}

# The program's item in the XEmbed tray, once it is there (its hot keys are registered before the
# item is built). Prints the window id.
wait_for_tray_item() {
  local limit="${1:-15}" id=""
  for _ in $(seq 1 $((limit * 10))); do
    id=$(xdotool search --onlyvisible --classname '^pigmora$' 2>/dev/null | head -1)
    [ -n "$id" ] && break
    sleep 0.1
  done
  echo "$id"
}

clipboard() { xclip -o -selection clipboard 2>/dev/null; }

# Puts a marker text of the test's own on the clipboard (xclip serves it until someone else takes
# the clipboard), so that the next copy of the program is seen even when its text is unchanged.
mark_clipboard() {
  serve_marker clipboard "$1" xclip -quiet -selection clipboard -i
}

# Starts a copying program ($3...) in the background with the marker $2 on its input, and waits
# until the reading function $1 gives the marker back.
serve_marker() {
  local reader="$1" marker="$2"
  shift 2
  printf '%s' "$marker" | "$@" >/dev/null 2>&1 &
  echo $! >>"$PIGMORA_SESSION_DIR/pids"
  for _ in $(seq 1 50); do
    [ "$("$reader")" = "$marker" ] && return 0
    sleep 0.1
  done
  fail "could not put the marker where $reader reads it"
  return 1
}

# Waits (up to $2 seconds, default 10) until the clipboard holds something other than the
# marker; prints it.
wait_for_clipboard_change() {
  local marker="$1" limit="${2:-10}" text=""
  for _ in $(seq 1 $((limit * 10))); do
    text=$(clipboard)
    if [ -n "$text" ] && [ "$text" != "$marker" ]; then break; fi
    sleep 0.1
  done
  printf '%s' "$text"
}

# Waits until the settings file holds Key=Value (quotes ignored).
wait_for_setting() {
  local key="$1" value="$2" limit="${3:-5}"
  for _ in $(seq 1 $((limit * 10))); do
    [ "$(setting "$key")" = "$value" ] && return 0
    sleep 0.1
  done
  return 1
}

# Saves a picture of the whole screen as <name>.png in the screenshot folder, if there is one.
screenshot() {
  [ -n "$SCREENSHOT_DIR" ] || return 0
  mkdir -p "$SCREENSHOT_DIR"
  import -window root "$SCREENSHOT_DIR/$1.png" 2>/dev/null ||
    echo "note: screenshot $1 could not be taken" >&2
}

lock_state() { xset q 2>/dev/null | grep -o "$1: *[a-z]*" | awk '{print $NF}'; }

# Waits (up to $4 seconds, default 10) until the combination of keysym $2 and X modifier mask $3
# is "held" or "free" ($1) as a key grab, asked of the server by another client
# (grab_probe.py); the key is the one that types the keysym in the layout of the moment.
wait_for_grab() {
  local want="$1" keysym="$2" mask="$3" limit="${4:-10}"
  for _ in $(seq 1 $((limit * 5))); do
    [ "$(python3 "$(dirname "${BASH_SOURCE[0]}")/grab_probe.py" "$keysym" "$mask")" = "$want" ] &&
      return 0
    sleep 0.2
  done
  return 1
}
