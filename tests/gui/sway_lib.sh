# A real Wayland session for the GUI tests: sway 1.7 headless (software rendering, XWayland on
# demand), sourced after gui_lib.sh and tray_lib.sh inside desktop_session.sh. sway refuses to run
# as root, so as root it runs in a user namespace of its own where it is the user "nobody" (mapped
# to the real root outside, so the test, running as root, may use its sockets and files). That user
# has to be in the user database: XWayland lets in only clients of its own user, which it names
# from there, and with no name (user 1000 on a minimal Debian) it lets in no one at all. Every
# process started here is recorded in the session's PID list, which desktop_session.sh kills by PID.

# Starts sway; sets SWAY_PID, WAYLAND_SOCKET (absolute path of its Wayland socket), SWAYSOCK (its
# IPC socket) and XWAYLAND_DISPLAY (the X display its XWayland serves). False, with the reason
# on stderr, when it does not come up.
start_sway() {
  local dir="$PIGMORA_SESSION_DIR/sway"
  mkdir -p "$dir/runtime"
  chmod 700 "$dir/runtime"
  cat >"$dir/config" <<CONF
xwayland enable
output HEADLESS-1 resolution 1280x800 position 0 0
default_border normal
focus_on_window_activation focus
exec echo "\$DISPLAY" >$dir/x-display
CONF
  local run=()
  [ "$(id -u)" -eq 0 ] &&
    run=(unshare --user --map-user="$(id -u nobody)" --map-group="$(id -g nobody)")
  # unshare executes sway in its own place, so $! is sway's PID.
  env -u DISPLAY -u WAYLAND_DISPLAY XDG_RUNTIME_DIR="$dir/runtime" WLR_BACKENDS=headless \
    WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 "${run[@]}" sway -c "$dir/config" \
    >"$dir/sway.log" 2>&1 &
  SWAY_PID=$!
  echo "$SWAY_PID" >>"$PIGMORA_SESSION_DIR/pids"
  WAYLAND_SOCKET="" SWAYSOCK="" XWAYLAND_DISPLAY=""
  for _ in $(seq 1 200); do
    WAYLAND_SOCKET=$(find "$dir/runtime" -maxdepth 1 -type s -name 'wayland-*' | head -1)
    SWAYSOCK=$(find "$dir/runtime" -maxdepth 1 -type s -name 'sway-ipc.*' | head -1)
    XWAYLAND_DISPLAY=$(cat "$dir/x-display" 2>/dev/null)
    [ -n "$WAYLAND_SOCKET" ] && [ -n "$SWAYSOCK" ] && [ -n "$XWAYLAND_DISPLAY" ] && break
    is_running "$SWAY_PID" || break
    sleep 0.1
  done
  export SWAYSOCK
  if [ -z "$WAYLAND_SOCKET" ] || [ -z "$XWAYLAND_DISPLAY" ]; then
    echo "sway did not start:" >&2
    cat "$dir/sway.log" >&2
    return 1
  fi
}

# Runs a Wayland client or tool on sway (not on the session's X server).
on_sway() { env -u DISPLAY WAYLAND_DISPLAY="$WAYLAND_SOCKET" "$@"; }

# The Wayland clipboard as a Wayland program pastes it (empty when there is none).
wayland_clipboard() { on_sway timeout 5 wl-paste --no-newline 2>/dev/null; }

# Waits (up to $2 seconds, default 10) until the Wayland clipboard holds something other than
# $1; prints it.
wait_for_wayland_clipboard_change() {
  local before="$1" limit="${2:-10}" text=""
  for _ in $(seq 1 $((limit * 10))); do
    text=$(wayland_clipboard)
    [ -n "$text" ] && [ "$text" != "$before" ] && break
    sleep 0.1
  done
  echo "$text"
}

# Puts a marker text on the Wayland clipboard from a Wayland program of its own (wl-copy serves
# it in the foreground until another client takes the selection).
mark_wayland_clipboard() {
  serve_marker wayland_clipboard "$1" on_sway wl-copy --foreground
}

# The app id (Wayland) or instance name (X11) of the window sway has focused.
sway_focused() {
  swaymsg -t get_tree 2>/dev/null | python3 -c '
import json, sys
def walk(node):
    if node.get("focused"):
        props = node.get("window_properties") or {}
        print(node.get("app_id") or props.get("instance") or "")
        return True
    return any(walk(child) for child in node.get("nodes", []) + node.get("floating_nodes", []))
walk(json.load(sys.stdin))'
}

# Waits (up to $2 seconds, default 10) until sway has focused the window whose app id or instance
# name is $1.
wait_for_sway_focus() {
  local want="$1" limit="${2:-10}"
  for _ in $(seq 1 $((limit * 10))); do
    [ "$(sway_focused)" = "$want" ] && return 0
    sleep 0.1
  done
  return 1
}

# A native Wayland window (foot, a terminal) that records every line typed into it in $1. Sets
# FOOT_PID.
start_wayland_recorder() {
  local record="$1"
  : >"$record"
  on_sway foot --app-id=recorder -o 'main.font=DejaVu Sans Mono:size=10' \
    sh -c "stty -echo; exec cat >'$record'" >"$PIGMORA_SESSION_DIR/foot.log" 2>&1 &
  FOOT_PID=$!
  echo "$FOOT_PID" >>"$PIGMORA_SESSION_DIR/pids"
}

# Types a line into the focused window with wtype (through the compositor, as a keyboard would)
# until the recorder has it (up to 5 tries): proof that keys reach that window. Each wtype brings
# a keymap of its own, and the first key after a keymap change may be lost, on some runs on every
# try: a space goes first, so losing it leaves the line whole.
type_probe_line() {
  local record="$1" line="$2"
  for _ in 1 2 3 4 5; do
    on_sway wtype " $line" -k Return
    for _ in $(seq 1 20); do
      grep -qF "$line" "$record" 2>/dev/null && return 0
      sleep 0.1
    done
  done
  return 1
}

# Presses a key combination with wtype: modifiers (ctrl, alt, shift, logo) then the key name.
press_on_sway() {
  local key="${*: -1}" mods=("${@:1:$#-1}") args=() m
  for m in "${mods[@]}"; do args+=(-M "$m"); done
  args+=(-k "$key")
  for m in "${mods[@]}"; do args+=(-m "$m"); done
  on_sway wtype "${args[@]}"
}

# A screenshot of the whole sway output, in the screenshot folder.
sway_screenshot() {
  [ -n "$SCREENSHOT_DIR" ] || return 0
  mkdir -p "$SCREENSHOT_DIR"
  on_sway grim "$SCREENSHOT_DIR/$1.png" 2>/dev/null
}
