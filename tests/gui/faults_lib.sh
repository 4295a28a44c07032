# shellcheck shell=bash disable=SC2034
# Helpers of the fault and load tests; sourced after gui_lib.sh (and tray_lib.sh), inside
# desktop_session.sh.

FAULTS_TOOL="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/faults_tool.py"
FAULTS_PYTHON=/usr/bin/python3

# The six output formats, by index.
FORMAT_NAMES=("RGB Values" "Web Safe" "RGB Hex" "Swift" "Objective-C" "Xamarin (C#)")
# Black, the colour of every run until a pick, in each format.
BLACK_TEXTS=("0 0 0" "#000000" "000000"
  "UIColor(red: 0.00, green: 0.00, blue: 0.00, alpha: 1.00)"
  "[UIColor colorWithRed: 0.00, green: 0.00, blue: 0.00, alpha: 1.00]"
  "new UIColor(red: 0.00f , green: 0.00f, blue: 0.00f, alpha: 1.00)")

# The hot keys the tests store, as the settings file holds them and as xdotool presses them.
PICKER_KEY="ctrl+alt+super+p"
FORWARD_KEY="ctrl+alt+super+bracketright"
BACK_KEY="shift+super+F5"
STORED_HOTKEYS=("ShortKey=⌃⌥⌘P" "ShortKey1=⌃⌥⌘]" "ShortKey2=⇧⌘F5")

# Milliseconds since the epoch.
now_ms() { echo $(($(date +%s%N) / 1000000)); }

# Sleeps a whole number of milliseconds.
sleep_ms() { sleep "$(printf '%d.%03d' $(($1 / 1000)) $(($1 % 1000)))"; }

# The resident set of a process in kB (empty when it is gone).
rss_kb() { awk '/^VmRSS:/ { print $2 }' "/proc/$1/status" 2>/dev/null; }

# Waits until the resident set of process $1 stays the same over $2 consecutive half-second
# samples (default 4, at most 20 s); prints it.
settled_rss_kb() {
  local pid="$1" runs="${2:-4}" last="" same=0 now
  for _ in $(seq 1 40); do
    now=$(rss_kb "$pid")
    if [ "$now" = "$last" ]; then same=$((same + 1)); else same=0; fi
    last=$now
    [ "$same" -ge "$runs" ] && break
    sleep 0.5
  done
  echo "$last"
}

# Processor time (user + system) of a process in clock ticks.
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat" 2>/dev/null; }

# Waits (up to $2 seconds) until process $1 has used no processor time for a second.
wait_until_idle() {
  local pid="$1" limit="${2:-60}" before after
  local end=$(($(date +%s) + limit))
  before=$(cpu_ticks "$pid")
  while [ "$(date +%s)" -lt "$end" ]; do
    sleep 1
    after=$(cpu_ticks "$pid")
    [ "$after" = "$before" ] && return 0
    before=$after
  done
  return 1
}

# The staging files a save cut short leaves beside the settings file, "<file>.saving-XXXXXX" and
# its QSettings lock; the next start removes them.
stray_settings_files() {
  find "$(dirname "$1")" -maxdepth 1 \( -name "$(basename "$1").saving-??????" -o \
    -name "$(basename "$1").saving-??????.lock" \) 2>/dev/null
}

