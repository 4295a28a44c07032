# Helpers for the GUI tests; sourced by each *_test.sh, which runs inside desktop_session.sh.
set -u

APP_ID="${PIGMORA_APP_IDENTIFIER:-org.pigmora.Pigmora}"
SETTINGS_FILE="$XDG_CONFIG_HOME/$APP_ID.conf"
failures=0

fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

pass() { echo "ok: $*"; }

# Ends the test: status 0 when nothing failed.
finish() {
  if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
  fi
  echo "all checks passed"
  exit 0
}

# Runs the program in the background with its output in $PIGMORA_SESSION_DIR/<tag>.out and .err;
# sets PIGMORA_PID. The session kills it at the end if the test does not.
start_pigmora() {
  local tag="$1"
  shift
  "$PIGMORA_BIN" "$@" >"$PIGMORA_SESSION_DIR/$tag.out" 2>"$PIGMORA_SESSION_DIR/$tag.err" &
  PIGMORA_PID=$!
  echo "$PIGMORA_PID" >>"$PIGMORA_SESSION_DIR/pids"
}

# Waits (up to $2 seconds, default 10) for a path to exist.
wait_for_path() {
  local path="$1" limit="${2:-10}"
  local tries=$((limit * 10))
  while [ $tries -gt 0 ]; do
    [ -e "$path" ] && return 0
    sleep 0.1
    tries=$((tries - 1))
  done
  return 1
}

# True while the process runs (a child that has exited but was not reaped yet is a zombie, "Z").
is_running() {
  local state
  state=$(sed -n 's/^[0-9]* (.*) \([A-Za-z]\) .*/\1/p' "/proc/$1/stat" 2>/dev/null)
  [ -n "$state" ] && [ "$state" != "Z" ] && [ "$state" != "X" ]
}

# Waits (up to $2 seconds, default 10) for a child process to end; its status goes to
# EXIT_STATUS ("timeout" when it still runs).
wait_for_exit() {
  local pid="$1" limit="${2:-10}"
  local tries=$((limit * 10))
  while [ $tries -gt 0 ] && is_running "$pid"; do
    sleep 0.1
    tries=$((tries - 1))
  done
  if is_running "$pid"; then
    EXIT_STATUS=timeout
    return 1
  fi
  wait "$pid" 2>/dev/null
  EXIT_STATUS=$?
  return 0
}

# True when the program under test is built with AddressSanitizer (PIGMORA_SANITIZE). Its allocator
# keeps freed blocks in a quarantine and records the call stack of every allocation, so the
# resident set grows by design and tells nothing of the program's own memory: leaks are
# LeakSanitizer's to find there (tools/robustness.sh fails on any of its reports).
sanitizer_build() { grep -q -a -m1 '__asan_init' "$PIGMORA_BIN" 2>/dev/null; }

# The number of lines of a file.
line_count() { wc -l <"$1" | tr -d ' '; }

# Prints the ids of the visible windows that xdotool search finds with the arguments given; status
# 1 when there is none. xdotool dies with an X error when a window it walks past is destroyed in the
# middle of its search (a menu closing as a dialog opens); that search is run again rather than
# taken for "no window".
visible_windows() {
  local err="$PIGMORA_SESSION_DIR/xdotool.$BASHPID.err" found
  for _ in 1 2 3 4 5; do
    found=$(xdotool search --onlyvisible "$@" 2>"$err")
    if [ -n "$found" ]; then
      rm -f "$err"
      echo "$found"
      return 0
    fi
    grep -q 'X Error' "$err" || break
  done
  rm -f "$err"
  return 1
}

# Waits (up to $2 seconds, default 10) for a visible top-level window whose name matches $1;
# prints its id.
wait_for_window() {
  local name="$1" limit="${2:-10}" tries
  tries=$((limit * 10))
  while [ $tries -gt 0 ]; do
    visible_windows --name "$name" | head -1 | grep . && return 0
    sleep 0.1
    tries=$((tries - 1))
  done
  return 1
}

# Counts the pixels of a window region whose red stands well above green and blue: the colour
# of a shortcut field marked as not working.
reddish_pixels() {
  local window="$1" x="$2" y="$3" w="$4" h="$5"
  import -silent -window "$window" -crop "${w}x${h}+${x}+${y}" +repage -depth 8 txt:- 2>/dev/null |
    sed -n 's/^[^(]*(\([0-9]*\),\([0-9]*\),\([0-9]*\).*/\1 \2 \3/p' |
    awk '$1 > $2 + 60 && $1 > $3 + 60 { n++ } END { print n + 0 }'
}