# Checks a settings file after a fault: a regular file ending in a newline (nothing cut off),
# "[General]" first, every line Key=Value, no key twice, exactly the keys of the lines given
# plus OutFormat and Mode, each given key holding exactly the value given, OutFormat a format
# index and Mode that format's name. Sets CHECKED_FORMAT on success; CHECK_ERROR says what is
# wrong otherwise (status 1).
check_settings_file() {
  local file="$1"
  shift
  CHECKED_FORMAT=""
  CHECK_ERROR=""
  if [ ! -f "$file" ]; then
    CHECK_ERROR="no settings file"
    return 1
  fi
  if [ ! -s "$file" ] || [ -n "$(tail -c 1 "$file")" ]; then
    CHECK_ERROR="the file is empty or does not end in a newline"
    return 1
  fi
  local -A seen=() wanted=()
  local line key value first=1
  for line in "$@"; do wanted[${line%%=*}]=${line#*=}; done
  while IFS= read -r line; do
    if [ $first -eq 1 ]; then
      first=0
      [ "$line" = "[General]" ] && continue
      CHECK_ERROR="first line is '$line', not [General]"
      return 1
    fi
    [ -z "$line" ] && continue
    if [[ "$line" != *=* ]]; then
      CHECK_ERROR="line without a key: '$line'"
      return 1
    fi
    key=${line%%=*}
    value=${line#*=}
    if [ -n "${seen[$key]+x}" ]; then
      CHECK_ERROR="key $key twice"
      return 1
    fi
    seen[$key]=$value
  done <"$file"
  for key in "${!wanted[@]}"; do
    if [ "${seen[$key]-<absent>}" != "${wanted[$key]}" ]; then
      CHECK_ERROR="$key is '${seen[$key]-<absent>}', not '${wanted[$key]}'"
      return 1
    fi
  done
  for key in "${!seen[@]}"; do
    if [ -z "${wanted[$key]+x}" ] && [ "$key" != OutFormat ] && [ "$key" != Mode ]; then
      CHECK_ERROR="unexpected key $key"
      return 1
    fi
  done
  value=${seen[OutFormat]-}
  if ! [[ "$value" =~ ^[0-5]$ ]]; then
    CHECK_ERROR="OutFormat is '$value'"
    return 1
  fi
  if [ "${seen[Mode]-<absent>}" != "${FORMAT_NAMES[$value]}" ]; then
    CHECK_ERROR="Mode '${seen[Mode]-<absent>}' does not name OutFormat $value"
    return 1
  fi
  CHECKED_FORMAT=$value
}

# --- Running the program as another user, for what root's privileges would hide: a file it may
# not read, a folder it may not write. As root the program runs as "nobody" (setpriv); as any
# other user it runs as that user. The user's own throw-away home, configuration and runtime
# folders live in UNPRIVILEGED_ROOT, removed when the test ends.

# Prepares the folders; false (with the reason in UNPRIVILEGED_PROBLEM) when the program cannot
# be run as a user whom file permissions bind.
unprivileged_setup() {
  UNPRIVILEGED_PROBLEM=""
  UNPRIVILEGED_ROOT=$(mktemp -d "${TMPDIR:-/tmp}/pigmora-faults-user.XXXXXX") || return 1
  trap 'chmod -R u+w "$UNPRIVILEGED_ROOT" 2>/dev/null; rm -rf "$UNPRIVILEGED_ROOT"' EXIT
  chmod 755 "$UNPRIVILEGED_ROOT"
  UNPRIVILEGED_HOME="$UNPRIVILEGED_ROOT/home"
  UNPRIVILEGED_CONFIG="$UNPRIVILEGED_HOME/.config"
  UNPRIVILEGED_RUNTIME="$UNPRIVILEGED_ROOT/runtime"
  UNPRIVILEGED_SETTINGS="$UNPRIVILEGED_CONFIG/$APP_ID.conf"
  mkdir -p "$UNPRIVILEGED_CONFIG" "$UNPRIVILEGED_RUNTIME"
  chmod 700 "$UNPRIVILEGED_RUNTIME"
  UNPRIVILEGED_ENV=(HOME="$UNPRIVILEGED_HOME" XDG_CONFIG_HOME="$UNPRIVILEGED_CONFIG"
    XDG_RUNTIME_DIR="$UNPRIVILEGED_RUNTIME" XDG_CACHE_HOME="$UNPRIVILEGED_HOME/.cache"
    XDG_DATA_HOME="$UNPRIVILEGED_HOME/.local/share"
    DBUS_SESSION_BUS_ADDRESS="unix:path=$UNPRIVILEGED_ROOT/no-bus")
  if [ "$(id -u)" -eq 0 ]; then
    if ! command -v setpriv >/dev/null; then
      UNPRIVILEGED_PROBLEM="running as root without setpriv"
      return 1
    fi
    UNPRIVILEGED_UID=$(id -u nobody 2>/dev/null || echo 65534)
    UNPRIVILEGED_GID=$(id -g nobody 2>/dev/null || echo 65534)
    chown -R "$UNPRIVILEGED_UID:$UNPRIVILEGED_GID" "$UNPRIVILEGED_HOME" "$UNPRIVILEGED_RUNTIME"
    UNPRIVILEGED_RUN=(setpriv "--reuid=$UNPRIVILEGED_UID" "--regid=$UNPRIVILEGED_GID" --clear-groups)
  else
    UNPRIVILEGED_UID=$(id -u)
    UNPRIVILEGED_GID=$(id -g)
    UNPRIVILEGED_RUN=()
  fi
  if ! as_unprivileged test -x "$PIGMORA_BIN"; then
    UNPRIVILEGED_PROBLEM="user $UNPRIVILEGED_UID cannot run $PIGMORA_BIN"
    return 1
  fi
  if as_unprivileged test -w /; then
    UNPRIVILEGED_PROBLEM="user $UNPRIVILEGED_UID is not bound by file permissions"
    return 1
  fi
  return 0
}

# Runs a command as that user, in its environment. It has no session bus (the test's is not
# its), so the program uses the XEmbed tray.
as_unprivileged() { "${UNPRIVILEGED_RUN[@]}" env "${UNPRIVILEGED_ENV[@]}" "$@"; }

# Like start_pigmora, as that user. The program is started directly (not through a function in a
# subshell), so that PIGMORA_PID is the program's own.
start_pigmora_unprivileged() {
  local tag="$1"
  "${UNPRIVILEGED_RUN[@]}" env "${UNPRIVILEGED_ENV[@]}" "$PIGMORA_BIN" \
    >"$PIGMORA_SESSION_DIR/$tag.out" 2>"$PIGMORA_SESSION_DIR/$tag.err" &
  PIGMORA_PID=$!
  echo "$PIGMORA_PID" >>"$PIGMORA_SESSION_DIR/pids"
}

# Gives a path (and what is below it) to that user.
give_to_unprivileged() { chown -R "$UNPRIVILEGED_UID:$UNPRIVILEGED_GID" "$@"; }

# --- A second desktop of the test's own (X server, window manager, tray) that a test may kill:
# sets PRIVATE_DISPLAY and PRIVATE_XVFB (the server's PID). False when it does not come up.
start_private_desktop() {
  local display_file="$PIGMORA_SESSION_DIR/private-display"
  rm -f "$display_file"
  Xvfb -displayfd 5 -screen 0 1024x768x24 -nolisten tcp -noreset 5>"$display_file" \
    >/dev/null 2>&1 &
  PRIVATE_XVFB=$!
  # Not a job of the test's shell: its death by a signal is the point, not news.
  disown "$PRIVATE_XVFB"
  echo "$PRIVATE_XVFB" >>"$PIGMORA_SESSION_DIR/pids"
  for _ in $(seq 1 100); do
    grep -q '^[0-9]' "$display_file" 2>/dev/null && break
    sleep 0.1
  done
  PRIVATE_DISPLAY=":$(head -1 "$display_file" 2>/dev/null | tr -dc 0-9)"
  [ "$PRIVATE_DISPLAY" != ":" ] || return 1
  DISPLAY=$PRIVATE_DISPLAY openbox --sm-disable >/dev/null 2>&1 &
  echo $! >>"$PIGMORA_SESSION_DIR/pids"
  for _ in $(seq 1 100); do
    DISPLAY=$PRIVATE_DISPLAY xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' &&
      break
    sleep 0.1
  done
  DISPLAY=$PRIVATE_DISPLAY trayer --edge top --align right --widthtype request --height 32 \
    --SetDockType true --expand true --transparent false >/dev/null 2>&1 &
  echo $! >>"$PIGMORA_SESSION_DIR/pids"
  DISPLAY=$PRIVATE_DISPLAY timeout 10 xdotool search --sync --onlyvisible --class trayer \
    >/dev/null 2>&1
}

# After the private server was killed outright: its lock file and socket stay behind.
remove_private_server_files() {
  local number=${PRIVATE_DISPLAY#:}
  is_running "$PRIVATE_XVFB" && return
  rm -f "/tmp/.X$number-lock" "/tmp/.X11-unix/X$number"
}
